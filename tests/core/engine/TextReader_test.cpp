#include "EngineTestSupport.h"
#include "core/engine/TextReader.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <random>
#include <string>
#include <system_error>
#include <vector>

using mervalon::engine::FieldList;
using mervalon::engine::FieldRows;
using mervalon::engine::readTextLines;
using mervalon::engine::splitLine;
using mervalon::enginetest::TempFolderTest;

namespace {

using Lines = std::vector<FieldList>;

Lines listsOf(const FieldRows& rows)
{
    Lines lines;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        lines.push_back(rows.rowAsList(i));
    }
    return lines;
}

class TextReaderTest : public TempFolderTest {
  protected:
    Lines read(const std::string& content, const std::string& separator, int firstLine = 1)
    {
        return listsOf(readTextLines(writeFile("points.txt", content), separator, firstLine));
    }
};

} // namespace

TEST(SplitLine, Cases)
{
    const struct {
        const char* line;
        const char* separator;
        FieldList fields;
    } cases[] = {
        {"12,1000.5,,2000.25,15,tree", ",", {"12", "1000.5", "2000.25", "15", "tree"}},
        {" 12 , 1000.5 ,, 2000.25 ,15, tree ", ",", {"12", "1000.5", "2000.25", "15", "tree"}},
        {",a,,b,", ",", {"a", "b"}},
        {"abc def", ";", {"abc def"}},
        {"1;2;3", ";", {"1", "2", "3"}},
        {"12  1000.5 \t 2000.25", " ", {"12", "1000.5", "2000.25"}},
        {"1,2,3", "", {"1,2,3"}},
        {"  padded  ", "", {"padded"}},
        {",,,", ",", {}},
        {"", ",", {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(splitLine(c.line, c.separator), c.fields) << "line \"" << c.line << "\"";
    }
}

TEST_F(TextReaderTest, TwoCommasInARowCountAsOne)
{
    EXPECT_EQ(read("12,1000.5,,2000.25,15,tree\r\n", ","), (Lines{{"12", "1000.5", "2000.25", "15", "tree"}}));
}

TEST_F(TextReaderTest, SpaceSeparatorTakesRunsOfSpacesAndTabs)
{
    EXPECT_EQ(read("12  1000.5\t2000.25\r\n", " "), (Lines{{"12", "1000.5", "2000.25"}}));
}

TEST_F(TextReaderTest, TabSeparatorKeepsADescriptionWithASpace)
{
    EXPECT_EQ(read("\t12\t1000.5\t2000.25\told oak tree\t\r\n", "\t"),
              (Lines{{"12", "1000.5", "2000.25", "old oak tree"}}));
}

TEST_F(TextReaderTest, TabsBecomeBlanksWhenTheyAreNotTheSeparator)
{
    EXPECT_EQ(read("12;old\toak;3\n", ";"), (Lines{{"12", "old oak", "3"}}));
}

TEST_F(TextReaderTest, BlankLinesBecomeThePlaceholder)
{
    EXPECT_EQ(read("1,a\n \t  \n\n2,b\n", ","), (Lines{{"1", "a"}, {"Empty"}, {"Empty"}, {"2", "b"}}));
}

TEST_F(TextReaderTest, LineOfSeparatorsOnlyIsThePlaceholder)
{
    EXPECT_EQ(read(",,,\n", ","), (Lines{{"Empty"}}));
}

TEST_F(TextReaderTest, FirstLineChoosesWhereReadingStarts)
{
    const std::string file = "h1\nh2\nd3\nd4\n";
    EXPECT_EQ(read(file, ",", 0), (Lines{{"h1"}, {"h2"}, {"d3"}, {"d4"}}));
    EXPECT_EQ(read(file, ",", 1), (Lines{{"h1"}, {"h2"}, {"d3"}, {"d4"}}));
    EXPECT_EQ(read(file, ",", 3), (Lines{{"d3"}, {"d4"}}));
    EXPECT_EQ(read(file, ",", 5), Lines{});
    EXPECT_EQ(read(file, ",", 50), Lines{});
    EXPECT_EQ(read(file, ",", -4), (Lines{{"h1"}, {"h2"}, {"d3"}, {"d4"}}));
}

TEST_F(TextReaderTest, SkippedLinesMayBeBlank)
{
    EXPECT_EQ(read("\n\nd3\n", ",", 3), (Lines{{"d3"}}));
}

TEST_F(TextReaderTest, LineBreaksOfEveryKind)
{
    EXPECT_EQ(read("a\r\nb\nc\rd", ","), (Lines{{"a"}, {"b"}, {"c"}, {"d"}}));
}

TEST_F(TextReaderTest, OnlyCarriageReturns)
{
    EXPECT_EQ(read("1,a\r2,b\r3,c\r", ","), (Lines{{"1", "a"}, {"2", "b"}, {"3", "c"}}));
}

TEST_F(TextReaderTest, FinalLineBreakAddsNoLine)
{
    EXPECT_EQ(read("a\r\n", ","), (Lines{{"a"}}));
    EXPECT_EQ(read("a\n\n", ","), (Lines{{"a"}, {"Empty"}}));
    EXPECT_EQ(read("", ","), Lines{});
}

TEST_F(TextReaderTest, CtrlZAtTheStartOfALineEndsReading)
{
    EXPECT_EQ(read("1,a\r\n2,b\r\n\x1a\r\n3,c\r\n", ","), (Lines{{"1", "a"}, {"2", "b"}}));
    EXPECT_EQ(read("\x1a"
                   "1,a\r\n",
                   ","),
              Lines{});
}

TEST_F(TextReaderTest, CtrlZInsideALineDoesNotEndReading)
{
    EXPECT_EQ(read("1,a\x1a"
                   "b\r\n2,c\r\n",
                   ","),
              (Lines{{"1", "a b"}, {"2", "c"}}));
    // At the end of a line it is trimmed away like any control character.
    EXPECT_EQ(read("1,a\x1a\r\n2,c\r\n", ","), (Lines{{"1", "a"}, {"2", "c"}}));
}

TEST_F(TextReaderTest, CtrlZWhileSkippingEndsReading)
{
    EXPECT_EQ(read("h1\n\x1ah2\nd3\n", ",", 3), Lines{});
}

TEST_F(TextReaderTest, NulBytesNeverCutOrGlueLines)
{
    using namespace std::string_literals;
    const std::string file = "1,a\0b,2\n\0\0\n3,c\n"s;
    EXPECT_EQ(read(file, ","), (Lines{{"1", "a b", "2"}, {"Empty"}, {"3", "c"}}));
}

TEST_F(TextReaderTest, OtherControlCharactersBecomeBlanks)
{
    EXPECT_EQ(read("1,tree\x01\x07oak\n", ","), (Lines{{"1", "tree  oak"}}));
}

TEST_F(TextReaderTest, EmptySeparatorMakesEveryLineOneField)
{
    EXPECT_EQ(read("1,2,3\n4 5\n", ""), (Lines{{"1,2,3"}, {"4 5"}}));
}

TEST_F(TextReaderTest, AOneMegabyteLineIsReadWhole)
{
    std::string line;
    for (int i = 0; i < 200000; ++i) {
        line += "abcd,";
    }
    line += "end";
    ASSERT_GT(line.size(), 1000000u);
    const auto rows = readTextLines(writeFile("long.txt", line + "\r\n2,b\r\n"), ",", 1);
    ASSERT_EQ(rows.size(), 2u);
    const auto first = rows.row(0);
    ASSERT_EQ(first.size(), 200001u);
    EXPECT_EQ(first[0], "abcd");
    EXPECT_EQ(first[200000], "end");
    EXPECT_EQ(rows.rowAsList(1), (FieldList{"2", "b"}));
}

TEST_F(TextReaderTest, LineBreakSplitAcrossReadBlocksIsOneBreak)
{
    // The CR ends the first megabyte read and its LF begins the next one.
    const std::string first((1u << 20) - 1, 'x');
    const auto rows = readTextLines(writeFile("edge.txt", first + "\r\nnext\r\n"), ",", 1);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows.row(0)[0].size(), first.size());
    EXPECT_EQ(rows.rowAsList(1), (FieldList{"next"}));
}

TEST_F(TextReaderTest, ManyLinesKeepTheirOrder)
{
    std::string file;
    for (int i = 1; i <= 50000; ++i) {
        file += std::to_string(i) + ",x\n";
    }
    const auto rows = readTextLines(writeFile("many.txt", file), ",", 1);
    ASSERT_EQ(rows.size(), 50000u);
    EXPECT_EQ(rows.row(0)[0], "1");
    EXPECT_EQ(rows.row(49999)[0], "50000");
}

TEST_F(TextReaderTest, HighBitCharactersPassUnchanged)
{
    EXPECT_EQ(read("1,caf\xe9 \xb0\n", ","), (Lines{{"1", "caf\xe9 \xb0"}}));
}

TEST_F(TextReaderTest, MissingFileThrowsNamingTheFile)
{
    try {
        readTextLines(pathOf("absent.txt"), ",", 1);
        FAIL() << "no exception";
    } catch (const std::system_error& error) {
        // The message is shown to the user as it is: the system text once, not twice.
        EXPECT_EQ(std::string(error.what()),
                  "Cannot open file \"" + pathOf("absent.txt").string() + "\". No such file or directory");
        EXPECT_EQ(error.code().value(), ENOENT);
    }
}

TEST_F(TextReaderTest, FolderThrowsNamingIt)
{
    try {
        readTextLines(m_dir, ",", 1);
        FAIL() << "no exception";
    } catch (const std::system_error& error) {
        EXPECT_NE(std::string(error.what()).find(m_dir.filename().string()), std::string::npos) << error.what();
    }
}

TEST_F(TextReaderTest, DeviceIsRefusedInsteadOfReadWithoutEnd)
{
    try {
        readTextLines("/dev/zero", ",", 1);
        FAIL() << "no exception";
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(std::string(error.what()), "Cannot open file \"/dev/zero\". It is not a regular file");
    }
}

// A UTF-8 file (with a byte-order mark, or valid UTF-8 holding multi-byte sequences) is read as
// UTF-8 and written in Windows-1252, with the escape \U+XXXX for a character it lacks (a surrogate
// pair beyond U+FFFF); only a C1 control character becomes '?'. Every other file stays byte for byte.
TEST_F(TextReaderTest, Utf8FilesAreReadAsUtf8AndOthersByteForByte)
{
    const struct {
        std::string content;
        Lines lines;
        bool utf8;
        std::size_t replaced;
    } cases[] = {
        {"\xEF\xBB\xBF"
         "1,B\xC3\xB6schung\r\n",
         {{"1", "B\xF6schung"}},
         true,
         0},
        {"1,B\xC3\xB6schung,\xE2\x82\xAC\xE2\x80\x94\xC2\xB0\r\n", {{"1", "B\xF6schung", "\x80\x97\xB0"}}, true, 0},
        {"1,\xE4\xB8\xAD\xF0\x9F\x98\x80,\xC3\x98\r\n2,\xC2\x85\r\n",
         {{"1", "\\U+4E2D\\U+D83D\\U+DE00", "\xD8"}, {"2", "?"}},
         true,
         1},
        // Polish and Hungarian letters, the ends of the planes, a line made longer by its escapes.
        {"\xC5\x81\xC3\xB3"
         "d\xC5\xBA,\xC5\x91\xC5\xB1\r\n",
         {{"\\U+0141\xF3"
           "d\\U+017A",
           "\\U+0151\\U+0171"}},
         true,
         0},
        {"\xEF\xBF\xBF,\xF4\x8F\xBF\xBF,\xF0\x90\x80\x80\r\n",
         {{"\\U+FFFF", "\\U+DBFF\\U+DFFF", "\\U+D800\\U+DC00"}},
         true,
         0},
        {"\xE4\xB8\xAD", {{"\\U+4E2D"}}, true, 0},
        {"\xEF\xBB\xBF"
         "1,plain\r\n",
         {{"1", "plain"}},
         true,
         0},
        // Windows-1252 bytes are no UTF-8: the file is read as it always was.
        {"1,B\xF6schung\r\n2,B\xC3\xB6schung\r\n", {{"1", "B\xF6schung"}, {"2", "B\xC3\xB6schung"}}, false, 0},
        {"1,plain\r\n", {{"1", "plain"}}, false, 0},
        // An overlong form and a cut-off sequence are not UTF-8 either.
        {"1,\xC0\xAF\r\n", {{"1", "\xC0\xAF"}}, false, 0},
        {"1,\xC3", {{"1", "\xC3"}}, false, 0},
    };
    for (const auto& c : cases) {
        mervalon::engine::TextFileNotes notes;
        const auto rows = readTextLines(writeFile("points.txt", c.content), ",", 1, &notes);
        EXPECT_EQ(listsOf(rows), c.lines) << c.content;
        EXPECT_EQ(notes.utf8, c.utf8) << c.content;
        EXPECT_EQ(notes.replaced, c.replaced) << c.content;
    }
}

TEST_F(TextReaderTest, AUtf8SequenceAcrossTheReadBlocksIsOneCharacter)
{
    // The first block ends after the first byte of the sequence.
    const std::string first(600000, 'c');
    const std::string content = first + "\r\n" + std::string((1 << 20) - 1 - first.size() - 2, 'a') + ",\xC3\xB6\r\n" +
                                std::string(70000, 'b') + "\xC3\xB6";
    mervalon::engine::TextFileNotes notes;
    const auto rows = readTextLines(writeFile("points.txt", content), ",", 1, &notes);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows.row(1)[1], "\xF6");
    EXPECT_EQ(rows.row(2)[0], std::string(70000, 'b') + "\xF6");
    EXPECT_TRUE(notes.utf8);
}

