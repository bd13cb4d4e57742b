#include "PackageTestSupport.h"
#include "core/spreadsheet/SheetRows.h"
#include "core/spreadsheet/SheetStream.h"
#include "core/spreadsheet/WorkbookError.h"
#include "core/spreadsheet/WorkbookProbe.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <tuple>

namespace mervalon::spreadsheet {
namespace {

namespace fs = std::filesystem;
using test::scratchDir;
using Rows = std::vector<RowTexts>;

// The rows the conversion reads from sheet `selector` of the workbook at `path`, or a marker row
// when the sheet does not exist.
Rows rowsOf(const fs::path& path, SheetSelector selector = {1, "1"}, std::int32_t firstLine = 1)
{
    const SheetRows result = readSheetRows(path, firstLine, selector);
    if (std::holds_alternative<SheetNotFound>(result)) {
        return {{"<no sheet>"}};
    }
    return std::get<Rows>(result);
}

std::string errorOf(const fs::path& path)
{
    try {
        readSheetRows(path, 1, SheetSelector{1, "1"});
    } catch (const WorkbookError& error) {
        return error.what();
    }
    return "<no error>";
}

fs::path xlsx(const std::string& name, const test::XlsxParts& parts)
{
    const fs::path path = scratchDir() / name;
    test::writeZip(path, test::xlsxPackage(parts));
    return path;
}

fs::path ods(const std::string& name, const std::string& tables)
{
    const fs::path path = scratchDir() / name;
    test::writeZip(path, test::odsPackage(tables));
    return path;
}

// The rows as the conversion streams them, each row once as it is handed on.
struct StreamedRows : SheetRowSink {
    Rows rows;
    void row(std::span<const std::string> fields) override { rows.emplace_back(fields.begin(), fields.end()); }
};

// The rows streamSheetRows hands on from the first sheet of `path`, up to its error, if any.
Rows streamedRows(const fs::path& path, std::string* error = nullptr)
{
    StreamedRows sink;
    try {
        streamSheetRows(path, 1, SheetSelector{1, "1"}, sink);
    } catch (const WorkbookError& caught) {
        if (error != nullptr) {
            *error = caught.what();
        }
    }
    return sink.rows;
}

const std::string kStyles =
    "<?xml version=\"1.0\"?><styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
    "<numFmts count=\"3\"><numFmt numFmtId=\"164\" formatCode=\"yyyy\\-mm\\-dd\\ hh:mm\"/>"
    "<numFmt numFmtId=\"165\" formatCode=\"[h]:mm\"/><numFmt numFmtId=\"166\" "
    "formatCode=\"0.00&quot;m&quot;\"/></numFmts>"
    "<cellStyleXfs count=\"1\"><xf numFmtId=\"14\"/></cellStyleXfs>"
    "<cellXfs count=\"5\"><xf numFmtId=\"0\"/><xf numFmtId=\"14\"/><xf numFmtId=\"164\"/><xf numFmtId=\"165\"/>"
    "<xf numFmtId=\"166\"/></cellXfs></styleSheet>";

// Every kind of cell an XLSX sheet holds becomes what the XLS reader makes of the same cell.
TEST(XlsxReaderTest, CellsReadAsTheXlsReaderShowsThem)
{
    test::XlsxParts parts;
    parts.sharedStrings = "<si><t>P1</t></si><si><r><t>caf</t></r><r><t>\xC3\xA9</t></r><rPh><t>X</t></rPh></si>"
                          "<si><t xml:space=\"preserve\"> a_x000D_b </t></si><si><t>\xD0\x96\xF0\x9F\x98\x80</t></si>";
    parts.styles = kStyles;
    parts.sheets = {
        {"Survey",
         "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\"><v>1000.5</v></c>"
         "<c r=\"C1\" t=\"s\"><v>1</v></c><c r=\"D1\" t=\"s\"><v>2</v></c><c r=\"E1\" t=\"s\"><v>3</v></c></row>"
         "<row r=\"2\"><c r=\"A2\" t=\"b\"><v>1</v></c><c r=\"B2\" t=\"b\"><v>0</v></c>"
         "<c r=\"C2\" t=\"e\"><f>1/0</f><v>#DIV/0!</v></c><c r=\"D2\" t=\"str\"><f>A1&amp;\"x\"</f><v>P1x</v></c>"
         "<c r=\"E2\"><f>B1*2</f><v>2001</v></c><c r=\"F2\"><f>B1*3</f></c></row>"
         "<row r=\"3\"><c r=\"A3\" s=\"1\"><v>45366</v></c><c r=\"B3\" s=\"2\"><v>45366.25</v></c>"
         "<c r=\"C3\" s=\"3\"><v>1.5</v></c><c r=\"D3\" s=\"4\"><v>2.5</v></c><c r=\"E3\" s=\"1\"><v>0.75</v></c>"
         "<c r=\"F3\" t=\"inlineStr\"><is><t>inline</t></is></c><c r=\"G3\" "
         "t=\"d\"><v>2024-03-15T06:00:00</v></c></row>"
         "<row r=\"5\"><c r=\"C5\"><v>1E+20</v></c><c r=\"D5\" s=\"1\"/><c r=\"E5\" "
         "t=\"inlineStr\"><is><t></t></is></c>"
         "<c r=\"F5\"><v>-0</v></c></row>"}};
    EXPECT_EQ(rowsOf(xlsx("cells.xlsx", parts)),
              (Rows{{"P1", "1000.5", "caf\xE9", " a\rb ", "??\?"},
                    {"TRUE", "FALSE", "#DIV/0!", "P1x", "2001"},
                    {"2024-03-15", "2024-03-15 06:00:00", "36:00", "2.5", "18:00:00", "inline", "2024-03-15 06:00:00"},
                    {},
                    {"1e+20", "0"}}));
}

TEST(XlsxReaderTest, The1904DateSystemShiftsDates)
{
    test::XlsxParts parts;
    parts.styles = kStyles;
    parts.workbookPr = "date1904=\"1\"";
    parts.sheets = {{"S", "<row r=\"1\"><c r=\"A1\" s=\"1\"><v>0</v></c><c r=\"B1\" s=\"1\"><v>43904</v></c></row>"}};
    EXPECT_EQ(rowsOf(xlsx("d1904.xlsx", parts)), (Rows{{"00:00:00", "2024-03-15"}}));
}

// Cells and rows without references follow the one before; rows out of order are put in order.
TEST(XlsxReaderTest, ReferencesMayBeLeftOutAndRowsComeInAnyOrder)
{
    test::XlsxParts parts;
    parts.sheets = {{"S", "<row><c><v>1</v></c><c><v>2</v></c><c r=\"E1\"><v>5</v></c><c><v>6</v></c></row>"
                          "<row><c r=\"B2\"><v>7</v></c></row>"
                          "<row r=\"5\"><c r=\"A5\"><v>9</v></c></row><row r=\"4\"><c r=\"B4\"><v>8</v><v>8</v></c>"
                          "<c r=\"A4\"><v>7</v></c></row>"}};
    EXPECT_EQ(rowsOf(xlsx("norefs.xlsx", parts)), (Rows{{"1", "2", "5", "6"}, {"7"}, {}, {"7", "88"}, {"9"}}));
}

TEST(XlsxReaderTest, SheetsAreChosenByNumberThenByName)
{
    test::XlsxParts parts;
    parts.sheets = {{"First", "<row r=\"2\"><c r=\"A2\"><v>1</v></c></row>"},
                    {"5", "<row r=\"1\"><c r=\"A1\"><v>2</v></c></row>"},
                    {"Caf\xC3\xA9", "<row r=\"1\"><c r=\"A1\"><v>3</v></c></row>"}};
    parts.chartSheet = "Chart";
    const fs::path path = xlsx("sheets.xlsx", parts);
    EXPECT_EQ(rowsOf(path, {1, "1"}), (Rows{{}, {"1"}}));
    EXPECT_EQ(rowsOf(path, {1, "1"}, 2), (Rows{{"1"}}));
    EXPECT_EQ(rowsOf(path, {1, "1"}, 3), Rows{});
    EXPECT_EQ(rowsOf(path, {2, "2"}), (Rows{{"2"}}));
    EXPECT_EQ(rowsOf(path, {5, "5"}), (Rows{{"2"}})); // no sheet 5: the sheet named "5"
    EXPECT_EQ(rowsOf(path, {-1, "Caf\xE9"}), (Rows{{"3"}}));
    EXPECT_EQ(rowsOf(path, {4, "4"}), Rows{}); // the chart sheet has no cells
    EXPECT_EQ(rowsOf(path, {-1, "caf\xE9"}), (Rows{{"<no sheet>"}}));
    EXPECT_EQ(rowsOf(path, {0, "0"}), (Rows{{"<no sheet>"}}));
}

TEST(XlsxReaderTest, DamagedPartsAreNamed)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"<row r=\"1\"><c r=\"A1\" t=\"s\"><v>3</v></c></row>",
         "The workbook file is damaged: a cell refers to shared string \"3\", which the workbook does not hold."},
        {"<row r=\"x\"/>", "The workbook file is damaged: a row of the sheet has the number \"x\"."},
        {"<row r=\"1\"><c r=\"1A\"><v>1</v></c></row>",
         "The workbook file is damaged: a cell of the sheet has the reference \"1A\"."},
        {"<row r=\"1\"><c r=\"A1\"><v>1</v></c>",
         "The workbook file is damaged: the part \"xl/worksheets/sheet1.xml\" is not well-formed XML (line 1: "
         "mismatched tag)."},
    };
    for (const auto& [data, message] : cases) {
        test::XlsxParts parts;
        parts.sheets = {{"S", data}};
        EXPECT_EQ(errorOf(xlsx("damaged.xlsx", parts)), message) << data;
    }
}

