#include "app/formats/FormatPreviewPanel.h"

#include "app/formats/FormatEditorControls.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace mervalon::app {
namespace {

// Tints that read on light and dark themes alike, with the text colour kept dark on them.
const QColor kErrorTint(255, 196, 196);
const QColor kWarningTint(255, 236, 170);
// The table's height in lines (its heading counts as one), and what its frame adds.
constexpr int kMostLinesShown = 8;
constexpr int kFewestLinesShown = 3;
constexpr int kTableFrame = 4;

} // namespace

FormatPreviewPanel::FormatPreviewPanel(QWidget* parent)
    : QWidget(parent), m_status(new QLabel(this)), m_table(new QTableWidget(this))
{
    setObjectName(QLatin1String(FormatEditorControls::previewPanel));
    m_status->setObjectName(QLatin1String(FormatEditorControls::previewStatus));
    m_table->setObjectName(QLatin1String(FormatEditorControls::previewTable));
    m_status->setTextFormat(Qt::PlainText);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionMode(QAbstractItemView::NoSelection);
    m_table->setFocusPolicy(Qt::NoFocus);
    m_table->setWordWrap(false);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->verticalHeader()->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_table->setToolTip(QStringLiteral("The first lines of the file selected in the main window, as this format reads "
                                       "them; a tinted cell is one the report would speak of (point at it)"));
    fitTableInto(kMostLinesShown * m_table->verticalHeader()->defaultSectionSize() + kTableFrame);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(m_status);
    layout->addWidget(m_table);
}

void FormatPreviewPanel::fitTableInto(int room)
{
    const int line = std::max(1, m_table->verticalHeader()->defaultSectionSize());
    const int lines = std::clamp((room - kTableFrame) / line, kFewestLinesShown, kMostLinesShown);
    m_table->setFixedHeight(lines * line + kTableFrame);
}

int FormatPreviewPanel::tableHeight() const
{
    return m_table->minimumHeight(); // its fixed height, also before it is laid out
}

void FormatPreviewPanel::showTable(const PreviewTable& table)
{
    m_status->setText(table.status);
    m_status->setToolTip(table.status);
    m_table->clearSpans();
    m_table->clear();
    m_table->setColumnCount(static_cast<int>(table.columnHeads.size()));
    m_table->setHorizontalHeaderLabels(table.columnHeads);
    m_table->setRowCount(static_cast<int>(table.rows.size()));
    QStringList headings;
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
        const PreviewRow& row = table.rows[r];
        const int rowIndex = static_cast<int>(r);
        headings << row.heading;
        for (std::size_t c = 0; c < row.cells.size(); ++c) {
            const PreviewCell& cell = row.cells[c];
            auto* item = new QTableWidgetItem(cell.text);
            if (cell.mark != CellMark::None) {
                item->setBackground(cell.mark == CellMark::Error ? kErrorTint : kWarningTint);
                item->setForeground(QColor(Qt::black));
                item->setToolTip(cell.tooltip);
            }
            if (row.kind != engine::PreviewLine::Kind::Point) {
                item->setForeground(palette().color(QPalette::Disabled, QPalette::Text));
                QFont italic = item->font();
                italic.setItalic(true);
                item->setFont(italic);
            }
            m_table->setItem(rowIndex, static_cast<int>(c), item);
        }
        if (row.kind != engine::PreviewLine::Kind::Point && m_table->columnCount() > 1) {
            m_table->setSpan(rowIndex, 0, 1, m_table->columnCount());
        }
    }
    m_table->setVerticalHeaderLabels(headings);
}

} // namespace mervalon::app
