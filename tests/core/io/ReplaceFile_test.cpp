#include "core/io/FileIo.h"
#include "core/io/ReplaceFile.h"

#include <gtest/gtest.h>

#include <filesystem>
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

} // namespace
} // namespace mervalon::io
