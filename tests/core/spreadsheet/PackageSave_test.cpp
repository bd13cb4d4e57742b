#include "PackageTestSupport.h"
#include "core/spreadsheet/PackageWorkbook.h"
#include "core/spreadsheet/SheetRows.h"
#include "core/spreadsheet/ZipPackage.h"

#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <sys/stat.h>

namespace mervalon::spreadsheet {
namespace {

namespace fs = std::filesystem;
using test::scratchDir;

// The workbooks of package_peers.py, made once per run by openpyxl and gnumeric; the exit
// status 3 names a missing package on the script's stderr.
struct PeerPackages {
    fs::path folder;
    std::string missing;
};

std::string script()
{
    return "/usr/bin/python3 '" + (test::fixtureDir() / "package_peers.py").string() + "'";
}

const PeerPackages& peerPackages()
{
    static const PeerPackages made = [] {
        PeerPackages result;
        result.folder = scratchDir() / "package-peers";
        const fs::path errors = scratchDir() / "package-peers.err";
        const int rc =
            test::runCommand(script() + " make '" + result.folder.string() + "' 2>'" + errors.string() + "'");
        if (rc != 0) {
            result.missing =
                rc == 3 ? test::readText(errors) : "python3 (package_peers.py failed: " + test::readText(errors) + ")";
            while (!result.missing.empty() && result.missing.back() == '\n') {
                result.missing.pop_back();
            }
        }
        return result;
    }();
    return made;
}

std::string commandOutput(const std::string& command)
{
    static int runs = 0;
    const fs::path out = scratchDir() / ("peer-" + std::to_string(++runs) + ".txt");
    const int rc = test::runCommand(command + " >'" + out.string() + "' 2>/dev/null");
    return rc == 0 ? test::readText(out) : "(failed: " + command + ")";
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        result.push_back(line);
    }
    return result;
}

// The zip entries in order: "name method crc size".
std::vector<std::string> entries(const fs::path& path)
{
    return lines(commandOutput(script() + " entries '" + path.string() + "'"));
}

std::string ssconvertCsv(const fs::path& path)
{
    const fs::path csv = path.string() + ".csv";
    fs::remove(csv);
    commandOutput("ssconvert --export-type=Gnumeric_stf:stf_csv '" + path.string() + "' '" + csv.string() + "'");
    return fs::exists(csv) ? test::readText(csv) : "(ssconvert wrote nothing)";
}

bool haveSoffice()
{
    return test::runCommand("command -v soffice >/dev/null 2>&1") == 0;
}

// LibreOffice's view of the workbook's first sheet: its CSV export (UTF-8), without quotes and
// carriage returns, which LibreOffice and gnumeric place differently.
std::string libreOfficeCsv(const fs::path& path)
{
    const fs::path out = scratchDir() / "libreoffice";
    const fs::path csv = out / (path.stem().string() + ".csv");
    fs::remove(csv);
    commandOutput("soffice --headless '-env:UserInstallation=file://" +
                  (scratchDir() / "libreoffice-profile").string() +
                  "' --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76' --outdir '" + out.string() + "' '" +
                  path.string() + "'");
    if (!fs::exists(csv)) {
        return "(LibreOffice wrote nothing)";
    }
    std::string text = test::readText(csv);
    std::erase(text, '"');
    std::erase(text, '\r');
    return text;
}

// Insert a row before row 2, delete old row 4 (P3), type a text with a character beyond
// Windows-1252, a number over a number and a text into the inserted row.
SheetEdits surveyEdits()
{
    SheetEdits edits;
    edits.setRowOrder({1, 0, 2, 3, 5, 6}, 6);
    edits.setCell(CellEdit::ofText(1, 2, "Ostwert \xE2\x82\xAC \xC5\x81"));
    edits.setCell(CellEdit::ofText(2, 1, "inserted"));
    edits.setCell(CellEdit::ofNumber(3, 3, 42.5, "42.50"));
    return edits;
}

const char* const kSavedCsv = "Number,\"Ostwert \xE2\x82\xAC \xC5\x81\",North\n"
                              "inserted,,\n"
                              "P1,1000.5,42.5\n"
                              "P2,1010,2001\n"
                              "P4,1030,2003\n"
                              "P5,1040,2004\n";

// The same as LibreOffice shows it: numbers in their cells' formats (P1's East keeps its "0.000").
const char* const kSavedAsShown = "Number,Ostwert \xE2\x82\xAC \xC5\x81,North\n"
                                  "inserted,,\n"
                                  "P1,1000.500,42.5\n"
                                  "P2,1010,2001\n"
                                  "P4,1030,2003\n"
                                  "P5,1040,2004\n";

TEST(PackageSaveTest, PeerWorkbooksKeepEveryOtherPartAndReadBackInThePeers)
{
    const PeerPackages& made = peerPackages();
    MERVALON_REQUIRE_PEER(made.missing.empty(), made.missing);
    MERVALON_REQUIRE_PEER(test::haveSsconvert(), "gnumeric");
    MERVALON_REQUIRE_PEER(haveSoffice(), "libreoffice-calc");
    struct Case {
        const char* name;
        const char* sheetPart;
        PackageWorkbookKind kind;
    };
    for (const Case& c : {Case{"openpyxl.xlsx", "xl/worksheets/sheet1.xml", PackageWorkbookKind::Ooxml},
                          Case{"gnumeric.xlsx", "xl/worksheets/sheet1.xml", PackageWorkbookKind::Ooxml},
                          Case{"gnumeric.ods", "content.xml", PackageWorkbookKind::Ods}}) {
        SCOPED_TRACE(c.name);
        const fs::path path = scratchDir() / (std::string("saved-") + c.name);
        fs::copy_file(made.folder / c.name, path, fs::copy_options::overwrite_existing);
        const std::vector<std::string> before = entries(path);
        std::optional<PackageWorkbook> book = PackageWorkbook::open(path);
        ASSERT_TRUE(book.has_value());
        EXPECT_EQ(book->kind(), c.kind);
        EXPECT_EQ(book->sheetNames(), (std::vector<std::string>{"Points", "Other"}));
        ASSERT_EQ(book->sheet(1)->cell(4, 1)->text, "P3");
        book->saveSheet(1, surveyEdits());

        // Every part but the sheet's comes out as it went in, in its place, packed as it was.
        const std::vector<std::string> after = entries(path);
        ASSERT_EQ(after.size(), before.size());
        for (std::size_t i = 0; i < before.size(); ++i) {
            const std::string name = before[i].substr(0, before[i].find(' '));
            EXPECT_EQ(after[i].substr(0, after[i].find(' ')), name);
            if (name != c.sheetPart) {
                EXPECT_EQ(after[i], before[i]);
            } else {
                EXPECT_NE(after[i], before[i]);
            }
        }
        if (c.kind == PackageWorkbookKind::Ods) {
            EXPECT_EQ(after.front(), "mimetype 0 8a396c85 46"); // first, stored
        }

        EXPECT_EQ(ssconvertCsv(path), kSavedCsv);
        EXPECT_EQ(libreOfficeCsv(path), kSavedAsShown);
        const Sheet* reread = book->sheet(1);
        EXPECT_EQ(reread->cell(1, 2)->text, "Ostwert \x80 ?");
        EXPECT_EQ(reread->cell(2, 1)->text, "inserted");
        EXPECT_EQ(reread->cell(3, 3)->number, 42.5);
        EXPECT_EQ(reread->cell(5, 1)->text, "P4");
        EXPECT_EQ(reread->usedRange().rows, 6);
        if (c.kind == PackageWorkbookKind::Ooxml) {
            // openpyxl sees the types: a typed number is a number, a typed text a text; the
            // header keeps its bold style.
            const std::vector<std::string> cells =
                lines(commandOutput(script() + " cells '" + path.string() + "' Points"));
            for (const char* expected : {"A1 s:Number bold", "B1 s:Ostwert \xE2\x82\xAC \xC5\x81 ", "A2 s:inserted ",
                                         "C3 n:42.5 ", "A4 s:P2 ", "A5 s:P4 ", "C6 n:2004 "}) {
                EXPECT_NE(std::find(cells.begin(), cells.end(), expected), cells.end()) << expected;
            }
            EXPECT_EQ(
                std::count_if(cells.begin(), cells.end(), [](const std::string& l) { return l.starts_with("A"); }), 6);
        }
    }
}

TEST(PackageSaveTest, TheRowAnchoredContentOfPeerWorkbooksIsNamed)
{
    const PeerPackages& made = peerPackages();
    MERVALON_REQUIRE_PEER(made.missing.empty(), made.missing);
    std::optional<PackageWorkbook> book = PackageWorkbook::open(made.folder / "openpyxl.xlsx");
    ASSERT_TRUE(book.has_value());
    EXPECT_TRUE(book->rowAnchoredContent(1).empty()); // the defined name points at the other sheet
    EXPECT_EQ(book->rowAnchoredContent(2), (std::vector<RowAnchoredContent>{{"formulas", 1}, {"defined names", 1}}));
}

// A workbook with formulas and the calculation chain Excel keeps of them, as Excel writes it.
const std::string kTypesHead =
    "<?xml version=\"1.0\"?>\r\n<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
    "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
    "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
    "<Override PartName=\"/xl/workbook.xml\" "
    "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
    "<Override PartName=\"/xl/worksheets/sheet1.xml\" "
    "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>";
const std::string kChainType =
    "<Override PartName=\"/xl/calcChain.xml\" "
    "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.calcChain+xml\"/>";
const char* const kChainRelationship = "<Relationship Id=\"rId9\" Type=\"http://schemas.openxmlformats.org/"
                                       "officeDocument/2006/relationships/calcChain\" Target=\"calcChain.xml\"/>";

fs::path chainedWorkbook(const std::string& name)
{
    test::XlsxParts parts;
    parts.sheets = {{"Points", "<row r=\"1\"><c r=\"A1\"><v>1</v></c><c r=\"B1\"><f>1+1</f><v>2</v></c></row>"
                               "<row r=\"2\"><c r=\"A2\"><v>3</v></c><c r=\"B2\"><f>3*2</f><v>6</v></c></row>"}};
    auto files = test::xlsxPackage(parts);
    for (auto& [part, xml] : files) {
        if (part == "[Content_Types].xml") {
            xml = kTypesHead + kChainType + "</Types>";
        } else if (part == "xl/_rels/workbook.xml.rels") {
            xml.insert(xml.find("</Relationships>"), kChainRelationship);
        } else if (part == "xl/worksheets/sheet1.xml") {
            xml.insert(xml.find("<sheetData>"), "<dimension ref=\"A1:B2\"/>");
        }
    }
    files.emplace_back("xl/calcChain.xml", std::string("<?xml version=\"1.0\"?><calcChain xmlns=\"") + test::kMainNs +
                                               "\"><c r=\"B1\" i=\"1\"/><c r=\"B2\"/></calcChain>");
    const fs::path path = scratchDir() / name;
    test::writeZip(path, files);
    return path;
}

std::string partText(const fs::path& path, const std::string& part)
{
    ZipPackage package = ZipPackage::open(path);
    return package.readSmall(part).value_or("(missing)");
}

// Moved rows leave the chain's addresses stale, which Excel reports as damage: the chain goes
// with its relationship and content type, and the dimension names the new range. A save that
// moves no row keeps them all.
TEST(PackageSaveTest, MovedRowsDropTheCalculationChainAndMendTheDimension)
{
    const fs::path typed = chainedWorkbook("chain-typed.xlsx");
    const std::vector<std::string> before = entries(typed);
    std::optional<PackageWorkbook> book = PackageWorkbook::open(typed);
    ASSERT_TRUE(book.has_value());
    SheetEdits cellOnly;
    cellOnly.setCell(CellEdit::ofNumber(2, 1, 4, "4"));
    book->saveSheet(1, cellOnly);
    const std::vector<std::string> kept = entries(typed);
    ASSERT_EQ(kept.size(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (!before[i].starts_with("xl/worksheets/sheet1.xml ")) {
            EXPECT_EQ(kept[i], before[i]);
        }
    }
    EXPECT_NE(partText(typed, "xl/worksheets/sheet1.xml").find("<dimension ref=\"A1:B2\"/>"), std::string::npos);

    const fs::path moved = chainedWorkbook("chain-moved.xlsx");
    book = PackageWorkbook::open(moved);
    ASSERT_TRUE(book.has_value());
    SheetEdits inserted;
    inserted.setRowOrder({1, 0, 2}, 2);
    inserted.setCell(CellEdit::ofText(2, 1, "new"));
    book->saveSheet(1, inserted);
    std::vector<std::string> names;
    for (const std::string& entry : entries(moved)) {
        names.push_back(entry.substr(0, entry.find(' ')));
    }
    EXPECT_EQ(names, (std::vector<std::string>{"[Content_Types].xml", "_rels/.rels", "xl/worksheets/sheet1.xml",
                                               "xl/workbook.xml", "xl/_rels/workbook.xml.rels"}));
    EXPECT_EQ(partText(moved, "[Content_Types].xml"), kTypesHead + "</Types>");
    const std::string relationships = partText(moved, "xl/_rels/workbook.xml.rels");
    EXPECT_EQ(relationships.find("calcChain"), std::string::npos);
    EXPECT_EQ(relationships, test::xlsxPackage(test::XlsxParts{{{"Points", ""}}, "", "", "", ""}).back().second);
    EXPECT_EQ(partText(moved, "xl/worksheets/sheet1.xml"),
              std::string("<?xml version=\"1.0\"?><worksheet xmlns=\"") + test::kMainNs +
                  "\"><dimension ref=\"A1:B3\"/><sheetData><row r=\"1\"><c r=\"A1\"><v>1</v></c><c r=\"B1\"><f>1+1</f>"
                  "<v>2</v></c></row><row r=\"2\"><c r=\"A2\" t=\"inlineStr\"><is><t xml:space=\"preserve\">new</t>"
                  "</is></c></row><row r=\"3\"><c r=\"A3\"><v>3</v></c><c r=\"B3\"><f>3*2</f><v>6</v></c></row>"
                  "</sheetData></worksheet>");
    EXPECT_EQ(std::get<std::vector<RowTexts>>(readSheetRows(moved, 1, SheetSelector{1, "1"})),
              (std::vector<RowTexts>{{"1", "2"}, {"new"}, {"3", "6"}}));

    // The peers read the saved workbook.
    MERVALON_REQUIRE_PEER(test::havePython(), "python3");
    MERVALON_REQUIRE_PEER(test::haveSsconvert(), "gnumeric");
    MERVALON_REQUIRE_PEER(haveSoffice(), "libreoffice-calc");
    EXPECT_EQ(lines(commandOutput(script() + " cells '" + moved.string() + "' Points")),
              (std::vector<std::string>{"A1 n:1 ", "B1 f:=1+1 ", "A2 s:new ", "A3 n:3 ", "B3 f:=3*2 "}));
    EXPECT_EQ(ssconvertCsv(moved), "1,2\nnew,\n3,6\n");
    EXPECT_EQ(libreOfficeCsv(moved), "1,2\nnew,\n3,6\n");
}

TEST(PackageSaveTest, AFlatOdsDocumentIsSavedInPlace)
{
    const fs::path path = scratchDir() / "flat.fods";
    const std::string table =
        "<table:table table:name=\"F\"><table:table-row><table:table-cell office:value-type="
        "\"string\"><text:p>a</text:p></table:table-cell></table:table-row><table:table-row "
        "table:number-rows-repeated=\"1048575\"><table:table-cell/></table:table-row></table:table>";
    const std::string content = test::odsContent(table);
    test::writeBytes(path, Bytes(content.begin(), content.end()));
    std::optional<PackageWorkbook> book = PackageWorkbook::open(path);
    ASSERT_TRUE(book.has_value());
    EXPECT_EQ(book->kind(), PackageWorkbookKind::FlatOds);
    SheetEdits edits;
    edits.setCell(CellEdit::ofNumber(3, 2, 7, "7"));
    book->saveSheet(1, edits);
    const std::vector<RowTexts> rows = std::get<std::vector<RowTexts>>(readSheetRows(path, 1, SheetSelector{1, "1"}));
    EXPECT_EQ(rows, (std::vector<RowTexts>{{"a"}, {}, {"7"}}));
    EXPECT_NE(test::readText(path).find("table:number-rows-repeated=\"1048573\""), std::string::npos);
}

TEST(PackageSaveTest, AFailedSaveLeavesTheFileAsItWas)
{
    test::XlsxParts parts;
    parts.sheets = {{"S", "<row r=\"1\"><c r=\"A1\"><v>4</v></c></row>"}};
    const fs::path folder = scratchDir() / "locked";
    fs::create_directories(folder);
    const fs::path path = folder / "book.xlsx";
    test::writeZip(path, test::xlsxPackage(parts));
    const std::string original = test::readText(path);
    std::optional<PackageWorkbook> book = PackageWorkbook::open(path);
    ASSERT_TRUE(book.has_value());
    SheetEdits edits;
    edits.setCell(CellEdit::ofNumber(1, 1, 5, "5"));
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read);
    try {
        book->saveSheet(1, edits);
        ADD_FAILURE() << "saved over a write-protected file";
    } catch (const WorkbookError& error) {
        EXPECT_EQ(std::string(error.what()), "Cannot save the workbook \"" + path.string() +
                                                 "\". It is write-protected (read-only); remove the protection to "
                                                 "save it, or save it under another name.");
    }
    EXPECT_EQ(test::readText(path), original);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);
    book->saveSheet(1, edits);
    EXPECT_EQ(book->sheet(1)->cell(1, 1)->number, 5);
}

} // namespace
} // namespace mervalon::spreadsheet
