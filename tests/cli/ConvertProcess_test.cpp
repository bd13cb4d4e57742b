// mervalon-convert as a separate process: runs side by side, signals, what a shell sees.

#include "cli/ConvertCommand.h"
#include "cli/ConvertOptions.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Exit status as a shell shows it for a normal exit; minus the signal for a killed process.
int waitFor(pid_t pid)
{
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

pid_t start(const std::vector<std::string>& arguments, const fs::path& output)
{
    std::vector<std::string> all = {MERVALON_CONVERT_PATH};
    all.insert(all.end(), arguments.begin(), arguments.end());
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int fd = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(fd, STDOUT_FILENO);
        ::dup2(fd, STDERR_FILENO);
        std::vector<char*> argv;
        for (std::string& argument : all) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    return pid;
}

std::string read(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Files a writer leaves beside a drawing while it is not complete.
std::vector<std::string> unfinishedIn(const fs::path& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with(".") && name.ends_with(".part")) {
            names.push_back(name);
        }
    }
    return names;
}

bool waitUntil(const std::function<bool()>& condition)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    return true;
}

class ConvertProcessTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("mervalon-process-" + std::to_string(::getpid()) + "-" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir / "a");
        fs::create_directories(m_dir / "b");
        fs::copy(MERVALON_DATA_BUILD_DIR, m_dir / "install", fs::copy_options::recursive);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string path(const std::string& name) const { return (m_dir / name).string(); }

    void writePoints(const std::string& name, int count, const std::string& description) const
    {
        std::ofstream out(m_dir / name, std::ios::binary);
        for (int i = 1; i <= count; ++i) {
            out << i << "," << 1000 + i % 997 << ".125," << 2000 + i % 991 << ".5,15.25," << description << "\r\n";
        }
    }

    std::vector<std::string> options(const std::string& dest, const std::string& report) const
    {
        return {"--install-dir", path("install"), "--dest", path(dest), "--report", path(report)};
    }

    fs::path m_dir;
};

} // namespace

// Two runs that make the same drawing at the same time: the drawing is one of the two, whole.
TEST_F(ConvertProcessTest, TwoRunsMakingOneDrawingLeaveOneWholeDrawing)
{
    writePoints("a/site.txt", 40000, "FENCE");
    writePoints("b/site.txt", 10, "TREE");
    for (const char* alone : {"a", "b"}) {
        auto arguments = options(std::string("ref-") + alone, std::string(alone) + ".log");
        arguments.push_back(path(std::string(alone) + "/site.txt"));
        ASSERT_EQ(waitFor(start(arguments, m_dir / "alone.out")), 0) << read(m_dir / "alone.out");
    }
    const std::string first = read(m_dir / "ref-a" / "site.dxf");
    const std::string second = read(m_dir / "ref-b" / "site.dxf");
    fs::create_directories(m_dir / "out");
    for (int round = 0; round < 3; ++round) {
        auto slow = options("out", "a.log");
        slow.push_back(path("a/site.txt"));
        auto quick = options("out", "b.log");
        quick.push_back(path("b/site.txt"));
        const pid_t a = start(slow, m_dir / "a.out");
        // The second run starts while the first one writes.
        ASSERT_TRUE(waitUntil([&] { return !unfinishedIn(m_dir / "out").empty() || fs::exists(m_dir / "out/site.dxf"); }));
        const pid_t b = start(quick, m_dir / "b.out");
        EXPECT_EQ(waitFor(b), 0) << read(m_dir / "b.out");
        EXPECT_EQ(waitFor(a), 0) << read(m_dir / "a.out");
        const std::string drawing = read(m_dir / "out" / "site.dxf");
        EXPECT_TRUE(drawing == first || drawing == second) << "round " << round << ": a mixture of "
                                                           << drawing.size() << " bytes";
        EXPECT_EQ(unfinishedIn(m_dir / "out"), std::vector<std::string>{});
        fs::remove(m_dir / "out" / "site.dxf");
    }
}

// Ctrl+C and SIGTERM end the run like the stop button: report complete with its ending, the
// finished drawings kept, no unfinished one left, and the status a shell expects.
TEST_F(ConvertProcessTest, AStopSignalEndsTheRunCleanly)
{
    writePoints("a/first.txt", 3, "BM");
    writePoints("a/second.txt", 300000, "FENCE");
    for (const int signalNumber : {SIGINT, SIGTERM}) {
        fs::remove_all(m_dir / "out");
        auto arguments = options("out", "run.log");
        arguments.push_back(path("a/first.txt"));
        arguments.push_back(path("a/second.txt"));
        const pid_t pid = start(arguments, m_dir / "run.out");
        ASSERT_TRUE(waitUntil([&] { return fs::exists(m_dir / "out/first.dxf"); }));
        ::kill(pid, signalNumber);
        EXPECT_EQ(waitFor(pid), 128 + signalNumber) << read(m_dir / "run.out");
        const std::string report = read(m_dir / "run.log");
        EXPECT_NE(report.find(">> Dxf file created: " + path("out/first.dxf") + "\r\n"), std::string::npos) << report;
        EXPECT_TRUE(report.ends_with("\r\n>> Process aborted.\r\n")) << report;
        EXPECT_TRUE(fs::exists(m_dir / "out/first.dxf"));
        EXPECT_FALSE(fs::exists(m_dir / "out/second.dxf"));
        EXPECT_EQ(unfinishedIn(m_dir / "out"), std::vector<std::string>{});
        EXPECT_NE(read(m_dir / "run.out").find(signalNumber == SIGINT ? "stopped by SIGINT" : "stopped by SIGTERM"),
                  std::string::npos);
    }
}

// A failing write (here past a file size limit, as on a full disk) keeps the older drawing.
TEST_F(ConvertProcessTest, AFailedWriteKeepsTheOlderDrawing)
{
    writePoints("a/site.txt", 20000, "FENCE");
    fs::create_directories(m_dir / "out");
    std::ofstream(m_dir / "out/site.dxf", std::ios::binary) << "  0\r\nEOF\r\n";
    auto arguments = options("out", "run.log");
    arguments.push_back(path("a/site.txt"));
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = 512 * 1024;
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const pid_t child = start(arguments, m_dir / "run.out");
        ::_exit(waitFor(child));
    }
    EXPECT_EQ(waitFor(pid), 1) << read(m_dir / "run.out");
    EXPECT_EQ(read(m_dir / "out/site.dxf"), "  0\r\nEOF\r\n");
    EXPECT_EQ(unfinishedIn(m_dir / "out"), std::vector<std::string>{});
    EXPECT_NE(read(m_dir / "run.log").find("could not be written: File too large !"), std::string::npos);
}

TEST_F(ConvertProcessTest, VersionIsShown)
{
    EXPECT_EQ(waitFor(start({"--version"}, m_dir / "version.out")), 0);
    EXPECT_EQ(read(m_dir / "version.out"), "mervalon-convert (Mervalon) 4.0\n");
}
