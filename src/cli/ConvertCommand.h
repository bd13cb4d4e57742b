#pragma once
// The batch run without windows: resolves the installation, configuration and format,
// converts the files and writes the report.

#include "cli/ConvertOptions.h"

#include <iostream>

namespace mervalon::cli {

/// A run stopped by a signal exits with 128 + the signal's number, as a shell reports it.
enum ExitStatus { kNoErrors = 0, kErrorsReported = 1, kNotStarted = 2, kReportNotWritten = 3 };

/// Runs the conversion the options describe. Messages for the user go to `messages`
/// (stderr); a progress bar is drawn there when `showProgress` is set. --json writes to
/// `results` (stdout); --files-from - reads `input` (stdin).
int runConvert(const ConvertOptions& options, std::ostream& messages, bool showProgress,
               std::ostream& results = std::cout, std::istream& input = std::cin);

} // namespace mervalon::cli
