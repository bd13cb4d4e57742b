#include "core/config/InstallationSeed.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;
using mervalon::config::isInstallation;
using mervalon::config::seedInstallation;

namespace {

class InstallationSeedTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_root = fs::temp_directory_path() / ("mervalon-seed-" + std::to_string(::getpid()) + "-" +
                                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_root);
        m_shipped = m_root / "shipped";
        m_install = m_root / "user" / "Mervalon40";
        fs::create_directories(m_shipped / "formats");
        fs::create_directories(m_shipped / "configurations");
        fs::create_directories(m_shipped / "activehelp" / "images");
        write(m_shipped / "dxf.dat", "shipped prologue");
        write(m_shipped / "mervalon40.ini", "!Default.rp4");
        write(m_shipped / "formats" / "!default.rpf", "shipped format");
        write(m_shipped / "formats" / "penzd comma.rpf", "shipped penzd");
        write(m_shipped / "configurations" / "!Default.rp4", "shipped config");
    }
    void TearDown() override { fs::remove_all(m_root); }

    static void write(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
    static std::string read(const fs::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    fs::path m_root;
    fs::path m_shipped;
    fs::path m_install;
};

} // namespace

TEST_F(InstallationSeedTest, SeedsTheWholeTreeIntoANewFolder)
{
    EXPECT_FALSE(isInstallation(m_install));
    const auto copied = seedInstallation(m_shipped, m_install);
    EXPECT_EQ(copied.size(), 5u);
    EXPECT_EQ(read(m_install / "dxf.dat"), "shipped prologue");
    EXPECT_EQ(read(m_install / "formats" / "penzd comma.rpf"), "shipped penzd");
    EXPECT_EQ(read(m_install / "configurations" / "!Default.rp4"), "shipped config");
    EXPECT_TRUE(fs::is_directory(m_install / "activehelp" / "images")); // empty folders come along too
    EXPECT_TRUE(isInstallation(m_install));
}

TEST_F(InstallationSeedTest, NeverReplacesAUsersFile)
{
    fs::create_directories(m_install / "formats");
    write(m_install / "mervalon40.ini", "mine.rp4");
    write(m_install / "formats" / "penzd comma.rpf", "edited by the user");
    write(m_install / "formats" / "my own.rpf", "user format");

    const auto copied = seedInstallation(m_shipped, m_install);

    EXPECT_EQ(read(m_install / "mervalon40.ini"), "mine.rp4");
    EXPECT_EQ(read(m_install / "formats" / "penzd comma.rpf"), "edited by the user");
    EXPECT_EQ(read(m_install / "formats" / "my own.rpf"), "user format");
    EXPECT_EQ(read(m_install / "formats" / "!default.rpf"), "shipped format"); // missing ones are restored
    EXPECT_EQ(copied.size(), 3u);
    EXPECT_EQ(std::count(copied.begin(), copied.end(), m_install / "formats" / "penzd comma.rpf"), 0);
}

TEST_F(InstallationSeedTest, SeedingTwiceCopiesNothingTheSecondTime)
{
    seedInstallation(m_shipped, m_install);
    write(m_install / "dxf.dat", "user prologue");
    EXPECT_TRUE(seedInstallation(m_shipped, m_install).empty());
    EXPECT_EQ(read(m_install / "dxf.dat"), "user prologue");
}

TEST_F(InstallationSeedTest, AFolderWithoutPrologueOrFormatsIsNoInstallation)
{
    fs::create_directories(m_install);
    EXPECT_FALSE(isInstallation(m_install));
    write(m_install / "dxf.dat", "x");
    EXPECT_FALSE(isInstallation(m_install));
    fs::create_directories(m_install / "formats");
    EXPECT_TRUE(isInstallation(m_install));
    EXPECT_FALSE(isInstallation(fs::path()));
}

TEST_F(InstallationSeedTest, MissingShippedFolderThrows)
{
    EXPECT_THROW(seedInstallation(m_root / "nothing", m_install), fs::filesystem_error);
}