TEST_F(TextReaderTest, Utf16FilesAreRefusedWithAClearMessage)
{
    for (const std::string& mark : {std::string("\xFF\xFE"), std::string("\xFE\xFF")}) {
        const auto path = writeFile("points.txt", mark + std::string("1\0,\0", 4));
        try {
            readTextLines(path, ",", 1);
            ADD_FAILURE() << "UTF-16 read";
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(std::string(error.what()),
                      "Cannot read file \"" + path.string() +
                          "\". It is a UTF-16 text; save it as UTF-8 or Windows-1252 (ANSI)");
        }
    }
}

TEST_F(TextReaderTest, AStopRequestEndsTheReadingWithinAFewThousandLines)
{
    std::string content;
    for (int i = 0; i < 100000; ++i) {
        content += std::to_string(i) + ",1,2\r\n";
    }
    std::size_t asked = 0;
    const auto rows = readTextLines(writeFile("points.txt", content), ",", 1, nullptr, [&] { return ++asked >= 3; });
    EXPECT_EQ(asked, 3u);
    EXPECT_EQ(rows.size(), 3u * 4096u);
}

namespace {

// The lines of `content` by the reading rules, counted the slow and obvious way: LF, CR LF or
// a lone CR end a line, a Ctrl+Z where a line begins ends the file, and the lines before
// `firstLine` are skipped.
std::size_t referenceLineCount(const std::string& content, int firstLine)
{
    std::size_t lines = 0;
    std::size_t i = 0;
    while (i < content.size() && content[i] != '\x1a') {
        std::size_t end = i;
        while (end < content.size() && content[end] != '\n' && content[end] != '\r') {
            ++end;
        }
        ++lines;
        i = end + (end + 1 < content.size() && content[end] == '\r' && content[end + 1] == '\n' ? 2 : 1);
    }
    const auto skipped = static_cast<std::size_t>(std::max(firstLine - 1, 0));
    return lines > skipped ? lines - skipped : 0;
}

} // namespace

