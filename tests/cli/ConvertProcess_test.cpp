// mervalon-convert as a separate process: runs side by side, signals, what a shell sees.

#include "cli/ConvertCommand.h"
#include "cli/ConvertOptions.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
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

using Environment = std::vector<std::pair<std::string, std::string>>;

pid_t start(const std::vector<std::string>& arguments, const fs::path& output, const Environment& environment = {})
{
    std::vector<std::string> all = {MERVALON_CONVERT_PATH};
    all.insert(all.end(), arguments.begin(), arguments.end());
    const pid_t pid = ::fork();
    if (pid == 0) {
        for (const auto& [name, value] : environment) {
            ::setenv(name.c_str(), value.c_str(), 1);
        }
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
        ASSERT_TRUE(
            waitUntil([&] { return !unfinishedIn(m_dir / "out").empty() || fs::exists(m_dir / "out/site.dxf"); }));
        const pid_t b = start(quick, m_dir / "b.out");
        EXPECT_EQ(waitFor(b), 0) << read(m_dir / "b.out");
        EXPECT_EQ(waitFor(a), 0) << read(m_dir / "a.out");
        const std::string drawing = read(m_dir / "out" / "site.dxf");
        EXPECT_TRUE(drawing == first || drawing == second)
            << "round " << round << ": a mixture of " << drawing.size() << " bytes";
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

// With --jobs, Ctrl+C stops every job: each file begun has its block in the report, in order,
// no unfinished drawing is left, and the status is the signal's.
TEST_F(ConvertProcessTest, AStopSignalEndsEveryJob)
{
    writePoints("a/first.txt", 3, "BM");
    for (const char* name : {"a/second.txt", "a/third.txt", "a/fourth.txt"}) {
        writePoints(name, 400000, "FENCE");
    }
    auto arguments = options("out", "run.log");
    for (const char* extra : {"--jobs", "2", "--json"}) {
        arguments.push_back(extra);
    }
    for (const char* name : {"a/first.txt", "a/second.txt", "a/third.txt", "a/fourth.txt"}) {
        arguments.push_back(path(name));
    }
    const pid_t pid = start(arguments, m_dir / "run.out");
    ASSERT_TRUE(waitUntil([&] { return fs::exists(m_dir / "out/first.dxf"); }));
    ::kill(pid, SIGINT);
    EXPECT_EQ(waitFor(pid), 130) << read(m_dir / "run.out");
    const std::string report = read(m_dir / "run.log");
    EXPECT_TRUE(report.ends_with("\r\n>> Process aborted.\r\n")) << report;
    EXPECT_LT(report.find("Point file : " + path("a/first.txt")), report.find("Point file : " + path("a/second.txt")));
    EXPECT_FALSE(fs::exists(m_dir / "out/fourth.dxf"));
    EXPECT_EQ(unfinishedIn(m_dir / "out"), std::vector<std::string>{});
    const std::string output = read(m_dir / "run.out");
    EXPECT_NE(output.find(R"("type":"run")"), std::string::npos) << output;
    EXPECT_NE(output.find(R"("stopped":true)"), std::string::npos) << output;
    EXPECT_NE(output.find(R"("exit_status":130,"message":"stopped by SIGINT")"), std::string::npos) << output;
    EXPECT_NE(output.find("stopped by SIGINT"), std::string::npos);
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

namespace {

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t begin = 0;
    while (begin < text.size()) {
        const std::size_t end = text.find("\r\n", begin);
        if (end == std::string::npos) {
            lines.push_back(text.substr(begin) + "<cut: no CR LF>");
            break;
        }
        lines.push_back(text.substr(begin, end - begin));
        begin = end + 2;
    }
    return lines;
}

// A run's report split into its header (without the title line, which has the time) and the
// block of each file, keyed by the file's "Point file : " line.
struct ReportParts {
    std::vector<std::string> header;
    std::map<std::string, std::vector<std::string>> blocks;
};

ReportParts partsOf(const std::string& report)
{
    ReportParts parts;
    std::vector<std::string>* current = &parts.header;
    const std::vector<std::string> lines = linesOf(report);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        if (lines[i].starts_with("Point file : ")) {
            current = &parts.blocks[lines[i]];
        }
        current->push_back(lines[i]);
    }
    return parts;
}

} // namespace

// Runs side by side as `xargs -P` starts them, without --report: they share the installation's
// report, each the first start of a fresh installation. Every run's header and every file's
// block are in the report, whole, with every error line: exactly the lines of the same file
// converted by a run alone.
TEST_F(ConvertProcessTest, RunsSideBySideShareTheReportWithoutLosingALine)
{
    constexpr int kRuns = 4;
    constexpr int kLines = 40000;
    std::vector<std::string> names;
    for (int run = 0; run < kRuns; ++run) {
        for (const char* part : {"a", "b"}) {
            const std::string name = "a/r" + std::to_string(run) + part + ".txt";
            std::ofstream out(m_dir / name, std::ios::binary);
            // Without its polyline codes, one file's block (a warning a line) is megabytes long:
            // it is written out in pieces while the report is held for it.
            const char* code = run == 0 && *part == 'a' ? "" : ",0";
            for (int i = 1; i <= kLines; ++i) {
                if (i == 7 + run) {
                    out << i << ",1O00.5,2000.5,15.25,X,0\r\n"; // a letter O for a zero
                } else if (i == kLines / 2 + run) {
                    out << i << ",1000.5\r\n";
                } else if (i == kLines - run) {
                    out << "\r\n";
                } else {
                    out << i << "," << 1000 + i % 997 << ".125," << 2000 + i % 991 << ".5,15.25,PT" << run << code
                        << "\r\n";
                }
            }
            names.push_back(name);
        }
    }
    // What each file's block says when it is converted by a run of its own.
    ReportParts alone;
    for (const std::string& name : names) {
        auto arguments = options("out", "alone.log");
        arguments.push_back(path(name));
        ASSERT_EQ(waitFor(start(arguments, m_dir / "alone.out")), 1) << read(m_dir / "alone.out");
        ReportParts parts = partsOf(read(m_dir / "alone.log"));
        ASSERT_EQ(parts.blocks.size(), 1u);
        alone.header = parts.header;
        alone.blocks.merge(parts.blocks);
    }
    ASSERT_EQ(alone.blocks.size(), names.size());
    for (const auto& [heading, block] : alone.blocks) {
        EXPECT_EQ(std::count_if(block.begin(), block.end(),
                                [](const std::string& line) { return line.starts_with("  ! Error"); }),
                  2)
            << heading;
    }

    const fs::path home = m_dir / "home";
    const Environment environment = {{"HOME", home.string()},
                                     {"XDG_CONFIG_HOME", (home / "config").string()},
                                     {"XDG_DATA_HOME", (home / "data").string()}};
    // So that the runs surely overlap, however fast each one is, they meet at a gate: the lock
    // a run takes to open the report is held here until every run waits for it.
    const fs::path installation = home / "data/Halvent/Mervalon40";
    fs::create_directories(installation);
    const int gate = ::open((installation / "mervalon40.log").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(gate, 0);
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = (1LL << 62) + 1;
    lock.l_len = 1;
    ASSERT_EQ(::fcntl(gate, F_OFD_SETLK, &lock), 0);
    struct stat status {};
    ::fstat(gate, &status);
    const std::string inode = ":" + std::to_string(status.st_ino) + " ";
    // The waiters are listed under the gate's lock, sharing its number. /proc/locks is not read
    // at one instant: a list that moves on may show the gate twice, so only its first group counts.
    std::string lockLines;
    const auto waiting = [&] {
        std::ifstream locks("/proc/locks");
        int count = 0;
        std::string group;
        lockLines.clear();
        for (std::string line; std::getline(locks, line);) {
            const std::string number = line.substr(0, line.find(':') + 1);
            if (group.empty() && line.find(inode) != std::string::npos && line.find("->") == std::string::npos) {
                group = number;
            } else if (!group.empty() && number != group) {
                break;
            } else if (!group.empty() && line.find("->") != std::string::npos &&
                       line.find(inode) != std::string::npos) {
                ++count;
            }
            if (!group.empty()) {
                lockLines += line + "\n";
            }
        }
        return count;
    };
    std::vector<pid_t> runs;
    for (int run = 0; run < kRuns; ++run) {
        runs.push_back(start({"--dest", path("out"), path(names[2 * run]), path(names[2 * run + 1])},
                             m_dir / ("run" + std::to_string(run) + ".out"), environment));
    }
    EXPECT_TRUE(waitUntil([&] { return waiting() == kRuns; }));
    ::close(gate);
    for (int run = 0; run < kRuns; ++run) {
        EXPECT_EQ(waitFor(runs[run]), 1) << read(m_dir / ("run" + std::to_string(run) + ".out"));
    }
    EXPECT_TRUE(fs::is_regular_file(installation / "formats/!default.rpf"));
    EXPECT_EQ(fs::file_size(installation / "dxf.dat"), fs::file_size(m_dir / "install/dxf.dat"));
    const std::string report = read(installation / "mervalon40.log");
    const std::vector<std::string> lines = linesOf(report);
    // Each line belongs to a header or to a block, and each is whole, in one piece.
    std::map<std::string, int> seen;
    int headers = 0;
    std::size_t i = 0;
    while (i < lines.size()) {
        const std::vector<std::string>* expected = nullptr;
        if (lines[i].starts_with("Mervalon Report - ")) {
            ++headers;
            expected = &alone.header;
            ++i;
        } else if (const auto block = alone.blocks.find(lines[i]); block != alone.blocks.end()) {
            ++seen[lines[i]];
            expected = &block->second;
        } else {
            ADD_FAILURE() << "line " << i + 1 << " belongs to no header or block: \"" << lines[i] << "\"\n" << report;
            break;
        }
        const auto from = lines.begin() + static_cast<std::ptrdiff_t>(i);
        const auto available = static_cast<std::size_t>(lines.end() - from);
        const std::vector<std::string> actual(
            from, from + static_cast<std::ptrdiff_t>(std::min(available, expected->size())));
        ASSERT_EQ(actual, *expected) << "at line " << i + 1 << " of\n" << report;
        i += expected->size();
    }
    std::string outputs;
    for (int run = 0; run < kRuns; ++run) {
        outputs += read(m_dir / ("run" + std::to_string(run) + ".out"));
    }
    EXPECT_EQ(headers, kRuns) << lockLines << outputs << report;
    EXPECT_EQ(seen.size(), names.size()) << report;
    for (const auto& [heading, count] : seen) {
        EXPECT_EQ(count, 1) << heading;
    }
}

TEST_F(ConvertProcessTest, VersionIsShown)
{
    EXPECT_EQ(waitFor(start({"--version"}, m_dir / "version.out")), 0);
    EXPECT_EQ(read(m_dir / "version.out"), "mervalon-convert (Mervalon) 4.0\n");
}

namespace {

// Waits for the process at most `limit`; kills it when it has not ended by then.
int waitAtMost(pid_t pid, std::chrono::seconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (true) {
        const pid_t ended = ::waitpid(pid, &status, WNOHANG);
        if (ended == pid) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
        }
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            waitFor(pid);
            return -1000;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

} // namespace

// A point file without line breaks (here a terabyte, of which nothing is on the disk) neither
// fills the memory nor keeps a stop waiting: the stop is taken within a block.
TEST_F(ConvertProcessTest, AStopIsTakenAtOnceInAFileWithoutLineBreaks)
{
    std::ofstream(m_dir / "a/endless.txt", std::ios::binary) << "1,1000.5,2000.5,15.25,BM\r\n";
    fs::resize_file(m_dir / "a/endless.txt", std::uintmax_t{1} << 40);
    auto arguments = options("out", "run.log");
    arguments.push_back(path("a/endless.txt"));
    const pid_t pid = start(arguments, m_dir / "run.out");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ::kill(pid, SIGTERM);
    // Reading through would take many minutes; a stop is taken within a megabyte.
    EXPECT_EQ(waitAtMost(pid, std::chrono::seconds(20)), 128 + SIGTERM) << read(m_dir / "run.out");
    EXPECT_TRUE(read(m_dir / "run.log").ends_with("\r\n>> Process aborted.\r\n")) << read(m_dir / "run.log");
    EXPECT_EQ(unfinishedIn(m_dir / "out"), std::vector<std::string>{});
}

// A killed run leaves its unfinished drawing behind; the next run into that folder removes it.
TEST_F(ConvertProcessTest, TheNextRunRemovesWhatAKilledRunLeft)
{
    writePoints("a/big.txt", 300000, "FENCE");
    writePoints("a/small.txt", 3, "TREE");
    auto arguments = options("out", "run.log");
    arguments.push_back(path("a/big.txt"));
    const pid_t pid = start(arguments, m_dir / "run.out");
    ASSERT_TRUE(waitUntil([&] { return fs::exists(m_dir / "out") && !unfinishedIn(m_dir / "out").empty(); }));
    ::kill(pid, SIGKILL);
    EXPECT_EQ(waitFor(pid), -SIGKILL);
    const auto left = unfinishedIn(m_dir / "out");
    ASSERT_EQ(left.size(), 1u);
    // Looked at a while later: a file written to just now may be one whose writer has not yet
    // taken its lock.
    const auto earlier = fs::file_time_type::clock::now() - std::chrono::minutes(5);
    fs::last_write_time(m_dir / "out" / left[0], earlier);

    auto again = options("out", "again.log");
    again.push_back(path("a/small.txt"));
    EXPECT_EQ(waitFor(start(again, m_dir / "again.out")), 0) << read(m_dir / "again.out");
    EXPECT_EQ(unfinishedIn(m_dir / "out"), std::vector<std::string>{});
    EXPECT_TRUE(fs::exists(m_dir / "out/small.dxf"));
}

// The first start on a full disk (a home of 36 KiB) makes no installation at all, and says why;
// the start after it, with room, makes a whole one, and its drawing is complete.
TEST_F(ConvertProcessTest, AFirstStartOnAFullDiskLeavesNoInstallationBehind)
{
    writePoints("a/site.txt", 3, "TREE");
    fs::create_directories(m_dir / "home");
    fs::create_directories(m_dir / "out");
    // A mount of our own, in a namespace of our own: no privilege is needed, nothing outside sees it.
    const std::string script = R"(
        home=$1; convert=$2; points=$3; out=$4
        mount -t tmpfs -o size=36k tmpfs "$home" || exit 90
        export HOME="$home" XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config"
        "$convert" --dest "$out" "$points" > "$out/first.txt" 2>&1
        echo $? > "$out/first.status"
        (cd "$home/data" 2>/dev/null && find . | sort) > "$out/after-first.txt"
        mount -o remount,size=16m "$home" || exit 91
        "$convert" --dest "$out" "$points" > "$out/second.txt" 2>&1
        echo $? > "$out/second.status"
        cat "$home/data/Halvent/Mervalon40/dxf.dat" > "$out/installed-prologue"
    )";
    const std::string command = "unshare --map-root-user --mount sh -c '" + script + "' sh '" + path("home") + "' '" +
                                MERVALON_CONVERT_PATH + "' '" + path("a/site.txt") + "' '" + path("out") + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << "unshare (Debian package util-linux) and tmpfs mounts are needed";
    EXPECT_EQ(read(m_dir / "out/first.status"), "2\n") << read(m_dir / "out/first.txt");
    EXPECT_NE(read(m_dir / "out/first.txt").find("No space left on device"), std::string::npos)
        << read(m_dir / "out/first.txt");
    const std::string afterFirst = read(m_dir / "out/after-first.txt");
    EXPECT_EQ(afterFirst.find("Mervalon40"), std::string::npos) << afterFirst;
    EXPECT_EQ(read(m_dir / "out/second.status"), "0\n") << read(m_dir / "out/second.txt");
    EXPECT_EQ(read(m_dir / "out/installed-prologue"), read(fs::path(MERVALON_DATA_BUILD_DIR) / "dxf.dat"));
    EXPECT_TRUE(read(m_dir / "out/site.dxf").ends_with("  0\r\nEOF\r\n"));
}
