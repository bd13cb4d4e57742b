#pragma once
// A write-only file with one large buffer: the drawing is produced as many small pieces,
// and a system call per piece would dominate the conversion. A full buffer is written on a
// thread of its own while the next one is filled (see BackgroundWriter.h); a failed write is
// learnt when the caller next settles, hands over a buffer, flushes or closes.
//
// A file opened with Placement::Beside is written under a temporary name in the same folder
// and renamed over its final name only when close() succeeds: readers (and a second run making
// the same file) see the older file or the complete new one, never a mixture or a torso.

#include "core/engine/BackgroundWriter.h"

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace mervalon::engine {

class OutputFile {
public:
    enum class Placement {
        InPlace, ///< create or truncate the file itself (the report, which is read while it grows)
        Beside,  ///< write beside it and rename over it on close (drawings)
    };

    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    /// Creates the file (or, Beside, its temporary sibling). False (with errorNumber set) when
    /// it cannot be created. A destination that exists but is no regular file (a device such as
    /// /dev/null) is always written in place, since it cannot be renamed over.
    bool open(const std::filesystem::path& path, Placement placement = Placement::InPlace);

    /// The buffer that callers append to; it is written out when it grows past the threshold.
    std::string& buffer() { return m_buffer; }

    /// Whether full buffers are written on a thread of their own (the default) or at once, in
    /// the caller's thread. The file's bytes and the failures seen through settle(), failed()
    /// and failedMark() are the same either way; the plain way is the yardstick.
    void setWritesInBackground(bool inBackground) { m_inBackground = inBackground; }

    /// Hands the buffer over to be written in the background when it is large enough. Cheap
    /// to call after every entity.
    void flushIfFull()
    {
        if (m_buffer.size() >= kThreshold) {
            handOver();
        }
    }

    /// Writes out everything buffered, and waits for it. False once any write has failed.
    bool flush();

    /// Waits for the write in the background, so that failed() tells about everything handed
    /// over so far.
    void settle();

    /// A number of the caller's (the line being converted) that goes with what is appended from
    /// now on. When a write fails, failedMark() is the mark that went with the buffer that failed:
    /// the caller can say how far it got as if each write had been made when it was handed over.
    void setMark(std::size_t mark) { m_mark = mark; }
    [[nodiscard]] std::size_t failedMark() const { return m_failedMark; }

    /// Flushes and closes; a file written beside is synced and renamed over its final name.
    /// False when any write, the sync, the close or the rename failed: the temporary file is then
    /// removed and the older file of the final name is left as it was.
    bool close();

    /// Closes without completing: a file written beside is removed, the final name untouched.
    void discard();

    [[nodiscard]] bool isOpen() const { return m_fd >= 0; }
    [[nodiscard]] bool failed() const { return m_errorNumber != 0; }
    [[nodiscard]] int errorNumber() const { return m_errorNumber; }

    /// The temporary name used beside `path` by this process; its pattern (".<name>.<pid>-<n>.part")
    /// lets tests and users recognise files left by a process that was killed.
    static std::filesystem::path temporaryNameFor(const std::filesystem::path& path, unsigned serial);

private:
    void handOver();
    void writeNow();
    void stopBackground();
    void recordError(int error, std::size_t mark);
    void closeDescriptor();
    void removeTemporary();

    static constexpr std::size_t kThreshold = 1 << 20;
    int m_fd = -1;
    std::filesystem::path m_final;
    std::filesystem::path m_temporary; // empty when written in place
    std::string m_buffer;
    int m_errorNumber = 0;
    std::unique_ptr<BackgroundWriter> m_background; // started at the first full buffer
    bool m_inBackground = true;
    std::size_t m_mark = 0;
    std::size_t m_backgroundMark = 0; // the mark of the buffer being written in the background
    std::size_t m_failedMark = 0;
};

} // namespace mervalon::engine
