#pragma once
// A code library: the table of feature codes a surveyor keeps beside the points. Each row names
// a code (exact, a prefix pattern "EP*", or the default "*"), the layer and colour its points
// and lines go to, the symbol drawn at its points and whether its points string into a line.
// Rows whose code begins with "!" name the words of the line controls (begin, end, close ...).
//
// The file is a delimited text: UTF-8 with or without a byte order mark, comma or semicolon
// separated as the header line shows, columns in any order; columns the library does not know
// are kept by the user for notes and ignored here.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace mervalon::codes {

enum class LineKind { None, ThreeD, TwoD };

/// The texts a point of the code gets, as bits; 0 in CodeRow::labels means the configuration's.
enum Label : std::uint8_t {
    LabelNumber = 1,
    LabelX = 2,
    LabelY = 4,
    LabelElevation = 8,
    LabelDescription = 16,
};

struct CodeRow {
    std::string code; ///< as written, upper-cased; a pattern keeps its final "*"
    std::string layer;
    std::optional<int> colour; ///< 1..255; none: the configuration's point colour
    std::string symbol;        ///< empty: the configured POINT; "none" (kNoSymbol): no point; else a block name
    LineKind line = LineKind::None;
    std::uint8_t labels = 0;
    std::string description;
    std::size_t lineNumber = 0; ///< the row's line in the file, for messages

    [[nodiscard]] bool isPattern() const { return !code.empty() && code.back() == '*'; }
};

inline constexpr std::string_view kNoSymbol = "NONE";

/// The line controls a code may be followed by.
enum class Control : std::uint8_t { Begin, End, Close, NoJoin, ArcBegin, ArcEnd, Comment };
inline constexpr std::size_t kControlCount = 7;

/// A row of the library that cannot be used: the message names the row's line and the fault.
class CodeLibraryError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

/// A faulty row found by CodeLibrary::check: the line it starts on and what is wrong, in the
/// words CodeLibraryError uses after "line N: ".
struct CodeLibraryFault {
    std::size_t line = 0;
    std::string message;

    bool operator==(const CodeLibraryFault&) const = default;
};

/// Where a code was found in the library.
struct CodeMatch {
    const CodeRow* row = nullptr; ///< null: no row, not even "*"
    bool exact = false;           ///< matched a row of exactly that code
    bool byDefault = false;       ///< matched only the "*" row
};

class CodeLibrary {
  public:
    /// Tells whether a symbol of that (upper-cased) name exists in the symbol library.
    using SymbolExists = std::function<bool(std::string_view name)>;

    /// Reads a library from the file's content. Throws CodeLibraryError naming the line of the
    /// first faulty row: an unknown `line` or `labels` value, a colour outside 1..255, a symbol
    /// that does not exist, a code given twice, a row without code or layer, an unknown control.
    static CodeLibrary read(std::string_view content, const SymbolExists& symbolExists);

    /// Checks a library as read() does, but finds the fault of every row instead of stopping at
    /// the first; empty when read() would take it. A header without the code or layer column
    /// is the one fault then, and a clash of the controls' words is found once.
    static std::vector<CodeLibraryFault> check(std::string_view content, const SymbolExists& symbolExists);

    /// Matches a code, without regard to case: an exact row wins, then the longest pattern that
    /// is a prefix of it, then the "*" row.
    [[nodiscard]] CodeMatch find(std::string_view code) const;

    /// The words of a control (upper-cased); every word is matched without regard to case.
    [[nodiscard]] const std::vector<std::string>& words(Control control) const
    {
        return m_controls[static_cast<std::size_t>(control)];
    }

    /// The control a token is a word of, if any.
    [[nodiscard]] std::optional<Control> controlOf(std::string_view token) const;

    [[nodiscard]] const std::vector<CodeRow>& rows() const { return m_rows; }

    /// The symbols the rows name (upper-cased, each once, in the rows' order).
    [[nodiscard]] std::vector<std::string> symbols() const;

  private:
    std::vector<CodeRow> m_rows;
    std::array<std::vector<std::string>, kControlCount> m_controls;
};

/// Upper-cases ASCII letters; codes and words are matched without regard to case.
std::string upperCased(std::string_view text);

} // namespace mervalon::codes
