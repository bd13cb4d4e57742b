#pragma once
// What the spreadsheet preview changed in one sheet of an XLSX or ODS workbook: rows inserted and
// deleted, and cells typed into. The part rewriters apply it while streaming through the sheet.

#include "core/spreadsheet/WorkbookError.h"

#include <cstdint>
#include <string>
#include <vector>

namespace mervalon::spreadsheet {

/// A cell typed into, at its row and column after the row operations (1-based).
struct CellEdit {
    enum class Kind { Number, Text };

    std::uint32_t row = 1;
    std::uint32_t column = 1;
    Kind kind = Kind::Text;
    double number = 0;
    std::string text; ///< UTF-8: the text, or a number as typed (an empty text clears the cell's value)

    static CellEdit ofNumber(std::uint32_t row, std::uint32_t column, double value, std::string typed)
    {
        return CellEdit{row, column, Kind::Number, value, std::move(typed)};
    }
    static CellEdit ofText(std::uint32_t row, std::uint32_t column, std::string text)
    {
        return CellEdit{row, column, Kind::Text, 0, std::move(text)};
    }
};

class SheetEdits {
  public:
    /// Rows inserted and deleted: new row i (1-based) takes old row sourceRows[i - 1], or is a
    /// new empty row where that is 0. The order names old rows 1..coveredRows in increasing order
    /// (rows only inserted or deleted, never swapped); old rows it leaves out are deleted, and old
    /// rows after coveredRows follow the last new row in their order. An empty order keeps every
    /// row where it is. Throws WorkbookError for an order that swaps or repeats rows or names one
    /// beyond coveredRows.
    void setRowOrder(std::vector<std::int32_t> sourceRows, std::int32_t coveredRows);
    /// Adds a typed cell; a later edit of the same cell wins.
    void setCell(CellEdit edit);

    /// True when some row moves or goes.
    [[nodiscard]] bool movesRows() const { return m_moves; }
    [[nodiscard]] bool empty() const { return !m_moves && m_cells.empty(); }
    /// The new number of old row `row` (1-based), 0 when it is deleted.
    [[nodiscard]] std::uint32_t newRowOf(std::uint32_t row) const;
    /// The new rows up to which the order reaches (its length), 0 without an order.
    [[nodiscard]] std::uint32_t orderedRows() const { return static_cast<std::uint32_t>(m_source.size()); }
    /// The old rows the order covers (1..coveredRows), 0 without an order.
    [[nodiscard]] std::uint32_t coveredRows() const { return m_covered; }
    /// The old row new row `row` takes (1-based): 0 for an inserted one.
    [[nodiscard]] std::uint32_t sourceOf(std::uint32_t row) const;
    /// The typed cells by row, then column.
    [[nodiscard]] const std::vector<CellEdit>& cells() const;

  private:
    std::vector<std::uint32_t> m_source;
    std::vector<std::uint32_t> m_newRow; // index: old row; covers 1..coveredRows
    std::uint32_t m_covered = 0;
    bool m_moves = false;
    mutable std::vector<CellEdit> m_cells;
    mutable bool m_sorted = true;
};

/// A number as the shortest text that reads back as the same double ("12.5", "1e-07").
std::string exactNumberText(double value);

} // namespace mervalon::spreadsheet
