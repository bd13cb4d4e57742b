#pragma once
// What kind of workbook a file holds, told by its content rather than its name.

#include "core/spreadsheet/ByteOrder.h"

#include <string>

namespace mervalon::spreadsheet {

enum class WorkbookFileKind {
    Binary,  ///< an OLE2 compound file or a bare BIFF stream: an XLS workbook (or an encrypted XLSX)
    Zip,     ///< a zip package: XLSX/XLSM or ODS (or some other zip)
    FlatXml, ///< an XML document: a flat OpenDocument spreadsheet (.fods), or some other XML
    Text,    ///< a text file: a CSV or point file, not a workbook
    Unknown, ///< anything else (read as XLS, whose reader says why it is not one)
};

/// The kind of `head`, a file's first bytes (a few KiB make the text test reliable).
WorkbookFileKind workbookFileKind(ByteView head);

class ZipPackage;

enum class PackageKind {
    Ooxml, ///< an Office Open XML workbook (.xlsx, .xlsm)
    Ods,   ///< an OpenDocument spreadsheet
    Other, ///< some other zip archive
};

/// What a zip package holds.
PackageKind packageKind(ZipPackage& package);

/// The report's sentence for a text file given as a workbook.
std::string textFileMessage();

} // namespace mervalon::spreadsheet
