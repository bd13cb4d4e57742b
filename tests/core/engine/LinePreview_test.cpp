// The preview of a point file's first lines says, line by line, exactly what a run's report says.

#include "EngineTestSupport.h"
#include "core/engine/BatchRun.h"
#include "core/engine/LinePreview.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using mervalon::engine::LinePreview;
using mervalon::engine::PreviewLine;
using mervalon::engine::previewLines;
using mervalon::engine::PreviewSettings;
using mervalon::enginetest::RecordingProgress;
using mervalon::enginetest::TempFolderTest;
using mervalon::formats::DecimalMark;
using mervalon::formats::FormatDefinition;
using mervalon::formats::PointValue;
using mervalon::formats::TextDialect;
using Kind = PreviewLine::Kind;

namespace {

PreviewSettings penzdc(const std::string& separator, TextDialect dialect = {}, int firstLine = 1)
{
    PreviewSettings s;
    s.format.name = "preview";
    s.format.separator = separator;
    s.format.firstLine = firstLine;
    const int columns[] = {1, 2, 3, 4, 5, 6};
    for (PointValue value : mervalon::formats::kPointValues) {
        s.format.value(value).column = columns[static_cast<int>(value)];
    }
    s.format.newPolylineCode = "1";
    s.format.drawPolylineCode = "2";
    s.format.endPolylineCode = "3";
    s.dialect = dialect;
    return s;
}

class LinePreviewTest : public TempFolderTest {
  protected:
    // The "  ! " lines of the file's block of a real run's report.
    std::vector<std::string> reportedLines(const std::string& file, const PreviewSettings& settings)
    {
        std::filesystem::create_directories(pathOf("install"));
        writeFile("install/dxf.dat", "  0\r\nSECTION\r\n  2\r\nTABLES\r\n  0\r\nTABLE\r\n  2\r\nLAYER\r\n 70\r\n");
        mervalon::engine::RunRequest request;
        request.format = settings.format;
        request.dialect = settings.dialect;
        request.runConfiguration.modifiers = settings.modifiers;
        request.installDir = pathOf("install");
        request.reportPath = pathOf("install/mervalon40.log");
        request.dryRun = true;
        request.files = mervalon::engine::runFilesOf({file}, m_dir.string(), m_dir.string());
        RecordingProgress progress;
        mervalon::engine::runBatch(request, progress);
        std::vector<std::string> lines;
        std::string report = readFile(request.reportPath);
        for (std::size_t at = 0; at < report.size();) {
            const std::size_t end = report.find("\r\n", at);
            const std::string line = report.substr(at, end - at);
            if (line.starts_with("  ! ")) {
                lines.push_back(line);
            }
            at = end + 2;
        }
        return lines;
    }