// Random files of line ends, Ctrl+Z and bytes that differ from CR and LF by one bit (which a
// search eight bytes at a time could mistake for them), read three ways: whole, in batches of
// random size, and counted by the survey; all three agree with each other and the reference.
TEST_F(TextReaderTest, BatchesAndSurveyAgreeWithTheWholeReadingOnRandomFiles)
{
    const char alphabet[] = {'a', ',', ' ', '\n', '\r', '\x1a', '\x0b', '\x0c', '\x0e', '\x8a', '\x8d', '\x0f', '\xe9'};
    std::mt19937 random(20261209);
    for (int round = 0; round < 300; ++round) {
        std::string content(random() % 200, 'a');
        for (char& c : content) {
            c = random() % 3 == 0 ? alphabet[random() % sizeof alphabet] : static_cast<char>('a' + random() % 26);
        }
        const int firstLine = static_cast<int>(random() % 4);
        const auto path = writeFile("points.txt", content);
        const FieldRows whole = readTextLines(path, ",", firstLine);
        EXPECT_EQ(whole.size(), referenceLineCount(content, firstLine)) << round;

        mervalon::engine::TextLineReader reader(path, ",", firstLine);
        EXPECT_EQ(reader.survey().lines, whole.size()) << round;
        EXPECT_EQ(reader.lineCount(), whole.size()) << round;
        FieldRows batched;
        while (!reader.exhausted()) {
            ASSERT_TRUE(reader.readBatch(batched, 1 + random() % 5, 1 + random() % 40)) << round;
        }
        EXPECT_FALSE(reader.readBatch(batched, 10, 10)) << round;
        EXPECT_EQ(listsOf(batched), listsOf(whole)) << round;
    }
}

