#include "SpreadsheetTestSupport.h"
#include "core/spreadsheet/SheetRows.h"

#include <gtest/gtest.h>

namespace mervalon::spreadsheet {
namespace {

using FieldList = RowTexts;
using test::generatedFixtures;

#define REQUIRE_XLWT() MERVALON_REQUIRE_PEER(generatedFixtures(), "python3-xlwt")

std::vector<FieldList> rowsOf(const SheetRows& result)
{
    return std::get<std::vector<FieldList>>(result);
}

TEST(SheetRowsTest, RowNumbersAreTheSheetsOwnEvenWhenTheUsedRangeStartsAwayFromA1)
{
    REQUIRE_XLWT();
    const auto path = *generatedFixtures() / "points.xls";
    // Used range B3:E6: row 3 is the third row the user sees, and column B becomes field 1.
    const auto all = rowsOf(readSheetRows(path, 1, SheetSelector{1, "1"}));
    const std::vector<FieldList> expected{
        {},
        {},
        {"P1", "1000.5", "2000.25", "15"},
        {"P2", "0.3", " tree "}, // the null cell in column C is skipped; the text is not trimmed
        {},
        {"-12345678.125"},
    };
    EXPECT_EQ(all, expected);
    const auto fromThree = rowsOf(readSheetRows(path, 3, SheetSelector{1, "1"}));
    EXPECT_EQ(fromThree, std::vector<FieldList>(expected.begin() + 2, expected.end()));
    EXPECT_EQ(rowsOf(readSheetRows(path, 0, SheetSelector{1, "1"})), expected);
    EXPECT_TRUE(rowsOf(readSheetRows(path, 7, SheetSelector{1, "1"})).empty());
}

struct SelectorCase {
    std::int32_t number;
    const char* text;
    const char* sheet; // nullptr: not found
};

TEST(SheetRowsTest, SheetsAreChosenByNumberOrByExactName)
{
    REQUIRE_XLWT();
    const Workbook book = Workbook::open(*generatedFixtures() / "points.xls"); // Points, Second, 3
    const SelectorCase cases[] = {
        {1, "1", "Points"},
        {2, "2", "Second"},
        {3, "3", "3"},
        {0, "0", nullptr},
        {4, "4", nullptr},
        {-1, "Second", "Second"},
        {-1, "second", nullptr},
        {-1, "Second ", nullptr},
        {-1, "3", "3"},
        {7, "3", "3"}, // beyond the count: the typed text is tried as a name
        {-5, "Points", "Points"},
    };
    for (const auto& c : cases) {
        const Sheet* sheet = selectSheet(book, SheetSelector{c.number, c.text});
        if (c.sheet == nullptr) {
            EXPECT_EQ(sheet, nullptr) << c.number << " " << c.text;
        } else {
            ASSERT_NE(sheet, nullptr) << c.number << " " << c.text;
            EXPECT_EQ(sheet->name(), c.sheet);
        }
    }
}

TEST(SheetRowsTest, AMissingSheetIsSheetNotFound)
{
    REQUIRE_XLWT();
    const auto result = readSheetRows(*generatedFixtures() / "points.xls", 1, SheetSelector{-1, "Nope"});
    EXPECT_TRUE(std::holds_alternative<SheetNotFound>(result));
}

TEST(SheetRowsTest, AnUnreadableWorkbookThrows)
{
    EXPECT_THROW(readSheetRows(test::scratchDir() / "none.xls", 1, SheetSelector{1, "1"}), WorkbookError);
}

TEST(SheetRowsTest, CellsWithoutValueOrWithAnEmptyTextAreSkipped)
{
    Sheet sheet("S", SheetKind::Worksheet);
    sheet.put(0, 0, CellValue::ofText("12"));
    sheet.put(0, 1, CellValue::ofText(""));
    sheet.put(0, 2, CellValue::ofNumber(1000.5));
    sheet.put(0, 3, CellValue::ofNumber(2000.25));
    sheet.put(1, 1, CellValue::ofText(""));
    sheet.put(2, 5, CellValue::ofText("  "));
    const std::vector<FieldList> expected{{"12", "1000.5", "2000.25"}, {}, {"  "}};
    EXPECT_EQ(sheetRows(sheet, 1), expected);
}

TEST(SheetRowsTest, AnEmptySheetHasNoRows)
{
    EXPECT_TRUE(sheetRows(Sheet("S", SheetKind::Worksheet), 1).empty());
}

} // namespace
} // namespace mervalon::spreadsheet
