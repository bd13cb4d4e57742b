#include "app/spreadsheet/SheetGridModel.h"

#include "app/spreadsheet/SpreadsheetRules.h"

#include <algorithm>

namespace mervalon::app {

void SheetGridModel::load(const spreadsheet::Sheet* sheet)
{
    beginResetModel();
    m_sheet = sheet;
    const spreadsheet::UsedRange range = sheet != nullptr ? sheet->usedRange() : spreadsheet::UsedRange{};
    const int rows = range.rows > 0 ? range.lastRow() : 1;
    m_columns = range.columns > 0 ? range.lastColumn() : 1;
    m_rows.assign(static_cast<std::size_t>(rows), GridRow{});
    for (int r = 0; r < rows; ++r) {
        m_rows[static_cast<std::size_t>(r)].source = r + 1;
    }
    endResetModel();
}

int SheetGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int SheetGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_columns;
}

QString SheetGridModel::sheetText(const GridRow& row, int column) const
{
    for (const auto& [editedColumn, text] : row.edits) {
        if (editedColumn == column) {
            return text;
        }
    }
    if (row.source == 0 || m_sheet == nullptr) {
        return {};
    }
    const spreadsheet::CellValue* value = m_sheet->cell(row.source, column + 1);
    return value != nullptr ? fromWorkbookText(value->toText()) : QString();
}

QVariant SheetGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) {
        return {};
    }
    return sheetText(m_rows[static_cast<std::size_t>(index.row())], index.column());
}

bool SheetGridModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || role != Qt::EditRole) {
        return false;
    }
    GridRow& row = m_rows[static_cast<std::size_t>(index.row())];
    const QString text = value.toString();
    // Committing an editor without a change is no edit: the cell keeps its value and type.
    if (text == sheetText(row, index.column())) {
        return true;
    }
    const auto found = std::find_if(row.edits.begin(), row.edits.end(),
                                    [&](const auto& edit) { return edit.first == index.column(); });
    if (found != row.edits.end()) {
        found->second = text;
    } else {
        row.edits.emplace_back(index.column(), text);
    }
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    return true;
}

Qt::ItemFlags SheetGridModel::flags(const QModelIndex& index) const
{
    return QAbstractTableModel::flags(index) | Qt::ItemIsEditable;
}

QVariant SheetGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    return orientation == Qt::Horizontal ? columnLetters(section + 1) : QString::number(section + 1);
}

void SheetGridModel::insertEmptyRow(int row)
{
    row = std::clamp(row, 0, rowCount());
    beginInsertRows({}, row, row);
    m_rows.insert(m_rows.begin() + row, GridRow{});
    endInsertRows();
    if (row + 1 < rowCount()) {
        emit headerDataChanged(Qt::Vertical, row + 1, rowCount() - 1);
    }
}

void SheetGridModel::removeOneRow(int row)
{
    if (row < 0 || row >= rowCount()) {
        return;
    }
    if (rowCount() == 1) {
        // A grid always keeps one data row, so that there is a cell to type into.
        m_rows.front() = GridRow{};
        emit dataChanged(index(0, 0), index(0, m_columns - 1));
        return;
    }
    beginRemoveRows({}, row, row);
    m_rows.erase(m_rows.begin() + row);
    endRemoveRows();
    if (row < rowCount()) {
        emit headerDataChanged(Qt::Vertical, row, rowCount() - 1);
    }
}

std::vector<std::int32_t> SheetGridModel::sourceRows() const
{
    std::vector<std::int32_t> sources;
    sources.reserve(m_rows.size());
    for (const GridRow& row : m_rows) {
        sources.push_back(row.source);
    }
    return sources;
}

void SheetGridModel::forEachEdit(const std::function<void(int, int, const QString&)>& visit) const
{
    for (std::size_t r = 0; r < m_rows.size(); ++r) {
        for (const auto& [column, text] : m_rows[r].edits) {
            visit(static_cast<int>(r) + 1, column + 1, text);
        }
    }
}

} // namespace mervalon::app
