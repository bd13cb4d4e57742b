#include "DrawingSetup.h"
#include "EngineTestSupport.h"
#include "core/engine/BatchRun.h"
#include "core/engine/FileConverter.h"
#include "core/engine/RunLog.h"
#include "core/engine/TextReader.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using mervalon::formats::PointValue;

using mervalon::config::Configuration;
using mervalon::config::EntityKind;
using mervalon::engine::destinationName;
using mervalon::engine::ErrorPolicy;
using mervalon::engine::FieldList;
using mervalon::engine::FieldRows;
using mervalon::engine::runBatch;
using mervalon::engine::RunFile;
using mervalon::engine::runFilesOf;
using mervalon::engine::RunNotStarted;
using mervalon::engine::RunRequest;
using mervalon::engine::sheetNumberOf;
using mervalon::enginetest::crlf;
using mervalon::enginetest::RecordingProgress;
using mervalon::enginetest::TempFolderTest;
using mervalon::formats::FormatDefinition;

using mervalon::testsupport::draw;
using mervalon::testsupport::formatOfColumns;

namespace {

using Lines = std::vector<std::string>;

Lines operator+(Lines a, const Lines& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

FormatDefinition commaFormat()
{
    return formatOfColumns("penzd comma", ",",
                           {PointValue::Number, PointValue::X, PointValue::Y, PointValue::Z, PointValue::Description});
}

Configuration pointsOnly()
{
    Configuration c;
    draw(c, EntityKind::Point, "PTS");
    c.layout.distance = "0.5";
    return c;
}

// Asks to stop once the conversions have let events run `limit` times.
class StopAfterPumps : public RecordingProgress {
  public:
    explicit StopAfterPumps(std::size_t limit) : m_limit(limit) {}
    [[nodiscard]] bool isStopRequested() const override { return pumps >= m_limit; }

  private:
    std::size_t m_limit;
};

Lines headerOf(const std::string& formatLine,
               const Lines& modifiers = {"    Renumber Points    : No", "    Modify Coordinates : No"},
               const Lines& zOption = {"    Use a default Z value : No"})
{
    return Lines{"Mervalon Report - 2026-12-08 19:30:00",
                 std::string(37, '-'),
                 "",
                 formatLine,
                 "    Import Number/Label  : Yes",
                 "    Import X coordinate  : Yes",
                 "    Import Y coordinate  : Yes",
                 "    Import Z coordinate  : Yes",
                 "    Import Description   : Yes",
                 "    Import Polyline code : No",
                 "",
                 ">> Data modifiers"} +
           modifiers + Lines{"", ">> Z coordinate option"} + zOption + Lines{"", ""};
}

// The least that can begin a drawing: a section, and the opening of the LAYER table.
const std::string kStandInPrologue = "  0\r\nSECTION\r\n  2\r\nTABLES\r\n  0\r\nTABLE\r\n  2\r\nLAYER\r\n 70\r\n";

class BatchRunTest : public TempFolderTest {
  protected:
    void SetUp() override
    {
        TempFolderTest::SetUp();
        std::filesystem::create_directories(pathOf("install"));
        std::filesystem::create_directories(pathOf("src"));
        std::filesystem::create_directories(pathOf("dest"));
        writeFile("install/dxf.dat", kStandInPrologue);
        request.runConfiguration = pointsOnly();
        request.format = commaFormat();
        request.installDir = pathOf("install");
        request.reportPath = pathOf("install/mervalon40.log");
        request.timestamp = "2026-12-08 19:30:00";
    }

    void useFiles(const std::vector<std::string>& names)
    {
        request.files = runFilesOf(names, pathOf("src").string(), pathOf("dest").string());
    }

    bool run(mervalon::engine::ProgressSink& sink)
    {
        const bool errors = runBatch(request, sink);
        report = readFile(request.reportPath);
        return errors;
    }
    bool run() { return run(progress); }

    std::string src(const std::string& name) const { return pathOf("src").string() + "/" + name; }
    std::string dest(const std::string& name) const { return pathOf("dest").string() + "/" + name; }

    static Lines pointFile(const std::string& path)
    {
        const std::string heading = "Point file : " + path;
        return {heading, std::string(heading.size(), '-')};
    }
    Lines convertedBlock(const std::string& name, const std::string& dxf, std::size_t lines) const
    {
        return pointFile(src(name)) + Lines{"", ">> " + std::to_string(lines) + " lines processed.",
                                            ">> Dxf file created: " + dest(dxf), "", ""};
    }

    RunRequest request;
    RecordingProgress progress;
    std::string report;
};

} // namespace

TEST(DestinationName, CutsAtTheFirstPoint)
{
    const struct {
        const char* source;
        const char* destination;
    } cases[] = {{"site.txt", "site.dxf"}, {"site.2024.txt", "site.dxf"}, {"README", "dxf"}, {".hidden", ".dxf"},
                 {"a.", "a.dxf"},          {"SITE.TXT", "SITE.dxf"}};
    for (const auto& c : cases) {
        EXPECT_EQ(destinationName(c.source), c.destination) << c.source;
    }
}

TEST(RunFiles, FoldersGetAFinalSeparator)
{
    const auto files = runFilesOf({"a.txt", "b.csv"}, "/data/in", "/data/out/");
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].source, "/data/in/a.txt");
    EXPECT_EQ(files[0].destination, "/data/out/a.dxf");
    EXPECT_EQ(files[1].destination, "/data/out/b.dxf");
}

TEST(SheetNumber, OnlyANumberChosenByNumberCounts)
{
    FormatDefinition f;
    f.sheetByNumber = 1;
    f.sheet = "4";
    EXPECT_EQ(sheetNumberOf(f), 4);
    f.sheet = "0";
    EXPECT_EQ(sheetNumberOf(f), 0);
    f.sheet = "Trees";
    EXPECT_EQ(sheetNumberOf(f), -1);
    f.sheet = "99999999999";
    EXPECT_EQ(sheetNumberOf(f), -1);
    f.sheet = "4";
    f.sheetByNumber = 0;
    EXPECT_EQ(sheetNumberOf(f), -1);
}

