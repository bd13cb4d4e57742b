// Workbook sheets converted while they are read (SheetRowSource) against the same sheets read
// whole first (readWorkbookSheet, a HeldRows source): the reports and drawings must not differ.
#include "EngineTestSupport.h"
#include "core/engine/BatchRun.h"
#include "core/engine/SheetRowSource.h"
#include "core/spreadsheet/PackageTestSupport.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using mervalon::config::Configuration;
using mervalon::config::EntityContent;
using mervalon::config::EntityKind;
using mervalon::engine::ErrorPolicy;
using mervalon::engine::readWorkbookSheet;
using mervalon::engine::runBatch;
using mervalon::engine::runFilesOf;
using mervalon::engine::RunRequest;
using mervalon::engine::SheetRowSource;
using mervalon::enginetest::RecordingProgress;
using mervalon::enginetest::TempFolderTest;
using mervalon::formats::FormatDefinition;
using mervalon::formats::PointValue;

namespace {

namespace sheettest = mervalon::spreadsheet::test;

// A row of a test sheet: its 1-based number and its cells, a number when it reads as one.
struct SheetRow {
    std::size_t number;
    std::vector<std::string> cells;
};

bool looksNumeric(const std::string& text)
{
    return !text.empty() && text.find_first_not_of("0123456789.-") == std::string::npos;
}

std::string xlsxSheet(const std::vector<SheetRow>& rows)
{
    std::string xml;
    for (const SheetRow& row : rows) {
        xml += "<row r=\"" + std::to_string(row.number) + "\">";
        for (const std::string& cell : row.cells) {
            xml += looksNumeric(cell) ? "<c><v>" + cell + "</v></c>"
                                      : "<c t=\"inlineStr\"><is><t>" + cell + "</t></is></c>";
        }
        xml += "</row>";
    }
    return xml;
}

// An OpenDocument table has no row numbers: a gap is a repeated empty row.
std::string odsTable(const std::string& name, const std::vector<SheetRow>& rows)
{
    std::string xml = "<table:table table:name=\"" + name + "\">";
    std::size_t next = 1;
    for (const SheetRow& row : rows) {
        if (row.number > next) {
            xml += "<table:table-row table:number-rows-repeated=\"" + std::to_string(row.number - next) +
                   "\"><table:table-cell/></table:table-row>";
        }
        xml += "<table:table-row>";
        for (const std::string& cell : row.cells) {
            xml += looksNumeric(cell) ? "<table:table-cell office:value-type=\"float\" office:value=\"" + cell +
                                            "\"><text:p>" + cell + "</text:p></table:table-cell>"
                                      : "<table:table-cell office:value-type=\"string\"><text:p>" + cell +
                                            "</text:p></table:table-cell>";
        }
        xml += "</table:table-row>";
        next = row.number + 1;
    }
    return xml + "</table:table>";
}

// Survey points over several batches: a header row, coded polylines, a gap of empty rows, rows
// without a description (a warning each) and a faulty coordinate near the end.
std::vector<SheetRow> surveyRows(std::size_t count)
{
    std::vector<SheetRow> rows{{1, {"Number", "East", "North", "Elevation", "Description", "Code"}}};
    for (std::size_t i = 2; i <= count; ++i) {
        if (i >= 5000 && i < 5003) {
            continue;
        }
        const std::string n = std::to_string(i);
        const std::string east = i == count - 7 ? "abc" : std::to_string(1000 + i / 2) + ".5";
        std::vector<std::string> cells{"P" + n, east, std::to_string(2000 + i) + ".25", "15.125"};
        if (i % 997 != 0) {
            cells.push_back("road " + n);
        }
        cells.push_back(std::to_string(i % 3 + 1));
        rows.push_back(SheetRow{i, cells});
    }
    return rows;
}

FormatDefinition sheetFormat()
{
    FormatDefinition f;
    f.name = "excel points";
    f.isExcel = 1;
    f.sheetByNumber = 1;
    f.sheet = "1";
    f.firstLine = 2;
    f.value(PointValue::Number).column = 1;
    f.value(PointValue::X).column = 2;
    f.value(PointValue::Y).column = 3;
    f.value(PointValue::Z).column = 4;
    f.value(PointValue::Description).column = 5;
    f.value(PointValue::Code).column = 6;
    f.newPolylineCode = "1";
    f.drawPolylineCode = "2";
    f.endPolylineCode = "3";
    return f;
}

Configuration labelledPoints()
{
    Configuration c;
    c.entity(EntityKind::Point).create = 1;
    c.entity(EntityKind::Point).layer = "PTS";
    c.entity(EntityKind::Number).create = 1;
    c.entity(EntityKind::Number).layer = "NUM";
    c.entity(EntityKind::Number).height = "1";
    c.entity(EntityKind::Description).create = 1;
    c.entity(EntityKind::Description).layer = "DES";
    c.entity(EntityKind::Description).height = "1";
    c.entity(EntityKind::Polyline).create = 1;
    c.entity(EntityKind::Polyline).layer = "PL";
    c.layout.slot = {static_cast<std::int32_t>(EntityContent::Number),
                     static_cast<std::int32_t>(EntityContent::Description), -1, -1, -1};
    c.layout.distance = "0.5";
    return c;
}

const std::string kStandInPrologue = "  0\r\nSECTION\r\n  2\r\nTABLES\r\n  0\r\nTABLE\r\n  2\r\nLAYER\r\n 70\r\n";

class SheetRowSourceTest : public TempFolderTest {
  protected:
    void SetUp() override
    {
        TempFolderTest::SetUp();
        std::filesystem::create_directories(pathOf("install"));
        std::filesystem::create_directories(pathOf("src"));
        std::filesystem::create_directories(pathOf("dest"));
        writeFile("install/dxf.dat", kStandInPrologue);
        request.runConfiguration = labelledPoints();
        request.format = sheetFormat();
        request.installDir = pathOf("install");
        request.reportPath = pathOf("install/mervalon40.log");
        request.timestamp = "2026-12-10 03:00:00";
    }

