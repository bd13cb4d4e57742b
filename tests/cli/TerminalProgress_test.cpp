#include "cli/TerminalProgress.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <sstream>

using mervalon::cli::formatDuration;
using mervalon::cli::TerminalProgress;
using namespace std::chrono_literals;

namespace {

// A clock that moves on by a fixed step every time it is asked.
struct SteppingClock {
    std::chrono::steady_clock::time_point now{};
    std::chrono::nanoseconds step;
    std::chrono::steady_clock::time_point operator()()
    {
        now += step;
        return now;
    }
};

} // namespace

// However fast lines go by, the bar is drawn at most ten times a second of the run.
TEST(TerminalProgress, RedrawsAtMostTenTimesASecond)
{
    std::ostringstream out;
    auto clock = std::make_shared<SteppingClock>(SteppingClock{{}, 50us});
    {
        TerminalProgress progress(
            out, {1000, 3000}, [] { return false; }, [clock] { return (*clock)(); });
        for (std::size_t file = 1; file <= 2; ++file) {
            progress.fileStarted(file, 2);
            progress.setLineCount(2'000'000);
            for (std::size_t line = 0; line < 2'000'000; ++line) {
                progress.setLinePosition(line);
            }
        }
    }
    const std::string text = out.str();
    const auto draws = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\r'));
    const auto elapsed = clock->now.time_since_epoch();
    EXPECT_GE(draws, 2u);
    EXPECT_LE(draws, static_cast<std::size_t>(elapsed / TerminalProgress::kRedrawInterval) + 1) << draws;
    EXPECT_TRUE(text.ends_with("\n"));
}

// The share is the whole run's, measured in bytes: half of the second, larger file is 62 %.
TEST(TerminalProgress, ShowsTheWholeRunWithTimeAndEstimate)
{
    std::ostringstream out;
    SteppingClock clock{{}, 2s};
    TerminalProgress progress(
        out, {1000, 3000}, [] { return false; }, [&clock] { return clock(); });
    progress.fileStarted(1, 2);
    progress.setLineCount(10);
    progress.fileStarted(2, 2);
    progress.setLineCount(2048);
    out.str("");
    progress.setLinePosition(1024);
    const std::string text = out.str();
    EXPECT_NE(text.find("\rProcessing file 2 / 2, line 1025 / 2048"), std::string::npos) << text;
    EXPECT_NE(text.find("] 62%  0:06, about 0:03 left"), std::string::npos) << text;
}

TEST(TerminalProgress, DurationsReadLikeAClock)
{
    EXPECT_EQ(formatDuration(0s), "0:00");
    EXPECT_EQ(formatDuration(65s), "1:05");
    EXPECT_EQ(formatDuration(3725s), "1:02:05");
}
