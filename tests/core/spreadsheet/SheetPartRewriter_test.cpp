#include "core/spreadsheet/SheetPartRewriter.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace mervalon::spreadsheet {
namespace {

const std::string kMain = "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">";

// The document fed in pieces of `piece` bytes, so that elements straddle the pieces.
DocumentSource source(const std::string& text, std::size_t piece)
{
    return [text, piece](const std::function<void(const char*, std::size_t)>& sink) {
        for (std::size_t at = 0; at < text.size(); at += piece) {
            sink(text.data() + at, std::min(piece, text.size() - at));
        }
    };
}

std::string rewrittenSheet(const std::string& sheetData, const SheetEdits& edits)
{
    const std::string part = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + kMain + sheetData + "</worksheet>";
    std::string first;
    for (const std::size_t piece : {std::size_t{1}, std::size_t{7}, part.size()}) {
        std::string out;
        rewriteOoxmlSheet(source(part, piece), edits, [&](std::string_view text) { out.append(text); });
        if (piece == 1) {
            first = out;
        }
        EXPECT_EQ(out, first) << "pieces of " << piece;
    }
    const std::string head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + kMain;
    EXPECT_TRUE(first.starts_with(head));
    EXPECT_TRUE(first.ends_with("</worksheet>"));
    return first.substr(head.size(), first.size() - head.size() - 12);
}

SheetEdits order(std::vector<std::int32_t> rows, std::int32_t covered)
{
    SheetEdits edits;
    edits.setRowOrder(std::move(rows), covered);
    return edits;
}

SheetEdits with(SheetEdits edits, std::vector<CellEdit> cells)
{
    for (CellEdit& cell : cells) {
        edits.setCell(std::move(cell));
    }
    return edits;
}

struct RewriteCase {
    const char* name;
    std::string before;
    SheetEdits edits;
    std::string after;
};

TEST(SheetPartRewriterTest, OoxmlSheetsChangeOnlyWhatTheEditsTouch)
{
    const std::string threeRows = "<sheetData><row r=\"1\" spans=\"1:2\"><c r=\"A1\" s=\"1\" t=\"s\"><v>0</v></c></row>"
                                  "<row r=\"2\"><c r=\"A2\"><v>2</v></c><c r=\"B2\" t=\"s\"><v>1</v></c></row>"
                                  "<row r=\"3\"><c r=\"A3\"><f>A2*2</f><v>4</v></c></row>"
                                  "<row r=\"7\" ht=\"20\" customHeight=\"1\"><c r=\"C7\" s=\"4\"/></row></sheetData>"
                                  "<mergeCells count=\"1\"><mergeCell ref=\"A1:B1\"/></mergeCells>";
    const std::vector<RewriteCase> cases = {
        {"a typed number keeps the cell's style, not its type", threeRows,
         with({}, {CellEdit::ofNumber(1, 1, 12.5, "12.50")}),
         "<sheetData><row r=\"1\"><c r=\"A1\" s=\"1\"><v>12.5</v></c></row>"
         "<row r=\"2\"><c r=\"A2\"><v>2</v></c><c r=\"B2\" t=\"s\"><v>1</v></c></row>"
         "<row r=\"3\"><c r=\"A3\"><f>A2*2</f><v>4</v></c></row>"
         "<row r=\"7\" ht=\"20\" customHeight=\"1\"><c r=\"C7\" s=\"4\"/></row></sheetData>"
         "<mergeCells count=\"1\"><mergeCell ref=\"A1:B1\"/></mergeCells>"},
        {"a typed text between cells is an inline string", threeRows,
         with({}, {CellEdit::ofText(7, 2, "a<b & \"c\""), CellEdit::ofText(7, 4, "")}),
         threeRows.substr(0, threeRows.find("<row r=\"7\"")) +
             "<row r=\"7\" ht=\"20\" customHeight=\"1\"><c r=\"B7\" t=\"inlineStr\"><is><t xml:space=\"preserve\">"
             "a&lt;b &amp; &quot;c&quot;</t></is></c><c r=\"C7\" s=\"4\"/><c r=\"D7\"/></row></sheetData>"
             "<mergeCells count=\"1\"><mergeCell ref=\"A1:B1\"/></mergeCells>"},
        {"a deleted row goes and the rows below move up", threeRows, order({1, 3}, 3),
         "<sheetData><row r=\"1\" spans=\"1:2\"><c r=\"A1\" s=\"1\" t=\"s\"><v>0</v></c></row>"
         "<row r=\"2\"><c r=\"A2\"><f>A2*2</f><v>4</v></c></row>"
         "<row r=\"6\" ht=\"20\" customHeight=\"1\"><c r=\"C6\" s=\"4\"/></row></sheetData>"
         "<mergeCells count=\"1\"><mergeCell ref=\"A1:B1\"/></mergeCells>"},
        {"an inserted row moves the rows below down", threeRows,
         with(order({1, 0, 2, 3}, 3), {CellEdit::ofNumber(2, 3, -1, "-1")}),
         "<sheetData><row r=\"1\" spans=\"1:2\"><c r=\"A1\" s=\"1\" t=\"s\"><v>0</v></c></row>"
         "<row r=\"2\"><c r=\"C2\"><v>-1</v></c></row>"
         "<row r=\"3\"><c r=\"A3\"><v>2</v></c><c r=\"B3\" t=\"s\"><v>1</v></c></row>"
         "<row r=\"4\"><c r=\"A4\"><f>A2*2</f><v>4</v></c></row>"
         "<row r=\"8\" ht=\"20\" customHeight=\"1\"><c r=\"C8\" s=\"4\"/></row></sheetData>"
         "<mergeCells count=\"1\"><mergeCell ref=\"A1:B1\"/></mergeCells>"},
        {"a row the file lacks is made where it belongs", threeRows, with({}, {CellEdit::ofNumber(5, 1, 1e-7, "1e-7")}),
         threeRows.substr(0, threeRows.find("<row r=\"7\"")) + "<row r=\"5\"><c r=\"A5\"><v>1e-07</v></c></row>" +
             threeRows.substr(threeRows.find("<row r=\"7\""))},
        {"an empty sheet gets its rows", "<sheetData/>",
         with({}, {CellEdit::ofNumber(2, 1, 7, "7"), CellEdit::ofText(1, 2, "x")}),
         "<sheetData><row r=\"1\"><c r=\"B1\" t=\"inlineStr\"><is><t xml:space=\"preserve\">x</t></is></c></row>"
         "<row r=\"2\"><c r=\"A2\"><v>7</v></c></row></sheetData>"},
        {"cells and rows without references get them where cells are added",
         "<sheetData><row><c><v>1</v></c><c><v>2</v></c></row><row><c><v>3</v></c></row></sheetData>",
         with({}, {CellEdit::ofNumber(1, 3, 9, "9")}),
         "<sheetData><row r=\"1\"><c r=\"A1\"><v>1</v></c><c r=\"B1\"><v>2</v></c><c r=\"C1\"><v>9</v></c></row>"
         "<row r=\"2\"><c><v>3</v></c></row></sheetData>"},
        {"the last of two edits of a cell wins; an empty row element opens",
         "<sheetData><row r=\"2\" s=\"3\" customFormat=\"1\"/></sheetData>",
         with({}, {CellEdit::ofText(2, 1, "old"), CellEdit::ofText(2, 1, "new")}),
         "<sheetData><row r=\"2\" s=\"3\" customFormat=\"1\"><c r=\"A2\" t=\"inlineStr\"><is><t "
         "xml:space=\"preserve\">new</t></is></c></row></sheetData>"},
    };
    for (const RewriteCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(rewrittenSheet(c.before, c.edits), c.after);
    }
}

// When rows move, the dimension names the range the rewritten cells span (a styled blank counts,
// as in a spreadsheet program); cell edits alone leave it as it was, stale or not.
TEST(SheetPartRewriterTest, OoxmlDimensionsFollowMovedRows)
{
    const std::string rows = "<sheetData><row r=\"1\"><c r=\"B1\"><v>1</v></c></row>"
                             "<row r=\"2\"><c r=\"D2\" s=\"2\"/></row><row r=\"3\"><c r=\"C3\"><v>3</v></c></row>"
                             "</sheetData>";
    const std::string after = "<sheetViews/>" + rows;
    const std::vector<RewriteCase> cases = {
        {"inserted rows widen it", "<dimension ref=\"B1:D3\"/>" + rows, order({1, 0, 0, 2, 3}, 3),
         "<dimension ref=\"B1:D5\"/><sheetData><row r=\"1\"><c r=\"B1\"><v>1</v></c></row>"
         "<row r=\"4\"><c r=\"D4\" s=\"2\"/></row><row r=\"5\"><c r=\"C5\"><v>3</v></c></row></sheetData>"},
        {"deleted rows narrow it, columns too", "<dimension ref=\"B1:D3\"/>" + rows, order({1, 3}, 3),
         "<dimension ref=\"B1:C2\"/><sheetData><row r=\"1\"><c r=\"B1\"><v>1</v></c></row>"
         "<row r=\"2\"><c r=\"C2\"><v>3</v></c></row></sheetData>"},
        {"a range that stays keeps its bytes", "<dimension ref='B1:D3' />" + rows,
         with(order({1, 0, 3}, 3), {CellEdit::ofNumber(2, 4, 5, "5")}),
         "<dimension ref='B1:D3' /><sheetData><row r=\"1\"><c r=\"B1\"><v>1</v></c></row>"
         "<row r=\"2\"><c r=\"D2\"><v>5</v></c></row><row r=\"3\"><c r=\"C3\"><v>3</v></c></row></sheetData>"},
        {"a sheet left without cells is A1", "<x:dimension ref=\"B1:D3\" x:y=\"z\"></x:dimension>" + rows,
         order({0}, 3), "<x:dimension ref=\"A1\" x:y=\"z\"></x:dimension><sheetData></sheetData>"},
        {"one cell is named alone; a wrong range is mended", "<dimension ref=\"A1\"/>" + rows, order({0, 3}, 3),
         "<dimension ref=\"C2\"/><sheetData><row r=\"2\"><c r=\"C2\"><v>3</v></c></row></sheetData>"},
        {"cell edits alone leave it", "<dimension ref=\"A1\"/>" + rows, with({}, {CellEdit::ofNumber(9, 9, 1, "1")}),
         "<dimension ref=\"A1\"/>" + rows.substr(0, rows.size() - 12) +
             "<row r=\"9\"><c r=\"I9\"><v>1</v></c></row></sheetData>"},
        {"a sheet without a dimension gets none", after, order({1, 3}, 3),
         "<sheetViews/><sheetData><row r=\"1\"><c r=\"B1\"><v>1</v></c></row>"
         "<row r=\"2\"><c r=\"C2\"><v>3</v></c></row></sheetData>"},
    };
    for (const RewriteCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(rewrittenSheet(c.before, c.edits), c.after);
    }
}

TEST(SheetPartRewriterTest, ElementsAreLeftOutWithAllTheyHold)
{
    const std::string types =
        "<?xml version=\"1.0\"?>\n<Types xmlns=\"t\"><Default Extension=\"xml\" ContentType=\"a\"/>\r\n"
        "<Override PartName=\"/xl/calcChain.xml\" ContentType=\"c\"/>\r\n"
        "<Override PartName=\"/xl/workbook.xml\" ContentType=\"w\"></Override></Types>";
    const auto named = [](std::string part) {
        return [part](const XmlName& name, const XmlAttributes& attributes) {
            const char* value = attributes.find("PartName");
            return name.local == "Override" && value != nullptr && part == value;
        };
    };
    EXPECT_EQ(withoutElements(types, named("/xl/calcChain.xml")),
              "<?xml version=\"1.0\"?>\n<Types xmlns=\"t\"><Default Extension=\"xml\" ContentType=\"a\"/>\r\n\r\n"
              "<Override PartName=\"/xl/workbook.xml\" ContentType=\"w\"></Override></Types>");
    EXPECT_EQ(withoutElements(types, named("/xl/workbook.xml")),
              types.substr(0, types.find("<Override PartName=\"/xl/workbook")) + "</Types>");
    EXPECT_EQ(withoutElements(types, named("/none")), types);
    EXPECT_THROW(withoutElements("<Types><Override></Types>", named("/none")), WorkbookError);
}

TEST(SheetPartRewriterTest, OoxmlElementsWithAPrefixGetCellsWithTheSamePrefix)
{
    const std::string part = "<x:worksheet xmlns:x=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
                             "<x:sheetData><x:row r=\"1\"><x:c r=\"A1\"><x:v>1</x:v></x:c></x:row></x:sheetData>"
                             "</x:worksheet>";
    std::string out;
    rewriteOoxmlSheet(source(part, 5), with({}, {CellEdit::ofText(1, 2, "t"), CellEdit::ofNumber(3, 1, 2, "2")}),
                      [&](std::string_view text) { out.append(text); });
    EXPECT_EQ(out, "<x:worksheet xmlns:x=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
                   "<x:sheetData><x:row r=\"1\"><x:c r=\"A1\"><x:v>1</x:v></x:c><x:c r=\"B1\" t=\"inlineStr\"><x:is>"
                   "<x:t xml:space=\"preserve\">t</x:t></x:is></x:c></x:row><x:row r=\"3\"><x:c r=\"A3\"><x:v>2</x:v>"
                   "</x:c></x:row></x:sheetData></x:worksheet>");
}

TEST(SheetPartRewriterTest, OoxmlSheetsThatCannotBeRewrittenAreRefused)
{
    const std::string shared = kMain + "<sheetData><row r=\"1\"><c r=\"A1\"><f t=\"shared\" ref=\"A1:A2\" si=\"0\">B1"
                                       "</f><v>1</v></c></row><row r=\"2\"><c r=\"A2\"><f t=\"shared\" si=\"0\"/><v>2"
                                       "</v></c></row></sheetData></worksheet>";
    const std::vector<std::tuple<const char*, std::string, SheetEdits, std::string>> cases = {
        {"a typed cell over a shared formula", shared, with({}, {CellEdit::ofNumber(1, 1, 3, "3")}),
         "The sheet cannot be saved: cell A1 holds a formula that other cells share, which would be lost for them; "
         "change it in a spreadsheet program."},
        {"a deleted row holding a shared formula", shared, order({2}, 2),
         "The sheet cannot be saved: row 1 holds a formula that other cells share, which would be lost for them; "
         "change it in a spreadsheet program."},
        {"another encoding", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>" + kMain + "</worksheet>",
         with({}, {CellEdit::ofNumber(1, 1, 3, "3")}), "The sheet cannot be saved: its part is not written in UTF-8."},
        {"damaged XML", kMain + "<sheetData><row r=\"1\"></sheetData></worksheet>",
         with({}, {CellEdit::ofNumber(1, 1, 3, "3")}),
         "The workbook file is damaged: the sheet is not well-formed XML (line 1: mismatched tag)."},
    };
    for (const auto& [name, part, edits, message] : cases) {
        SCOPED_TRACE(name);
        try {
            rewriteOoxmlSheet(source(part, 9), edits, [](std::string_view) {});
            ADD_FAILURE() << "no error";
        } catch (const WorkbookError& error) {
            EXPECT_EQ(std::string(error.what()), message);
        }
    }
    const std::string lastRow = kMain + "<sheetData><row r=\"1\"/><row r=\"1048576\"><c r=\"A1048576\"><v>1</v>"
                                        "</c></row></sheetData></worksheet>";
    try {
        rewriteOoxmlSheet(source(lastRow, 9), order({1, 0}, 1), [](std::string_view) {});
        ADD_FAILURE() << "no error";
    } catch (const WorkbookError& error) {
        EXPECT_EQ(std::string(error.what()), "The sheet cannot be saved: the inserted rows would push row 1048576 "
                                             "beyond the last row a sheet has (1048576).");
    }
    EXPECT_THROW(order({2, 1}, 2), WorkbookError);
    EXPECT_THROW(order({1, 1}, 2), WorkbookError);
    EXPECT_THROW(order({3}, 2), WorkbookError);
}

// ---- OpenDocument ----

const std::string kOdsHead =
    "<office:document-content xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
    "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
    "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\"><office:body>"
    "<office:spreadsheet>";
const std::string kOdsTail = "</office:spreadsheet></office:body></office:document-content>";
const std::string kFirstTable = "<table:table table:name=\"Kept\"><table:table-row><table:table-cell "
                                "office:value-type=\"float\" office:value=\"1\"><text:p>1</text:p></table:table-cell>"
                                "</table:table-row></table:table>";

std::string rewrittenTable(const std::string& rows, const SheetEdits& edits)
{
    const std::string table = "<table:table table:name=\"S\"><table:table-column/>";
    const std::string document = kOdsHead + kFirstTable + table + rows + "</table:table>" + kOdsTail;
    std::string first;
    for (const std::size_t piece : {std::size_t{1}, std::size_t{13}, document.size()}) {
        std::string out;
        rewriteOdsTable(source(document, piece), 2, edits, [&](std::string_view text) { out.append(text); });
        if (piece == 1) {
            first = out;
        }
        EXPECT_EQ(out, first) << "pieces of " << piece;
    }
    const std::string head = kOdsHead + kFirstTable + table;
    const std::string tail = "</table:table>" + kOdsTail;
    EXPECT_TRUE(first.starts_with(head));
    EXPECT_TRUE(first.ends_with(tail));
    return first.substr(head.size(), first.size() - head.size() - tail.size());
}

std::string row(const std::string& cells, const std::string& attributes = "")
{
    return "<table:table-row" + attributes + ">" + cells + "</table:table-row>";
}

std::string number(int value, const std::string& attributes = "")
{
    const std::string text = std::to_string(value);
    return "<table:table-cell" + attributes + " office:value-type=\"float\" office:value=\"" + text + "\"><text:p>" +
           text + "</text:p></table:table-cell>";
}

TEST(SheetPartRewriterTest, OdsTablesSplitRepeatedRunsOnlyWhereAnEditFalls)
{
    const std::string million = row("<table:table-cell table:number-columns-repeated=\"1024\"/>",
                                    " table:style-name=\"ro1\" table:number-rows-repeated=\"1048576\"");
    const std::string rest = row("<table:table-cell/>", " table:number-rows-repeated=\"1048573\"");
    const std::string five = row("<table:table-cell table:style-name=\"ce1\" table:number-columns-repeated=\"5\"/>");
    const std::string values = row(number(1) + number(2), " table:number-rows-repeated=\"3\"");
    const std::vector<RewriteCase> cases = {
        {"an edit in a million repeated rows", million, with({}, {CellEdit::ofNumber(3, 2, 5, "5.0")}),
         row("<table:table-cell table:number-columns-repeated=\"1024\"/>",
             " table:style-name=\"ro1\" table:number-rows-repeated=\"2\"") +
             row("<table:table-cell/><table:table-cell office:value-type=\"float\" office:value=\"5\"><text:p>5"
                 "</text:p></table:table-cell><table:table-cell table:number-columns-repeated=\"1022\"/>",
                 " table:style-name=\"ro1\"") +
             row("<table:table-cell table:number-columns-repeated=\"1024\"/>",
                 " table:style-name=\"ro1\" table:number-rows-repeated=\"1048573\"")},
        {"an edit in repeated cells keeps their style", five, with({}, {CellEdit::ofText(1, 3, "a  b\n\tc <d>")}),
         row("<table:table-cell table:style-name=\"ce1\" table:number-columns-repeated=\"2\"/>"
             "<table:table-cell table:style-name=\"ce1\" office:value-type=\"string\"><text:p>a<text:s text:c=\"2\"/>b"
             "</text:p><text:p><text:tab/>c &lt;d&gt;</text:p></table:table-cell>"
             "<table:table-cell table:style-name=\"ce1\" table:number-columns-repeated=\"2\"/>")},
        {"an edit beyond a row's cells", row(number(1)), with({}, {CellEdit::ofText(1, 4, " x")}),
         row(number(1) + "<table:table-cell table:number-columns-repeated=\"2\"/><table:table-cell "
                         "office:value-type=\"string\"><text:p><text:s/>x</text:p></table:table-cell>")},
        {"a deleted row of a repeated run", values + rest, order({1, 3}, 3),
         row(number(1) + number(2), " table:number-rows-repeated=\"2\"") + rest},
        {"an inserted row pushes the last of the sheet's rows out", row(number(1)) + row(number(2)) + million,
         order({1, 0, 2}, 2),
         row(number(1)) + row("<table:table-cell/>") + row(number(2)) +
             row("<table:table-cell table:number-columns-repeated=\"1024\"/>",
                 " table:style-name=\"ro1\" table:number-rows-repeated=\"1048573\"")},
        {"inserted rows at the end, one typed into", row(number(1)),
         with(order({1, 0, 0, 0}, 1), {CellEdit::ofNumber(4, 1, 8, "8")}),
         row(number(1)) + row("<table:table-cell/>", " table:number-rows-repeated=\"2\"") +
             row("<table:table-cell office:value-type=\"float\" office:value=\"8\"><text:p>8</text:p>"
                 "</table:table-cell>")},
        {"a cleared cell keeps its style", row(number(1, " table:style-name=\"ce2\"")),
         with({}, {CellEdit::ofText(1, 1, "")}), row("<table:table-cell table:style-name=\"ce2\"/>")},
    };
    for (const RewriteCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(rewrittenTable(c.before, c.edits), c.after);
    }
}

TEST(SheetPartRewriterTest, ContentThatDoesNotFollowMovedRowsIsCounted)
{
    const std::string sheet = kMain + "<sheetData><row r=\"1\"><c r=\"A1\"><f>B1</f></c><c r=\"B1\"><f>1</f></c></row>"
                                      "</sheetData><mergeCells><mergeCell ref=\"A1:B1\"/></mergeCells>"
                                      "<hyperlinks><hyperlink ref=\"A1\"/></hyperlinks><drawing/></worksheet>";
    EXPECT_EQ(ooxmlRowAnchoredContent(source(sheet, 10)),
              (std::vector<RowAnchoredContent>{
                  {"formulas", 2}, {"merged areas", 1}, {"hyperlinks", 1}, {"pictures or charts", 1}}));
    EXPECT_TRUE(ooxmlRowAnchoredContent(source(kMain + "<sheetData/></worksheet>", 10)).empty());
    const std::string ods =
        kOdsHead + kFirstTable +
        "<table:table table:name=\"S\"><table:table-row table:number-rows-repeated=\"2\"><table:table-cell "
        "table:formula=\"of:=[.A2]\" table:number-columns-repeated=\"3\"/><table:table-cell "
        "table:number-rows-spanned=\"2\"/></table:table-row></table:table><table:named-expressions><table:named-range "
        "table:cell-range-address=\"$S.$A$1:.$B$2\"/><table:named-range table:cell-range-address=\"$Kept.$A$1\"/>"
        "<table:named-expression table:expression=\"of:=&quot;S&quot;\" table:base-cell-address=\"$S.$A$1\"/>"
        "<table:named-expression table:expression=\"of:=['S'.A1]*2\"/></table:named-expressions>" +
        kOdsTail;
    EXPECT_EQ(odsRowAnchoredContent(source(ods, 10), 2),
              (std::vector<RowAnchoredContent>{{"formulas", 6}, {"merged areas", 2}, {"named ranges", 2}}));
    EXPECT_EQ(odsRowAnchoredContent(source(ods, 10), 1), (std::vector<RowAnchoredContent>{{"named ranges", 1}}));
}

} // namespace
} // namespace mervalon::spreadsheet