    void writeXlsx(const std::string& name, const std::vector<SheetRow>& rows, const std::string& sheetName = "Points")
    {
        sheettest::XlsxParts parts;
        parts.sheets = {{sheetName, xlsxSheet(rows)}};
        sheettest::writeZip(pathOf("src/" + name), sheettest::xlsxPackage(parts));
    }

    void writeOds(const std::string& name, const std::string& tables)
    {
        sheettest::writeZip(pathOf("src/" + name), sheettest::odsPackage(tables));
    }

    struct Outcome {
        std::string report;
        std::string drawing;
    };

    // The file converted as it is read, and once more from the rows read whole first.
    std::pair<Outcome, Outcome> convertBothWays(const std::string& name)
    {
        request.files = runFilesOf({name}, pathOf("src").string(), pathOf("dest").string());
        const std::string dxf = pathOf("dest").string() + "/" + mervalon::engine::destinationName(name);
        std::pair<Outcome, Outcome> outcomes;
        for (const bool held : {false, true}) {
            request.readSheet = held ? mervalon::engine::SheetRowsReader(readWorkbookSheet) : nullptr;
            RecordingProgress progress;
            runBatch(request, progress);
            Outcome& outcome = held ? outcomes.second : outcomes.first;
            outcome.report = readFile(request.reportPath);
            outcome.drawing = std::filesystem::exists(dxf) ? readFile(dxf) : "(none)";
            std::filesystem::remove(dxf);
        }
        return outcomes;
    }

    RunRequest request;
};

} // namespace

TEST_F(SheetRowSourceTest, SheetsOfManyBatchesConvertAsWhenReadWhole)
{
    const std::vector<SheetRow> rows = surveyRows(3 * SheetRowSource::kBatchLines + 1000);
    writeXlsx("survey.xlsx", rows);
    writeOds("survey.ods", odsTable("Points", rows));
    for (const std::string name : {"survey.xlsx", "survey.ods"}) {
        SCOPED_TRACE(name);
        for (const ErrorPolicy policy : {ErrorPolicy::SkipLine, ErrorPolicy::AbortFile}) {
            request.errorPolicy = policy;
            const auto [streamed, held] = convertBothWays(name);
            EXPECT_EQ(streamed.report, held.report);
            EXPECT_TRUE(streamed.drawing == held.drawing) << "the drawings differ";
        }
        EXPECT_NE(convertBothWays(name).first.report.find("  ! Line 4999 is empty !\r\n  ! Line 5000 is empty !\r\n"
                                                          "  ! Line 5001 is empty !\r\n"),
                  std::string::npos);
    }
}

// A sheet whose rows are stored out of order is read whole and converted again, after lines
// (and their warnings) of the first pass: the report holds the second pass's lines alone.
TEST_F(SheetRowSourceTest, RowsOutOfOrderAreConvertedAsTheSortedSheet)
{
    std::vector<SheetRow> rows = surveyRows(2 * SheetRowSource::kBatchLines);
    rows.push_back(SheetRow{3, {"again", "1.5", "2.5", "3.5", "replaced", "1"}});
    rows.push_back(SheetRow{2 * SheetRowSource::kBatchLines + 5, {"last", "1.5", "2.5", "3.5", "end", "3"}});
    writeXlsx("unordered.xlsx", rows);
    const auto [streamed, held] = convertBothWays("unordered.xlsx");
    EXPECT_EQ(streamed.report, held.report);
    EXPECT_TRUE(streamed.drawing == held.drawing) << "the drawings differ";
    EXPECT_NE(held.drawing.find("\r\nreplaced\r\n"), std::string::npos);
    EXPECT_EQ(held.report.find("Error"), held.report.find("Error in line " + std::to_string(2 * 4096 - 8)));
}

