#include "EngineTestSupport.h"
#include "core/engine/DxfWriter.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using mervalon::config::Configuration;
using mervalon::config::EntityContent;
using mervalon::config::EntityKind;
using mervalon::engine::DxfWriter;
using mervalon::engine::Vertex;
using mervalon::enginetest::crlf;
using mervalon::enginetest::TempFolderTest;

namespace {

// A stand-in prologue: the writer only appends to whatever it is given.
const std::string kPrologue = "PROLOGUE\r\n 70\r\n";

const std::vector<std::string> kTableEnd = {"  0", "ENDTAB", "  0", "ENDSEC", "  0", "SECTION", "  2", "ENTITIES"};
const std::vector<std::string> kClosing = {"  0", "ENDSEC", "  0", "EOF"};

std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Point and three texts of the worked example, all 3D.
Configuration exampleConfiguration()
{
    Configuration c;
    c.entity(EntityKind::Point).create = 1;
    c.entity(EntityKind::Point).layer = "POINTS";
    c.entity(EntityKind::Point).color = 7;
    for (auto* height :
         {&c.entity(EntityKind::Number).height, &c.entity(EntityKind::X).height, &c.entity(EntityKind::Y).height,
          &c.entity(EntityKind::Elevation).height, &c.entity(EntityKind::Description).height}) {
        *height = "0.5";
    }
    c.entity(EntityKind::Number).create = 1;
    c.entity(EntityKind::Number).layer = "NUMBERS";
    c.entity(EntityKind::Number).color = 3;
    c.entity(EntityKind::X).create = 1;
    c.entity(EntityKind::X).layer = "XL";
    c.entity(EntityKind::X).color = 4;
    c.entity(EntityKind::Y).create = 1;
    c.entity(EntityKind::Y).layer = "YL";
    c.entity(EntityKind::Y).color = 5;
    c.entity(EntityKind::Elevation).layer = "ZL";
    c.entity(EntityKind::Description).layer = "DL";
    c.entity(EntityKind::Polyline).layer = "PL";
    c.entity(EntityKind::X).decimals = 2;
    c.entity(EntityKind::Y).decimals = 2;
    c.entity(EntityKind::Elevation).decimals = 2;
    c.layout.distance = "1.5";
    return c;
}

class DxfWriterTest : public TempFolderTest {
  protected:
    std::string drawing() const { return readFile(pathOf("out.dxf")); }
    std::filesystem::path out() const { return pathOf("out.dxf"); }
};

std::vector<std::string> layer(const std::string& name, const std::string& color)
{
    return {"  0", "LAYER", "  2", name, " 70", "  0", " 62", color, "  6", "CONTINUOUS"};
}

} // namespace

TEST_F(DxfWriterTest, NoKindEnabledGivesAnEmptyLayerTable)
{
    Configuration c;
    DxfWriter writer(c, kPrologue);
    ASSERT_TRUE(writer.beginDrawing(out()));
    ASSERT_TRUE(writer.finishDrawing());
    EXPECT_EQ(drawing(), kPrologue + crlf(std::vector<std::string>{"0"} + kTableEnd + kClosing));
}

TEST_F(DxfWriterTest, LayerEntriesFollowTheKindOrderAndCountOnlyFlagsOfOne)
{
    Configuration c = exampleConfiguration();
    c.entity(EntityKind::Point).layer = "SHARED";
    c.entity(EntityKind::Polyline).create = 1;
    c.entity(EntityKind::Polyline).layer = "SHARED";
    c.entity(EntityKind::Polyline).color = 1;
    c.entity(EntityKind::X).create = 0;
    c.entity(EntityKind::Y).create = 2;           // a damaged flag: not exactly 1, so not set
    c.entity(EntityKind::Elevation).create = 255; // the same
    c.entity(EntityKind::Description).create = 1;
    c.entity(EntityKind::Description).color = 256; // written as stored
    DxfWriter writer(c, kPrologue);
    ASSERT_TRUE(writer.beginDrawing(out()));
    writer.finishDrawing();
    EXPECT_EQ(drawing(), kPrologue + crlf(std::vector<std::string>{"4"} + layer("SHARED", "7") + layer("NUMBERS", "3") +
                                          layer("DL", "256") + layer("SHARED", "1") + kTableEnd + kClosing));
}

