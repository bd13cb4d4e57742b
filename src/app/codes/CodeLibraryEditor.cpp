#include "app/codes/CodeLibraryEditor.h"

#include "app/codes/CodeLibraryControls.h"
#include "app/codes/CodeLibraryRules.h"
#include "app/common/TextConversions.h"
#include "app/shell/Interaction.h"
#include "core/io/FileIo.h"
#include "core/io/ReplaceFile.h"

#include <QBrush>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace mervalon::app {
namespace {

const QColor kFaultyRow(255, 220, 220);

} // namespace

SymbolView::SymbolView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QLatin1String(CodeLibraryControls::symbolView));
    setMinimumSize(96, 96);
    setAutoFillBackground(true);
    QPalette shown = palette();
    shown.setColor(QPalette::Window, Qt::white);
    setPalette(shown);
}

void SymbolView::showShapes(const codes::SymbolShapes& shapes)
{
    m_shapes = shapes;
    update();
}

void SymbolView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(palette().color(QPalette::Mid), 0, Qt::DotLine));
    painter.drawLine(QPointF(width() / 2.0, 0), QPointF(width() / 2.0, height()));
    painter.drawLine(QPointF(0, height() / 2.0), QPointF(width(), height() / 2.0));
    double extent = 0;
    for (const auto& s : m_shapes.segments) {
        extent = std::max({extent, std::abs(s.x1), std::abs(s.y1), std::abs(s.x2), std::abs(s.y2)});
    }
    for (const auto& c : m_shapes.circles) {
        extent = std::max({extent, std::abs(c.x) + c.radius, std::abs(c.y) + c.radius});
    }
    if (extent <= 0 || !std::isfinite(extent)) {
        return;
    }
    // The insertion point in the middle, the block's farthest reach at 80 % of the half side;
    // y grows upwards as in the drawing.
    const double scale = 0.8 * std::min(width(), height()) / 2.0 / extent;
    const auto at = [&](double x, double y) { return QPointF(width() / 2.0 + x * scale, height() / 2.0 - y * scale); };
    painter.setPen(QPen(Qt::black, 1.5));
    for (const auto& s : m_shapes.segments) {
        painter.drawLine(at(s.x1, s.y1), at(s.x2, s.y2));
    }
    for (const auto& c : m_shapes.circles) {
        painter.drawEllipse(at(c.x, c.y), c.radius * scale, c.radius * scale);
    }
}

