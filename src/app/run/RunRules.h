#pragma once
// The rules of the run command that need no window: the checks before a run with their
// messages, the request built from the window's plain values, whether the report is shown
// afterwards, and when the progress window lets the user's events run.

#include "app/settings/RunOptions.h"
#include "core/engine/BatchRun.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace mervalon::app {

inline const QString kExcelFormatForTextFiles = QStringLiteral(
    "You have selected a File Format that applies to an Excel (xls) file, but the file extension does not match. "
    "Please select the appropriate format or select another file extension.");
inline const QString kTextFormatForWorkbooks = QStringLiteral(
    "You have selected a File Format that applies to a Text (txt, asc, ...) file, but the file extension does not "
    "match. Please select the appropriate format or select another file extension.");
inline const QString kNoDestinationFolder = QStringLiteral("Please choose a destination folder first.");
/// %1 is the point file's path.
inline const QString kPointFileIsTheReport =
    QStringLiteral("The point file \"%1\" is the report of the last run: the run would empty it. Please copy it "
                   "to another name first.");
inline const QString kRunInProgressOnExit =
    QStringLiteral("DXF files are being created. Stop the process and leave the program?");

/// The message that refuses a run whose format kind does not fit the file type, or none. The
/// key is the first three characters of the file type's extensions text, in lower case.
std::optional<QString> formatMismatchMessage(bool formatIsExcel, const QString& extensionsText);

/// What the window holds when a run starts, as plain values.
struct RunInputs {
    config::Configuration configuration;
    formats::FormatDefinition format;
    formats::TextDialect dialect;
    QStringList fileNames; ///< without folder, in list order
    QString sourceFolder;
    QString destinationFolder;
    ErrorPolicy errorPolicy = ErrorPolicy::SkipLine;
    QString installDir;
    std::string timestamp; ///< the date and time of the report's header
};

/// The request of a run, built exactly as mervalon-convert builds it, so that both write the
/// same drawings and the same report.
engine::RunRequest buildRunRequest(const RunInputs& inputs);

/// Reads the code library the configuration's options name into the request (none: the request
/// stays without one). Returns the message of a library that cannot be read or has a faulty row,
/// naming the file and the row; the run must then not start.
std::optional<QString> attachCodeLibrary(engine::RunRequest& request, const config::Configuration& configuration);

/// A refusal of the run before anything is written, or none: a run into no destination folder,
/// or one that would empty a point file by creating the report over it.
std::optional<QString> runRefusal(const RunInputs& inputs, const engine::RunRequest& request);

/// The policy of a run: with none selected, a faulty line is skipped.
ErrorPolicy effectiveErrorPolicy(std::optional<ErrorPolicy> selected);

/// Whether the report is shown after a run. With no policy selected it is not.
bool reportShownAfterRun(std::optional<ReportPolicy> policy, bool errorsOccurred);

/// Decides when a long run lets pending user-interface events run. Asked once per converted
/// line, it reads the clock only every few lines and answers true once per interval, so that
/// the window stays responsive while pumping costs nothing next to the conversion.
class PumpSchedule {
  public:
    /// Milliseconds of a monotonic clock.
    using Clock = std::function<std::int64_t()>;

    static constexpr std::int64_t kDefaultIntervalMs = 40;
    static constexpr int kLinesPerClockRead = 64;

    explicit PumpSchedule(std::int64_t intervalMs = kDefaultIntervalMs, Clock clock = {});

    /// The next question is answered true: a run (or a file) has just begun.
    void restart();
    /// True when the interval has passed since the last true answer.
    bool due();
    /// The same, reading the clock at once: for questions asked only every few thousand lines.
    bool dueByClock();
    void setInterval(std::int64_t intervalMs) { m_intervalMs = intervalMs; }

  private:
    std::int64_t m_intervalMs;
    Clock m_clock;
    int m_linesToClockRead = 1;
    bool m_dueNow = true;
    std::int64_t m_last = 0;
};

} // namespace mervalon::app
