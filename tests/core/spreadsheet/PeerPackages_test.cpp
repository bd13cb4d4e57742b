#include "SpreadsheetTestSupport.h"
#include "XmlDifferential.h"
#include "core/spreadsheet/SheetRows.h"
#include "core/spreadsheet/ZipPackage.h"

#include <gtest/gtest.h>

namespace mervalon::spreadsheet {
namespace {

namespace fs = std::filesystem;

// The workbook of make_odf_peers.py as LibreOffice (ODS and flat ODS) and gnumeric write it, made
// once per run; the exit status 3 names a missing package on the script's stderr.
struct OdfPeers {
    fs::path folder;
    std::string missing;
};

const OdfPeers& odfPeers()
{
    static const OdfPeers made = [] {
        OdfPeers result;
        result.folder = test::scratchDir() / "odf-peers";
        const fs::path errors = test::scratchDir() / "odf-peers.err";
        const int rc = test::runCommand("/usr/bin/python3 '" + (test::fixtureDir() / "make_odf_peers.py").string() +
                                        "' '" + result.folder.string() + "' 2>'" + errors.string() + "'");
        if (rc != 0) {
            result.missing =
                rc == 3 ? test::readText(errors) : "python3 (make_odf_peers.py failed: " + test::readText(errors) + ")";
            while (!result.missing.empty() && result.missing.back() == '\n') {
                result.missing.pop_back();
            }
        }
        return result;
    }();
    return made;
}

std::string contentOf(const fs::path& path)
{
    if (path.extension() == ".fods") {
        return test::readText(path);
    }
    ZipPackage package = ZipPackage::open(path);
    std::string content;
    EXPECT_TRUE(package.read("content.xml", [&](const char* data, std::size_t size) { content.append(data, size); }));
    return content;
}

// What spreadsheet programs write is what the plain scanner takes whole, handing on exactly
// expat's events, however the document is cut into pieces: their files never wait for expat.
TEST(OdfPeersTest, TheirContentIsPlainXmlReadAsExpatReadsIt)
{
    const OdfPeers& made = odfPeers();
    MERVALON_REQUIRE_PEER(made.missing.empty(), made.missing);
    for (const char* name : {"libreoffice.ods", "libreoffice.fods", "gnumeric.ods"}) {
        SCOPED_TRACE(name);
        const std::string content = contentOf(made.folder / name);
        ASSERT_GT(content.size(), 1000U);
        for (const std::size_t step : {content.size(), std::size_t{4096}, std::size_t{61}, std::size_t{7}}) {
            std::vector<std::size_t> cuts;
            for (std::size_t at = step; at < content.size(); at += step) {
                cuts.push_back(at);
            }
            const auto result = mervalon::test::compareScannerWithExpat(content, cuts);
            EXPECT_EQ(result.difference, "") << "pieces of " << step;
            EXPECT_TRUE(result.scannerTookAll) << "pieces of " << step;
        }
    }
}

// The awkward cells come out of all three files alike (the link's text and the comment's absence
// included), as the texts a spreadsheet shows.
TEST(OdfPeersTest, AwkwardCellsReadTheSameFromEachProducer)
{
    const OdfPeers& made = odfPeers();
    MERVALON_REQUIRE_PEER(made.missing.empty(), made.missing);
    const SheetSelector first{1, "1"};
    const auto reference = std::get<std::vector<RowTexts>>(readSheetRows(made.folder / "libreoffice.ods", 1, first));
    ASSERT_EQ(reference.size(), 9U);
    EXPECT_EQ(reference[1][4], "a & b < c > d \"e\" 'f'");
    EXPECT_EQ(reference[2][4], "end of CDATA ]]> and ]] and ]");
    EXPECT_EQ(reference[4][4], "  three   blanks  ");
    EXPECT_EQ(reference[5][4], "tab\there");
    EXPECT_EQ(reference[6][4], "two\nlines");
    EXPECT_EQ(std::get<std::vector<RowTexts>>(readSheetRows(made.folder / "libreoffice.fods", 1, first)), reference);
}

} // namespace
} // namespace mervalon::spreadsheet
