#include "core/config/InstallationSeed.h"

#include "core/config/ExtensionList.h"
#include "core/config/InstallationLayout.h"
#include "core/io/FileIo.h"
#include "core/io/ReplaceFile.h"
#include "core/io/Sha256.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <optional>
#include <string_view>
#include <unistd.h>

namespace mervalon::config {

namespace fs = std::filesystem;

namespace {

// Present while a folder is being made an installation in place; a start that finds it
// finishes the work instead of taking the folder for a complete installation.
constexpr const char* kUnfinishedMarker = ".installing";

[[noreturn]] void fail(const std::string& what, const fs::path& path, int error)
{
    throw fs::filesystem_error(what, path, std::error_code(error, std::generic_category()));
}

// Writes a new file and flushes it to the disk; an existing name is an error (O_EXCL), so
// nothing is written through a link planted under it.
void writeNewFile(const fs::path& path, const std::string& bytes)
{
    int fd = -1;
    do {
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        fail("cannot create", path, errno);
    }
    int error = io::writeAll(fd, bytes.data(), bytes.size());
    if (error == 0 && ::fsync(fd) != 0) {
        error = errno;
    }
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlink(path.c_str());
        fail("cannot write", path, error);
    }
}

std::string hiddenSibling(const fs::path& path, std::string_view what)
{
    std::string name(1, '.');
    name += path.filename().string();
    name += what;
    name += std::to_string(::getpid());
    return name;
}

// Puts a shipped file into the installation whole or not at all, and never over a file that is
// there already (another program starting at the same moment may have put it there first).
// Returns false when the file was there.
bool installFile(const fs::path& shipped, const fs::path& target)
{
    const fs::path temporary = target.parent_path() / hiddenSibling(target, ".installing-");
    ::unlink(temporary.c_str()); // a leftover of this very process number, from a killed start
    std::string bytes;
    try {
        bytes = io::readFileText(shipped);
    } catch (const std::system_error& error) {
        throw fs::filesystem_error("cannot read", shipped, error.code());
    }
    writeNewFile(temporary, bytes);
    if (::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    int error = errno;
    if (error == EINVAL || error == ENOSYS) {
        // A file system without RENAME_NOREPLACE: a hard link is just as exclusive.
        error = ::link(temporary.c_str(), target.c_str()) == 0 ? 0 : errno;
    }
    ::unlink(temporary.c_str());
    if (error == EEXIST) {
        return false;
    }
    if (error != 0) {
        fail("cannot install", target, error);
    }
    return true;
}

// Copies what is missing of `shippedDir` into `installDir`, file by file.
std::vector<fs::path> copyMissing(const fs::path& shippedDir, const fs::path& installDir)
{
    std::vector<fs::path> copied;
    fs::create_directories(installDir);
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(shippedDir)) {
        const fs::path target = installDir / fs::relative(entry.path(), shippedDir);
        if (entry.is_directory()) {
            fs::create_directories(target);
        } else if (entry.is_regular_file() && !fs::exists(fs::symlink_status(target)) &&
                   installFile(entry.path(), target)) {
            copied.push_back(target);
        }
    }
    return copied;
}

// Folders of killed first starts, left beside the installation: removed once they are old
// enough that no start can still be working in them.
void removeAbandonedFolders(const fs::path& installDir)
{
    const std::string prefix = "." + installDir.filename().string() + ".installing-";
    std::error_code ec;
    const auto now = fs::file_time_type::clock::now();
    for (fs::directory_iterator it(installDir.parent_path(), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        std::error_code timeError;
        const auto changed = fs::last_write_time(it->path(), timeError);
        if (name.starts_with(prefix) && !timeError && now - changed > std::chrono::hours(1)) {
            std::error_code removeError;
            fs::remove_all(it->path(), removeError);
        }
    }
}

// A new installation is made whole in a hidden folder beside it and renamed into place, so
// that a start cut short (a full disk, a kill) leaves no installation rather than a broken one.
std::optional<std::vector<fs::path>> seedNewFolder(const fs::path& shippedDir, const fs::path& installDir)
{
    const fs::path parent = installDir.parent_path().empty() ? fs::path(".") : installDir.parent_path();
    fs::create_directories(parent);
    removeAbandonedFolders(installDir);
    const fs::path building = parent / hiddenSibling(installDir, ".installing-");
    fs::remove_all(building);
    std::vector<fs::path> copied;
    try {
        for (const fs::path& file : copyMissing(shippedDir, building)) {
            copied.push_back(installDir / fs::relative(file, building));
        }
        io::syncFolder(building);
    } catch (...) {
        std::error_code ec;
        fs::remove_all(building, ec);
        throw;
    }
    if (std::rename(building.c_str(), installDir.c_str()) != 0) {
        const int error = errno;
        std::error_code ec;
        fs::remove_all(building, ec);
        if (error == EEXIST || error == ENOTEMPTY) {
            return std::nullopt; // another start was quicker: its folder is completed in place
        }
        fail("cannot install", installDir, error);
    }
    io::syncFolder(parent);
    return copied;
}

bool isEmptyFolder(const fs::path& dir)
{
    std::error_code ec;
    return fs::is_directory(dir, ec) && fs::is_empty(dir, ec);
}

} // namespace

std::vector<fs::path> seedInstallation(const fs::path& shippedDir, const fs::path& installDir)
{
    if (!fs::is_directory(shippedDir)) {
        fail("no shipped data", shippedDir, ENOENT);
    }
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(installDir, ec)) || isEmptyFolder(installDir)) {
        if (isEmptyFolder(installDir)) {
            fs::remove(installDir, ec);
        }
        if (auto copied = seedNewFolder(shippedDir, installDir)) {
            return *copied;
        }
    }
    // A folder that holds files already (the user's own, or a start cut short) is completed in
    // place; the marker says, until the last file is there, that it is not complete yet.
    const fs::path marker = installDir / kUnfinishedMarker;
    fs::create_directories(installDir);
    const int markerFd = ::open(marker.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (markerFd < 0) {
        fail("cannot install", installDir, errno);
    }
    ::close(markerFd);
    io::syncFolder(installDir);
    std::vector<fs::path> copied = copyMissing(shippedDir, installDir);
    io::syncFolder(installDir);
    fs::remove(marker, ec);
    return copied;
}