TEST_F(DxfWriterTest, WorkedExampleIsWrittenByteForByte)
{
    const Configuration c = exampleConfiguration();
    DxfWriter writer(c, kPrologue);
    ASSERT_TRUE(writer.beginDrawing(out()));
    writer.writePoint("1000.0", "2000.0", "15.25");
    writer.beginPointTexts(1000.0);
    EXPECT_TRUE(writer.writeText(EntityContent::Number, "17", "2000.0", "15.25"));
    EXPECT_TRUE(writer.writeText(EntityContent::XCoordinate, "1000.00", "2000.0", "15.25"));
    EXPECT_TRUE(writer.writeText(EntityContent::YCoordinate, "2000.00", "2000.0", "15.25"));
    ASSERT_TRUE(writer.finishDrawing());

    const std::vector<std::string> expected = std::vector<std::string>{"4"} + layer("POINTS", "7") +
                                              layer("NUMBERS", "3") + layer("XL", "4") + layer("YL", "5") + kTableEnd +
                                              std::vector<std::string>{"  0", "POINT",
                                                                       "  5", "009A",
                                                                       "  8", "POINTS",
                                                                       " 10", "1000.0",
                                                                       " 20", "2000.0",
                                                                       " 30", "15.25",
                                                                       "  0", "TEXT",
                                                                       "  5", "009B",
                                                                       "  8", "NUMBERS",
                                                                       " 10", "1001.50000000000000",
                                                                       " 20", " 2.00000000000000E+0003",
                                                                       " 30", "15.25",
                                                                       " 40", "0.5",
                                                                       "  1", "17",
                                                                       "  7", "NUMBERS",
                                                                       "  0", "TEXT",
                                                                       "  5", "009C",
                                                                       "  8", "XL",
                                                                       " 10", "1001.50000000000000",
                                                                       " 20", " 1.99940000000000E+0003",
                                                                       " 30", "15.25",
                                                                       " 40", "0.5",
                                                                       "  1", "1000.00",
                                                                       "  7", "COORDINATES",
                                                                       "  0", "TEXT",
                                                                       "  5", "009D",
                                                                       "  8", "YL",
                                                                       " 10", "1001.50000000000000",
                                                                       " 20", " 1.99880000000000E+0003",
                                                                       " 30", "15.25",
                                                                       " 40", "0.5",
                                                                       "  1", "2000.00",
                                                                       "  7", "COORDINATES"} +
                                              kClosing;
    EXPECT_EQ(drawing(), kPrologue + crlf(expected));
}

TEST_F(DxfWriterTest, ElevationAndDescriptionTextsUseTheirStylesAndTheElevationPrecision)
{
    Configuration c;
    c.entity(EntityKind::Elevation).create = 1;
    c.entity(EntityKind::Elevation).layer = "ZL";
    c.entity(EntityKind::Elevation).height = "1";
    c.entity(EntityKind::Description).create = 1;
    c.entity(EntityKind::Description).layer = "DL";
    c.entity(EntityKind::Description).height = "2.0";
    c.entity(EntityKind::Description).flat = 1;
    c.entity(EntityKind::Elevation).decimals = 3;
    c.layout.distance = "0.5";
    DxfWriter writer(c, kPrologue);
    ASSERT_TRUE(writer.beginDrawing(out()));
    writer.beginPointTexts(-5.0);
    EXPECT_TRUE(writer.writeText(EntityContent::Elevation, "15.000", "-1234.5", "15"));
    EXPECT_TRUE(writer.writeText(EntityContent::Description, "oak", "-1234.5", "15"));
    ASSERT_TRUE(writer.finishDrawing());

    const std::vector<std::string> expected = std::vector<std::string>{"2"} + layer("ZL", "0") + layer("DL", "0") +
                                              kTableEnd + std::vector<std::string>{"  0", "TEXT",
                                                                                   "  5", "009A",
                                                                                   "  8", "ZL",
                                                                                   " 10", "-4.50000000000000",
                                                                                   " 20", "-1.23450000000000E+0003",
                                                                                   " 30", "15.000",
                                                                                   " 40", "1",
                                                                                   "  1", "15.000",
                                                                                   "  7", "ELEVATION",
                                                                                   "  0", "TEXT",
                                                                                   "  5", "009B",
                                                                                   "  8", "DL",
                                                                                   " 10", "-4.50000000000000",
                                                                                   " 20", "-1.23570000000000E+0003",
                                                                                   " 30", "0.0",
                                                                                   " 40", "2.0",
                                                                                   "  1", "oak",
                                                                                   "  7", "DESCRIPTION"};
    EXPECT_EQ(drawing(), kPrologue + crlf(expected + kClosing));
}