TEST_F(BatchRunTest, EmptyFileListWritesTheHeaderOnly)
{
    EXPECT_FALSE(run());
    EXPECT_EQ(report, crlf(headerOf(">> Point file Format : penzd comma (Text format)")));
}

TEST_F(BatchRunTest, ModifiersAndDefaultZAreSummed)
{
    request.runConfiguration.modifiers.renumber = 1;
    request.runConfiguration.modifiers.modifyCoordinates = 1;
    request.runConfiguration.modifiers.xOffset = -2.5;
    request.runConfiguration.modifiers.yOffset = 0.0;
    request.runConfiguration.modifiers.zOffset = -0.25;
    request.runConfiguration.modifiers.useDefaultZ = 1;
    request.runConfiguration.modifiers.defaultZ = -12.5;
    request.format.isExcel = 1;
    request.format.name = "excel penzdc";
    request.format.value(PointValue::Code).column = 6;
    run();
    Lines expected =
        headerOf(">> Point file Format : excel penzdc (Excel format)",
                 {"    Renumber Points    : Yes", "    Modify Coordinates : Yes", "       X modifier : -2.500",
                  "       Y modifier : +0.000", "       Z modifier : -0.250"},
                 {"    Use a default Z value : Yes", "       Value : -12.500"});
    expected[9] = "    Import Polyline code : Yes";
    EXPECT_EQ(report, crlf(expected));
}

TEST_F(BatchRunTest, OffsetsAreRoundedToThreeDecimals)
{
    request.runConfiguration.modifiers.modifyCoordinates = 1;
    request.runConfiguration.modifiers.xOffset = 1234567.0006;
    request.runConfiguration.modifiers.yOffset = 0.0004;
    request.runConfiguration.modifiers.zOffset = -0.0;
    run();
    EXPECT_NE(report.find("\r\n       X modifier : +1234567.001\r\n"), std::string::npos) << report;
    EXPECT_NE(report.find("\r\n       Y modifier : +0.000\r\n"), std::string::npos) << report;
    EXPECT_NE(report.find("\r\n       Z modifier : +0.000\r\n"), std::string::npos) << report;
}

TEST_F(BatchRunTest, ThreeFilesWithAnUncreatableSecondDestination)
{
    writeFile("src/a.txt", "1,10,20,5,a\r\n");
    writeFile("src/b.txt", "2,10,20,5,b\r\n");
    writeFile("src/c.txt", "3,10,20,5,c\r\n4,10,20,5,d\r\n");
    std::filesystem::create_directories(pathOf("dest/b.dxf")); // a folder stands where the drawing would go
    useFiles({"a.txt", "b.txt", "c.txt"});
    EXPECT_TRUE(run());
    const Lines expected = headerOf(">> Point file Format : penzd comma (Text format)") +
                           convertedBlock("a.txt", "a.dxf", 1) + pointFile(src("b.txt")) +
                           Lines{"  ! Error: \"" + dest("b.dxf") + "\" cannot be created: Is a directory !", "", ""} +
                           convertedBlock("c.txt", "c.dxf", 2);
    EXPECT_EQ(report, crlf(expected));
    EXPECT_EQ(progress.fileStarts, (std::vector<std::string>{"1/3", "2/3", "3/3"}));
    EXPECT_TRUE(std::filesystem::exists(pathOf("dest/c.dxf")));
}

TEST_F(BatchRunTest, UncreatableDestinationEndsTheRunUnderAbortProcess)
{
    writeFile("src/a.txt", "1,10,20,5,a\r\n");
    writeFile("src/b.txt", "2,10,20,5,b\r\n");
    std::filesystem::create_directories(pathOf("dest/a.dxf"));
    useFiles({"a.txt", "b.txt"});
    request.errorPolicy = ErrorPolicy::AbortProcess;
    EXPECT_TRUE(run());
    EXPECT_EQ(report, crlf(headerOf(">> Point file Format : penzd comma (Text format)") + pointFile(src("a.txt")) +
                           Lines{"  ! Error: \"" + dest("a.dxf") + "\" cannot be created: Is a directory !", "", "",
                                 ">> Process aborted."}));
    EXPECT_FALSE(std::filesystem::exists(pathOf("dest/b.dxf")));
}

TEST_F(BatchRunTest, StopBeforeTheLastFile)
{
    writeFile("src/a.txt", "1,10,20,5,a\r\n");
    writeFile("src/b.txt", "2,10,20,5,b\r\n");
    writeFile("src/c.txt", "3,10,20,5,c\r\n");
    useFiles({"a.txt", "b.txt", "c.txt"});
    StopAfterPumps sink(2);
    EXPECT_FALSE(run(sink));
    EXPECT_EQ(report,
              crlf(headerOf(">> Point file Format : penzd comma (Text format)") + convertedBlock("a.txt", "a.dxf", 1) +
                   convertedBlock("b.txt", "b.dxf", 1) + Lines{"", ">> Process aborted."}));
    EXPECT_FALSE(std::filesystem::exists(pathOf("dest/c.dxf")));
}

TEST_F(BatchRunTest, StopDuringTheLastFile)
{
    writeFile("src/a.txt", "1,10,20,5,a\r\n");
    writeFile("src/b.txt", "2,10,20,5,b\r\n3,10,20,5,b\r\n4,10,20,5,b\r\n");
    useFiles({"a.txt", "b.txt"});
    StopAfterPumps sink(2);
    EXPECT_FALSE(run(sink));
    EXPECT_EQ(report,
              crlf(headerOf(">> Point file Format : penzd comma (Text format)") + convertedBlock("a.txt", "a.dxf", 1) +
                   pointFile(src("b.txt")) + Lines{"", ">> Process aborted."}));
    const std::string drawing = readFile(pathOf("dest/b.dxf"));
    EXPECT_EQ(drawing.find("EOF"), std::string::npos); // left as written so far
}

TEST_F(BatchRunTest, WarningsAloneAreNoErrors)
{
    writeFile("src/a.txt", "1,10,20,5\r\n\r\n");
    useFiles({"a.txt"});
    EXPECT_FALSE(run());
    EXPECT_EQ(report, crlf(headerOf(">> Point file Format : penzd comma (Text format)") + pointFile(src("a.txt")) +
                           Lines{"  ! Warning in line 1: Description is missing !", "  ! Line 2 is empty !", "",
                                 ">> 2 lines processed.", ">> Dxf file created: " + dest("a.dxf"), "", ""}));
}

