#pragma once
// How the text of a delimited point file is written beyond its separator and columns: the
// decimal mark, quoted fields, blanks around fields, empty fields, a header line. The format
// record (632 bytes, read by every version) has no room for these, so they are kept in a small
// text file beside it, "<name>.dialect": older versions list only *.rpf and never see it, and a
// format without one reads exactly as it always did.

#include "core/formats/FormatDefinition.h"

#include <filesystem>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace mervalon::formats {

enum class DecimalMark { Point, Comma };

struct TextDialect {
    DecimalMark decimalMark = DecimalMark::Point; ///< Comma: "512340,125" in the coordinate columns
    bool quotedFields = false;                    ///< RFC 4180: "kerb, north side", "" for a quote inside
    bool trimFields = true;                       ///< blanks around each field are dropped
    bool keepEmptyFields = false;                 ///< an empty field keeps its column (as spreadsheets write it)
    bool headerLine = false;                      ///< the first line read (after the lines skipped) names the columns

    /// True for the way every format was read before dialects existed.
    [[nodiscard]] bool isDefault() const { return *this == TextDialect{}; }
    /// True when the fields are cut exactly as a plain format cuts them (the header line and
    /// the decimal mark aside).
    [[nodiscard]] bool splitsPlainly() const { return !quotedFields && trimFields && !keepEmptyFields; }

    bool operator==(const TextDialect&) const = default;
};

/// Cuts a line (already trimmed of blanks and line breaks at both ends) into `fields`, views into
/// `line`, as the dialect says; `separator` is 0 when the whole line is one field. A quoted field
/// is unquoted in place (its doubled quotes made single), so `line` changes; a quote left open
/// takes the rest of the line; text after the closing quote is kept with the field. Without
/// keepEmptyFields, empty fields are dropped as a plain format drops them. The caller's plain
/// cutting stays the one for dialects that splitsPlainly().
void splitFields(std::span<char> line, char separator, const TextDialect& dialect,
                 std::vector<std::string_view>& fields);

/// Turns a decimal comma into a point in a field that holds exactly one comma and no point
/// ("512340,125" gives "512340.125"); any other field is left for the number reader to judge.
void commaToPoint(std::span<char> field);

/// The file name suffix of the dialect beside a format.
inline constexpr const char* kDialectSuffix = ".dialect";

/// Thrown for a dialect file that cannot be understood; the message names the file and line.
class NotADialect : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

/// Why a format cannot be saved with this dialect, as a sentence for the user; empty when it can.
/// Comma decimals cannot go with a comma separator (the two could not be told apart), and quoted
/// fields cannot be cut at a quote.
std::string dialectFault(const FormatDefinition& format, const TextDialect& dialect);

/// The dialect as its file holds it: "key=value" lines, with a comment line first.
std::string encodeDialect(const TextDialect& dialect);

/// Reads the text of a dialect file. Blank lines and lines starting with "#" are skipped, and
/// so are unknown keys (written by a later version); a known key with a value it cannot take
/// throws NotADialect naming `source` and the line.
TextDialect decodeDialect(std::string_view text, const std::string& source = "dialect");

/// The dialect file beside the format file `formatFile` ("site.rpf" gives "site.dialect").
std::filesystem::path dialectPathOf(const std::filesystem::path& formatFile);

/// The dialect of the format file `formatFile`: the default when no file lies beside it.
/// Throws io::FileError when it exists but cannot be read, NotADialect when it is faulty.
TextDialect loadDialectOf(const std::filesystem::path& formatFile);

/// Replaces the dialect beside `formatFile` atomically, or removes it for the default dialect
/// (a format without one reads as the default). Throws io::FileError when it cannot be written
/// or removed; the old file then stays.
void saveDialectOf(const std::filesystem::path& formatFile, const TextDialect& dialect);

} // namespace mervalon::formats
