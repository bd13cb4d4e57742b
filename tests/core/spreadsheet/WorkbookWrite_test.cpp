#include "FileSizeLimit.h"
#include "SpreadsheetTestSupport.h"
#include "core/io/ReplaceFile.h"
#include "core/spreadsheet/SheetRows.h"
#include "core/spreadsheet/Workbook.h"

#include <gtest/gtest.h>

namespace mervalon::spreadsheet {
namespace {

namespace fs = std::filesystem;
using test::fixtureDir;
using test::generatedFixtures;
using test::scratchDir;

fs::path copyToScratch(const fs::path& source, const std::string& name)
{
    const fs::path target = scratchDir() / name;
    fs::copy_file(source, target, fs::copy_options::overwrite_existing);
    return target;
}

// What the preview's save does with a small grid: clear, then write every grid cell.
void writeGrid(Workbook& book, int sheet)
{
    book.clearUsedRange(sheet);
    book.setText(sheet, 1, 1, "P1");
    book.setNumber(sheet, 1, 2, 1000.5);
    book.setText(sheet, 1, 3, "12,5");
    book.setText(sheet, 2, 1, "");
    book.setNumber(sheet, 2, 2, 12.5);
    book.setText(sheet, 2, 3, "caf\xE9");
    book.setNumber(sheet, 40, 3, -3);
}

const char* const kGridLines = "|0|0|t|P1\n"
                               "|0|1|n|1000.5\n"
                               "|0|2|t|12,5\n"
                               "|1|0|t|\n"
                               "|1|1|n|12.5\n"
                               "|1|2|t|caf\xC3\xA9\n"
                               "|39|2|n|-3\n";

std::string gridLinesFor(const std::string& sheet)
{
    std::string out;
    std::string lines = kGridLines;
    std::size_t pos = 0;
    while (pos < lines.size()) {
        const std::size_t end = lines.find('\n', pos);
        out += sheet + lines.substr(pos, end - pos + 1);
        pos = end + 1;
    }
    return out;
}

void expectGridInOurReader(const fs::path& path, int sheet)
{
    const Workbook reread = Workbook::open(path);
    const Sheet& s = *reread.sheet(sheet);
    EXPECT_EQ(s.cell(1, 1)->text, "P1");
    EXPECT_EQ(s.cell(1, 2)->number, 1000.5);
    EXPECT_EQ(s.cell(1, 3)->text, "12,5");
    EXPECT_EQ(s.cell(2, 1)->text, "");
    EXPECT_EQ(s.cell(2, 3)->text, "caf\xE9");
    EXPECT_EQ(s.cell(40, 3)->number, -3);
    EXPECT_EQ(s.usedRange().rows, 40);
    EXPECT_EQ(s.usedRange().columns, 3);
}

// gnumeric opens the file and shows the grid on sheet `sheet` (1-based).
void expectGnumericShowsGrid(const fs::path& path, int sheet)
{
    if (!test::haveSsconvert()) {
        return;
    }
    const std::string pattern = path.string() + ".%n.csv";
    ASSERT_EQ(test::runCommand("ssconvert -S '" + path.string() + "' '" + pattern + "' >/dev/null 2>&1"), 0);
    const std::string csv = test::readText(path.string() + "." + std::to_string(sheet - 1) + ".csv");
    EXPECT_EQ(csv.substr(0, 22), "P1,1000.5,\"12,5\"\n,12.5") << path;
}

void expectPeersAgree(const fs::path& before, const fs::path& after, const std::string& edited, int sheet)
{
    bool skipped = false;
    const auto old = test::xlrdDump(before, skipped);
    MERVALON_REQUIRE_PEER(!skipped, "python3-xlrd");
    ASSERT_TRUE(old.has_value()) << "xlrd cannot read " << before;
    const auto now = test::xlrdDump(after, skipped);
    ASSERT_TRUE(now.has_value()) << "xlrd cannot read the saved " << after;
    EXPECT_EQ(test::sheetLines(*now, edited), gridLinesFor(edited));
    // Every other sheet reads exactly as before.
    std::string oldRest;
    std::string nowRest;
    for (const auto* dump : {&*old, &*now}) {
        std::string rest;
        std::size_t pos = 0;
        while (pos < dump->size()) {
            const std::size_t end = dump->find('\n', pos);
            const std::string line = dump->substr(pos, end - pos + 1);
            if (line.rfind(edited + "|", 0) != 0) {
                rest += line;
            }
            pos = end + 1;
        }
        (dump == &*old ? oldRest : nowRest) = rest;
    }
    EXPECT_EQ(nowRest, oldRest);
    expectGnumericShowsGrid(after, sheet);
}

struct SaveCase {
    const char* file;
    bool generated;
    int sheet;
    const char* sheetName;
};

class SaveTest : public ::testing::TestWithParam<SaveCase> {};

TEST_P(SaveTest, SavedSheetReadsBackInUsAndInPeersAndOtherSheetsStayAsTheyWere)
{
    const SaveCase& c = GetParam();
    MERVALON_REQUIRE_PEER(!c.generated || generatedFixtures(), "python3-xlwt");
    const fs::path source = (c.generated ? *generatedFixtures() : fixtureDir()) / c.file;
    const fs::path path = copyToScratch(source, std::string("saved-") + c.file);
    Workbook book = Workbook::open(path);
    const BiffVersion version = book.version();
    writeGrid(book, c.sheet);
    book.save();
    EXPECT_EQ(book.sheet(c.sheet)->cell(1, 1)->text, "P1"); // the object now describes the saved file
    const Workbook reread = Workbook::open(path);
    EXPECT_EQ(reread.version(), version);
    expectGridInOurReader(path, c.sheet);
    expectPeersAgree(source, path, c.sheetName, c.sheet);
}

INSTANTIATE_TEST_SUITE_P(
    Workbooks, SaveTest,
    ::testing::Values(SaveCase{"biff8_survey.xls", false, 1, "Survey"}, SaveCase{"biff8_survey.xls", false, 2, "Dates"},
                      SaveCase{"biff7_survey.xls", false, 1, "Survey"},
                      SaveCase{"biff7_survey.xls", false, 3, "Numbers"}, SaveCase{"points.xls", true, 2, "Second"},
                      SaveCase{"strings.xls", true, 1, "Strings"}, SaveCase{"strings.xls", true, 2, "After"}),
    [](const auto& testInfo) {
        std::string name = testInfo.param.file;
        name = name.substr(0, name.find('.')) + "_sheet" + std::to_string(testInfo.param.sheet);
        return name;
    });

TEST(WorkbookWriteTest, ManyNewTextsGrowTheSharedStringTableAcrossContinueRecords)
{
    MERVALON_REQUIRE_PEER(generatedFixtures(), "python3-xlwt");
    const fs::path path = copyToScratch(*generatedFixtures() / "strings.xls", "grown.xls");
    Workbook book = Workbook::open(path);
    for (int row = 1; row <= 300; ++row) {
        book.setText(2, row, 1, "new text number " + std::to_string(row) + std::string(80, 'n'));
    }
    book.setText(2, 301, 1, std::string(9000, 'z')); // longer than one record
    book.save();
    const Workbook reread = Workbook::open(path);
    EXPECT_EQ(reread.sheet(2)->cell(300, 1)->text, "new text number 300" + std::string(80, 'n'));
    EXPECT_EQ(reread.sheet(2)->cell(301, 1)->text, std::string(9000, 'z'));
    EXPECT_EQ(reread.sheet(1)->cell(401, 1)->text, std::string(5000, 'x'));
    bool skipped = false;
    const auto dump = test::xlrdDump(path, skipped);
    MERVALON_REQUIRE_PEER(!skipped, "python3-xlrd");
    ASSERT_TRUE(dump.has_value());
    EXPECT_NE(dump->find("After|299|0|t|new text number 300"), std::string::npos);
    EXPECT_NE(dump->find("After|300|0|t|" + std::string(9000, 'z') + "\n"), std::string::npos);
    EXPECT_NE(dump->find("Strings|399|0|t|L0399 abcdefghij"), std::string::npos);
}

TEST(WorkbookWriteTest, SettingCellsWithoutClearingKeepsTheOthers)
{
    const fs::path path = copyToScratch(fixtureDir() / "biff8_survey.xls", "partial.xls");
    Workbook book = Workbook::open(path);
    book.setNumber(3, 1, 2, 99);       // inside a MULRK run
    book.setText(1, 4, 3, "replaced"); // a formula with a text result
    book.save();
    const Workbook reread = Workbook::open(path);
    const Sheet& numbers = *reread.sheet(3);
    EXPECT_EQ(numbers.cell(1, 1)->number, 10);
    EXPECT_EQ(numbers.cell(1, 2)->number, 99);
    EXPECT_EQ(numbers.cell(1, 3)->number, 30);
    EXPECT_EQ(reread.sheet(1)->cell(4, 3)->text, "replaced");
    EXPECT_EQ(reread.sheet(1)->cell(4, 2)->toText(), "3000.75");
    EXPECT_EQ(reread.sheet(1)->cell(2, 5)->text, "caf\xE9");
    bool skipped = false;
    const auto dump = test::xlrdDump(path, skipped);
    MERVALON_REQUIRE_PEER(!skipped, "python3-xlrd");
    ASSERT_TRUE(dump.has_value());
    EXPECT_NE(dump->find("Numbers|0|1|n|99\n"), std::string::npos);
    EXPECT_NE(dump->find("Survey|3|2|t|replaced\n"), std::string::npos);
}

TEST(WorkbookWriteTest, ReplacingOneCellOfAMulRkRunKeepsItsNeighbours)
{
    MERVALON_REQUIRE_PEER(generatedFixtures(), "python3-xlwt");
    const fs::path path = copyToScratch(*generatedFixtures() / "kinds.xls", "mulrk.xls");
    Workbook book = Workbook::open(path);
    book.setText(1, 3, 3, "in the run");
    book.save();
    const Workbook reread = Workbook::open(path);
    const Sheet& s = *reread.sheet(1);
    EXPECT_EQ(s.cell(3, 2)->number, 100);
    EXPECT_EQ(s.cell(3, 3)->text, "in the run");
    EXPECT_EQ(s.cell(3, 4)->number, 300);
    EXPECT_EQ(s.cell(3, 6)->number, 500);
    EXPECT_EQ(s.cell(1, 1)->text, "2024-03-15"); // its date format is kept
    bool skipped = false;
    const auto dump = test::xlrdDump(path, skipped);
    MERVALON_REQUIRE_PEER(!skipped, "python3-xlrd");
    ASSERT_TRUE(dump.has_value());
    EXPECT_NE(dump->find("Kinds|2|1|n|100\nKinds|2|2|t|in the run\nKinds|2|3|n|300\n"), std::string::npos);
}

TEST(WorkbookWriteTest, OtherStreamsOfTheContainerAreKept)
{
    const fs::path path = copyToScratch(fixtureDir() / "biff7_survey.xls", "streams.xls");
    const CompoundFile before(test::readBytes(path));
    Workbook book = Workbook::open(path);
    writeGrid(book, 1);
    book.save();
    const CompoundFile after(test::readBytes(path));
    for (const char* name : {"\x05SummaryInformation", "\x05"
                                                       "DocumentSummaryInformation"}) {
        const auto a = before.findRootStream({name});
        const auto b = after.findRootStream({name});
        ASSERT_TRUE(a && b) << name;
        EXPECT_EQ(before.readStream(*a), after.readStream(*b)) << name;
    }
}

TEST(WorkbookWriteTest, Version4ContainersStayVersion4)
{
    MERVALON_REQUIRE_PEER(test::havePython(), "python3");
    const fs::path path = scratchDir() / "v4.xls";
    const int rc = test::runCommand("/usr/bin/python3 '" + (fixtureDir() / "make_fixtures.py").string() + "' v4 '" +
                                    (fixtureDir() / "biff8_survey.xls").string() + "' '" + path.string() + "'");
    MERVALON_REQUIRE_PEER(rc != 3, "python3-olefile");
    ASSERT_EQ(rc, 0);
    Workbook book = Workbook::open(path);
    EXPECT_EQ(book.sheet(1)->cell(2, 5)->text, "caf\xE9");
    writeGrid(book, 1);
    book.save();
    EXPECT_EQ(CompoundFile(test::readBytes(path)).majorVersion(), 4);
    expectGridInOurReader(path, 1);
    EXPECT_EQ(test::runCommand("/usr/bin/python3 -c \"import olefile,sys; o=olefile.OleFileIO(sys.argv[1]); "
                               "sys.exit(0 if o.sectorsize == 4096 and o.exists('Workbook') else 1)\" '" +
                               path.string() + "'"),
              0);
    expectGnumericShowsGrid(path, 1);
}

TEST(WorkbookWriteTest, AFailedSaveLeavesTheOriginalUntouched)
{
    const fs::path folder = scratchDir() / "blocked";
    fs::create_directories(folder);
    const fs::path path = copyToScratch(fixtureDir() / "biff8_survey.xls", "blocked/book.xls");
    const Bytes original = test::readBytes(path);
    Workbook book = Workbook::open(path);
    writeGrid(book, 1);
    {
        // Writes beyond a few hundred bytes fail, as on a full disk, also for root.
        const testsupport::FileSizeLimit limit(512);
        EXPECT_THROW(book.save(), WorkbookError);
    }
    EXPECT_EQ(test::readBytes(path), original);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
    EXPECT_EQ(book.sheet(1)->cell(1, 1)->text, "P1"); // the edits are still there to retry
}

// A write-protected workbook is refused as the user's spreadsheet program refuses it.
TEST(WorkbookWriteTest, AWriteProtectedWorkbookIsRefusedAndKept)
{
    const fs::path path = copyToScratch(fixtureDir() / "biff8_survey.xls", "protected-book.xls");
    const Bytes original = test::readBytes(path);
    Workbook book = Workbook::open(path);
    writeGrid(book, 1);
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    try {
        book.save();
        ADD_FAILURE() << "a write-protected workbook was replaced";
    } catch (const WorkbookError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Cannot save the workbook \"" + path.string() + "\". " + io::kWriteProtected);
    }
    EXPECT_EQ(test::readBytes(path), original);
    fs::remove(path);
}

TEST(WorkbookWriteTest, AFailedSaveOnAVanishedFolderThrowsAndLeavesNoFile)
{
    const fs::path folder = scratchDir() / "vanishing";
    fs::create_directories(folder);
    const fs::path path = copyToScratch(fixtureDir() / "biff8_survey.xls", "vanishing/book.xls");
    Workbook book = Workbook::open(path);
    fs::remove_all(folder);
    EXPECT_THROW(book.save(), WorkbookError);
    EXPECT_FALSE(fs::exists(folder));
}

TEST(WorkbookWriteTest, CellsOutsideTheVersionsGridAreRefused)
{
    Workbook book = Workbook::open(fixtureDir() / "biff7_survey.xls");
    EXPECT_THROW(book.setNumber(1, 16385, 1, 1), WorkbookError);
    EXPECT_THROW(book.setNumber(1, 1, 257, 1), WorkbookError);
    EXPECT_THROW(book.setNumber(1, 0, 1, 1), WorkbookError);
    EXPECT_THROW(book.setNumber(4, 1, 1, 1), WorkbookError);
    EXPECT_NO_THROW(book.setNumber(1, 16384, 256, 1));
    Workbook book8 = Workbook::open(fixtureDir() / "biff8_survey.xls");
    EXPECT_NO_THROW(book8.setNumber(1, 65536, 1, 1));
    EXPECT_THROW(book8.setNumber(1, 65537, 1, 1), WorkbookError);
}

TEST(WorkbookWriteTest, Biff5TextsAreCutToTheirVersionsLimit)
{
    const fs::path path = copyToScratch(fixtureDir() / "biff7_survey.xls", "long7.xls");
    Workbook book = Workbook::open(path);
    book.setText(1, 1, 1, std::string(300, 'a'));
    book.save();
    EXPECT_EQ(Workbook::open(path).sheet(1)->cell(1, 1)->text, std::string(255, 'a'));
}

} // namespace
} // namespace mervalon::spreadsheet