const std::string kTableStart = "<table:table table:name=\"Points\">";

TEST(OdsReaderTest, CellsReadAsTheXlsReaderShowsThem)
{
    const std::string table =
        kTableStart +
        "<table:table-row><table:table-cell office:value-type=\"string\"><text:p>P1</text:p></table:table-cell>"
        "<table:table-cell office:value-type=\"float\" "
        "office:value=\"1000.5\"><text:p>1,000.50</text:p></table:table-cell>"
        "<table:table-cell office:value-type=\"string\"><text:p>caf\xC3\xA9<text:s text:c=\"2\"/>x</text:p>"
        "<text:p>line<text:tab/>2</text:p><office:annotation><text:p>note</text:p></office:annotation></"
        "table:table-cell>"
        "<table:table-cell office:value-type=\"percentage\" "
        "office:value=\"0.5\"><text:p>50%</text:p></table:table-cell>"
        "</table:table-row>"
        "<table:table-row><table:table-cell office:value-type=\"boolean\" office:boolean-value=\"true\"/>"
        "<table:table-cell office:value-type=\"boolean\" office:boolean-value=\"false\"/>"
        "<table:table-cell table:formula=\"of:=1/0\" office:value-type=\"float\" office:value=\"0\" "
        "calcext:value-type=\"error\"><text:p>#DIV/0!</text:p></table:table-cell>"
        "<table:table-cell office:value-type=\"date\" office:date-value=\"2024-03-15\"/>"
        "<table:table-cell office:value-type=\"date\" office:date-value=\"2024-03-15T06:00:00\"/>"
        "<table:table-cell office:value-type=\"time\" office:time-value=\"PT18H00M00S\"/>"
        "<table:table-cell office:value-type=\"time\" office:time-value=\"PT36H00M00S\"/>"
        "<table:table-cell office:value-type=\"date\" office:date-value=\"1900-01-01\"/></table:table-row>"
        "<table:table-row table:number-rows-repeated=\"2\"><table:table-cell table:number-columns-repeated=\"2\"/>"
        "<table:table-cell office:value-type=\"float\" office:value=\"7\" table:number-columns-repeated=\"2\"/>"
        "<table:table-cell office:value-type=\"string\"><text:p/></table:table-cell>"
        "<table:table-cell table:number-columns-repeated=\"16000\"/></table:table-row>"
        "<table:table-row><table:table-cell table:number-columns-spanned=\"2\" office:value-type=\"float\" "
        "office:value=\"3\"/><table:covered-table-cell office:value-type=\"float\" office:value=\"4\"/>"
        "<table:table-cell><text:p>plain</text:p></table:table-cell></table:table-row>"
        "<table:table-row table:number-rows-repeated=\"1048570\"><table:table-cell "
        "table:number-columns-repeated=\"16384\"/></table:table-row></table:table>";
    EXPECT_EQ(rowsOf(ods("cells.ods", table)), (Rows{{"P1", "1000.5", "caf\xE9  x\nline\t2", "0.5"},
                                                     {"TRUE", "FALSE", "#DIV/0!", "2024-03-15", "2024-03-15 06:00:00",
                                                      "18:00:00", "36:00:00", "1900-01-01"},
                                                     {"7", "7"},
                                                     {"7", "7"},
                                                     {"3", "plain"}}));
}

