#pragma once
// The run report: a text file written line by line, every line ended by CR LF.
//
// The report is read while a run goes on and after a run that was stopped, so what is on disk
// must be complete up to the point reached: it is written out after every file's block (the
// run calls flush), never once per line. Runs side by side share the report (see
// SharedReportFile): a block is appended whole, and a block too long to be held in memory is
// written out as it grows while the report is held for it alone.
//
// A section (the default constructor) gathers a block in memory instead, for a file converted
// on a job of its own; the run appends it to the report in the files' order.

#include "core/engine/SharedReportFile.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace mervalon::engine {

class RunLog {
  public:
    /// Creates (empties) the report, or joins the runs writing to it (see SharedReportFile).
    /// Throws std::system_error naming the file on failure.
    explicit RunLog(const std::filesystem::path& path);
    /// A section held in memory.
    RunLog();
    ~RunLog();
    RunLog(const RunLog&) = delete;
    RunLog& operator=(const RunLog&) = delete;

    /// Appends one line. A line beginning "  ! Error" counts as an error line.
    void line(std::string_view text);
    void emptyLine() { line({}); }

    /// Writes out what has gathered, so that the report on disk is complete up to here: the end
    /// of a block. A section keeps its lines.
    void flush();

    /// Adds a section's lines (and its error and warning lines) here, and empties the section;
    /// flush() then writes them out as one block.
    void appendSection(RunLog& section);

    /// Where the lines stand, for taking back the lines added after it (see takeBack).
    struct Mark {
        std::size_t held = 0;
        std::uint64_t writtenOut = 0;
        std::size_t errorLines = 0;
        std::size_t warningLines = 0;
        std::size_t collected = 0;
        bool hasErrors = false;
    };
    [[nodiscard]] Mark mark() const;
    /// Forgets the lines added since `mark`, as if they had never been added; false (and nothing
    /// forgotten) when some of them have already been written out.
    bool takeBack(const Mark& mark);

    /// The lines a section holds, as the report would hold them.
    [[nodiscard]] const std::string& sectionText() const { return m_buffer; }

    /// While set, every error line is also added to `lines` (for a file's results).
    void collectErrorLines(std::vector<std::string>* lines) { m_errorSink = lines; }

    /// True once an error line has been written.
    [[nodiscard]] bool hasErrors() const { return m_hasErrors; }

    /// Lines beginning "  ! Error", and the other "  ! " lines (warnings and notes), so far.
    [[nodiscard]] std::size_t errorLines() const { return m_errorLines; }
    [[nodiscard]] std::size_t warningLines() const { return m_warningLines; }

    /// True once writing the report has failed (a full disk); the lines after are lost.
    [[nodiscard]] bool failed() const { return m_file.failed(); }

    /// True when another run was writing to the report as this one started.
    [[nodiscard]] bool joined() const { return m_file.joined(); }

    /// Writes out and closes the report. Throws std::system_error when it cannot be written.
    void close();

    [[nodiscard]] const std::filesystem::path& path() const { return m_path; }

  private:
    void writeOut();

    static constexpr std::size_t kWriteOutSize = 64 * 1024;
    static constexpr std::size_t kHoldSize = 1 << 20;
    std::filesystem::path m_path;
    SharedReportFile m_file;
    std::string m_buffer;           // the lines not yet written out
    std::uint64_t m_writtenOut = 0; // bytes of lines written out
    bool m_inMemory = false;
    std::vector<std::string>* m_errorSink = nullptr;
    bool m_hasErrors = false;
    std::size_t m_errorLines = 0;
    std::size_t m_warningLines = 0;
};

/// The date and time a report's header shows for a run started now, in the user's local form.
std::string reportTimestamp();

} // namespace mervalon::engine