TEST_F(DxfWriterTest, PointsKeepTheirZTextIn3DAndGetZeroIn2D)
{
    Configuration c;
    c.entity(EntityKind::Point).create = 1;
    c.entity(EntityKind::Point).layer = "P";
    for (const auto& [flat, z] : {std::pair{0, "12.500"}, std::pair{1, "0.0"}}) {
        c.entity(EntityKind::Point).flat = static_cast<std::uint8_t>(flat);
        DxfWriter writer(c, "");
        ASSERT_TRUE(writer.beginDrawing(out()));
        writer.writePoint("1000.500", "-2000", "12.500");
        ASSERT_TRUE(writer.finishDrawing());
        const std::string expected = crlf(std::vector<std::string>{"  0", "POINT", "  5", "009A", "  8", "P", " 10",
                                                                   "1000.500", " 20", "-2000", " 30", z} +
                                          kClosing);
        const std::string text = drawing();
        ASSERT_GE(text.size(), expected.size());
        EXPECT_EQ(text.substr(text.size() - expected.size()), expected) << "point2D " << flat;
    }
}

TEST_F(DxfWriterTest, PolylineLayoutIn3DAnd2D)
{
    Configuration c;
    c.entity(EntityKind::Polyline).create = 1;
    c.entity(EntityKind::Polyline).layer = "ROAD";
    const std::vector<Vertex> vertices = {{"1", "2", "3.50"}, {"4", "5", "6"}, {"7", "8", "-9"}};
    for (const std::uint8_t flat : {std::uint8_t{0}, std::uint8_t{1}}) {
        c.entity(EntityKind::Polyline).flat = flat;
        DxfWriter writer(c, "");
        ASSERT_TRUE(writer.beginDrawing(out()));
        writer.writePolyline(vertices);
        ASSERT_TRUE(writer.finishDrawing());
        std::vector<std::string> expected = {"  0", "POLYLINE", "  5", "009A", "  8", "ROAD", " 66", "1",
                                             " 10", "0.0",      " 20", "0.0",  " 30", "0.0",  " 70", "8"};
        const char* handles[] = {"009B", "009C", "009D"};
        for (std::size_t i = 0; i < vertices.size(); ++i) {
            expected =
                expected + std::vector<std::string>{"  0", "VERTEX",      "  5", handles[i],
                                                    "  8", "ROAD",        " 10", vertices[i].x,
                                                    " 20", vertices[i].y, " 30", flat != 0 ? "0.0" : vertices[i].z,
                                                    " 70", "32"};
        }
        expected = expected + std::vector<std::string>{"  0", "SEQEND", "  5", "009E", "  8", "ROAD"} + kClosing;
        const std::string text = drawing();
        const std::string tail = crlf(expected);
        ASSERT_GE(text.size(), tail.size());
        EXPECT_EQ(text.substr(text.size() - tail.size()), tail) << "polyline2D " << int(flat);
    }
}

TEST_F(DxfWriterTest, HandlesGrowInUpperCaseHexadecimal)
{
    Configuration c;
    c.entity(EntityKind::Point).create = 1;
    c.entity(EntityKind::Point).layer = "P";
    DxfWriter writer(c, "");
    ASSERT_TRUE(writer.beginDrawing(out()));
    // 154 .. 65536 inclusive.
    for (int handle = 154; handle <= 65536; ++handle) {
        writer.writePoint("0", "0", "0");
    }
    ASSERT_TRUE(writer.finishDrawing());
    const std::string text = drawing();
    for (const char* handle : {"009A", "009F", "00FF", "0100", "0ABC", "FFFF", "10000"}) {
        EXPECT_NE(text.find("\r\n  5\r\n" + std::string(handle) + "\r\n"), std::string::npos) << handle;
    }
    EXPECT_EQ(text.find("\r\n  5\r\n00ff\r\n"), std::string::npos);
    EXPECT_EQ(text.find("\r\n  5\r\n10001\r\n"), std::string::npos);
}

