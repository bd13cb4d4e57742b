// The code library as a table: read with every column, written back, and checked by the
// library reader's own check with each fault pointed to its row.
#include "core/codes/CodeTable.h"
#include "core/codes/SymbolLibrary.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace mervalon::codes {
namespace {

bool knownSymbol(std::string_view name)
{
    return name == "TREE" || name == "CROSS";
}

} // namespace

TEST(CodeTableTest, ReadsEveryColumnAndWritesTheSameTableBack)
{
    const std::string text = "\xEF\xBB\xBF"
                             "code;layer;colour;notes\n"
                             "TREE;VEG;3;\"oak; ash\"\n"
                             "\n"
                             "MH;DRAIN\n"
                             "SPOT;\" HEIGHTS \";7;\"say \"\"spot\"\"\"\n";
    const CodeTable table = readCodeTable(text);
    EXPECT_TRUE(table.byteOrderMark);
    EXPECT_EQ(table.separator, ';');
    EXPECT_EQ(table.header, (std::vector<std::string>{"code", "layer", "colour", "notes"}));
    ASSERT_EQ(table.rows.size(), 3U);
    EXPECT_EQ(table.rows[0], (std::vector<std::string>{"TREE", "VEG", "3", "oak; ash"}));
    EXPECT_EQ(table.rows[1], (std::vector<std::string>{"MH", "DRAIN", "", ""}));
    EXPECT_EQ(table.rows[2], (std::vector<std::string>{"SPOT", " HEIGHTS ", "7", "say \"spot\""}));
    const std::string written = writeCodeTable(table);
    EXPECT_EQ(written, "\xEF\xBB\xBF"
                       "code;layer;colour;notes\n"
                       "TREE;VEG;3;\"oak; ash\"\n"
                       "MH;DRAIN;;\n"
                       "SPOT;\" HEIGHTS \";7;\"say \"\"spot\"\"\"\n");
    EXPECT_EQ(readCodeTable(written), table);
    // The library reader takes what the table writes.
    const CodeLibrary library = CodeLibrary::read(written, knownSymbol);
    ASSERT_EQ(library.rows().size(), 3U);
    EXPECT_EQ(library.rows()[2].layer, "HEIGHTS"); // the reader drops the blanks the table keeps
}

TEST(CodeTableTest, ANewTableHasTheShippedColumnsAndEmptyRowsAreNotWritten)
{
    CodeTable table = readCodeTable("");
    EXPECT_EQ(table.header,
              (std::vector<std::string>{"code", "layer", "colour", "symbol", "line", "labels", "description"}));
    table.rows.push_back({"", " ", "", "", "", "", ""});
    table.rows.push_back({"TREE", "VEG", "", "tree", "", "", ""});
    EXPECT_EQ(writeCodeTable(table), "code,layer,colour,symbol,line,labels,description\nTREE,VEG,,tree,,,\n");
    EXPECT_EQ(codeTableLines(table), (std::vector<std::size_t>{0, 2}));
}

