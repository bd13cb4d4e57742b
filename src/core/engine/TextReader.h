#pragma once
// Reading a delimited text file into the fields of its lines.

#include "core/engine/FieldList.h"
#include "core/engine/FieldRows.h"
#include "core/engine/RowSource.h"
#include "core/formats/TextDialect.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

namespace mervalon::engine {

/// The longest line read, in bytes. A point line holds a few dozen characters and a long
/// description some hundreds; a longer line (a file without line breaks, a binary file taken for
/// text) is no point line. It is delivered as a row of its own (FieldRow::overlongLength) and
/// read past without being held, so that memory stays bounded whatever the file holds.
inline constexpr std::size_t kMaxLineLength = std::size_t{1} << 20;

/// How the lines of a format with a dialect are cut (see formats::TextDialect). The default cuts
/// them exactly as a plain format always has.
struct LineDialect {
    formats::TextDialect dialect;
    /// The columns (from 1) whose numbers may carry a decimal comma: those of X, Y and Z. Only
    /// these are read with it, so that a description such as "3,5 m" keeps its comma.
    std::vector<int> decimalColumns;
};

/// The LineDialect of a format: its dialect, and its coordinate columns for the decimal comma.
LineDialect lineDialectOf(const formats::FormatDefinition& format, const formats::TextDialect& dialect);

/// What reading a text file found out about it, for its block of the report.
struct TextFileNotes {
    bool utf8 = false;        ///< read as UTF-8
    std::size_t replaced = 0; ///< characters that could not be kept, written as '?' (see utf8ToDrawingText)
};

/// Reads the file from line `firstLine` (0 and 1 keep every line) to its end, or to a Ctrl+Z
/// standing where a line would begin. Line breaks are LF, CR LF, or a lone CR (files from old
/// Macintosh software), so that no two lines are ever glued together. Each line is trimmed of
/// characters with codes up to 32; a line with nothing left is the placeholder "Empty"; inside a
/// line, tabs (unless they are the separator) and other control characters become blanks.
/// A file in UTF-8 (see TextEncoding.h) is read as such and its texts turned into Windows-1252,
/// with escapes for the characters it lacks; `notes` learns so, and how many characters became '?'. A UTF-16 file is
/// refused. Throws std::system_error with a message naming the file when it cannot be opened or read, and
/// std::runtime_error for a file that is no regular file or is UTF-16. `stopRequested`, when given, is asked every few
/// thousand lines; once it says yes, reading ends there (the caller sees the stop itself before converting anything).
FieldRows readTextLines(const std::filesystem::path& path, std::string_view separator, int firstLine,
                        TextFileNotes* notes = nullptr, const std::function<bool()>& stopRequested = {});

/// What a look through the whole file found before its lines are converted.
struct TextFileSurvey {
    std::size_t lines = 0;    ///< lines the reader will deliver
    std::size_t replaced = 0; ///< characters that will become '?' (UTF-8 files; see utf8ToDrawingText)
    bool stopped = false;     ///< the look was cut short by a stop request; the figures are partial
};

/// Reads a text file's lines as readTextLines does, a batch at a time: a conversion holds one
/// batch, never the whole file.
class TextLineReader : public RowSource {
  public:
    /// Opens the file and skips the lines before `firstLine`. Throws as readTextLines does.
    /// `stopRequested`, when given, is asked for every megabyte read, also within a line and
    /// while the encoding is looked for; once it says yes, reading ends there and interrupted()
    /// says so.
    TextLineReader(const std::filesystem::path& path, std::string_view separator, int firstLine,
                   std::function<bool()> stopRequested = {});
    /// The same for a format with a dialect: a header line is skipped after the `firstLine`
    /// skip, and the fields are cut and their decimal commas read as `dialect` says.
    TextLineReader(const std::filesystem::path& path, std::string_view separator, int firstLine,
                   const LineDialect& dialect, std::function<bool()> stopRequested = {});
    ~TextLineReader() override;
    TextLineReader(const TextLineReader&) = delete;
    TextLineReader& operator=(const TextLineReader&) = delete;

    /// Reads the file through once more without keeping anything, for what the report and
    /// the progress must know before the first line is converted. `stopRequested`, when
    /// given, is asked every few thousand lines. lineCount() is the survey's count.
    TextFileSurvey survey(const std::function<bool()>& stopRequested = {});

    /// Appends up to `maxLines` further lines to `rows`, ending the batch early once it holds
    /// `maxBytes` of text (a batch has at least one line). False when no line was left.
    bool readBatch(FieldRows& rows, std::size_t maxLines, std::size_t maxBytes);

    /// What reading found out so far; `replaced` counts the lines read.
    [[nodiscard]] TextFileNotes notes() const;

    [[nodiscard]] std::size_t lineCount() const override;
    const FieldRows* nextBatch() override;
    [[nodiscard]] bool canFillBatches() const override { return true; }
    bool fillBatch(FieldRows& rows, std::size_t maxLines) override;
    [[nodiscard]] bool exhausted() override;
    [[nodiscard]] bool interrupted() const override;
    /// Compares the file's size and time of change with those it had when the reader was made.
    [[nodiscard]] std::optional<std::string> changedWhileRead() const override;

  private:
    struct State;
    std::unique_ptr<State> m_state;
};

/// readTextLines for a format with a dialect.
FieldRows readTextLines(const std::filesystem::path& path, std::string_view separator, int firstLine,
                        const LineDialect& dialect);

/// Cuts the line at every occurrence of the separator (a text of 0 or 1 character; empty means
/// the whole line is one field), trims each piece of characters up to code 32 and drops the
/// empty pieces.
FieldList splitLine(std::string_view line, std::string_view separator);

} // namespace mervalon::engine
