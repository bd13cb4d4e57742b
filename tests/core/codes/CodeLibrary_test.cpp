#include "core/codes/CodeLibrary.h"

#include <gtest/gtest.h>
#include <string>

using mervalon::codes::CodeLibrary;
using mervalon::codes::CodeLibraryError;
using mervalon::codes::CodeRow;
using mervalon::codes::Control;
using mervalon::codes::LineKind;

namespace {

bool shippedSymbol(std::string_view name)
{
    return name == "TREE" || name == "MANHOLE";
}

CodeLibrary readLibrary(const std::string& content)
{
    return CodeLibrary::read(content, shippedSymbol);
}

std::string errorOf(const std::string& content)
{
    try {
        readLibrary(content);
    } catch (const CodeLibraryError& error) {
        return error.what();
    }
    return "(no error)";
}

} // namespace

TEST(CodeLibrary, ReadsColumnsInAnyOrderAndIgnoresUnknownOnes)
{
    const CodeLibrary library = readLibrary("notes,LINE,symbol,Code,colour,layer,labels,description\r\n"
                                            "keep me,3d,,ep*,5,Road edge,number+elevation,Edge of pavement\r\n"
                                            ",none,tree,Tree,3,VEG,,\r\n");
    ASSERT_EQ(library.rows().size(), 2U);
    const CodeRow& edge = library.rows()[0];
    EXPECT_EQ(edge.code, "EP*");
    EXPECT_EQ(edge.layer, "Road edge");
    EXPECT_EQ(edge.colour, 5);
    EXPECT_EQ(edge.symbol, "");
    EXPECT_EQ(edge.line, LineKind::ThreeD);
    EXPECT_EQ(edge.labels, mervalon::codes::LabelNumber | mervalon::codes::LabelElevation);
    EXPECT_EQ(edge.description, "Edge of pavement");
    EXPECT_EQ(edge.lineNumber, 2U);
    EXPECT_EQ(library.rows()[1].symbol, "TREE");
    EXPECT_EQ(library.rows()[1].line, LineKind::None);
}

