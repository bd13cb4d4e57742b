#pragma once
// Finding the layout of a delimited point file from its first lines: the separator, the decimal
// mark, quoting, the lines before the points, and which column holds which value. A header line
// names the columns (in English, German, French or Spanish); without one, the values tell: a
// running integer or a label is the number, two columns of large coordinates are East and North,
// a smaller-valued one the elevation, text the description and code.

#include "core/formats/FormatDefinition.h"
#include "core/formats/TextDialect.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace mervalon::formats {

/// Lines of a file detectLayoutOfFile looks at.
inline constexpr std::size_t kDetectionLines = 400;

struct DetectedLayout {
    bool found = false;     ///< false when no layout of points was recognised (see notes)
    char separator = 0;     ///< ',', ';', '\t', ' ' or '|'
    TextDialect dialect;    ///< decimal mark, quoting, empty fields, header line
    int linesBefore = 0;    ///< lines before the header (or before the points without one)
    int headerLine = 0;     ///< the header's line number (from 1), 0 without a header
    std::string headerText; ///< the header line as read
    int firstPointLine = 0; ///< the line number of the first point line
    int columnCount = 0;    ///< fields of a point line
    /// Columns (from 1; 0 when the file has none) of each value, in kPointValues order:
    /// number, East (X), North (Y), elevation (Z), description, code.
    std::array<int, 6> columns{};
    bool byHeader = false;           ///< the columns were named by the header line
    bool eastNorthUncertain = false; ///< East and North could not be told apart: PENZ order taken
    int confidence = 0;              ///< how sure the detection is, 0 to 100
    int linesExamined = 0;           ///< lines looked at
    int pointLines = 0;              ///< of them, lines that read as points
    std::vector<std::string> notes;  ///< what the user should know: guesses, doubts, why nothing was found

    [[nodiscard]] int column(PointValue value) const { return columns[static_cast<std::size_t>(value)]; }
};

/// Detects the layout of the lines of `text` (the beginning of a file; its last line may be cut).
DetectedLayout detectLayout(std::string_view text);

/// Reads the first kDetectionLines lines of the file (at most 1 MiB) and detects their layout.
/// Throws io::FileError when the file cannot be read.
DetectedLayout detectLayoutOfFile(const std::filesystem::path& path);

/// The format and dialect the layout describes, starting from `base` (whose name, description,
/// polyline codes and other settings are kept; prefixes are cleared).
struct DetectedFormat {
    FormatDefinition format;
    TextDialect dialect;
};
DetectedFormat formatOfLayout(const DetectedLayout& layout, FormatDefinition base);

/// The name of a separator for people: "comma (,)", "tab", ...
std::string separatorName(char separator);

/// The name of each value's role as the detection reports it: "number", "East", ...
const char* roleName(PointValue value);

/// "high", "medium" or "low" for a confidence.
const char* confidenceWord(int confidence);

} // namespace mervalon::formats
