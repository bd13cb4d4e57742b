#pragma once
// Seeding a user's installation folder from the data the program ships.

#include <filesystem>
#include <vector>

namespace mervalon::config {

/// Copies every file below `shippedDir` to the same place below `installDir`, creating
/// folders as needed. A file that already exists in `installDir` is never replaced.
/// Returns the files copied. Throws std::filesystem::filesystem_error on failure.
std::vector<std::filesystem::path> seedInstallation(const std::filesystem::path& shippedDir,
                                                    const std::filesystem::path& installDir);

/// True when `dir` looks like an installation: it holds the prologue and the formats folder.
bool isInstallation(const std::filesystem::path& dir);

} // namespace mervalon::config
