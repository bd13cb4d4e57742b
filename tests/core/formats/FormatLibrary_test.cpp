#include "core/formats/FormatLibrary.h"
#include "core/io/FileIo.h"

#include <fstream>
#include <gtest/gtest.h>
#include <stdexcept>
#include <unistd.h>

using mervalon::formats::PointValue;

namespace fs = std::filesystem;

namespace mervalon::formats {
namespace {

class FormatLibraryTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        m_install = fs::temp_directory_path() / ("mervalon-formats-" + std::to_string(::getpid()));
        fs::remove_all(m_install);
        fs::create_directories(m_install / "formats");
    }
    void TearDown() override { fs::remove_all(m_install); }

    [[nodiscard]] fs::path formats() const { return m_install / "formats"; }
    void write(const std::string& file, const std::string& content = "x") const
    {
        std::ofstream(formats() / file, std::ios::binary) << content;
    }
    [[nodiscard]] std::string contentOf(const std::string& file) const { return io::readFileText(formats() / file); }
    [[nodiscard]] std::vector<std::string> filesInFolder() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(formats())) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    static FormatDefinition sample(const std::string& description)
    {
        FormatDefinition format;
        format.name = "site";
        format.description = description;
        format.value(PointValue::X).column = 1;
        format.value(PointValue::Y).column = 2;
        format.firstLine = 1;
        format.separator = ";";
        return format;
    }

    fs::path m_install;
};

TEST_F(FormatLibraryTest, NamesAreLowerCasedCutAtTheFirstDotSortedAndDefaultFirst)
{
    fs::create_directories(formats() / "folder.rpf");
    for (const char* file : {"penzd comma.rpf", "Excel PENZDC.rpf", "!default.rpf", "site.v2.rpf", "0first.rpf",
                             "SITE.rpf", "notes.txt", "rpf"}) {
        write(file);
    }
    EXPECT_EQ(listFormats(m_install),
              (std::vector<std::string>{"!default", "0first", "excel penzdc", "penzd comma", "site"}));
    fs::remove_all(m_install);
    EXPECT_TRUE(listFormats(m_install).empty());
}

TEST_F(FormatLibraryTest, ScreeningRefusesEveryNameThatIsNotAPlainFileName)
{
    const std::string sixty(60, 'a');
    const struct {
        std::string name;
        NameFault fault;
    } cases[] = {
        {"roads", NameFault::None},
        {"!default", NameFault::None},
        {"penzd comma", NameFault::None},
        {"n\xe9gatif (1)", NameFault::None},
        {sixty, NameFault::None},
        {"", NameFault::Empty},
        {sixty + "b", NameFault::TooLong},
        {"../escape", NameFault::PathSeparator},
        {"a/b", NameFault::PathSeparator},
        {"a\\b", NameFault::PathSeparator},
        {".", NameFault::Dot},
        {"..", NameFault::Dot},
        {".hidden", NameFault::Dot},
        {"site.v2", NameFault::Dot},
        {"tab\there", NameFault::ControlCharacter},
        {"line\nbreak", NameFault::ControlCharacter},
        {std::string("nul\0x", 5), NameFault::ControlCharacter},
        {"del\x7f", NameFault::ControlCharacter},
        {"c1\x85", NameFault::ControlCharacter},
    };
    for (const auto& [name, fault] : cases) {
        EXPECT_EQ(screenFormatName(name), fault) << name;
    }
}

TEST_F(FormatLibraryTest, AListedNameReadsTheFileItWasListedFrom)
{
    write("Excel PENZDC.rpf", std::string(632, '\0'));
    std::vector<std::uint8_t> bytes(700, 0);
    bytes[0] = 1;
    bytes[1] = 4;
    std::ofstream(formats() / "Site.rpf", std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), 700);
    write("site.old.rpf", "");
    EXPECT_EQ(findFormatFile(m_install, "excel penzdc"), formats() / "Excel PENZDC.rpf");
    EXPECT_EQ(findFormatFile(m_install, "site"), formats() / "Site.rpf");
    EXPECT_EQ(findFormatFile(m_install, "missing"), std::nullopt);
    EXPECT_EQ(findFormatFile(m_install, ""), std::nullopt);
    const FormatDefinition site = readFormat(m_install, "site");
    EXPECT_EQ(site.isExcel, 1);
    EXPECT_EQ(site.name, std::string(4, '\0'));
    try {
        (void)readFormat(m_install, "missing");
        FAIL() << "a format without a file was read";
    } catch (const io::FileError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Cannot open file \"" + (formats() / "missing.rpf").string() + "\". No such file or directory");
    }
}

TEST_F(FormatLibraryTest, SaveWritesTheRecordUnderTheListedNameAndReplacesTheFileItCameFrom)
{
    saveFormat(m_install, sample("first"), "new one");
    const FormatBytes first = encodeFormat(sample("first"));
    EXPECT_EQ(contentOf("new one.rpf"), std::string(first.begin(), first.end()));
    write("Roads.rpf", "old");
    saveFormat(m_install, sample("second"), "roads");
    const FormatBytes second = encodeFormat(sample("second"));
    EXPECT_EQ(contentOf("Roads.rpf"), std::string(second.begin(), second.end()));
    EXPECT_EQ(filesInFolder(), (std::vector<std::string>{"Roads.rpf", "new one.rpf"}));
}