TEST(CodeLibrary, SeparatorByHeaderByteOrderMarkAndQuotes)
{
    const struct {
        const char* name;
        std::string content;
    } cases[] = {
        {"semicolon", "code;layer;colour\nTREE;VEG;3\n"},
        {"comma with BOM", "\xEF\xBB\xBF"
                           "code,layer,colour\nTREE,VEG,3\n"},
        {"semicolon, comma in a quoted note", "code;layer;notes;colour\nTREE;VEG;\"a, b; c\";3\n"},
        {"quoted field over two lines", "code,notes,layer,colour\nTREE,\"line one\nline two\",VEG,3\n"},
        {"blank lines and CR LF", "code,layer,colour\r\n\r\nTREE,VEG,3\r\n\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const CodeLibrary library = readLibrary(c.content);
        ASSERT_EQ(library.rows().size(), 1U);
        EXPECT_EQ(library.rows()[0].code, "TREE");
        EXPECT_EQ(library.rows()[0].layer, "VEG");
        EXPECT_EQ(library.rows()[0].colour, 3);
    }
}

TEST(CodeLibrary, FaultyRowsAreNamedWithTheirLine)
{
    const std::string header = "code,layer,colour,symbol,line,labels\n";
    const struct {
        std::string rows;
        const char* message;
    } cases[] = {
        {"TREE,VEG,3,,curve,\n", "line 2: the line \"curve\" is none of none, 3d and 2d"},
        {"TREE,VEG,0,,,\n", "line 2: the colour \"0\" is not a number from 1 to 255"},
        {"TREE,VEG,256,,,\n", "line 2: the colour \"256\" is not a number from 1 to 255"},
        {"TREE,VEG,red,,,\n", "line 2: the colour \"red\" is not a number from 1 to 255"},
        {"TREE,VEG,3.5,,,\n", "line 2: the colour \"3.5\" is not a number from 1 to 255"},
        {"TREE,VEG,3,OAK,,\n", "line 2: the symbol \"OAK\" is not in the symbol library"},
        {"TREE,VEG,3,,,\nMH,DR,4,,,\ntree,VEG2,5,,,\n", "line 4: the code \"tree\" is given twice (first in line 2)"},
        {"TREE,VEG,3,,,height\n",
         "line 2: the labels \"height\" are not number, x, y, elevation or description joined with +"},
        {",VEG,3,,,\n", "line 2: the code is empty"},
        {"TREE,,3,,,\n", "line 2: the code \"TREE\" has no layer"},
        {"BIG TREE,VEG,3,,,\n", "line 2: the code \"BIG TREE\" holds a blank; a code is one word"},
        {"E*P,VEG,3,,,\n", "line 2: the code \"E*P\" holds a \"*\" before its end; a pattern ends with its only \"*\""},
        {"TREE,VEG,3,,,\nMH,VEG,4,,,\n", "line 3: the layer \"VEG\" has the colour 4 here and 3 in line 2"},
        {"!start,S,,,,\n",
         "line 2: \"!start\" is no control; the controls are !begin, !end, !close, !nojoin, !arcbegin, !arcend and "
         "!comment"},
        {"!begin,,,,,\n",
         "line 2: the control !begin has no words; its words go in the layer column, separated by blanks"},
        {"!begin,B,,,,\n!BEGIN,ST,,,,\n", "line 3: the control !BEGIN is given twice (first in line 2)"},
        {"!end,X,,,,\n!close,X,,,,\n", "line 3: the word \"X\" belongs to !END and to !CLOSE"},
        {"B,VEG,3,,,\n", "line 2: the code \"B\" is also a word of !BEGIN"},
        {"TREE,VEG,3,,,\n!begin,E,,,,\n", "line 3: the word \"E\" belongs to !BEGIN and to !END"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rows);
        EXPECT_EQ(errorOf(header + c.rows), c.message);
    }
    EXPECT_EQ(errorOf(""), "line 1: the library is empty; its first line names the columns, one of them code");
    EXPECT_EQ(errorOf("layer,colour\nVEG,3\n"), "line 1: the first line names no column \"code\"");
    EXPECT_EQ(errorOf("code,colour\nTREE,3\n"), "line 1: the first line names no column \"layer\"");
}

TEST(CodeLibrary, ExactMatchWinsThenLongestPatternThenDefault)
{
    const CodeLibrary library = readLibrary("code,layer\nEP*,EDGE\nEPX*,EDGE-X\nEPXA,EXACT\n*,OTHER\n");
    const struct {
        const char* code;
        const char* layer;
        bool exact;
        bool byDefault;
    } cases[] = {
        {"epxa", "EXACT", true, false},  {"EPXA", "EXACT", true, false}, {"EPXB", "EDGE-X", false, false},
        {"EPX", "EDGE-X", false, false}, {"EP1", "EDGE", false, false},  {"ep", "EDGE", false, false},
        {"E", "OTHER", false, true},     {"TREE", "OTHER", false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        const auto match = library.find(c.code);
        ASSERT_NE(match.row, nullptr);
        EXPECT_EQ(match.row->layer, c.layer);
        EXPECT_EQ(match.exact, c.exact);
        EXPECT_EQ(match.byDefault, c.byDefault);
    }
    EXPECT_EQ(readLibrary("code,layer\nEP*,EDGE\n").find("TREE").row, nullptr);
}

TEST(CodeLibrary, ControlWordsHaveDefaultsAndRowsReplaceThem)
{
    const CodeLibrary defaults = readLibrary("code,layer\nTREE,VEG\n");
    EXPECT_EQ(defaults.words(Control::Begin), (std::vector<std::string>{"B", "ST"}));
    EXPECT_EQ(defaults.words(Control::End), (std::vector<std::string>{"E", "END"}));
    EXPECT_EQ(defaults.words(Control::Close), (std::vector<std::string>{"C", "CLS"}));
    EXPECT_EQ(defaults.words(Control::NoJoin), (std::vector<std::string>{"NJ"}));
    EXPECT_EQ(defaults.words(Control::ArcBegin), (std::vector<std::string>{"BC"}));
    EXPECT_EQ(defaults.words(Control::ArcEnd), (std::vector<std::string>{"EC"}));
    EXPECT_EQ(defaults.words(Control::Comment), (std::vector<std::string>{"/"}));
    EXPECT_EQ(defaults.controlOf("st"), Control::Begin);
    EXPECT_EQ(defaults.controlOf("TREE"), std::nullopt);

    const CodeLibrary own = readLibrary("code,layer\n!begin,  start  new \n!comment,#\nB,BUSH\n");
    EXPECT_EQ(own.words(Control::Begin), (std::vector<std::string>{"START", "NEW"}));
    EXPECT_EQ(own.words(Control::Comment), (std::vector<std::string>{"#"}));
    EXPECT_EQ(own.controlOf("b"), std::nullopt); // B is a code once !begin has words of its own
    EXPECT_EQ(own.controlOf("New"), Control::Begin);
}

TEST(CodeLibrary, SymbolsListsEachUsedSymbolOnce)
{
    const CodeLibrary library =
        readLibrary("code,layer,symbol\nTREE,VEG,tree\nOAK,VEG,TREE\nMH,DR,manhole\nX,X,none\nY,Y,\n");
    EXPECT_EQ(library.symbols(), (std::vector<std::string>{"TREE", "MANHOLE"}));
    EXPECT_EQ(library.rows()[3].symbol, "NONE");
}
