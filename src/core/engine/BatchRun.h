#pragma once
// Converts a list of coordinate files into DXF files of one destination folder and writes
// the run report: a header summing up the settings, then one block per file.

#include "core/config/Configuration.h"
#include "core/engine/ErrorPolicy.h"
#include "core/engine/FileConverter.h"
#include "core/formats/FormatDefinition.h"
#include "core/formats/TextDialect.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace mervalon::codes {
struct CodeSet;
}

namespace mervalon::engine {

class ProgressSink;
class FieldRows;

/// Reads the rows of one workbook sheet for the run. Returns false when the sheet does not
/// exist; throws std::exception with a message for the report when the workbook cannot be read.
using SheetRowsReader = std::function<bool(const std::filesystem::path& workbook, int firstLine, int sheetNumber,
                                           const std::string& sheetText, FieldRows& rows)>;

/// One file of a run: where it is read from and where its drawing goes.
struct RunFile {
    std::string source;
    std::string destination;
};

/// The files of a run of `names` (without folder, in list order) from one source folder into
/// one destination folder; each folder gets a final separator when it has none, and each
/// destination is named by destinationName.
std::vector<RunFile> runFilesOf(const std::vector<std::string>& names, std::string sourceFolder,
                                std::string destinationFolder);

/// How one file of a run ended.
enum class FileStatus {
    Converted, ///< its drawing was made (by a dry run: would be made)
    Skipped,   ///< its drawing is newer than it (RunRequest::skipExisting)
    Aborted,   ///< the run was stopped, or ended by its error policy, during this file
    Failed,    ///< no drawing: an unreadable file, a faulty line under AbortFile, a drawing that cannot be made
};

/// What one file of a run came to, as its block in the report says.
struct FileResult {
    std::size_t index = 0; ///< in the run's list, from 0
    FileStatus status = FileStatus::Failed;
    std::size_t lines = 0; ///< lines processed
    std::size_t points = 0;
    std::size_t texts = 0;
    std::size_t polylines = 0;
    std::size_t errorLines = 0;
    std::size_t warningLines = 0;    ///< the other "  ! " lines: warnings and notes
    std::vector<std::string> errors; ///< the error lines as the report holds them
    double seconds = 0;              ///< the time its conversion took
};

struct RunRequest {
    config::Configuration runConfiguration;
    formats::FormatDefinition format;
    formats::TextDialect dialect; ///< how the format's text files are written beyond the record
    std::vector<RunFile> files;
    ErrorPolicy errorPolicy = ErrorPolicy::SkipLine;
    std::filesystem::path installDir; ///< holds dxf.dat
    std::filesystem::path reportPath; ///< normally installDir / "mervalon40.log"
    std::string timestamp;            ///< the date and time shown in the report header
    SheetRowsReader readSheet;        ///< how workbook sheets are read; readWorkbookSheet when empty
    /// Files converted at once, each on a thread of its own (see BatchJobs.h); the report and the
    /// drawings are those of one at a time. AbortProcess always converts one at a time.
    unsigned jobs = 1;
    /// A file converted alone has its lines formatted ahead on this many threads (see
    /// ConversionSettings::formattingThreads); the drawings and the report are the same.
    unsigned formattingThreads = formattingThreadsOfMachine();
    bool skipExisting = false; ///< a file whose drawing is newer than it is not converted, and said so
    bool dryRun = false;       ///< every file is checked and reported, no drawing is written
    /// Every non-ASCII character of the drawings' texts is written as its escape "\U+XXXX",
    /// also those Windows-1252 has (for LibreOffice Draw, which reads those bytes as code page 437).
    bool escapeNonAscii = false;
    /// Draw by the points' codes with this library (see CodedDrawing.h); none: as before.
    std::shared_ptr<const codes::CodeSet> codes;
    /// Told of each file once its block is in the report, in the files' order, on the calling thread.
    std::function<void(const FileResult&)> fileEnded;
};

/// Thrown when the run cannot start at all: the report cannot be created, or the configuration's
/// layers cannot be written (see layerFault). The message is for the user.
class RunNotStarted : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

/// Thrown at the end of a run whose report could not be written completely (a full disk):
/// the drawings were made as reported, but the report on disk lacks lines. The message names
/// the report and the system's reason.
class ReportNotWritten : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

/// Reads a sheet of an XLS workbook (BIFF5 or BIFF8) into `rows`; the reader of every run
/// that does not bring its own. Throws spreadsheet::WorkbookError when the file cannot be read.
bool readWorkbookSheet(const std::filesystem::path& workbook, int firstLine, int sheetNumber,
                       const std::string& sheetText, FieldRows& rows);

/// What a run came to, for a one-line summary.
struct RunSummary {
    std::size_t filesConverted = 0;  ///< drawings created
    std::size_t filesWithErrors = 0; ///< files with an error line in their block
    std::size_t filesSkipped = 0;    ///< files whose drawing was newer (RunRequest::skipExisting)
    std::size_t errorLines = 0;
    std::size_t warningLines = 0; ///< the other "  ! " lines: warnings and notes
    bool stopped = false;         ///< the run ended on a stop request
};

/// Runs the conversion of every file and returns true when any error line was reported.
/// Throws RunNotStarted or ReportNotWritten.
bool runBatch(const RunRequest& request, ProgressSink& progress, RunSummary* summary = nullptr);

/// The destination of a source name: up to and including its first ".", then "dxf".
std::string destinationName(const std::string& sourceName);

/// The sheet number of a format chosen by number, or -1 (by name, or not a number).
int sheetNumberOf(const formats::FormatDefinition& format);

} // namespace mervalon::engine