bool isInstallation(const fs::path& dir)
{
    std::error_code ec;
    return !dir.empty() && fs::is_regular_file(layout::prologuePath(dir), ec) &&
           fs::is_directory(layout::formatsFolder(dir), ec) && !fs::exists(dir / kUnfinishedMarker, ec);
}

namespace {

// Files whose every byte is fixed by what they are (the prologue, the records): one that is a
// beginning of the shipped file was cut short, never edited.
bool isFixedContent(const fs::path& relative)
{
    const std::string extension = relative.extension().string();
    return relative == layout::kPrologue || extension == layout::kFormatSuffix ||
           extension == layout::kConfigurationSuffix;
}

bool isDamagedCopy(const fs::path& shipped, const fs::path& installed, const fs::path& relative)
{
    std::error_code ec;
    const auto shippedSize = fs::file_size(shipped, ec);
    if (ec || shippedSize == 0) {
        return false;
    }
    const auto installedSize = fs::file_size(installed, ec);
    if (ec || installedSize >= shippedSize) {
        return false;
    }
    if (installedSize == 0) {
        return true; // no shipped file is ever empty, nor can one be emptied in the program
    }
    if (!isFixedContent(relative)) {
        return false; // a shorter list may be the user's own
    }
    const std::string shippedBytes = io::readFileText(shipped);
    return shippedBytes.starts_with(io::readFileText(installed));
}

} // namespace

std::vector<fs::path> repairInstallation(const fs::path& shippedDir, const fs::path& installDir)
{
    std::vector<fs::path> repaired;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(shippedDir, ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file()) {
            continue;
        }
        const fs::path relative = fs::relative(it->path(), shippedDir);
        const fs::path installed = installDir / relative;
        std::error_code statError;
        if (fs::is_regular_file(fs::symlink_status(installed, statError)) &&
            isDamagedCopy(it->path(), installed, relative)) {
            io::replaceFile(installed, io::readFileText(it->path()));
            repaired.push_back(installed);
        }
    }
    return repaired;
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

