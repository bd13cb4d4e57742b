#pragma once
// The spreadsheet preview without its widgets: the open workbook, the grid model of the shown
// sheet, the changed mark, the save and the row operations.

#include "app/spreadsheet/SheetGridModel.h"
#include "app/spreadsheet/SpreadsheetRules.h"
#include "core/spreadsheet/WorkbookProbe.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace mervalon::app {

class SpreadsheetPreviewRules {
  public:
    /// Opens `path` if it has a workbook's signature; on Workbook the sheets are ready and sheet 1
    /// is loaded, on Unreadable `error` says why, on NotWorkbook nothing changed.
    spreadsheet::WorkbookProbe open(const QString& path, QString& error);
    /// Forgets the open workbook (the file stays as last saved).
    void close();

    [[nodiscard]] const QString& path() const { return m_path; }
    [[nodiscard]] QStringList sheetNames() const;
    [[nodiscard]] SheetGridModel& model() { return m_model; }
    [[nodiscard]] int shownSheet() const { return m_sheet; }

    /// Shows sheet `number` (1-based) and clears the changed mark. An XLSX or ODS sheet is read
    /// now; when that fails the grid is empty and the error is returned.
    QString loadSheet(int number);

    [[nodiscard]] bool sheetChanged() const { return m_sheetChanged; }
    void markChanged() { m_sheetChanged = true; }

    /// Writes the shown sheet back into its workbook file: rows in the grid's order, each cell
    /// typed into it as a number when it is a decimal number ("." separator), else as its text
    /// (an empty text included); cells not typed into keep their value, type and format.
    /// Returns the error, empty on success; on failure the file and the changed mark stay.
    QString saveSheet();

    /// Before the save of an XLSX or ODS sheet whose rows were inserted or deleted: the question
    /// naming what keeps pointing at the old rows (formulas, merged areas, defined names, ...),
    /// empty when nothing does or nothing moves. `error` receives a failure to look.
    QString rowMoveQuestion(QString& error) const;

    /// Inserts or deletes a row around data row `menuRow` (1-based), marks the sheet changed
    /// and returns where the current cell goes.
    GridPosition applyRowOperation(RowOperation operation, int menuRow);

  private:
    QString savePackageSheet();
    spreadsheet::SheetEdits packageEdits() const;

    QString m_path;
    std::optional<spreadsheet::Workbook> m_workbook;
    std::optional<spreadsheet::PackageWorkbook> m_package;
    int m_loadedRows = 0;
    SheetGridModel m_model;
    int m_sheet = 0;
    bool m_sheetChanged = false;
};

} // namespace mervalon::app
