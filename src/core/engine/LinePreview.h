#pragma once
// The first lines of a delimited point file as a conversion would see them: the lines it skips,
// its header line, and for each point line its fields and the report lines the conversion would
// write for it. The lines are read by the conversion's own reader and judged by the conversion
// itself (a dry run of those lines), so the preview can never disagree with a run. Only the
// beginning of the file is read, however long the file or its lines are.

#include "core/config/Configuration.h"
#include "core/formats/FormatDefinition.h"
#include "core/formats/TextDialect.h"

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace mervalon::engine {

/// The bytes of a file's beginning read for each line a preview asks for; a line longer than
/// this that comes before the last line wanted ends the preview there.
inline constexpr std::size_t kPreviewLineBytes = 16 * 1024;
/// The most bytes a preview reads, however many lines are skipped before the points.
inline constexpr std::size_t kPreviewBytes = 16 * 1024 * 1024;

struct PreviewLine {
    enum class Kind {
        Skipped, ///< before the format's first line
        Header,  ///< the header line the dialect skips
        Point,   ///< a line the conversion converts
    };
    Kind kind = Kind::Point;
    std::size_t fileLine = 0; ///< from 1
    /// Point lines: the fields as the conversion reads them (empty for an empty line and for a
    /// line too long to be read). Skipped and header lines: one element, the line as read.
    std::vector<std::string> fields;
    bool empty = false; ///< a line without any field (a line too long to be read has no field either, and is not empty)
    /// Point lines: the report lines the conversion writes for this line, exactly as the report
    /// holds them ("  ! Error in line 3: X coordinate is not a decimal value !").
    std::vector<std::string> messages;
    bool faulty = false; ///< one of the messages is an error: the conversion skips the line
};

struct LinePreview {
    enum class Status {
        Read,       ///< `lines` holds what was read (maybe nothing: an empty file)
        NotText,    ///< a workbook or a file that is no regular file: `problem` says why
        Unreadable, ///< the file cannot be read: `problem` says why
    };
    Status status = Status::Read;
    std::string problem;
    std::vector<PreviewLine> lines;
    /// True when the file holds more than the lines shown (or a line too long for the preview).
    bool more = false;
    /// Set when the preview ends before a line longer than kPreviewLineBytes.
    bool longLineCut = false;
};

/// What a preview reads the file with: the format and dialect, and the data modifiers of the
/// configuration (renumbering and the default elevation change what the report says).
struct PreviewSettings {
    formats::FormatDefinition format;
    formats::TextDialect dialect;
    config::DataModifiers modifiers;
};

/// Reads the beginning of the text point file `path` and converts its lines as a dry run would:
/// at most `totalLines` lines in all, of which at most `pointLines` point lines. Never throws;
/// a file that cannot be read gives a status that says so.
LinePreview previewLines(const std::filesystem::path& path, const PreviewSettings& settings, std::size_t pointLines,
                         std::size_t totalLines);

} // namespace mervalon::engine
