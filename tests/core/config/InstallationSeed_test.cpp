#include "core/config/InstallationSeed.h"
#include "core/config/PreviousPrologue.h"
#include "core/io/Sha256.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

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

// A first start cut short (here by a shipped file that cannot be read, as a full disk or a
// kill cuts it) leaves no installation at all, rather than one with empty files in it.
TEST_F(InstallationSeedTest, ASeedingCutShortLeavesNoInstallation)
{
    fs::create_symlink("/proc/self/mem", m_shipped / "formats" / "unreadable.rpf"); // reading it fails
    EXPECT_THROW(seedInstallation(m_shipped, m_install), fs::filesystem_error);
    EXPECT_FALSE(fs::exists(m_install));
    EXPECT_TRUE(fs::is_empty(m_install.parent_path())) << "nothing left beside it either";
    fs::remove(m_shipped / "formats" / "unreadable.rpf");
    EXPECT_EQ(seedInstallation(m_shipped, m_install).size(), 5u);
    EXPECT_TRUE(isInstallation(m_install));
}

// A folder that holds files already is completed in place; until its last file is there it
// is marked unfinished, and the next start finishes it.
TEST_F(InstallationSeedTest, AnUnfinishedSeedingInPlaceIsFinishedByTheNextStart)
{
    fs::create_directories(m_install / "formats");
    write(m_install / "dxf.dat", "shipped prologue");
    write(m_install / ".installing", "");
    EXPECT_FALSE(isInstallation(m_install));
    const auto copied = seedInstallation(m_shipped, m_install);
    EXPECT_EQ(copied.size(), 4u);
    EXPECT_TRUE(isInstallation(m_install));
    EXPECT_FALSE(fs::exists(m_install / ".installing"));
    EXPECT_EQ(read(m_install / "formats" / "!default.rpf"), "shipped format");
}

// Damaged shipped files (empty, or a beginning of the shipped file where every byte is fixed)
// are restored; a user's own change, or a shorter list that may be the user's, is kept.
TEST_F(InstallationSeedTest, DamagedShippedFilesAreRestoredAndTheUsersChangesKept)
{
    write(m_shipped / "mervalon40.ext", "Text|*.txt\r\nExcel|*.xls\r\n");
    seedInstallation(m_shipped, m_install);
    const struct {
        const char* file;
        std::string content;
        bool restored;
    } cases[] = {
        {"dxf.dat", "", true},
        {"formats/!default.rpf", "shipped fo", true},
        {"configurations/!Default.rp4", "", true},
        {"mervalon40.ini", "", true},
        {"formats/penzd comma.rpf", "edited by the user", false},
        {"mervalon40.ext", "Text|*.txt\r\n", false}, // the user removed a type
    };
    for (const auto& c : cases) {
        write(m_install / c.file, c.content);
    }
    write(m_install / "formats" / "mine.rpf", "");
    const auto restored = mervalon::config::repairInstallation(m_shipped, m_install);
    for (const auto& c : cases) {
        EXPECT_EQ(read(m_install / c.file) != c.content, c.restored) << c.file;
        EXPECT_EQ(std::count(restored.begin(), restored.end(), m_install / c.file), c.restored ? 1 : 0) << c.file;
        if (c.restored) {
            EXPECT_EQ(read(m_install / c.file), read(m_shipped / c.file));
        }
    }
    EXPECT_EQ(restored.size(), 4u);
    EXPECT_EQ(read(m_install / "formats" / "mine.rpf"), ""); // not shipped: not ours to judge
    EXPECT_TRUE(mervalon::config::repairInstallation(m_shipped, m_install).empty());
}

TEST_F(InstallationSeedTest, MissingShippedFolderThrows)
{
    EXPECT_THROW(seedInstallation(m_root / "nothing", m_install), fs::filesystem_error);
}

