#pragma once
// Replacing a file the user owns (a configuration, a format, a list, an edited point file) so
// that no failure and no crash ever leaves it damaged: the new content is written to a file
// beside it, flushed to the disk, and renamed over it.

#include <filesystem>
#include <string>
#include <string_view>

namespace mervalon::io {

/// What replaceFile says of a file the user has write-protected.
inline constexpr const char* kWriteProtected =
    "It is write-protected (read-only); remove the protection to save it, or save it under another name.";

/// Writes all `size` bytes to the open file `fd`, going on after signals. Returns 0, or the
/// system's error number of the write that failed.
int writeAll(int fd, const void* data, std::size_t size);

/// Flushes a folder's entries to the disk, so that a file renamed or made in it stays there
/// after a crash. A failure loses nothing that was not already at risk, so it is ignored.
void syncFolder(const std::filesystem::path& folder);

/// True when the file exists and is write-protected: no write permission for this user, or
/// none for anybody (a read-only file stays read-only even for the administrator, as it does
/// in the user's own editor).
bool isWriteProtected(const std::filesystem::path& path);

/// Writes `size` bytes to a new file in the same folder (with the old file's permissions, or
/// 0644 for a new one), flushes it, renames it over `path` and flushes the folder. The file
/// beside is created exclusively under a fresh name, so that nothing planted in the folder (a
/// symbolic link to another file) is ever written through. On failure the new file is removed,
/// `path` is left as it was, and FileError ("Cannot save file ...") tells why; a write-protected
/// `path` is refused the same way. A symbolic link stays a link: the file it points to is replaced.
void replaceFile(const std::filesystem::path& path, const void* data, std::size_t size);

/// rename() that fails with EEXIST instead of replacing `to`. Where the file system cannot
/// rename that way, a hard link (which never replaces) and the removal of `from` do it. Returns
/// 0, or the system's error number.
int renameWithoutReplacing(const std::filesystem::path& from, const std::filesystem::path& to);

/// replaceFile in two steps, for files that must change together: the constructor writes and
/// flushes the new content beside `path` (throwing FileError as replaceFile does, with `path`
/// unchanged), commit() renames it over `path`. Uncommitted, the file beside is removed.
class StagedFile {
  public:
    StagedFile(const std::filesystem::path& path, const void* data, std::size_t size);
    ~StagedFile();
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    /// Puts the new content in place. Throws FileError ("Cannot save file ...") when the rename
    /// fails; `path` then stays as it was.
    void commit();

  private:
    std::filesystem::path m_path;      // the file replaced (a link's target)
    std::filesystem::path m_temporary; // the new content, beside it
    std::filesystem::path m_folder;
    bool m_committed = false;
};

inline void replaceFile(const std::filesystem::path& path, std::string_view text)
{
    replaceFile(path, text.data(), text.size());
}

} // namespace mervalon::io
