#pragma once
// The character encoding of a text point file. Drawings declare Windows-1252 (ANSI_1252), and
// point files have always been read byte for byte as such. A file written as UTF-8 (with a
// byte-order mark, or holding multi-byte sequences and nothing that is not UTF-8) is read as
// UTF-8 and its texts are turned into Windows-1252, a character that Windows-1252 lacks written
// as the escape \U+XXXX that CAD programs show as the character; every other file stays byte
// for byte.

#include <cstddef>
#include <filesystem>
#include <functional>
#include <span>
#include <string>

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

/// Turns the UTF-8 text into the drawing's text and points `text` at the result: a character
/// that Windows-1252 has becomes its byte, any other one the escape "\U+XXXX" (four upper-case
/// hexadecimal digits; a character beyond U+FFFF as its UTF-16 surrogate pair, two escapes).
/// A byte that is no UTF-8, and a C1 control character (U+0080..U+009F, which no font shows),
/// become '?'; returns how many. The result is written over `text` when it is no longer, or
/// else into `room`, which `text` then points into.
std::size_t utf8ToDrawingText(std::span<char>& text, std::string& room);

/// Appends the escape "\U+XXXX" of the UTF-16 code unit `unit`.
void appendUnicodeEscape(std::string& out, char16_t unit);

/// The character of a Windows-1252 byte of 0x80 or more (U+FFFD for 81, 8D, 8F, 90 and 9D,
/// which the code page leaves unassigned).
char32_t windows1252Character(unsigned char byte);

} // namespace mervalon::engine
