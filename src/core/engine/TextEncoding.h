#pragma once
// The character encoding of a text point file. Drawings declare Windows-1252 (ANSI_1252), and
// point files have always been read byte for byte as such. A file written as UTF-8 (with a
// byte-order mark, or holding multi-byte sequences and nothing that is not UTF-8) is read as
// UTF-8 and its texts are turned into Windows-1252; every other file stays byte for byte.

#include <cstddef>
#include <filesystem>
#include <functional>
#include <span>

namespace mervalon::engine {

enum class TextEncoding {
    Windows1252,  ///< read byte for byte, as always
    Utf8,         ///< valid UTF-8 with at least one multi-byte sequence
    Utf8WithMark, ///< starts with the UTF-8 byte-order mark EF BB BF
    Utf16,        ///< starts with FF FE or FE FF
};

/// Looks at the whole file (stopping at the first byte that is not UTF-8). Throws
/// std::system_error naming the file when it cannot be read. `stopRequested`, when given, is
/// asked for every megabyte; once it says yes, the look ends there with what it has found so
/// far, and `stopped` (when given) is set.
TextEncoding detectTextEncoding(const std::filesystem::path& path, const std::function<bool()>& stopRequested = {},
                                bool* stopped = nullptr);

/// Turns the UTF-8 text into Windows-1252 in place and shortens `text` to the result. A
/// character that Windows-1252 lacks, or a byte that is no UTF-8, becomes '?'; returns how many.
std::size_t utf8ToWindows1252(std::span<char>& text);

} // namespace mervalon::engine
