#pragma once
// Replacing a file the user owns (a configuration, a format, a list, an edited point file) so
// that no failure and no crash ever leaves it damaged: the new content is written to a file
// beside it, flushed to the disk, and renamed over it.

#include <filesystem>
#include <string_view>

namespace mervalon::io {

/// Writes `size` bytes to a new file in the same folder (with the old file's permissions, or
/// 0644 for a new one), flushes it, renames it over `path` and flushes the folder. On failure the
/// new file is removed, `path` is left as it was, and FileError ("Cannot save file ...") tells why.
/// A symbolic link stays a link: the file it points to is replaced.
void replaceFile(const std::filesystem::path& path, const void* data, std::size_t size);

inline void replaceFile(const std::filesystem::path& path, std::string_view text)
{
    replaceFile(path, text.data(), text.size());
}

} // namespace mervalon::io
