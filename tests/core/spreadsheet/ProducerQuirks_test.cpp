// Workbooks as other producers and other countries write them: code pages whose converter holds
// a letter back, BIFF4 record ids in later files, damaged number formats, bare old streams,
// durations and East Asian date formats.
#include "SpreadsheetTestSupport.h"
#include "core/spreadsheet/CellText.h"
#include "core/spreadsheet/TextCodec.h"
#include "core/spreadsheet/Workbook.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>

namespace mervalon::spreadsheet {
namespace {

namespace fs = std::filesystem;
using test::fixtureDir;
using test::scratchDir;
using test::StreamSurgery;

// The fixture with its workbook stream changed by `change`, as a file of the scratch folder.
fs::path patched(const std::string& name, const std::function<void(StreamSurgery&)>& change)
{
    StreamSurgery surgery(test::readBytes(fixtureDir() / "biff8_survey.xls"));
    change(surgery);
    const fs::path path = scratchDir() / name;
    test::writeBytes(path, surgery.rebuilt());
    return path;
}

// Every offset of a record with `id`, walking the whole stream.
std::vector<std::size_t> offsetsOf(const StreamSurgery& surgery, std::uint16_t id)
{
    std::vector<std::size_t> found;
    for (auto at = surgery.find(id); at; at = surgery.find(id, *at + 1)) {
        found.push_back(*at);
    }
    return found;
}

// Gives the record at `at` a new body, moving the sheets' positions that lie after it.
void replaceBody(StreamSurgery& surgery, std::size_t at, const Bytes& body)
{
    const auto oldLength = loadU16(surgery.stream.data() + at + 2);
    const auto delta = static_cast<std::int64_t>(body.size()) - oldLength;
    for (const std::size_t sheet : offsetsOf(surgery, record::kBoundSheet)) {
        std::uint8_t* position = surgery.stream.data() + sheet + 4;
        if (loadU32(position) > at) {
            storeU32(position, static_cast<std::uint32_t>(loadU32(position) + delta));
        }
    }
    Bytes header;
    appendU16(header, loadU16(surgery.stream.data() + at));
    appendU16(header, static_cast<std::uint16_t>(body.size()));
    auto first = surgery.stream.begin() + static_cast<std::ptrdiff_t>(at);
    surgery.stream.erase(first, first + 4 + oldLength);
    header.insert(header.end(), body.begin(), body.end());
    surgery.stream.insert(surgery.stream.begin() + static_cast<std::ptrdiff_t>(at), header.begin(), header.end());
}

std::string cellText(const Workbook& book, int sheet, int row, int column)
{
    const CellValue* cell = book.sheet(sheet)->cell(row, column);
    return cell != nullptr ? cell->text : "<empty>";
}

} // namespace

// Code page 1258 holds each letter back until it knows whether an accent follows: the last letter
// of a text, and a letter before an invalid byte, must not be lost.
TEST(ProducerQuirks, Vietnamese1258TextsKeepTheirLastLetter)
{
    const CodePage vietnamese(1258);
    const struct {
        std::string bytes;
        std::string text;
    } cases[] = {
        {"S", "S"}, // a text of one letter
        {"EP1", "EP1"},
        {"Ha Noi", "Ha Noi"},
        {"\xC0", "\xC0"},  // A with grave, in both code pages
        {"A\xCC", "\xC0"}, // A and a combining grave: one letter
        {"A\x81"
         "B",
         "A?B"},               // a byte the code page lacks
        {"\xC0\x81", "\xC0?"}, // the letter held back before it is kept
        {"\xC7\xC7", "\xC7\xC7"},
    };
    for (const auto& c : cases) {
        const auto* data = reinterpret_cast<const std::uint8_t*>(c.bytes.data());
        EXPECT_EQ(vietnamese.decode(ByteView(data, c.bytes.size())), c.text) << c.bytes;
    }
}

// FORMULA records with the id of BIFF4 inside a BIFF8 sheet are formulas still: their rows are
// read, and a save after an edit leaves one value per cell.
TEST(ProducerQuirks, Biff4FormulaRecordsInABiff8SheetAreRead)
{
    const Workbook reference = Workbook::open(fixtureDir() / "biff8_survey.xls");
    const fs::path path = patched("formula4.xls", [](StreamSurgery& s) {
        const auto formulas = offsetsOf(s, record::kFormula);
        ASSERT_FALSE(formulas.empty());
        for (const std::size_t at : formulas) {
            storeU16(s.stream.data() + at, record::kFormula4);
        }
    });
    Workbook book = Workbook::open(path);
    for (int column = 2; column <= 5; ++column) {
        EXPECT_EQ(cellText(book, 1, 4, column), cellText(reference, 1, 4, column)) << column;
    }
    EXPECT_NE(cellText(book, 1, 4, 3), "<empty>");

    book.setRowOrder(1, {0, 4, 2, 3, 5});
    book.save();
    const Workbook saved = Workbook::open(path);
    EXPECT_EQ(cellText(saved, 1, 2, 3), cellText(reference, 1, 4, 3)); // the text result moved up
    EXPECT_TRUE(StreamSurgery(test::readBytes(path)).find(record::kFormula4) == std::nullopt);
    bool missing = false;
    const auto dump = test::xlrdDump(path, missing);
    ASSERT_FALSE(missing) << "python3-xlrd is missing (apt-get install python3-xlrd)";
    ASSERT_TRUE(dump.has_value());
    const auto original = test::xlrdDump(fixtureDir() / "biff8_survey.xls", missing);
    ASSERT_TRUE(original.has_value());
    EXPECT_EQ(std::count(dump->begin(), dump->end(), '\n'), std::count(original->begin(), original->end(), '\n'))
        << *dump; // every cell once: none holds two values
}

// A formula's text result in letters Windows-1252 lacks keeps them when its row moves.
TEST(ProducerQuirks, FormulaTextResultsKeepTheirLettersWhenRowsMove)
{
    const fs::path path = patched("cyrillic.xls", [](StreamSurgery& s) {
        const auto strings = offsetsOf(s, record::kString);
        ASSERT_FALSE(strings.empty());
        // "Пx" as UTF-16: two characters, the high byte flag, then the units.
        replaceBody(s, strings.front(), Bytes{0x02, 0x00, 0x01, 0x1F, 0x04, 0x78, 0x00});
    });
    bool missing = false;
    const auto before = test::xlrdDump(path, missing);
    ASSERT_FALSE(missing) << "python3-xlrd is missing (apt-get install python3-xlrd)";
    ASSERT_TRUE(before.has_value());
    ASSERT_NE(before->find("Survey|3|2|t|\xD0\x9Fx\n"), std::string::npos) << *before;

    Workbook book = Workbook::open(path);
    book.setRowOrder(1, {0, 4, 2, 3, 5});
    book.save();
    const auto after = test::xlrdDump(path, missing);
    ASSERT_TRUE(after.has_value());
    EXPECT_NE(after->find("Survey|1|2|t|\xD0\x9Fx\n"), std::string::npos) << *after;
}

// One damaged number format costs only its own look, never the workbook's data.
TEST(ProducerQuirks, ADamagedNumberFormatCostsOnlyItsOwnLook)
{
    const Workbook reference = Workbook::open(fixtureDir() / "biff8_survey.xls");
    const fs::path path = patched("badformat.xls", [](StreamSurgery& s) {
        const auto formats = offsetsOf(s, record::kFormat);
        ASSERT_FALSE(formats.empty());
        // The text claims one character more than the record holds.
        std::uint8_t* count = s.stream.data() + formats.back() + 4 + 2;
        storeU16(count, static_cast<std::uint16_t>(loadU16(count) + 1));
    });
    const Workbook book = Workbook::open(path);
    for (int sheet = 1; sheet <= reference.sheetCount(); ++sheet) {
        EXPECT_NE(book.sheet(sheet)->cell(1, 1) == nullptr && reference.sheet(sheet)->cell(1, 1) != nullptr, true);
    }
    EXPECT_EQ(cellText(book, 1, 2, 2), cellText(reference, 1, 2, 2));
    EXPECT_EQ(cellText(book, 3, 1, 1), cellText(reference, 3, 1, 1));
}

// Excel 2 to 4 wrote a bare workbook stream: its version is not supported, and that is what the
// user is told.
TEST(ProducerQuirks, BareOldWorkbooksAreAnUnsupportedVersion)
{
    for (const std::uint16_t bof : {record::kOldBof2, record::kOldBof3, record::kOldBof4}) {
        Bytes bytes;
        appendU16(bytes, bof);
        appendU16(bytes, 6);
        appendU16(bytes, 0x0007);
        appendU16(bytes, 0x0010);
        appendU16(bytes, 0);
        appendU16(bytes, record::kEof);
        appendU16(bytes, 0);
        try {
            Workbook::fromBytes(bytes);
            ADD_FAILURE() << "read";
        } catch (const WorkbookError& error) {
            EXPECT_STREQ(error.what(), "The workbook's file version is not supported (Excel 5 to 2003 files are).");
        }
    }
}

// Durations show what a spreadsheet shows; the East Asian built-in formats are dates.
TEST(ProducerQuirks, DurationsAndEastAsianDates)
{
    const struct {
        std::uint16_t index;
        const char* code;
        double value;
        const char* text;
    } durations[] = {
        {164, "[h]", 1, "24"},
        {164, "[HH]:MM", 1, "24:00"},
        {164, "[h]:mm:ss", 1.5, "36:00:00"},
        {46, "", 1, "24:00:00"},
        {164, "[mm]:ss", 1, "1440:00"},
        {164, "[MM]", 0.5, "720"},
        {164, "[ss]", 1, "86400"},
        {164, "[h]:mm", -0.25, "-6:00"},
        {164, "[h]:mm", 1.0 / 86400 * 29, "0:00"},
        {164, "[h]:mm", 1.0 / 86400 * 31, "0:01"},
    };
    for (const auto& d : durations) {
        const TimeFormat format = timeFormatOf(d.index, d.code);
        EXPECT_EQ(format.kind, TimeFormat::Kind::Elapsed) << d.code;
        EXPECT_EQ(elapsedText(d.value, format), d.text) << d.code << " " << d.value;
    }
    EXPECT_EQ(elapsedText(1e7, timeFormatOf(164, "[h]")), std::nullopt);
    for (const int index : {27, 31, 36, 50, 56, 58}) {
        EXPECT_EQ(timeFormatOf(static_cast<std::uint16_t>(index), "").kind, TimeFormat::Kind::Date) << index;
    }
    for (const int index : {37, 49, 59}) {
        EXPECT_EQ(timeFormatOf(static_cast<std::uint16_t>(index), "").kind, TimeFormat::Kind::None) << index;
    }
    EXPECT_EQ(timeFormatOf(56, "0.00").kind, TimeFormat::Kind::None); // spelled out by the workbook
    EXPECT_EQ(timeFormatOf(164, "hh:mm").kind, TimeFormat::Kind::Date);
}

} // namespace mervalon::spreadsheet