TEST_F(BatchRunTest, FaultyLineUnderAbortFileIsAnErrorAndTheRunGoesOn)
{
    writeFile("src/a.txt", "1,10,20,5,a\r\n2,x,20,5,a\r\n3,10,20,5,a\r\n");
    writeFile("src/b.txt", "1,10,20,5,a\r\n");
    useFiles({"a.txt", "b.txt"});
    request.errorPolicy = ErrorPolicy::AbortFile;
    EXPECT_TRUE(run());
    EXPECT_EQ(report, crlf(headerOf(">> Point file Format : penzd comma (Text format)") + pointFile(src("a.txt")) +
                           Lines{"  ! Error in line 2: X coordinate is not a decimal value !", "",
                                 ">> 2 lines processed.", ">> Errors in file, Dxf file not created. ", "", ""} +
                           convertedBlock("b.txt", "b.dxf", 1)));
    EXPECT_FALSE(std::filesystem::exists(pathOf("dest/a.dxf")));
}

TEST_F(BatchRunTest, FaultyLineUnderAbortProcessEndsTheRun)
{
    writeFile("src/a.txt", "1,10,20,5,a\r\n2,x,20,5,a\r\n");
    writeFile("src/b.txt", "1,10,20,5,a\r\n");
    useFiles({"a.txt", "b.txt"});
    request.errorPolicy = ErrorPolicy::AbortProcess;
    EXPECT_TRUE(run());
    EXPECT_EQ(report, crlf(headerOf(">> Point file Format : penzd comma (Text format)") + pointFile(src("a.txt")) +
                           Lines{"  ! Error in line 2: X coordinate is not a decimal value !", ">> Process aborted."}));
    EXPECT_FALSE(std::filesystem::exists(pathOf("dest/b.dxf")));
}

TEST_F(BatchRunTest, UnreadableInputIsReportedAndTheRunGoesOn)
{
    writeFile("src/b.txt", "1,10,20,5,a\r\n");
    useFiles({"gone.txt", "b.txt"});
    EXPECT_TRUE(run());
    EXPECT_EQ(report, crlf(headerOf(">> Point file Format : penzd comma (Text format)") + pointFile(src("gone.txt")) +
                           Lines{"  ! Error: Cannot open file \"" + src("gone.txt") + "\". No such file or directory !",
                                 "", ""} +
                           convertedBlock("b.txt", "b.dxf", 1)));
}

TEST_F(BatchRunTest, UnreadableInputEndsTheRunUnderAbortProcess)
{
    writeFile("src/b.txt", "1,10,20,5,a\r\n");
    useFiles({"gone.txt", "b.txt"});
    request.errorPolicy = ErrorPolicy::AbortProcess;
    EXPECT_TRUE(run());
    EXPECT_NE(report.find("No such file or directory !\r\n\r\n\r\n>> Process aborted.\r\n"), std::string::npos)
        << report;
    EXPECT_FALSE(std::filesystem::exists(pathOf("dest/b.dxf")));
}

TEST_F(BatchRunTest, MissingSheetIsNamedByNumberOrByName)
{
    request.format.isExcel = 1;
    request.format.firstLine = 2;
    std::vector<std::string> calls;
    request.readSheet = [&](const std::filesystem::path& workbook, int firstLine, int sheetNumber,
                            const std::string& sheetText, FieldRows&) {
        calls.push_back(workbook.filename().string() + " " + std::to_string(firstLine) + " " +
                        std::to_string(sheetNumber) + " " + sheetText);
        return false;
    };
    useFiles({"site.xls"});

    request.format.sheetByNumber = 1;
    request.format.sheet = "4";
    EXPECT_TRUE(run());
    const std::string format = ">> Point file Format : penzd comma (Excel format)";
    EXPECT_EQ(report, crlf(headerOf(format) + pointFile(src("site.xls")) +
                           Lines{"  ! Error: Sheet Number \"4\" does not exist in the Excel file !", "", ""}));

    request.format.sheetByNumber = 0;
    request.format.sheet = "Trees";
    EXPECT_TRUE(run());
    EXPECT_EQ(report, crlf(headerOf(format) + pointFile(src("site.xls")) +
                           Lines{"  ! Error: Sheet named \"Trees\" does not exist in the Excel file !", "", ""}));
    EXPECT_EQ(calls, (std::vector<std::string>{"site.xls 2 4 4", "site.xls 2 -1 Trees"}));
    EXPECT_FALSE(std::filesystem::exists(pathOf("dest/site.dxf")));
}

TEST_F(BatchRunTest, SheetRowsAreConverted)
{
    request.format.isExcel = 1;
    request.readSheet = [](const std::filesystem::path&, int, int, const std::string&, FieldRows& rows) {
        rows.addRow(FieldList{"1", "10", "20", "5", "a"});
        return true;
    };
    useFiles({"site.xls"});
    EXPECT_FALSE(run());
    EXPECT_NE(report.find(">> Dxf file created: " + dest("site.dxf")), std::string::npos);
}

TEST_F(BatchRunTest, MissingPrologueEndsTheRunWithAnError)
{
    std::filesystem::remove(pathOf("install/dxf.dat"));
    writeFile("src/a.txt", "1,10,20,5,a\r\n");
    useFiles({"a.txt"});
    EXPECT_TRUE(run());
    EXPECT_EQ(report, crlf(headerOf(">> Point file Format : penzd comma (Text format)") +
                           Lines{"  ! Error: Cannot open file \"" + pathOf("install/dxf.dat").string() +
                                     "\". No such file or directory !",
                                 "", ">> Process aborted."}));
    EXPECT_FALSE(std::filesystem::exists(pathOf("dest/a.dxf")));
}