CodeLibraryEditor::CodeLibraryEditor(Interaction& interaction, QWidget* parent)
    : QDialog(parent), m_interaction(interaction)
{
    setObjectName(QLatin1String(CodeLibraryControls::editor));
    setWindowTitle(QStringLiteral("Code library editor"));
    m_fileLabel = new QLabel(this);
    m_fileLabel->setObjectName(QLatin1String(CodeLibraryControls::fileLabel));
    m_fileLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_grid = new QTableWidget(this);
    m_grid->setObjectName(QLatin1String(CodeLibraryControls::grid));
    m_grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->horizontalHeader()->setStretchLastSection(true);
    m_grid->verticalHeader()->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);

    m_symbol = new SymbolView(this);
    m_symbolCaption = new QLabel(this);
    m_symbolCaption->setObjectName(QLatin1String(CodeLibraryControls::symbolCaption));
    m_symbolCaption->setWordWrap(true);
    m_symbolCaption->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_symbolCaption->setMaximumWidth(160);
    m_rowFaults = new QLabel(this);
    m_rowFaults->setObjectName(QLatin1String(CodeLibraryControls::rowFaults));
    m_rowFaults->setWordWrap(true);
    m_rowFaults->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* addButton = new QPushButton(QStringLiteral("&Add row"), this);
    addButton->setObjectName(QLatin1String(CodeLibraryControls::addRowButton));
    auto* deleteButton = new QPushButton(QStringLiteral("&Delete row"), this);
    deleteButton->setObjectName(QLatin1String(CodeLibraryControls::deleteRowButton));
    auto* saveButton = new QPushButton(QStringLiteral("&Save"), this);
    saveButton->setObjectName(QLatin1String(CodeLibraryControls::saveButton));
    auto* saveAsButton = new QPushButton(QStringLiteral("Sa&ve as..."), this);
    saveAsButton->setObjectName(QLatin1String(CodeLibraryControls::saveAsButton));
    auto* closeButton = new QPushButton(QStringLiteral("&Close"), this);
    closeButton->setObjectName(QLatin1String(CodeLibraryControls::closeButton));
    connect(addButton, &QPushButton::clicked, this, &CodeLibraryEditor::addRow);
    connect(deleteButton, &QPushButton::clicked, this, &CodeLibraryEditor::deleteRow);
    connect(saveButton, &QPushButton::clicked, this, [this] { save(); });
    connect(saveAsButton, &QPushButton::clicked, this, [this] { saveAs(); });
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);

    auto* symbolColumn = new QVBoxLayout;
    auto* symbolTitle = new QLabel(QStringLiteral("Symbol of the row:"), this);
    symbolColumn->addWidget(symbolTitle);
    symbolColumn->addWidget(m_symbol);
    symbolColumn->addWidget(m_symbolCaption);
    symbolColumn->addStretch(1);
    auto* middle = new QHBoxLayout;
    middle->addWidget(m_grid, 1);
    middle->addLayout(symbolColumn);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(addButton);
    buttons->addWidget(deleteButton);
    buttons->addStretch(1);
    buttons->addWidget(saveButton);
    buttons->addWidget(saveAsButton);
    buttons->addWidget(closeButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_fileLabel);
    layout->addLayout(middle, 1);
    layout->addWidget(m_rowFaults);
    layout->addLayout(buttons);
    resize(900, 480);

    connect(m_grid, &QTableWidget::itemChanged, this, [this] {
        if (!m_filling) {
            m_changed = true;
            recheck();
        }
    });
    connect(m_grid, &QTableWidget::currentCellChanged, this, [this] { showCurrentRow(); });
}

bool CodeLibraryEditor::open(const QString& filePath, const QString& symbolsFolder)
{
    m_filePath = filePath;
    m_symbols = codes::SymbolLibrary::inFolder(toPath(symbolsFolder));
    std::string content;
    if (QFileInfo::exists(filePath)) {
        try {
            content = io::readFileText(toPath(filePath));
        } catch (const std::exception& error) {
            m_interaction.showMessage(MessageIcon::Error, MessageButtons::Ok, QString::fromLocal8Bit(error.what()));
            return false;
        }
    }
    m_fileLabel->setText(QStringLiteral("Library: ") + filePath);
    showTable(codes::readCodeTable(content));
    m_changed = false;
    return true;
}

void CodeLibraryEditor::startNew(const QString& symbolsFolder)
{
    m_filePath.clear();
    m_symbols = codes::SymbolLibrary::inFolder(toPath(symbolsFolder));
    m_fileLabel->setText(QStringLiteral("Library: new, not saved yet"));
    showTable(newLibraryTable());
    m_changed = false;
}

void CodeLibraryEditor::showTable(const codes::CodeTable& table)
{
    m_filling = true;
    m_shownTable = table;
    m_grid->clear();
    m_grid->setColumnCount(static_cast<int>(table.header.size()));
    m_grid->setRowCount(static_cast<int>(table.rows.size()));
    QStringList header;
    for (const std::string& name : table.header) {
        header.append(QString::fromStdString(name));
    }
    m_grid->setHorizontalHeaderLabels(header);
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
        for (std::size_t c = 0; c < table.rows[r].size(); ++c) {
            m_grid->setItem(static_cast<int>(r), static_cast<int>(c),
                            new QTableWidgetItem(QString::fromStdString(table.rows[r][c])));
        }
    }
    m_filling = false;
    m_grid->resizeColumnsToContents();
    recheck();
    if (m_grid->rowCount() > 0) {
        m_grid->setCurrentCell(0, 0);
    }
}

