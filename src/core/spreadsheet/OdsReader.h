#pragma once
// OpenDocument spreadsheets (.ods, and flat .fods), read a sheet at a time from content.xml.

#include "core/spreadsheet/SheetRows.h"
#include "core/spreadsheet/SheetStream.h"
#include "core/spreadsheet/TextCodec.h"

#include <functional>
#include <string>
#include <vector>

namespace mervalon::spreadsheet {

/// `document` is content.xml, or a whole flat document.
/// Streams the table `selector` chooses (as selectSheet does for an XLS workbook) into `visitor`:
/// floats, percentages and currencies are numbers; dates and times the texts the XLS reader
/// gives a date-formatted number; booleans "TRUE"/"FALSE"; error results their text; texts
/// Windows-1252 (paragraphs joined by line feeds, annotations left out). Repeated rows and cells
/// are handed on as a count, never multiplied out; covered cells of merged areas are empty.
/// Returns false when no table qualifies. `sawSpreadsheet` tells whether the document had a
/// spreadsheet body at all. With `escapes`, the texts keep the characters Windows-1252 lacks (see
/// CharacterEscapes). Throws WorkbookError.
bool streamOdsSheet(const DocumentSource& document, const SheetSelector& selector, RowVisitor& visitor,
                    bool* sawSpreadsheet = nullptr, CharacterEscapes* escapes = nullptr);

/// The tables' names in order (a full pass over the document).
std::vector<std::string> odsSheetNames(const DocumentSource& document);

} // namespace mervalon::spreadsheet