std::vector<fs::path> refreshProgramDocuments(const fs::path& shippedDir, const fs::path& installDir)
{
    std::vector<fs::path> written;
    for (const char* folder : {layout::kManualFolder, layout::kActiveHelpFolder}) {
        const fs::path shippedFolder = shippedDir / folder;
        std::error_code ec;
        if (!fs::is_directory(shippedFolder, ec)) {
            continue;
        }
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(shippedFolder)) {
            const fs::path target = installDir / fs::relative(entry.path(), shippedDir);
            if (entry.is_directory()) {
                fs::create_directories(target);
                continue;
            }
            if (!entry.is_regular_file()) {
                continue;
            }
            // A copy carries its shipped file's time: an unchanged manual then costs two stats per
            // file at a start, not a read of every picture. Only a copy whose size or time differs
            // is compared byte for byte (and given the shipped time when it is the same).
            std::error_code statError;
            const auto shippedTime = entry.last_write_time();
            const bool sameSize = fs::file_size(target, statError) == entry.file_size() && !statError;
            if (sameSize && fs::last_write_time(target, statError) == shippedTime && !statError) {
                continue;
            }
            const std::string shippedBytes = io::readFileText(entry.path());
            if (!sameSize || io::readFileText(target) != shippedBytes) {
                io::replaceFile(target, shippedBytes);
                written.push_back(target);
            }
            fs::last_write_time(target, shippedTime, statError); // best effort: else compared again next time
        }
    }
    return written;
}

const std::vector<std::string>& offeredFileTypes()
{
    static const std::vector<std::string> lines = {"Spreadsheets | xls;xlsx;ods"};
    return lines;
}

fs::path offeredFileTypesPath(const fs::path& installDir)
{
    return installDir / (std::string(layout::kFileTypes) + ".offered");
}

namespace {

std::string lowerCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    return text;
}

// True when the list has a type named like `line` or one whose extensions include all of its own.
bool listCovers(const ExtensionList& list, const std::string& line)
{
    const std::string name = lowerCase(displayName(line));
    const std::vector<std::string> wanted = splitExtensions(extensionsText(line));
    for (std::size_t i = 0; i < list.count(); ++i) {
        if (lowerCase(displayName(list.line(i))) == name) {
            return true;
        }
        std::vector<std::string> have = list.extensionsAt(i);
        std::transform(have.begin(), have.end(), have.begin(), lowerCase);
        const bool all = std::all_of(wanted.begin(), wanted.end(), [&](const std::string& extension) {
            return std::find(have.begin(), have.end(), lowerCase(extension)) != have.end();
        });
        if (all) {
            return true;
        }
    }
    return false;
}

} // namespace

std::vector<std::string> offerFileTypes(const fs::path& installDir, const std::vector<std::string>& lines)
{
    std::vector<std::string> appended;
    const fs::path listPath = installDir / layout::kFileTypes;
    std::error_code ec;
    if (!fs::is_regular_file(listPath, ec)) {
        return appended;
    }
    const fs::path recordPath = offeredFileTypesPath(installDir);
    ExtensionList offered;
    if (fs::is_regular_file(recordPath, ec)) {
        offered = ExtensionList::load(recordPath);
    }
    ExtensionList list = ExtensionList::load(listPath);
    bool recorded = false;
    for (const std::string& line : lines) {
        const auto& done = offered.lines();
        if (std::find(done.begin(), done.end(), line) != done.end()) {
            continue;
        }
        if (!listCovers(list, line)) {
            list.append(line);
            appended.push_back(line);
        }
        offered.append(line);
        recorded = true;
    }
    // The list first: should the record fail, the next start finds the line there and adds nothing.
    if (!appended.empty()) {
        io::replaceFile(listPath, list.serialize());
    }
    if (recorded) {
        io::replaceFile(recordPath, offered.serialize());
    }
    return appended;
}

} // namespace mervalon::config
