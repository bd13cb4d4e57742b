#pragma once
// Converts the lines of one coordinate file into one DXF drawing: takes and checks the
// values the format defines, applies the data modifiers, reports errors and warnings per
// line, applies the error policy, and writes the point, polyline steps and texts.

#include "core/config/Configuration.h"
#include "core/engine/ErrorPolicy.h"
#include "core/engine/FieldRows.h"
#include "core/engine/RowSource.h"
#include "core/formats/FormatDefinition.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace mervalon::codes {
struct CodeSet;
}

namespace mervalon::engine {

class RunLog;
class ProgressSink;

struct ConversionResult {
    enum class Outcome {
        Completed,      ///< every line handled
        FileAborted,    ///< a line error under AbortFile
        ProcessAborted, ///< a line error, or an uncreatable destination, under AbortProcess
        NotCreated,     ///< the destination could not be created (other policies)
        Stopped,        ///< the user's stop request was seen
        WriteFailed,    ///< writing the drawing failed part-way (disk full); reported, nothing replaced
        ReadFailed,     ///< the lines could not be read to the end (readError says why); nothing replaced
    };
    Outcome outcome = Outcome::Completed;
    bool destinationNotCreated = false;
    int destinationError = 0; ///< the system's error number when the destination was not created
    bool errorsLogged = false;
    std::string readError;  ///< ReadFailed: the reason, for the report
    std::size_t lines = 0;  ///< lines handled, as the report's "lines processed" line counts them
    std::size_t points = 0; ///< entities written to the drawing
    std::size_t texts = 0;
    std::size_t polylines = 0;
};

/// Everything one conversion needs besides the lines; fixed for a whole run.
struct ConversionSettings {
    const config::Configuration& configuration;
    const formats::FormatDefinition& format;
    ErrorPolicy errorPolicy;
    std::string_view prologue;   ///< content of dxf.dat
    bool dryRun = false;         ///< check every line, write no drawing; the report says what would be made
    bool escapeNonAscii = false; ///< every non-ASCII character of a text as its escape (see DxfWriter)
    /// A code library: points go to their codes' layers and symbols, and lines are strung by
    /// code instead of by the polyline code column. None: the drawing is made as without one.
    const codes::CodeSet* codes = nullptr;
    /// Threads formatting the entities of later lines while the drawing is written (0: none, the
    /// lines are formatted as they are written). The drawing and the report are the same either
    /// way. Used for a text file without a code library; the progress and the stop request are
    /// still asked for line by line on the calling thread.
    unsigned formattingThreads = 0;
    /// Lines a formatting thread takes at a time.
    std::size_t linesAhead = 1024;
};

/// The formatting threads worth having on this machine: one per core but the writing thread's,
/// so none on a single core.
unsigned formattingThreadsOfMachine();

/// Converts the lines of `rows` as they come: a file is never held whole.
ConversionResult convertFile(RowSource& rows, const ConversionSettings& settings,
                             const std::filesystem::path& destination, RunLog& log, ProgressSink& progress);

ConversionResult convertFile(const FieldRows& rows, const ConversionSettings& settings,
                             const std::filesystem::path& destination, RunLog& log, ProgressSink& progress);

} // namespace mervalon::engine
