#include "SpreadsheetTestSupport.h"
#include "core/spreadsheet/SheetRows.h"

#include <gtest/gtest.h>

namespace mervalon::spreadsheet {
namespace {

namespace fs = std::filesystem;

// The workbooks of make_kinds.py, made once per run (see makeWorkbooks).
const test::MadeWorkbooks& peerWorkbooks()
{
    static const test::MadeWorkbooks made = test::makeWorkbooks("make_kinds.py", "kinds");
    return made;
}

std::vector<RowTexts> rowsOf(const fs::path& path, const SheetSelector& selector, std::int32_t firstLine)
{
    return std::get<std::vector<RowTexts>>(readSheetRows(path, firstLine, selector));
}

// The same cells give the same rows whichever program saved them in whichever kind of workbook.
TEST(PeerWorkbooksTest, XlsXlsxAndOdsOfTheSameCellsGiveTheSameRows)
{
    const test::MadeWorkbooks& made = peerWorkbooks();
    MERVALON_REQUIRE_PEER(made.missing.empty(), made.missing);
    const std::vector<RowTexts> points = {
        {"Number", "East", "North", "Elevation", "Description", "Code"},
        {"BM1", "1000.5", "2000.25", "15.25", "benchmark", "0"},
        {"2", "1010.5", "2000", "15.4", "road", "1"},
        {"3", "1020.75", "2001.5", "15.55", "road", "2"},
        {"4", "1031", "2003.125", "15.6", "road", "3"},
        {},
        {"6", "abc", "2010", "15", "fence", "1"},
        {"7", "1040", "2012.5", "14.875", "house"},
        {"8", "1041", "2013", "14.9", "house", "1"},
        {"9", "1042", "2013.5", "14.95", "house", "3"},
    };
    const std::vector<RowTexts> kinds = {
        {"2024-03-15", "2024-03-15 06:30:00", "TRUE", "FALSE", "0.1", "-2.5", "123456789012", "x y"},
        {"2024-02-29 23:59:59", "1e-07", "caf\xE9"},
    };
    for (const char* name : {"points.xls", "points.xlsx", "points.ods"}) {
        SCOPED_TRACE(name);
        const fs::path path = made.folder / name;
        EXPECT_EQ(rowsOf(path, {1, "1"}, 1), points);
        EXPECT_EQ(rowsOf(path, {-1, "Kinds"}, 1), kinds);
        EXPECT_EQ(rowsOf(path, {2, "2"}, 2), std::vector<RowTexts>(kinds.begin() + 1, kinds.end()));
    }
}

} // namespace
} // namespace mervalon::spreadsheet
