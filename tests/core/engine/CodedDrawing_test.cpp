// Conversions with a code library: layers, symbols, lines by code and the report's lines on them.
#include "DrawingSetup.h"
#include "EngineTestSupport.h"
#include "core/codes/CodeSet.h"
#include "core/codes/SymbolLibrary.h"
#include "core/engine/FileConverter.h"
#include "core/engine/RunLog.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using mervalon::codes::CodeLibrary;
using mervalon::codes::CodeSet;
using mervalon::config::Configuration;
using mervalon::config::EntityKind;
using mervalon::engine::ConversionResult;
using mervalon::engine::ConversionSettings;
using mervalon::engine::convertFile;
using mervalon::engine::ErrorPolicy;
using mervalon::engine::RunLog;
using mervalon::enginetest::crlf;
using mervalon::enginetest::RecordingProgress;
using mervalon::enginetest::rowsOf;
using mervalon::enginetest::TempFolderTest;
using mervalon::formats::FormatDefinition;

using mervalon::testsupport::draw;
using mervalon::testsupport::sixColumnFormat;
using mervalon::testsupport::withPolylineCodes123;

namespace {

using Lines = std::vector<std::vector<std::string>>;

// An entity of the ENTITIES section as its groups, "code=value" joined by "|", without its handle.
std::vector<std::string> entitiesOf(const std::string& drawing)
{
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < drawing.size();) {
        const std::size_t end = drawing.find("\r\n", start);
        lines.push_back(drawing.substr(start, end - start));
        start = end == std::string::npos ? drawing.size() : end + 2;
    }
    std::vector<std::string> entities;
    std::size_t i = 0;
    while (i < lines.size() && lines[i] != "ENTITIES") {
        ++i;
    }
    for (++i; i + 1 < lines.size(); i += 2) {
        if (lines[i] == "  0") {
            if (lines[i + 1] == "ENDSEC") {
                break;
            }
            entities.push_back(lines[i + 1]);
        } else if (lines[i] != "  5" && !entities.empty()) {
            std::string code = lines[i];
            code.erase(0, code.find_first_not_of(' '));
            entities.back() += "|" + code + "=" + lines[i + 1];
        }
    }
    return entities;
}

std::vector<std::string> startingWith(const std::vector<std::string>& entities, const std::string& prefix)
{
    std::vector<std::string> found;
    for (const std::string& e : entities) {
        if (e.rfind(prefix, 0) == 0) {
            found.push_back(e);
        }
    }
    return found;
}

Configuration drawingConfiguration()
{
    Configuration c;
    draw(c, EntityKind::Point, "PTS", {}, 7);
    draw(c, EntityKind::Number, "NUM", "0.5", 3);
    draw(c, EntityKind::Elevation, "ELE", "0.5", 2).decimals = 2;
    draw(c, EntityKind::Polyline, "PL", {}, 1);
    c.layout.slot = {0, 3, -1, -1, -1};
    c.layout.distance = "0.5";
    return c;
}

const std::string kTreeFile = "  0\nSECTION\n  2\nBLOCKS\n  0\nBLOCK\n  8\n0\n  2\nTREE\n 70\n0\n 10\n0.0\n 20\n0.0\n"
                              " 30\n0.0\n  3\nTREE\n  0\nCIRCLE\n  8\n0\n 10\n0.0\n 20\n0.0\n 30\n0.0\n 40\n1.0\n"
                              "  0\nENDBLK\n  8\n0\n  0\nENDSEC\n  0\nEOF\n";

CodeSet codeSet(const std::string& library)
{
    CodeSet set;
    set.library = CodeLibrary::read(library, [](std::string_view name) { return name == "TREE" || name == "MANHOLE"; });
    for (const std::string& name : set.library.symbols()) {
        set.blocks.emplace(name, mervalon::codes::blockDefinition(name, kTreeFile, "TREE.dxf"));
    }
    return set;
}

const std::string kLibrary = "code,layer,colour,symbol,line,labels\n"
                             "EP*,EDGE,5,none,3d,\n"
                             "BLD,BUILDING,2,,3d,number\n"
                             "FENCE,FENCE,30,none,2d,\n"
                             "TREE,VEG,3,TREE,none,\n"
                             "MH,DRAIN,4,MANHOLE,none,\n"
                             "PTS,PTS,,,none,\n" // named like the configuration's point layer
                             "SPOT,SPOTS,,,none,elevation\n";

class CodedDrawingTest : public TempFolderTest {
  protected:
    ConversionResult convert(const Lines& lines, const std::string& library = kLibrary)
    {
        const CodeSet set = codeSet(library);
        ConversionSettings settings{configuration, format, ErrorPolicy::SkipLine, "P\r\n"};
        settings.codes = &set;
        const auto destination = pathOf("out.dxf");
        mervalon::engine::HeldRows rows(m_rows = rowsOf(lines));
        RunLog log(pathOf("report.log"));
        const ConversionResult result = convertFile(rows, settings, destination, log, progress);
        log.close();
        report = readFile(pathOf("report.log"));
        drawing = readFile(destination);
        entities = entitiesOf(drawing);
        created = ">> Dxf file created: " + destination.string();
        return result;
    }