    static std::vector<std::string> previewedLines(const LinePreview& preview)
    {
        std::vector<std::string> lines;
        for (const PreviewLine& line : preview.lines) {
            lines.insert(lines.end(), line.messages.begin(), line.messages.end());
        }
        return lines;
    }
};

struct Case {
    const char* name;
    std::string content;
    PreviewSettings settings;
    std::vector<Kind> kinds;
    std::vector<std::vector<std::string>> fields; ///< of the point lines
    std::vector<std::vector<std::string>> messages;
};

TEST_F(LinePreviewTest, EachLinesMessagesAreThoseOfTheRunsReport)
{
    TextDialect comma;
    comma.decimalMark = DecimalMark::Comma;
    TextDialect quoted;
    quoted.quotedFields = true;
    quoted.headerLine = true;
    PreviewSettings renumbered = penzdc(",");
    renumbered.modifiers.renumber = 1;
    renumbered.modifiers.addValue = 10;
    const std::vector<Case> cases = {
        {"plain with faults",
         "1,100.5,200.5,10,kerb,1\n2,1OO.5,200,10,kerb,2\n3,100\n\n4,1,2,3\n5,1,2,x,tree,2\n6,1,2,3,wall,9\n",
         penzdc(","),
         {Kind::Point, Kind::Point, Kind::Point, Kind::Point, Kind::Point, Kind::Point, Kind::Point},
         {{"1", "100.5", "200.5", "10", "kerb", "1"},
          {"2", "1OO.5", "200", "10", "kerb", "2"},
          {"3", "100"},
          {},
          {"4", "1", "2", "3"},
          {"5", "1", "2", "x", "tree", "2"},
          {"6", "1", "2", "3", "wall", "9"}},
         {{},
          {"  ! Error in line 2: X coordinate is not a decimal value !"},
          {"  ! Error in line 3: Y coordinate is missing !"},
          {"  ! Line 4 is empty !"},
          // A line lacking both gets the code's warning alone, in the run's report as here.
          {"  ! Warning in line 5: Polyline Code is missing !"},
          {"  ! Error in line 6: Z coordinate is not a decimal value !"},
          {}}},
        {"comma decimals and a skipped line",
         "survey of 2026\n1;512340,125;5401200,5;10,25;kerb 3,5 m;1\n2;512340.1;5401200;1;a;3\n",
         penzdc(";", comma, 2),
         {Kind::Skipped, Kind::Point, Kind::Point},
         {{"1", "512340.125", "5401200.5", "10.25", "kerb 3,5 m", "1"}, {"2", "512340.1", "5401200", "1", "a", "3"}},
         {{}, {}, {}}},
        {"quoted fields after a header",
         "No,E,N,H,Desc,Code\n1,10,20,3,\"kerb, north\",1\n\"2\",\"1x\",20,3,b,2\n",
         penzdc(",", quoted),
         {Kind::Header, Kind::Point, Kind::Point},
         {{"1", "10", "20", "3", "kerb, north", "1"}, {"2", "1x", "20", "3", "b", "2"}},
         {{}, {}, {"  ! Error in line 2: X coordinate is not a decimal value !"}}},
        {"renumbering",
         "7,1,2,3,a,1\nP8,1,2,3,b,3\n",
         renumbered,
         {Kind::Point, Kind::Point},
         {{"7", "1", "2", "3", "a", "1"}, {"P8", "1", "2", "3", "b", "3"}},
         {{}, {"  ! Error in line 2: Number is not a number, it can not be renumbered !"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile("points.txt", c.content);
        const LinePreview preview = previewLines(pathOf("points.txt"), c.settings, 20, 20);
        ASSERT_EQ(preview.status, LinePreview::Status::Read) << preview.problem;
        ASSERT_EQ(preview.lines.size(), c.kinds.size());
        std::size_t point = 0;
        for (std::size_t i = 0; i < preview.lines.size(); ++i) {
            const PreviewLine& line = preview.lines[i];
            EXPECT_EQ(line.kind, c.kinds[i]) << i;
            EXPECT_EQ(line.fileLine, i + 1);
            EXPECT_EQ(line.messages, c.messages[i]) << i;
            EXPECT_EQ(line.faulty, !line.messages.empty() && line.messages[0].starts_with("  ! Error"));
            if (line.kind == Kind::Point) {
                EXPECT_EQ(line.fields, c.fields[point++]) << i;
            }
        }
        EXPECT_FALSE(preview.more);
        EXPECT_EQ(previewedLines(preview), reportedLines("points.txt", c.settings));
    }
}

TEST_F(LinePreviewTest, SkippedAndHeaderLinesAreShownAsRead)
{
    TextDialect header;
    header.headerLine = true;
    writeFile("points.txt", "Site 4\tnorth\n\nNo,E,N\n1,2,3\n");
    const LinePreview preview = previewLines(pathOf("points.txt"), penzdc(",", header, 3), 20, 20);
    ASSERT_EQ(preview.lines.size(), 4U);
    EXPECT_EQ(preview.lines[0].fields, std::vector<std::string>{"Site 4 north"});
    EXPECT_TRUE(preview.lines[1].empty);
    EXPECT_EQ(preview.lines[1].kind, Kind::Skipped);
    EXPECT_EQ(preview.lines[2].kind, Kind::Header);
    EXPECT_EQ(preview.lines[2].fields, std::vector<std::string>{"No,E,N"});
    EXPECT_EQ(preview.lines[3].fields, (std::vector<std::string>{"1", "2", "3"}));
}

TEST_F(LinePreviewTest, OnlyTheLinesAskedForAreReadAndTheLastOneDoesNotEndTheFile)
{
    std::string content;
    for (int i = 1; i <= 100; ++i) {
        // A code without its prefix is an error on every line but the file's last, which always ends the polyline.
        content += std::to_string(i) + ",1,2,3,d,7\n";
    }
    writeFile("points.txt", content);
    PreviewSettings settings = penzdc(",");
    settings.format.value(PointValue::Code).prefix = "C";
    const LinePreview preview = previewLines(pathOf("points.txt"), settings, 20, 20);
    ASSERT_EQ(preview.lines.size(), 20U);
    EXPECT_TRUE(preview.more);
    EXPECT_EQ(preview.lines[19].messages,
              std::vector<std::string>{"  ! Error in line 20: Prefix for Polyline Code is missing !"});
}

TEST_F(LinePreviewTest, AHugeLineEndsThePreviewWithoutBeingRead)
{
    writeFile("points.txt", "1,2,3\n" + std::string(50 * 1024 * 1024, 'x') + "\n4,5,6\n");
    const LinePreview preview = previewLines(pathOf("points.txt"), penzdc(","), 20, 20);
    ASSERT_EQ(preview.status, LinePreview::Status::Read);
    ASSERT_EQ(preview.lines.size(), 1U);
    EXPECT_TRUE(preview.longLineCut);
    EXPECT_TRUE(preview.more);
}

TEST_F(LinePreviewTest, FilesThatAreNoTextSaySo)
{
    writeFile("empty.txt", "");
    writeFile("book.xls", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(600, '\0'));
    writeFile("book.xlsx", std::string("PK\x03\x04", 4) + "rest");
    writeFile("wide.txt", std::string("\xFF\xFE"
                                      "1\0,\0"
                                      "2\0",
                                      8));
    const LinePreview empty = previewLines(pathOf("empty.txt"), penzdc(","), 20, 20);
    EXPECT_EQ(empty.status, LinePreview::Status::Read);
    EXPECT_TRUE(empty.lines.empty());
    for (const char* name : {"book.xls", "book.xlsx"}) {
        const LinePreview book = previewLines(pathOf(name), penzdc(","), 20, 20);
        EXPECT_EQ(book.status, LinePreview::Status::NotText) << name;
        EXPECT_EQ(book.problem, "\"" + pathOf(name).string() + "\" is a workbook, not a delimited text file");
    }
    const LinePreview wide = previewLines(pathOf("wide.txt"), penzdc(","), 20, 20);
    EXPECT_EQ(wide.status, LinePreview::Status::Unreadable);
    EXPECT_EQ(wide.problem, "Cannot read file \"" + pathOf("wide.txt").string() +
                                "\". It is a UTF-16 text; save it as UTF-8 or Windows-1252 (ANSI)");
    EXPECT_EQ(previewLines(pathOf("missing.txt"), penzdc(","), 20, 20).status, LinePreview::Status::Unreadable);
    EXPECT_EQ(previewLines(m_dir, penzdc(","), 20, 20).status, LinePreview::Status::NotText);
}

} // namespace
