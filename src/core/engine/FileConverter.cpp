#include "core/engine/FileConverter.h"

#include "core/codes/CodeLibrary.h"
#include "core/engine/CodedDrawing.h"
#include "core/engine/CoordinatePoint.h"
#include "core/engine/DxfWriter.h"
#include "core/engine/FieldAccess.h"
#include "core/engine/NumberFormat.h"
#include "core/engine/OrderedWork.h"
#include "core/engine/ProgressSink.h"
#include "core/engine/RunLog.h"
#include "core/engine/TextReader.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

namespace mervalon::engine {
namespace {

using config::Configuration;
using config::EntityContent;
using config::EntityKind;
using formats::FormatDefinition;
using formats::PointValue;
using Outcome = ConversionResult::Outcome;
using Status = TakenField::Status;

// How one of the six values is taken from a line.
struct ValueSource {
    int column = 0;
    std::string prefix;
    bool keepPrefix = false;
};

// The messages of one value: missing field, missing prefix, not a decimal number.
struct ValueMessages {
    const char* missing;
    const char* prefixMissing;
    const char* notDecimal;
};

constexpr ValueMessages kXMessages{": X coordinate is missing !", ": Prefix for X coordinate is missing !",
                                   ": X coordinate is not a decimal value !"};
constexpr ValueMessages kYMessages{": Y coordinate is missing !", ": Prefix for Y coordinate is missing !",
                                   ": Y coordinate is not a decimal value !"};

enum class RenumberMode { None, FromStart, Add };

// Polylines driven by the codes of the points.
class PolylineBuilder {
  public:
    PolylineBuilder(const FormatDefinition& format, DxfWriter& writer) : m_format(format), m_writer(writer) {}

    // The values are those of the texts, for the drawing's extents.
    void step(std::string_view x, std::string_view y, std::string_view z, std::string_view code, double xValue,
              double yValue, double zValue)
    {
        if (code == m_format.newPolylineCode || code == m_format.drawPolylineCode || code == m_format.endPolylineCode) {
            step(Vertex{std::string(x), std::string(y), std::string(z), xValue, yValue, zValue}, code);
        }
    }

    void step(Vertex vertex, std::string_view code)
    {
        if (code == m_format.newPolylineCode) {
            if (m_open) {
                m_vertices.push_back(vertex);
                m_writer.writePolyline(m_vertices);
            }
            m_vertices.clear();
            m_vertices.push_back(std::move(vertex));
            m_open = true;
        } else if (code == m_format.drawPolylineCode && m_open) {
            m_vertices.push_back(std::move(vertex));
        } else if (code == m_format.endPolylineCode && m_open) {
            m_vertices.push_back(std::move(vertex));
            m_writer.writePolyline(m_vertices);
            m_vertices.clear();
            m_open = false;
        }
    }

  private:
    const FormatDefinition& m_format;
    DxfWriter& m_writer;
    bool m_open = false;
    std::vector<Vertex> m_vertices;
};

constexpr std::string_view kNoElevationNotice =
    "  ! Warning: The points have no Z coordinate, 3D entities are drawn at elevation 0.0 !";

// What formatting a line ahead left for the drawing's writer besides its bytes.
struct FormattedLine {
    std::size_t logEnd = 0;          // the end of its report lines in the batch's
    std::size_t textsNotWritten = 0; // its texts that could not be written
    bool accepted = true;            // false: the line has an error, logged with its report lines
};

// A line's step along the polylines, which are strung by the drawing's writer.
struct PolylineStepRecord {
    Vertex vertex;
    std::string code;
};

// Lines handed to a formatting thread, and what it made of them: the entities' bytes without
// their handles, the marks of where the handles, the polyline steps and the lines' ends go, and
// the lines' report lines.
struct FormatBatch {
    FormatBatch() { bytes.holdInMemory(); }

    FieldRows rows;
    std::size_t firstIndex = 0;  // of its first line in the file
    long long runningNumber = 0; // renumbering from a start number: the number of its first line
    bool last = false;           // its last line is the file's