TEST(OdsReaderTest, TablesAreChosenByNumberThenByName)
{
    const std::string tables =
        "<table:table table:name=\"A\"><table:table-row><table:table-cell office:value-type=\"float\" "
        "office:value=\"1\"/></table:table-row></table:table>"
        "<table:table table:name=\"3\"><table:table-row table:number-rows-repeated=\"2\"/><table:table-row>"
        "<table:table-cell office:value-type=\"float\" office:value=\"2\"/></table:table-row></table:table>";
    const fs::path path = ods("tables.ods", tables);
    EXPECT_EQ(rowsOf(path, {1, "1"}), (Rows{{"1"}}));
    EXPECT_EQ(rowsOf(path, {2, "2"}), (Rows{{}, {}, {"2"}}));
    EXPECT_EQ(rowsOf(path, {2, "2"}, 3), (Rows{{"2"}}));
    EXPECT_EQ(rowsOf(path, {3, "3"}), (Rows{{}, {}, {"2"}}));
    EXPECT_EQ(rowsOf(path, {-1, "A"}), (Rows{{"1"}}));
    EXPECT_EQ(rowsOf(path, {4, "4"}), (Rows{{"<no sheet>"}}));
}

// A flat OpenDocument file is the same content without the package.
TEST(OdsReaderTest, FlatDocumentsAreRead)
{
    const fs::path path = scratchDir() / "flat.fods";
    std::ofstream(path, std::ios::binary)
        << test::odsContent(kTableStart + "<table:table-row><table:table-cell office:value-type=\"float\" "
                                          "office:value=\"2.5\"/></table:table-row></table:table>");
    EXPECT_EQ(rowsOf(path), (Rows{{"2.5"}}));
}

