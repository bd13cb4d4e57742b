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
    bool verbose = false;                  ///< the report's error lines on stderr as well
    unsigned jobs = 1;                     ///< files converted at once; 0: one per processor
    std::optional<unsigned> formatThreads; ///< a file's lines formatted ahead on so many threads
    bool json = false;                     ///< one JSON object per file and one for the run on stdout
    std::optional<std::string> filesFrom;  ///< a file listing the point files ("-": standard input)
    bool nullSeparated = false;            ///< the list's names end with NUL instead of a new line
    bool skipExisting = false;             ///< files whose drawing is newer than they are skipped
    bool dryRun = false;                   ///< check and report, write no drawing
    bool escapeNonAscii = false;           ///< every non-ASCII letter of the texts as an escape
    bool noEscapeNonAscii = false;         ///< not so, whatever the configuration's options say
    // Layout detection instead of a conversion.
    std::optional<std::string> detectFile;     ///< --detect: print the layout of this point file
    std::optional<std::string> saveFormatName; ///< --save-format: store the layout found as this format
    /// --codes: a library of the installation's codes/, a .csv file, or "none"; it wins over the
    /// configuration's options.
    std::optional<std::string> codeLibrary;
};

/// The highest --jobs taken.
constexpr unsigned kMaxJobs = 256;

/// Parses the arguments (without the program name). Options take their value either as the
/// next argument or after "="; "--" ends the options. Throws std::invalid_argument with a
/// one-line message on an unknown option, a missing value or a bad --on-error value.
ConvertOptions parseConvertOptions(const std::vector<std::string>& arguments);

/// The --help text.
std::string convertHelpText();

/// The --version text: the program's name and version, one line.
std::string convertVersionText();

} // namespace mervalon::cli
