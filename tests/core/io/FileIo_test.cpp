#include "core/io/FileIo.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace fs = std::filesystem;
using mervalon::io::writeFileText;

namespace {

class FileIoTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("mervalon-io-" + std::to_string(::getpid()) + "-" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    static std::string read(const fs::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    fs::path m_dir;
};

} // namespace

// A file the program saves (a format, a configuration, the file types) is replaced as a whole:
// a write that fails part-way (here past a file size limit, as on a full disk) keeps the old one.
TEST_F(FileIoTest, AFailedWriteKeepsTheOldFile)
{
    const fs::path path = m_dir / "record.rpf";
    writeFileText(path, "old record");
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    const auto handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = old;
    limit.rlim_cur = 4096;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    EXPECT_THROW(writeFileText(path, std::string(10000, 'n')), std::system_error);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, handler);
    EXPECT_EQ(read(path), "old record");
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), {}), 1) << "nothing left beside it";
}

TEST_F(FileIoTest, ALinkStaysALinkAndADeviceIsWrittenInPlace)
{
    writeFileText(m_dir / "real.ext", "old");
    fs::create_symlink(m_dir / "real.ext", m_dir / "link.ext");
    writeFileText(m_dir / "link.ext", "new");
    EXPECT_TRUE(fs::is_symlink(m_dir / "link.ext"));
    EXPECT_EQ(read(m_dir / "real.ext"), "new");
    EXPECT_NO_THROW(writeFileText("/dev/null", "discarded"));
    EXPECT_TRUE(fs::exists("/dev/null"));
}
