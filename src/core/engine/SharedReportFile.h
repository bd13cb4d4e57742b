#pragma once
// The report file as runs side by side share it.
//
// Every run of the installation writes the same report, and users start several at once
// (`xargs -P`, GNU parallel, the desktop program beside a script). A run that starts while no
// other run writes to the report empties it, as always; a run that starts while another one is
// writing (or that waited to open the report while another wrote it) joins it and adds its
// blocks after the others'. Each block (a file's section) is appended whole under an advisory
// lock, so no line is lost, cut or mixed with another run's.
//
// The locks are open-file-description locks on two bytes far beyond the report's end, so no
// lock file appears beside the report and the report's bytes are what a run alone writes.
// Where the file system has no such locks, the report is written as by a run alone.

#include <filesystem>
#include <string_view>

namespace mervalon::engine {

class SharedReportFile {
  public:
    SharedReportFile() = default;
    ~SharedReportFile();
    SharedReportFile(const SharedReportFile&) = delete;
    SharedReportFile& operator=(const SharedReportFile&) = delete;

    /// Opens the report for appending, creating it when missing, and empties it unless another
    /// run is writing to it. False (errorNumber set) when it cannot be opened.
    bool open(const std::filesystem::path& path);

    /// True when another run was writing to the report as this one opened it.
    [[nodiscard]] bool joined() const { return m_joined; }

    /// Appends `text` at the report's end. Between hold() and release() the report stays this
    /// run's alone, so that a long block written in pieces is still one block; otherwise each
    /// call is one block. False once any write has failed.
    bool append(std::string_view text);
    void hold();
    void release();
    [[nodiscard]] bool holding() const { return m_holding; }

    /// Closes the report. False when closing reports a failure.
    bool close();

    [[nodiscard]] bool isOpen() const { return m_fd >= 0; }
    [[nodiscard]] bool failed() const { return m_errorNumber != 0; }
    [[nodiscard]] int errorNumber() const { return m_errorNumber; }

  private:
    bool lockByte(long long offset, short type, bool wait);
    void recordError(int error);

    int m_fd = -1;
    bool m_locking = false; // the file system takes our locks
    bool m_joined = false;
    bool m_holding = false;
    int m_errorNumber = 0;
};

} // namespace mervalon::engine
