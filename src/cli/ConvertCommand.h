#pragma once
// The batch run without windows: resolves the installation, configuration and format,
// converts the files and writes the report.

#include "cli/ConvertOptions.h"
#include "core/config/Configuration.h"

#include <iostream>

namespace mervalon::cli {

/// A run stopped by a signal exits with 128 + the signal's number, as a shell reports it.
enum ExitStatus { kNoErrors = 0, kErrorsReported = 1, kNotStarted = 2, kReportNotWritten = 3 };

/// The code library of a run: --codes when given ("none": no library), else the one the
/// configuration's options name; empty for none.
std::string codeLibraryOf(const ConvertOptions& options, const config::Configuration& configuration);

/// Whether the run escapes every non-ASCII letter: --no-escape-non-ascii says no and
/// --escape-non-ascii yes, whatever the configuration's options say; without either, they decide.
bool escapesNonAscii(const ConvertOptions& options, const config::Configuration& configuration);

/// Runs the conversion the options describe. Messages for the user go to `messages`
/// (stderr); a progress bar is drawn there when `showProgress` is set. --json writes to
/// `results` (stdout); --files-from - reads `input` (stdin).
int runConvert(const ConvertOptions& options, std::ostream& messages, bool showProgress,
               std::ostream& results = std::cout, std::istream& input = std::cin);

} // namespace mervalon::cli
