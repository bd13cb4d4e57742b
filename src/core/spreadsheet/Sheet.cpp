#include "core/spreadsheet/Sheet.h"

#include "core/spreadsheet/CellText.h"

#include <algorithm>

namespace mervalon::spreadsheet {

std::string CellValue::toText() const
{
    switch (kind) {
    case Kind::Number:
        return numberText(number);
    case Kind::Text:
        return text;
    case Kind::Empty:
        break;
    }
    return {};
}

void Sheet::put(std::uint32_t row, std::uint32_t column, CellValue value)
{
    m_cells.push_back(Cell{row, column, std::move(value)});
    m_settled = false;
}

void Sheet::clear()
{
    m_cells.clear();
    m_settled = true;
}

void Sheet::settle() const
{
    if (m_settled) {
        return;
    }
    const auto before = [](const Cell& x, const Cell& y) {
        return x.row != y.row ? x.row < y.row : x.column < y.column;
    };
    // Files and grids come in order already; sorting is then only a check.
    if (!std::is_sorted(m_cells.begin(), m_cells.end(), before)) {
        std::stable_sort(m_cells.begin(), m_cells.end(), before);
    }
    // Keep the last of equal positions, then drop the empty ones (an empty put is a removal).
    std::size_t kept = 0;
    for (std::size_t i = 0; i < m_cells.size(); ++i) {
        const bool overwritten = i + 1 < m_cells.size() && m_cells[i + 1].row == m_cells[i].row &&
                                 m_cells[i + 1].column == m_cells[i].column;
        if (!overwritten && !m_cells[i].value.isEmpty()) {
            if (kept != i) {
                m_cells[kept] = std::move(m_cells[i]);
            }
            ++kept;
        }
    }
    m_cells.resize(kept, Cell{});
    m_settled = true;
}

std::span<const Cell> Sheet::cells() const
{
    settle();
    return m_cells;
}

UsedRange Sheet::usedRange() const
{
    settle();
    UsedRange range;
    if (m_cells.empty()) {
        return range;
    }
    std::uint32_t minColumn = m_cells.front().column;
    std::uint32_t maxColumn = minColumn;
    for (const Cell& c : m_cells) {
        minColumn = std::min(minColumn, c.column);
        maxColumn = std::max(maxColumn, c.column);
    }
    range.firstRow = static_cast<std::int32_t>(m_cells.front().row) + 1;
    range.firstColumn = static_cast<std::int32_t>(minColumn) + 1;
    range.rows = static_cast<std::int32_t>(m_cells.back().row - m_cells.front().row) + 1;
    range.columns = static_cast<std::int32_t>(maxColumn - minColumn) + 1;
    return range;
}

const CellValue* Sheet::cell(std::int32_t row, std::int32_t column) const
{
    if (row < 1 || column < 1) {
        return nullptr;
    }
    settle();
    const auto r = static_cast<std::uint32_t>(row - 1);
    const auto c = static_cast<std::uint32_t>(column - 1);
    const auto it =
        std::lower_bound(m_cells.begin(), m_cells.end(), std::pair{r, c}, [](const Cell& a, const auto& key) {
            return a.row != key.first ? a.row < key.first : a.column < key.second;
        });
    return (it != m_cells.end() && it->row == r && it->column == c) ? &it->value : nullptr;
}

} // namespace mervalon::spreadsheet
