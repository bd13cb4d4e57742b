#include "app/spreadsheet/SpreadsheetPreviewRules.h"

#include "app/common/TextConversions.h"

#include <exception>

namespace mervalon::app {

spreadsheet::WorkbookProbe SpreadsheetPreviewRules::open(const QString& path, QString& error)
{
    spreadsheet::ProbedFile probed = spreadsheet::probeWorkbook(toPath(path));
    if (probed.kind == spreadsheet::WorkbookProbe::Unreadable) {
        error = QString::fromUtf8(probed.error.c_str());
    }
    if (probed.kind != spreadsheet::WorkbookProbe::Workbook) {
        return probed.kind;
    }
    const int sheets = probed.workbook ? probed.workbook->sheetCount() : probed.package->sheetCount();
    if (sheets == 0) {
        error = QStringLiteral("The workbook has no sheet to show.");
        return spreadsheet::WorkbookProbe::Unreadable;
    }
    m_model.load(nullptr); // no view may look at the old sheet once it is gone
    m_workbook = std::move(probed.workbook);
    m_package = std::move(probed.package);
    m_path = path;
    error = loadSheet(1);
    if (!error.isEmpty()) {
        close();
        return spreadsheet::WorkbookProbe::Unreadable;
    }
    return spreadsheet::WorkbookProbe::Workbook;
}

void SpreadsheetPreviewRules::close()
{
    m_model.load(nullptr);
    m_workbook.reset();
    m_package.reset();
    m_sheet = 0;
    m_sheetChanged = false;
}

QStringList SpreadsheetPreviewRules::sheetNames() const
{
    QStringList names;
    for (int n = 1; m_workbook && n <= m_workbook->sheetCount(); ++n) {
        names.append(fromWorkbookText(m_workbook->sheet(n)->name()));
    }
    if (m_package) {
        for (const std::string& name : m_package->sheetNames()) {
            names.append(fromWorkbookText(name));
        }
    }
    return names;
}

QString SpreadsheetPreviewRules::loadSheet(int number)
{
    m_sheetChanged = false;
    m_sheet = number;
    QString error;
    if (m_package) {
        m_model.load(nullptr);
        try {
            m_model.load(m_package->sheet(number));
        } catch (const std::exception& failure) {
            error = QString::fromUtf8(failure.what());
        }
    } else {
        m_model.load(m_workbook ? m_workbook->sheet(number) : nullptr);
    }
    m_loadedRows = m_model.rowCount();
    return error;
}

spreadsheet::SheetEdits SpreadsheetPreviewRules::packageEdits() const
{
    spreadsheet::SheetEdits edits;
    edits.setRowOrder(m_model.sourceRows(), m_loadedRows);
    m_model.forEachEdit([&](int row, int column, const QString& text) {
        const auto at = [](int n) { return static_cast<std::uint32_t>(n); };
        if (const auto number = parseCellDecimal(text)) {
            edits.setCell(spreadsheet::CellEdit::ofNumber(at(row), at(column), *number, text.trimmed().toStdString()));
        } else {
            edits.setCell(spreadsheet::CellEdit::ofText(at(row), at(column), text.toStdString()));
        }
    });
    return edits;
}

QString SpreadsheetPreviewRules::rowMoveQuestion(QString& error) const
{
    if (!m_package) {
        return {};
    }
    try {
        if (!packageEdits().movesRows()) {
            return {};
        }
        QStringList found;
        for (const spreadsheet::RowAnchoredContent& content : m_package->rowAnchoredContent(m_sheet)) {
            found.append(QStringLiteral("%1 (%2)").arg(QString::fromStdString(content.what)).arg(content.count));
        }
        if (found.isEmpty()) {
            return {};
        }
        return QStringLiteral("Rows were inserted or deleted, but these keep referring to the rows as they were "
                              "and may point at the wrong cells after the save: %1.\n\nSave anyway?")
            .arg(found.join(QStringLiteral(", ")));
    } catch (const std::exception& failure) {
        error = QString::fromUtf8(failure.what());
    }
    return {};
}

QString SpreadsheetPreviewRules::savePackageSheet()
{
    QString error;
    try {
        m_package->saveSheet(m_sheet, packageEdits());
    } catch (const std::exception& failure) {
        error = QString::fromUtf8(failure.what());
    }
    if (!error.isEmpty()) {
        return error; // the file is as it was, the grid keeps what was typed
    }
    const QString reread = loadSheet(m_sheet);
    return reread;
}

QString SpreadsheetPreviewRules::saveSheet()
{
    if (m_package) {
        return savePackageSheet();
    }
    if (!m_workbook) {
        return QStringLiteral("No workbook is open.");
    }
    QString error;
    try {
        spreadsheet::Workbook& book = *m_workbook;
        // Rows back in their first order (a row inserted, then deleted) move nothing, so the
        // sheet's formulas stay formulas.
        const std::vector<std::int32_t> order = m_model.sourceRows();
        for (std::size_t i = 0; i < order.size(); ++i) {
            if (order[i] != static_cast<std::int32_t>(i) + 1) {
                book.setRowOrder(m_sheet, order);
                break;
            }
        }
        m_model.forEachEdit([&](int row, int column, const QString& text) {
            if (const auto number = parseCellDecimal(text)) {
                book.setNumber(m_sheet, row, column, *number);
            } else {
                book.setText(m_sheet, row, column, toWorkbookText(text));
            }
        });
        book.save();
    } catch (const std::exception& failure) {
        error = QString::fromUtf8(failure.what());
    }
    if (error.isEmpty()) {
        loadSheet(m_sheet); // the grid now shows what the file holds
        return {};
    }
    // The file is as it was: so is the workbook in memory, and the grid keeps what was typed.
    try {
        m_workbook->discardEdits();
    } catch (const std::exception&) {
        // It was read from these very bytes once; should that fail, the next save fails too.
    }
    m_model.rebind(m_workbook->sheet(m_sheet));
    return error;
}

GridPosition SpreadsheetPreviewRules::applyRowOperation(RowOperation operation, int menuRow)
{
    const int rowsBefore = m_model.rowCount();
    switch (operation) {
    case RowOperation::Delete:
        m_model.removeOneRow(menuRow - 1);
        break;
    case RowOperation::InsertBefore:
        m_model.insertEmptyRow(menuRow - 1);
        break;
    case RowOperation::InsertAfter:
        m_model.insertEmptyRow(menuRow);
        break;
    }
    // Rows inserted or deleted change what Save writes just as typing does.
    m_sheetChanged = true;
    return currentCellAfter(operation, menuRow, rowsBefore);
}

} // namespace mervalon::app
