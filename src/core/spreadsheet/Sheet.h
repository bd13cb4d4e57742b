#pragma once
// One sheet of a workbook: its name, its kind and its cells with values.

#include "core/spreadsheet/CellValue.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace mervalon::spreadsheet {

enum class SheetKind { Worksheet, Chart, MacroSheet };

/// The smallest block holding every cell with a value (texts, including empty texts, and
/// numbers), 1-based; an empty sheet has rows == columns == 0 and its first cell at A1.
struct UsedRange {
    std::int32_t firstRow = 1;
    std::int32_t firstColumn = 1;
    std::int32_t rows = 0;
    std::int32_t columns = 0;

    std::int32_t lastRow() const { return firstRow + rows - 1; }
    std::int32_t lastColumn() const { return firstColumn + columns - 1; }
};

/// A cell with a value; row and column 0-based as in the file.
struct Cell {
    std::uint32_t row = 0;
    std::uint32_t column = 0;
    CellValue value;
};

class Sheet {
  public:
    Sheet(std::string name, SheetKind kind) : m_name(std::move(name)), m_kind(kind) {}

    const std::string& name() const { return m_name; }
    SheetKind kind() const { return m_kind; }
    UsedRange usedRange() const;
    /// The cell at 1-based `row`, `column`; nullptr when it has no value (or lies outside). The
    /// pointer is valid until the sheet next changes.
    const CellValue* cell(std::int32_t row, std::int32_t column) const;
    /// Every cell with a value, ordered by row then column.
    std::span<const Cell> cells() const;

    /// Sets a cell (0-based); an empty value removes it. A later set of the same cell wins.
    void put(std::uint32_t row, std::uint32_t column, CellValue value);
    /// Removes every cell.
    void clear();

  private:
    void settle() const;

    std::string m_name;
    SheetKind m_kind;
    // Cells are appended as they come and put in order on the first look: readers add them in
    // file order, and the grid's save adds hundreds of thousands at once.
    mutable std::vector<Cell> m_cells;
    mutable bool m_settled = true;
};

} // namespace mervalon::spreadsheet