TEST_F(TextReaderTest, TheSurveyCountsTheCharactersOfTheLinesToBeRead)
{
    // Line 1 is skipped: its control character, lost like that of line 2, is not counted.
    const std::string content = "\xC2\x85\r\n1,\xE2\x82\xAC\xF0\x9F\x98\x80\xC2\x85\r\n2,\xE4\xB8\xAD\r\n";
    mervalon::engine::TextLineReader reader(writeFile("points.txt", content), ",", 2);
    const mervalon::engine::TextFileSurvey survey = reader.survey();
    EXPECT_EQ(survey.lines, 2u);
    EXPECT_EQ(survey.replaced, 1u);
    EXPECT_FALSE(survey.stopped);
    const FieldRows* batch = reader.nextBatch();
    ASSERT_NE(batch, nullptr);
    EXPECT_EQ(listsOf(*batch), (Lines{{"1", "\x80\\U+D83D\\U+DE00?"}, {"2", "\\U+4E2D"}}));
    EXPECT_TRUE(reader.exhausted());
    EXPECT_EQ(reader.nextBatch(), nullptr);
    EXPECT_EQ(reader.notes().replaced, survey.replaced);
}

namespace {

using mervalon::engine::kMaxLineLength;
using mervalon::engine::TextLineReader;

// The rows of a file read in batches, with each overlong row as its length.
struct ReadBack {
    std::vector<std::string> rows; // first field, or "<N>" for an overlong line of N bytes
    std::size_t surveyed = 0;
};

ReadBack readInBatches(const std::filesystem::path& path)
{
    TextLineReader reader(path, ",", 1);
    ReadBack back;
    back.surveyed = reader.survey().lines;
    while (const FieldRows* batch = reader.nextBatch()) {
        for (std::size_t i = 0; i < batch->size(); ++i) {
            const auto row = batch->row(i);
            back.rows.push_back(row.overlongLength() > 0 ? "<" + std::to_string(row.overlongLength()) + ">"
                                                         : std::string(row[0]));
        }
    }
    return back;
}

} // namespace

