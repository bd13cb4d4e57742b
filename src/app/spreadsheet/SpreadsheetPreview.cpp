#include "app/spreadsheet/SpreadsheetPreview.h"

#include "app/common/ElidedLabel.h"
#include "app/common/WidgetHelpers.h"
#include "app/shell/Interaction.h"
#include "app/spreadsheet/SpreadsheetPreviewControls.h"

#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTabBar>
#include <QVBoxLayout>
#include <algorithm>

namespace mervalon::app {
namespace {

QLabel* boldLabel(QWidget* parent, const char* name, const QString& text)
{
    auto* label = named(new QLabel(text, parent), name);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption)
{
    auto* b = named(new QPushButton(caption, parent), name);
    b->setAutoDefault(false);
    return b;
}

} // namespace

// Makes the grid's cell editors and lets the grid watch them.
class CellDelegate : public QStyledItemDelegate {
  public:
    explicit CellDelegate(SheetGridView* grid) : QStyledItemDelegate(grid), m_grid(grid) {}
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        m_grid->watchEditor(editor);
        return editor;
    }

  private:
    SheetGridView* m_grid;
};

SheetGridView::SheetGridView(QWidget* parent) : QTableView(parent)
{
    setItemDelegate(new CellDelegate(this));
}

void SheetGridView::watchEditor(QWidget* editor)
{
    m_editor = editor;
    if (editor != nullptr) {
        editor->installEventFilter(this); // keys released in the cell editor count as the grid's
    }
}

QWidget* SheetGridView::openEditor() const
{
    return state() == EditingState ? m_editor.data() : nullptr;
}

void SheetGridView::commitOpenEditor()
{
    if (QWidget* editor = openEditor()) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

void SheetGridView::keyReleaseEvent(QKeyEvent* event)
{
    QTableView::keyReleaseEvent(event);
    emit keyReleased();
}

bool SheetGridView::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyRelease && watched == m_editor) {
        emit keyReleased();
    }
    return QTableView::eventFilter(watched, event);
}