codes::CodeTable CodeLibraryEditor::table() const
{
    codes::CodeTable table = m_shownTable;
    table.rows.clear();
    for (int r = 0; r < m_grid->rowCount(); ++r) {
        std::vector<std::string> row;
        for (int c = 0; c < m_grid->columnCount(); ++c) {
            const QTableWidgetItem* item = m_grid->item(r, c);
            row.push_back(item != nullptr ? item->text().toStdString() : std::string());
        }
        table.rows.push_back(std::move(row));
    }
    return table;
}

int CodeLibraryEditor::symbolColumn() const
{
    for (int c = 0; c < m_grid->columnCount(); ++c) {
        const QTableWidgetItem* header = m_grid->horizontalHeaderItem(c);
        if (header != nullptr && header->text().trimmed().compare(QLatin1String("symbol"), Qt::CaseInsensitive) == 0) {
            return c;
        }
    }
    return -1;
}

// Every row is checked by the library reader whenever a cell changes: the faulty ones are
// tinted and carry their messages.
void CodeLibraryEditor::recheck()
{
    const codes::CodeTable shown = table();
    m_faults = codes::checkCodeTable(shown, [this](std::string_view name) { return m_symbols.contains(name); });
    m_filling = true;
    m_grid->setVerticalHeaderLabels(rowLabels(shown));
    for (int r = 0; r < m_grid->rowCount(); ++r) {
        const QString faults = rowFaults(m_faults, static_cast<std::size_t>(r) + 1);
        for (int c = 0; c < m_grid->columnCount(); ++c) {
            QTableWidgetItem* item = m_grid->item(r, c);
            if (item == nullptr) {
                item = new QTableWidgetItem;
                m_grid->setItem(r, c, item);
            }
            item->setBackground(faults.isEmpty() ? QBrush() : QBrush(kFaultyRow));
            item->setToolTip(faults);
        }
    }
    m_filling = false;
    showCurrentRow();
}

void CodeLibraryEditor::showCurrentRow()
{
    const int row = m_grid->currentRow();
    const QString headerFaults = rowFaults(m_faults, 0);
    const QString faults = row >= 0 ? rowFaults(m_faults, static_cast<std::size_t>(row) + 1) : QString();
    QStringList shown;
    if (!headerFaults.isEmpty()) {
        shown.append(headerFaults);
    }
    if (!faults.isEmpty()) {
        shown.append(faults);
    }
    m_rowFaults->setText(shown.isEmpty() ? QStringLiteral("No fault in this row.") : shown.join(QLatin1Char('\n')));
    m_rowFaults->setStyleSheet(shown.isEmpty() ? QString() : QStringLiteral("color: #a00000;"));

    const int column = symbolColumn();
    const QTableWidgetItem* cell = row >= 0 && column >= 0 ? m_grid->item(row, column) : nullptr;
    const QString symbol = cell != nullptr ? cell->text().trimmed() : QString();
    codes::SymbolShapes shapes;
    bool drawn = false;
    if (!symbol.isEmpty() && m_symbols.contains(symbol.toStdString())) {
        const std::filesystem::path file = m_symbols.file(symbol.toStdString());
        try {
            shapes = codes::symbolShapes(io::readFileText(file), file.string());
            drawn = true;
        } catch (const std::exception& error) {
            m_symbolCaption->setText(QString::fromLocal8Bit(error.what()));
        }
    }
    m_symbol->showShapes(shapes);
    if (drawn || symbol.isEmpty() || !m_symbols.contains(symbol.toStdString())) {
        const QString caption = symbolCaption(symbol, drawn);
        m_symbolCaption->setText(caption.isEmpty() ? symbol.toUpper() : caption);
    }
}

void CodeLibraryEditor::addRow()
{
    const int row = m_grid->currentRow() >= 0 ? m_grid->currentRow() + 1 : m_grid->rowCount();
    m_filling = true;
    m_grid->insertRow(row);
    for (int c = 0; c < m_grid->columnCount(); ++c) {
        m_grid->setItem(row, c, new QTableWidgetItem);
    }
    m_filling = false;
    m_changed = true;
    recheck();
    m_grid->setCurrentCell(row, 0);
}