TEST_F(DxfWriterTest, HandleCounterStartsAgainForEveryFile)
{
    Configuration c;
    c.entity(EntityKind::Point).create = 1;
    DxfWriter writer(c, "");
    ASSERT_TRUE(writer.beginDrawing(pathOf("a.dxf")));
    writer.writePoint("0", "0", "0");
    writer.writePoint("0", "0", "0");
    writer.finishDrawing();
    ASSERT_TRUE(writer.beginDrawing(out()));
    writer.writePoint("0", "0", "0");
    writer.finishDrawing();
    EXPECT_NE(drawing().find("  5\r\n009A\r\n"), std::string::npos);
    EXPECT_EQ(drawing().find("009B"), std::string::npos);
}

TEST_F(DxfWriterTest, ZeroHeightKeepsTheNextTextInPlace)
{
    Configuration c = exampleConfiguration();
    c.entity(EntityKind::Number).height = "0";
    c.entity(EntityKind::X).height = "0.000";
    DxfWriter writer(c, "");
    ASSERT_TRUE(writer.beginDrawing(out()));
    writer.beginPointTexts(0.0);
    writer.writeText(EntityContent::Number, "1", "2000", "1");
    writer.writeText(EntityContent::XCoordinate, "0.00", "2000", "1");
    writer.writeText(EntityContent::YCoordinate, "2000.00", "2000", "1");
    writer.writeText(EntityContent::YCoordinate, "2000.00", "2000", "1");
    writer.finishDrawing();
    const std::string text = drawing();
    std::size_t sameY = 0;
    for (std::size_t at = text.find(" 2.00000000000000E+0003"); at != std::string::npos;
         at = text.find(" 2.00000000000000E+0003", at + 1)) {
        ++sameY;
    }
    EXPECT_EQ(sameY, 3u);
    EXPECT_NE(text.find(" 1.99940000000000E+0003"), std::string::npos);
}

TEST_F(DxfWriterTest, OffsetRestartsWithEveryPoint)
{
    Configuration c = exampleConfiguration();
    DxfWriter writer(c, "");
    ASSERT_TRUE(writer.beginDrawing(out()));
    writer.beginPointTexts(0.0);
    writer.writeText(EntityContent::Number, "1", "100", "1");
    writer.writeText(EntityContent::Number, "1", "100", "1");
    writer.beginPointTexts(0.0);
    writer.writeText(EntityContent::Number, "2", "100", "1");
    writer.finishDrawing();
    const std::string text = drawing();
    const auto first = text.find(" 1.00000000000000E+0002");
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(text.find(" 9.94000000000000E+0001"), std::string::npos);
    EXPECT_NE(text.find(" 1.00000000000000E+0002", first + 1), std::string::npos);
}

TEST_F(DxfWriterTest, TextWithoutANumericZIsNotWrittenAndMovesNothing)
{
    const Configuration c = exampleConfiguration();
    std::string reference;
    {
        DxfWriter writer(c, kPrologue);
        ASSERT_TRUE(writer.beginDrawing(out()));
        writer.beginPointTexts(1000.0);
        writer.writeText(EntityContent::Number, "1", "2000", "15.25");
        writer.writeText(EntityContent::YCoordinate, "2000.00", "2000", "15.25");
        writer.finishDrawing();
        reference = drawing();
    }
    DxfWriter writer(c, kPrologue);
    ASSERT_TRUE(writer.beginDrawing(out()));
    writer.beginPointTexts(1000.0);
    EXPECT_TRUE(writer.writeText(EntityContent::Number, "1", "2000", "15.25"));
    EXPECT_FALSE(writer.writeText(EntityContent::XCoordinate, "1000.00", "2000", ""));
    EXPECT_FALSE(writer.writeText(EntityContent::XCoordinate, "1000.00", "2000", "abc"));
    EXPECT_FALSE(writer.writeText(EntityContent::XCoordinate, "1000.00", "n/a", "15.25"));
    EXPECT_TRUE(writer.writeText(EntityContent::YCoordinate, "2000.00", "2000", "15.25"));
    writer.finishDrawing();
    EXPECT_EQ(drawing(), reference);
}

