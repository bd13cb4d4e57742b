#include "cli/TerminalProgress.h"

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <ostream>

namespace mervalon::cli {

std::string formatDuration(std::chrono::seconds duration)
{
    const long long total = std::max<long long>(0, duration.count());
    const long long hours = total / 3600;
    const long long minutes = total / 60 % 60;
    const long long seconds = total % 60;
    char text[48];
    if (hours > 0) {
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", hours, minutes, seconds);
    } else {
        std::snprintf(text, sizeof text, "%lld:%02lld", minutes, seconds);
    }
    return text;
}

TerminalProgress::TerminalProgress(std::ostream& out, std::vector<std::uintmax_t> fileSizes,
                                   std::function<bool()> stopRequested, Clock clock)
    : m_out(out), m_sizes(std::move(fileSizes)), m_stopRequested(std::move(stopRequested)), m_clock(std::move(clock)),
      m_start(m_clock()), m_lastDraw(m_start - kRedrawInterval)
{
    // An empty file still counts for something, so that every file moves the bar.
    for (std::uintmax_t& size : m_sizes) {
        size = std::max<std::uintmax_t>(size, 1);
    }
    m_totalBytes = std::accumulate(m_sizes.begin(), m_sizes.end(), std::uintmax_t{0});
}

TerminalProgress::~TerminalProgress()
{
    finish();
}

void TerminalProgress::finish()
{
    if (m_drawn) {
        m_out << "\n" << std::flush;
        m_drawn = false;
    }
}

void TerminalProgress::fileStarted(std::size_t index, std::size_t count)
{
    if (m_file >= 1 && m_file <= m_sizes.size()) {
        m_bytesBefore += m_sizes[m_file - 1];
    }
    m_file = index;
    m_files = count;
    m_lines = 0;
    m_line = 0;
    maybeRedraw(false);
}

void TerminalProgress::setLineCount(std::size_t count)
{
    m_lines = count;
}

void TerminalProgress::setLinePosition(std::size_t index)
{
    m_line = index;
    // Asking the clock is cheap, but not free at millions of lines a second.
    if ((index & 0x3ff) == 0) {
        maybeRedraw(false);
    }
}

double TerminalProgress::shareDone() const
{
    if (m_totalBytes == 0) {
        return 0;
    }
    double current = 0;
    if (m_file >= 1 && m_file <= m_sizes.size() && m_lines > 0) {
        current = static_cast<double>(m_sizes[m_file - 1]) * static_cast<double>(m_line) / static_cast<double>(m_lines);
    }
    return std::clamp((static_cast<double>(m_bytesBefore) + current) / static_cast<double>(m_totalBytes), 0.0, 1.0);
}

void TerminalProgress::maybeRedraw(bool force)
{
    const auto now = m_clock();
    if (!force && now - m_lastDraw < kRedrawInterval) {
        return;
    }
    m_lastDraw = now;
    const double share = shareDone();
    const auto elapsed = std::chrono::duration_cast<std::chrono::seconds>(now - m_start);
    const int percent = static_cast<int>(share * 100);
    const auto filled = static_cast<std::size_t>(share * 20);
    std::string text = "Processing file " + std::to_string(m_file) + " / " + std::to_string(m_files);
    if (m_lines > 0) {
        text += ", line " + std::to_string(m_line + 1) + " / " + std::to_string(m_lines);
    }
    text += "  [" + std::string(filled, '#') + std::string(20 - filled, ' ') + "] " + std::to_string(percent) + "%  " +
            formatDuration(elapsed);
    // The estimate needs a little history to mean anything.
    if (share > 0.01 && elapsed.count() >= 1) {
        const double left = static_cast<double>(elapsed.count()) * (1 - share) / share;
        text += ", about " + formatDuration(std::chrono::seconds(static_cast<long long>(left))) + " left";
    }
    const std::size_t width = text.size();
    if (width < m_width) {
        text.append(m_width - width, ' ');
    }
    m_width = width;
    m_out << '\r' << text << std::flush;
    m_drawn = true;
}

} // namespace mervalon::cli