SpreadsheetPreview::SpreadsheetPreview(Interaction& interaction, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_interaction(interaction), m_pathLabel(named(new ElidedLabel(this), SpreadsheetPreviewControls::pathLabel)),
      m_grid(named(new SheetGridView(this), SpreadsheetPreviewControls::grid)),
      m_tabs(named(new QTabBar(this), SpreadsheetPreviewControls::sheetTabs)),
      m_rowMenu(named(new QMenu(this), SpreadsheetPreviewControls::rowMenu))
{
    setObjectName(QLatin1String(SpreadsheetPreviewControls::window));
    setWindowTitle(QStringLiteral(" XLS file preview"));

    auto* band = named(new QFrame(this), SpreadsheetPreviewControls::headerBand);
    band->setAutoFillBackground(true);
    QPalette white = band->palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, Qt::black);
    band->setPalette(white);
    band->setFrameShape(QFrame::StyledPanel);
    auto* bandLayout = new QHBoxLayout(band);
    QLabel* heading =
        boldLabel(band, SpreadsheetPreviewControls::heading,
                  QStringLiteral("Excel file preview. You can add or delete rows and change cell content value"));
    heading->setWordWrap(true); // the heading is wider than the window in most fonts
    bandLayout->addWidget(heading);
    QFont pathFont = m_pathLabel->font();
    pathFont.setBold(true);
    m_pathLabel->setFont(pathFont);

    m_grid->setModel(&m_rules.model());
    // As in a spreadsheet: the arrow keys go from cell to cell, a typed key or F2 or a double
    // click edits the current cell. An editor opened by merely arriving at a cell would take the
    // arrow keys for itself, and the keyboard could no longer leave the cell.
    m_grid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                            QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    m_grid->setSelectionMode(QAbstractItemView::ContiguousSelection);
    m_grid->setShowGrid(true);
    m_grid->horizontalHeader()->setDefaultSectionSize(80);
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_grid->verticalHeader()->setMinimumSectionSize(18);
    m_grid->verticalHeader()->setDefaultSectionSize(18);
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->verticalHeader()->setMinimumWidth(30);
    m_grid->verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    m_grid->verticalHeader()->viewport()->installEventFilter(this);

    m_tabs->setShape(QTabBar::RoundedSouth);
    m_tabs->setFocusPolicy(Qt::NoFocus);
    m_tabs->setExpanding(false);
    m_tabs->setUsesScrollButtons(true);
    m_tabs->installEventFilter(this);

    auto* deleteRow =
        named(m_rowMenu->addAction(QStringLiteral("Delete this Row")), SpreadsheetPreviewControls::deleteRowAction);
    named(m_rowMenu->addSeparator(), SpreadsheetPreviewControls::menuSeparator);
    auto* insertBefore = named(m_rowMenu->addAction(QStringLiteral("Insert Row before")),
                               SpreadsheetPreviewControls::insertBeforeAction);
    auto* insertAfter =
        named(m_rowMenu->addAction(QStringLiteral("Insert Row after")), SpreadsheetPreviewControls::insertAfterAction);

    auto* box = named(new QGroupBox(this), SpreadsheetPreviewControls::buttonFrame);
    auto* boxLayout = new QVBoxLayout(box);
    boxLayout->setSpacing(0);
    boxLayout->addWidget(m_grid, 1);
    boxLayout->addWidget(m_tabs);

    QPushButton* closeButton = button(this, SpreadsheetPreviewControls::closeButton, QStringLiteral("Close"));
    QPushButton* saveButton = button(this, SpreadsheetPreviewControls::saveButton, QStringLiteral("Save"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(saveButton);
    buttons->addWidget(closeButton);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 8);
    layout->addWidget(band);
    auto* body = new QVBoxLayout;
    body->setContentsMargins(8, 0, 8, 0);
    body->addWidget(m_pathLabel);
    body->addWidget(box, 1);
    body->addLayout(buttons);
    layout->addLayout(body, 1);

    // The keyboard goes from the grid to the buttons as they stand, Save before Close (the grid
    // was placed into its frame, and so into the focus chain, before either button existed).
    setTabOrder(m_grid, saveButton);
    setTabOrder(saveButton, closeButton);

    connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(saveButton, &QPushButton::clicked, this, &SpreadsheetPreview::saveSheet);
    connect(m_tabs, &QTabBar::currentChanged, this, &SpreadsheetPreview::showSheet);
    // Only a cell whose value changes marks the sheet: a key that moves, or the release of the key
    // that answered a question, is no edit.
    connect(&m_rules.model(), &QAbstractItemModel::dataChanged, this, [this] { m_rules.markChanged(); });
    connect(deleteRow, &QAction::triggered, this, [this] { runRowOperation(RowOperation::Delete); });
    connect(insertBefore, &QAction::triggered, this, [this] { runRowOperation(RowOperation::InsertBefore); });
    connect(insertAfter, &QAction::triggered, this, [this] { runRowOperation(RowOperation::InsertAfter); });

    setFixedSize(492, 406);
}

SpreadsheetPreview::Outcome SpreadsheetPreview::previewWorkbook(const QString& path)
{
    QString error;
    switch (m_rules.open(path, error)) {
    case spreadsheet::WorkbookProbe::NotWorkbook:
        return Outcome::NotWorkbook;
    case spreadsheet::WorkbookProbe::Unreadable:
        // Shown as text, a binary file would be overwritten with garbled text by that Save.
        m_interaction.showMessage(MessageIcon::Error, MessageButtons::Ok, path + QLatin1Char('\n') + error);
        return Outcome::Refused;
    case spreadsheet::WorkbookProbe::Workbook:
        break;
    }
    fillTabs();
    m_pathLabel->setFullText(path);
    fitColumns();
    placeCurrentCell({1, 1});
    if (parentWidget() != nullptr) {
        move(parentWidget()->window()->geometry().center() - rect().center());
    }
    m_interaction.execDialog(*this);
    m_grid->commitOpenEditor();
    m_rules.close();
    return Outcome::Shown;
}

void SpreadsheetPreview::fillTabs()
{
    m_fillingTabs = true;
    while (m_tabs->count() > 0) {
        m_tabs->removeTab(0);
    }
    for (const QString& name : m_rules.sheetNames()) {
        m_tabs->addTab(name);
    }
    m_tabs->setCurrentIndex(0);
    m_fillingTabs = false;
    m_tabs->updateGeometry(); // a hidden tab bar does not tell the layout its new height itself
}

void SpreadsheetPreview::showSheet(int tabIndex)
{
    if (m_fillingTabs || tabIndex < 0) {
        return;
    }
    m_grid->commitOpenEditor();
    const QString error = m_rules.loadSheet(tabIndex + 1);
    if (!error.isEmpty()) {
        m_interaction.showMessage(MessageIcon::Error, MessageButtons::Ok, error);
    }
    fitColumns();
    placeCurrentCell({1, 1});
}

void SpreadsheetPreview::fitColumns()
{
    // Coordinates are read whole or not at all: each column is as wide as its widest text among
    // the first rows. Looking at a few hundred rows keeps a 65,536-row sheet quick to open.
    QHeaderView* header = m_grid->horizontalHeader();
    header->setResizeContentsPrecision(kRowsMeasured);
    m_grid->resizeColumnsToContents();
    for (int column = 0; column < header->count(); ++column) {
        header->resizeSection(column, std::clamp(header->sectionSize(column), kNarrowestColumn, kWidestColumn));
    }
}

bool SpreadsheetPreview::askToSaveBeforeTabChange()
{
    m_grid->commitOpenEditor();
    if (!m_rules.sheetChanged()) {
        return true;
    }
    const MessageAnswer answer =
        m_interaction.showMessage(MessageIcon::Information, MessageButtons::YesNoCancel, kSheetChangedQuestion);
    // Cancel stays on the sheet; a save that failed keeps it shown too, so that what was typed is
    // not thrown away.
    if (answer == MessageAnswer::Cancel) {
        return false;
    }
    return answer != MessageAnswer::Yes || saveSheet();
}

void SpreadsheetPreview::done(int result)
{
    // Escape, "Close" and the close box alike: the sheet's edits are offered for saving first.
    if (isVisible() && !askToSaveBeforeTabChange()) {
        return;
    }
    QDialog::done(result);
}

bool SpreadsheetPreview::saveSheet()
{
    m_grid->commitOpenEditor();
    const QModelIndex current = m_grid->currentIndex();
    // What refers to rows by number is named before rows moved in an XLSX or ODS sheet are saved.
    QString lookError;
    const QString question = m_rules.rowMoveQuestion(lookError);
    if (!lookError.isEmpty()) {
        m_interaction.showMessage(MessageIcon::Error, MessageButtons::Ok, lookError);
        return false;
    }
    if (!question.isEmpty() &&
        m_interaction.showMessage(MessageIcon::Warning, MessageButtons::YesNo, question) != MessageAnswer::Yes) {
        return false;
    }
    const QString error = m_rules.saveSheet();
    if (!error.isEmpty()) {
        m_interaction.showMessage(MessageIcon::Error, MessageButtons::Ok, error);
        return false;
    }
    placeCurrentCell({std::max(current.row(), 0) + 1, std::max(current.column(), 0) + 1});
    return true;
}

void SpreadsheetPreview::openRowMenu(int row, const QPoint& globalPosition)
{
    if (row < 1 || row > m_rules.model().rowCount()) {
        return;
    }
    m_grid->commitOpenEditor();
    m_menuRow = row;
    m_grid->setCurrentIndex(m_rules.model().index(row - 1, 0));
    m_grid->selectRow(row - 1);
    m_rowMenu->popup(globalPosition);
}

void SpreadsheetPreview::runRowOperation(RowOperation operation)
{
    if (m_menuRow < 1) {
        return;
    }
    m_grid->commitOpenEditor();
    placeCurrentCell(m_rules.applyRowOperation(operation, m_menuRow));
}

void SpreadsheetPreview::placeCurrentCell(GridPosition position)
{
    const SheetGridModel& model = m_rules.model();
    const QModelIndex index =
        model.index(std::min(position.row, model.rowCount()) - 1, std::min(position.column, model.columnCount()) - 1);
    m_grid->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    m_grid->scrollTo(index);
}

bool SpreadsheetPreview::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_tabs) {
        if (event->type() == QEvent::Wheel) {
            return true; // the sheet changes only by a click, after the question
        }
        if (event->type() == QEvent::MouseButtonPress) {
            return !askToSaveBeforeTabChange();
        }
    }
    if (watched == m_grid->verticalHeader()->viewport() && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const int section = m_grid->verticalHeader()->logicalIndexAt(mouse->position().toPoint());
        if (section >= 0) {
            openRowMenu(section + 1, mouse->globalPosition().toPoint());
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace mervalon::app