TEST_F(DxfWriterTest, ATextWithANonNumericHeightIsNotWritten)
{
    Configuration c = exampleConfiguration();
    c.entity(EntityKind::Number).height = "big";
    DxfWriter writer(c, "");
    ASSERT_TRUE(writer.beginDrawing(out()));
    writer.beginPointTexts(0.0);
    EXPECT_FALSE(writer.writeText(EntityContent::Number, "1", "2000", "1"));
    writer.finishDrawing();
    EXPECT_EQ(drawing().find("TEXT"), std::string::npos);
}

TEST_F(DxfWriterTest, EmptySlotIsNoText)
{
    const Configuration c = exampleConfiguration();
    DxfWriter writer(c, "");
    ASSERT_TRUE(writer.beginDrawing(out()));
    writer.beginPointTexts(0.0);
    EXPECT_FALSE(writer.writeText(EntityContent::Empty, "x", "1", "1"));
    EXPECT_FALSE(writer.writeText(static_cast<EntityContent>(7), "x", "1", "1"));
    writer.finishDrawing();
    EXPECT_EQ(drawing().find("TEXT"), std::string::npos);
}

TEST_F(DxfWriterTest, ExistingFileIsReplaced)
{
    writeFile("out.dxf", std::string(5000, 'x'));
    Configuration c;
    DxfWriter writer(c, "P\r\n");
    ASSERT_TRUE(writer.beginDrawing(out()));
    writer.finishDrawing();
    EXPECT_EQ(drawing(), "P\r\n" + crlf(std::vector<std::string>{"0"} + kTableEnd + kClosing));
}

TEST_F(DxfWriterTest, MissingFolderIsRefusedAndCreatesNothing)
{
    Configuration c;
    DxfWriter writer(c, kPrologue);
    EXPECT_FALSE(writer.beginDrawing(pathOf("missing/out.dxf")));
    EXPECT_FALSE(std::filesystem::exists(pathOf("missing")));
    EXPECT_NE(writer.errorNumber(), 0);
}

TEST_F(DxfWriterTest, FullDeviceReportsTheFailureAtTheEnd)
{
    Configuration c;
    c.entity(EntityKind::Point).create = 1;
    DxfWriter writer(c, kPrologue);
    ASSERT_TRUE(writer.beginDrawing("/dev/full"));
    writer.writePoint("1", "2", "3");
    EXPECT_FALSE(writer.finishDrawing());
    EXPECT_TRUE(writer.failed());
    EXPECT_EQ(writer.errorNumber(), ENOSPC);
}

TEST_F(DxfWriterTest, TextsBeyondTheRangeOfANumberAreNotWritten)
{
    Configuration c = exampleConfiguration();
    c.layout.distance = "1e308";
    DxfWriter writer(c, "");
    ASSERT_TRUE(writer.beginDrawing(out()));
    writer.beginPointTexts(1.7e308);
    EXPECT_FALSE(writer.writeText(EntityContent::Number, "1", "2000", "1"));
    writer.beginPointTexts(0.0);
    EXPECT_TRUE(writer.writeText(EntityContent::Number, "2", "2000", "1"));
    writer.finishDrawing();
    const std::string text = drawing();
    EXPECT_EQ(text.find("inf"), std::string::npos);
    EXPECT_EQ(text.find("\r\n1\r\n  7\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n2\r\n  7\r\nNUMBERS\r\n"), std::string::npos);
}