    Configuration configuration = drawingConfiguration();
    FormatDefinition format = withPolylineCodes123(sixColumnFormat());
    mervalon::engine::FieldRows m_rows;
    RecordingProgress progress;
    std::string report;
    std::string drawing;
    std::string created;
    std::vector<std::string> entities;
};

} // namespace

TEST_F(CodedDrawingTest, TablesHoldTheLayersAndBlocksTheDrawingUses)
{
    convert({{"1", "10", "20", "5", "TREE", "0"},
             {"2", "11", "20", "5", "BLD", "0"},
             {"3", "12", "20", "5", "EP1", "0"},
             {"4", "13", "20", "5", "EP1", "0"},
             {"5", "14", "20", "5", "PTS", "0"}});
    const std::string layer = "  0\r\nLAYER\r\n  2\r\n";
    // The configuration's four layers, then those of the library the drawing uses, in the
    // library's order, each with its colour: PTS is the configuration's already, FENCE, DRAIN
    // and SPOTS are not used, nor is the MANHOLE block.
    EXPECT_EQ(drawing.substr(0, drawing.find(layer)), "P\r\n7\r\n");
    EXPECT_NE(
        drawing.find(crlf({"  2", "PTS", " 70", "  0", " 62", "7", "  6", "CONTINUOUS", "  0", "LAYER", "  2", "NUM"})),
        std::string::npos);
    EXPECT_NE(
        drawing.find(crlf({"  2", "PL",       " 70", "  0",     " 62", "1",      "  6", "CONTINUOUS", "  0", "LAYER",
                           "  2", "EDGE",     " 70", "  0",     " 62", "5",      "  6", "CONTINUOUS", "  0", "LAYER",
                           "  2", "BUILDING", " 70", "  0",     " 62", "2",      "  6", "CONTINUOUS", "  0", "LAYER",
                           "  2", "VEG",      " 70", "  0",     " 62", "3",      "  6", "CONTINUOUS", "  0", "ENDTAB",
                           "  0", "ENDSEC",   "  0", "SECTION", "  2", "BLOCKS", "  0", "BLOCK",      "  8", "0",
                           "  2", "TREE"})),
        std::string::npos);
    EXPECT_NE(drawing.find(crlf({"  0", "ENDBLK", "  8", "0", "  0", "ENDSEC", "  0", "SECTION", "  2", "ENTITIES"})),
              std::string::npos);
    EXPECT_EQ(drawing.find("MANHOLE"), std::string::npos);
    EXPECT_EQ(drawing.find("DRAIN"), std::string::npos);
    EXPECT_EQ(std::count(drawing.begin(), drawing.end(), '\n'), std::count(drawing.begin(), drawing.end(), '\r'));
    EXPECT_TRUE(drawing.ends_with("  0\r\nENDSEC\r\n  0\r\nEOF\r\n"));
}

TEST_F(CodedDrawingTest, ADrawingWithoutSymbolsHasNoBlocksSection)
{
    convert({{"1", "10", "20", "5", "BLD", "0"}});
    EXPECT_EQ(drawing.find("BLOCKS"), std::string::npos);
    EXPECT_EQ(drawing.substr(0, 6), "P\r\n5\r\n");
}

TEST_F(CodedDrawingTest, EachPointOnItsCodesLayerWithItsSymbol)
{
    const auto result = convert({{"1", "10", "20", "5.5", "TREE / old oak", "0"},
                                 {"2", "11", "21", "6", "BLD", "0"},
                                 {"3", "12", "22", "7", "EP1", "0"},
                                 {"4", "13", "23", "8", "", "0"}});
    EXPECT_EQ(startingWith(entities, "INSERT"),
              std::vector<std::string>{"INSERT|8=VEG|66=1|2=TREE|10=10|20=20|30=5.5"});
    EXPECT_EQ(startingWith(entities, "ATTRIB"),
              (std::vector<std::string>{
                  "ATTRIB|8=VEG|10=10|20=20|30=5.5|40=0.5|1=1|2=NUMBER|70=1",
                  "ATTRIB|8=VEG|10=10|20=20|30=5.5|40=0.5|1=5.5|2=ELEVATION|70=1",
                  "ATTRIB|8=VEG|10=10|20=20|30=5.5|40=0.5|1=TREE / old oak|2=DESCRIPTION|70=1",
              }));
    // An empty symbol is the configured POINT on the code's layer; "none" draws no point; a point
    // without codes is drawn as without a library.
    EXPECT_EQ(startingWith(entities, "POINT"),
              (std::vector<std::string>{"POINT|8=BUILDING|10=11|20=21|30=6", "POINT|8=PTS|10=13|20=23|30=8"}));
    EXPECT_EQ(result.points, 3U);
    // The labels stay texts; BLD asks for the number only.
    EXPECT_EQ(startingWith(entities, "TEXT").size(), 2U + 1 + 2 + 2);
}

