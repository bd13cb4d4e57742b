#include "core/formats/LayoutDetection.h"

#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace mervalon::formats {
namespace {

// Columns in kPointValues order: number, East, North, elevation, description, code.
using Columns = std::array<int, 6>;

struct Expected {
    char separator;
    DecimalMark mark;
    bool quoted;
    int headerLine; ///< 0: none
    int firstPointLine;
    Columns columns;
    bool uncertain = false; ///< East and North taken in PENZ order
    bool keepEmpty = false;
};

struct Sample {
    const char* origin;
    std::string text;
    Expected expected;
};

// Files as instruments, spreadsheets and field software write them; each a few lines long.
std::vector<Sample> samples()
{
    return {
        {"total station export, PENZD, comma, no header",
         "1001,512340.125,5412345.500,301.200,CP\n1002,512352.410,5412351.220,301.350,KERB\n"
         "1003,512365.003,5412360.018,301.410,KERB\n1004,512377.880,5412371.400,301.522,TREE\n",
         {',', DecimalMark::Point, false, 0, 1, {1, 2, 3, 4, 5, 0}}},
        {"field controller CSV, PNEZD, comma, no header",
         "1,5412345.500,512340.125,301.200,TREE\n2,5412351.220,512352.410,301.350,FENCE\n"
         "3,5412360.018,512365.003,301.410,FENCE\n4,5412371.400,512377.880,301.522,MH\n",
         {',', DecimalMark::Point, false, 0, 1, {1, 3, 2, 4, 5, 0}}},
        {"instrument dump, blank separated and aligned, PENZ",
         "     1   512340.125  5412345.500   301.200\n     2   512352.410  5412351.220   301.350\n"
         "     3   512365.003  5412360.018   301.410\n    10   512377.880  5412371.400   301.522\n",
         {' ', DecimalMark::Point, false, 0, 1, {1, 2, 3, 4, 0, 0}}},
        {"tab separated with English header",
         "Point\tEasting\tNorthing\tElevation\tCode\n1\t512340.125\t5412345.500\t301.200\tCP\n"
         "2\t512352.410\t5412351.220\t301.350\tKERB\n3\t512365.003\t5412360.018\t301.410\tKERB\n",
         {'\t', DecimalMark::Point, false, 1, 2, {1, 2, 3, 4, 0, 5}}},
        {"German spreadsheet CSV (UTF-8), semicolon, comma decimals",
         "Punkt;Rechtswert;Hochwert;H\xC3\xB6he;Beschreibung\n1;3512340,125;5412345,500;301,200;Grenzstein\n"
         "2;3512352,410;5412351,220;301,350;Bordstein\n3;3512365,003;5412360,018;301,410;Baum\n",
         {';', DecimalMark::Comma, false, 1, 2, {1, 2, 3, 4, 5, 0}}},
        {"German spreadsheet CSV (Windows-1252) with empty cells and a code",
         "Punktnummer;Rechtswert;Hochwert;H\xF6he;Code;Bemerkung\n1;3512340,125;5412345,500;301,2;BS;\n"
         "2;3512352,410;5412351,220;;BS;ohne H\xF6he\n3;3512365,003;5412360,018;301,41;BA;Eiche\n",
         {';', DecimalMark::Comma, false, 1, 2, {1, 2, 3, 4, 6, 5}, false, true}},
        {"English spreadsheet CSV, quoted descriptions with commas",
         "Point,Easting,Northing,Elevation,Description\n1,512340.125,5412345.5,301.2,\"kerb, north side\"\n"
         "2,512352.41,5412351.22,301.35,\"gate \"\"B\"\"\"\n3,512365.003,5412360.018,301.41,hedge\n",
         {',', DecimalMark::Point, true, 1, 2, {1, 2, 3, 4, 5, 0}}},
        {"NEZ only, UTM, no header",
         "5412345.500,512340.125,301.200\n5412351.220,512352.410,301.350\n5412360.018,512365.003,301.410\n",
         {',', DecimalMark::Point, false, 0, 1, {0, 2, 1, 3, 0, 0}}},
        {"ENZ only on a local grid: East and North cannot be told apart",
         "5012.345,5034.120,101.30\n5020.000,5041.870,101.42\n5031.555,5050.010,101.61\n",
         {',', DecimalMark::Point, false, 0, 1, {0, 1, 2, 3, 0, 0}, true}},
        {"French spreadsheet CSV, semicolon, comma decimals",
         "Point;Est;Nord;Altitude;Code\nP1;652340,12;6862345,50;35,20;BORNE\nP2;652352,41;6862351,22;35,35;ARBRE\n"
         "P3;652365,00;6862360,02;35,41;ARBRE\n",
         {';', DecimalMark::Comma, false, 1, 2, {1, 2, 3, 4, 0, 5}}},
        {"Spanish CSV (UTF-8)",
         "Punto,Este,Norte,Cota,Descripci\xC3\xB3n\n1,440340.125,4474345.5,650.2,bordillo\n"
         "2,440352.41,4474351.22,650.35,farola\n3,440365.003,4474360.018,650.41,arbol\n",
         {',', DecimalMark::Point, false, 1, 2, {1, 2, 3, 4, 5, 0}}},
        {"German surveyor's Y before X",
         "Nr;Y;X;H\n1;3512340,125;5412345,500;301,2\n2;3512352,410;5412351,220;301,35\n3;3512365,003;5412360,018;301,"
         "41\n",
         {';', DecimalMark::Comma, false, 1, 2, {1, 2, 3, 4, 0, 0}}},
        {"data collector export with job lines before the header",
         "Job: ROAD01\nDate: 2026-11-30\nUnits: metres\n\nPt,E,N,Z,Code\n1,512340.125,5412345.5,301.2,CL\n"
         "2,512352.41,5412351.22,301.35,EP\n3,512365.003,5412360.018,301.41,EP\n",
         {',', DecimalMark::Point, false, 5, 6, {1, 2, 3, 4, 0, 5}}},
        {"comment lines and no header",
         "# exported 2026-11-30\n# EPSG 25832\n1,512340.125,5412345.5,301.2\n2,512352.41,5412351.22,301.35\n"
         "3,512365.003,5412360.018,301.41\n",
         {',', DecimalMark::Point, false, 0, 3, {1, 2, 3, 4, 0, 0}}},
        {"PNEZD with point labels",
         "CP1,5412345.500,512340.125,301.2,control\nBM2,5412351.220,512352.410,301.35,benchmark\n"
         "T17,5412360.018,512365.003,301.41,tree oak\nT18,5412361.000,512366.100,301.44,tree ash\n",
         {',', DecimalMark::Point, false, 0, 1, {1, 3, 2, 4, 5, 0}}},
        {"bar separated",
         "1|512340.125|5412345.5|301.2|kerb\n2|512352.41|5412351.22|301.35|kerb\n3|512365.003|5412360.018|301.41|"
         "wall\n",
         {'|', DecimalMark::Point, false, 0, 1, {1, 2, 3, 4, 5, 0}}},
        {"PENZDC with a polyline code",
         "1,512340.125,5412345.5,301.2,kerb north,1\n2,512352.41,5412351.22,301.35,kerb north,2\n"
         "3,512365.003,5412360.018,301.41,kerb north,3\n4,512370.1,5412365.5,301.5,tree,0\n",
         {',', DecimalMark::Point, false, 0, 1, {1, 2, 3, 4, 5, 6}}},
        {"tab separated, comma decimals, no header",
         "1\t3512340,125\t5412345,500\t301,200\n2\t3512352,410\t5412351,220\t301,350\n"
         "3\t3512365,003\t5412360,018\t301,410\n",
         {'\t', DecimalMark::Comma, false, 0, 1, {1, 2, 3, 4, 0, 0}}},
        {"header with units and IDs",
         "Point ID,Easting (m),Northing (m),Elevation (m),Description\n101,512340.125,5412345.5,301.2,fence\n"
         "102,512352.41,5412351.22,301.35,fence\n103,512365.003,5412360.018,301.41,gate\n",
         {',', DecimalMark::Point, false, 1, 2, {1, 2, 3, 4, 5, 0}}},
        {"everything quoted, byte-order mark and CR LF",
         "\xEF\xBB\xBF\"Name\",\"X\",\"Y\",\"Z\",\"Code\"\r\n\"P1\",\"512340.125\",\"5412345.5\",\"301.2\",\"CP\"\r\n"
         "\"P2\",\"512352.41\",\"5412351.22\",\"301.35\",\"KB\"\r\n\"P3\",\"512365.003\",\"5412360.018\",\"301.41\","
         "\"KB\"\r\n",
         {',', DecimalMark::Point, true, 1, 2, {1, 2, 3, 4, 0, 5}}},
        {"PNEZD with header",
         "Pt,N,E,Elev,Desc\n1,5412345.5,512340.125,301.2,kerb\n2,5412351.22,512352.41,301.35,kerb\n"
         "3,5412360.018,512365.003,301.41,tree\n",
         {',', DecimalMark::Point, false, 1, 2, {1, 3, 2, 4, 5, 0}}},
        {"semicolon, point decimals (English settings, semicolon list separator)",
         "1;512340.125;5412345.5;301.2;kerb\n2;512352.41;5412351.22;301.35;kerb\n3;512365.003;5412360.018;301.41;"
         "tree\n",
         {';', DecimalMark::Point, false, 0, 1, {1, 2, 3, 4, 5, 0}}},
        {"old Macintosh line ends, code before description",
         "1,512340.125,5412345.5,301.2,1,kerb north side\r2,512352.41,5412351.22,301.35,2,kerb north side\r"
         "3,512365.003,5412360.018,301.41,3,kerb north side\r4,512370.1,5412365.5,301.5,0,lamp post\r",
         {',', DecimalMark::Point, false, 0, 1, {1, 2, 3, 4, 6, 5}}},
    };
}

TEST(LayoutDetectionTest, EachOriginIsRecognised)
{
    for (const Sample& sample : samples()) {
        const DetectedLayout layout = detectLayout(sample.text);
        const Expected& e = sample.expected;
        SCOPED_TRACE(sample.origin);
        ASSERT_TRUE(layout.found) << (layout.notes.empty() ? "" : layout.notes.front());
        EXPECT_EQ(layout.separator, e.separator);
        EXPECT_EQ(layout.dialect.decimalMark, e.mark);
        EXPECT_EQ(layout.dialect.quotedFields, e.quoted);
        EXPECT_EQ(layout.dialect.keepEmptyFields, e.keepEmpty);
        EXPECT_EQ(layout.dialect.headerLine, e.headerLine != 0);
        EXPECT_EQ(layout.headerLine, e.headerLine);
        EXPECT_EQ(layout.firstPointLine, e.firstPointLine);
        EXPECT_EQ(layout.columns, e.columns);
        EXPECT_EQ(layout.eastNorthUncertain, e.uncertain);
        if (e.uncertain) {
            EXPECT_LT(layout.confidence, 55);
        } else {
            EXPECT_GE(layout.confidence, 55);
        }
    }
    EXPECT_GE(samples().size(), 20U);
}

TEST(LayoutDetectionTest, TheLayoutBecomesAFormatThatReadsTheFile)
{
    FormatDefinition base;
    base.name = "detected";
    base.newPolylineCode = "1";
    base.value(PointValue::X).prefix = "X=";
    const DetectedLayout layout =
        detectLayout("Job: ROAD01\nPunkt;Rechtswert;Hochwert;H\xC3\xB6he\n1;3512340,125;5412345,500;301,2\n"
                     "2;3512352,4;5412351,2;301,3\n"
                     "3;3512365,0;5412360,0;301,4\n");
    ASSERT_TRUE(layout.found);
    const DetectedFormat detected = formatOfLayout(layout, base);
    EXPECT_EQ(detected.format.name, "detected");
    EXPECT_EQ(detected.format.newPolylineCode, "1");
    EXPECT_EQ(detected.format.value(PointValue::X).prefix, "");
    EXPECT_EQ(detected.format.separator, ";");
    EXPECT_EQ(detected.format.otherSeparator, 0);
    EXPECT_EQ(detected.format.firstLine, 2); // the job line skipped, then the header
    EXPECT_EQ(detected.format.value(PointValue::Number).column, 1);
    EXPECT_EQ(detected.format.value(PointValue::X).column, 2);
    EXPECT_EQ(detected.format.value(PointValue::Y).column, 3);
    EXPECT_EQ(detected.format.value(PointValue::Z).column, 4);
    EXPECT_EQ(detected.format.value(PointValue::Description).column, 0);
    EXPECT_EQ(detected.dialect, (TextDialect{DecimalMark::Comma, false, true, false, true}));
    EXPECT_EQ(dialectFault(detected.format, detected.dialect), "");

    const DetectedFormat bar = formatOfLayout(detectLayout("1|10.5|20.5\n2|11.5|21.5\n3|12.5|22.5\n"), base);
    EXPECT_EQ(bar.format.separator, "|");
    EXPECT_EQ(bar.format.otherSeparator, 1);
}

TEST(LayoutDetectionTest, WhatIsNoPointFileIsSaidSo)
{
    const struct {
        const char* text;
        const char* note;
    } cases[] = {
        {"", "the file holds no text lines"},
        {"\n  \n", "the file holds no text lines"},
        {"Dear colleague\nplease find the points attached\n",
         "no line holds two numbers: the file does not look like a point file"},
        {"single\nwords\n", "no separator (tab, semicolon, comma, bar or blank) cuts the lines into fields alike"},
        {"a,b,c\nd,e,f\ng,h,i\n", "no line holds two numbers: the file does not look like a point file"},
        {"1,kerb,x\n2,tree,y\n3,wall,z\n", "no line holds two numbers: the file does not look like a point file"},
    };
    for (const auto& c : cases) {
        const DetectedLayout layout = detectLayout(c.text);
        EXPECT_FALSE(layout.found) << c.text;
        ASSERT_FALSE(layout.notes.empty()) << c.text;
        EXPECT_EQ(layout.notes.back(), c.note) << c.text;
    }
}

TEST(LayoutDetectionTest, OnlyTheFirstLinesAreRead)
{
    std::string text = "Point,East,North\n";
    for (int i = 1; i <= 2000; ++i) {
        text += std::to_string(i) + "," + std::to_string(512000 + i) + ".5," + std::to_string(5412000 + i) + ".25\n";
    }
    text += "garbage without end";
    const DetectedLayout layout = detectLayout(text);
    EXPECT_TRUE(layout.found);
    EXPECT_EQ(layout.linesExamined, static_cast<int>(kDetectionLines));
    EXPECT_EQ(layout.pointLines, static_cast<int>(kDetectionLines) - 1);
}

TEST(LayoutDetectionTest, AFileIsReadFromDisk)
{
    const auto path =
        std::filesystem::temp_directory_path() / ("mervalon-detect-" + std::to_string(::getpid()) + ".txt");
    std::ofstream(path) << "1;512340,125;5412345,5;301,2\n2;512352,41;5412351,22;301,35\n";
    const DetectedLayout layout = detectLayoutOfFile(path);
    std::filesystem::remove(path);
    EXPECT_TRUE(layout.found);
    EXPECT_EQ(layout.dialect.decimalMark, DecimalMark::Comma);
    EXPECT_THROW(detectLayoutOfFile(path), std::system_error);
}

} // namespace
} // namespace mervalon::formats

namespace mervalon::formats {
namespace {

TEST(LayoutDetectionTest, ALineOfEndlessFieldsOrBinaryBytesIsNoTrouble)
{
    std::string many;
    for (int i = 0; i < 200000; ++i) {
        many += std::to_string(i % 97) + ".5,";
    }
    const DetectedLayout wide = detectLayout(many);
    EXPECT_LE(wide.linesExamined, 1);
    std::string binary;
    for (int i = 0; i < 100000; ++i) {
        binary += static_cast<char>((i * 7919) % 256);
    }
    const DetectedLayout noise = detectLayout(binary);
    EXPECT_LE(noise.confidence, 100);
}

} // namespace
} // namespace mervalon::formats