// However a control character reaches the writer, no value of the drawing holds one: each
// value stays on its own line and the file keeps one end.
TEST_F(DxfWriterTest, NoValueEverHoldsAControlCharacter)
{
    Configuration c = exampleConfiguration();
    c.entity(EntityKind::Point).layer = "PTS\r\n  0\r\nEOF";
    c.entity(EntityKind::Number).layer = "NUM\tBERS";
    DxfWriter writer(c, kPrologue);
    ASSERT_TRUE(writer.beginDrawing(out()));
    writer.writePoint("1", "2", "3");
    writer.beginPointTexts(1.0);
    EXPECT_TRUE(writer.writeText(EntityContent::Number, "7\r\n  0\r\nEOF\x01", 2.0, 3.0));
    ASSERT_TRUE(writer.finishDrawing());
    const std::string text = drawing();
    EXPECT_NE(text.find("\r\nPTS    0  EOF\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\r\nNUM BERS\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\r\n  1\r\n7    0  EOF \r\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("\r\nEOF\r\n"), text.size() - 7) << "one end-of-file marker, at the end";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 32) {
            ASSERT_TRUE((text[i] == '\r' && text[i + 1] == '\n') || (text[i] == '\n' && text[i - 1] == '\r')) << i;
        }
    }
    EXPECT_TRUE(text.ends_with("  0\r\nEOF\r\n"));
}

namespace {

// A prologue as dxf.dat is made: a header without the extents, an active viewport.
const std::string kViewPrologue =
    crlf({"  0",     "SECTION", "  2",    "HEADER", "  9",   "$ACADVER", "  1",   "AC1009", "  0", "ENDSEC", "  0",
          "SECTION", "  2",     "TABLES", "  0",    "TABLE", "  2",      "VPORT", " 70",    "1",   "  0",    "VPORT",
          "  2",     "*ACTIVE", " 70",    "0",      " 12",   "0.0",      " 22",   "0.0",    " 40", "1000.0", " 41",
          "2.0",     "  0",     "ENDTAB", "  0",    "TABLE", "  2",      "LAYER", " 70"});

// The header and viewport of kViewPrologue with the given values of the extents and the view.
std::string viewPrologue(const std::vector<std::string>& extents, const std::vector<std::string>& view)
{
    return crlf({"  0", "SECTION",  "  2", "HEADER",   "  9", "$ACADVER", "  1", "AC1009",  "  9", "$EXTMIN",
                 " 10", extents[0], " 20", extents[1], " 30", extents[2], "  9", "$EXTMAX", " 10", extents[3],
                 " 20", extents[4], " 30", extents[5], "  0", "ENDSEC",   "  0", "SECTION", "  2", "TABLES",
                 "  0", "TABLE",    "  2", "VPORT",    " 70", "1",        "  0", "VPORT",   "  2", "*ACTIVE",
                 " 70", "0",        " 12", view[0],    " 22", view[1],    " 40", view[2],   " 41", "2.0",
                 "  0", "ENDTAB",   "  0", "TABLE",    "  2", "LAYER",    " 70"});
}

Configuration pointsOnly()
{
    Configuration c;
    c.entity(EntityKind::Point).create = 1;
    c.entity(EntityKind::Point).layer = "P";
    c.entity(EntityKind::Point).color = 7;
    return c;
}

} // namespace

// The extents of what was drawn, and a view centred on them that shows them whole in the
// viewport's aspect (here 2: the width of 10 needs a height of 5), a tenth more for the margin.
TEST_F(DxfWriterTest, TheHeaderGetsTheExtentsAndTheActiveViewShowsThemWhole)
{
    const Configuration c = pointsOnly();
    DxfWriter writer(c, kViewPrologue);
    ASSERT_TRUE(writer.beginDrawing(out()));
    writer.writePoint("1000.0", "2000.0", "15.25");
    writer.writePoint("1010", "2004", "10", 1010, 2004, 10);
    ASSERT_TRUE(writer.finishDrawing());
    const std::string expected =
        viewPrologue({" 1.00000000000000E+0003", " 2.00000000000000E+0003", " 1.00000000000000E+0001",
                      " 1.01000000000000E+0003", " 2.00400000000000E+0003", " 1.52500000000000E+0001"},
                     {" 1.00500000000000E+0003", " 2.00200000000000E+0003", " 5.50000000000000E+0000"});
    EXPECT_EQ(drawing().substr(0, expected.size()), expected);
}

