#pragma once
// The folder a command-line test works in: a fresh copy of the shipped installation under
// "install", and "points" for the point files, named by process and test so that tests run side
// by side (and under ThreadSanitizer, whose processes may share addresses) never meet.

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <unistd.h>

namespace mervalon::clitest {

class CliTestFolder : public ::testing::Test {
  protected:
    explicit CliTestFolder(std::string prefix) : m_prefix(std::move(prefix)) {}

    void SetUp() override
    {
        m_dir =
            std::filesystem::temp_directory_path() / (m_prefix + "-" + std::to_string(::getpid()) + "-" +
                                                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir / "points");
        std::filesystem::copy(MERVALON_DATA_BUILD_DIR, m_dir / "install", std::filesystem::copy_options::recursive);
        m_install = (m_dir / "install").string();
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    /// Writes `text` to `name` (relative to the folder), making its folder when missing.
    void write(const std::string& name, const std::string& text) const
    {
        std::filesystem::create_directories((m_dir / name).parent_path());
        std::ofstream(m_dir / name, std::ios::binary) << text;
    }
    static std::string read(const std::filesystem::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    [[nodiscard]] std::string path(const std::string& name) const { return (m_dir / name).string(); }

    std::filesystem::path m_dir;
    std::string m_install;

  private:
    std::string m_prefix;
};

} // namespace mervalon::clitest
