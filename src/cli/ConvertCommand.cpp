#include "cli/ConvertCommand.h"

#include "cli/JsonResults.h"
#include "cli/StopSignals.h"
#include "cli/TerminalProgress.h"
#include "core/codes/CodeSet.h"
#include "core/config/Configuration.h"
#include "core/config/InstallationLayout.h"
#include "core/engine/BatchJobs.h"
#include "core/engine/BatchRun.h"
#include "core/engine/ProgressSink.h"
#include "core/engine/RunLog.h"
#include "core/formats/FormatDefinition.h"
#include "core/formats/TextDialect.h"
#include "core/io/FileIo.h"
#include "platform/AppSettings.h"
#include "platform/Installation.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
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
            return config::readConfigurationWithOptions(path);
        }
        config::ConfigurationInUse inUse = config::readConfigurationInUse(installDir);
        if (inUse.fellBack && !inUse.recordedName.empty()) {
            messages << "mervalon-convert: notice: the configuration \"" << inUse.recordedName
                     << "\" does not exist; using \"" << inUse.name << "\"\n";
        }
        // Options that cannot be read would draw otherwise than the user chose: nothing is written.
        if (!inUse.optionsFault.empty()) {
            throw NotStarted(inUse.optionsFault);
        }
        return std::move(inUse.record);
    } catch (const config::NotAConfiguration&) {
        const std::string which =
            options.configurationFile
                ? "\"" + path.string() + "\""
                : "the configuration named in " + config::layout::configurationInUsePath(installDir).string();
        throw NotStarted(which + " is not a configuration file");
    } catch (const std::exception& error) {
        throw NotStarted(error.what());
    }
}

struct NamedFormat {
    formats::FormatDefinition record;
    formats::TextDialect dialect;
};

// The record and the dialect beside it (the default when there is none).
NamedFormat loadNamedFormat(const fs::path& installDir, const std::string& name)
{
    try {
        NamedFormat format{formats::loadFormatFile(installDir, name), {}};
        format.dialect = formats::loadDialectOf(formats::formatFilePath(installDir, name));
        // A dialect file edited by hand may not fit the record; such a format would misread every line.
        if (const std::string fault = formats::dialectFault(format.record, format.dialect); !fault.empty()) {
            throw std::runtime_error(fault);
        }
        return format;
    } catch (const std::exception& error) {
        throw NotStarted("format \"" + name + "\": " + error.what());
    }
}

NamedFormat loadFormat(const ConvertOptions& options, const config::Configuration& configuration,
                       const fs::path& installDir, std::ostream& messages)
{
    if (options.formatName) {
        return loadNamedFormat(installDir, *options.formatName);
    }
    if (!configuration.formatName.empty() &&
        fs::exists(formats::formatFilePath(installDir, configuration.formatName))) {
        return loadNamedFormat(installDir, configuration.formatName);
    }
    messages << "mervalon-convert: notice: the configuration's format \"" << configuration.formatName
             << "\" does not exist; using \"!default\"\n";
    return loadNamedFormat(installDir, "!default");
}

// The code library is read and checked before the run: a faulty row stops it with nothing written.
std::shared_ptr<const codes::CodeSet> loadCodes(const std::string& choice, const fs::path& installDir)
{
    try {
        return std::make_shared<const codes::CodeSet>(codes::loadCodeSet(choice, installDir));
    } catch (const codes::CodeLibraryError& error) {
        throw NotStarted(error.what());
    }
}

} // namespace

std::string codeLibraryOf(const ConvertOptions& options, const config::Configuration& configuration)
{
    if (!options.codeLibrary) {
        return configuration.options.codeLibrary;
    }
    return *options.codeLibrary == config::kNoCodeLibrary ? std::string() : *options.codeLibrary;
}

bool escapesNonAscii(const ConvertOptions& options, const config::Configuration& configuration)
{
    return !options.noEscapeNonAscii && (options.escapeNonAscii || configuration.options.escapeNonAscii);
}

