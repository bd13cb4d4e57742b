#include "core/io/FileIo.h"
#include "core/io/ReplaceFile.h"

#include <cerrno>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace mervalon::io {
namespace {

class ReplaceFileTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("mervalon-replace-" + std::to_string(::getpid()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    [[nodiscard]] std::size_t entries() const
    {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()));
    }

    fs::path m_dir;
};

TEST_F(ReplaceFileTest, ReplacesTheContentKeepsThePermissionsAndLeavesNothingBeside)
{
    const fs::path file = m_dir / "site.rp4";
    writeFileText(file, "old content that is longer");
    ASSERT_EQ(::chmod(file.c_str(), 0600), 0);
    replaceFile(file, std::string_view("new"));
    EXPECT_EQ(readFileText(file), "new");
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(entries(), 1u);
}

TEST_F(ReplaceFileTest, AFailedReplaceLeavesTheOldFileAndNoTemporaryFile)
{
    // A folder under the target's name cannot be replaced by a file: the rename fails last, after
    // everything was written, which is the worst moment for a failure.
    const fs::path target = m_dir / "formats";
    fs::create_directories(target / "inside");
    EXPECT_THROW(replaceFile(target, std::string_view("record")), FileError);
    EXPECT_TRUE(fs::is_directory(target / "inside"));
    EXPECT_EQ(entries(), 1u);

    const fs::path missingFolder = m_dir / "absent" / "file.ext";
    try {
        replaceFile(missingFolder, std::string_view("x"));
        FAIL() << "a file in a missing folder cannot be written";
    } catch (const FileError& error) {
        EXPECT_NE(std::string(error.what()).find("Cannot save file \"" + missingFolder.string() + "\""),
                  std::string::npos)
            << error.what();
    }
}

// A link planted under the name of the save's temporary file (in a folder others can write to)
// must not redirect the save: the file outside keeps its bytes and mode, the saved file is a
// file of its own.
TEST_F(ReplaceFileTest, ALinkPlantedAtTheTemporaryNameIsNeverWrittenThrough)
{
    const fs::path outside = m_dir / "outside" / "secret.txt";
    fs::create_directories(outside.parent_path());
    writeFileText(outside, "not yours");
    ASSERT_EQ(::chmod(outside.c_str(), 0600), 0);
    const fs::path file = m_dir / "site.rp4";
    writeFileText(file, "old");
    for (const std::string suffix : {"", "-2"}) {
        fs::create_symlink(outside, m_dir / (".site.rp4.saving-" + std::to_string(::getpid()) + suffix));
    }

    replaceFile(file, std::string_view("new"));

    EXPECT_EQ(readFileText(file), "new");
    EXPECT_FALSE(fs::is_symlink(file));
    EXPECT_EQ(readFileText(outside), "not yours");
    struct stat info {};
    ASSERT_EQ(::stat(outside.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

// A write-protected file is refused as the user's editor refuses it, whoever saves (also the
// administrator, whom the system itself would let through), and stays as it was.
TEST_F(ReplaceFileTest, AWriteProtectedFileIsRefusedAndKept)
{
    for (const mode_t mode : {0444, 0400, 0555}) {
        const fs::path file = m_dir / "protected.rpf";
        fs::remove(file);
        writeFileText(file, "kept");
        ASSERT_EQ(::chmod(file.c_str(), mode), 0);
        for (const auto& save : {+[](const fs::path& p) { replaceFile(p, std::string_view("lost")); },
                                 +[](const fs::path& p) { writeFileText(p, "lost"); }}) {
            try {
                save(file);
                ADD_FAILURE() << "mode " << std::oct << mode << " was written";
            } catch (const FileError& error) {
                EXPECT_EQ(std::string(error.what()), "Cannot save file \"" + file.string() + "\". " + kWriteProtected);
                EXPECT_EQ(error.code().value(), EACCES);
            }
        }
        EXPECT_EQ(readFileText(file), "kept");
        EXPECT_EQ(entries(), 1u);
        EXPECT_TRUE(isWriteProtected(file));
    }
    EXPECT_FALSE(isWriteProtected(m_dir / "absent"));
    EXPECT_FALSE(isWriteProtected(m_dir));
}

// Saved by the administrator for its owner, the file stays the owner's.
TEST_F(ReplaceFileTest, TheOwnerIsKeptWhereTheSystemAllowsIt)
{
    const fs::path file = m_dir / "owned.rp4";
    writeFileText(file, "old");
    struct stat before {};
    ASSERT_EQ(::stat(file.c_str(), &before), 0);
    const bool mayChown = ::geteuid() == 0;
    const uid_t owner = mayChown ? 4321 : before.st_uid;
    if (mayChown) {
        ASSERT_EQ(::chown(file.c_str(), owner, 4321), 0);
    }
    replaceFile(file, std::string_view("new"));
    struct stat after {};
    ASSERT_EQ(::stat(file.c_str(), &after), 0);
    EXPECT_EQ(after.st_uid, owner);
}

} // namespace
} // namespace mervalon::io