// The record and its dialect change together: a save that fails at either step leaves the old
// pair, readable as it was, and nothing beside it.
TEST_F(FormatLibraryTest, ASaveWhoseDialectCannotBeWrittenKeepsTheOldRecord)
{
    TextDialect quoted;
    quoted.quotedFields = true;
    saveFormat(m_install, sample("old"), TextDialect{}, "site");
    const std::string oldRecord = contentOf("site.rpf");
    fs::create_directories(formats() / "site.dialect" / "held");
    EXPECT_THROW(saveFormat(m_install, sample("new"), quoted, "site"), io::FileError);
    EXPECT_EQ(contentOf("site.rpf"), oldRecord);
    EXPECT_EQ(filesInFolder(), (std::vector<std::string>{"site.dialect", "site.rpf"}));
}

TEST_F(FormatLibraryTest, ASaveWhoseRecordCannotBePutInPlacePutsTheOldDialectBack)
{
    TextDialect comma;
    comma.decimalMark = DecimalMark::Comma;
    TextDialect quoted;
    quoted.quotedFields = true;
    for (const bool hadDialect : {true, false}) {
        SCOPED_TRACE(hadDialect);
        fs::remove_all(formats());
        fs::create_directories(formats() / "site.rpf" / "held"); // the record's rename fails, after the dialect's
        if (hadDialect) {
            write("site.dialect", encodeDialect(comma));
        }
        EXPECT_THROW(saveFormat(m_install, sample("new"), quoted, "site"), io::FileError);
        if (hadDialect) {
            EXPECT_EQ(contentOf("site.dialect"), encodeDialect(comma));
            EXPECT_EQ(filesInFolder(), (std::vector<std::string>{"site.dialect", "site.rpf"}));
        } else {
            EXPECT_EQ(filesInFolder(), std::vector<std::string>{"site.rpf"});
        }
    }
}

TEST_F(FormatLibraryTest, ASaveReplacesTheRecordAndItsDialectTogether)
{
    TextDialect quoted;
    quoted.quotedFields = true;
    saveFormat(m_install, sample("old"), quoted, "site");
    EXPECT_EQ(contentOf("site.dialect"), encodeDialect(quoted));
    saveFormat(m_install, sample("new"), TextDialect{}, "site");
    const FormatBytes record = encodeFormat(sample("new"));
    EXPECT_EQ(contentOf("site.rpf"), std::string(record.begin(), record.end()));
    EXPECT_EQ(filesInFolder(), std::vector<std::string>{"site.rpf"});
}

TEST_F(FormatLibraryTest, AFailedSaveIsReportedWithTheSystemsText)
{
    fs::remove_all(formats());
    std::ofstream(formats()) << "not a folder";
    try {
        saveFormat(m_install, sample("new"), "fresh");
        FAIL() << "saved into a file";
    } catch (const io::FileError& error) {
        EXPECT_EQ(error.code().value(), ENOTDIR);
    }
    EXPECT_EQ(io::readFileText(formats()), "not a folder");
    EXPECT_EQ(std::distance(fs::directory_iterator(m_install), fs::directory_iterator()), 1);
}

TEST_F(FormatLibraryTest, NamesThatAreNotPlainFileNamesWriteNothingAnywhere)
{
    for (const char* name : {"../escape", "a/b", ".", "..", ".hidden", "site.v2", "bad\ttab"}) {
        EXPECT_THROW(saveFormat(m_install, sample("x"), name), std::invalid_argument) << name;
    }
    write("roads.rpf", "old");
    for (const std::string& name : std::vector<std::string>{"../escape", "site.v2", std::string(61, 'a')}) {
        EXPECT_THROW(renameFormat(m_install, "roads", name), std::invalid_argument) << name;
    }
    EXPECT_EQ(filesInFolder(), std::vector<std::string>{"roads.rpf"});
    EXPECT_FALSE(fs::exists(m_install / "escape.rpf"));
    EXPECT_EQ(std::distance(fs::directory_iterator(m_install), fs::directory_iterator()), 1);
}

TEST_F(FormatLibraryTest, RenameMovesTheListedFileAndNeverReplacesAnother)
{
    write("Roads.rpf", "roads");
    write("paths.rpf", "paths");
    write("Tracks.RPF.rpf", "tracks");
    renameFormat(m_install, "roads", "lanes");
    EXPECT_EQ(filesInFolder(), (std::vector<std::string>{"Tracks.RPF.rpf", "lanes.rpf", "paths.rpf"}));
    EXPECT_EQ(contentOf("lanes.rpf"), "roads");

    for (const char* taken : {"paths", "tracks"}) {
        try {
            renameFormat(m_install, "lanes", taken);
            FAIL() << "renamed over " << taken;
        } catch (const io::FileError& error) {
            EXPECT_EQ(error.code().value(), EEXIST) << taken;
        }
    }
    EXPECT_EQ(contentOf("paths.rpf"), "paths");
    EXPECT_EQ(contentOf("lanes.rpf"), "roads");
    EXPECT_THROW(renameFormat(m_install, "gone", "other"), io::FileError);
    EXPECT_FALSE(fs::exists(formats() / "other.rpf"));
}

TEST_F(FormatLibraryTest, DeleteRemovesOnlyTheFormatsOwnFile)
{
    write("Roads.rpf", "roads");
    write("roads.txt", "notes");
    write("roadsx.rpf", "other");
    fs::create_directories(formats() / "dir.rpf");
    deleteFormat(m_install, "roads");
    EXPECT_EQ(filesInFolder(), (std::vector<std::string>{"dir.rpf", "roads.txt", "roadsx.rpf"}));
    try {
        deleteFormat(m_install, "roads");
        FAIL() << "deleted a format that has no file";
    } catch (const io::FileError& error) {
        EXPECT_EQ(error.code().value(), ENOENT);
    }
    EXPECT_THROW(deleteFormat(m_install, "dir"), io::FileError);
    EXPECT_TRUE(fs::is_directory(formats() / "dir.rpf"));
}

} // namespace
} // namespace mervalon::formats
