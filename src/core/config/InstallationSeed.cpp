#include "core/config/InstallationSeed.h"
#include "core/config/InstallationLayout.h"

namespace mervalon::config {

namespace fs = std::filesystem;

std::vector<fs::path> seedInstallation(const fs::path& shippedDir, const fs::path& installDir)
{
    std::vector<fs::path> copied;
    fs::create_directories(installDir);
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(shippedDir)) {
        const fs::path target = installDir / fs::relative(entry.path(), shippedDir);
        if (entry.is_directory()) {
            fs::create_directories(target);
        } else if (entry.is_regular_file() && !fs::exists(target)) {
            fs::copy_file(entry.path(), target, fs::copy_options::skip_existing);
            copied.push_back(target);
        }
    }
    return copied;
}

bool isInstallation(const fs::path& dir)
{
    std::error_code ec;
    return !dir.empty() && fs::is_regular_file(layout::prologuePath(dir), ec) && fs::is_directory(layout::formatsFolder(dir), ec);
}

} // namespace mervalon::config