    OutputFile bytes;
    std::vector<FormatMark> marks;
    std::vector<PolylineStepRecord> steps;
    std::vector<FormattedLine> lines;
    std::string log;
    Extents extents;
    std::exception_ptr failure;
};

// Where a dry run writes its drawing: nothing is kept, and a device is never renamed over.
const std::filesystem::path kNowhere = "/dev/null";

// Why a drawing could not be made at `destination` (an error number), or 0: the checks a dry run
// makes instead of creating it.
int destinationProblem(const std::filesystem::path& destination)
{
    struct stat status {};
    if (::stat(destination.c_str(), &status) == 0) {
        if (S_ISDIR(status.st_mode)) {
            return EISDIR;
        }
        if (::access(destination.c_str(), W_OK) != 0) {
            return errno;
        }
    }
    // A folder still to be made (mervalon-convert --dest) is made in the nearest one that exists.
    std::filesystem::path folder = destination.has_parent_path() ? destination.parent_path() : ".";
    while (::stat(folder.c_str(), &status) != 0 && errno == ENOENT && folder.has_relative_path() &&
           folder.has_parent_path() && folder.parent_path() != folder) {
        folder = folder.parent_path();
    }
    if (::stat(folder.c_str(), &status) == 0 && !S_ISDIR(status.st_mode)) {
        return ENOTDIR;
    }
    return ::access(folder.c_str(), W_OK | X_OK) == 0 ? 0 : errno;
}

class Conversion {
  public:
    Conversion(RowSource& rows, const ConversionSettings& settings, const std::filesystem::path& destination,
               RunLog& log, ProgressSink& progress)
        : m_rows(rows), m_settings(settings), m_config(settings.configuration),
          m_modifiers(settings.configuration.modifiers), m_format(settings.format), m_destination(destination),
          m_log(log), m_progress(progress),
          m_writer(settings.configuration, settings.prologue, settings.escapeNonAscii),
          m_polylines(settings.format, m_writer)
    {
        if (settings.codes != nullptr) {
            m_coded.emplace(*settings.codes, settings.configuration, m_writer);
        }
        takeSources();
    }

    ConversionResult run();

    // On a formatting thread, by a conversion of its own made like the drawing's: formats the
    // batch's lines ahead (see FormatBatch).
    void formatBatch(FormatBatch& batch);

  private:
    ConversionResult convertLines();
    ConversionResult convertLinesOneByOne();
    [[nodiscard]] bool formatsAhead() const;
    ConversionResult convertLinesAhead();
    bool fillBatch(FormatBatch& batch, std::size_t firstIndex);
    std::optional<ConversionResult> appendBatch(FormatBatch& batch);
    void appendLineEntities(FormatBatch& batch, std::vector<FormatMark>::const_iterator& mark, std::size_t& appended);
    void replayLog(std::string_view lines);
    std::optional<ConversionResult> lineBegins(std::size_t index);
    std::optional<ConversionResult> lineEnded(bool accepted);
    ConversionResult linesEnded(std::size_t lines);
    ConversionResult stopped();
    // Returns the outcome when the file's conversion has ended with this line.
    std::optional<ConversionResult> handleLine(const FieldRow& row, std::size_t index, bool isLastLine);
    ConversionResult readFailed(const std::string& reason);
    void takeSources();
    bool convertLine(const FieldRow& row, bool isLastLine);
    void takeNumber(const FieldRow& row);
    void setNewNumber(long long number, std::string_view prefix);
    void takeCoordinate(const FieldRow& row, const ValueSource& source, const ValueMessages& messages, double offset,
                        std::string& shifted, std::string_view& target, double& value);
    void takeZ(const FieldRow& row);
    void takeDescription(const FieldRow& row);
    void takeCode(const FieldRow& row, bool isLastLine);
    void writePointEntities();
    void writeTexts(bool hasZ);
    void recordPolylineStep(std::string_view z, double zValue);
    void drawCodedPoint(std::string_view z);
    [[nodiscard]] bool labelWanted(codes::Label label) const { return m_labels == 0 || (m_labels & label) != 0; }
    void setError(const char* message) { m_lineError = message; }
    [[nodiscard]] bool hasError() const { return !m_lineError.empty(); }
    void logLineError();
    void finish(std::size_t linesHandled, bool aborted);
    ConversionResult writeFailed(std::size_t linesHandled);
    [[nodiscard]] bool anyEntityIn3D() const;

    RowSource& m_rows;
    const ConversionSettings& m_settings;
    const Configuration& m_config;
    const config::DataModifiers& m_modifiers;
    const FormatDefinition& m_format;
    std::filesystem::path m_destination;
    RunLog& m_log;
    ProgressSink& m_progress;
    DxfWriter m_writer;
    PolylineBuilder m_polylines;
    std::optional<CodedDrawing> m_coded;
    std::uint8_t m_labels = 0; // the texts the point's code asks for (codes::Label bits); 0: all configured
    std::string m_codeField;   // the polyline code column as read, for a library reading codes from it
    ConversionResult m_result;

