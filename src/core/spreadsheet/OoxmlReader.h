#pragma once
// Office Open XML workbooks (.xlsx, .xlsm; transitional and strict), read a sheet at a time.

#include "core/spreadsheet/CellText.h"
#include "core/spreadsheet/SheetRows.h"
#include "core/spreadsheet/SheetStream.h"
#include "core/spreadsheet/TextCodec.h"
#include "core/spreadsheet/ZipPackage.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mervalon::spreadsheet {

/// True when the package holds an Office Open XML workbook.
bool isOoxmlWorkbook(ZipPackage& package);

/// The sheets of the workbook in tab order (names in Windows-1252); chart sheets included.
std::vector<std::string> ooxmlSheetNames(ZipPackage& package);

/// Streams the sheet `selector` chooses (as selectSheet does for an XLS workbook) into `visitor`.
/// What cells become is what the XLS reader makes of them: numbers stay numbers unless their
/// number format is a date, time or duration (then the text the XLS reader gives, in the
/// workbook's date system), texts (shared, inline, formula results) Windows-1252 texts, booleans
/// "TRUE"/"FALSE", errors their text; formulas without a result and styled blanks are no value.
/// With `escapes`, the texts keep the characters Windows-1252 lacks (see CharacterEscapes).
/// Returns false when no sheet qualifies. Throws WorkbookError.
bool streamOoxmlSheet(ZipPackage& package, const SheetSelector& selector, RowVisitor& visitor,
                      CharacterEscapes* escapes = nullptr);

/// Where sheet `number` (1-based) lives: its part, whether it is a worksheet (not a chart or
/// dialog sheet), and how many of the workbook's defined names refer to its cells. nullopt outside the sheets.
struct OoxmlSheetPart {
    std::string part;
    bool worksheet = false;
    std::uint64_t definedNames = 0;
};
std::optional<OoxmlSheetPart> ooxmlSheetPart(ZipPackage& package, int number);

/// The workbook's calculation chain (its formula cells by address, in the order last calculated):
/// its part and the relationships part that names it. nullopt when the workbook has none.
struct OoxmlCalcChain {
    std::string part;
    std::string relationships;
};
std::optional<OoxmlCalcChain> ooxmlCalcChain(ZipPackage& package);

/// The parts of the workbook as the fuzzers and tests reach them one at a time: the shared
/// strings, and one worksheet read with given strings and cell formats (by style index).
std::vector<std::string> readOoxmlSharedStrings(const DocumentSource& part);
void streamOoxmlWorksheet(const DocumentSource& part, const std::vector<std::string>& sharedStrings,
                          const std::vector<TimeFormat>& formats, bool system1904, RowVisitor& visitor);

} // namespace mervalon::spreadsheet
