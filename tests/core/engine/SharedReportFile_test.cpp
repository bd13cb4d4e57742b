#include "core/engine/SharedReportFile.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using mervalon::engine::SharedReportFile;

namespace {

class SharedReportFileTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        m_path = fs::temp_directory_path() / ("mervalon-shared-report-" + std::to_string(::getpid()) + ".log");
        std::ofstream(m_path, std::ios::binary) << "the previous run's report\r\n";
    }
    void TearDown() override { fs::remove(m_path); }

    std::string report() const
    {
        std::ifstream in(m_path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    fs::path m_path;
};

} // namespace

TEST_F(SharedReportFileTest, ARunAloneEmptiesTheReportAndARunBesideItJoins)
{
    SharedReportFile first;
    ASSERT_TRUE(first.open(m_path));
    EXPECT_FALSE(first.joined());
    EXPECT_EQ(report(), "");
    first.append("A1\r\n");

    SharedReportFile second;
    ASSERT_TRUE(second.open(m_path));
    EXPECT_TRUE(second.joined());
    second.append("B1\r\n");
    first.append("A2\r\n");
    EXPECT_EQ(report(), "A1\r\nB1\r\nA2\r\n");

    // While any run writes, a new one joins; the first to start after them all begins anew.
    ASSERT_TRUE(first.close());
    SharedReportFile third;
    ASSERT_TRUE(third.open(m_path));
    EXPECT_TRUE(third.joined());
    third.append("C1\r\n");
    ASSERT_TRUE(second.close());
    ASSERT_TRUE(third.close());
    EXPECT_EQ(report(), "A1\r\nB1\r\nA2\r\nC1\r\n");

    SharedReportFile fourth;
    ASSERT_TRUE(fourth.open(m_path));
    EXPECT_FALSE(fourth.joined());
    EXPECT_EQ(report(), "");
}

TEST_F(SharedReportFileTest, AHeldReportTakesNoOtherRunsBlockUntilReleased)
{
    SharedReportFile first;
    SharedReportFile second;
    ASSERT_TRUE(first.open(m_path));
    ASSERT_TRUE(second.open(m_path));
    first.hold();
    first.append("A1\r\n");
    std::thread other([&] { second.append("B1\r\n"); });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    first.append("A2\r\n");
    EXPECT_EQ(report(), "A1\r\nA2\r\n");
    first.release();
    other.join();
    EXPECT_EQ(report(), "A1\r\nA2\r\nB1\r\n");
}

// Started beside a run, but given the report only once that one has ended (a busy machine):
// it joins, and what the other run wrote stays.
TEST_F(SharedReportFileTest, ARunThatWaitedWhileAnotherWroteJoins)
{
    SharedReportFile first;
    ASSERT_TRUE(first.open(m_path));
    first.hold();
    SharedReportFile second;
    std::thread other([&] { second.open(m_path); });
    // Until the second waits for the lock the first holds.
    struct stat status {};
    ASSERT_EQ(::stat(m_path.c_str(), &status), 0);
    const std::string inode = ":" + std::to_string(status.st_ino) + " ";
    for (bool waiting = false; !waiting;) {
        std::ifstream locks("/proc/locks");
        for (std::string line; std::getline(locks, line);) {
            waiting = waiting || (line.find("->") != std::string::npos && line.find(inode) != std::string::npos);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    first.append("A1\r\n");
    ASSERT_TRUE(first.close());
    other.join();
    EXPECT_TRUE(second.joined());
    second.append("B1\r\n");
    ASSERT_TRUE(second.close());
    EXPECT_EQ(report(), "A1\r\nB1\r\n");
}

TEST_F(SharedReportFileTest, AReportThatCannotBeOpenedSaysWhy)
{
    SharedReportFile file;
    EXPECT_FALSE(file.open(m_path / "below-a-file.log"));
    EXPECT_EQ(file.errorNumber(), ENOTDIR);
    EXPECT_FALSE(file.append("x"));
}

TEST_F(SharedReportFileTest, ADeviceIsWrittenAsItIs)
{
    SharedReportFile file;
    ASSERT_TRUE(file.open("/dev/null"));
    EXPECT_TRUE(file.append("nothing\r\n"));
    EXPECT_TRUE(file.close());
}