    std::array<ValueSource, 6> m_sources;
    RenumberMode m_renumberMode = RenumberMode::None;
    long long m_runningNumber = 0;
    std::size_t m_lineNumber = 1;
    std::string m_lineError;
    std::string m_lineWarning;
    CoordinatePoint m_point;
    double m_xValue = 0;
    double m_yValue = 0;
    double m_zValue = 0;
    std::string m_text;
    // What the point's views show when the conversion made the text itself.
    std::string m_numberText;
    std::string m_numberAsReadText;
    std::string m_xText;
    std::string m_yText;
    std::string m_zText;
    std::string m_codeText;
    bool m_flatElevationNoted = false;
    std::size_t m_textsNotWritten = 0;
    FormatBatch* m_ahead = nullptr; // formatting ahead: the batch being formatted
};

const ValueSource& source(const std::array<ValueSource, 6>& sources, PointValue value)
{
    return sources[static_cast<std::size_t>(value)];
}

void Conversion::takeSources()
{
    for (PointValue value : formats::kPointValues) {
        ValueSource& s = m_sources[static_cast<std::size_t>(value)];
        s.column = m_format.column(value);
        if (s.column > 0) {
            s.prefix = m_format.prefix(value);
            s.keepPrefix = m_format.keepsPrefix(value);
        }
    }
    if (m_modifiers.renumber != 0) {
        m_renumberMode = m_modifiers.useNewStartNumber != 0 ? RenumberMode::FromStart : RenumberMode::Add;
        m_runningNumber = m_modifiers.startNumber;
    }
}

ConversionResult Conversion::run()
{
    ConversionResult result = convertLines();
    if (result.outcome != Outcome::Completed && result.outcome != Outcome::FileAborted &&
        result.outcome != Outcome::WriteFailed && !result.destinationNotCreated) {
        result.lines = m_lineNumber - 1;
    }
    const DxfWriter::EntityCounts& counts = m_writer.counts();
    result.points = counts.points;
    result.texts = counts.texts;
    result.polylines = counts.polylines;
    return result;
}

ConversionResult Conversion::convertLines()
{
    // A dry run writes the drawing nowhere, having checked that it could be made.
    const int dryRunError = m_settings.dryRun ? destinationProblem(m_destination) : 0;
    if (m_coded) {
        m_coded->prepare();
    }
    if (dryRunError != 0 || !m_writer.beginDrawing(m_settings.dryRun ? kNowhere : m_destination)) {
        m_result.destinationNotCreated = true;
        m_result.destinationError = dryRunError != 0 ? dryRunError : m_writer.errorNumber();
        m_result.outcome =
            m_settings.errorPolicy == ErrorPolicy::AbortProcess ? Outcome::ProcessAborted : Outcome::NotCreated;
        return m_result;
    }
    m_progress.setLineCount(m_rows.lineCount());
    m_progress.setFileLabel(m_destination.string());
    m_progress.setLinePosition(0);
    return formatsAhead() ? convertLinesAhead() : convertLinesOneByOne();
}

ConversionResult Conversion::convertLinesOneByOne()
{
    std::size_t lineCount = m_rows.lineCount();
    std::size_t index = 0;
    while (true) {
        const FieldRows* batch = nullptr;
        bool lastBatch = false;
        try {
            batch = m_rows.nextBatch();
            lastBatch = batch != nullptr && m_rows.exhausted();
        } catch (const std::exception& error) {
            return readFailed(error.what());
        }
        // A sheet read while it is converted estimates its length better as it goes.
        if (batch != nullptr && m_rows.lineCount() != lineCount) {
            lineCount = m_rows.lineCount();
            m_progress.setLineCount(lineCount);
        }
        if (batch == nullptr) {
            break;
        }
        for (std::size_t i = 0; i < batch->size(); ++i, ++index) {
            if (auto ended = handleLine(batch->row(i), index, lastBatch && i + 1 == batch->size())) {
                return *ended;
            }
        }
    }
    return linesEnded(index);
}

// The lines have ended: stopped while they were read, or read through.
ConversionResult Conversion::linesEnded(std::size_t lines)
{
    if (m_rows.interrupted()) {
        return stopped();
    }
    // A drawing made from a file that changed meanwhile would hold parts of two files.
    if (const auto changed = m_rows.changedWhileRead()) {
        return readFailed(*changed);
    }
    finish(lines, false);
    return m_result;
}

ConversionResult Conversion::stopped()
{
    m_writer.abandonDrawing();
    m_result.outcome = Outcome::Stopped;
    return m_result;
}

// Before each line: its progress, the user's stop, and the events.
std::optional<ConversionResult> Conversion::lineBegins(std::size_t index)
{
    m_progress.setLinePosition(index);
    if (m_progress.isStopRequested()) {
        return stopped();
    }
    m_progress.pumpEvents();
    return std::nullopt;
}

std::optional<ConversionResult> Conversion::handleLine(const FieldRow& row, std::size_t index, bool isLastLine)
{
    m_lineError.clear();
    m_lineWarning.clear();
    if (auto ended = lineBegins(index)) {
        return ended;
    }
    const bool accepted = convertLine(row, isLastLine);
    if (m_writer.failed()) {
        return writeFailed(m_lineNumber);
    }
    if (!accepted) {
        logLineError();
    }
    return lineEnded(accepted);
}

// The error policy after a line whose report lines are written.
std::optional<ConversionResult> Conversion::lineEnded(bool accepted)
{
    if (!accepted) {
        if (m_settings.errorPolicy == ErrorPolicy::AbortFile) {
            finish(m_lineNumber, true);
            return m_result;
        }
        if (m_settings.errorPolicy == ErrorPolicy::AbortProcess) {
            m_writer.abandonDrawing();
            m_result.outcome = Outcome::ProcessAborted;
            return m_result;
        }
    }
    ++m_lineNumber;
    return std::nullopt;
}

// The file could not be read to its end (a failing disk, a file cut short while it was
// read): its drawing would lack lines, so none is made and the older one stays.
ConversionResult Conversion::readFailed(const std::string& reason)
{
    m_writer.abandonDrawing();
    m_result.outcome = Outcome::ReadFailed;
    m_result.readError = reason;
    return m_result;
}

// A formatting thread's own conversion, with a writer and report lines of its own.
struct FormattingLane {
    FormattingLane(RowSource& rows, const ConversionSettings& settings, const std::filesystem::path& destination,
                   ProgressSink& progress)
        : conversion(rows, settings, destination, log, progress)
    {
    }
    RunLog log;
    Conversion conversion;
};

bool Conversion::formatsAhead() const
{
    return m_settings.formattingThreads > 0 && !m_coded && m_rows.canFillBatches();
}

// The lines are formatted a batch at a time on threads of their own while this thread reads the
// next batches and writes those formatted into the drawing in their order. This thread alone
// reads the file, asks for the progress and the stop, and writes the drawing and the report.
ConversionResult Conversion::convertLinesAhead()
{
    const std::size_t threads = m_settings.formattingThreads;
    // One lane a thread, and one for this thread, which formats too while the oldest batch is
    // still being formatted.
    std::vector<std::unique_ptr<FormattingLane>> lanes;
    for (std::size_t lane = 0; lane <= threads; ++lane) {
        lanes.push_back(std::make_unique<FormattingLane>(m_rows, m_settings, m_destination, m_progress));
    }
    // Two batches a lane: one formatted while the other waits for its turn to be written.
    std::optional<OrderedWork<FormatBatch>> started;
    try {
        started.emplace(threads, 2 * lanes.size(),
                        [&lanes](FormatBatch& batch, std::size_t lane) { lanes[lane]->conversion.formatBatch(batch); });
    } catch (const std::system_error&) {
        return convertLinesOneByOne(); // no thread could be started: nothing is read yet
    }
    OrderedWork<FormatBatch>& work = *started;
    std::size_t lines = 0; // handed to the threads so far
    bool ended = false;
    std::optional<std::string> readError;
    while (true) {
        for (FormatBatch* batch = nullptr; !ended && (batch = work.freeSlot()) != nullptr;) {
            try {
                ended = !fillBatch(*batch, lines);
            } catch (const std::exception& error) {
                readError = error.what();
                ended = true;
            }
            if (!ended) {
                lines += batch->rows.size();
                ended = batch->last;
                work.submit();
            }
        }
        if (!work.pending()) {
            break;
        }
        while (!work.oldestDone() && work.workOnNext(threads)) {
        }
        const std::optional<ConversionResult> result = appendBatch(work.takeOldest());
        work.releaseOldest();
        if (result) {
            return *result;
        }
    }
    // The lines before a read error are written, as they would have been line by line.
    if (readError) {
        return readFailed(*readError);
    }
    return linesEnded(lines);
}

// Reads the next batch into `batch`, with what its lines need to know of the lines before.
bool Conversion::fillBatch(FormatBatch& batch, std::size_t firstIndex)
{
    if (!m_rows.fillBatch(batch.rows, m_settings.linesAhead)) {
        return false;
    }
    batch.last = m_rows.exhausted();
    batch.firstIndex = firstIndex;
    batch.runningNumber = m_runningNumber;
    if (m_renumberMode == RenumberMode::FromStart) {
        // Every line but an empty or overlong one takes the next number (see takeNumber).
        for (std::size_t i = 0; i < batch.rows.size(); ++i) {
            const FieldRow row = batch.rows.row(i);
            if (!row.isEmptyLine() && row.overlongLength() == 0) {
                m_runningNumber += m_modifiers.step;
            }
        }
    }
    return true;
}

void Conversion::formatBatch(FormatBatch& batch)
{
    batch.bytes.clearHeld();
    batch.marks.clear();
    batch.steps.clear();
    batch.lines.clear();
    batch.failure = nullptr;
    m_log.takeBack(RunLog::Mark{});
    try {
        m_writer.formatAhead(batch.bytes, batch.marks);
        m_ahead = &batch;
        m_runningNumber = batch.runningNumber;
        // Each batch notes a missing elevation at its first point; the drawing's writer keeps the first.
        m_flatElevationNoted = false;
        m_textsNotWritten = 0;
        const std::size_t count = batch.rows.size();
        for (std::size_t i = 0; i < count; ++i) {
            m_lineNumber = batch.firstIndex + i + 1;
            m_lineError.clear();
            m_lineWarning.clear();
            const std::size_t notWrittenBefore = m_textsNotWritten;
            const bool accepted = convertLine(batch.rows.row(i), batch.last && i + 1 == count);
            if (!accepted) {
                logLineError();
            }
            batch.marks.push_back(FormatMark{FormatMark::Kind::LineEnd, batch.bytes.buffered()});
            batch.lines.push_back(
                FormattedLine{m_log.sectionText().size(), m_textsNotWritten - notWrittenBefore, accepted});
            if (!accepted && m_settings.errorPolicy != ErrorPolicy::SkipLine) {
                break; // the file ends at this line
            }
        }
        batch.log = m_log.sectionText();
        batch.extents = m_writer.takeExtents();
    } catch (...) {
        batch.failure = std::current_exception();
    }
    m_ahead = nullptr;
}

// Writes a formatted batch into the drawing and its lines' report lines into the report, line by
// line, asking for the progress and the stop and applying the error policy as handleLine does.
std::optional<ConversionResult> Conversion::appendBatch(FormatBatch& batch)
{
    if (batch.failure) {
        std::rethrow_exception(batch.failure);
    }
    // The batch's points and texts count before the polylines its lines end, which are of points
    // counted already (a difference only between 0.0 and -0.0).
    m_writer.widenExtents(batch.extents);
    auto mark = batch.marks.cbegin();
    std::size_t appended = 0;
    std::size_t logged = 0;
    for (std::size_t i = 0; i < batch.lines.size(); ++i) {
        if (auto ended = lineBegins(batch.firstIndex + i)) {
            return ended;
        }
        const FormattedLine& line = batch.lines[i];
        replayLog(std::string_view(batch.log).substr(logged, line.logEnd - logged));
        logged = line.logEnd;
        appendLineEntities(batch, mark, appended);
        m_textsNotWritten += line.textsNotWritten;
        if (m_writer.failed()) {
            return writeFailed(m_lineNumber);
        }
        if (!line.accepted) {
            m_result.errorsLogged = true;
        }
        if (auto ended = lineEnded(line.accepted)) {
            return ended;
        }
    }
    return std::nullopt;
}

// One line's entities formatted ahead, with their handles and its polyline step. The buffer is
// offered for writing out where each entity ends, as it is when the entities are written as
// they are formatted, so that a failed write is seen at the same line.
void Conversion::appendLineEntities(FormatBatch& batch, std::vector<FormatMark>::const_iterator& mark,
                                    std::size_t& appended)
{
    const std::string_view bytes = batch.bytes.held();
    while (true) {
        const auto stop = std::find_if(mark, batch.marks.cend(), [](const FormatMark& m) {
            return m.kind == FormatMark::Kind::LineEnd || m.kind == FormatMark::Kind::PolylineStep;
        });
        m_writer.appendFormatted(bytes, appended, stop->offset, std::span(mark, stop));
        appended = stop->offset;
        m_writer.flushIfFull();
        mark = stop + 1;
        if (stop->kind == FormatMark::Kind::LineEnd) {
            return;
        }
        PolylineStepRecord& step = batch.steps[stop->index];
        m_polylines.step(std::move(step.vertex), step.code);
    }
}

// Report lines of a batch, one by one, as the lines that made them would have written them.
void Conversion::replayLog(std::string_view lines)
{
    while (!lines.empty()) {
        const std::size_t end = lines.find("\r\n");
        const std::string_view text = lines.substr(0, end);
        lines.remove_prefix(end == std::string_view::npos ? lines.size() : end + 2);
        if (text == kNoElevationNotice) {
            if (m_flatElevationNoted) {
                continue;
            }
            m_flatElevationNoted = true;
        }
        m_log.line(text);
    }
}

// Returns false when the line has an error; the caller logs it and applies the policy.
bool Conversion::convertLine(const FieldRow& row, bool isLastLine)
{
    if (row.isEmptyLine()) {
        m_log.line("  ! Line " + std::to_string(m_lineNumber) + " is empty !");
        return true;
    }
    if (const std::uint64_t length = row.overlongLength(); length > 0) {
        m_lineError = ": The line is " + std::to_string(length) + " characters long; lines longer than " +
                      std::to_string(kMaxLineLength) + " characters are not read !";
        return false;
    }
    takeNumber(row);
    if (!hasError()) {
        takeCoordinate(row, source(m_sources, PointValue::X), kXMessages, m_modifiers.xOffset, m_xText, m_point.x,
                       m_xValue);
    }
    if (!hasError()) {
        takeCoordinate(row, source(m_sources, PointValue::Y), kYMessages, m_modifiers.yOffset, m_yText, m_point.y,
                       m_yValue);
    }
    if (!hasError()) {
        takeZ(row);
    }
    if (!hasError()) {
        takeDescription(row);
    }
    if (!hasError()) {
        takeCode(row, isLastLine);
    }
    if (hasError()) {
        return false;
    }
    if (!m_lineWarning.empty()) {
        m_log.line(m_lineWarning);
    }
    writePointEntities();
    return true;
}

void Conversion::takeNumber(const FieldRow& row)
{
    const ValueSource& number = source(m_sources, PointValue::Number);
    m_point.number = {};
    m_point.numberAsRead = {};
    if (m_renumberMode == RenumberMode::FromStart) {
        setNewNumber(m_runningNumber, number.prefix);
        m_runningNumber += m_modifiers.step;
        return;
    }
    if (number.column <= 0) {
        return;
    }
    const TakenField taken = takeField(row, number.column, number.prefix);
    if (taken.status == Status::FieldMissing) {
        return setError(": Number is missing !");
    }
    if (taken.status == Status::PrefixMissing) {
        return setError(": Prefix for Number is missing !");
    }
    m_point.number = taken.value;
    m_point.numberAsRead = taken.asRead;
    if (m_renumberMode != RenumberMode::Add) {
        return;
    }
    const auto integer = readInteger(m_point.number);
    long long renumbered = 0;
    if (!integer || __builtin_add_overflow(*integer, static_cast<long long>(m_modifiers.addValue), &renumbered)) {
        return setError(": Number is not a number, it can not be renumbered !");
    }
    setNewNumber(renumbered, number.prefix);
}

void Conversion::setNewNumber(long long number, std::string_view prefix)
{
    m_numberText = std::to_string(number);
    m_numberAsReadText.assign(prefix);
    m_numberAsReadText += m_numberText;
    m_point.number = m_numberText;
    m_point.numberAsRead = m_numberAsReadText;
}

// X and Y. A format without the column cannot place the point, so the value counts as missing.
void Conversion::takeCoordinate(const FieldRow& row, const ValueSource& source, const ValueMessages& messages,
                                double offset, std::string& shifted, std::string_view& target, double& value)
{
    const TakenField taken = takeField(row, source.column, source.prefix);
    if (taken.status == Status::FieldMissing) {
        return setError(messages.missing);
    }
    if (taken.status == Status::PrefixMissing) {
        return setError(messages.prefixMissing);
    }
    const auto number = readDecimal(taken.value);
    if (!number) {
        return setError(messages.notDecimal);
    }
    value = *number;
    if (m_modifiers.modifyCoordinates != 0) {
        value += offset;
        if (!std::isfinite(value)) {
            // Beyond the range of a number once shifted: "inf" would corrupt the drawing.
            return setError(messages.notDecimal);
        }
        shifted.clear();
        appendGeneral(shifted, value);
        target = shifted;
    } else {
        target = taken.value;
    }
}

void Conversion::takeZ(const FieldRow& row)
{
    const ValueSource& z = source(m_sources, PointValue::Z);
    m_point.z = {};
    if (z.column <= 0 && m_modifiers.useDefaultZ == 0) {
        return;
    }
    const TakenField taken = takeField(row, z.column, z.prefix);
    if (taken.status == Status::PrefixMissing) {
        return setError(": Prefix for Z coordinate is missing !");
    }
    std::optional<double> number;
    if (taken.status == Status::FieldMissing) {
        if (m_modifiers.useDefaultZ == 0) {
            return setError(": Z coordinate is missing !");
        }
        number = m_modifiers.defaultZ;
        m_zText.clear();
        appendGeneral(m_zText, m_modifiers.defaultZ);
        m_point.z = m_zText;
    } else {
        m_point.z = taken.value;
        number = readDecimal(taken.value);
        if (!number) {
            return setError(": Z coordinate is not a decimal value !");
        }
    }
    m_zValue = *number;
    if (m_modifiers.modifyCoordinates != 0) {
        m_zValue += m_modifiers.zOffset;
        if (!std::isfinite(m_zValue)) {
            return setError(": Z coordinate is not a decimal value !");
        }
        m_zText.clear();
        appendGeneral(m_zText, m_zValue);
        m_point.z = m_zText;
    }
}

void Conversion::takeDescription(const FieldRow& row)
{
    const ValueSource& description = source(m_sources, PointValue::Description);
    m_point.description = {};
    if (description.column <= 0) {
        return;
    }
    const TakenField taken = takeField(row, description.column, description.prefix);
    if (taken.status == Status::FieldMissing) {
        m_point.description = "@";
        m_lineWarning = "  ! Warning in line " + std::to_string(m_lineNumber) + ": Description is missing !";
        return;
    }
    if (taken.status == Status::PrefixMissing) {
        return setError(": Prefix for Description is missing !");
    }
    m_point.description = taken.value;
}

void Conversion::takeCode(const FieldRow& row, bool isLastLine)
{
    const ValueSource& code = source(m_sources, PointValue::Code);
    m_point.code = {};
    if (code.column <= 0) {
        return;
    }
    TakenField taken = takeField(row, code.column, code.prefix);
    if (m_coded) {
        m_codeField.assign(taken.status == Status::Found ? taken.value : std::string_view());
    }
    if (taken.status == Status::FieldMissing) {
        m_point.code = m_format.endPolylineCode;
        m_lineWarning = "  ! Warning in line " + std::to_string(m_lineNumber) + ": Polyline Code is missing !";
        return;
    }
    // The last line always ends the open polyline.
    if (isLastLine) {
        m_codeText = code.prefix + m_format.endPolylineCode;
        taken.asRead = m_codeText;
        taken.status = m_codeText.find(code.prefix) == std::string::npos ? Status::PrefixMissing : Status::Found;
        taken.value = std::string_view(m_codeText).substr(code.prefix.size());
    }
    if (taken.status == Status::PrefixMissing) {
        return setError(": Prefix for Polyline Code is missing !");
    }
    m_point.code = taken.value;
}

bool Conversion::anyEntityIn3D() const
{
    // The elevation text is left out: it is what a point without an elevation lacks.
    for (const config::EntityKindInfo& kind : config::kEntityKinds) {
        const config::EntitySettings& entity = m_config.entity(kind.kind);
        if (kind.kind != EntityKind::Elevation && isCreateFlagSet(entity.create) && entity.flat == 0) {
            return true;
        }
    }
    return false;
}

void Conversion::writePointEntities()
{
    // A point without any elevation (no Z column, no default Z) cannot carry one into a 3D
    // entity; it is drawn at elevation 0.0 rather than written with an empty value, which
    // would make the whole drawing unreadable. The report says so once per file.
    const bool hasZ = !m_point.z.empty();
    const std::string_view z = hasZ ? m_point.z : std::string_view("0.0");
    if (!hasZ && !m_flatElevationNoted && anyEntityIn3D()) {
        m_flatElevationNoted = true;
        m_log.line(kNoElevationNotice);
    }
    m_writer.beginPointTexts(m_xValue);
    if (m_coded) {
        drawCodedPoint(z);
    } else if (isCreateFlagSet(m_config.entity(EntityKind::Point).create)) {
        m_writer.writePoint(m_point.x, m_point.y, z, m_xValue, m_yValue, hasZ ? m_zValue : 0.0);
    }
    if (!m_coded && isCreateFlagSet(m_config.entity(EntityKind::Polyline).create) &&
        source(m_sources, PointValue::Code).column > 0) {
        const double zValue = hasZ ? m_zValue : 0.0;
        if (m_ahead != nullptr) {
            recordPolylineStep(z, zValue);
        } else {
            m_polylines.step(m_point.x, m_point.y, z, m_point.code, m_xValue, m_yValue, zValue);
        }
    }
    writeTexts(hasZ);
}

// Formatting ahead, a line's step along the polylines is noted where its point ends: the drawing's
// writer strings the polylines, in the order of the lines.
void Conversion::recordPolylineStep(std::string_view z, double zValue)
{
    const std::string_view code = m_point.code;
    if (code != m_format.newPolylineCode && code != m_format.drawPolylineCode && code != m_format.endPolylineCode) {
        return;
    }
    m_ahead->marks.push_back(
        FormatMark{FormatMark::Kind::PolylineStep, m_ahead->bytes.buffered(), m_ahead->steps.size()});
    m_ahead->steps.push_back(PolylineStepRecord{
        Vertex{std::string(m_point.x), std::string(m_point.y), std::string(z), m_xValue, m_yValue, zValue},
        std::string(code)});
}

// With a code library the codes are read from the description, or from the polyline code column
// when the format imports no description.
void Conversion::drawCodedPoint(std::string_view z)
{
    CodedPoint point;
    point.x = m_point.x;
    point.y = m_point.y;
    point.z = z;
    point.xValue = m_xValue;
    point.yValue = m_yValue;
    point.zValue = m_point.z.empty() ? 0.0 : m_zValue;
    point.number = m_point.number;
    point.elevation = m_point.z;
    point.description = m_point.description == "@" ? std::string_view() : std::string_view(m_point.description);
    point.codes =
        source(m_sources, PointValue::Description).column > 0 ? point.description : std::string_view(m_codeField);
    m_labels = m_coded->drawPoint(point, m_lineNumber, m_log);
}

void Conversion::writeTexts(bool hasZ)
{
    const Configuration& c = m_config;
    const double z = hasZ ? m_zValue : 0.0;
    // The coordinates are written with their notation straight into the drawing.
    const auto coordinate = [&](EntityContent content, PointValue value, double number, std::int32_t decimals) {
        const ValueSource& s = source(m_sources, value);
        return m_writer.writeFixedText(content, s.keepPrefix ? std::string_view(s.prefix) : std::string_view(), number,
                                       std::clamp(decimals, 0, 15), m_yValue, z);
    };
    for (const std::int32_t slot : c.layout.slot) {
        const auto content = static_cast<EntityContent>(slot);
        bool written = true;
        switch (content) {
        case EntityContent::Number:
            if (isCreateFlagSet(c.entity(EntityKind::Number).create) && labelWanted(codes::LabelNumber) &&
                (source(m_sources, PointValue::Number).column > 0 || m_modifiers.renumber != 0)) {
                const bool keep = source(m_sources, PointValue::Number).keepPrefix;
                written = m_writer.writeText(content, keep ? m_point.numberAsRead : m_point.number, m_yValue, z);
            }
            break;
        case EntityContent::XCoordinate:
            if (isCreateFlagSet(c.entity(EntityKind::X).create) && labelWanted(codes::LabelX)) {
                written = coordinate(content, PointValue::X, m_xValue, c.entity(EntityKind::X).decimals);
            }
            break;
        case EntityContent::YCoordinate:
            if (isCreateFlagSet(c.entity(EntityKind::Y).create) && labelWanted(codes::LabelY)) {
                written = coordinate(content, PointValue::Y, m_yValue, c.entity(EntityKind::Y).decimals);
            }
            break;
        case EntityContent::Elevation:
            if (isCreateFlagSet(c.entity(EntityKind::Elevation).create) && labelWanted(codes::LabelElevation) &&
                (source(m_sources, PointValue::Z).column > 0 || m_modifiers.useDefaultZ != 0)) {
                written = coordinate(content, PointValue::Z, m_zValue, c.entity(EntityKind::Elevation).decimals);
            }
            break;
        case EntityContent::Description:
            if (isCreateFlagSet(c.entity(EntityKind::Description).create) && labelWanted(codes::LabelDescription) &&
                source(m_sources, PointValue::Description).column > 0 && m_point.description != "@") {
                const ValueSource& s = source(m_sources, PointValue::Description);
                m_text.assign(s.keepPrefix ? std::string_view(s.prefix) : std::string_view());
                m_text += m_point.description;
                written = m_writer.writeText(content, m_text, m_yValue, z);
            }
            break;
        default:
            break;
        }
        if (!written) {
            ++m_textsNotWritten;
        }
    }
}

void Conversion::logLineError()
{
    m_log.line("  ! Error in line " + std::to_string(m_lineNumber) + m_lineError);
    m_result.errorsLogged = true;
}

void Conversion::finish(std::size_t linesHandled, bool aborted)
{
    if (m_coded && !aborted) {
        m_coded->finish(m_log);
    }
    if (aborted) {
        // The report says that no drawing was made: the one begun is dropped and an older
        // drawing of that name stays as it was.
        m_writer.abandonDrawing();
    } else if (!m_writer.finishDrawing()) {
        writeFailed(linesHandled);
        return;
    }
    if (m_coded && !aborted) {
        m_coded->report(m_log);
    }
    if (const std::size_t replaced = aborted ? 0 : m_rows.replacedCharacters(); replaced > 0) {
        m_log.line("  ! Warning: The texts hold " + std::to_string(replaced) +
                   " characters that the drawing's Windows-1252 lacks, written as \"?\" !");
    }
    if (m_textsNotWritten > 0) {
        m_log.line("  ! Warning: " + std::to_string(m_textsNotWritten) +
                   " texts were not written: a text height or the distance is not a number !");
    }
    m_log.emptyLine();
    m_log.line(">> " + std::to_string(linesHandled) + " lines processed.");
    m_result.lines = linesHandled;
    if (aborted) {
        m_log.line(">> Errors in file, Dxf file not created. ");
        m_result.outcome = Outcome::FileAborted;
    } else {
        m_log.line((m_settings.dryRun ? ">> Dxf file would be created: " : ">> Dxf file created: ") +
                   m_destination.string());
        m_result.outcome = Outcome::Completed;
    }
    m_log.emptyLine();
    m_log.emptyLine();
}

ConversionResult Conversion::writeFailed(std::size_t linesHandled)
{
    const int error = m_writer.errorNumber();
    m_writer.abandonDrawing();
    m_log.line("  ! Error: \"" + m_destination.string() + "\" could not be written: " + std::strerror(error) + " !");
    m_result.errorsLogged = true;
    m_log.emptyLine();
    m_log.line(">> " + std::to_string(linesHandled) + " lines processed.");
    m_log.line(">> Errors in file, Dxf file not created. ");
    m_log.emptyLine();
    m_log.emptyLine();
    m_result.lines = linesHandled;
    m_result.outcome = Outcome::WriteFailed;
    return m_result;
}

} // namespace

unsigned formattingThreadsOfMachine()
{
    // The thread that reads the file and writes the drawing keeps a core busy of its own: one
    // more thread than the other cores would only take turns with it.
    const unsigned cores = std::thread::hardware_concurrency();
    return cores > 1 ? cores - 1 : 0;
}

ConversionResult convertFile(RowSource& rows, const ConversionSettings& settings,
                             const std::filesystem::path& destination, RunLog& log, ProgressSink& progress)
{
    Conversion conversion(rows, settings, destination, log, progress);
    return conversion.run();
}

ConversionResult convertFile(const FieldRows& rows, const ConversionSettings& settings,
                             const std::filesystem::path& destination, RunLog& log, ProgressSink& progress)
{
    HeldRows source(rows);
    return convertFile(source, settings, destination, log, progress);
}

} // namespace mervalon::engine
