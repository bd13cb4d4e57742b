#include "PackageTestSupport.h"
#include "core/spreadsheet/SheetRows.h"
#include "core/spreadsheet/WorkbookError.h"
#include "core/spreadsheet/ZipPackage.h"

#include <gtest/gtest.h>

namespace mervalon::spreadsheet {
namespace {

namespace fs = std::filesystem;
using test::scratchDir;

std::string readError(const fs::path& path)
{
    try {
        readSheetRows(path, 1, SheetSelector{1, "1"});
    } catch (const WorkbookError& error) {
        return error.what();
    }
    return "<no error>";
}

// An XLSX whose first sheet part is `xml` as it stands.
fs::path xlsxWithSheetXml(const std::string& name, const std::string& xml)
{
    test::XlsxParts parts;
    parts.sheets = {{"S", ""}};
    auto files = test::xlsxPackage(parts);
    for (auto& [part, content] : files) {
        if (part == "xl/worksheets/sheet1.xml") {
            content = xml;
        }
    }
    const fs::path path = scratchDir() / name;
    test::writeZip(path, files);
    return path;
}

TEST(HostilePackageTest, DocumentTypesEntitiesAndDeepNestingAreRefused)
{
    const std::string laughs = "<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol \"lol\"><!ENTITY lol1 "
                               "\"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">]><worksheet><sheetData><row>"
                               "<c t=\"str\"><v>&lol1;</v></c></row></sheetData></worksheet>";
    EXPECT_EQ(readError(xlsxWithSheetXml("laughs.xlsx", laughs)),
              "The workbook is not read: the part \"xl/worksheets/sheet1.xml\" is refused because it declares a "
              "document type, which no workbook part has.");
    const std::string external = "<?xml version=\"1.0\"?><!DOCTYPE w SYSTEM \"file:///etc/passwd\"><worksheet/>";
    EXPECT_EQ(readError(xlsxWithSheetXml("external.xlsx", external)),
              "The workbook is not read: the part \"xl/worksheets/sheet1.xml\" is refused because it declares a "
              "document type, which no workbook part has.");
    std::string deep = "<worksheet><sheetData>";
    for (int i = 0; i < 300; ++i) {
        deep += "<x>";
    }
    EXPECT_EQ(readError(xlsxWithSheetXml("deep.xlsx", deep)),
              "The workbook is not read: the part \"xl/worksheets/sheet1.xml\" is refused because its elements "
              "nest more than 256 deep.");
    // An ODS's content as well.
    const fs::path ods = scratchDir() / "laughs.ods";
    test::writeZip(ods, {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"}, {"content.xml", laughs}});
    EXPECT_EQ(readError(ods), "The workbook is not read: the spreadsheet's content is refused because it declares a "
                              "document type, which no workbook part has.");
}

// Parts that unpack to far more than they pack (a zip bomb), or to more than a part may, are
// stopped while they unpack, with a message saying why.
TEST(HostilePackageTest, ZipBombsAreStoppedByRatioAndSize)
{
    const fs::path path = scratchDir() / "bomb.zip";
    test::writeZip(path, {{"zeros.xml", std::string(std::size_t{4} << 20, '\0')}, {"small.xml", "<a/>"}});
    const auto readAll = [&](const ZipLimits& limits, const std::string& part) -> std::string {
        try {
            ZipPackage package = ZipPackage::open(path, limits);
            std::size_t total = 0;
            package.read(part, [&](const char*, std::size_t size) { total += size; });
            return std::to_string(total);
        } catch (const WorkbookError& error) {
            return error.what();
        }
    };
    ZipLimits ratio;
    ratio.ratioFloor = 1u << 20;
    EXPECT_EQ(readAll(ratio, "zeros.xml"),
              "The workbook's part \"zeros.xml\" unpacks to more than 250 times its packed "
              "size; it is not read (it looks like a zip bomb).");
    EXPECT_EQ(readAll(ratio, "small.xml"), "4");
    ZipLimits size;
    size.maxPartSize = 2u << 20;
    EXPECT_EQ(readAll(size, "zeros.xml"), "The workbook's part \"zeros.xml\" claims to unpack to 4 MiB, more than the "
                                          "2 MiB a part may have; it is not read.");
    ZipLimits total;
    total.maxTotalSize = 3u << 20;
    EXPECT_EQ(readAll(total, "zeros.xml"), "The workbook unpacks to more than 3 MiB; it is not read (it may be a zip "
                                           "bomb).");
    EXPECT_EQ(readAll(ZipLimits{}, "zeros.xml"), std::to_string(std::size_t{4} << 20));
    EXPECT_EQ(readAll(ZipLimits{}, "missing.xml"), "0");
}

// Repeated rows and cells are counts, never multiplied out: a million empty rows at the end of a
// table cost nothing, and a few bytes asking for more cells than any sheet holds are refused.
TEST(HostilePackageTest, RepetitionsCannotExhaustMemory)
{
    const fs::path tail = scratchDir() / "tail.ods";
    test::writeZip(tail, test::odsPackage("<table:table table:name=\"T\"><table:table-row><table:table-cell "
                                          "office:value-type=\"float\" office:value=\"1\"/></table:table-row>"
                                          "<table:table-row table:number-rows-repeated=\"1048575\"><table:table-cell "
                                          "table:number-columns-repeated=\"16384\"/></table:table-row></table:table>"));
    EXPECT_EQ(std::get<std::vector<RowTexts>>(readSheetRows(tail, 1, SheetSelector{1, "1"})),
              std::vector<RowTexts>{{"1"}});
    const fs::path huge = scratchDir() / "huge.ods";
    test::writeZip(huge, test::odsPackage("<table:table table:name=\"T\"><table:table-row "
                                          "table:number-rows-repeated=\"4000000000\"><table:table-cell "
                                          "office:value-type=\"float\" office:value=\"1\" "
                                          "table:number-columns-repeated=\"99999\"/></table:table-row></table:table>"));
    EXPECT_EQ(readError(huge), "The sheet holds more than 16777216 cells; it is too large to be converted.");

    // A long shared string in many small cells, and spaces asked for by the thousand.
    test::XlsxParts parts;
    parts.sharedStrings = "<si><t>" + std::string(30000, 'x') + "</t></si>";
    std::string row;
    for (int c = 0; c < 16384; ++c) {
        row += "<c t=\"s\"><v>0</v></c>";
    }
    parts.sheets = {{"S", "<row r=\"1\">" + row + "</row>"}};
    const fs::path wide = scratchDir() / "wide.xlsx";
    test::writeZip(wide, test::xlsxPackage(parts));
    EXPECT_EQ(readError(wide), "The sheet holds a row of more than 64 MiB of text; it is too large to be converted.");
    const fs::path repeated = scratchDir() / "repeated.ods";
    test::writeZip(repeated, test::odsPackage("<table:table table:name=\"T\"><table:table-row><table:table-cell "
                                              "table:number-columns-repeated=\"16384\"><text:p>" +
                                              std::string(30000, 'x') +
                                              "</text:p></table:table-cell></table:table-row></table:table>"));
    EXPECT_EQ(readError(repeated),
              "The sheet holds a row of more than 64 MiB of text; it is too large to be converted.");
    std::string spaces = "<table:table table:name=\"T\"><table:table-row><table:table-cell><text:p>";
    for (int i = 0; i < 1000; ++i) {
        spaces += "<text:s text:c=\"1000\"/>";
    }
    const fs::path blank = scratchDir() / "spaces.ods";
    test::writeZip(blank, test::odsPackage(spaces + "</text:p></table:table-cell></table:table-row></table:table>"));
    EXPECT_EQ(std::get<std::vector<RowTexts>>(readSheetRows(blank, 1, SheetSelector{1, "1"}))[0][0].size(), 32767u * 4);
}

} // namespace
} // namespace mervalon::spreadsheet