// A line longer than any point line is a row of its own, read past without being held; the
// lines around it are read as ever, whatever line break ends it and wherever the blocks fall.
TEST_F(TextReaderTest, AnOverlongLineIsARowOfItsOwnAndTheOthersAreRead)
{
    const std::size_t over = kMaxLineLength + 1;
    const std::string longLine(over, 'x');
    const std::string twoBlocks(3 * kMaxLineLength - 1, 'y'); // its CR ends a block, its LF begins the next
    const struct {
        std::string content;
        std::vector<std::string> rows;
    } cases[] = {
        {"1,a\r\n" + longLine + "\r\n2,b\r\n", {"1", "<" + std::to_string(over) + ">", "2"}},
        {longLine + "\n2,b", {"<" + std::to_string(over) + ">", "2"}},
        {longLine + "\r2,b\r", {"<" + std::to_string(over) + ">", "2"}},
        {"1,a\n" + longLine, {"1", "<" + std::to_string(over) + ">"}},
        {twoBlocks + "\r\n3,c\r\n", {"<" + std::to_string(twoBlocks.size()) + ">", "3"}},
        {std::string(kMaxLineLength, 'z') + "\r\n4,d\r\n", {std::string(kMaxLineLength, 'z'), "4"}}, // the longest read
    };
    for (const auto& c : cases) {
        const auto back = readInBatches(writeFile("long.txt", c.content));
        EXPECT_EQ(back.rows, c.rows) << c.content.size();
        EXPECT_EQ(back.surveyed, c.rows.size());
    }
}