TEST_F(BatchRunTest, FullDiskIsAnErrorAndEndsTheRunOnlyUnderAbortProcess)
{
    writeFile("src/a.txt", "1,10,20,5,a\r\n");
    writeFile("src/b.txt", "1,10,20,5,a\r\n");
    const Lines fullBlock =
        pointFile(src("a.txt")) + Lines{"  ! Error: \"/dev/full\" could not be written: No space left on device !",
                                        "",
                                        ">> 1 lines processed.",
                                        ">> Errors in file, Dxf file not created. ",
                                        "",
                                        ""};
    request.files = {RunFile{src("a.txt"), "/dev/full"}, RunFile{src("b.txt"), dest("b.dxf")}};
    EXPECT_TRUE(run());
    EXPECT_EQ(report, crlf(headerOf(">> Point file Format : penzd comma (Text format)") + fullBlock +
                           convertedBlock("b.txt", "b.dxf", 1)));

    std::filesystem::remove(pathOf("dest/b.dxf"));
    request.errorPolicy = ErrorPolicy::AbortProcess;
    EXPECT_TRUE(run());
    EXPECT_EQ(report, crlf(headerOf(">> Point file Format : penzd comma (Text format)") + fullBlock +
                           Lines{">> Process aborted."}));
    EXPECT_FALSE(std::filesystem::exists(pathOf("dest/b.dxf")));
    EXPECT_TRUE(std::filesystem::exists("/dev/full"));
}

TEST_F(BatchRunTest, ReportThatCannotBeCreatedStopsTheRunBeforeItStarts)
{
    request.reportPath = pathOf("nowhere/mervalon40.log");
    writeFile("src/a.txt", "1,10,20,5,a\r\n");
    useFiles({"a.txt"});
    EXPECT_THROW(runBatch(request, progress), RunNotStarted);
    EXPECT_FALSE(std::filesystem::exists(pathOf("dest/a.dxf")));
}

TEST_F(BatchRunTest, ThePreviousReportIsReplaced)
{
    writeFile("install/mervalon40.log", std::string(10000, 'x'));
    run();
    EXPECT_EQ(report.find("xxxxxxxxxx"), std::string::npos);
    EXPECT_EQ(report.rfind("Mervalon Report - ", 0), 0u);
}

TEST_F(BatchRunTest, APointFileIsNeverReplacedByItsOwnDrawing)
{
    const std::string points = "1,10,20,5,a\r\n";
    writeFile("src/site.dxf", points);
    writeFile("src/dxf", points);
    writeFile("src/b.txt", points);
    request.files = runFilesOf({"site.dxf", "dxf", "b.txt"}, pathOf("src").string(), pathOf("src").string());
    EXPECT_TRUE(run());
    EXPECT_EQ(readFile(pathOf("src/site.dxf")), points);
    EXPECT_EQ(readFile(pathOf("src/dxf")), points);
    EXPECT_EQ(
        report,
        crlf(headerOf(">> Point file Format : penzd comma (Text format)") + pointFile(src("site.dxf")) +
             Lines{"  ! Error: \"" + src("site.dxf") + "\" cannot be created: it would replace the point file !", "",
                   ""} +
             pointFile(src("dxf")) +
             Lines{"  ! Error: \"" + src("dxf") + "\" cannot be created: it would replace the point file !", "", ""} +
             pointFile(src("b.txt")) +
             Lines{"", ">> 1 lines processed.", ">> Dxf file created: " + src("b.dxf"), "", ""}));
}

TEST_F(BatchRunTest, ASecondPointFileOfTheSameNameNeverReplacesTheFirstDrawing)
{
    writeFile("src/site.txt", "1,10,20,5,a\r\n");
    writeFile("src/site.asc", "2,30,40,6,b\r\n3,50,60,7,c\r\n");
    useFiles({"site.txt", "site.asc"});
    const std::string firstDrawing = [&] {
        EXPECT_TRUE(run());
        return readFile(pathOf("dest/site.dxf"));
    }();
    EXPECT_NE(firstDrawing.find("\r\n10\r\n 20\r\n20\r\n"), std::string::npos);
    EXPECT_EQ(firstDrawing.find("\r\n30\r\n 20\r\n40\r\n"), std::string::npos);
    EXPECT_EQ(report,
              crlf(headerOf(">> Point file Format : penzd comma (Text format)") +
                   convertedBlock("site.txt", "site.dxf", 1) + pointFile(src("site.asc")) +
                   Lines{"  ! Error: \"" + dest("site.dxf") +
                             "\" cannot be created: it was already created from another point file of this run !",
                         "", ""}));
}

// The report on disk is complete up to the point reached: whoever reads it while the second
// file is converted (or after the run was killed then) sees the first file's whole block.
TEST_F(BatchRunTest, TheReportOnDiskHoldsEveryFinishedFileWhileTheRunGoesOn)
{
    writeFile("src/a.txt", "1,10,20,5,a\r\n");
    writeFile("src/b.txt", "2,11,21,6,b\r\n");
    useFiles({"a.txt", "b.txt"});
    struct ReadsTheReport : RecordingProgress {
        std::filesystem::path report;
        std::string seen;
        void fileStarted(std::size_t index, std::size_t count) override
        {
            RecordingProgress::fileStarted(index, count);
            if (index == 2) {
                seen = TempFolderTest::readFile(report);
            }
        }
    } sink;
    sink.report = request.reportPath;
    run(sink);
    EXPECT_EQ(sink.seen,
              crlf(headerOf(">> Point file Format : penzd comma (Text format)") + convertedBlock("a.txt", "a.dxf", 1)));
}

// A report that cannot be written (here: onto a full device) is not a run that could not start.
TEST_F(BatchRunTest, AReportThatCannotBeWrittenIsReportedAsSuch)
{
    writeFile("src/a.txt", "1,10,20,5,a\r\n");
    useFiles({"a.txt"});
    request.reportPath = "/dev/full";
    mervalon::engine::RunSummary summary;
    EXPECT_THROW(runBatch(request, progress, &summary), mervalon::engine::ReportNotWritten);
    EXPECT_EQ(summary.filesConverted, 1u);
    EXPECT_TRUE(std::filesystem::exists(dest("a.dxf")));
}

