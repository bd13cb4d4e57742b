#include "core/config/InstallationSeed.h"
#include "core/config/InstallationLayout.h"

#include "core/io/FileIo.h"
#include "core/io/ReplaceFile.h"
#include "core/io/Sha256.h"

#include <algorithm>

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

const std::vector<UpgradableFile>& upgradableFiles()
{
    // When a shipped file changes, its former current checksum joins the earlier ones (the
    // installation tests compare the current one with the shipped file).
    static const std::vector<UpgradableFile> files = {
        {"dxf.dat",
         "368bfe1a8b9d3481ed584f2b7d66aff7ca635e4b7a68c934b0f97d380b667fae",
         {
             // Extents at +-1E+20 and one-pixel points.
             "f8f89c4ab39e74531a94b4d87478cc8ba65f5f2257d1ec2c767a529614bf39e2",
             // The first prologue.
             "daab932340bd9e78f8b1f18a80345c53a52ade615090f38a8469f6fc9f278c22",
         }},
    };
    return files;
}

fs::path besideName(const fs::path& installed)
{
    fs::path beside = installed;
    beside += ".new";
    return beside;
}

InstallationUpgrade upgradeInstallation(const fs::path& shippedDir, const fs::path& installDir,
                                        const std::vector<UpgradableFile>& files)
{
    InstallationUpgrade upgrade;
    for (const UpgradableFile& file : files) {
        const fs::path shipped = shippedDir / file.relativePath;
        const fs::path installed = installDir / file.relativePath;
        std::error_code ec;
        if (!fs::is_regular_file(shipped, ec) || !fs::is_regular_file(installed, ec)) {
            continue;
        }
        const std::string shippedBytes = io::readFileText(shipped);
        const std::string installedBytes = io::readFileText(installed);
        if (installedBytes == shippedBytes) {
            continue;
        }
        const std::string checksum = io::sha256Hex(installedBytes);
        const auto& earlier = file.earlierChecksums;
        if (std::find(earlier.begin(), earlier.end(), checksum) != earlier.end()) {
            io::replaceFile(installed, shippedBytes);
            upgrade.replaced.push_back(installed);
            continue;
        }
        const fs::path beside = besideName(installed);
        if (fs::is_regular_file(beside, ec) && io::readFileText(beside) == shippedBytes) {
            continue; // put there at an earlier start, and said then
        }
        io::replaceFile(beside, shippedBytes);
        upgrade.keptBeside.emplace_back(installed, beside);
    }
    return upgrade;
}

} // namespace mervalon::config
