#pragma once
// A code library chosen for a run, with the block definitions of the symbols it uses: read and
// checked once, before anything is written, and shared by every file of the run.

#include "core/codes/CodeLibrary.h"

#include <filesystem>
#include <map>
#include <string>

namespace mervalon::codes {

struct CodeSet {
    std::filesystem::path path; ///< the library file
    CodeLibrary library;
    std::map<std::string, std::string> blocks; ///< symbol name -> block definition (SymbolLibrary.h)
};

/// The file a choice names: `choice` itself when it names a file (it ends in ".csv" or holds a
/// "/"), else the installation's "codes/<choice>.csv".
std::filesystem::path codeLibraryPath(const std::string& choice, const std::filesystem::path& installDir);

/// Reads the library `choice` names and the symbols it uses from the installation's "symbols".
/// Throws CodeLibraryError with a message naming the file (and the row, for a faulty row).
CodeSet loadCodeSet(const std::string& choice, const std::filesystem::path& installDir);

} // namespace mervalon::codes