// A layer that cannot be written into a drawing (from a damaged or hand-edited configuration)
// stops the run before the report is touched: every drawing would be garbage.
TEST_F(BatchRunTest, ALayerThatCannotBeWrittenStopsTheRunBeforeItStarts)
{
    writeFile("src/a.txt", "1,10,20,5,a\r\n");
    writeFile("install/mervalon40.log", "previous report");
    useFiles({"a.txt"});
    const struct {
        std::string layer;
        std::int32_t color;
        const char* message;
    } cases[] = {
        {"PTS\r\nEOF", 7,
         "The configuration cannot be used: the Point layer name \"PTS\\x0D\\x0AEOF\" holds a control "
         "character, which a DXF layer name cannot."},
        {"", 7, "The configuration cannot be used: the Point layer has no name."},
        {"PTS", 256,
         "The configuration cannot be used: the Point layer colour 256 is not a colour number from 0 to 255."},
        {"PTS", -1,
         "The configuration cannot be used: the Point layer colour -1 is not a colour number from 0 to 255."},
    };
    for (const auto& c : cases) {
        request.runConfiguration.entity(EntityKind::Point).layer = c.layer;
        request.runConfiguration.entity(EntityKind::Point).color = c.color;
        try {
            runBatch(request, progress);
            ADD_FAILURE() << c.message;
        } catch (const RunNotStarted& error) {
            EXPECT_EQ(std::string(error.what()), c.message);
        }
        EXPECT_EQ(readFile(request.reportPath), "previous report");
        EXPECT_FALSE(std::filesystem::exists(dest("a.dxf")));
    }
    // A layer that is not created is never written, so its name does no harm.
    request.runConfiguration.entity(EntityKind::Point).color = 7;
    request.runConfiguration.entity(EntityKind::Point).layer = "PTS";
    request.runConfiguration.entity(EntityKind::Number).layer = "A\nB";
    request.runConfiguration.entity(EntityKind::Number).color = 999;
    EXPECT_FALSE(run());
}

// Characters that Windows-1252 lacks are kept as escapes and need no word in the report; those
// still lost (a C1 control character, which no font shows) are counted once, in the file's block.
TEST_F(BatchRunTest, ReplacedCharactersOfAUtf8FileAreCountedOnce)
{
    writeFile("src/a.txt",
              "1,10,20,5,\xE4\xB8\xAD\xC2\x85\r\n2,11,21,6,B\xC3\xB6schung \xE2\x9C\x93\xC2\x85\xC2\x85\r\n");
    writeFile("src/b.txt", "1,10,20,5,\xC5\x82\xE4\xB8\xAD\xF0\x9F\x98\x80\r\n");
    useFiles({"a.txt", "b.txt"});
    Configuration& c = request.runConfiguration;
    c.entity(EntityKind::Description).create = 1;
    c.entity(EntityKind::Description).layer = "DES";
    c.entity(EntityKind::Description).height = "0.5";
    c.layout.slot[0] = static_cast<std::int32_t>(mervalon::config::EntityContent::Description);
    EXPECT_FALSE(run());
    const Lines block = pointFile(src("a.txt"));
    EXPECT_NE(report.find(crlf(block) + "  ! Warning: The file is UTF-8; 3 characters that the drawing's "
                                        "Windows-1252 lacks were written as \"?\" !\r\n\r\n>> 2 lines processed."),
              std::string::npos)
        << report;
    EXPECT_NE(report.find(crlf(pointFile(src("b.txt"))) + "\r\n>> 1 lines processed."), std::string::npos) << report;
    EXPECT_NE(readFile(dest("a.dxf")).find("\r\n\\U+4E2D?\r\n"), std::string::npos);
    EXPECT_NE(readFile(dest("a.dxf")).find("\r\nB\xF6schung \\U+2713??\r\n"), std::string::npos);
    EXPECT_NE(readFile(dest("b.dxf")).find("\r\n\\U+0142\\U+4E2D\\U+D83D\\U+DE00\r\n"), std::string::npos);
}

// The run's escape option reaches the texts of every file, of a Windows-1252 file too; without
// it those letters stay single bytes.
TEST_F(BatchRunTest, TheEscapeOptionWritesTheLettersOfEveryFileAsEscapes)
{
    writeFile("src/a.txt", "1,10,20,5,B\xF6schung \x80\r\n");
    writeFile("src/b.txt", "1,10,20,5,B\xC3\xB6schung \xC5\x82\r\n");
    useFiles({"a.txt", "b.txt"});
    Configuration& c = request.runConfiguration;
    c.entity(EntityKind::Description).create = 1;
    c.entity(EntityKind::Description).layer = "DES";
    c.entity(EntityKind::Description).height = "0.5";
    c.layout.slot[0] = static_cast<std::int32_t>(mervalon::config::EntityContent::Description);
    for (const bool escape : {false, true}) {
        request.escapeNonAscii = escape;
        EXPECT_FALSE(run());
        EXPECT_NE(readFile(dest("a.dxf"))
                      .find(escape ? "  1\r\nB\\U+00F6schung \\U+20AC\r\n" : "  1\r\nB\xF6schung \x80\r\n"),
                  std::string::npos)
            << escape;
        EXPECT_NE(readFile(dest("b.dxf"))
                      .find(escape ? "  1\r\nB\\U+00F6schung \\U+0142\r\n" : "  1\r\nB\xF6schung \\U+0142\r\n"),
                  std::string::npos)
            << escape;
    }
}