namespace {

// runFilesOf gives the folder its final separator.
std::string folderOf(const fs::path& path)
{
    return path.parent_path().string();
}

// A missing destination folder is made, as `mkdir -p` would; a dry run only says so.
void ensureDestinationFolder(const fs::path& dest, std::ostream& messages, bool dryRun)
{
    std::error_code ec;
    if (fs::is_directory(dest, ec)) {
        return;
    }
    if (fs::exists(dest, ec)) {
        throw NotStarted("the destination \"" + dest.string() + "\" is not a folder");
    }
    if (dryRun) {
        messages << "mervalon-convert: the destination folder \"" << dest.string() << "\" would be created\n";
        return;
    }
    fs::create_directories(dest, ec);
    if (ec) {
        throw NotStarted("the destination folder \"" + dest.string() + "\" cannot be created: " + ec.message());
    }
    messages << "mervalon-convert: created the destination folder \"" << dest.string() << "\"\n";
}

// The names of --files-from: one a line (a CR before the line's end is left out, as a list
// written on Windows has it), or each ended by NUL with -0; empty names are left out.
std::vector<std::string> listedFiles(const ConvertOptions& options, std::istream& input)
{
    std::ifstream file;
    std::istream* in = &input;
    if (*options.filesFrom != "-") {
        file.open(*options.filesFrom, std::ios::binary);
        if (!file) {
            throw NotStarted("the file list \"" + *options.filesFrom + "\" cannot be read: " + std::strerror(errno));
        }
        in = &file;
    }
    std::vector<std::string> names;
    const char end = options.nullSeparated ? '\0' : '\n';
    for (std::string name; std::getline(*in, name, end);) {
        if (!options.nullSeparated && !name.empty() && name.back() == '\r') {
            name.pop_back();
        }
        if (!name.empty()) {
            names.push_back(std::move(name));
        }
    }
    if (in->bad()) {
        throw NotStarted("the file list \"" + *options.filesFrom + "\" cannot be read to its end");
    }
    return names;
}

std::vector<engine::RunFile> filesOf(const std::vector<std::string>& names, const ConvertOptions& options,
                                     std::ostream& messages)
{
    std::optional<std::string> destination;
    if (options.destinationFolder) {
        const fs::path dest = fs::absolute(*options.destinationFolder).lexically_normal();
        ensureDestinationFolder(dest, messages, options.dryRun);
        destination = dest.string();
    }
    std::vector<engine::RunFile> files;
    for (const std::string& file : names) {
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

std::string summaryLine(const engine::RunSummary& summary, const fs::path& report, const ConvertOptions& options)
{
    std::string text = options.dryRun
                           ? "dry run, no drawing written: " +
                                 counted(summary.filesConverted, "file would be converted", "files would be converted")
                           : counted(summary.filesConverted, "file converted", "files converted");
    if (options.skipExisting) {
        text += ", " + counted(summary.filesSkipped, "file skipped", "files skipped");
    }
    return text + ", " + counted(summary.filesWithErrors, "file with errors", "files with errors") + ", " +
           counted(summary.errorLines, "error line", "error lines") + ", " +
           counted(summary.warningLines, "warning line", "warning lines") + "; report: " + report.string();
}

// The run's own files and their results, for --verbose and --json; the report itself may
// hold the blocks of other runs beside this one.
class RunResults {
  public:
    RunResults(const ConvertOptions& options, std::ostream& out) : m_options(options), m_out(out) {}

    void fileEnded(const engine::FileResult& result, const engine::RunFile& file)
    {
        if (m_options.verbose && !result.errors.empty()) {
            m_errorLines += "Point file : " + file.source + "\n";
            for (const std::string& line : result.errors) {
                m_errorLines += line + "\n";
            }
        }
        switch (result.status) {
        case engine::FileStatus::Aborted:
            ++m_run.aborted;
            break;
        case engine::FileStatus::Failed:
            ++m_run.failed;
            break;
        default:
            break;
        }
        if (m_options.json) {
            m_out << fileJson(result, file, m_options.dryRun) << "\n" << std::flush;
        }
    }

    // --verbose: the run's error lines, each file's under its heading.
    [[nodiscard]] const std::string& errorLines() const { return m_errorLines; }

    void finish(const engine::RunSummary& summary, std::size_t files, const std::string& report, int status,
                const std::string& message)
    {
        if (!m_options.json) {
            return;
        }
        m_run.files = files;
        m_run.converted = summary.filesConverted;
        m_run.skipped = summary.filesSkipped;
        m_run.filesWithErrors = summary.filesWithErrors;
        m_run.errorLines = summary.errorLines;
        m_run.warningLines = summary.warningLines;
        m_run.stopped = summary.stopped;
        m_run.dryRun = m_options.dryRun;
        m_run.report = report;
        m_run.exitStatus = status;
        m_run.message = message;
        m_run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_started).count();
        m_out << runJson(m_run) << "\n" << std::flush;
    }

    void setJobs(unsigned jobs) { m_run.jobs = jobs; }

  private:
    const ConvertOptions& m_options;
    std::ostream& m_out;
    std::string m_errorLines;
    RunJson m_run;
    std::chrono::steady_clock::time_point m_started = std::chrono::steady_clock::now();
};

std::string signalName(int signalNumber)
{
    return signalNumber == SIGINT ? "SIGINT" : signalNumber == SIGTERM ? "SIGTERM" : std::to_string(signalNumber);
}

} // namespace

int runConvert(const ConvertOptions& options, std::ostream& messages, bool showProgress, std::ostream& results,
               std::istream& input)
{
    engine::RunRequest request;
    engine::RunSummary summary;
    RunResults runResults(options, results);
    int status = kNotStarted;
    const auto notStarted = [&](const std::string& message) {
        messages << "mervalon-convert: " << message << "\n";
        runResults.finish(summary, request.files.size(), request.reportPath.string(), kNotStarted, message);
        return kNotStarted;
    };
    try {
        std::vector<std::string> names = options.files;
        if (options.filesFrom) {
            std::vector<std::string> listed = listedFiles(options, input);
            names.insert(names.end(), std::make_move_iterator(listed.begin()), std::make_move_iterator(listed.end()));
        } else if (names.empty()) {
            throw NotStarted("no point file given (see --help)");
        }
        const fs::path installDir = resolveInstallDir(options, messages);
        request.runConfiguration = loadConfiguration(options, installDir, messages);
        NamedFormat format = loadFormat(options, request.runConfiguration, installDir, messages);
        request.format = std::move(format.record);
        request.dialect = format.dialect;
        if (const std::string library = codeLibraryOf(options, request.runConfiguration); !library.empty()) {
            request.codes = loadCodes(library, installDir);
        }
        request.files = filesOf(names, options, messages);
        request.errorPolicy = options.errorPolicy;
        request.installDir = installDir;
        request.reportPath =
            options.reportFile ? fs::absolute(*options.reportFile) : config::layout::reportPath(installDir);
        request.jobs = options.jobs;
        request.formattingThreads = options.formatThreads.value_or(request.formattingThreads);
        request.skipExisting = options.skipExisting;
        request.dryRun = options.dryRun;
        request.escapeNonAscii = escapesNonAscii(options, request.runConfiguration);
        request.fileEnded = [&](const engine::FileResult& result) {
            runResults.fileEnded(result, request.files[result.index]);
        };
        runResults.setJobs(engine::jobsFor(request));
        checkReportPath(request);
        request.timestamp = engine::reportTimestamp();
        if (!fs::is_regular_file(config::layout::prologuePath(installDir))) {
            throw NotStarted("the DXF prologue \"" + config::layout::prologuePath(installDir).string() +
                             "\" is missing");
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
        return notStarted(error.what());
    } catch (const engine::RunNotStarted& error) {
        return notStarted(error.what());
    } catch (const std::exception& error) {
        return notStarted(error.what());
    }
    if (options.verbose) {
        messages << runResults.errorLines();
    }
    std::string summaryText = summaryLine(summary, request.reportPath, options);
    if (const int signalNumber = stopSignal(); signalNumber != 0 && summary.stopped) {
        messages << "mervalon-convert: stopped by " << signalName(signalNumber) << "; " << summaryText << "\n";
        runResults.finish(summary, request.files.size(), request.reportPath.string(), 128 + signalNumber,
                          "stopped by " + signalName(signalNumber));
        return 128 + signalNumber;
    }
    messages << "mervalon-convert: " << summaryText << "\n";
    runResults.finish(summary, request.files.size(), request.reportPath.string(), status,
                      status == kReportNotWritten ? "the report is incomplete" : "");
    return status;
}

} // namespace mervalon::cli
