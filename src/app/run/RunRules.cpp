#include "app/run/RunRules.h"

#include "app/common/TextConversions.h"
#include "core/codes/CodeSet.h"
#include "core/config/InstallationLayout.h"

#include <QElapsedTimer>
#include <filesystem>
#include <memory>
#include <system_error>

namespace mervalon::app {

std::optional<QString> formatMismatchMessage(bool formatIsExcel, const QString& extensionsText)
{
    const bool workbookType = extensionsText.left(3).toLower() == QLatin1String("xls");
    if (formatIsExcel && !workbookType) {
        return kExcelFormatForTextFiles;
    }
    if (!formatIsExcel && workbookType) {
        return kTextFormatForWorkbooks;
    }
    return std::nullopt;
}

engine::RunRequest buildRunRequest(const RunInputs& inputs)
{
    std::vector<std::string> names;
    names.reserve(static_cast<std::size_t>(inputs.fileNames.size()));
    for (const QString& name : inputs.fileNames) {
        names.push_back(toPath(name).string());
    }
    engine::RunRequest request;
    request.runConfiguration = inputs.configuration;
    request.format = inputs.format;
    request.dialect = inputs.dialect;
    request.files =
        engine::runFilesOf(names, toPath(inputs.sourceFolder).string(), toPath(inputs.destinationFolder).string());
    request.errorPolicy = inputs.errorPolicy;
    request.installDir = toPath(inputs.installDir);
    request.reportPath = config::layout::reportPath(request.installDir);
    request.timestamp = inputs.timestamp;
    request.escapeNonAscii = inputs.configuration.options.escapeNonAscii;
    return request;
}

std::optional<QString> attachCodeLibrary(engine::RunRequest& request, const config::Configuration& configuration)
{
    request.codes.reset();
    if (configuration.options.codeLibrary.empty()) {
        return std::nullopt;
    }
    try {
        request.codes = std::make_shared<const codes::CodeSet>(
            codes::loadCodeSet(configuration.options.codeLibrary, request.installDir));
    } catch (const std::exception& error) {
        return QString::fromUtf8(error.what());
    }
    return std::nullopt;
}

std::optional<QString> runRefusal(const RunInputs& inputs, const engine::RunRequest& request)
{
    // No destination would make every drawing's path a name in the root folder.
    if (inputs.destinationFolder.trimmed().isEmpty()) {
        return kNoDestinationFolder;
    }
    for (const engine::RunFile& file : request.files) {
        std::error_code ec;
        if (std::filesystem::equivalent(file.source, request.reportPath, ec)) {
            return kPointFileIsTheReport.arg(QString::fromStdString(file.source));
        }
    }
    return std::nullopt;
}

ErrorPolicy effectiveErrorPolicy(std::optional<ErrorPolicy> selected)
{
    return selected.value_or(ErrorPolicy::SkipLine);
}

bool reportShownAfterRun(std::optional<ReportPolicy> policy, bool errorsOccurred)
{
    return policy == ReportPolicy::Always || (policy == ReportPolicy::OnlyOnErrors && errorsOccurred);
}

PumpSchedule::PumpSchedule(std::int64_t intervalMs, Clock clock) : m_intervalMs(intervalMs), m_clock(std::move(clock))
{
    if (!m_clock) {
        m_clock = [timer = std::make_shared<QElapsedTimer>()] {
            if (!timer->isValid()) {
                timer->start();
            }
            return static_cast<std::int64_t>(timer->elapsed());
        };
    }
}

void PumpSchedule::restart()
{
    m_dueNow = true;
    m_linesToClockRead = 1;
}

bool PumpSchedule::due()
{
    if (!m_dueNow && --m_linesToClockRead > 0) {
        return false;
    }
    return dueByClock();
}

bool PumpSchedule::dueByClock()
{
    m_linesToClockRead = kLinesPerClockRead;
    const std::int64_t now = m_clock();
    if (!m_dueNow && now - m_last < m_intervalMs) {
        return false;
    }
    m_dueNow = false;
    m_last = now;
    return true;
}

} // namespace mervalon::app
