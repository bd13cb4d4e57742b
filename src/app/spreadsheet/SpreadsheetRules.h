#pragma once
// The spreadsheet preview's rules that need no widget: column letters, how a typed text is
// stored, texts between the workbook and the grid, and where the current cell goes after a row
// operation.

#include <QString>
#include <optional>
#include <string>

namespace mervalon::app {

/// The letters of column n in bijective base 26: 1 → "A", 26 → "Z", 27 → "AA", 703 → "AAA";
/// 0 (and below) → "".
QString columnLetters(int n);

/// The number a typed text stands for when it is a decimal number with "." as the decimal
/// separator (sign, digits, an optional fraction and exponent; surrounding blanks ignored):
/// "12.50" → 12.5, "-3" → -3, "1E5" → 100000; "12,5", "", "1 000", "inf" → nothing.
std::optional<double> parseCellDecimal(const QString& text);

/// Workbook texts are Windows-1252; the grid shows Unicode. Characters Windows-1252 lacks
/// become '?' on the way back.
QString fromWorkbookText(const std::string& text);
std::string toWorkbookText(const QString& text);

enum class RowOperation { Delete, InsertBefore, InsertAfter };

/// A data cell of the grid, 1-based like the sheet.
struct GridPosition {
    int row = 1;
    int column = 1;
    friend bool operator==(const GridPosition&, const GridPosition&) = default;
};

/// The current cell after `operation` on data row `menuRow` of a grid that had `rowsBefore`
/// data rows: column 1 of menuRow (a deleted last row: of the new last row) for Delete and
/// InsertBefore; the first data cell for InsertAfter. Deleting the only row leaves one empty row.
GridPosition currentCellAfter(RowOperation operation, int menuRow, int rowsBefore);

} // namespace mervalon::app