namespace {

using mervalon::configtest::fileText;
using mervalon::configtest::previousPrologue;

class InstallationUpgradeTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        m_root = fs::temp_directory_path() / ("mervalon-upgrade-" + std::to_string(::getpid()) + "-" +
                                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_root);
        fs::create_directories(m_root / "install" / "formats");
        fs::copy_file(fs::path(MERVALON_SOURCE_DIR) / "data/install/dxf.dat", m_root / "shipped.dat");
        fs::create_directories(m_root / "shipped");
        fs::copy_file(m_root / "shipped.dat", m_root / "shipped" / "dxf.dat");
    }
    void TearDown() override { fs::remove_all(m_root); }

    fs::path m_root;
};

} // namespace

// Whoever changes a shipped file that installations get must record the old checksum.
TEST(UpgradableFiles, TheCurrentChecksumIsTheShippedFilesAndTheEarlierOnesDiffer)
{
    for (const auto& file : mervalon::config::upgradableFiles()) {
        EXPECT_EQ(mervalon::io::sha256Hex(fileText(fs::path(MERVALON_SOURCE_DIR) / "data/install" / file.relativePath)),
                  file.currentChecksum)
            << file.relativePath << " changed: add its former checksum to the earlier ones";
        for (const std::string& earlier : file.earlierChecksums) {
            EXPECT_NE(earlier, file.currentChecksum);
        }
    }
    EXPECT_EQ(mervalon::io::sha256Hex(previousPrologue()), mervalon::config::upgradableFiles()[0].earlierChecksums[0]);
}

TEST_F(InstallationUpgradeTest, AnUnchangedEarlierPrologueIsReplaced)
{
    std::ofstream(m_root / "install" / "dxf.dat", std::ios::binary) << previousPrologue();
    const auto upgrade = mervalon::config::upgradeInstallation(m_root / "shipped", m_root / "install");
    EXPECT_EQ(fileText(m_root / "install" / "dxf.dat"), fileText(m_root / "shipped.dat"));
    EXPECT_EQ(upgrade.replaced, std::vector<fs::path>{m_root / "install" / "dxf.dat"});
    EXPECT_TRUE(upgrade.keptBeside.empty());
    EXPECT_FALSE(fs::exists(m_root / "install" / "dxf.dat.new"));
    // Up to date: nothing more to do.
    const auto again = mervalon::config::upgradeInstallation(m_root / "shipped", m_root / "install");
    EXPECT_TRUE(again.replaced.empty());
    EXPECT_TRUE(again.keptBeside.empty());
}

TEST_F(InstallationUpgradeTest, AChangedPrologueIsKeptAndTheNewOnePutBesideItOnce)
{
    const std::string mine = previousPrologue() + "\r\n";
    std::ofstream(m_root / "install" / "dxf.dat", std::ios::binary) << mine;
    const auto upgrade = mervalon::config::upgradeInstallation(m_root / "shipped", m_root / "install");
    EXPECT_EQ(fileText(m_root / "install" / "dxf.dat"), mine);
    EXPECT_EQ(fileText(m_root / "install" / "dxf.dat.new"), fileText(m_root / "shipped.dat"));
    ASSERT_EQ(upgrade.keptBeside.size(), 1u);
    EXPECT_EQ(upgrade.keptBeside[0].second, m_root / "install" / "dxf.dat.new");
    EXPECT_TRUE(upgrade.replaced.empty());
    // Said once: the next start finds the new file already beside it.
    EXPECT_TRUE(mervalon::config::upgradeInstallation(m_root / "shipped", m_root / "install").keptBeside.empty());
    EXPECT_EQ(fileText(m_root / "install" / "dxf.dat"), mine);
}

