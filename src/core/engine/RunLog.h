#pragma once
// The run report: a text file written line by line, every line ended by CR LF.

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

    /// True once an error line has been written.
    [[nodiscard]] bool hasErrors() const { return m_hasErrors; }

    /// Writes out and closes the report. Throws std::system_error when it cannot be written.
    void close();

private:
    std::filesystem::path m_path;
    OutputFile m_file;
    bool m_hasErrors = false;
};

/// The date and time a report's header shows for a run started now, in the user's local form.
std::string reportTimestamp();

} // namespace mervalon::engine