TEST_F(CodedDrawingTest, InterleavedInstancesClosedAndFlatLines)
{
    const auto result = convert({{"1", "0", "0", "1", "EP1 B", "1"},
                                 {"2", "0", "10", "2", "EP2 B", "1"},
                                 {"3", "5", "0", "3", "EP1", "2"},
                                 {"4", "5", "10", "4", "EP2", "2"},
                                 {"5", "20", "20", "5", "BLD", "2"},
                                 {"6", "30", "20", "6", "BLD", "3"},
                                 {"7", "30", "30", "7", "BLD C FENCE", "3"},
                                 {"8", "9", "0", "8", "EP1 E", "3"},
                                 {"9", "40", "40", "9", "FENCE", "3"}});
    EXPECT_EQ(startingWith(entities, "POLYLINE"), (std::vector<std::string>{
                                                      "POLYLINE|8=BUILDING|66=1|10=0.0|20=0.0|30=0.0|70=9",
                                                      "POLYLINE|8=EDGE|66=1|10=0.0|20=0.0|30=0.0|70=8",
                                                      "POLYLINE|8=EDGE|66=1|10=0.0|20=0.0|30=0.0|70=8",
                                                      "POLYLINE|8=FENCE|66=1|10=0.0|20=0.0|30=0.0|70=0",
                                                  }));
    EXPECT_EQ(startingWith(entities, "VERTEX"), (std::vector<std::string>{
                                                    "VERTEX|8=BUILDING|10=20|20=20|30=5|70=32",
                                                    "VERTEX|8=BUILDING|10=30|20=20|30=6|70=32",
                                                    "VERTEX|8=BUILDING|10=30|20=30|30=7|70=32",
                                                    "VERTEX|8=EDGE|10=0|20=0|30=1|70=32",
                                                    "VERTEX|8=EDGE|10=5|20=0|30=3|70=32",
                                                    "VERTEX|8=EDGE|10=9|20=0|30=8|70=32",
                                                    "VERTEX|8=EDGE|10=0|20=10|30=2|70=32",
                                                    "VERTEX|8=EDGE|10=5|20=10|30=4|70=32",
                                                    "VERTEX|8=FENCE|10=30|20=30|30=0.0|70=0",
                                                    "VERTEX|8=FENCE|10=40|20=40|30=0.0|70=0",
                                                }));
    EXPECT_EQ(result.polylines, 4U);
    EXPECT_EQ(report, crlf({">> Lines by code", "    BLD   : 1 line, 1 closed", "    EP    : 2 lines, 0 closed",
                            "    FENCE : 1 line, 0 closed", "", ">> 9 lines processed.", created, "", ""}));
}

TEST_F(CodedDrawingTest, ReportCountsUnknownCodesOnceAndWarnsOfLinesOfOnePoint)
{
    convert({{"1", "0", "0", "1", "XY", "0"},
             {"2", "1", "0", "1", "EP7", "0"},
             {"3", "2", "0", "1", "xy QQ", "0"},
             {"4", "3", "0", "1", "XY", "0"},
             {"5", "4", "0", "1", "B TREE", "0"}});
    EXPECT_EQ(report, crlf({"  ! Warning in line 5: \"B\" follows no code and is ignored !",
                            "  ! Warning in line 2: The line of EP7 has one point, it is not drawn !",
                            "  ! Warning: Code \"QQ\" is not in the code library, 1 point drawn on the configuration's "
                            "layers !",
                            "  ! Warning: Code \"XY\" is not in the code library, 3 points drawn on the "
                            "configuration's layers !",
                            "", ">> 5 lines processed.", created, "", ""}));
    // Unknown codes without a "*" row are drawn on the configuration's layers.
    EXPECT_EQ(startingWith(entities, "POINT|8=PTS").size(), 3U);
}

TEST_F(CodedDrawingTest, DefaultRowTakesUnknownCodes)
{
    convert({{"1", "0", "0", "1", "XY", "0"}, {"2", "1", "0", "1", "XY", "0"}},
            "code,layer,colour,line\n*,OTHER,8,3d\n");
    EXPECT_EQ(startingWith(entities, "POINT"),
              (std::vector<std::string>{"POINT|8=OTHER|10=0|20=0|30=1", "POINT|8=OTHER|10=1|20=0|30=1"}));
    EXPECT_EQ(startingWith(entities, "POLYLINE").size(), 1U);
    EXPECT_NE(report.find("  ! Warning: Code \"XY\" is not in the code library, 2 points drawn by its row \"*\" !\r\n"),
              std::string::npos);
}
