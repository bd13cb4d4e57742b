// The same points written in each dialect give the same drawing and the same report.

#include "DrawingSetup.h"
#include "EngineTestSupport.h"
#include "core/engine/BatchRun.h"
#include "core/engine/TextReader.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using mervalon::config::Configuration;
using mervalon::config::EntityKind;
using mervalon::engine::runBatch;
using mervalon::engine::runFilesOf;
using mervalon::engine::RunRequest;
using mervalon::enginetest::RecordingProgress;
using mervalon::enginetest::TempFolderTest;
using mervalon::formats::DecimalMark;
using mervalon::formats::FormatDefinition;
using mervalon::formats::TextDialect;

using mervalon::testsupport::draw;
using mervalon::testsupport::sixColumnFormat;

namespace {

const std::string kStandInPrologue = "  0\r\nSECTION\r\n  2\r\nTABLES\r\n  0\r\nTABLE\r\n  2\r\nLAYER\r\n 70\r\n";

FormatDefinition formatWith(const std::string& separator)
{
    return sixColumnFormat("dialect", separator);
}

Configuration labelled()
{
    Configuration c;
    draw(c, EntityKind::Point, "PTS");
    draw(c, EntityKind::Number, "NUM", "0.5");
    draw(c, EntityKind::Elevation, "ELE", "0.5");
    draw(c, EntityKind::Description, "DES", "0.5");
    c.layout.distance = "0.5";
    c.layout.slot[0] = static_cast<std::int32_t>(mervalon::config::EntityContent::Number);
    c.layout.slot[1] = static_cast<std::int32_t>(mervalon::config::EntityContent::Elevation);
    c.layout.slot[2] = static_cast<std::int32_t>(mervalon::config::EntityContent::Description);
    return c;
}

class DialectReadingTest : public TempFolderTest {
  protected:
    struct Output {
        std::string drawing;
        std::string block; ///< the file's block of the report
    };

