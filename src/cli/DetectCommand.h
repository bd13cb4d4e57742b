#pragma once
// mervalon-convert --detect: the layout of a point file, printed, and stored as a format on request.

#include "cli/ConvertOptions.h"
#include "core/formats/LayoutDetection.h"

#include <iostream>
#include <string>

namespace mervalon::cli {

/// The layout as the command prints it for people, one fact a line.
std::string layoutText(const std::string& file, const formats::DetectedLayout& layout);

/// The layout as one JSON object (without a line end): {"type":"layout","file":...,...}.
/// `savedFormat` is the format it was stored as, empty when none.
std::string layoutJson(const std::string& file, const formats::DetectedLayout& layout, const std::string& savedFormat);

/// Runs --detect (and --save-format): the layout goes to `results` (stdout), messages to
/// `messages` (stderr). Returns 0 when a layout was found (and saved), 1 when none was found,
/// 2 when the file cannot be read or the format cannot be saved.
int runDetect(const ConvertOptions& options, std::ostream& results, std::ostream& messages);

} // namespace mervalon::cli
