#pragma once
// The command line of mervalon-convert.

#include "core/engine/ErrorPolicy.h"

#include <optional>
#include <string>
#include <vector>

namespace mervalon::cli {

struct ConvertOptions {
    std::optional<std::string> installDir;
    std::optional<std::string> formatName;
    std::optional<std::string> configurationFile;
    engine::ErrorPolicy errorPolicy = engine::ErrorPolicy::SkipLine;
    std::optional<std::string> destinationFolder;
    std::optional<std::string> reportFile;
    std::vector<std::string> files;
    bool showHelp = false;
    bool showVersion = false;
    bool verbose = false; ///< the report's error lines on stderr as well
};

/// Parses the arguments (without the program name). Options take their value either as the
/// next argument or after "="; "--" ends the options. Throws std::invalid_argument with a
/// one-line message on an unknown option, a missing value or a bad --on-error value.
ConvertOptions parseConvertOptions(const std::vector<std::string>& arguments);

/// The --help text.
std::string convertHelpText();

/// The --version text: the program's name and version, one line.
std::string convertVersionText();

} // namespace mervalon::cli
