// Rearranging a sheet's rows (the preview's row menu) while every other cell keeps its record,
// and telling workbooks from other files before showing them.
#include "SpreadsheetTestSupport.h"
#include "core/spreadsheet/WorkbookProbe.h"

#include <gtest/gtest.h>
#include <map>
#include <sstream>

namespace mervalon::spreadsheet {
namespace {

namespace fs = std::filesystem;
using test::fixtureDir;
using test::scratchDir;

fs::path copyToScratch(const fs::path& source, const std::string& name)
{
    const fs::path target = scratchDir() / name;
    fs::copy_file(source, target, fs::copy_options::overwrite_existing);
    return target;
}

std::string dumpOf(const fs::path& path)
{
    bool missing = false;
    const auto dump = test::xlrdDump(path, missing);
    if (missing) {
        ADD_FAILURE() << "python3-xlrd is missing (apt-get install python3-xlrd)";
        return {};
    }
    EXPECT_TRUE(dump.has_value()) << "xlrd cannot read " << path;
    return dump.value_or("");
}

// The xlrd lines of `sheet` with their 0-based rows renumbered by `newRowOf`, dropping rows that
// map to -1, sorted as xlrd prints them; `extra` lines are added.
std::string remapped(const std::string& dump, const std::string& sheet, const std::map<int, int>& newRowOf,
                     const std::vector<std::string>& extra)
{
    std::map<std::pair<int, int>, std::string> lines;
    std::istringstream in(test::sheetLines(dump, sheet));
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line.substr(sheet.size() + 1));
        int row = 0;
        int column = 0;
        char bar = 0;
        fields >> row >> bar >> column;
        const int to = newRowOf.at(row);
        if (to >= 0) {
            lines[{to, column}] = sheet + "|" + std::to_string(to) + line.substr(line.find('|', sheet.size() + 1));
        }
    }
    for (const std::string& e : extra) {
        std::istringstream fields(e.substr(sheet.size() + 1));
        int row = 0;
        int column = 0;
        char bar = 0;
        fields >> row >> bar >> column;
        lines[{row, column}] = e;
    }
    std::string out;
    for (const auto& [at, text] : lines) {
        out += text + "\n";
    }
    return out;
}

std::string withoutSheet(const std::string& dump, const std::string& sheet)
{
    std::string out;
    std::istringstream in(dump);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(sheet + "|", 0) != 0) {
            out += line + "\n";
        }
    }
    return out;
}

class RowOrderTest : public ::testing::TestWithParam<const char*> {};

// Survey (B2:E5) of the gnumeric fixtures: row 4 holds formulas with a number, text, boolean and
// error result. New order: an empty row 1, old row 4, old rows 2 and 3, old row 5; old row 1 goes.
TEST_P(RowOrderTest, RowsMoveWithTheirValuesTypesAndFormulaResultsAndOtherSheetsStay)
{
    const fs::path original = fixtureDir() / GetParam();
    const fs::path path = copyToScratch(original, std::string("rows-") + GetParam());
    Workbook book = Workbook::open(path);
    book.setRowOrder(1, {0, 4, 2, 3, 5});
    book.setText(1, 1, 1, "new");
    book.save();

    const std::string before = dumpOf(original);
    const std::string after = dumpOf(path);
    EXPECT_EQ(test::sheetLines(after, "Survey"),
              remapped(before, "Survey", {{0, -1}, {1, 2}, {2, 3}, {3, 1}, {4, 4}}, {"Survey|0|0|t|new"}));
    EXPECT_EQ(withoutSheet(after, "Survey"), withoutSheet(before, "Survey"));
    // The formulas' references named the old rows: only their results are left.
    EXPECT_FALSE(test::StreamSurgery(test::readBytes(path)).find(record::kFormula).has_value());
    EXPECT_EQ(book.sheet(1)->cell(2, 3)->text, "P1x");
    ASSERT_TRUE(test::haveSsconvert()) << "ssconvert is missing (apt-get install gnumeric)";
    EXPECT_EQ(test::runCommand("ssconvert -S '" + path.string() + "' '" + path.string() + ".%n.csv' >/dev/null 2>&1"),
              0);
}

