#pragma once
// Telling, for a file the user wants to look at, whether it is a workbook we can show, a
// workbook we cannot read, or something else altogether.

#include "core/spreadsheet/ByteOrder.h"
#include "core/spreadsheet/PackageWorkbook.h"
#include "core/spreadsheet/Workbook.h"

#include <filesystem>
#include <optional>
#include <string>

namespace mervalon::spreadsheet {

enum class WorkbookProbe {
    Workbook,    ///< opened: `workbook` (XLS) or `package` (XLSX, ODS, flat ODS) holds it
    Unreadable,  ///< looks like a workbook (container or record signature) but cannot be read
    NotWorkbook, ///< anything else, to be shown as text
};

struct ProbedFile {
    WorkbookProbe kind = WorkbookProbe::NotWorkbook;
    std::optional<Workbook> workbook;
    std::optional<PackageWorkbook> package;
    std::string error; ///< why an Unreadable file could not be read
};

/// True when `head` (the first bytes of a file) starts like a workbook: the compound-file
/// signature, or a bare BIFF stream's BOF record. Such a file is binary; showing it as text and
/// saving it would destroy it.
bool hasWorkbookSignature(ByteView head);

/// Opens `path` as a workbook when it has a workbook's signature: an XLS workbook, or an XLSX or
/// ODS package (a damaged package is Unreadable; other zip archives are NotWorkbook), or a flat
/// ODS document (other XML documents, and XML that cannot be read, are NotWorkbook: text to
/// show). Never throws.
ProbedFile probeWorkbook(const std::filesystem::path& path);

} // namespace mervalon::spreadsheet