// A text file is converted as it is read, a batch of lines at a time: polylines run across the
// batches, the file's last line closes the one still open, and the drawing is the one made
// from all the lines held at once.
TEST_F(BatchRunTest, ALongFileReadInBatchesGivesTheDrawingOfAllItsLinesAtOnce)
{
    request.format.value(PointValue::Code).column = 6;
    request.format.newPolylineCode = "1";
    request.format.drawPolylineCode = "2";
    request.format.endPolylineCode = "3";
    request.runConfiguration.entity(EntityKind::Polyline).create = 1;
    request.runConfiguration.entity(EntityKind::Polyline).layer = "PL";
    std::string content;
    constexpr int kLines = 12000; // three batches of lines, and more than one of bytes
    for (int i = 1; i <= kLines; ++i) {
        const char* code = i % 997 == 1 ? "1" : "2";
        content += std::to_string(i) + "," + std::to_string(1000 + i) + ".25,2000.5,15," +
                   std::string(1 + i % 50, 'd') + "," + code + (i % 3 == 0 ? "\r" : "\r\n");
    }
    writeFile("src/long.txt", content);
    useFiles({"long.txt"});
    EXPECT_FALSE(run());
    EXPECT_EQ(progress.lineCounts, std::vector<std::size_t>{kLines});
    EXPECT_EQ(progress.positions.size(), kLines + 1u);

    const FieldRows rows = mervalon::engine::readTextLines(pathOf("src/long.txt"), ",", 1);
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(kLines));
    mervalon::engine::RunLog log(pathOf("whole.log"));
    const mervalon::engine::ConversionSettings settings{request.runConfiguration, request.format, ErrorPolicy::SkipLine,
                                                        kStandInPrologue};
    RecordingProgress silent;
    mervalon::engine::convertFile(rows, settings, pathOf("whole.dxf"), log, silent);
    const std::string drawing = readFile(dest("long.dxf"));
    const std::string whole = readFile(pathOf("whole.dxf"));
    // Megabytes: a mismatch is shown where it begins, not as a diff of the whole.
    const auto mismatch = std::mismatch(drawing.begin(), drawing.end(), whole.begin(), whole.end());
    const auto at = static_cast<std::size_t>(mismatch.first - drawing.begin());
    EXPECT_TRUE(drawing == whole) << "sizes " << drawing.size() << " and " << whole.size() << ", first difference at "
                                  << at << ": \"" << drawing.substr(at > 40 ? at - 40 : 0, 80) << "\"";
    EXPECT_NE(drawing.find("SEQEND"), std::string::npos);
}

namespace {

std::size_t countOf(const std::string& text, const std::string& part)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) {
        ++count;
    }
    return count;
}

using mervalon::engine::FileResult;
using mervalon::engine::FileStatus;
using mervalon::engine::RunSummary;

// A file's result in a few words, for comparing runs.
std::string describe(const FileResult& result)
{
    static const char* const kStatus[] = {"converted", "skipped", "aborted", "failed"};
    std::string text = std::to_string(result.index) + " " + kStatus[static_cast<int>(result.status)] + " lines " +
                       std::to_string(result.lines) + " points " + std::to_string(result.points) + " errors " +
                       std::to_string(result.errorLines) + " warnings " + std::to_string(result.warningLines);
    for (const std::string& error : result.errors) {
        text += " [" + error + "]";
    }
    return text;
}

} // namespace

// A prologue cut short (or emptied) would make a drawing no CAD program reads: the run ends
// before any drawing, saying which file is damaged and how it is repaired.
TEST_F(BatchRunTest, ADamagedPrologueEndsTheRunBeforeAnyDrawing)
{
    writeFile("src/a.txt", "1,10,20,5,a\r\n");
    useFiles({"a.txt"});
    for (const std::string& damaged : {std::string(), kStandInPrologue.substr(0, kStandInPrologue.size() - 2),
                                       kStandInPrologue.substr(0, 20), std::string("  0\r\nEOF\r\n")}) {
        writeFile("install/dxf.dat", damaged);
        EXPECT_TRUE(run());
        EXPECT_EQ(report, crlf(headerOf(">> Point file Format : penzd comma (Text format)") +
                               Lines{"  ! Error: The drawing prologue \"" + pathOf("install/dxf.dat").string() +
                                         "\" is damaged (empty or cut short), so no drawing can be made. The next "
                                         "start of Mervalon restores it; a prologue of your own must end with the "
                                         "opening of the LAYER table !",
                                     "", ">> Process aborted."}))
            << damaged;
        EXPECT_FALSE(std::filesystem::exists(pathOf("dest/a.dxf")));
    }
    // Line ends of another kind, and blanks, are a prologue still.
    writeFile("install/dxf.dat", "0\nSECTION\n2\nTABLES\n0\nTABLE\n2\nLAYER\n70 \n");
    EXPECT_FALSE(run());
    EXPECT_TRUE(std::filesystem::exists(pathOf("dest/a.dxf")));
}

// A line longer than any point line is one error line of its own; the run goes on past it.
TEST_F(BatchRunTest, AnOverlongLineIsAnErrorLineOfItsOwn)
{
    writeFile("src/a.txt", "1,10,20,5,a\r\n" + std::string(2'000'000, '7') + "\r\n3,10,20,5,c\r\n");
    useFiles({"a.txt"});
    EXPECT_TRUE(run());
    EXPECT_EQ(report, crlf(headerOf(">> Point file Format : penzd comma (Text format)") + pointFile(src("a.txt")) +
                           Lines{"  ! Error in line 2: The line is 2000000 characters long; lines longer than "
                                 "1048576 characters are not read !",
                                 "", ">> 3 lines processed.", ">> Dxf file created: " + dest("a.dxf"), "", ""}));
    EXPECT_EQ(countOf(readFile(dest("a.dxf")), "\r\nPOINT\r\n"), 2u);
}

// A file that grows (or is cut short) while it is converted would give a drawing of parts of
// two files: none is made, and the report says why.
TEST_F(BatchRunTest, AFileChangedWhileItIsConvertedMakesNoDrawing)
{
    std::string points;
    for (int i = 1; i <= 10; ++i) {
        points += std::to_string(i) + ",10,20,5,a\r\n";
    }
    writeFile("src/a.txt", points);
    writeFile("src/b.txt", "1,10,20,5,a\r\n");
    writeFile("dest/a.dxf", "older");
    useFiles({"a.txt", "b.txt"});
    progress.onLine = [this](std::size_t index) {
        if (index == 5 && progress.fileStarts.size() == 1) {
            std::ofstream(pathOf("src/a.txt"), std::ios::binary | std::ios::app) << "11,10,20,5,late\r\n";
        }
    };
    EXPECT_TRUE(run());
    EXPECT_EQ(report, crlf(headerOf(">> Point file Format : penzd comma (Text format)") + pointFile(src("a.txt")) +
                           Lines{"  ! Error: The point file changed while it was converted (from 131 to 148 bytes); "
                                 "no drawing was made from it: convert it again once it is complete !",
                                 "", ""} +
                           convertedBlock("b.txt", "b.dxf", 1)));
    EXPECT_EQ(readFile(dest("a.dxf")), "older");
}

