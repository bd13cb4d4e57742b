#pragma once
// The grid of the spreadsheet preview as a table model over one sheet: row r of the grid is
// sheet row r, column k sheet column k, from A1 to the last used cell. Cells are read from the
// sheet when drawn; the model itself holds only, per grid row, the sheet row it came from (0 for
// an inserted row) and the texts typed into it, so a sheet of 65,536 rows opens at once and the
// empty rows above a used range far from A1 cost next to nothing.

#include "core/spreadsheet/Sheet.h"

#include <QAbstractTableModel>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

namespace mervalon::app {

class SheetGridModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    using QAbstractTableModel::QAbstractTableModel;

    /// Shows `sheet` anew: every row from 1 to the last used one (at least one), every column
    /// from A to the last used one (at least one). The sheet must outlive the model's use of it.
    void load(const spreadsheet::Sheet* sheet);
    /// Points at the same sheet read again (its rows as when loaded), keeping the grid's edits.
    void rebind(const spreadsheet::Sheet* sheet) { m_sheet = sheet; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    /// Column letters across, row numbers 1, 2, 3 ... down.
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    /// Row operations on 0-based grid rows. Removing the only row leaves one empty row.
    void insertEmptyRow(int row);
    void removeOneRow(int row);

    /// The sheet row (1-based) each grid row came from, 0 for inserted rows.
    [[nodiscard]] std::vector<std::int32_t> sourceRows() const;
    /// Calls `visit(row, column, text)` (1-based) for every cell whose text was changed.
    void forEachEdit(const std::function<void(int, int, const QString&)>& visit) const;

  private:
    struct GridRow {
        std::int32_t source = 0;
        std::vector<std::pair<int, QString>> edits; // (0-based column, typed text)
    };
    QString sheetText(const GridRow& row, int column) const;

    const spreadsheet::Sheet* m_sheet = nullptr;
    std::vector<GridRow> m_rows;
    int m_columns = 1;
};

} // namespace mervalon::app