namespace mervalon::spreadsheet {
namespace {

TEST(WorkbookDualStreamTest, SavingAFileWithBothStreamsDropsTheStaleExcel5Copy)
{
    MERVALON_REQUIRE_PEER(test::haveSsconvert(), "gnumeric");
    const fs::path path = test::scratchDir() / "dual.xls";
    ASSERT_EQ(test::runCommand("ssconvert -T Gnumeric_Excel:excel_dsf '" +
                               (test::fixtureDir() / "biff8_survey.xls").string() + "' '" + path.string() +
                               "' >/dev/null 2>&1"),
              0);
    ASSERT_TRUE(CompoundFile(test::readBytes(path)).findRootStream({"Book"}).has_value());
    Workbook book = Workbook::open(path);
    EXPECT_EQ(book.version(), BiffVersion::Biff8);
    book.setText(1, 1, 1, "P1");
    book.save();

    const CompoundFile saved(test::readBytes(path));
    EXPECT_FALSE(saved.findRootStream({"Book"}).has_value());
    for (const char* name : {"Workbook", "\x05SummaryInformation",
                             "\x05"
                             "DocumentSummaryInformation"}) {
        EXPECT_TRUE(saved.findRootStream({name}).has_value()) << name;
    }
    test::StreamSurgery s(test::readBytes(path));
    const auto dsf = s.find(record::kDsf);
    ASSERT_TRUE(dsf.has_value());
    EXPECT_EQ(loadU16(s.stream.data() + *dsf + 4), 0);
    EXPECT_EQ(Workbook::open(path).sheet(1)->cell(1, 1)->text, "P1");
    bool skipped = false;
    const auto dump = test::xlrdDump(path, skipped);
    MERVALON_REQUIRE_PEER(!skipped, "python3-xlrd");
    ASSERT_TRUE(dump.has_value());
    EXPECT_NE(dump->find("Survey|0|0|t|P1\n"), std::string::npos);
    EXPECT_EQ(test::runCommand("ssconvert '" + path.string() + "' '" + path.string() + ".csv' >/dev/null 2>&1"), 0);
    EXPECT_EQ(test::readText(path.string() + ".csv").substr(0, 3), "P1,");
    EXPECT_EQ(test::runCommand("/usr/bin/python3 -c \"import olefile,sys; o=olefile.OleFileIO(sys.argv[1]); "
                               "sys.exit(0 if not o.exists('Book') and o.exists('Workbook') else 1)\" '" +
                               path.string() + "' 2>/dev/null"),
              0);
}

} // namespace
} // namespace mervalon::spreadsheet