// A stop inside a line without end is taken at once: the run ends as at any stop.
TEST_F(BatchRunTest, AStopInsideAnEndlessLineEndsTheRun)
{
    writeFile("src/a.txt", "1,10,20,5,a\r\n");
    std::filesystem::resize_file(pathOf("src/a.txt"), std::uintmax_t{1} << 40);
    useFiles({"a.txt"});
    std::size_t pumps = 0;
    struct StopAfterPumps : RecordingProgress {
        std::size_t* count;
        explicit StopAfterPumps(std::size_t* c) : count(c) {}
        void pumpEvents() override
        {
            if (++*count == 50) {
                requestStop();
            }
        }
    } sink(&pumps);
    run(sink);
    EXPECT_TRUE(report.ends_with(crlf(pointFile(src("a.txt")) + Lines{"", ">> Process aborted."}))) << report;
    EXPECT_FALSE(std::filesystem::exists(pathOf("dest/a.dxf")));
}

// With jobs, the report, the drawings and the results are those of one file at a time: faulty
// lines, a missing file, two files making one drawing, an empty file, a long file among short ones.
TEST_F(BatchRunTest, JobsMakeTheReportAndDrawingsOfOneFileAtATime)
{
    std::string longFile;
    for (int i = 1; i <= 3000; ++i) {
        longFile += std::to_string(i) + ",10" + std::to_string(i % 7) + ",20,5,p\r\n";
    }
    writeFile("src/a.txt", "1,10,20,5,a\r\n2,11,21,6,b\r\n");
    writeFile("src/b.txt", "1,10,20,5,a\r\n2,1O,21,6,b\r\n3,12\r\n");
    writeFile("src/long.txt", longFile);
    writeFile("src/site.txt", "1,10,20,5,a\r\n");
    writeFile("src/site.asc", "1,10,20,5,a\r\n2,11,21,6,b\r\n");
    writeFile("src/empty.txt", "");
    writeFile("src/c.txt", "\r\n1,10,20,5,c\r\n");
    const std::vector<std::string> names = {"a.txt",    "long.txt",  "b.txt", "missing.txt", "site.txt",
                                            "site.asc", "empty.txt", "c.txt", "long.txt"};
    const std::vector<std::string> drawings = {"a.dxf", "b.dxf", "long.dxf", "site.dxf", "empty.dxf", "c.dxf"};
    for (const ErrorPolicy policy : {ErrorPolicy::SkipLine, ErrorPolicy::AbortFile}) {
        std::string oneReport;
        std::vector<std::string> oneDrawings;
        std::vector<std::string> oneResults;
        for (const unsigned jobs : {1u, 2u, 3u, 0u, 20u}) {
            std::filesystem::remove_all(pathOf("dest"));
            std::filesystem::create_directories(pathOf("dest"));
            useFiles(names);
            request.errorPolicy = policy;
            request.jobs = jobs;
            std::vector<std::string> results;
            request.fileEnded = [&](const FileResult& result) { results.push_back(describe(result)); };
            RunSummary summary;
            const bool errors = runBatch(request, progress, &summary);
            report = readFile(request.reportPath);
            EXPECT_TRUE(errors);
            std::vector<std::string> made;
            for (const std::string& drawing : drawings) {
                made.push_back(std::filesystem::exists(dest(drawing)) ? readFile(dest(drawing)) : "(none)");
            }
            if (jobs == 1) {
                oneReport = report;
                oneDrawings = made;
                oneResults = results;
                ASSERT_EQ(results.size(), names.size());
                EXPECT_EQ(summary.filesConverted, policy == ErrorPolicy::SkipLine ? 6u : 5u);
                continue;
            }
            EXPECT_EQ(report, oneReport) << "jobs " << jobs;
            EXPECT_EQ(made, oneDrawings) << "jobs " << jobs;
            EXPECT_EQ(results, oneResults) << "jobs " << jobs;
            EXPECT_EQ(summary.filesConverted, policy == ErrorPolicy::SkipLine ? 6u : 5u);
        }
        EXPECT_NE(oneReport.find("it was already created from another point file of this run"), std::string::npos);
    }
}

TEST_F(BatchRunTest, FileResultsCountWhatEachBlockSays)
{
    request.runConfiguration.entity(EntityKind::Number).create = 1;
    request.runConfiguration.entity(EntityKind::Number).layer = "NUM";
    request.runConfiguration.entity(EntityKind::Number).height = "1";
    request.runConfiguration.layout.slot = {0, -1, -1, -1, -1};
    writeFile("src/a.txt", "1,10,20,5,a\r\n2,1O,21,6,b\r\n\r\n3,12,22,7,c\r\n");
    useFiles({"a.txt", "missing.txt"});
    std::vector<FileResult> results;
    request.fileEnded = [&](const FileResult& result) { results.push_back(result); };
    EXPECT_TRUE(run());
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(describe(results[0]), "0 converted lines 4 points 2 errors 1 warnings 1 [  ! Error in line 2: X "
                                    "coordinate is not a decimal value !]");
    EXPECT_EQ(results[0].texts, 2u);
    EXPECT_EQ(results[0].polylines, 0u);
    EXPECT_EQ(results[1].status, FileStatus::Failed);
    EXPECT_EQ(results[1].errorLines, 1u);
}

