#include "core/config/Configuration.h"
#include "core/config/ConfigurationOptions.h"
#include "core/config/InstallationLayout.h"
#include "core/io/FileIo.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace mervalon::config {
namespace {

class ConfigurationOptionsFileTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("mervalon-options-" + std::to_string(::getpid()) + "-" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override
    {
        fs::permissions(m_dir, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(m_dir);
    }
    static void write(const fs::path& path, const std::string& text)
    {
        std::ofstream out(path, std::ios::binary);
        out << text;
    }
    static std::string read(const fs::path& path) { return io::readFileText(path); }
    static Configuration withOptions(const std::string& library, bool escape)
    {
        Configuration configuration;
        configuration.formatName = "!default";
        configuration.entity(EntityKind::Point).layer = "POINTS";
        configuration.options.codeLibrary = library;
        configuration.options.escapeNonAscii = escape;
        return configuration;
    }
    fs::path m_dir;
};

} // namespace

TEST(ConfigurationOptionsTest, EveryOptionIsWrittenAndReadBackTheSame)
{
    for (const std::string library : {"", "road-and-building", "/home/you/my codes.csv"}) {
        for (const bool escape : {false, true}) {
            ConfigurationOptions options;
            options.codeLibrary = library;
            options.escapeNonAscii = escape;
            EXPECT_EQ(decodeOptions(encodeOptions(options)), options) << encodeOptions(options);
        }
    }
    ConfigurationOptions options;
    options.codeLibrary = "road-and-building";
    options.escapeNonAscii = true;
    EXPECT_EQ(encodeOptions(options),
              "# What the configuration beside this file holds beyond its record (Mervalon 4.0)\n"
              "codeLibrary=road-and-building\nescapeNonAscii=yes\n");
    EXPECT_EQ(encodeOptions({}), "# What the configuration beside this file holds beyond its record (Mervalon "
                                 "4.0)\ncodeLibrary=none\nescapeNonAscii=no\n");
}

TEST(ConfigurationOptionsTest, KeysOfLaterVersionsAreKeptInTheirOrderAndWrittenBack)
{
    const ConfigurationOptions read = decodeOptions(
        "# note\r\n\r\n zoneFile = utm33.prj \r\ncodeLibrary = NONE\r\nsheetScale=500\nescapeNonAscii=yes");
    EXPECT_EQ(read.codeLibrary, "");
    EXPECT_TRUE(read.escapeNonAscii);
    const std::vector<std::pair<std::string, std::string>> later{{"zoneFile", "utm33.prj"}, {"sheetScale", "500"}};
    EXPECT_EQ(read.laterKeys, later);
    EXPECT_FALSE(read.isDefault());
    EXPECT_EQ(encodeOptions(read), "# What the configuration beside this file holds beyond its record (Mervalon 4.0)\n"
                                   "codeLibrary=none\nescapeNonAscii=yes\nzoneFile=utm33.prj\nsheetScale=500\n");
    EXPECT_TRUE(decodeOptions("").isDefault());
}

TEST(ConfigurationOptionsTest, AFaultyLineIsNamedWithItsFileAndNumber)
{
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"escapeNonAscii=on", "\"site.options\", line 1: escapeNonAscii takes yes or no, not \"on\""},
        {"# c\n\nescapeNonAscii", "\"site.options\", line 3: \"escapeNonAscii\" is no key=value line"},
    };
    for (const auto& c : cases) {
        try {
            decodeOptions(c.text, "site.options");
            ADD_FAILURE() << c.text;
        } catch (const NotConfigurationOptions& error) {
            EXPECT_STREQ(error.what(), c.message);
        }
    }
}

TEST_F(ConfigurationOptionsFileTest, TheRecordStaysTheSame672BytesAndTheOptionsLieBesideIt)
{
    const Configuration plain = withOptions("", false);
    const Configuration coded = withOptions("road-and-building", true);
    writeConfigurationFile(m_dir / "plain.rp4", plain);
    writeConfigurationWithOptions(m_dir / "site.rp4", coded);
    const std::string record = read(m_dir / "site.rp4");
    EXPECT_EQ(record.size(), Configuration::kSize);
    EXPECT_EQ(record, read(m_dir / "plain.rp4")); // the options leave the record alone
    EXPECT_EQ(read(m_dir / "site.options"),
              "# What the configuration beside this file holds beyond its record (Mervalon 4.0)\n"
              "codeLibrary=road-and-building\nescapeNonAscii=yes\n");
    // What an older version reads: the record alone, without options.
    EXPECT_TRUE(configurationsEqual(readConfigurationFile(m_dir / "site.rp4"), plain));
    const Configuration back = readConfigurationWithOptions(m_dir / "site.rp4");
    EXPECT_TRUE(configurationsEqual(back, coded));
    EXPECT_FALSE(configurationsEqual(back, plain));
}

