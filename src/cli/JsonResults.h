#pragma once
// --json: one JSON object a line on stdout, one per file as it ends and one for the run.
//
// The field names are part of the command's interface (the manual lists them): new fields may
// be added, none is renamed or removed. Names and report lines are written as UTF-8; a byte
// that is not part of valid UTF-8 (a file name in another encoding) is written as the escape
// \udcXX, XX its value, so that such a name can still be told apart and decoded (Python's
// json.loads and os.fsencode give back the very bytes).

#include "core/engine/BatchRun.h"

#include <string>
#include <string_view>

namespace mervalon::cli {

/// `text` as a JSON string, with its quotes.
std::string jsonString(std::string_view text);

/// The object of one file: {"type":"file","index":...,"file":...,"drawing":...,"status":...,...}.
/// A dry run's file that would be converted has the status "checked".
std::string fileJson(const engine::FileResult& result, const engine::RunFile& file, bool dryRun);

/// What the run's object says.
struct RunJson {
    std::size_t files = 0; ///< files given
    std::size_t converted = 0;
    std::size_t skipped = 0;
    std::size_t aborted = 0;
    std::size_t failed = 0;
    std::size_t filesWithErrors = 0;
    std::size_t errorLines = 0;
    std::size_t warningLines = 0;
    bool stopped = false;
    bool dryRun = false;
    unsigned jobs = 1;
    std::string report;
    int exitStatus = 0;
    std::string message; ///< why the run did not start or ended early; empty otherwise
    double seconds = 0;
};

/// The run's object: {"type":"run",...}, the last line.
std::string runJson(const RunJson& run);

} // namespace mervalon::cli