// A flat document as LibreOffice writes it is indented: the blanks between a cell's paragraphs
// and its end are layout, not text.
TEST(OdsReaderTest, TheIndentationOfAFlatDocumentIsNotText)
{
    const fs::path path = scratchDir() / "indented.fods";
    std::ofstream(path, std::ios::binary) << test::odsContent(
        kTableStart + "\n <table:table-row>\n  <table:table-cell office:value-type=\"string\">\n"
                      "   <text:p>one <text:span>two</text:span></text:p>\n   <text:p>three</text:p>\n"
                      "  </table:table-cell>\n </table:table-row>\n</table:table>");
    EXPECT_EQ(rowsOf(path), (Rows{{"one two\nthree"}}));
}

// Content that spreadsheet programs do not write (here a comment, CDATA and a fault) is read again
// from its start by the slower parser: the rows read before are handed on once, not twice, and a
// fault gives the parser's message after the rows before it.
TEST(OdsReaderTest, ContentReadAgainFromItsStartHandsEachRowOnOnce)
{
    const auto row = [](const std::string& value) {
        return "<table:table-row><table:table-cell office:value-type=\"string\"><text:p>" + value +
               "</text:p></table:table-cell></table:table-row>";
    };
    const std::string plain = kTableStart + row("1") + row("2") + row("3") + "</table:table>";
    const std::string unusual = kTableStart + row("1") + row("2") + "<!-- a comment -->" + row("3") + "</table:table>";
    const std::string cdata = kTableStart + row("1") + row("<![CDATA[x&y]]>") + "</table:table>";
    const std::string faulty = kTableStart + row("1") + row("2") + "<table:table-row <" + "</table:table>";
    const auto stream = [](const std::string& name, const std::string& tables, std::string* error = nullptr) {
        return streamedRows(ods(name, tables), error);
    };
    EXPECT_EQ(stream("plain.ods", plain), (Rows{{"1"}, {"2"}, {"3"}}));
    EXPECT_EQ(stream("comment.ods", unusual), (Rows{{"1"}, {"2"}, {"3"}}));
    EXPECT_EQ(stream("cdata.ods", cdata), (Rows{{"1"}, {"x&y"}}));
    std::string error;
    EXPECT_EQ(stream("faulty.ods", faulty, &error), (Rows{{"1"}, {"2"}}));
    EXPECT_EQ(error, "The workbook file is damaged: the spreadsheet's content is not well-formed XML (line 1: "
                     "not well-formed (invalid token)).");
}