TEST_F(BatchRunTest, SkipExistingLeavesFilesWhoseDrawingIsNewer)
{
    writeFile("src/a.txt", "1,10,20,5,a\r\n");
    writeFile("src/b.txt", "1,10,20,5,b\r\n");
    writeFile("dest/a.dxf", "older drawing of a");
    writeFile("dest/b.dxf", "older drawing of b");
    const auto now = std::filesystem::file_time_type::clock::now();
    std::filesystem::last_write_time(pathOf("src/a.txt"), now - std::chrono::hours(2));
    std::filesystem::last_write_time(pathOf("dest/a.dxf"), now - std::chrono::hours(1));
    std::filesystem::last_write_time(pathOf("src/b.txt"), now - std::chrono::hours(1));
    std::filesystem::last_write_time(pathOf("dest/b.dxf"), now - std::chrono::hours(2));
    for (const unsigned jobs : {1u, 2u}) {
        writeFile("dest/b.dxf", "older drawing of b");
        std::filesystem::last_write_time(pathOf("dest/b.dxf"), now - std::chrono::hours(2));
        useFiles({"a.txt", "b.txt"});
        request.skipExisting = true;
        request.jobs = jobs;
        std::vector<std::string> results;
        request.fileEnded = [&](const FileResult& result) { results.push_back(describe(result)); };
        RunSummary summary;
        EXPECT_FALSE(runBatch(request, progress, &summary));
        report = readFile(request.reportPath);
        EXPECT_EQ(report,
                  crlf(headerOf(">> Point file Format : penzd comma (Text format)") + pointFile(src("a.txt")) +
                       Lines{">> Dxf file is newer than the point file, not converted: " + dest("a.dxf"), "", ""} +
                       convertedBlock("b.txt", "b.dxf", 1)));
        EXPECT_EQ(readFile(dest("a.dxf")), "older drawing of a");
        EXPECT_NE(readFile(dest("b.dxf")), "older drawing of b");
        EXPECT_EQ(results, (std::vector<std::string>{"0 skipped lines 0 points 0 errors 0 warnings 0",
                                                     "1 converted lines 1 points 1 errors 0 warnings 0"}));
        EXPECT_EQ(summary.filesSkipped, 1u);
        EXPECT_EQ(summary.filesConverted, 1u);
    }
}

// The drawing a skipped file stands for is kept from a later file named alike, as in a full run.
TEST_F(BatchRunTest, ASkippedFilesDrawingIsNotReplacedByAFileNamedAlike)
{
    writeFile("src/site.txt", "1,10,20,5,a\r\n");
    writeFile("dest/site.dxf", "drawing of site.txt");
    writeFile("src/site.asc", "1,10,20,5,b\r\n");
    const auto now = std::filesystem::file_time_type::clock::now();
    std::filesystem::last_write_time(pathOf("src/site.txt"), now - std::chrono::hours(2));
    std::filesystem::last_write_time(pathOf("dest/site.dxf"), now - std::chrono::hours(1));
    useFiles({"site.txt", "site.asc"});
    request.skipExisting = true;
    EXPECT_TRUE(run());
    EXPECT_EQ(readFile(dest("site.dxf")), "drawing of site.txt");
    EXPECT_NE(report.find("  ! Error: \"" + dest("site.dxf") +
                          "\" cannot be created: it was already created from another point file of this run !"),
              std::string::npos)
        << report;
}

TEST_F(BatchRunTest, DryRunChecksEveryFileAndWritesNoDrawing)
{
    writeFile("src/a.txt", "1,10,20,5,a\r\n2,1O,21,6,b\r\n");
    writeFile("dest/a.dxf", "older drawing");
    useFiles({"a.txt"});
    // A drawing in a folder still to be made passes; one below a file cannot be made.
    request.files.push_back({src("a.txt"), pathOf("new/folder/a.dxf").string()});
    request.files.push_back({src("a.txt"), pathOf("src/a.txt/a.dxf").string()});
    request.dryRun = true;
    std::vector<std::string> results;
    request.fileEnded = [&](const FileResult& result) { results.push_back(describe(result)); };
    EXPECT_TRUE(run());
    EXPECT_EQ(
        report,
        crlf(headerOf(">> Point file Format : penzd comma (Text format)") + pointFile(src("a.txt")) +
             Lines{"  ! Error in line 2: X coordinate is not a decimal value !", "", ">> 2 lines processed.",
                   ">> Dxf file would be created: " + dest("a.dxf"), "", ""} +
             pointFile(src("a.txt")) +
             Lines{"  ! Error in line 2: X coordinate is not a decimal value !", "", ">> 2 lines processed.",
                   ">> Dxf file would be created: " + pathOf("new/folder/a.dxf").string(), "", ""} +
             pointFile(src("a.txt")) +
             Lines{"  ! Error: \"" + pathOf("src/a.txt/a.dxf").string() + "\" cannot be created: Not a directory !", "",
                   ""}));
    EXPECT_EQ(readFile(dest("a.dxf")), "older drawing");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(pathOf("dest")), std::filesystem::directory_iterator()),
              1);
    EXPECT_FALSE(std::filesystem::exists(pathOf("new")));
    ASSERT_EQ(results.size(), 3u);
    EXPECT_EQ(results[0].substr(0, 11), "0 converted");
    EXPECT_EQ(results[1].substr(0, 11), "1 converted");
    EXPECT_EQ(results[2].substr(0, 8), "2 failed");
}

// Stopped with jobs: every file begun has its block, in order, and the report says it was aborted.
TEST_F(BatchRunTest, AStopEndsEveryJob)
{
    std::string longFile;
    for (int i = 1; i <= 200000; ++i) {
        longFile += std::to_string(i) + ",10,20,5,p\r\n";
    }
    writeFile("src/a.txt", "1,10,20,5,a\r\n");
    std::vector<std::string> names = {"a.txt"};
    for (int i = 0; i < 6; ++i) {
        writeFile("src/l" + std::to_string(i) + ".txt", longFile);
        names.push_back("l" + std::to_string(i) + ".txt");
    }
    useFiles(names);
    request.jobs = 2;
    std::vector<FileResult> results;
    request.fileEnded = [&](const FileResult& result) { results.push_back(result); };
    StopAfterPumps stopper(1); // once the first file's block is in the report
    RunSummary summary;
    runBatch(request, stopper, &summary);
    report = readFile(request.reportPath);
    EXPECT_TRUE(summary.stopped);
    EXPECT_TRUE(report.ends_with("\r\n\r\n>> Process aborted.\r\n")) << report;
    ASSERT_FALSE(results.empty());
    EXPECT_LT(results.size(), names.size());
    EXPECT_EQ(results[0].status, FileStatus::Converted);
    for (std::size_t i = 0; i < results.size(); ++i) {
        EXPECT_EQ(results[i].index, i);
    }
    for (std::size_t i = results.size(); i < names.size(); ++i) {
        EXPECT_EQ(report.find(src(names[i]) + "\r\n"), std::string::npos) << names[i];
    }
}