    Output convert(const std::string& content, const FormatDefinition& format, const TextDialect& dialect)
    {
        std::filesystem::remove_all(pathOf("run"));
        std::filesystem::create_directories(pathOf("run/install"));
        writeFile("run/install/dxf.dat", kStandInPrologue);
        writeFile("run/points.txt", content);
        RunRequest request;
        request.runConfiguration = labelled();
        request.format = format;
        request.dialect = dialect;
        request.installDir = pathOf("run/install");
        request.reportPath = pathOf("run/install/mervalon40.log");
        request.timestamp = "2026-12-09 23:50:00";
        request.files = runFilesOf({"points.txt"}, pathOf("run").string(), pathOf("run").string());
        RecordingProgress progress;
        runBatch(request, progress);
        const std::string report = readFile(request.reportPath);
        return {readFile(pathOf("run/points.dxf")), report.substr(report.find("Point file :"))};
    }
};

// The points: a label, a description with a comma and quotes, a negative elevation, and a line with a faulty East for
// the report.
const std::string kPlain = "1;512340.125;5412345.500;301.20;kerb, north \"A\";1\n"
                           "2;512350.000;5412350.250;-0.75;wall;2\n"
                           "B7;512360.5;5412355;301;tree;0\n"
                           "4;51x;5412360.0;300.5;bad;0\n";

TEST(DialectReading, NoDialectCutsExactlyAsAPlainFormat)
{
    EXPECT_TRUE(TextDialect{}.splitsPlainly());
    EXPECT_TRUE((TextDialect{DecimalMark::Comma, false, true, false, true}).splitsPlainly());
}

TEST_F(DialectReadingTest, EveryDialectOfTheSamePointsGivesTheSameDrawingAndReport)
{
    const Output reference = convert(kPlain, formatWith(";"), TextDialect{});
    ASSERT_NE(reference.drawing.find("kerb, north \"A\""), std::string::npos) << reference.drawing;
    ASSERT_NE(reference.block.find("  ! Error in line 4: X coordinate is not a decimal value !"), std::string::npos)
        << reference.block;
    const TextDialect comma{DecimalMark::Comma, false, true, false, false};
    const TextDialect quoted{DecimalMark::Point, true, true, false, false};
    const TextDialect quotedComma{DecimalMark::Comma, true, true, false, false};
    const TextDialect header{DecimalMark::Point, false, true, false, true};
    const TextDialect germanSheet{DecimalMark::Comma, false, true, true, true};
    const struct {
        const char* name;
        std::string separator;
        TextDialect dialect;
        std::string content;
    } cases[] = {
        {"semicolon, comma decimals", ";", comma,
         "1;512340,125;5412345,500;301,20;kerb, north \"A\";1\n2;512350,000;5412350,250;-0,75;wall;2\n"
         "B7;512360,5;5412355;301;tree;0\n4;51x;5412360,0;300,5;bad;0\n"},
        {"tab, comma decimals, CR LF", "\t", comma,
         "1\t512340,125\t5412345,500\t301,20\tkerb, north \"A\"\t1\r\n2\t512350,000\t5412350,250\t-0,75\twall\t2\r\n"
         "B7\t512360,5\t5412355\t301\ttree\t0\r\n4\t51x\t5412360,0\t300,5\tbad\t0\r\n"},
        {"comma, quoted fields", ",", quoted,
         "1,512340.125,5412345.500,301.20,\"kerb, north \"\"A\"\"\",1\n\"2\",\"512350.000\",\"5412350.250\","
         "\"-0.75\",\"wall\",\"2\"\nB7,512360.5,5412355,301,\"tree\",0\n4,51x,5412360.0,300.5,bad,0\n"},
        {"semicolon, quoted, comma decimals", ";", quotedComma,
         "\"1\";\"512340,125\";\"5412345,500\";\"301,20\";\"kerb, north \"\"A\"\"\";\"1\"\n"
         "\"2\";\"512350,000\";\"5412350,250\";\"-0,75\";\"wall\";\"2\"\n\"B7\";\"512360,5\";\"5412355\";\"301\";"
         "\"tree\";\"0\"\n"
         "\"4\";\"51x\";\"5412360,0\";\"300,5\";\"bad\";\"0\"\n"},
        {"header line", ";", header, "Point;East;North;Elevation;Description;Code\n" + kPlain},
        {"blanks around fields", ";", quoted,
         "  1 ;  512340.125 ; 5412345.500 ;301.20 ; \"kerb, north \"\"A\"\"\"  ; 1\n"
         "2 ;512350.000;5412350.250 ; -0.75 ; wall ; 2\nB7; 512360.5 ;5412355; 301 ; tree ;0 \n"
         "4;51x ;5412360.0;300.5;bad;0\n"},
        {"German spreadsheet with header and empty cells", ";", germanSheet,
         "Punkt;Rechtswert;Hochwert;H\xC3\xB6he;Beschreibung;Code\n"
         "1;512340,125;5412345,500;301,20;kerb, north \"A\";1\n2;512350,000;5412350,250;-0,75;wall;2\n"
         "B7;512360,5;5412355;301;tree;0\n4;51x;5412360,0;300,5;bad;0\n"},
    };
    for (const auto& c : cases) {
        const Output output = convert(c.content, formatWith(c.separator), c.dialect);
        EXPECT_EQ(output.drawing, reference.drawing) << c.name;
        EXPECT_EQ(output.block, reference.block) << c.name;
    }
}

TEST_F(DialectReadingTest, AnEmptyCellKeepsItsColumnAndCountsAsMissing)
{
    const TextDialect keep{DecimalMark::Point, false, true, true, false};
    // Without the dialect the empty elevation would move the description into its column.
    const Output shifted = convert("1;10;20;;tree;0\n", formatWith(";"), TextDialect{});
    EXPECT_NE(shifted.block.find("  ! Error in line 1: Z coordinate is not a decimal value !"), std::string::npos)
        << shifted.block;
    const Output kept = convert("1;10;20;;tree;0\n", formatWith(";"), keep);
    EXPECT_NE(kept.block.find("  ! Error in line 1: Z coordinate is missing !"), std::string::npos) << kept.block;
}

TEST_F(DialectReadingTest, OnlyTheCoordinateColumnsReadADecimalComma)
{
    const TextDialect comma{DecimalMark::Comma, false, true, false, false};
    FormatDefinition format = formatWith(";");
    const Output output = convert("1,5;10,25;20,5;3,75;3,5 m;0\n", format, comma);
    EXPECT_NE(output.drawing.find("\r\n1,5\r\n"), std::string::npos) << output.drawing;   // the number as written
    EXPECT_NE(output.drawing.find("\r\n3,5 m\r\n"), std::string::npos) << output.drawing; // the description too
    EXPECT_NE(output.drawing.find("\r\n3.75\r\n"), std::string::npos) << output.drawing;  // the elevation read
    EXPECT_NE(output.block.find(">> 1 lines processed."), std::string::npos) << output.block;
}

TEST_F(DialectReadingTest, BlanksAroundFieldsAreKeptWhenTheDialectSaysSo)
{
    const TextDialect kept{DecimalMark::Point, false, false, false, false};
    const auto rows = mervalon::engine::readTextLines(writeFile("a.txt", "1;10; 20 ;3; kerb north ;0\n"), ";", 1,
                                                      mervalon::engine::LineDialect{kept, {}});
    ASSERT_EQ(rows.size(), 1U);
    EXPECT_EQ(rows.rowAsList(0), (mervalon::engine::FieldList{"1", "10", " 20 ", "3", " kerb north ", "0"}));
}

TEST_F(DialectReadingTest, TheHeaderIsSkippedAfterTheLinesToSkip)
{
    const TextDialect header{DecimalMark::Point, false, true, false, true};
    FormatDefinition format = formatWith(";");
    format.firstLine = 3; // two lines of the instrument's own before the header
    const auto rows =
        mervalon::engine::readTextLines(writeFile("a.txt", "job 12\ndate\nPt;E;N\n1;10;20\n"), ";", format.firstLine,
                                        mervalon::engine::lineDialectOf(format, header));
    ASSERT_EQ(rows.size(), 1U);
    EXPECT_EQ(rows.rowAsList(0), (mervalon::engine::FieldList{"1", "10", "20"}));
}

} // namespace

