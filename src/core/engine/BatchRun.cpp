#include "core/engine/BatchRun.h"

#include "core/codes/CodeSet.h"
#include "core/config/InstallationLayout.h"
#include "core/engine/BatchJobs.h"
#include "core/engine/DrawingLayers.h"
#include "core/engine/DxfWriter.h"
#include "core/engine/FieldAccess.h"
#include "core/engine/FieldRows.h"
#include "core/engine/FileConverter.h"
#include "core/engine/NumberFormat.h"
#include "core/engine/OutputFile.h"
#include "core/engine/ProgressSink.h"
#include "core/engine/RunLog.h"
#include "core/engine/SheetRowSource.h"
#include "core/engine/TextReader.h"
#include "core/io/FileIo.h"
#include "core/spreadsheet/SheetRows.h"
#include "core/spreadsheet/TextCodec.h"

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstring>
#include <exception>
#include <memory>
#include <system_error>

namespace mervalon::engine {
namespace {

using Outcome = ConversionResult::Outcome;

std::string withFinalSeparator(std::string folder)
{
    if (folder.empty() || folder.back() != std::filesystem::path::preferred_separator) {
        folder += std::filesystem::path::preferred_separator;
    }
    return folder;
}

const char* yesNo(bool value)
{
    return value ? "Yes" : "No";
}

// The report shows offsets and the default elevation with 3 decimals of 14 significant digits.
std::string threeDecimals(double value)
{
    return formatFixedSignificant(value, 3, 14);
}

std::string signedOffset(double offset)
{
    std::string text(1, offset >= 0 ? '+' : '-');
    text += threeDecimals(std::fabs(offset));
    return text;
}

class Run {
  public:
    Run(const RunRequest& request, ProgressSink& progress);
    // A job of a run (see BatchJobs.h): its files' blocks go into sections held in memory.
    Run(const RunRequest& request, ProgressSink& stop, const std::string& prologue, CreatedDrawings& created);
    bool execute();
    [[nodiscard]] RunSummary summary() const;
    // Returns false when the run must end after this file. Its block goes to the report, or
    // to the section of a job.
    bool convertOne(std::size_t index);
    [[nodiscard]] RunLog& log() { return m_log; }
    [[nodiscard]] const FileResult& fileResult() const { return m_file; }

  private:
    void writeHeader();
    bool loadPrologue();
    void convertFiles();
    bool convertBlock(std::size_t index);
    std::optional<bool> refusedDestination(const std::filesystem::path& source,
                                           const std::filesystem::path& destination, const std::string& key);
    bool takeResult(const ConversionResult& result, const std::filesystem::path& destination, const std::string& key);
    bool skipUpToDate(const std::filesystem::path& source, const std::filesystem::path& destination);
    std::unique_ptr<RowSource> openLines(const std::filesystem::path& source, FieldRows& sheetRows,
                                         std::size_t& replaced, bool held = false);
    void fileError(const std::string& text);
    bool readFailure(const std::string& reason);
    std::string destinationFailure(const std::filesystem::path& destination, int error) const;
    void removeLeftovers(const std::filesystem::path& folder);

    const RunRequest& m_request;
    ProgressSink& m_progress;
    RunLog m_log;
    std::string m_sheetText;
    int m_sheetNumber = -1;
    std::string m_prologue;
    bool m_errorsOccurred = false;
    CreatedDrawings m_ownDestinations;
    CreatedDrawings& m_createdDestinations;
    std::set<std::filesystem::path> m_cleanedFolders;
    RunSummary m_summary;
    FileResult m_file;                // of the file being converted
    unsigned m_formattingThreads = 0; // a job's files are converted side by side instead
};

RunLog openReport(const std::filesystem::path& path)
{
    try {
        return RunLog(path);
    } catch (const std::system_error& error) {
        throw RunNotStarted(error.what());
    }
}

Run::Run(const RunRequest& request, ProgressSink& progress)
    : m_request(request), m_progress(progress), m_log(openReport(request.reportPath)),
      m_sheetText(request.format.sheet), m_sheetNumber(sheetNumberOf(request.format)),
      m_createdDestinations(m_ownDestinations), m_formattingThreads(request.formattingThreads)
{
}

Run::Run(const RunRequest& request, ProgressSink& stop, const std::string& prologue, CreatedDrawings& created)
    : m_request(request), m_progress(stop), m_sheetText(request.format.sheet),
      m_sheetNumber(sheetNumberOf(request.format)), m_prologue(prologue), m_createdDestinations(created)
{
}

// One job of a run: a Run of its own, writing into sections.
class RunJob : public FileJob {
  public:
    RunJob(const RunRequest& request, ProgressSink& stop, const std::string& prologue, CreatedDrawings& created)
        : m_run(request, stop, prologue, created)
    {
    }
    bool convert(std::size_t index, RunLog& section, FileResult& result) override
    {
        const bool goOn = m_run.convertOne(index);
        section.appendSection(m_run.log());
        result = m_run.fileResult();
        return goOn;
    }

