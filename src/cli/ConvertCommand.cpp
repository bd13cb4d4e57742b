#include "cli/ConvertCommand.h"

#include "cli/StopSignals.h"
#include "cli/TerminalProgress.h"

#include "core/config/Configuration.h"
#include "core/config/InstallationLayout.h"
#include "core/engine/BatchRun.h"
#include "core/engine/ProgressSink.h"
#include "core/engine/RunLog.h"
#include "core/formats/FormatDefinition.h"
#include "core/io/FileIo.h"
#include "platform/AppSettings.h"
#include "platform/Installation.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <stdexcept>

namespace mervalon::cli {
namespace {

namespace fs = std::filesystem;

// A failure that keeps the run from starting; the message is shown as it is.
struct NotStarted : std::runtime_error {
    using std::runtime_error::runtime_error;
};

fs::path resolveInstallDir(const ConvertOptions& options, std::ostream& messages)
{
    if (options.installDir) {
        const fs::path dir = fs::absolute(*options.installDir);
        if (!fs::is_directory(dir)) {
            throw NotStarted("the installation folder \"" + dir.string() + "\" does not exist");
        }
        return dir;
    }
    try {
        platform::AppSettings settings;
        QStringList notices;
        const fs::path dir = platform::ensureInstallation(settings, &notices).toStdString();
        for (const QString& notice : notices) {
            messages << "mervalon-convert: notice: " << notice.toStdString() << "\n";
        }
        return dir;
    } catch (const std::exception& error) {
        throw NotStarted(error.what());
    }
}

// The configuration given, else the one the desktop program uses (with the same fallbacks).
config::Configuration loadConfiguration(const ConvertOptions& options, const fs::path& installDir,
                                        std::ostream& messages)
{
    const fs::path path = options.configurationFile.value_or(fs::path());
    try {
        if (options.configurationFile) {
            return config::readConfigurationFile(path);
        }
        config::ConfigurationInUse inUse = config::readConfigurationInUse(installDir);
        if (inUse.fellBack && !inUse.recordedName.empty()) {
            messages << "mervalon-convert: notice: the configuration \"" << inUse.recordedName
                     << "\" does not exist; using \"" << inUse.name << "\"\n";
        }
        return std::move(inUse.record);
    } catch (const config::NotAConfiguration&) {
        const std::string which = options.configurationFile
                                      ? "\"" + path.string() + "\""
                                      : "the configuration named in " + config::layout::configurationInUsePath(installDir).string();
        throw NotStarted(which + " is not a configuration file");
    } catch (const std::exception& error) {
        throw NotStarted(error.what());
    }
}

formats::FormatDefinition loadNamedFormat(const fs::path& installDir, const std::string& name)
{
    try {
        return formats::loadFormatFile(installDir, name);
    } catch (const std::exception& error) {
        throw NotStarted("format \"" + name + "\": " + error.what());
    }
}

formats::FormatDefinition loadFormat(const ConvertOptions& options, const config::Configuration& configuration,
                                     const fs::path& installDir, std::ostream& messages)
{
    if (options.formatName) {
        return loadNamedFormat(installDir, *options.formatName);
    }
    if (!configuration.formatName.empty() && fs::exists(formats::formatFilePath(installDir, configuration.formatName))) {
        return loadNamedFormat(installDir, configuration.formatName);
    }
    messages << "mervalon-convert: notice: the configuration's format \"" << configuration.formatName
             << "\" does not exist; using \"!default\"\n";
    return loadNamedFormat(installDir, "!default");
}

// runFilesOf gives the folder its final separator.
std::string folderOf(const fs::path& path) { return path.parent_path().string(); }

// A missing destination folder is made, as `mkdir -p` would.
void ensureDestinationFolder(const fs::path& dest, std::ostream& messages)
{
    std::error_code ec;
    if (fs::is_directory(dest, ec)) {
        return;
    }
    if (fs::exists(dest, ec)) {
        throw NotStarted("the destination \"" + dest.string() + "\" is not a folder");
    }
    fs::create_directories(dest, ec);
    if (ec) {
        throw NotStarted("the destination folder \"" + dest.string() + "\" cannot be created: " + ec.message());
    }
    messages << "mervalon-convert: created the destination folder \"" << dest.string() << "\"\n";
}

std::vector<engine::RunFile> filesOf(const ConvertOptions& options, std::ostream& messages)
{
    std::optional<std::string> destination;
    if (options.destinationFolder) {
        const fs::path dest = fs::absolute(*options.destinationFolder).lexically_normal();
        ensureDestinationFolder(dest, messages);
        destination = dest.string();
    }
    std::vector<engine::RunFile> files;
    for (const std::string& file : options.files) {
        const fs::path source = fs::absolute(file).lexically_normal();
        const auto run = engine::runFilesOf({source.filename().string()}, folderOf(source),
                                            destination ? *destination : folderOf(source));
        files.push_back(run.front());
    }
    return files;
}

// Without a terminal nothing is shown, but a stop signal is still taken.
class SignalOnlyProgress : public engine::SilentProgress {
public:
    [[nodiscard]] bool isStopRequested() const override { return stopSignal() != 0; }
};

// Two names of one file, whether or not it exists yet (a drawing is made only later).
bool sameFile(const fs::path& a, const fs::path& b)
{
    std::error_code ec;
    if (fs::equivalent(a, b, ec)) {
        return true;
    }
    const fs::path left = fs::weakly_canonical(a, ec);
    const fs::path right = ec ? fs::path() : fs::weakly_canonical(b, ec);
    return !ec && left == right;
}

// The report is emptied before any file is read or written: named like a point file it would
// wipe it, named like a drawing the two would be written into one file.
void checkReportPath(const engine::RunRequest& request)
{
    for (const engine::RunFile& file : request.files) {
        if (sameFile(file.source, request.reportPath)) {
            throw NotStarted("the report \"" + request.reportPath.string() + "\" would replace the point file");
        }
        if (sameFile(file.destination, request.reportPath)) {
            throw NotStarted("the report \"" + request.reportPath.string() + "\" would replace a drawing of the run");
        }
    }
}

std::vector<std::uintmax_t> fileSizes(const std::vector<engine::RunFile>& files)
{
    std::vector<std::uintmax_t> sizes;
    for (const engine::RunFile& file : files) {
        std::error_code ec;
        const std::uintmax_t size = fs::file_size(file.source, ec);
        sizes.push_back(ec ? 0 : size);
    }
    return sizes;
}

std::string counted(std::size_t count, const char* singular, const char* plural)
{
    return std::to_string(count) + " " + (count == 1 ? singular : plural);
}

std::string summaryLine(const engine::RunSummary& summary, const fs::path& report)
{
    return counted(summary.filesConverted, "file converted", "files converted") + ", " +
           counted(summary.filesWithErrors, "file with errors", "files with errors") + ", " +
           counted(summary.errorLines, "error line", "error lines") + ", " +
           counted(summary.warningLines, "warning line", "warning lines") + "; report: " + report.string();
}

// --verbose: the error lines of the report, each file's under its heading.
void showErrorLines(const fs::path& report, std::ostream& messages)
{
    std::ifstream in(report, std::ios::binary);
    std::string line;
    std::string heading;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.starts_with("Point file : ")) {
            heading = line;
        } else if (line.starts_with("  ! Error")) {
            if (!heading.empty()) {
                messages << heading << "\n";
                heading.clear();
            }
            messages << line << "\n";
        }
    }
}