void CodeLibraryEditor::deleteRow()
{
    const int row = m_grid->currentRow();
    if (row < 0) {
        return;
    }
    m_grid->removeRow(row);
    m_changed = true;
    recheck();
}

bool CodeLibraryEditor::refuseFaultyTable()
{
    recheck();
    if (const QString refusal = saveRefusal(m_faults); !refusal.isEmpty()) {
        m_interaction.showMessage(MessageIcon::Error, MessageButtons::Ok, refusal);
        return true;
    }
    return false;
}

bool CodeLibraryEditor::writeTable(const QString& filePath)
{
    const std::string text = codes::writeCodeTable(table());
    try {
        io::replaceFile(toPath(filePath), text);
    } catch (const std::exception& error) {
        m_interaction.showMessage(MessageIcon::Error, MessageButtons::Ok, QString::fromLocal8Bit(error.what()));
        return false;
    }
    // The table as the file now holds it: rows that held nothing are gone, the numbers follow.
    const int row = m_grid->currentRow();
    showTable(codes::readCodeTable(text));
    m_grid->setCurrentCell(std::min(row, m_grid->rowCount() - 1), 0);
    m_changed = false;
    return true;
}

bool CodeLibraryEditor::save()
{
    if (m_filePath.isEmpty()) {
        return saveAs();
    }
    return !refuseFaultyTable() && writeTable(m_filePath);
}

bool CodeLibraryEditor::saveAs()
{
    if (refuseFaultyTable()) {
        return false;
    }
    const QString folder = !m_codesFolder.isEmpty() ? m_codesFolder : QFileInfo(m_filePath).path();
    QInputDialog ask(this);
    ask.setObjectName(QLatin1String(CodeLibraryControls::nameQuestion));
    ask.setWindowTitle(QStringLiteral("Save code library as"));
    ask.setLabelText(QStringLiteral("Name of the library in the installation's \"codes\" folder:"));
    ask.setTextValue(m_filePath.isEmpty() ? QString() : QFileInfo(m_filePath).completeBaseName());
    if (m_interaction.execDialog(ask) != QDialog::Accepted) {
        return false;
    }
    const QString name = libraryNameOf(ask.textValue());
    if (const QString fault = libraryNameFault(name); !fault.isEmpty()) {
        m_interaction.showMessage(MessageIcon::Error, MessageButtons::Ok, fault);
        return false;
    }
    const QString filePath = QDir(folder).filePath(name + QLatin1String(codes::kCodeLibrarySuffix));
    const bool edited = !m_filePath.isEmpty() && QFileInfo(filePath) == QFileInfo(m_filePath);
    if (askBeforeReplacing(QFileInfo::exists(filePath), edited) &&
        m_interaction.showMessage(MessageIcon::Confirmation, MessageButtons::YesNo, replaceLibraryQuestion(name)) !=
            MessageAnswer::Yes) {
        return false;
    }
    if (!writeTable(filePath)) {
        return false;
    }
    m_filePath = filePath;
    m_savedAsName = name;
    m_fileLabel->setText(QStringLiteral("Library: ") + filePath);
    return true;
}

void CodeLibraryEditor::done(int result)
{
    MessageAnswer answer = MessageAnswer::No;
    if (m_changed) {
        answer = m_interaction.showMessage(
            MessageIcon::Confirmation, MessageButtons::YesNoCancel,
            changedOnCloseQuestion(m_filePath.isEmpty() ? QString() : QFileInfo(m_filePath).fileName()));
    }
    switch (closeStep(m_changed, answer)) {
    case CloseStep::SaveThenClose:
        if (!save()) {
            return;
        }
        break;
    case CloseStep::Close:
        break;
    case CloseStep::Stay:
        return;
    }
    QDialog::done(result);
}

} // namespace mervalon::app
