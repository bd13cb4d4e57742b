#include "core/spreadsheet/SheetEdits.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace mervalon::spreadsheet {

void SheetEdits::setRowOrder(std::vector<std::int32_t> sourceRows, std::int32_t coveredRows)
{
    if (coveredRows < 0) {
        throw WorkbookError("The rows to save are out of order.");
    }
    m_source.clear();
    m_newRow.assign(static_cast<std::size_t>(coveredRows) + 1, 0);
    m_covered = static_cast<std::uint32_t>(coveredRows);
    m_moves = false;
    std::uint32_t last = 0;
    for (std::size_t i = 0; i < sourceRows.size(); ++i) {
        const std::int32_t source = sourceRows[i];
        if (source < 0 || source > coveredRows || (source != 0 && static_cast<std::uint32_t>(source) <= last)) {
            throw WorkbookError("The rows to save are out of order: rows can be inserted and deleted, not swapped.");
        }
        m_source.push_back(static_cast<std::uint32_t>(source));
        if (source != 0) {
            last = static_cast<std::uint32_t>(source);
            m_newRow[last] = static_cast<std::uint32_t>(i + 1);
        }
        m_moves = m_moves || source != static_cast<std::int32_t>(i + 1);
    }
    m_moves = m_moves || sourceRows.size() != static_cast<std::size_t>(coveredRows);
    if (!m_moves) {
        m_source.clear();
        m_newRow.clear();
        m_covered = 0;
    }
}

void SheetEdits::setCell(CellEdit edit)
{
    m_cells.push_back(std::move(edit));
    m_sorted = false;
}

std::uint32_t SheetEdits::newRowOf(std::uint32_t row) const
{
    if (!m_moves) {
        return row;
    }
    if (row <= m_covered) {
        return m_newRow[row];
    }
    const std::uint64_t moved = std::uint64_t{row} - m_covered + m_source.size();
    return moved > UINT32_MAX ? 0 : static_cast<std::uint32_t>(moved);
}

std::uint32_t SheetEdits::sourceOf(std::uint32_t row) const
{
    if (!m_moves) {
        return row;
    }
    if (row >= 1 && row <= m_source.size()) {
        return m_source[row - 1];
    }
    return row == 0 ? 0 : static_cast<std::uint32_t>(row - m_source.size() + m_covered);
}

const std::vector<CellEdit>& SheetEdits::cells() const
{
    if (!m_sorted) {
        std::stable_sort(m_cells.begin(), m_cells.end(), [](const CellEdit& a, const CellEdit& b) {
            return a.row != b.row ? a.row < b.row : a.column < b.column;
        });
        // The last edit of a cell wins.
        std::vector<CellEdit> kept;
        for (std::size_t i = 0; i < m_cells.size(); ++i) {
            if (i + 1 == m_cells.size() || m_cells[i + 1].row != m_cells[i].row ||
                m_cells[i + 1].column != m_cells[i].column) {
                kept.push_back(std::move(m_cells[i]));
            }
        }
        m_cells = std::move(kept);
        m_sorted = true;
    }
    return m_cells;
}

std::string exactNumberText(double value)
{
    if (!std::isfinite(value)) {
        return "0";
    }
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

} // namespace mervalon::spreadsheet
