#include "SpreadsheetTestSupport.h"
#include "core/spreadsheet/SheetRows.h"
#include "core/spreadsheet/Workbook.h"

#include <gtest/gtest.h>

namespace mervalon::spreadsheet {
namespace {

using test::fixtureDir;
using test::generatedFixtures;

std::string cellText(const Sheet& sheet, int row, int column)
{
    const CellValue* value = sheet.cell(row, column);
    return value != nullptr ? value->toText() : std::string("<null>");
}

Workbook openGenerated(const char* name)
{
    return Workbook::open(*generatedFixtures() / name);
}

#define REQUIRE_XLWT() MERVALON_REQUIRE_PEER(generatedFixtures(), "python3-xlwt")

TEST(WorkbookReadTest, UsedRangeComesFromTheCellsAndMayStartAwayFromA1)
{
    REQUIRE_XLWT();
    const Workbook book = openGenerated("points.xls");
    ASSERT_EQ(book.sheetCount(), 3);
    EXPECT_EQ(book.version(), BiffVersion::Biff8);
    const Sheet& sheet = *book.sheet(1);
    EXPECT_EQ(sheet.name(), "Points");
    const UsedRange range = sheet.usedRange();
    EXPECT_EQ(range.firstRow, 3);
    EXPECT_EQ(range.firstColumn, 2);
    EXPECT_EQ(range.rows, 4);
    EXPECT_EQ(range.columns, 4);
    EXPECT_EQ(cellText(sheet, 3, 2), "P1");
    EXPECT_EQ(cellText(sheet, 3, 3), "1000.5");
    EXPECT_EQ(cellText(sheet, 4, 4), "0.3");
    EXPECT_EQ(cellText(sheet, 4, 5), " tree ");
    EXPECT_EQ(cellText(sheet, 4, 3), "<null>");
    EXPECT_EQ(cellText(sheet, 1, 1), "<null>");
    EXPECT_EQ(book.sheet(0), nullptr);
    EXPECT_EQ(book.sheet(4), nullptr);
}

TEST(WorkbookReadTest, CellKindsBecomeNumbersOrTexts)
{
    REQUIRE_XLWT();
    const Workbook book = openGenerated("kinds.xls");
    const Sheet& s = *book.sheet(1);
    EXPECT_EQ(cellText(s, 1, 1), "2024-03-15");
    EXPECT_EQ(cellText(s, 1, 2), "2024-03-15 13:45:30");
    EXPECT_EQ(cellText(s, 1, 3), "06:30:00");
    EXPECT_EQ(cellText(s, 1, 4), "45000"); // a quoted "m" in a number format is no month
    EXPECT_EQ(cellText(s, 2, 1), "TRUE");
    EXPECT_EQ(cellText(s, 2, 2), "FALSE");
    EXPECT_EQ(cellText(s, 2, 3), "<null>"); // a formula saved without its result
    for (int column = 1; column <= 6; ++column) {
        EXPECT_EQ(cellText(s, 3, column), std::to_string((column - 1) * 100));
    }
    EXPECT_EQ(cellText(s, 4, 2), "123456789012345");
    EXPECT_EQ(cellText(s, 4, 3), "1e-07");
    EXPECT_EQ(cellText(s, 5, 1), "\xDCn\xEF"
                                 "c\xF8"
                                 "d\xE9 \x80uro"); // Windows-1252, euro sign included
    EXPECT_EQ(cellText(s, 5, 2), "?????????");     // Cyrillic has no Windows-1252 letters
    EXPECT_EQ(cellText(s, 5, 3), "<null>");        // xlwt writes an empty text as a blank cell
}

TEST(WorkbookReadTest, DatesOfThe1904SystemAreShiftedByItsEpoch)
{
    REQUIRE_XLWT();
    EXPECT_EQ(cellText(*openGenerated("dates1904.xls").sheet(1), 1, 1), "2024-03-15");
}

TEST(WorkbookReadTest, SharedStringsSplitAcrossContinueRecordsAreWhole)
{
    REQUIRE_XLWT();
    const Workbook book = openGenerated("strings.xls");
    const Sheet& s = *book.sheet(1);
    for (int row = 1; row <= 400; ++row) {
        char prefix[16];
        std::snprintf(prefix, sizeof prefix, "L%04d ", row - 1);
        const std::string latin = cellText(s, row, 1);
        ASSERT_EQ(latin.size(), 100u) << row;
        EXPECT_EQ(latin.substr(0, 6), prefix);
        EXPECT_EQ(latin.substr(6, 10), "abcdefghij");
        const std::string cyrillic = cellText(s, row, 2);
        ASSERT_EQ(cyrillic.size(), 100u) << row;
        EXPECT_EQ(cyrillic.substr(6), std::string(94, '?'));
    }
    EXPECT_EQ(cellText(s, 401, 1), std::string(5000, 'x'));
    EXPECT_EQ(cellText(s, 402, 1), std::string(5000, '?'));
    EXPECT_EQ(cellText(*book.sheet(2), 1, 1), "after the big table");
}

struct SurveyCase {
    const char* file;
    BiffVersion version;
};

class SurveyTest : public ::testing::TestWithParam<SurveyCase> {};

TEST_P(SurveyTest, GnumericWorkbooksGiveCachedFormulaResultsAndCodePageTexts)
{
    const Workbook book = Workbook::open(fixtureDir() / GetParam().file);
    EXPECT_EQ(book.version(), GetParam().version);
    ASSERT_EQ(book.sheetCount(), 3);
    EXPECT_EQ(book.sheet(2)->name(), "Dates");
    const Sheet& s = *book.sheet(1);
    EXPECT_EQ(cellText(s, 2, 5), "caf\xE9");
    EXPECT_EQ(cellText(s, 3, 5), "se\xF1"
                                 "al");
    EXPECT_EQ(cellText(s, 4, 2), "3000.75"); // number result
    EXPECT_EQ(cellText(s, 4, 3), "P1x");     // text result from the STRING record
    EXPECT_EQ(cellText(s, 4, 4), "TRUE");    // boolean result
    EXPECT_EQ(cellText(s, 4, 5), "#DIV/0!"); // error result
    EXPECT_EQ(cellText(*book.sheet(2), 1, 1), "2024-03-15");
    EXPECT_EQ(cellText(*book.sheet(2), 1, 2), "2024-03-15 06:00:00");
    const Sheet& numbers = *book.sheet(3); // MULRK rows
    EXPECT_EQ(cellText(numbers, 1, 8), "80");
    EXPECT_EQ(cellText(numbers, 2, 1), "0.5");
    EXPECT_EQ(cellText(numbers, 2, 8), "7.5");
}

INSTANTIATE_TEST_SUITE_P(Versions, SurveyTest,
                         ::testing::Values(SurveyCase{"biff7_survey.xls", BiffVersion::Biff5},
                                           SurveyCase{"biff8_survey.xls", BiffVersion::Biff8}),
                         [](const auto& testInfo) {
                             return std::string(testInfo.param.version == BiffVersion::Biff5 ? "Biff5" : "Biff8");
                         });

TEST(WorkbookReadTest, AFileThatCannotBeOpenedGivesAReportableError)
{
    try {
        Workbook::open(test::scratchDir() / "missing.xls");
        FAIL() << "no error";
    } catch (const WorkbookError& error) {
        EXPECT_NE(std::string(error.what()).find("missing.xls"), std::string::npos) << error.what();
    }
}

TEST(WorkbookReadTest, ATextFileIsNoWorkbook)
{
    const auto path = test::scratchDir() / "points.txt";
    test::writeBytes(path, Bytes{'1', ',', '2', '\n'});
    EXPECT_THROW(Workbook::open(path), WorkbookError);
}

} // namespace
} // namespace mervalon::spreadsheet

