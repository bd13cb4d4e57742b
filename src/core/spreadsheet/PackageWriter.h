#pragma once
// A zip package (XLSX, ODS) written anew with some parts replaced and every other part copied as
// it was: its packed bytes, its compression, its place in the archive.

#include "core/spreadsheet/ByteOrder.h"

#include <filesystem>
#include <map>
#include <set>
#include <string>

namespace mervalon::spreadsheet {

/// The package at `source` with each part named in `replaced` holding the content of the file
/// given for it (deflated; a part of that name must exist) and without the parts named in
/// `removed`. The other parts keep their order and are copied without being unpacked, so an ODS
/// `mimetype` stays first and stored. Throws WorkbookError.
Bytes repackage(const std::filesystem::path& source, const std::map<std::string, std::filesystem::path>& replaced,
                const std::set<std::string>& removed = {});

} // namespace mervalon::spreadsheet
