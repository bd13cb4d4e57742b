#include "core/formats/FormatDefinition.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <system_error>
#include <unistd.h>
#include <vector>

using mervalon::formats::PointValue;

namespace fs = std::filesystem;
using mervalon::formats::decodeFormat;
using mervalon::formats::encodeFormat;
using mervalon::formats::FormatDefinition;
using mervalon::formats::loadFormatFile;
using mervalon::formats::saveFormatFile;

namespace {

class FormatFileTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("mervalon-format-" + std::to_string(::getpid()) + "-" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir / "formats");
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::vector<std::uint8_t> fileBytes(const fs::path& path) const
    {
        std::ifstream in(path, std::ios::binary);
        return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
    }

    fs::path m_dir;
};

// A record in which every field holds a value that differs from its neighbours.
FormatDefinition distinctFormat()
{
    FormatDefinition f;
    f.isExcel = 1;
    f.name = "survey";
    f.description = "desc";
    f.value(PointValue::Number).column = 0x01020304;
    f.value(PointValue::X).column = 2;
    f.value(PointValue::Y).column = 3;
    f.value(PointValue::Z).column = -1;
    f.value(PointValue::Description).column = 5;
    f.value(PointValue::Code).column = 6;
    f.value(PointValue::Number).prefix = "N";
    f.value(PointValue::X).prefix = "X=";
    f.value(PointValue::Y).prefix = "Y=";
    f.value(PointValue::Z).prefix = "Z=";
    f.value(PointValue::Description).prefix = "D:";
    f.value(PointValue::Code).prefix = "C";
    f.value(PointValue::Number).keepPrefix = 1;
    f.value(PointValue::X).keepPrefix = 0;
    f.value(PointValue::Y).keepPrefix = 1;
    f.value(PointValue::Z).keepPrefix = 0;
    f.value(PointValue::Description).keepPrefix = 1;
    f.value(PointValue::Code).keepPrefix = 1;
    f.otherSeparator = 1;
    f.separator = "|";
    f.newPolylineCode = "ST";
    f.drawPolylineCode = "DR";
    f.endPolylineCode = "EN";
    f.firstLine = 7;
    f.sheetByNumber = 1;
    f.sheet = "Trees";
    return f;
}

std::string textAt(const mervalon::formats::FormatBytes& bytes, std::size_t offset)
{
    return std::string(reinterpret_cast<const char*>(bytes.data() + offset + 1), bytes[offset]);
}

} // namespace

TEST(FormatRecord, TabulationSeparatorIsStoredAsOneCharacterAfterAPlainChoice)
{
    FormatDefinition f;
    f.otherSeparator = 0;
    f.separator = "\t";
    const auto bytes = encodeFormat(f);
    EXPECT_EQ(bytes[480], 0x00);
    EXPECT_EQ(bytes[481], 0x01);
    EXPECT_EQ(bytes[482], 0x09);
}

TEST(FormatRecord, EveryFieldStandsAtItsOffset)
{
    const auto bytes = encodeFormat(distinctFormat());
    ASSERT_EQ(bytes.size(), 632u);
    EXPECT_EQ(bytes[0], 1);
    EXPECT_EQ(textAt(bytes, 1), "survey");
    EXPECT_EQ(textAt(bytes, 62), "desc");
    EXPECT_EQ(bytes[263], 0);
    // Little-endian Int32 columns.
    EXPECT_EQ(bytes[264], 0x04);
    EXPECT_EQ(bytes[265], 0x03);
    EXPECT_EQ(bytes[266], 0x02);
    EXPECT_EQ(bytes[267], 0x01);
    EXPECT_EQ(bytes[268], 2);
    EXPECT_EQ(bytes[272], 3);
    for (std::size_t i = 276; i < 280; ++i) {
        EXPECT_EQ(bytes[i], 0xFF) << i;
    }
    EXPECT_EQ(bytes[280], 5);
    EXPECT_EQ(bytes[284], 6);
    const struct {
        std::size_t offset;
        const char* text;
    } texts[] = {{288, "N"}, {319, "X="}, {350, "Y="}, {381, "Z="}, {412, "D:"},   {443, "C"},
                 {481, "|"}, {483, "ST"}, {514, "DR"}, {545, "EN"}, {581, "Trees"}};
    for (const auto& t : texts) {
        EXPECT_EQ(textAt(bytes, t.offset), t.text) << "offset " << t.offset;
    }
    const std::uint8_t keeps[] = {1, 0, 1, 0, 1, 1};
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(bytes[474 + i], keeps[i]) << "keep flag " << i;
    }
    EXPECT_EQ(bytes[480], 1);
    EXPECT_EQ(bytes[576], 7);
    EXPECT_EQ(bytes[580], 1);
    // The unused tail of a text is zero.
    EXPECT_EQ(bytes[1 + 1 + 6], 0);
    EXPECT_EQ(bytes[631], 0);
}

TEST(FormatRecord, LongTextsAreCutToTheirCapacity)
{
    FormatDefinition f;
    f.description = std::string(250, 'd');
    f.name = std::string(70, 'n');
    f.value(PointValue::X).prefix = std::string(40, 'p');
    f.sheet = std::string(60, 's');
    f.separator = ";;";
    const auto bytes = encodeFormat(f);
    EXPECT_EQ(bytes[62], 0xC8);
    EXPECT_EQ(textAt(bytes, 62), std::string(200, 'd'));
    EXPECT_EQ(bytes[263], 0); // the reserved byte right after the description is untouched
    EXPECT_EQ(bytes[1], 60);
    EXPECT_EQ(bytes[319], 30);
    EXPECT_EQ(bytes[350], 0); // the next prefix is not overwritten
    EXPECT_EQ(bytes[581], 50);
    EXPECT_EQ(bytes[481], 1);
    EXPECT_EQ(bytes[482], ';');
    EXPECT_EQ(bytes[483], 0);
}