TEST_F(ConfigurationOptionsFileTest, AConfigurationWithoutOptionsReadsAsBeforeAndWritesNoOptionsFile)
{
    writeConfigurationFile(m_dir / "old.rp4", withOptions("", false));
    const Configuration loaded = readConfigurationWithOptions(m_dir / "old.rp4");
    EXPECT_TRUE(loaded.options.isDefault());
    writeConfigurationWithOptions(m_dir / "old.rp4", loaded);
    EXPECT_EQ(read(m_dir / "old.rp4").size(), Configuration::kSize);
    EXPECT_FALSE(fs::exists(m_dir / "old.options"));
    // Options turned back to the default remove their file.
    writeConfigurationWithOptions(m_dir / "old.rp4", withOptions("x", false));
    EXPECT_TRUE(fs::exists(m_dir / "old.options"));
    writeConfigurationWithOptions(m_dir / "old.rp4", withOptions("", false));
    EXPECT_FALSE(fs::exists(m_dir / "old.options"));
}

TEST_F(ConfigurationOptionsFileTest, AFailedRecordWriteLeavesTheOldOptions)
{
    writeConfigurationWithOptions(m_dir / "site.rp4", withOptions("old", false));
    const std::string before = read(m_dir / "site.options");
    ::chmod((m_dir / "site.rp4").c_str(), 0444); // write-protected: replaceFile refuses it
    EXPECT_THROW(writeConfigurationWithOptions(m_dir / "site.rp4", withOptions("new", true)), std::system_error);
    EXPECT_EQ(read(m_dir / "site.options"), before);
}

TEST_F(ConfigurationOptionsFileTest, CopyRenameAndDeleteCarryTheOptions)
{
    writeConfigurationWithOptions(m_dir / "a.rp4", withOptions("road-and-building", true));
    const std::string options = read(m_dir / "a.options");

    copyConfigurationFile(m_dir / "a.rp4", m_dir / "b.rp4");
    EXPECT_EQ(read(m_dir / "b.rp4"), read(m_dir / "a.rp4"));
    EXPECT_EQ(read(m_dir / "b.options"), options);

    renameConfigurationFile(m_dir / "b.rp4", m_dir / "c.rp4");
    EXPECT_FALSE(fs::exists(m_dir / "b.rp4"));
    EXPECT_FALSE(fs::exists(m_dir / "b.options"));
    EXPECT_EQ(read(m_dir / "c.options"), options);

    // A rename never replaces a configuration; both stay as they were.
    EXPECT_THROW(renameConfigurationFile(m_dir / "c.rp4", m_dir / "a.rp4"), std::system_error);
    EXPECT_EQ(read(m_dir / "c.options"), options);

    deleteConfigurationFile(m_dir / "c.rp4");
    EXPECT_FALSE(fs::exists(m_dir / "c.rp4"));
    EXPECT_FALSE(fs::exists(m_dir / "c.options"));
}

TEST_F(ConfigurationOptionsFileTest, OptionsLeftByADeletedConfigurationDoNotGoToANewOne)
{
    writeConfigurationFile(m_dir / "plain.rp4", withOptions("", false));
    write(m_dir / "stale.options", "codeLibrary=old\n");
    copyConfigurationFile(m_dir / "plain.rp4", m_dir / "stale.rp4");
    EXPECT_FALSE(fs::exists(m_dir / "stale.options"));

    write(m_dir / "other.options", "codeLibrary=old\n");
    renameConfigurationFile(m_dir / "stale.rp4", m_dir / "other.rp4");
    EXPECT_FALSE(fs::exists(m_dir / "other.options"));
}

TEST_F(ConfigurationOptionsFileTest, TheConfigurationInUseBringsItsOptionsAndNamesAFaultyFile)
{
    fs::create_directories(layout::configurationsFolder(m_dir));
    writeConfigurationWithOptions(layout::configurationsFolder(m_dir) / "site.rp4", withOptions("codes", true));
    write(layout::configurationInUsePath(m_dir), "site.rp4\n");
    ConfigurationInUse inUse = readConfigurationInUse(m_dir);
    EXPECT_EQ(inUse.record.options.codeLibrary, "codes");
    EXPECT_TRUE(inUse.record.options.escapeNonAscii);
    EXPECT_EQ(inUse.file, layout::configurationsFolder(m_dir) / "site.rp4");
    EXPECT_EQ(inUse.optionsFault, "");

    write(layout::configurationsFolder(m_dir) / "site.options", "escapeNonAscii=maybe\n");
    inUse = readConfigurationInUse(m_dir);
    EXPECT_TRUE(inUse.record.options.isDefault());
    EXPECT_EQ(inUse.optionsFault, "\"" + (layout::configurationsFolder(m_dir) / "site.options").string() +
                                      "\", line 1: escapeNonAscii takes yes or no, not \"maybe\"");
}

TEST_F(ConfigurationOptionsFileTest, RestoringTheDefaultLeavesNoStaleOptionsBesideIt)
{
    fs::create_directories(layout::configurationsFolder(m_dir));
    writeConfigurationFile(layout::pristineConfigurationPath(m_dir), withOptions("", false));
    write(layout::configurationsFolder(m_dir) / "!Default.options", "codeLibrary=stale\n");
    const ConfigurationInUse inUse = readConfigurationInUse(m_dir);
    EXPECT_TRUE(inUse.fellBack);
    EXPECT_TRUE(fs::exists(layout::defaultConfigurationPath(m_dir)));
    EXPECT_FALSE(fs::exists(layout::configurationsFolder(m_dir) / "!Default.options"));
    EXPECT_TRUE(inUse.record.options.isDefault());
}

} // namespace mervalon::config