// A prologue that holds the extents (here with the "not computed" values and LF line ends)
// gets its values replaced and nothing added. Target plus centre is the middle (0, 11); the
// centre alone is half the upper right corner of the view (5.5, 16.5), as LibreCAD takes it.
TEST_F(DxfWriterTest, ExtentsThePrologueHoldsAreReplacedInItsOwnLineEnds)
{
    const std::string prologue = "  0\nSECTION\n  2\nHEADER\n  9\n$EXTMAX\n 10\n-1E+20\n 20\n-1E+20\n 30\n-1E+20\n"
                                 "  9\n$EXTMIN\n 10\n1E+20\n 20\n1E+20\n 30\n1E+20\n  0\nENDSEC\n  0\nSECTION\n"
                                 "  2\nTABLES\n  0\nTABLE\n  2\nVPORT\n  0\nVPORT\n  2\n*Active\n 17\n100\n 27\n50\n"
                                 " 12\n0\n 22\n0\n 40\n9\n  0\nENDTAB\n  0\nTABLE\n  2\nLAYER\n 70\n";
    const Configuration c = pointsOnly();
    DxfWriter writer(c, prologue);
    ASSERT_TRUE(writer.beginDrawing(out()));
    writer.writePoint("-5", "10", "0");
    writer.writePoint("5", "12", "1");
    ASSERT_TRUE(writer.finishDrawing());
    const std::string expected = "  0\nSECTION\n  2\nHEADER\n  9\n$EXTMAX\n 10\n 5.00000000000000E+0000\n"
                                 " 20\n 1.20000000000000E+0001\n 30\n 1.00000000000000E+0000\n  9\n$EXTMIN\n"
                                 " 10\n-5.00000000000000E+0000\n 20\n 1.00000000000000E+0001\n"
                                 " 30\n 0.00000000000000E+0000\n  0\nENDSEC\n  0\nSECTION\n  2\nTABLES\n"
                                 "  0\nTABLE\n  2\nVPORT\n  0\nVPORT\n  2\n*Active\n"
                                 " 17\n-2.75000000000000E+0000\n 27\n 2.75000000000000E+0000\n"
                                 " 12\n 2.75000000000000E+0000\n 22\n 8.25000000000000E+0000\n"
                                 " 40\n 1.10000000000000E+0001\n  0\nENDTAB\n  0\nTABLE\n  2\nLAYER\n 70\n";
    EXPECT_EQ(drawing().substr(0, expected.size()), expected);
}

// Without anything drawn the extents are 0,0,0 (never 1E+20) and the view stays as it was; one
// spot gets a view 1 high; texts count with their height and one height per character.
TEST_F(DxfWriterTest, EmptyDrawingsSpotsAndTextsGetTheirOwnView)
{
    const std::string zero = " 0.00000000000000E+0000";
    {
        const Configuration c = pointsOnly();
        DxfWriter writer(c, kViewPrologue);
        ASSERT_TRUE(writer.beginDrawing(out()));
        ASSERT_TRUE(writer.finishDrawing());
        const std::string expected =
            viewPrologue({zero, zero, zero, zero, zero, zero}, {zero, zero, " 1.00000000000000E+0003"});
        EXPECT_EQ(drawing().substr(0, expected.size()), expected);
    }
    {
        const Configuration c = pointsOnly();
        DxfWriter writer(c, kViewPrologue);
        ASSERT_TRUE(writer.beginDrawing(out()));
        writer.writePoint("3", "4", "5");
        ASSERT_TRUE(writer.finishDrawing());
        const std::string three = " 3.00000000000000E+0000";
        const std::string four = " 4.00000000000000E+0000";
        const std::string five = " 5.00000000000000E+0000";
        const std::string expected =
            viewPrologue({three, four, five, three, four, five}, {three, four, " 1.00000000000000E+0000"});
        EXPECT_EQ(drawing().substr(0, expected.size()), expected);
    }
    {
        Configuration c = exampleConfiguration();
        c.entity(EntityKind::Point).create = 0;
        DxfWriter writer(c, kViewPrologue);
        ASSERT_TRUE(writer.beginDrawing(out()));
        writer.beginPointTexts(1000.0);
        // "\U+4E2D" is one character: 1001.5 + 4 * 0.5 wide, 0.5 high above the baseline and a third of
        // that below it, for the descenders.
        EXPECT_TRUE(writer.writeText(EntityContent::Number, "AB\\U+4E2DC", 2000.0, 15.25));
        ASSERT_TRUE(writer.finishDrawing());
        const auto& extents = writer.extents();
        EXPECT_EQ(extents.min(), (std::array<double, 3>{1001.5, 2000.0 - 0.5 / 3.0, 15.25}));
        EXPECT_EQ(extents.max(), (std::array<double, 3>{1003.5, 2000.5, 15.25}));
    }
}

