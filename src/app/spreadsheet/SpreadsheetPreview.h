#pragma once
// The spreadsheet preview TForm14 " XLS file preview": the sheets of a workbook, one at a time in
// a grid with column letters and row numbers, a tab per sheet, cell editing, the row menu and
// Save back into the workbook file. Its rules live in SpreadsheetPreviewRules.

#include "app/spreadsheet/SpreadsheetPreviewRules.h"

#include <QDialog>
#include <QPointer>
#include <QTableView>

class QAction;
class QMenu;
class QTabBar;

namespace mervalon::app {

class ElidedLabel;
class Interaction;

/// The grid StringGrid1: a table view that reports key releases (its own and its cell
/// editor's) and can commit an open cell editor on request.
class SheetGridView : public QTableView {
    Q_OBJECT
  public:
    explicit SheetGridView(QWidget* parent);
    /// The cell editor while one is open, else nullptr.
    [[nodiscard]] QWidget* openEditor() const;
    /// Writes what the open cell editor holds into the model and closes the editor.
    void commitOpenEditor();
    /// Called by the grid's delegate for every cell editor it makes.
    void watchEditor(QWidget* editor);

  signals:
    void keyReleased();

  protected:
    void keyReleaseEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QPointer<QWidget> m_editor;
};

class SpreadsheetPreview : public QDialog {
    Q_OBJECT
  public:
    /// What previewWorkbook did: showed the workbook, refused a workbook it cannot read (the
    /// error was shown), or found no workbook (the caller shows the file as text).
    enum class Outcome { Shown, Refused, NotWorkbook };

    SpreadsheetPreview(Interaction& interaction, QWidget* parent);

    /// Opens `path` as a workbook, shows it modally and closes the workbook afterwards.
    Outcome previewWorkbook(const QString& path);

    [[nodiscard]] SpreadsheetPreviewRules& rules() { return m_rules; }

    /// "Save" (BitBtn1Click): true when the sheet was saved; a failure is shown.
    bool saveSheet();
    /// A mouse release on the header of data row `row` (1-based): selects the row and opens the
    /// row menu at `globalPosition`.
    void openRowMenu(int row, const QPoint& globalPosition);
    [[nodiscard]] int menuRow() const { return m_menuRow; }

    /// Every way of closing the shown preview asks first when the sheet has changed (Cancel or
    /// a failed save keeps it open).
    void done(int result) override;

    static inline const QString kSheetChangedQuestion = QStringLiteral("Sheet has changed, do you want to save it ?");

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void fillTabs();
    void showSheet(int tabIndex);
    void fitColumns();

    static constexpr int kRowsMeasured = 200;
    static constexpr int kNarrowestColumn = 48;
    static constexpr int kWidestColumn = 320;
    bool askToSaveBeforeTabChange();
    void runRowOperation(RowOperation operation);
    void placeCurrentCell(GridPosition position);

    Interaction& m_interaction;
    SpreadsheetPreviewRules m_rules;
    ElidedLabel* m_pathLabel;
    SheetGridView* m_grid;
    QTabBar* m_tabs;
    QMenu* m_rowMenu;
    int m_menuRow = 0;
    bool m_fillingTabs = false;
};

} // namespace mervalon::app
