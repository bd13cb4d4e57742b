#pragma once
// The progress bar of mervalon-convert on a terminal: one line for the whole run (file i of n,
// the share done, elapsed time and an estimate of what is left), redrawn at most ten times a
// second however fast the lines go by.

#include "core/engine/ProgressSink.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace mervalon::cli {

class TerminalProgress : public engine::ProgressSink {
  public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    /// `fileSizes` are the byte sizes of the run's files in order (0 when unknown): the share of
    /// the run done is measured in bytes, so a large file counts for more than a small one.
    /// `stopRequested` is asked once per line whether the run must end.
    TerminalProgress(
        std::ostream& out, std::vector<std::uintmax_t> fileSizes, std::function<bool()> stopRequested,
        Clock clock = [] { return std::chrono::steady_clock::now(); });
    ~TerminalProgress() override;

    void fileStarted(std::size_t index, std::size_t count) override;
    void setLineCount(std::size_t count) override;
    void setFileLabel(const std::string&) override {}
    void setLinePosition(std::size_t index) override;
    void pumpEvents() override {}
    [[nodiscard]] bool isStopRequested() const override { return m_stopRequested(); }

    /// Ends the bar's line, so that what is written next starts on a line of its own.
    void finish();

    static constexpr std::chrono::milliseconds kRedrawInterval{100};

  private:
    void maybeRedraw(bool force);
    [[nodiscard]] double shareDone() const;

    std::ostream& m_out;
    std::vector<std::uintmax_t> m_sizes;
    std::function<bool()> m_stopRequested;
    Clock m_clock;
    std::chrono::steady_clock::time_point m_start;
    std::chrono::steady_clock::time_point m_lastDraw;
    std::uintmax_t m_totalBytes = 0;
    std::uintmax_t m_bytesBefore = 0; // bytes of the files before the current one
    std::size_t m_file = 0;
    std::size_t m_files = 0;
    std::size_t m_lines = 0;
    std::size_t m_line = 0;
    std::size_t m_width = 0; // of the last line drawn, so that a shorter one wipes it
    bool m_drawn = false;
};

/// "1:05" or "1:02:05": elapsed and remaining times on the bar.
std::string formatDuration(std::chrono::seconds duration);

} // namespace mervalon::cli