TEST_F(SheetRowSourceTest, AStopEndsTheReadingAtOnce)
{
    // A million rows repeated: reading them all would take seconds.
    writeOds("long.ods", "<table:table table:name=\"Points\"><table:table-row table:number-rows-repeated=\"1048575\">"
                         "<table:table-cell office:value-type=\"float\" office:value=\"1\"><text:p>1</text:p>"
                         "</table:table-cell><table:table-cell office:value-type=\"string\"><text:p>x</text:p>"
                         "</table:table-cell></table:table-row></table:table>");
    request.files = runFilesOf({"long.ods"}, pathOf("src").string(), pathOf("dest").string());
    RecordingProgress progress(10);
    runBatch(request, progress);
    EXPECT_NE(readFile(request.reportPath).find(">> Process aborted."), std::string::npos);
    EXPECT_LT(progress.positions.size(), 20u);
}

// A sheet part of megabytes is unpacked on a thread of its own, ahead of the one reading its rows:
// a conversion that stops, and a source given up after its first batch, end both threads.
TEST_F(SheetRowSourceTest, AStopWhileTheSheetIsUnpackedAheadEndsBothThreads)
{
    const std::vector<SheetRow> rows = surveyRows(30000);
    writeXlsx("large.xlsx", rows);
    writeOds("large.ods", odsTable("Points", rows));
    EXPECT_GT(xlsxSheet(rows).size(), std::size_t{2} << 20);
    for (const std::string name : {"large.xlsx", "large.ods"}) {
        SCOPED_TRACE(name);
        {
            SheetRowSource source(pathOf("src/" + name), 2, 1, "1");
            ASSERT_NE(source.nextBatch(), nullptr);
        }
        request.files = runFilesOf({name}, pathOf("src").string(), pathOf("dest").string());
        RecordingProgress progress(10);
        runBatch(request, progress);
        EXPECT_NE(readFile(request.reportPath).find(">> Process aborted."), std::string::npos);
    }
}

TEST_F(SheetRowSourceTest, AMissingSheetAndAnUnreadableWorkbookAreKnownBeforeTheLines)
{
    writeXlsx("one.xlsx", surveyRows(10));
    writeFile("src/broken.xlsx", "PK\x03\x04 not a zip archive at all");
    EXPECT_THROW(SheetRowSource(pathOf("src/broken.xlsx"), 1, 1, "1"), std::exception);
    EXPECT_TRUE(SheetRowSource(pathOf("src/one.xlsx"), 1, 2, "2").sheetMissing());
    EXPECT_TRUE(SheetRowSource(pathOf("src/one.xlsx"), 1, -1, "Trees").sheetMissing());
    SheetRowSource found(pathOf("src/one.xlsx"), 1, -1, "Points");
    EXPECT_FALSE(found.sheetMissing());
    EXPECT_EQ(found.lineCount(), 10u);
    ASSERT_NE(found.nextBatch(), nullptr);
    EXPECT_TRUE(found.exhausted());
    EXPECT_EQ(found.nextBatch(), nullptr);
    for (const std::string name : {"one.xlsx", "broken.xlsx"}) {
        request.format.sheetByNumber = name == "one.xlsx" ? 0 : 1;
        request.format.sheet = name == "one.xlsx" ? "Trees" : "1";
        const auto [streamed, held] = convertBothWays(name);
        EXPECT_EQ(streamed.report, held.report);
        EXPECT_EQ(streamed.drawing, "(none)");
    }
}

