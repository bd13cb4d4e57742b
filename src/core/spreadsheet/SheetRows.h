#pragma once
// The rows of one workbook sheet as the conversion reads them.

#include "core/spreadsheet/ByteOrder.h"
#include "core/spreadsheet/Workbook.h"
#include "core/spreadsheet/WorkbookError.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace mervalon::spreadsheet {

/// Which sheet to read: by number when `sheetNumber` >= 0, by name (`sheetText`) when it is -1.
/// `sheetText` is also the number as the user typed it.
struct SheetSelector {
    std::int32_t sheetNumber = -1;
    std::string sheetText;
};

/// No sheet of the workbook qualifies for the selector.
struct SheetNotFound {};

/// The texts of one row's cells, in column order.
using RowTexts = std::vector<std::string>;

using SheetRows = std::variant<std::vector<RowTexts>, SheetNotFound>;

/// The chosen sheet: by number n, sheet n when 1 <= n <= count, none for 0; for a negative n,
/// n beyond the count, or a choice by name, the sheet whose name equals `sheetText` exactly
/// (case-sensitive). nullptr when none qualifies.
const Sheet* selectSheet(const Workbook& workbook, const SheetSelector& selector);

/// The texts of each sheet row from `firstLine` (at least 1) to the last row of the used range,
/// as the user numbers rows in the spreadsheet program (row 1 is the sheet's first row, wherever
/// the used range begins). A row's fields are its cells' values from column A to the last used
/// column, as texts, untrimmed; cells without a value and cells holding an empty text are
/// skipped, so later cells move left (as empty fields of a text line vanish). A row without
/// fields is an empty list.
std::vector<RowTexts> sheetRows(const Sheet& sheet, std::int32_t firstLine);

/// Opens the workbook, chooses the sheet and reads its rows. The kind of workbook (XLS; XLSX or
/// XLSM; ODS or flat ODS) is told by the file's content, not its name; the rows are the same
/// whichever kind holds the same cells. SheetNotFound when no sheet qualifies. Throws
/// WorkbookError when the file cannot be opened or read, or is not a workbook (saying what it is).
/// With `escapes`, the texts keep the characters Windows-1252 lacks (see CharacterEscapes).
SheetRows readSheetRows(const std::filesystem::path& workbook, std::int32_t firstLine, const SheetSelector& selector,
                        CharacterEscapes* escapes = nullptr);
/// The same for a workbook in memory.
SheetRows readSheetRows(ByteView workbook, std::int32_t firstLine, const SheetSelector& selector,
                        CharacterEscapes* escapes = nullptr);

/// Receives the rows of a sheet one at a time, as readSheetRows gives them.
class SheetRowSink {
  public:
    virtual ~SheetRowSink() = default;
    /// The next row's fields; none for a row without fields. Valid during the call only.
    virtual void row(std::span<const std::string> fields) = 0;

    /// For a progress display only, never for the rows: how many rows the sheet says the sink will
    /// get (see RowVisitor::declaredRows; it may be far off).
    virtual void declaredRows(std::uint64_t /*rows*/) {}
    /// For a progress display only: see RowVisitor::documentRead.
    virtual void documentRead(std::uint64_t /*done*/, std::uint64_t /*total*/) {}
};

/// Thrown by streamSheetRows when the rows of an XLSX sheet come out of order (which no
/// spreadsheet program writes): rows already handed on may lack cells that come later, so such a
/// sheet must be read whole (readSheetRows does).
class SheetRowsOutOfOrder : public WorkbookError {
  public:
    SheetRowsOutOfOrder() : WorkbookError("The rows of the sheet are stored out of order.") {}
};

/// Hands `sink` the rows readSheetRows gives, in order, without holding the sheet: an XLSX or ODS
/// sheet is read as it is unpacked; an XLS workbook is read whole (its compound file must be), but
/// its rows are not gathered a second time. Returns false when no sheet qualifies. Throws
/// WorkbookError, and SheetRowsOutOfOrder (see there). `escapes` as for readSheetRows.
bool streamSheetRows(const std::filesystem::path& workbook, std::int32_t firstLine, const SheetSelector& selector,
                     SheetRowSink& sink, CharacterEscapes* escapes = nullptr);

class RowVisitor;
/// Streams the chosen sheet's rows into `visitor` without holding the sheet: an XLSX or ODS
/// sheet is read as it is unpacked (an XLS workbook is read whole, as it must be). Returns false
/// when no sheet qualifies. Throws WorkbookError.
bool streamSheet(const std::filesystem::path& workbook, const SheetSelector& selector, RowVisitor& visitor);

} // namespace mervalon::spreadsheet
