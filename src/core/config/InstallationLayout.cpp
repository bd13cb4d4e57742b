#include "core/config/InstallationLayout.h"

#include "core/io/FileIo.h"

#include <system_error>

namespace fs = std::filesystem;

namespace mervalon::config {
namespace layout {

fs::path prologuePath(const fs::path& installDir)
{
    return installDir / kPrologue;
}
fs::path fileTypesPath(const fs::path& installDir)
{
    return installDir / kFileTypes;
}
fs::path configurationInUsePath(const fs::path& installDir)
{
    return installDir / kConfigurationInUse;
}
fs::path reportPath(const fs::path& installDir)
{
    return installDir / kReport;
}
fs::path formatsFolder(const fs::path& installDir)
{
    return installDir / kFormatsFolder;
}
fs::path configurationsFolder(const fs::path& installDir)
{
    return installDir / kConfigurationsFolder;
}
fs::path defaultConfigurationPath(const fs::path& installDir)
{
    return configurationsFolder(installDir) / kDefaultConfiguration;
}
fs::path pristineConfigurationPath(const fs::path& installDir)
{
    return installDir / kDefaultConfiguration;
}

} // namespace layout

namespace {

std::string recordedConfigurationName(const fs::path& installDir)
{
    try {
        const std::string text = io::readFileText(layout::configurationInUsePath(installDir));
        return text.substr(0, text.find_first_of("\r\n"));
    } catch (const std::system_error&) {
        // No ini: no configuration was recorded, and the default serves.
        return {};
    }
}

} // namespace

ConfigurationInUse readConfigurationInUse(const fs::path& installDir)
{
    ConfigurationInUse inUse;
    inUse.recordedName = recordedConfigurationName(installDir);
    std::error_code ignored;
    if (!inUse.recordedName.empty() &&
        fs::is_regular_file(layout::configurationsFolder(installDir) / inUse.recordedName, ignored)) {
        inUse.name = inUse.recordedName;
        inUse.file = layout::configurationsFolder(installDir) / inUse.name;
    } else {
        inUse.fellBack = true;
        inUse.name = layout::kDefaultConfiguration;
        inUse.file = layout::defaultConfigurationPath(installDir);
        if (!fs::exists(inUse.file, ignored)) {
            try {
                copyConfigurationFile(layout::pristineConfigurationPath(installDir), inUse.file);
            } catch (const std::exception&) {
                inUse.file = layout::pristineConfigurationPath(installDir);
            }
        }
    }
    inUse.record = readConfigurationFile(inUse.file);
    try {
        inUse.record.options = loadOptionsOf(inUse.file);
    } catch (const NotConfigurationOptions& error) {
        inUse.optionsFault = error.what();
    }
    return inUse;
}

} // namespace mervalon::config
