// Letters Windows-1252 lacks are kept as escapes by the readings given a CharacterEscapes, and
// only by those: no state of the thread decides it, so a plain reading inside an escaping one,
// or beside it on another thread, still writes '?'.
#include "PackageTestSupport.h"
#include "core/spreadsheet/SheetRows.h"
#include "core/spreadsheet/TextCodec.h"

#include <gtest/gtest.h>
#include <thread>

namespace mervalon::spreadsheet {
namespace {

// "łąka 中", "Привет", and "café" followed by a C1 control (U+0085), which stays '?'.
const std::string kLetters = "\xC5\x82\xC4\x85ka \xE4\xB8\xAD";
const std::string kCyrillic = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82";
const std::string kControl = "caf\xC3\xA9\xC2\x85";

const std::vector<RowTexts> kEscaped{
    {"\\U+0142\\U+0105ka \\U+4E2D", "\\U+041F\\U+0440\\U+0438\\U+0432\\U+0435\\U+0442", "caf\xE9?"}};
const std::vector<RowTexts> kPlain{{"??ka ?", "??????", "caf\xE9?"}};

std::filesystem::path writeWorkbook(const std::string& name)
{
    const std::filesystem::path path = test::scratchDir() / name;
    if (name.ends_with(".ods")) {
        std::string row = "<table:table table:name=\"\xC5\x81\xC4\x85ka\"><table:table-row>";
        for (const std::string& text : {kLetters, kCyrillic, kControl}) {
            row += "<table:table-cell office:value-type=\"string\"><text:p>" + text + "</text:p></table:table-cell>";
        }
        test::writeZip(path, test::odsPackage(row + "</table:table-row></table:table>"));
    } else {
        test::XlsxParts parts;
        // Shared strings, an inline string and a formula's text result.
        parts.sharedStrings = "<si><t>" + kLetters + "</t></si>";
        parts.sheets = {
            {"\xC5\x81\xC4\x85ka", "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"inlineStr\"><is><t>" +
                                       kCyrillic + "</t></is></c><c r=\"C1\" t=\"str\"><f>X1</f><v>" + kControl +
                                       "</v></c></row>"}};
        test::writeZip(path, test::xlsxPackage(parts));
    }
    return path;
}

std::vector<RowTexts> rowsOf(const SheetRows& result)
{
    return std::get<std::vector<RowTexts>>(result);
}

class RowsGathered : public SheetRowSink {
  public:
    void row(std::span<const std::string> fields) override
    {
        rows.emplace_back(fields.begin(), fields.end());
        if (onRow) {
            onRow();
        }
    }
    std::vector<RowTexts> rows;
    std::function<void()> onRow;
};

class LetterEscapesTest : public ::testing::TestWithParam<const char*> {};

TEST_P(LetterEscapesTest, OnlyAReadingGivenEscapesKeepsTheLetters)
{
    const std::filesystem::path path = writeWorkbook(std::string("letters.") + GetParam());
    EXPECT_EQ(rowsOf(readSheetRows(path, 1, SheetSelector{1, "1"})), kPlain);
    CharacterEscapes escapes;
    EXPECT_EQ(rowsOf(readSheetRows(path, 1, SheetSelector{1, "1"}, &escapes)), kEscaped);
    EXPECT_EQ(escapes.replaced(), 1u); // the C1 control
    // The sheet's name stays plain: a format names it in Windows-1252.
    CharacterEscapes named;
    EXPECT_EQ(rowsOf(readSheetRows(path, 1, SheetSelector{-1, "??ka"}, &named)), kEscaped);
}

TEST_P(LetterEscapesTest, APlainReadingInsideAnEscapingOneStaysPlain)
{
    const std::filesystem::path path = writeWorkbook(std::string("nested.") + GetParam());
    CharacterEscapes escapes;
    RowsGathered outer;
    std::vector<RowTexts> inner;
    outer.onRow = [&] { inner = rowsOf(readSheetRows(path, 1, SheetSelector{1, "1"})); };
    ASSERT_TRUE(streamSheetRows(path, 1, SheetSelector{1, "1"}, outer, &escapes));
    EXPECT_EQ(outer.rows, kEscaped);
    EXPECT_EQ(inner, kPlain);
    EXPECT_EQ(escapes.replaced(), 1u);
}

TEST_P(LetterEscapesTest, TwoThreadsReadWithTheirOwnSettings)
{
    const std::filesystem::path path = writeWorkbook(std::string("threads.") + GetParam());
    std::vector<RowTexts> escapedRows;
    std::vector<RowTexts> plainRows;
    CharacterEscapes escapes;
    bool allAlike = true;
    std::thread escaping([&] {
        for (int i = 0; i < 50; ++i) {
            escapedRows = rowsOf(readSheetRows(path, 1, SheetSelector{1, "1"}, &escapes));
            allAlike = allAlike && escapedRows == kEscaped;
        }
    });
    bool plainAlike = true;
    for (int i = 0; i < 50; ++i) {
        plainRows = rowsOf(readSheetRows(path, 1, SheetSelector{1, "1"}));
        plainAlike = plainAlike && plainRows == kPlain;
    }
    escaping.join();
    EXPECT_TRUE(allAlike);
    EXPECT_TRUE(plainAlike);
    EXPECT_EQ(escapes.replaced(), 50u);
}

INSTANTIATE_TEST_SUITE_P(Packages, LetterEscapesTest, ::testing::Values("xlsx", "ods"));

} // namespace
} // namespace mervalon::spreadsheet
