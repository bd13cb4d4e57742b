#pragma once
// The run report: a text file written line by line, every line ended by CR LF.
//
// The report is read while a run goes on and after a run that was stopped, so what is on disk
// must be complete up to the point reached: it is written out after every file's block (the
// run calls flush) and whenever a few dozen kilobytes have gathered, never once per line.

#include "core/engine/OutputFile.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace mervalon::engine {

class RunLog {
public:
    /// Creates (empties) the report. Throws std::system_error naming the file on failure.
    explicit RunLog(const std::filesystem::path& path);
    ~RunLog();
    RunLog(const RunLog&) = delete;
    RunLog& operator=(const RunLog&) = delete;

    /// Appends one line. A line beginning "  ! Error" counts as an error line.
    void line(std::string_view text);
    void emptyLine() { line({}); }

    /// Writes out what has gathered, so that the report on disk is complete up to here.
    void flush();

    /// True once an error line has been written.
    [[nodiscard]] bool hasErrors() const { return m_hasErrors; }

    /// Lines beginning "  ! Error", and the other "  ! " lines (warnings and notes), so far.
    [[nodiscard]] std::size_t errorLines() const { return m_errorLines; }
    [[nodiscard]] std::size_t warningLines() const { return m_warningLines; }

    /// True once writing the report has failed (a full disk); the lines after are lost.
    [[nodiscard]] bool failed() const { return m_file.failed(); }

    /// Writes out and closes the report. Throws std::system_error when it cannot be written.
    void close();

    [[nodiscard]] const std::filesystem::path& path() const { return m_path; }

private:
    static constexpr std::size_t kWriteOutSize = 64 * 1024;
    std::filesystem::path m_path;
    OutputFile m_file;
    bool m_hasErrors = false;
    std::size_t m_errorLines = 0;
    std::size_t m_warningLines = 0;
};

/// The date and time a report's header shows for a run started now, in the user's local form.
std::string reportTimestamp();

} // namespace mervalon::engine
