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
        inUse.record = readConfigurationFile(layout::configurationsFolder(installDir) / inUse.name);
        return inUse;
    }
    inUse.fellBack = true;
    inUse.name = layout::kDefaultConfiguration;
    fs::path chosen = layout::defaultConfigurationPath(installDir);
    if (!fs::exists(chosen, ignored)) {
        fs::copy_file(layout::pristineConfigurationPath(installDir), chosen, ignored);
        if (ignored) {
            chosen = layout::pristineConfigurationPath(installDir);
        }
    }
    inUse.record = readConfigurationFile(chosen);
    return inUse;
}

} // namespace mervalon::config
