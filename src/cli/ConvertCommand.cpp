#include "cli/ConvertCommand.h"

#include "core/config/Configuration.h"
#include "core/config/InstallationLayout.h"
#include "core/engine/BatchRun.h"
#include "core/engine/ProgressSink.h"
#include "core/engine/RunLog.h"
#include "core/formats/FormatDefinition.h"
#include "core/io/FileIo.h"
#include "platform/AppSettings.h"
#include "platform/Installation.h"

#include <filesystem>
#include <ostream>
#include <stdexcept>

namespace mervalon::cli {
namespace {

namespace fs = std::filesystem;

// A failure that keeps the run from starting; the message is shown as it is.
struct NotStarted : std::runtime_error {
    using std::runtime_error::runtime_error;
};

fs::path resolveInstallDir(const ConvertOptions& options)
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
        return fs::path(platform::ensureInstallation(settings).toStdString());
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

std::vector<engine::RunFile> filesOf(const ConvertOptions& options)
{
    std::optional<std::string> destination;
    if (options.destinationFolder) {
        const fs::path dest = fs::absolute(*options.destinationFolder);
        if (!fs::is_directory(dest)) {
            throw NotStarted("the destination folder \"" + dest.string() + "\" does not exist");
        }
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

// A one-line progress bar on a terminal.
class TerminalProgress : public engine::ProgressSink {
public:
    explicit TerminalProgress(std::ostream& out)
        : m_out(out)
    {
    }
    ~TerminalProgress() override
    {
        if (m_drawn) {
            m_out << "\n";
        }
    }
    void fileStarted(std::size_t index, std::size_t count) override
    {
        m_file = index;
        m_files = count;
        m_lastPercent = -1;
    }
    void setLineCount(std::size_t count) override { m_lines = count; }
    void setFileLabel(const std::string&) override {}
    void setLinePosition(std::size_t index) override
    {
        const int percent = m_lines == 0 ? 100 : static_cast<int>((index + 1) * 100 / m_lines);
        if (percent == m_lastPercent) {
            return;
        }
        m_lastPercent = percent;
        const int filled = percent / 5;
        m_out << "\rProcessing file " << m_file << " / " << m_files << "  [" << std::string(filled, '#')
              << std::string(20 - filled, ' ') << "] " << percent << "%" << std::flush;
        m_drawn = true;
    }
    void pumpEvents() override {}
    [[nodiscard]] bool isStopRequested() const override { return false; }

private:
    std::ostream& m_out;
    std::size_t m_file = 0;
    std::size_t m_files = 0;
    std::size_t m_lines = 0;
    int m_lastPercent = -1;
    bool m_drawn = false;
};

} // namespace

int runConvert(const ConvertOptions& options, std::ostream& messages, bool showProgress)
{
    try {
        if (options.files.empty()) {
            throw NotStarted("no point file given (see --help)");
        }
        const fs::path installDir = resolveInstallDir(options);
        engine::RunRequest request;
        request.runConfiguration = loadConfiguration(options, installDir, messages);
        request.format = loadFormat(options, request.runConfiguration, installDir, messages);
        request.files = filesOf(options);
        request.errorPolicy = options.errorPolicy;
        request.installDir = installDir;
        request.reportPath = options.reportFile ? fs::absolute(*options.reportFile) : config::layout::reportPath(installDir);
        // The report is emptied before any file is read: named like a point file, it would wipe it.
        for (const engine::RunFile& file : request.files) {
            std::error_code ec;
            if (fs::equivalent(file.source, request.reportPath, ec)) {
                throw NotStarted("the report \"" + request.reportPath.string() + "\" would replace the point file");
            }
        }
        request.timestamp = engine::reportTimestamp();
        if (!fs::is_regular_file(config::layout::prologuePath(installDir))) {
            throw NotStarted("the DXF prologue \"" + config::layout::prologuePath(installDir).string() + "\" is missing");
        }

        engine::SilentProgress silent;
        std::optional<TerminalProgress> terminal;
        if (showProgress) {
            terminal.emplace(messages);
        }
        engine::ProgressSink& progress = terminal ? static_cast<engine::ProgressSink&>(*terminal) : silent;
        const bool errors = engine::runBatch(request, progress);
        terminal.reset();
        if (errors) {
            messages << "mervalon-convert: errors were reported, see " << request.reportPath.string() << "\n";
        }
        return errors ? kErrorsReported : kNoErrors;
    } catch (const NotStarted& error) {
        messages << "mervalon-convert: " << error.what() << "\n";
    } catch (const engine::RunNotStarted& error) {
        messages << "mervalon-convert: " << error.what() << "\n";
    } catch (const std::exception& error) {
        messages << "mervalon-convert: " << error.what() << "\n";
    }
    return kNotStarted;
}

} // namespace mervalon::cli