namespace {

// Lines of separators, quotes, blanks, digits and letters, the same every run.
std::vector<std::string> jumbledLines()
{
    const std::string alphabet = "\",; \t|1.5aB\"\"";
    std::vector<std::string> lines;
    std::uint32_t state = 12345;
    for (int n = 0; n < 3000; ++n) {
        std::string line;
        const int length = n % 24;
        for (int i = 0; i < length; ++i) {
            state = state * 1664525U + 1013904223U;
            line += alphabet[(state >> 16) % alphabet.size()];
        }
        // A line reaches the cutting trimmed, as the reader hands it over.
        while (!line.empty() && static_cast<unsigned char>(line.front()) <= 32) {
            line.erase(0, 1);
        }
        while (!line.empty() && static_cast<unsigned char>(line.back()) <= 32) {
            line.pop_back();
        }
        lines.push_back(line);
    }
    return lines;
}

TEST(DialectReading, ThePlainDialectCutsAnyLineAsThePlainReader)
{
    for (const std::string& line : jumbledLines()) {
        for (const char separator : {',', ';', ' ', '\t', '\0'}) {
            std::string copy = line;
            std::vector<std::string_view> fields;
            mervalon::formats::splitFields(std::span<char>(copy.data(), copy.size()), separator, TextDialect{}, fields);
            const std::string cut = separator == '\0' ? std::string() : std::string(1, separator);
            EXPECT_EQ(mervalon::engine::FieldList(fields.begin(), fields.end()), mervalon::engine::splitLine(line, cut))
                << line;
        }
    }
}

TEST(DialectReading, EveryDialectCutsAnyLineIntoFieldsWithinIt)
{
    for (const std::string& line : jumbledLines()) {
        for (int flags = 0; flags < 8; ++flags) {
            const TextDialect dialect{DecimalMark::Point, (flags & 1) != 0, (flags & 2) != 0, (flags & 4) != 0, false};
            std::string copy = line;
            std::vector<std::string_view> fields;
            mervalon::formats::splitFields(std::span<char>(copy.data(), copy.size()), ',', dialect, fields);
            std::size_t total = 0;
            for (const std::string_view field : fields) {
                ASSERT_GE(field.data(), copy.data()) << line;
                ASSERT_LE(field.data() + field.size(), copy.data() + copy.size()) << line;
                total += field.size();
            }
            EXPECT_LE(total, line.size()) << line;
        }
    }
}

} // namespace