  private:
    Run m_run;
};

void Run::writeHeader()
{
    const formats::FormatDefinition& format = m_request.format;
    const config::DataModifiers& modifiers = m_request.runConfiguration.modifiers;
    const std::string title = "Mervalon Report - " + m_request.timestamp;
    m_log.line(title);
    m_log.line(std::string(title.size(), '-'));
    m_log.emptyLine();
    m_log.line(">> Point file Format : " + format.name + " (" + (format.isExcel != 0 ? "Excel" : "Text") + " format)");
    m_log.line(std::string("    Import Number/Label  : ") + yesNo(format.column(formats::PointValue::Number) > 0));
    m_log.line(std::string("    Import X coordinate  : ") + yesNo(format.column(formats::PointValue::X) > 0));
    m_log.line(std::string("    Import Y coordinate  : ") + yesNo(format.column(formats::PointValue::Y) > 0));
    m_log.line(std::string("    Import Z coordinate  : ") + yesNo(format.column(formats::PointValue::Z) > 0));
    m_log.line(std::string("    Import Description   : ") + yesNo(format.column(formats::PointValue::Description) > 0));
    m_log.line(std::string("    Import Polyline code : ") + yesNo(format.column(formats::PointValue::Code) > 0));
    m_log.emptyLine();
    if (m_request.codes) {
        m_log.line(">> Code library : " + m_request.codes->path.string());
        m_log.emptyLine();
    }
    m_log.line(">> Data modifiers");
    m_log.line(std::string("    Renumber Points    : ") + yesNo(modifiers.renumber != 0));
    m_log.line(std::string("    Modify Coordinates : ") + yesNo(modifiers.modifyCoordinates != 0));
    if (modifiers.modifyCoordinates != 0) {
        m_log.line("       X modifier : " + signedOffset(modifiers.xOffset));
        m_log.line("       Y modifier : " + signedOffset(modifiers.yOffset));
        m_log.line("       Z modifier : " + signedOffset(modifiers.zOffset));
    }
    m_log.emptyLine();
    m_log.line(">> Z coordinate option");
    m_log.line(std::string("    Use a default Z value : ") + yesNo(modifiers.useDefaultZ != 0));
    if (modifiers.useDefaultZ != 0) {
        m_log.line("       Value : " + threeDecimals(modifiers.defaultZ));
    }
    m_log.emptyLine();
    m_log.emptyLine();
}

// Without the prologue no drawing can be made; the run ends with an error line.
bool Run::loadPrologue()
{
    try {
        const std::filesystem::path path = config::layout::prologuePath(m_request.installDir);
        m_prologue = io::readFileText(path);
        if (!DxfWriter::isCompletePrologue(m_prologue)) {
            m_log.line("  ! Error: The drawing prologue \"" + path.string() +
                       "\" is damaged (empty or cut short), so no drawing can be made. The next start of Mervalon "
                       "restores it; a prologue of your own must end with the opening of the LAYER table !");
            m_log.emptyLine();
            m_log.line(">> Process aborted.");
            m_errorsOccurred = true;
            return false;
        }
        return true;
    } catch (const std::system_error& error) {
        m_log.line(std::string("  ! Error: ") + error.what() + " !");
        m_log.emptyLine();
        m_log.line(">> Process aborted.");
        m_errorsOccurred = true;
        return false;
    }
}

void Run::convertFiles()
{
    const unsigned jobs = jobsFor(m_request);
    if (jobs > 1) {
        const JobsOutcome outcome =
            runFilesInJobs(m_request, jobs, m_log, m_progress, [this](ProgressSink& stop) -> std::unique_ptr<FileJob> {
                return std::make_unique<RunJob>(m_request, stop, m_prologue, m_createdDestinations);
            });
        m_summary.filesConverted += outcome.filesConverted;
        m_summary.filesSkipped += outcome.filesSkipped;
        m_summary.filesWithErrors += outcome.filesWithErrors;
        m_summary.stopped = m_summary.stopped || outcome.stopped;
        m_errorsOccurred = m_errorsOccurred || m_log.hasErrors();
        return;
    }
    for (std::size_t i = 0; i < m_request.files.size(); ++i) {
        if (m_progress.isStopRequested()) {
            m_log.emptyLine();
            m_log.line(">> Process aborted.");
            m_summary.stopped = true;
            break;
        }
        const std::size_t errorsBefore = m_log.errorLines();
        const bool goOn = convertOne(i);
        if (m_log.errorLines() > errorsBefore) {
            ++m_summary.filesWithErrors;
        }
        // Whoever reads the report while the run goes on sees every finished file's block.
        m_log.flush();
        if (m_request.fileEnded) {
            m_request.fileEnded(m_file);
        }
        if (!goOn) {
            break;
        }
    }
}

bool Run::execute()
{
    writeHeader();
    if (loadPrologue()) {
        convertFiles();
    }
    try {
        m_log.close();
    } catch (const std::system_error& error) {
        throw ReportNotWritten(error.what());
    }
    return m_errorsOccurred;
}

RunSummary Run::summary() const
{
    RunSummary summary = m_summary;
    summary.errorLines = m_log.errorLines();
    summary.warningLines = m_log.warningLines();
    return summary;
}

void Run::fileError(const std::string& text)
{
    m_log.line(text);
    m_log.emptyLine();
    m_log.emptyLine();
    m_errorsOccurred = true;
}

std::string Run::destinationFailure(const std::filesystem::path& destination, int error) const
{
    std::error_code ec;
    const bool held =
        std::filesystem::exists(destination, ec) && (error == EACCES || error == EBUSY || error == ETXTBSY);
    if (held || error == 0) {
        return "  ! Error: \"" + destination.string() + "\" is already open in another application. !";
    }
    // Any other cause (a missing folder, no permission, a full disk) is named as it is.
    return "  ! Error: \"" + destination.string() + "\" cannot be created: " + std::strerror(error) + " !";
}

// The lines of a point file, ready to be converted. A text file is read while it is converted,
// so that a file of any size costs little memory; it is looked through once first, for the
// progress and the report's note on its encoding. A workbook's sheet is read while it is
// converted as well; one whose rows are stored out of order (`held`, or a request's own sheet
// reader) is read whole into `sheetRows`. Returns nullptr when the sheet does not exist.
std::unique_ptr<RowSource> Run::openLines(const std::filesystem::path& source, FieldRows& sheetRows,
                                          std::size_t& replaced, bool held)
{
    const formats::FormatDefinition& format = m_request.format;
    if (format.isExcel != 0) {
        if (!held && !m_request.readSheet) {
            try {
                auto sheet = std::make_unique<SheetRowSource>(source, format.firstLine, m_sheetNumber, m_sheetText);
                if (sheet->sheetMissing()) {
                    return nullptr;
                }
                return sheet;
            } catch (const spreadsheet::SheetRowsOutOfOrder&) {
            }
        }
        const SheetRowsReader& readSheet = m_request.readSheet ? m_request.readSheet : readWorkbookSheet;
        if (!readSheet(source, format.firstLine, m_sheetNumber, m_sheetText, sheetRows)) {
            return nullptr;
        }
        return std::make_unique<HeldRows>(sheetRows);
    }
    // Asked for every megabyte read, within a line too; the window's stop button is taken
    // only while events are let through.
    auto stopRequestedWhileReading = [this] {
        m_progress.pumpEvents();
        return m_progress.isStopRequested();
    };
    auto reader = std::make_unique<TextLineReader>(source, format.separator, format.firstLine,
                                                   lineDialectOf(format, m_request.dialect), stopRequestedWhileReading);
    replaced = reader->survey([this] { return m_progress.isStopRequested(); }).replaced;
    return reader;
}

// Drawings of killed runs leave their unfinished files behind; the first drawing made in a
// folder clears those whose writers are gone.
void Run::removeLeftovers(const std::filesystem::path& folder)
{
    if (m_cleanedFolders.insert(folder).second) {
        OutputFile::removeLeftovers(folder);
    }
}

// A file that cannot be read makes no drawing; the run goes on unless it is to end at an error.
bool Run::readFailure(const std::string& reason)
{
    fileError("  ! Error: " + reason + " !");
    if (m_request.errorPolicy == ErrorPolicy::AbortProcess) {
        m_log.line(">> Process aborted.");
        return false;
    }
    return true;
}

bool Run::convertOne(std::size_t index)
{
    m_file = FileResult{};
    m_file.index = index;
    const std::size_t errorsBefore = m_log.errorLines();
    const std::size_t warningsBefore = m_log.warningLines();
    m_log.collectErrorLines(m_request.fileEnded ? &m_file.errors : nullptr);
    const auto started = std::chrono::steady_clock::now();
    const bool goOn = convertBlock(index);
    m_file.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    m_log.collectErrorLines(nullptr);
    m_file.errorLines = m_log.errorLines() - errorsBefore;
    m_file.warningLines = m_log.warningLines() - warningsBefore;
    return goOn;
}

// A resumed batch leaves alone the files whose drawing was made after they last changed.
bool Run::skipUpToDate(const std::filesystem::path& source, const std::filesystem::path& destination)
{
    std::error_code ec;
    const auto sourceTime = std::filesystem::last_write_time(source, ec);
    const auto drawingTime = ec ? sourceTime : std::filesystem::last_write_time(destination, ec);
    if (ec || !(drawingTime > sourceTime)) {
        return false;
    }
    const std::string heading = "Point file : " + source.string();
    m_log.line(heading);
    m_log.line(std::string(heading.size(), '-'));
    m_log.line(">> Dxf file is newer than the point file, not converted: " + destination.string());
    m_log.emptyLine();
    m_log.emptyLine();
    m_file.status = FileStatus::Skipped;
    ++m_summary.filesSkipped;
    // As if made now: a later file of the run named alike must not replace it.
    m_createdDestinations.add(destination.lexically_normal().string());
    return true;
}

bool Run::convertBlock(std::size_t index)
{
    m_progress.fileStarted(index + 1, m_request.files.size());
    const std::filesystem::path source = m_request.files[index].source;
    const std::filesystem::path destination = m_request.files[index].destination;
    if (m_request.skipExisting && skipUpToDate(source, destination)) {
        return true;
    }

    FieldRows sheetRows;
    std::unique_ptr<RowSource> lines;
    std::size_t replaced = 0;
    std::string readError;
    try {
        lines = openLines(source, sheetRows, replaced);
    } catch (const std::exception& error) {
        readError = error.what();
    }
    const bool sheetMissing = readError.empty() && lines == nullptr;

    const std::string heading = "Point file : " + source.string();
    m_log.line(heading);
    m_log.line(std::string(heading.size(), '-'));
    if (replaced > 0) {
        // Said once per file rather than per line: it is a property of the file.
        m_log.line("  ! Warning: The file is UTF-8; " + std::to_string(replaced) +
                   " characters that the drawing's Windows-1252 lacks were written as \"?\" !");
    }
    if (!readError.empty()) {
        return readFailure(readError);
    }
    if (sheetMissing) {
        fileError(m_sheetNumber >= 0
                      ? "  ! Error: Sheet Number \"" + m_sheetText + "\" does not exist in the Excel file !"
                      : "  ! Error: Sheet named \"" + m_sheetText + "\" does not exist in the Excel file !");
        return true;
    }

    const std::string destinationKey = destination.lexically_normal().string();
    if (const std::optional<bool> goOn = refusedDestination(source, destination, destinationKey)) {
        return *goOn;
    }

    if (!m_request.dryRun) {
        removeLeftovers(destination.parent_path());
    }
    ConversionSettings settings{m_request.runConfiguration, m_request.format,         m_request.errorPolicy, m_prologue,
                                m_request.dryRun,           m_request.escapeNonAscii, m_request.codes.get()};
    settings.formattingThreads = m_formattingThreads;
    const RunLog::Mark beforeLines = m_log.mark();
    ConversionResult result = convertFile(*lines, settings, destination, m_log, m_progress);
    const auto* sheet = dynamic_cast<const SheetRowSource*>(lines.get());
    if (result.outcome == Outcome::ReadFailed && sheet != nullptr && sheet->rowsOutOfOrder() &&
        m_log.takeBack(beforeLines)) {
        // Lines already converted may lack cells stored further on: the sheet is read whole
        // and converted again, and the report holds only the second conversion's lines.
        lines.reset();
        try {
            lines = openLines(source, sheetRows, replaced, true);
        } catch (const std::exception& error) {
            return readFailure(error.what());
        }
        if (lines == nullptr) {
            return readFailure("The workbook was changed while it was read");
        }
        result = convertFile(*lines, settings, destination, m_log, m_progress);
    }
    return takeResult(result, destination, destinationKey);
}

// A point file named like its own drawing (site.dxf, or a file called "dxf") would be replaced by
// the drawing made from it, and two point files of one run named alike up to their first "."
// (site.txt and site.asc) share a drawing name: the second would silently replace the first
// drawing. Such a file is reported; the answer is whether the run goes on. Nothing: the drawing
// may be made.
std::optional<bool> Run::refusedDestination(const std::filesystem::path& source,
                                            const std::filesystem::path& destination, const std::string& key)
{
    std::error_code sameFileError;
    if (std::filesystem::equivalent(source, destination, sameFileError)) {
        fileError("  ! Error: \"" + destination.string() + "\" cannot be created: it would replace the point file !");
    } else if (m_createdDestinations.contains(key)) {
        fileError("  ! Error: \"" + destination.string() +
                  "\" cannot be created: it was already created from another point file of this run !");
    } else {
        return std::nullopt;
    }
    const bool abortRun = m_request.errorPolicy == ErrorPolicy::AbortProcess;
    if (abortRun) {
        m_log.line(">> Process aborted.");
    }
    return !abortRun;
}

// What a file's conversion gives the run: its status and counts, and whether the run goes on.
bool Run::takeResult(const ConversionResult& result, const std::filesystem::path& destination, const std::string& key)
{
    const bool abortRun = m_request.errorPolicy == ErrorPolicy::AbortProcess;
    m_file.status = result.outcome == Outcome::Completed ? FileStatus::Converted
                    : result.outcome == Outcome::Stopped || result.outcome == Outcome::ProcessAborted
                        ? FileStatus::Aborted
                        : FileStatus::Failed;
    m_file.lines = result.lines;
    m_file.points = result.points;
    m_file.texts = result.texts;
    m_file.polylines = result.polylines;
    if (result.outcome == Outcome::Completed) {
        m_createdDestinations.add(key);
        ++m_summary.filesConverted;
    }
    m_errorsOccurred = m_errorsOccurred || result.errorsLogged;
    if (result.destinationNotCreated) {
        fileError(destinationFailure(destination, result.destinationError));
    }
    switch (result.outcome) {
    case Outcome::ProcessAborted:
        m_log.line(">> Process aborted.");
        return false;
    case Outcome::Stopped:
        m_summary.stopped = true;
        m_log.emptyLine();
        m_log.line(">> Process aborted.");
        return false;
    case Outcome::ReadFailed:
        return readFailure(result.readError);
    case Outcome::WriteFailed:
        if (abortRun) {
            m_log.line(">> Process aborted.");
            return false;
        }
        return true;
    default:
        return true;
    }
}

} // namespace

std::string destinationName(const std::string& sourceName)
{
    const std::size_t dot = sourceName.find('.');
    return (dot == std::string::npos ? std::string() : sourceName.substr(0, dot + 1)) + "dxf";
}

bool readWorkbookSheet(const std::filesystem::path& workbook, int firstLine, int sheetNumber,
                       const std::string& sheetText, FieldRows& rows)
{
    // A text keeps the characters Windows-1252 lacks, as a UTF-8 point file's texts do.
    spreadsheet::CharacterEscapes escapes;
    const spreadsheet::SheetRows result =
        spreadsheet::readSheetRows(workbook, firstLine, spreadsheet::SheetSelector{sheetNumber, sheetText}, &escapes);
    const auto* sheetRows = std::get_if<std::vector<spreadsheet::RowTexts>>(&result);
    if (sheetRows == nullptr) {
        return false;
    }
    // A row without fields reads like an empty line of a text file.
    const FieldList emptyRow = emptyLinePlaceholder();
    for (const spreadsheet::RowTexts& fields : *sheetRows) {
        rows.addRow(fields.empty() ? emptyRow : fields);
    }
    return true;
}

std::vector<RunFile> runFilesOf(const std::vector<std::string>& names, std::string sourceFolder,
                                std::string destinationFolder)
{
    sourceFolder = withFinalSeparator(std::move(sourceFolder));
    destinationFolder = withFinalSeparator(std::move(destinationFolder));
    std::vector<RunFile> files;
    files.reserve(names.size());
    for (const std::string& name : names) {
        files.push_back(RunFile{sourceFolder + name, destinationFolder + destinationName(name)});
    }
    return files;
}

int sheetNumberOf(const formats::FormatDefinition& format)
{
    if (format.sheetByNumber == 0) {
        return -1;
    }
    const auto number = readInteger(format.sheet);
    if (!number || *number < 0 || *number > 0x7fffffff) {
        return -1;
    }
    return static_cast<int>(*number);
}

bool runBatch(const RunRequest& request, ProgressSink& progress, RunSummary* summary)
{
    // Checked before the report is emptied: such a configuration cannot make any drawing.
    if (const auto fault = layerFault(request.runConfiguration)) {
        throw RunNotStarted("The configuration cannot be used: " + *fault + ".");
    }
    Run run(request, progress);
    // The summary is wanted even when the report could not be written.
    struct Summarise {
        const Run& run;
        RunSummary* out;
        ~Summarise()
        {
            if (out != nullptr) {
                *out = run.summary();
            }
        }
    } summarise{run, summary};
    return run.execute();
}

} // namespace mervalon::engine
