#pragma once
// Replacing a file's contents so that a failure never damages it.

#include "core/spreadsheet/ByteOrder.h"
#include "core/spreadsheet/WorkbookError.h"

#include <filesystem>

namespace mervalon::spreadsheet {

/// Writes `bytes` to a new file beside `path` (same folder, same permissions), flushes it to the
/// disk, then renames it over `path` and flushes the folder. On any failure the new file is
/// removed, `path` is left as it was, and WorkbookError says what went wrong.
void replaceFileSafely(const std::filesystem::path& path, ByteView bytes);

} // namespace mervalon::spreadsheet
