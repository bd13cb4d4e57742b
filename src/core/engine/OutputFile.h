#pragma once
// A write-only file with one large buffer: the drawing is produced as many small pieces,
// and a system call per piece would dominate the conversion.
//
// A file opened with Placement::Beside is written under a temporary name in the same folder
// and renamed over its final name only when close() succeeds: readers (and a second run making
// the same file) see the older file or the complete new one, never a mixture or a torso.

#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
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

    /// Appends to the buffer; it is written out by flushIfFull once it is large enough.
    void append(std::string_view text)
    {
        if (text.empty()) {
            return; // an empty view may have no data at all, and memcpy must not see it
        }
        char* end = reserve(text.size());
        std::memcpy(end, text.data(), text.size());
        m_length += text.size();
    }

    /// Room for `bytes` more at the end of the buffer: the caller writes there and then says
    /// with commit() where it stopped. Writing a whole entity this way costs one check of
    /// the room instead of one per piece.
    char* reserve(std::size_t bytes)
    {
        if (m_storage.size() - m_length < bytes) {
            grow(bytes);
        }
        return m_storage.data() + m_length;
    }
    void commit(const char* end) { m_length = static_cast<std::size_t>(end - m_storage.data()); }

    /// Keeps everything appended in the buffer until close(), for a file whose beginning is
    /// completed once its end is known (replaceHeld). Called after open(), before any append.
    void holdUntilClose() { m_holding = true; }

    /// Makes this a buffer in memory only, never written anywhere: for bytes formatted ahead on
    /// another thread and appended to the real file later (held, clearHeld).
    void holdInMemory() { m_holding = true; }

    /// What a buffer in memory holds, and where a place within the room reserve() gave lies in it.
    [[nodiscard]] std::string_view held() const { return {m_storage.data(), m_length}; }
    [[nodiscard]] std::size_t offsetOf(const char* place) const
    {
        return static_cast<std::size_t>(place - m_storage.data());
    }
    void clearHeld() { m_length = 0; }

    /// Replaces the `length` bytes at `offset` of a file held whole by `text`.
    void replaceHeld(std::size_t offset, std::size_t length, std::string_view text);

    /// Bytes waiting to be written.
    [[nodiscard]] std::size_t buffered() const { return m_length; }

    /// Where the next byte appended will be in the file: everything written out and buffered.
    [[nodiscard]] std::uint64_t position() const { return m_flushed + m_length; }

    /// Writes `bytes` over what was appended at `offset` (a position() of earlier), in the
    /// buffer or in the file: a value known only at the end (the drawing's extents) can have
    /// its room kept at the start. A file that cannot be written at a place of its choosing (a
    /// pipe) keeps what was appended there; false only when a write failed.
    bool overwrite(std::uint64_t offset, std::string_view bytes);

    /// True when appending `bytes` more could make flushIfFull write the buffer out.
    [[nodiscard]] bool mayFlushWithin(std::size_t bytes) const { return !m_holding && m_length + bytes >= kThreshold; }

    /// Writes the buffer out when it is large enough. Cheap to call after every entity.
    void flushIfFull()
    {
        if (m_length >= kThreshold && !m_holding) {
            flush();
        }
    }

    /// Writes out everything buffered. False once any write has failed.
    bool flush();

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

    /// Removes from `folder` the temporary files that writers killed before they finished (or
    /// that could not remove their own, in a folder that had become read-only) left behind.
    /// A writer holds a lock on its temporary file as long as it lives, also across machines
    /// sharing the folder, so only files nobody writes any more are taken; a file younger than
    /// `minimumAge` is left alone, since its writer may not have locked it yet. Returns how many
    /// were removed; a folder that cannot be read is no error.
    static std::size_t removeLeftovers(const std::filesystem::path& folder,
                                       std::chrono::seconds minimumAge = std::chrono::seconds(10));

  private:
    void grow(std::size_t bytes);
    void recordError(int error);
    void closeDescriptor();
    void removeTemporary();

    static constexpr std::size_t kThreshold = 1 << 20;
    int m_fd = -1;
    std::filesystem::path m_final;
    std::filesystem::path m_temporary; // empty when written in place
    bool m_holding = false;            // holdUntilClose(): nothing is written out before close()
    // The buffer: the first m_length bytes of m_storage. The storage's bytes are initialised
    // once, when it grows, so that reserve() can hand out room without writing to it first.
    std::string m_storage;
    std::size_t m_length = 0;
    std::uint64_t m_flushed = 0; // bytes written out since the file was opened
    bool m_seekable = false;     // a regular file, written at any place by overwrite()
    int m_errorNumber = 0;
};

} // namespace mervalon::engine
