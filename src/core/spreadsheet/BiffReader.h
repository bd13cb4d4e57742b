#pragma once
// Reading a BIFF5/BIFF7 ("Book") or BIFF8 ("Workbook") stream into sheets with cell values,
// keeping the record layout that a later save needs.

#include "core/spreadsheet/BiffRecords.h"
#include "core/spreadsheet/SharedStrings.h"
#include "core/spreadsheet/Sheet.h"
#include "core/spreadsheet/TextCodec.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mervalon::spreadsheet {

enum class BiffVersion { Biff5, Biff8 };

/// One BOUNDSHEET of the globals and the substream it points to.
struct SheetSource {
    std::string name;
    std::uint8_t type = 0;            ///< 0 worksheet, 1 macro sheet, 2 chart, 6 VB module
    std::size_t boundSheetRecord = 0; ///< index into BiffWorkbook::globals
    std::vector<RecordRef> records;   ///< the substream, BOF..EOF; empty when it was not found
    std::uint32_t sharedStringCells = 0;
};

/// A parsed workbook stream. `sheets[i]` is the sheet of `sources[sheetSource[i]]`.
struct BiffWorkbook {
    BiffVersion version = BiffVersion::Biff8;
    Bytes stream;
    std::vector<RecordRef> globals;
    CodePage codePage;
    bool system1904 = false;
    std::size_t xfCount = 0;
    std::optional<std::size_t> sstRecord;
    SharedStrings strings;
    std::vector<SheetSource> sources;
    std::vector<Sheet> sheets;
    std::vector<std::size_t> sheetSource;
};

/// Parses a workbook stream. What the program makes of cells:
/// - numbers (NUMBER, RK, MULRK, numeric formula results) stay numbers, except that a number whose
///   cell format is a date or time format becomes the text of CellText's dateText();
/// - texts (LABELSST, LABEL, RSTRING, string formula results) become Windows-1252 texts;
/// - booleans become "TRUE" or "FALSE", error codes their Excel text ("#DIV/0!", "#N/A", …), so a
///   faulty cell stays in its column and is reported by whoever reads it as a number;
/// - BLANK, MULBLANK and formulas with an empty result are no value (null).
/// Sheets are the BOUNDSHEETs in order, without VB modules (which Excel shows no tab for); chart
/// sheets are kept as sheets without cells so that sheet numbers match the tabs the user sees.
/// Cells beyond column 256 (IV), which no spreadsheet program writes, are ignored. DIMENSIONS is
/// not trusted: the used range comes from the cells themselves.
/// Throws WorkbookError for an encrypted workbook (FILEPASS), a version older than BIFF5, and
/// damaged structures (records past the stream, string references out of range, lying lengths).
/// With `escapes`, the texts keep the characters Windows-1252 lacks (see CharacterEscapes); sheet
/// names never do.
BiffWorkbook readBiff(Bytes stream, CharacterEscapes* escapes = nullptr);

} // namespace mervalon::spreadsheet
