#pragma once
// Writing a workbook stream back with some sheets' cells replaced.

#include "core/spreadsheet/BiffReader.h"

#include <cstdint>
#include <map>
#include <vector>

namespace mervalon::spreadsheet {

/// The changes made to one sheet since it was read: `cleared` drops every cell of the sheet
/// (values, formats, row records, merged areas and hyperlinks); `cells` are the values set
/// afterwards, 0-based, in the order they were set (the last one for a cell wins; an empty
/// value removes the cell).
struct SheetEdit {
    bool cleared = false;
    /// When not empty, the rows were rearranged before `cells` were set: old row r (0-based) is
    /// now row newRowOf[r], or gone when that is -1 or r lies past the end. Kept records follow
    /// their row; formulas become their last computed values (their references are not
    /// re-pointed, so they would compute from the wrong rows); merged areas and hyperlinks go.
    std::vector<std::int64_t> newRowOf;
    std::vector<Cell> cells;
};

/// A new workbook stream in the version of `book`, keyed by index into `book.sheets`.
/// Untouched sheets and every globals record are copied as they were, except that DSF is cleared
/// (a second, Excel 5 stream is not kept up to date), BOUNDSHEET
/// positions are recomputed, INDEX positions of untouched sheets follow their sheet, and for
/// BIFF8 new texts are appended to the shared string table (SST re-split into CONTINUE records,
/// EXTSST rebuilt) and written as LABELSST cells; BIFF5 texts are LABEL cells in the workbook's
/// code page, cut to 255 characters (the Excel 5/95 limit). An edited sheet gets a new DIMENSIONS,
/// ROW records for its rows, its cells in row order as NUMBER/LABELSST/LABEL with the default
/// cell format, and no INDEX or DBCELL (readers do not need them). Throws WorkbookError when a
/// sheet's records could not be located in the file or a value lies outside the version's grid.
Bytes writeBiff(const BiffWorkbook& book, const std::map<std::size_t, SheetEdit>& edits);

} // namespace mervalon::spreadsheet