// Letters that Windows-1252 lacks are kept as escapes, as a UTF-8 point file keeps them; a C1
// control character is still written as "?", and counted at the end of the file's lines. Sheet
// names keep their "?", as a format names a sheet in Windows-1252.
TEST_F(SheetRowSourceTest, TextsKeepTheLettersWindows1252Lacks)
{
    const std::vector<SheetRow> rows{{1, {"head"}},
                                     {2, {"1", "10.5", "20.5", "5", "\xC5\x82\xC4\x85ka \xE4\xB8\xAD", "1"}},
                                     {3, {"2", "11.5", "21.5", "6", "caf\xC3\xA9 \xF0\x9F\x98\x80\xC2\x85", "3"}}};
    writeXlsx("letters.xlsx", rows, "\xC5\x81\xC4\x85ka");
    writeOds("letters.ods", odsTable("\xC5\x81\xC4\x85ka", rows));
    writeFile("src/letters.txt", "1,10.5,20.5,5,\xC5\x82\xC4\x85ka \xE4\xB8\xAD,1\r\n"
                                 "2,11.5,21.5,6,caf\xC3\xA9 \xF0\x9F\x98\x80\xC2\x85,3\r\n");
    request.format.sheetByNumber = 0;
    request.format.sheet = "??ka";
    for (const std::string name : {"letters.xlsx", "letters.ods"}) {
        SCOPED_TRACE(name);
        const auto [streamed, held] = convertBothWays(name);
        EXPECT_TRUE(streamed.drawing == held.drawing) << "the drawings differ";
        EXPECT_NE(streamed.drawing.find("  1\r\n\\U+0142\\U+0105ka \\U+4E2D\r\n"), std::string::npos)
            << streamed.drawing;
        EXPECT_NE(streamed.drawing.find("  1\r\ncaf\xE9 \\U+D83D\\U+DE00?\r\n"), std::string::npos);
        const std::string heading = "Point file : " + pathOf("src/" + name).string();
        EXPECT_NE(streamed.report.find(heading + "\r\n" + std::string(heading.size(), '-') +
                                       "\r\n  ! Warning: The texts hold 1 characters that the drawing's Windows-1252 "
                                       "lacks, written as \"?\" !\r\n\r\n>> 2 lines processed.\r\n"),
                  std::string::npos)
            << streamed.report;
    }
    // The text file gives the same drawing.
    const std::string sheetDrawing = convertBothWays("letters.xlsx").first.drawing;
    request.format.isExcel = 0;
    request.format.firstLine = 1;
    request.format.separator = ",";
    EXPECT_TRUE(convertBothWays("letters.txt").first.drawing == sheetDrawing) << "the text file's drawing differs";
}

// The progress of a sheet converted while it is read is shown against the lines it will give:
// its used range when that fits, else what the bytes read so far say. The bar never goes back,
// and the count ends as the lines handled.
TEST_F(SheetRowSourceTest, TheProgressIsShownAgainstTheSheetsLength)
{
    const std::size_t lastRow = 6 * SheetRowSource::kBatchLines + 500;
    const std::vector<SheetRow> rows = surveyRows(lastRow);
    const std::size_t lines = lastRow - 1; // from line 2
    struct Case {
        std::string name;
        std::string dimension; // the dimension element, when any
        bool exact;            // the counts are the true count throughout
    };
    const std::vector<Case> cases{
        {"ranged.xlsx", "<dimension ref=\"A1:F" + std::to_string(lastRow) + "\"/>", true},
        {"unranged.xlsx", "", false},
        {"one-cell.xlsx", "<dimension ref=\"A1\"/>", false},
        {"whole-column.xlsx", "<dimension ref=\"A1:F1048576\"/>", false},
        {"short.xlsx", "<dimension ref=\"A1:F100\"/>", false},
        {"survey.ods", "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.name.ends_with(".ods")) {
            writeOds(c.name, odsTable("Points", rows));
        } else {
            sheettest::XlsxParts parts;
            parts.sheets = {{"Points", xlsxSheet(rows)}};
            auto files = sheettest::xlsxPackage(parts);
            for (auto& [part, xml] : files) {
                if (part == "xl/worksheets/sheet1.xml") {
                    xml.replace(xml.find("<sheetData>"), 0, c.dimension);
                }
            }
            sheettest::writeZip(pathOf("src/" + c.name), files);
        }
        request.files = runFilesOf({c.name}, pathOf("src").string(), pathOf("dest").string());
        RecordingProgress progress;
        double shown = 0;
        bool wentBack = false;
        progress.onLine = [&](std::size_t index) {
            const double now = static_cast<double>(index) / static_cast<double>(progress.lineCounts.back());
            wentBack = wentBack || now < shown;
            shown = now;
        };
        runBatch(request, progress);
        ASSERT_FALSE(progress.lineCounts.empty());
        EXPECT_FALSE(wentBack);
        EXPECT_EQ(progress.lineCounts.back(), lines);
        EXPECT_EQ(progress.positions.size(), lines + 1); // line 0 is shown before the first is converted
        // The first count is near the truth, not the first batch's lines.
        EXPECT_GE(progress.lineCounts.front(), lines * 9 / 10);
        EXPECT_LE(progress.lineCounts.front(), lines * 5 / 4);
        if (c.exact) {
            EXPECT_EQ(progress.lineCounts, std::vector<std::size_t>{lines});
        }
        EXPECT_NE(readFile(request.reportPath).find(">> " + std::to_string(lines) + " lines processed."),
                  std::string::npos);
    }
}
