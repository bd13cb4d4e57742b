#pragma once
// Conversions between the workbook's character encodings and the program's texts, which are
// 8-bit Windows-1252 throughout. Characters that Windows-1252 lacks become '?'.

#include "core/spreadsheet/ByteOrder.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace mervalon::spreadsheet {

class CharacterEscapes;

/// Appends the Windows-1252 character for one UTF-16 code unit ('?' when there is none; a
/// surrogate unit also gives '?', so a character outside the BMP becomes "??"); with `escapes`,
/// a character Windows-1252 lacks is kept as its escape instead (see CharacterEscapes).
void appendUtf16Unit(std::string& out, std::uint16_t unit, CharacterEscapes* escapes = nullptr);

/// Given to a reader, its cell texts keep the characters Windows-1252 lacks as the escape
/// "\U+XXXX" (four upper-case hexadecimal digits; a character beyond U+FFFF as its two
/// surrogates), as the texts of a UTF-8 point file are; a C1 control character (U+0080 to
/// U+009F) still becomes '?', and is counted here. Only cell texts take it: sheet names stay
/// plain, as a format names a sheet in Windows-1252. One reading at a time may use one.
class CharacterEscapes {
  public:
    /// Characters written as '?' by the readings given this one.
    [[nodiscard]] std::size_t replaced() const { return m_replaced; }
    void countReplaced() { ++m_replaced; }

  private:
    std::size_t m_replaced = 0;
};

/// The UTF-16 code unit of one Windows-1252 character (the five unassigned bytes map to the
/// C1 controls of the same value, as Windows does).
std::uint16_t windows1252ToUtf16(std::uint8_t byte);

/// The 8-bit encoding of a BIFF5/BIFF7 workbook, named by its CODEPAGE record value.
class CodePage {
  public:
    /// Values 1252, 32769, 1200, 0 (missing) and unknown code pages read as Windows-1252;
    /// 367 as ASCII; others (1250..1258, 874, 932.., 437, 850.., 10000/32768 Mac Roman) go
    /// through the C library's iconv.
    explicit CodePage(std::uint16_t id = 1252);

    /// Workbook bytes → program text; with `escapes`, see CharacterEscapes.
    std::string decode(ByteView bytes, CharacterEscapes* escapes = nullptr) const;
    /// Program text → workbook bytes; characters the code page lacks become '?'.
    Bytes encode(const std::string& text) const;

    std::uint16_t id() const { return m_id; }

  private:
    enum class Kind { Windows1252, Ascii, Iconv };
    std::uint16_t m_id;
    Kind m_kind;
    std::string m_iconvName;
};

} // namespace mervalon::spreadsheet