// A file without any line break is read in bounded memory: a sparse file of a gigabyte would
// otherwise be taken whole.
TEST_F(TextReaderTest, AFileWithoutLineBreaksIsReadInBoundedMemory)
{
    const std::filesystem::path path = writeFile("endless.txt", "1,a\n");
    std::filesystem::resize_file(path, std::uintmax_t{1} << 30);
    rusage before{};
    ::getrusage(RUSAGE_SELF, &before);
    const auto back = readInBatches(path);
    rusage after{};
    ::getrusage(RUSAGE_SELF, &after);
    EXPECT_EQ(back.rows, (std::vector<std::string>{"1", "<" + std::to_string((std::uint64_t{1} << 30) - 4) + ">"}));
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 256 * 1024) << "kilobytes more at the peak";
}

// A stop is taken within a block of a line without end, in the survey and in the batches.
TEST_F(TextReaderTest, AStopIsTakenInsideAnEndlessLine)
{
    const std::filesystem::path path = writeFile("endless.txt", "1,a\n");
    std::filesystem::resize_file(path, std::uintmax_t{1} << 40); // a terabyte, of which nothing is on disk
    int asked = 0;
    const auto stopAfterTenBlocks = [&asked] { return ++asked > 10; };
    TextLineReader reader(path, ",", 1, stopAfterTenBlocks);
    EXPECT_TRUE(reader.interrupted()); // while it looked for the encoding
    const auto survey = reader.survey(stopAfterTenBlocks);
    EXPECT_TRUE(survey.stopped);

    // Stopped in the line without end, after the file's first line.
    std::ofstream(path, std::ios::binary | std::ios::in | std::ios::out) << "1,\xE9\n";
    asked = 0;
    TextLineReader latin(path, ",", 1, [&asked] { return ++asked > 30; });
    EXPECT_FALSE(latin.interrupted()); // a byte no UTF-8 holds ends the look for the encoding at once
    const FieldRows* batch = latin.nextBatch();
    ASSERT_NE(batch, nullptr);
    EXPECT_EQ(batch->size(), 1u); // the first line; the endless one was cut short by the stop
    EXPECT_TRUE(latin.exhausted());
    EXPECT_EQ(latin.nextBatch(), nullptr);
    EXPECT_TRUE(latin.interrupted());
}

// What changes a file while it is read is noticed: its size, or its time of change.
TEST_F(TextReaderTest, AChangeOfTheFileWhileItIsReadIsNoticed)
{
    const std::filesystem::path path = writeFile("points.txt", "1,a\n2,b\n");
    TextLineReader reader(path, ",", 1);
    EXPECT_EQ(reader.changedWhileRead(), std::nullopt);
    std::ofstream(path, std::ios::binary | std::ios::app) << "3,c\n";
    EXPECT_EQ(reader.changedWhileRead(),
              "The point file changed while it was converted (from 8 to 12 bytes); no drawing was made from it: "
              "convert it again once it is complete");
    TextLineReader again(path, ",", 1);
    const auto later = std::filesystem::last_write_time(path) + std::chrono::seconds(5);
    std::filesystem::last_write_time(path, later);
    EXPECT_EQ(again.changedWhileRead(), "The point file changed while it was converted; no drawing was made from it: "
                                        "convert it again once it is complete");
}