std::string signalName(int signalNumber)
{
    return signalNumber == SIGINT ? "SIGINT" : signalNumber == SIGTERM ? "SIGTERM" : std::to_string(signalNumber);
}

} // namespace

int runConvert(const ConvertOptions& options, std::ostream& messages, bool showProgress)
{
    engine::RunRequest request;
    engine::RunSummary summary;
    int status = kNotStarted;
    try {
        if (options.files.empty()) {
            throw NotStarted("no point file given (see --help)");
        }
        const fs::path installDir = resolveInstallDir(options, messages);
        request.runConfiguration = loadConfiguration(options, installDir, messages);
        request.format = loadFormat(options, request.runConfiguration, installDir, messages);
        request.files = filesOf(options, messages);
        request.errorPolicy = options.errorPolicy;
        request.installDir = installDir;
        request.reportPath = options.reportFile ? fs::absolute(*options.reportFile) : config::layout::reportPath(installDir);
        checkReportPath(request);
        request.timestamp = engine::reportTimestamp();
        if (!fs::is_regular_file(config::layout::prologuePath(installDir))) {
            throw NotStarted("the DXF prologue \"" + config::layout::prologuePath(installDir).string() + "\" is missing");
        }

        SignalOnlyProgress silent;
        std::optional<TerminalProgress> terminal;
        if (showProgress) {
            terminal.emplace(messages, fileSizes(request.files), [] { return stopSignal() != 0; });
        }
        engine::ProgressSink& progress = terminal ? static_cast<engine::ProgressSink&>(*terminal) : silent;
        try {
            status = engine::runBatch(request, progress, &summary) ? kErrorsReported : kNoErrors;
        } catch (const engine::ReportNotWritten& error) {
            terminal.reset();
            messages << "mervalon-convert: " << error.what() << "; the report is incomplete\n";
            status = kReportNotWritten;
        }
        terminal.reset();
    } catch (const NotStarted& error) {
        messages << "mervalon-convert: " << error.what() << "\n";
        return kNotStarted;
    } catch (const engine::RunNotStarted& error) {
        messages << "mervalon-convert: " << error.what() << "\n";
        return kNotStarted;
    } catch (const std::exception& error) {
        messages << "mervalon-convert: " << error.what() << "\n";
        return kNotStarted;
    }
    if (options.verbose && status != kReportNotWritten) {
        showErrorLines(request.reportPath, messages);
    }
    std::string summaryText = summaryLine(summary, request.reportPath);
    if (const int signalNumber = stopSignal(); signalNumber != 0 && summary.stopped) {
        messages << "mervalon-convert: stopped by " << signalName(signalNumber) << "; " << summaryText << "\n";
        return 128 + signalNumber;
    }
    messages << "mervalon-convert: " << summaryText << "\n";
    return status;
}

} // namespace mervalon::cli