// The same for an XLSX sheet and its shared strings.
TEST(XlsxReaderTest, PartsReadAgainFromTheirStartHandEachRowOnOnce)
{
    const auto row = [](int r, const std::string& cell) {
        return "<row r=\"" + std::to_string(r) + "\">" + cell + "</row>";
    };
    const auto stream = [](const std::string& name, const test::XlsxParts& parts, std::string* error = nullptr) {
        return streamedRows(xlsx(name, parts), error);
    };
    test::XlsxParts parts;
    parts.sharedStrings = "<si><t>a</t></si><!-- kept --><si><t><![CDATA[b&c]]></t></si>";
    parts.sheets = {{"S", row(1, "<c><v>1</v></c>") + row(2, "<c t=\"s\"><v>0</v></c>") + "<!-- a comment -->" +
                              row(3, "<c t=\"s\"><v>1</v></c>")}};
    EXPECT_EQ(stream("comment.xlsx", parts), (Rows{{"1"}, {"a"}, {"b&c"}}));
    parts.sheets = {{"S", row(1, "<c><v>1</v></c>") + row(2, "<c><v>2</v></c>") + "<row <"}};
    std::string error;
    EXPECT_EQ(stream("faulty.xlsx", parts, &error), (Rows{{"1"}, {"2"}}));
    EXPECT_EQ(error, "The workbook file is damaged: the part \"xl/worksheets/sheet1.xml\" is not well-formed XML "
                     "(line 1: not well-formed (invalid token)).");
}

// A content-based choice: the same rows whatever the file is called.
TEST(WorkbookKindTest, TheContentDecidesNotTheName)
{
    const fs::path xls = scratchDir() / "really-xls.xlsx";
    fs::copy_file(test::fixtureDir() / "biff8_survey.xls", xls, fs::copy_options::overwrite_existing);
    EXPECT_EQ(rowsOf(xls, {1, "1"}, 2), rowsOf(test::fixtureDir() / "biff8_survey.xls", {1, "1"}, 2));

    test::XlsxParts parts;
    parts.sheets = {{"S", "<row r=\"1\"><c r=\"A1\"><v>4</v></c></row>"}};
    EXPECT_EQ(rowsOf(xlsx("really-xlsx.xls", parts)), (Rows{{"4"}}));
    EXPECT_EQ(
        rowsOf(ods("really-ods.xlsx", kTableStart + "<table:table-row><table:table-cell office:value-type="
                                                    "\"float\" office:value=\"5\"/></table:table-row></table:table>")),
        (Rows{{"5"}}));
}