TEST(FormatRecord, DecodingADamagedLengthByteNeverReadsIntoTheNextField)
{
    std::vector<std::uint8_t> bytes(632, 0);
    bytes[1] = 0xFF; // name claims 255 characters, capacity 60
    bytes[481] = 9;  // separator claims 9 characters
    bytes[482] = ',';
    bytes[483] = 2;
    bytes[484] = 'A';
    const FormatDefinition f = decodeFormat(bytes);
    EXPECT_EQ(f.name.size(), 60u);
    EXPECT_EQ(f.separator, ",");
}

TEST_F(FormatFileTest, RoundTripKeepsEveryField)
{
    const FormatDefinition f = distinctFormat();
    saveFormatFile(m_dir, f, "survey");
    EXPECT_EQ(fs::file_size(m_dir / "formats" / "survey.rpf"), 632u);
    EXPECT_EQ(loadFormatFile(m_dir, "survey"), f);
}

TEST_F(FormatFileTest, FileNameComesFromTheArgumentNotFromTheRecord)
{
    FormatDefinition f;
    f.name = std::string(70, 'a');
    const std::string listName(70, 'a');
    saveFormatFile(m_dir, f, listName);
    ASSERT_TRUE(fs::exists(m_dir / "formats" / (listName + ".rpf")));
    EXPECT_EQ(loadFormatFile(m_dir, listName).name, std::string(60, 'a'));

    saveFormatFile(m_dir, f, "other name");
    EXPECT_TRUE(fs::exists(m_dir / "formats" / "other name.rpf"));
}

TEST_F(FormatFileTest, SavedFileHasAZeroReservedByte)
{
    FormatDefinition f = distinctFormat();
    f.description = std::string(200, 'z');
    saveFormatFile(m_dir, f, "full");
    const auto bytes = fileBytes(m_dir / "formats" / "full.rpf");
    ASSERT_EQ(bytes.size(), 632u);
    EXPECT_EQ(bytes[263], 0);
}

// A format file shorter than its record (cut off, or empty) would convert with zeroed fields;
// it is refused, naming the file, as a short configuration is.
TEST_F(FormatFileTest, ShortFilesAreRefusedNamingTheFile)
{
    const auto full = encodeFormat(distinctFormat());
    for (const std::size_t size : {std::size_t{0}, std::size_t{483}, std::size_t{631}}) {
        {
            std::ofstream out(m_dir / "formats" / "short.rpf", std::ios::binary);
            out.write(reinterpret_cast<const char*>(full.data()), static_cast<std::streamsize>(size));
        }
        try {
            loadFormatFile(m_dir, "short");
            ADD_FAILURE() << size << " bytes accepted";
        } catch (const mervalon::formats::NotAFormat& error) {
            EXPECT_EQ(std::string(error.what()), "\"" + (m_dir / "formats" / "short.rpf").string() +
                                                     "\" is not a format file: it holds " + std::to_string(size) +
                                                     " of the 632 bytes of a format");
        }
    }
}

TEST_F(FormatFileTest, LongerFileIsReadUpToTheRecordSize)
{
    auto full = encodeFormat(distinctFormat());
    {
        std::ofstream out(m_dir / "formats" / "long.rpf", std::ios::binary);
        out.write(reinterpret_cast<const char*>(full.data()), 632);
        out << "trailing garbage that is not part of the record";
    }
    EXPECT_EQ(loadFormatFile(m_dir, "long"), distinctFormat());
}

TEST_F(FormatFileTest, LoadingAMissingFormatThrowsWithTheSystemText)
{
    try {
        loadFormatFile(m_dir, "gone");
        FAIL() << "no exception";
    } catch (const std::system_error& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Cannot open file \"" + (m_dir / "formats" / "gone.rpf").string() + "\". No such file or directory");
        EXPECT_EQ(error.code().value(), ENOENT);
    }
}

TEST_F(FormatFileTest, LoadingADirectoryNamedLikeAFormatThrows)
{
    fs::create_directories(m_dir / "formats" / "folder.rpf");
    EXPECT_THROW(loadFormatFile(m_dir, "folder"), std::system_error);
}

TEST_F(FormatFileTest, SavingIntoAMissingFolderThrowsAndCreatesNothing)
{
    const fs::path elsewhere = m_dir / "nowhere";
    try {
        saveFormatFile(elsewhere, distinctFormat(), "x");
        FAIL() << "no exception";
    } catch (const std::system_error& error) {
        EXPECT_NE(std::string(error.what()).find("No such file or directory"), std::string::npos) << error.what();
    }
    EXPECT_FALSE(fs::exists(elsewhere));
}

TEST_F(FormatFileTest, SavingOverAnExistingFileTruncatesIt)
{
    {
        std::ofstream out(m_dir / "formats" / "big.rpf", std::ios::binary);
        out << std::string(2000, 'x');
    }
    saveFormatFile(m_dir, FormatDefinition{}, "big");
    EXPECT_EQ(fs::file_size(m_dir / "formats" / "big.rpf"), 632u);
}
