#pragma once
// Seeding a user's installation folder from the data the program ships, and bringing the
// shipped files a user never changed up to date when a new version starts.

#include <filesystem>
#include <string>
#include <vector>

namespace mervalon::config {

/// Copies every file below `shippedDir` to the same place below `installDir`, creating
/// folders as needed. A file that already exists in `installDir` is never replaced. A new
/// installation is made in a hidden folder beside it and renamed into place, so it is complete
/// or not there; a folder that already holds files is completed file by file (each written
/// beside, flushed and renamed), marked unfinished until the last one is there. Returns the
/// files copied. Throws std::filesystem::filesystem_error on failure, leaving no new folder.
std::vector<std::filesystem::path> seedInstallation(const std::filesystem::path& shippedDir,
                                                    const std::filesystem::path& installDir);

/// True when `dir` looks like an installation: it holds the prologue and the formats folder,
/// and no seeding of it was cut short.
bool isInstallation(const std::filesystem::path& dir);

/// Restores shipped files that an installation holds damaged: empty, or (for the prologue and
/// the records, whose bytes are all fixed) a beginning of the shipped file, as a copy cut
/// short leaves them. Such a file is never the user's change. Returns the files restored.
/// Throws std::system_error when one cannot be written.
std::vector<std::filesystem::path> repairInstallation(const std::filesystem::path& shippedDir,
                                                      const std::filesystem::path& installDir);

/// A shipped file that a new version may replace in an installation, with the SHA-256 of what
/// this version ships and of what every earlier version shipped. Formats, configurations, the
/// file-type list and the ini are the user's and never appear here.
struct UpgradableFile {
    std::string relativePath;
    std::string currentChecksum;
    std::vector<std::string> earlierChecksums;
};

/// The files this version may upgrade: the DXF prologue.
const std::vector<UpgradableFile>& upgradableFiles();

struct InstallationUpgrade {
    /// Files that still held what an earlier version shipped, now replaced by this version's.
    std::vector<std::filesystem::path> replaced;
    /// Files the user changed: kept, with this version's file put beside them (first: the kept
    /// file, second: the new one). Each is listed once, the first time it is put there.
    std::vector<std::pair<std::filesystem::path, std::filesystem::path>> keptBeside;
};

/// The name beside a changed file where this version's file goes: "<name>.new".
std::filesystem::path besideName(const std::filesystem::path& installed);

/// Brings `installDir` up to date with `shippedDir` for `files`: a file holding what an earlier
/// version shipped is replaced (written beside and renamed over); a file the user changed is
/// kept and the shipped one written beside it, unless that was done before. Missing files are
/// left to seedInstallation. Throws std::system_error when a file cannot be read or written.
InstallationUpgrade upgradeInstallation(const std::filesystem::path& shippedDir,
                                        const std::filesystem::path& installDir,
                                        const std::vector<UpgradableFile>& files = upgradableFiles());

/// Brings the installation's manual and Active Help topics in line with the shipped ones: a page
/// or picture that is missing or differs is written (beside, then renamed over), so that an
/// installation made by an earlier version shows this version's manual. Files there that the
/// program does not ship are left alone. Returns the files written. Throws std::system_error
/// when a file cannot be read or written.
std::vector<std::filesystem::path> refreshProgramDocuments(const std::filesystem::path& shippedDir,
                                                           const std::filesystem::path& installDir);

/// File-type lines that versions added to the shipped list after installations were made with
/// it: "Spreadsheets | xls;xlsx;ods" (XLSX and ODS workbooks are read since 4.0's workbook update).
const std::vector<std::string>& offeredFileTypes();

/// The file where an installation records the file-type lines already offered to it.
std::filesystem::path offeredFileTypesPath(const std::filesystem::path& installDir);

/// Offers each of `lines` to the installation's file-type list once: a line is appended (after
/// the user's own lines, so that the file types configurations refer to by position stay where
/// they are) unless the list already has a type of that name or one covering its extensions, or
/// it was offered before (a user who removed it keeps it removed). What was offered is recorded
/// in offeredFileTypesPath(). Both files are replaced atomically. Returns the lines appended.
/// Throws std::system_error when a file cannot be read or written; an installation without a
/// file-type list is left alone.
std::vector<std::string> offerFileTypes(const std::filesystem::path& installDir,
                                        const std::vector<std::string>& lines = offeredFileTypes());

} // namespace mervalon::config