TEST_P(RowOrderTest, UneditedFormulasStayFormulasWhenNoRowMoves)
{
    const fs::path path = copyToScratch(fixtureDir() / GetParam(), std::string("formulas-") + GetParam());
    Workbook book = Workbook::open(path);
    book.setText(1, 2, 2, "P9");
    book.save();
    EXPECT_TRUE(test::StreamSurgery(test::readBytes(path)).find(record::kFormula).has_value());
    EXPECT_EQ(test::sheetLines(dumpOf(path), "Survey").substr(0, 16), "Survey|1|1|t|P9\n");
}

INSTANTIATE_TEST_SUITE_P(Versions, RowOrderTest, ::testing::Values("biff8_survey.xls", "biff7_survey.xls"));

TEST(RowOrder, IsRefusedWhenItCannotBeHonoured)
{
    Workbook book = Workbook::open(fixtureDir() / "biff8_survey.xls");
    EXPECT_THROW(book.setRowOrder(1, {2, 2}), WorkbookError);
    EXPECT_THROW(book.setRowOrder(1, std::vector<std::int32_t>(65537, 0)), WorkbookError);
    book.setText(1, 1, 1, "x");
    EXPECT_THROW(book.setRowOrder(1, {1}), WorkbookError); // cells already set at the old rows
    book.discardEdits();
    EXPECT_EQ(book.sheet(1)->cell(1, 1), nullptr);
    EXPECT_NO_THROW(book.setRowOrder(1, {2}));
    EXPECT_EQ(book.sheet(1)->cell(1, 2)->text, "P1");
    EXPECT_THROW(book.setRowOrder(1, {1}), WorkbookError); // a second rearrangement
    Workbook biff5 = Workbook::open(fixtureDir() / "biff7_survey.xls");
    EXPECT_THROW(biff5.setRowOrder(1, std::vector<std::int32_t>(16385, 0)), WorkbookError);
}

struct ProbeCase {
    const char* name;
    Bytes bytes; // empty: the BIFF8 fixture itself
    WorkbookProbe expected;
};

TEST(WorkbookProbe, TellsWorkbooksDamagedWorkbooksAndOtherFilesApart)
{
    const Bytes good = test::readBytes(fixtureDir() / "biff8_survey.xls");
    Bytes encrypted;
    {
        test::StreamSurgery s(good);
        s.insert(20, record::kFilePass, Bytes(54, 0)); // right after the globals BOF
        encrypted = s.rebuilt();
    }
    const std::vector<ProbeCase> cases = {
        {"workbook.txt", good, WorkbookProbe::Workbook},
        {"truncated.xls", Bytes(good.begin(), good.begin() + 1024), WorkbookProbe::Unreadable},
        {"encrypted.xls", encrypted, WorkbookProbe::Unreadable},
        {"bare-bof.xls", {0x09, 0x08, 0x10, 0x00, 0x00, 0x06}, WorkbookProbe::Unreadable},
        {"points.xls", {'P', '1', ',', '1', '0', '\r', '\n'}, WorkbookProbe::NotWorkbook},
        {"empty.xls", {}, WorkbookProbe::NotWorkbook},
    };
    for (const ProbeCase& c : cases) {
        const fs::path path = scratchDir() / c.name;
        test::writeBytes(path, c.bytes);
        const ProbedFile probed = probeWorkbook(path);
        EXPECT_EQ(probed.kind, c.expected) << c.name;
        EXPECT_EQ(probed.workbook.has_value(), c.expected == WorkbookProbe::Workbook) << c.name;
        EXPECT_EQ(probed.error.empty(), c.expected != WorkbookProbe::Unreadable) << c.name;
    }
    EXPECT_EQ(probeWorkbook(scratchDir() / "no such file").kind, WorkbookProbe::NotWorkbook);
}

} // namespace
} // namespace mervalon::spreadsheet