namespace mervalon::spreadsheet {
namespace {

Bytes withCodePage(std::uint16_t codePage)
{
    test::StreamSurgery s(test::readBytes(test::fixtureDir() / "biff7_survey.xls"));
    const std::size_t at = *s.find(record::kCodePage);
    storeU16(s.stream.data() + at + 4, codePage);
    return s.rebuilt();
}

TEST(WorkbookCodePageTest, Biff5TextsAreReadInTheWorkbooksCodePage)
{
    // "café" is stored as 63 61 66 E9; in Windows-1251 E9 is a Cyrillic letter, absent from 1252.
    EXPECT_EQ(Workbook::fromBytes(withCodePage(1251)).sheet(1)->cell(2, 5)->text, "caf?");
    EXPECT_EQ(Workbook::fromBytes(withCodePage(1252)).sheet(1)->cell(2, 5)->text, "caf\xE9");
    EXPECT_EQ(Workbook::fromBytes(withCodePage(367)).sheet(1)->cell(2, 5)->text, "caf?");
    EXPECT_EQ(Workbook::fromBytes(withCodePage(12345)).sheet(1)->cell(2, 5)->text, "caf\xE9"); // unknown: 1252
    // Mac Roman E9 is "È".
    EXPECT_EQ(Workbook::fromBytes(withCodePage(10000)).sheet(1)->cell(2, 5)->text, "caf\xC8");
}

TEST(WorkbookCodePageTest, Biff5TextsAreWrittenInTheWorkbooksCodePage)
{
    Workbook book = Workbook::fromBytes(withCodePage(10000));
    book.setText(1, 1, 1, "\xC8t\xE9 \x80 \xA6");
    const Workbook reread = Workbook::fromBytes(book.serialize());
    EXPECT_EQ(reread.sheet(1)->cell(1, 1)->text, "\xC8t\xE9 \x80 ?"); // Mac Roman has no broken bar
}

} // namespace
} // namespace mervalon::spreadsheet