// A drawing larger than the buffer has its header on disk before the end: the values are
// written there.
TEST_F(DxfWriterTest, TheValuesReachAHeaderAlreadyWrittenOut)
{
    const Configuration c = pointsOnly();
    DxfWriter writer(c, kViewPrologue);
    ASSERT_TRUE(writer.beginDrawing(out()));
    for (int i = 0; i <= 40000; ++i) {
        const std::string x = std::to_string(i);
        writer.writePoint(x, "-" + x, "0");
    }
    ASSERT_TRUE(writer.finishDrawing());
    const std::string text = drawing();
    ASSERT_GT(text.size(), std::size_t{2} << 20);
    const std::string zero = " 0.00000000000000E+0000";
    const std::string expected =
        viewPrologue({zero, "-4.00000000000000E+0004", zero, " 4.00000000000000E+0004", zero, zero},
                     {" 2.00000000000000E+0004", "-2.00000000000000E+0004", " 4.40000000000000E+0004"});
    EXPECT_EQ(text.substr(0, expected.size()), expected);
}

// With the option, every character of a text beyond ASCII is its escape, those Windows-1252 has
// too (the byte's character, not the byte); the unassigned bytes, escapes already there and the
// layer names (where a backslash is not allowed) stay as they are.
TEST_F(DxfWriterTest, TheEscapeOptionWritesEveryNonAsciiCharacterOfTheTextsAsItsEscape)
{
    for (const bool escape : {false, true}) {
        Configuration c = exampleConfiguration();
        c.entity(EntityKind::Point).create = 0;
        c.entity(EntityKind::Number).layer = "N\xC4";
        DxfWriter writer(c, kPrologue, escape);
        ASSERT_TRUE(writer.beginDrawing(out()));
        writer.beginPointTexts(0);
        EXPECT_TRUE(writer.writeText(EntityContent::Number, "B\xF6schung \x80\x81 \\U+0142", 10.0, 1.0));
        EXPECT_TRUE(writer.writeFixedText(EntityContent::XCoordinate, "\xB0", 2.5, 1, 10.0, 1.0));
        ASSERT_TRUE(writer.finishDrawing());
        const std::string text = drawing();
        EXPECT_NE(text.find("\r\n  2\r\nN\xC4\r\n"), std::string::npos) << escape;
        EXPECT_NE(text.find("  8\r\nN\xC4\r\n"), std::string::npos) << escape;
        EXPECT_NE(text.find(escape ? "  1\r\nB\\U+00F6schung \\U+20AC\x81 \\U+0142\r\n"
                                   : "  1\r\nB\xF6schung \x80\x81 \\U+0142\r\n"),
                  std::string::npos)
            << escape;
        EXPECT_NE(text.find(escape ? "  1\r\n\\U+00B02.5\r\n"
                                   : "  1\r\n\xB0"
                                     "2.5\r\n"),
                  std::string::npos)
            << escape;
    }
}

TEST(TextCharacters, AnEscapeIsOneCharacter)
{
    using mervalon::engine::textCharacters;
    EXPECT_EQ(textCharacters(""), 0u);
    EXPECT_EQ(textCharacters("abc"), 3u);
    EXPECT_EQ(textCharacters("\\U+4E2D"), 1u);
    EXPECT_EQ(textCharacters("\\U+D83D\\U+DE00x"), 3u);
    EXPECT_EQ(textCharacters("a\\U+12"), 6u);
    EXPECT_EQ(textCharacters("\\U+12G4"), 7u);
}