TEST(WorkbookKindTest, FilesThatAreNoWorkbookSayWhatTheyAre)
{
    const fs::path csv = scratchDir() / "points.xlsx";
    std::ofstream(csv, std::ios::binary) << "1,1000.5,2000.25,10,road,1\r\n2,1001,2001,10,road,2\r\n";
    const fs::path docx = scratchDir() / "letter.xlsx";
    test::writeZip(docx, {{"[Content_Types].xml", "<Types/>"}, {"word/document.xml", "<document/>"}});
    const fs::path odt = scratchDir() / "letter.ods";
    test::writeZip(odt, {{"mimetype", "application/vnd.oasis.opendocument.text"}, {"content.xml", "<x/>"}});
    const fs::path zip = scratchDir() / "photos.xlsx";
    test::writeZip(zip, {{"a.jpg", "JFIF"}});
    const fs::path xml = scratchDir() / "data.xlsx";
    std::ofstream(xml, std::ios::binary) << "<?xml version=\"1.0\"?><Workbook><Row/></Workbook>";
    const fs::path cut = scratchDir() / "cut.xlsx";
    test::writeZip(cut, test::xlsxPackage(test::XlsxParts{}));
    fs::resize_file(cut, fs::file_size(cut) - 30);

    const std::vector<std::pair<fs::path, std::string>> cases = {
        {csv, "The file is not a workbook but a text file (a CSV or point file, perhaps): convert it with a format "
              "for text files."},
        {docx, "The file is a Word document, not a workbook."},
        {odt, "The file is an OpenDocument file but not a spreadsheet (text)."},
        {zip, "The file is a zip archive but not a workbook (it holds no XLSX or ODS spreadsheet)."},
        {xml, "The file is an XML document but not a workbook (it holds no OpenDocument spreadsheet)."},
        {cut, "The workbook file is damaged: its zip package cannot be read (Not a zip archive)."},
    };
    for (const auto& [path, message] : cases) {
        EXPECT_EQ(errorOf(path), message) << path;
    }
}

// Excel keeps a workbook saved with a password as an encrypted package in a compound file.
TEST(WorkbookKindTest, AnEncryptedPackageIsProtectedByAPassword)
{
    Bytes bytes = test::readBytes(test::fixtureDir() / "biff8_survey.xls");
    const std::u16string from = u"Workbook";
    const std::u16string to = u"EncryptedPackage";
    const auto* pattern = reinterpret_cast<const std::uint8_t*>(from.data());
    const auto at = std::search(bytes.begin(), bytes.end(), pattern, pattern + from.size() * 2);
    ASSERT_NE(at, bytes.end());
    std::fill(at, at + 64, 0);
    std::copy_n(reinterpret_cast<const std::uint8_t*>(to.data()), to.size() * 2, at);
    storeU16(&*(at + 64), static_cast<std::uint16_t>((to.size() + 1) * 2));
    const fs::path path = scratchDir() / "secret.xlsx";
    test::writeBytes(path, bytes);
    EXPECT_EQ(errorOf(path), "The workbook is protected by a password (encrypted) and cannot be read.");
}

// The preview shows and edits XLSX and ODS workbooks too; a damaged one is named, never shown as
// text (a save of that would destroy it); another zip archive is not the preview's.
TEST(WorkbookKindTest, ThePreviewOpensXlsxAndOdsWorkbooksAndNamesDamagedOnes)
{
    test::XlsxParts parts;
    parts.sheets = {{"S", "<row r=\"1\"><c r=\"A1\"><v>4</v></c></row>"}};
    const fs::path zip = scratchDir() / "photos.zip";
    test::writeZip(zip, {{"a.jpg", "JFIF"}});
    const fs::path cut = scratchDir() / "cut-probe.xlsx";
    test::writeZip(cut, test::xlsxPackage(parts));
    fs::resize_file(cut, fs::file_size(cut) - 30);
    const fs::path xml = scratchDir() / "other.xml";
    test::writeBytes(xml, {'<', '?', 'x', 'm', 'l', ' ', '?', '>', '<', 'a', '/', '>'});
    const std::vector<std::tuple<fs::path, WorkbookProbe, std::string>> cases = {
        {xlsx("probe.xlsx", parts), WorkbookProbe::Workbook, ""},
        {ods("probe.ods", kTableStart + "</table:table>"), WorkbookProbe::Workbook, ""},
        {zip, WorkbookProbe::NotWorkbook, ""},
        {xml, WorkbookProbe::NotWorkbook, ""},
        {cut, WorkbookProbe::Unreadable,
         "The workbook file is damaged: its zip package cannot be read (Not a zip archive)."},
    };
    for (const auto& [path, kind, message] : cases) {
        const ProbedFile probed = probeWorkbook(path);
        EXPECT_EQ(probed.kind, kind) << path;
        EXPECT_EQ(probed.error, message) << path;
        EXPECT_FALSE(probed.workbook.has_value()) << path;
        EXPECT_EQ(probed.package.has_value(), kind == WorkbookProbe::Workbook) << path;
    }
}

} // namespace
} // namespace mervalon::spreadsheet
