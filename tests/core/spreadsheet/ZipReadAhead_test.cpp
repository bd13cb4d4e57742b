// A large part is unpacked on a thread of its own (ZipLimits::readAheadFrom): the bytes and every
// error must be those of the part unpacked on the caller's thread.
#include "PackageTestSupport.h"
#include "core/spreadsheet/SheetRows.h"
#include "core/spreadsheet/WorkbookError.h"
#include "core/spreadsheet/ZipPackage.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace mervalon::spreadsheet {
namespace {

namespace fs = std::filesystem;
using test::scratchDir;

// What reading `part` gives: its bytes, or the error's message.
std::string readPart(const fs::path& path, const std::string& part, bool ahead, bool into)
{
    ZipLimits limits;
    limits.readAheadFrom = ahead ? 0 : UINT64_MAX;
    try {
        ZipPackage package = ZipPackage::open(path, limits);
        std::string bytes;
        if (into) {
            std::string room;
            const bool found = package.readInto(
                part,
                [&](std::size_t size) {
                    room.resize(size);
                    return room.data();
                },
                [&](std::size_t size) { bytes.append(room.data(), size); });
            return found ? bytes : "<missing>";
        }
        const bool found = package.read(part, [&](const char* data, std::size_t size) { bytes.append(data, size); });
        return found ? bytes : "<missing>";
    } catch (const WorkbookError& error) {
        return "error: " + std::string(error.what());
    }
}

std::string fileBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string sheetXml(int rows)
{
    std::string xml = "<?xml version=\"1.0\"?><worksheet><sheetData>";
    for (int r = 1; r <= rows; ++r) {
        const std::string n = std::to_string(r);
        xml += "<row r=\"" + n + "\"><c><v>" + n + "</v></c><c><v>" + std::to_string(r * 7919 % 100003) +
               ".25</v></c></row>";
    }
    return xml + "</sheetData></worksheet>";
}

TEST(ZipReadAheadTest, APartReadAheadGivesTheSameBytes)
{
    const fs::path path = scratchDir() / "read-ahead.zip";
    const std::string large = sheetXml(60000);
    ASSERT_GT(large.size(), std::size_t{2} << 20);
    test::writeZip(path, {{"large.xml", large}, {"small.xml", "<a/>"}, {"empty.xml", ""}});
    for (const bool into : {false, true}) {
        for (const bool ahead : {false, true}) {
            SCOPED_TRACE(std::string(into ? "into the parser's buffer, " : "") + (ahead ? "read ahead" : "direct"));
            EXPECT_TRUE(readPart(path, "large.xml", ahead, into) == large);
            EXPECT_EQ(readPart(path, "small.xml", ahead, into), "<a/>");
            EXPECT_EQ(readPart(path, "empty.xml", ahead, into), "");
            EXPECT_EQ(readPart(path, "missing.xml", ahead, into), "<missing>");
        }
    }
}

// Damage anywhere in a part's packed bytes (caught by the inflater or by the CRC at its end)
// gives the same message, read ahead or not.
TEST(ZipReadAheadTest, DamageIsReportedAsWithoutReadingAhead)
{
    const fs::path good = scratchDir() / "undamaged.zip";
    const std::string large = sheetXml(60000);
    test::writeZip(good, {{"large.xml", large}});
    const std::string bytes = fileBytes(good);
    // The packed data lies between the local header (30 bytes and the name) and the directory.
    const std::size_t begin = 30 + std::string("large.xml").size();
    const std::size_t end = bytes.rfind("PK\x01\x02");
    ASSERT_NE(end, std::string::npos);
    int errors = 0;
    for (const double where : {0.01, 0.3, 0.5, 0.9, 0.999}) {
        for (const char flip : {'\x01', '\x40'}) {
            std::string damaged = bytes;
            damaged[begin + static_cast<std::size_t>(where * static_cast<double>(end - begin))] ^= flip;
            const fs::path path = scratchDir() / "damaged.zip";
            writeBytes(path, damaged);
            SCOPED_TRACE(std::to_string(where) + " of the way");
            const std::string direct = readPart(path, "large.xml", false, false);
            EXPECT_EQ(readPart(path, "large.xml", true, false), direct);
            EXPECT_EQ(readPart(path, "large.xml", true, true), direct);
            if (direct.starts_with("error: ")) {
                ++errors;
                EXPECT_TRUE(direct.starts_with(
                    "error: The workbook file is damaged: its part \"large.xml\" cannot be unpacked ("))
                    << direct;
            }
        }
    }
    EXPECT_GT(errors, 5);
}

// Through the readers, a damaged sheet of either kind large enough to be read ahead: the message
// is the one a reader on one thread gives.
TEST(ZipReadAheadTest, ADamagedLargeSheetIsReportedAsItWas)
{
    test::XlsxParts parts;
    std::string rows;
    for (int r = 1; r <= 40000; ++r) {
        rows += "<row r=\"" + std::to_string(r) + "\"><c><v>" + std::to_string(r) + "</v></c><c><v>" +
                std::to_string(r * 31 % 977) + ".5</v></c></row>";
    }
    parts.sheets = {{"S", rows}};
    const fs::path good = scratchDir() / "large.xlsx";
    test::writeZip(good, test::xlsxPackage(parts));
    const auto rowsOf = [](const fs::path& path) -> std::string {
        try {
            return std::to_string(
                std::get<std::vector<RowTexts>>(readSheetRows(path, 1, SheetSelector{1, "1"})).size());
        } catch (const WorkbookError& error) {
            return error.what();
        }
    };
    EXPECT_EQ(rowsOf(good), "40000");
    // The sheet's CRC in its local header and in the directory: the bytes unpack, and the damage is
    // found when the last of them is.
    std::string bytes = fileBytes(good);
    const std::string name = "xl/worksheets/sheet1.xml";
    const std::size_t local = bytes.find(name);
    const std::size_t central = bytes.rfind(name);
    ASSERT_TRUE(local != std::string::npos && central > local);
    bytes[local - 30 + 14] ^= '\x10';
    bytes[central - 46 + 16] ^= '\x10';
    const fs::path damaged = scratchDir() / "damaged-large.xlsx";
    writeBytes(damaged, bytes);
    EXPECT_EQ(rowsOf(damaged),
              "The workbook file is damaged: its part \"xl/worksheets/sheet1.xml\" cannot be unpacked (CRC error).");
}

} // namespace
} // namespace mervalon::spreadsheet