TEST_F(InstallationSeedTest, TheManualAndActiveHelpFollowTheProgramsVersion)
{
    fs::create_directories(m_shipped / "help" / "images");
    write(m_shipped / "help" / "index.html", "manual 2");
    write(m_shipped / "help" / "report.html", "new page");
    write(m_shipped / "help" / "images" / "viewer.png", "picture");
    write(m_shipped / "activehelp" / "qvh.htm", "topics 2");
    seedInstallation(m_shipped, m_install);
    // What an earlier version installed: an older page, a page of the same size but other
    // bytes, no new page or picture; and a page of the user's own.
    write(m_install / "help" / "index.html", "manual 1");
    write(m_install / "activehelp" / "qvh.htm", "topics 1 and more");
    fs::remove(m_install / "help" / "report.html");
    fs::remove_all(m_install / "help" / "images");
    write(m_install / "help" / "my notes.html", "mine");
    write(m_install / "dxf.dat", "my prologue");

    std::vector<fs::path> written = mervalon::config::refreshProgramDocuments(m_shipped, m_install);
    std::sort(written.begin(), written.end());
    const std::vector<fs::path> expected{m_install / "activehelp" / "qvh.htm",
                                         m_install / "help" / "images" / "viewer.png",
                                         m_install / "help" / "index.html", m_install / "help" / "report.html"};
    EXPECT_EQ(written, expected);
    for (const fs::path& file : expected) {
        EXPECT_EQ(read(file), read(m_shipped / fs::relative(file, m_install))) << file;
    }
    EXPECT_EQ(read(m_install / "help" / "my notes.html"), "mine");
    EXPECT_EQ(read(m_install / "dxf.dat"), "my prologue"); // not a document: the upgrade's business
    EXPECT_TRUE(mervalon::config::refreshProgramDocuments(m_shipped, m_install).empty());
}

// A file-type line added to the shipped list reaches older installations once, after the user's
// own lines, and never twice: a user who removes it keeps it removed.
TEST_F(InstallationSeedTest, NewFileTypesAreOfferedOnceAfterTheUsersOwn)
{
    struct Case {
        const char* what;
        std::string list;     // the installation's list before
        std::string record;   // what was offered before ("" for no record)
        std::string expected; // the list after
        std::vector<std::string> appended;
    };
    const std::string offered = "Spreadsheets | xls;xlsx;ods";
    const std::vector<Case> cases = {
        {"an older installation",
         "Text files | txt;asc;csv;xyz;pts\r\nExcel files | xls\r\n",
         "",
         "Text files | txt;asc;csv;xyz;pts\r\nExcel files | xls\r\nSpreadsheets | xls;xlsx;ods\r\n",
         {offered}},
        {"a list the user edited",
         "Mine | pts\nExcel files | xls\n",
         "",
         "Mine | pts\r\nExcel files | xls\r\nSpreadsheets | xls;xlsx;ods\r\n",
         {offered}},
        {"a new installation, shipped with it",
         "Text files | txt\r\nSpreadsheets | xls;xlsx;ods\r\n",
         "",
         "Text files | txt\r\nSpreadsheets | xls;xlsx;ods\r\n",
         {}},
        {"a type of the user's covering it",
         "Workbooks | ODS;xlsx;xls;xlsm\r\n",
         "",
         "Workbooks | ODS;xlsx;xls;xlsm\r\n",
         {}},
        {"removed by the user after it was offered",
         "Text files | txt\r\n",
         offered + "\r\n",
         "Text files | txt\r\n",
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(m_install);
        fs::create_directories(m_install);
        write(m_install / "mervalon40.ext", c.list);
        if (!c.record.empty()) {
            write(mervalon::config::offeredFileTypesPath(m_install), c.record);
        }
        EXPECT_EQ(mervalon::config::offerFileTypes(m_install), c.appended);
        EXPECT_EQ(read(m_install / "mervalon40.ext"), c.expected);
        EXPECT_EQ(read(mervalon::config::offeredFileTypesPath(m_install)), offered + "\r\n");
        // The next start changes nothing.
        EXPECT_TRUE(mervalon::config::offerFileTypes(m_install).empty());
        EXPECT_EQ(read(m_install / "mervalon40.ext"), c.expected);
    }
    // An installation without a list is left alone.
    fs::remove(m_install / "mervalon40.ext");
    fs::remove(mervalon::config::offeredFileTypesPath(m_install));
    EXPECT_TRUE(mervalon::config::offerFileTypes(m_install).empty());
    EXPECT_FALSE(fs::exists(mervalon::config::offeredFileTypesPath(m_install)));
}