// Every faulty row is found, with the words of the reader's own message, and pointed to its row.
TEST(CodeTableTest, EveryFaultyRowIsFoundWithTheReadersMessage)
{
    const struct {
        std::vector<std::vector<std::string>> rows;
        std::vector<CodeTableFault> faults;
    } cases[] = {
        {{{"TREE", "VEG", "3", "TREE", "none", "number"}}, {}},
        {{{"TREE", "VEG", "300", "", "", ""}}, {{1, "line 2: the colour \"300\" is not a number from 1 to 255"}}},
        {{{"OAK", "VEG", "", "ACORN", "", ""}}, {{1, "line 2: the symbol \"ACORN\" is not in the symbol library"}}},
        {{{"KERB", "K", "", "", "curved", ""}}, {{1, "line 2: the line \"curved\" is none of none, 3d and 2d"}}},
        {{{"KERB", "K", "", "", "", "height"}},
         {{1, "line 2: the labels \"height\" are not number, x, y, elevation or description joined with +"}}},
        {{{"", "K", "", "", "", ""}}, {{1, "line 2: the code is empty"}}},
        {{{"MH", "", "", "", "", ""}}, {{1, "line 2: the code \"MH\" has no layer"}}},
        {{{"MH", "D", "", "", "", ""}, {"TREE", "V", "0", "", "", ""}, {"mh", "D", "", "", "", ""}},
         {{2, "line 3: the colour \"0\" is not a number from 1 to 255"},
          {3, "line 4: the code \"mh\" is given twice (first in line 2)"}}},
        {{{"", "", "", "", "", ""}, {"A B", "L", "", "", "", ""}},
         {{2, "line 2: the code \"A B\" holds a blank; a code is one word"}}},
        {{{"!stop", "S", "", "", "", ""}},
         {{1, "line 2: \"!stop\" is no control; the controls are !begin, !end, !close, !nojoin, !arcbegin, !arcend "
              "and !comment"}}},
    };
    for (const auto& c : cases) {
        CodeTable table;
        table.header = {"code", "layer", "colour", "symbol", "line", "labels"};
        table.rows = c.rows;
        EXPECT_EQ(checkCodeTable(table, knownSymbol), c.faults) << writeCodeTable(table);
        // The reader refuses the same file with the first of the faults.
        if (!c.faults.empty()) {
            try {
                CodeLibrary::read(writeCodeTable(table), knownSymbol);
                ADD_FAILURE() << "read without fault";
            } catch (const CodeLibraryError& error) {
                EXPECT_EQ(error.what(), c.faults.front().message);
            }
        }
    }
    CodeTable noLayer;
    noLayer.header = {"code", "colour"};
    noLayer.rows = {{"A", "1"}};
    EXPECT_EQ(checkCodeTable(noLayer, knownSymbol),
              (std::vector<CodeTableFault>{{0, "line 1: the first line names no column \"layer\""}}));
}

TEST(SymbolShapesTest, LinesCirclesArcsAndPolylinesOfTheBlock)
{
    const std::string content =
        "0\nSECTION\n2\nBLOCKS\n0\nBLOCK\n2\nX\n0\nLINE\n8\n0\n10\n-0.5\n20\n0\n11\n0.5\n21\n0\n"
        "0\nCIRCLE\n10\n1\n20\n2\n40\n0.25\n"
        "0\nLWPOLYLINE\n70\n1\n10\n0\n20\n0\n10\n1\n20\n0\n10\n1\n20\n1\n"
        "0\nARC\n10\n0\n20\n0\n40\n1\n50\n0\n51\n90\n"
        "0\nATTDEF\n10\n0\n20\n0\n0\nENDBLK\n0\nENDSEC\n0\nEOF\n";
    const SymbolShapes shapes = symbolShapes(content, "X.dxf");
    ASSERT_EQ(shapes.circles.size(), 1U);
    EXPECT_DOUBLE_EQ(shapes.circles[0].radius, 0.25);
    EXPECT_DOUBLE_EQ(shapes.circles[0].y, 2.0);
    ASSERT_EQ(shapes.segments.size(), 1U + 3U + 24U);
    EXPECT_DOUBLE_EQ(shapes.segments[0].x1, -0.5);
    EXPECT_DOUBLE_EQ(shapes.segments[3].x2, 0.0); // the polyline closed back to its first point
    EXPECT_NEAR(shapes.segments.back().y2, 1.0, 1e-12);
    EXPECT_THROW(symbolShapes("0\nSECTION\n", "Y.dxf"), SymbolFileError);
}

TEST(SymbolShapesTest, EveryShippedSymbolDrawsSomething)
{
    const SymbolLibrary library =
        SymbolLibrary::inFolder(std::filesystem::path(MERVALON_SOURCE_DIR) / "data" / "install" / "symbols");
    ASSERT_FALSE(library.names().empty());
    for (const std::string& name : library.names()) {
        std::ifstream in(library.file(name), std::ios::binary);
        const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const SymbolShapes shapes = symbolShapes(content, name);
        EXPECT_GT(shapes.segments.size() + shapes.circles.size(), 0U) << name;
    }
}

} // namespace mervalon::codes
