#include "SpreadsheetTestSupport.h"
#include "XmlDifferential.h"
#include "core/spreadsheet/SheetRows.h"
#include "core/spreadsheet/ZipPackage.h"

#include <gtest/gtest.h>

namespace mervalon::spreadsheet {
namespace {

namespace fs = std::filesystem;

// The workbooks of make_peer_packages.py, made once per run (see makeWorkbooks).
const test::MadeWorkbooks& peerPackages()
{
    static const test::MadeWorkbooks made = test::makeWorkbooks("make_peer_packages.py", "peer-packages");
    return made;
}

std::string partOf(const fs::path& path, const std::string& part)
{
    if (path.extension() == ".fods") {
        return test::readText(path);
    }
    ZipPackage package = ZipPackage::open(path);
    std::string content;
    EXPECT_TRUE(package.read(part, [&](const char* data, std::size_t size) { content.append(data, size); }));
    return content;
}

// What spreadsheet programs write is what the plain scanner takes whole, handing on exactly
// expat's events, however the document is cut into pieces: their files never wait for expat.
TEST(PeerPackagesTest, TheirSheetsAreReadByThePlainScannerAsExpatReadsThem)
{
    const test::MadeWorkbooks& made = peerPackages();
    MERVALON_REQUIRE_PEER(made.missing.empty(), made.missing);
    const std::pair<const char*, const char*> parts[] = {
        {"libreoffice.ods", "content.xml"},
        {"libreoffice.fods", ""},
        {"gnumeric.ods", "content.xml"},
        {"awkward.xlsx", "xl/worksheets/sheet1.xml"},
        {"libreoffice.xlsx", "xl/worksheets/sheet1.xml"},
        {"libreoffice.xlsx", "xl/sharedStrings.xml"},
        {"gnumeric.xlsx", "xl/worksheets/sheet1.xml"},
        {"gnumeric.xlsx", "xl/sharedStrings.xml"},
    };
    for (const auto& [file, part] : parts) {
        SCOPED_TRACE(std::string(file) + " " + part);
        const std::string content = partOf(made.folder / file, part);
        ASSERT_GT(content.size(), 100U);
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
TEST(PeerPackagesTest, AwkwardCellsReadTheSameFromEachProducer)
{
    const test::MadeWorkbooks& made = peerPackages();
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
