#pragma once
// The library of formats: the *.rpf files of the installation's formats folder, known to the
// user by their names.

#include <filesystem>
#include <string>
#include <vector>

namespace mervalon::formats {

/// The name of the format a file holds: its file name up to the first ".", lower-cased.
std::string formatNameOfFile(const std::string& fileName);

/// The names of the formats in "<installDir>/formats": one per *.rpf file, in ascending byte
/// order without repeats (so "!default" comes first). Empty when the folder cannot be listed.
std::vector<std::string> listFormats(const std::filesystem::path& installDir);

} // namespace mervalon::formats
