#include "app/viewers/ReportViewer.h"

#include "app/common/TextConversions.h"
#include "app/common/WidgetHelpers.h"
#include "app/shell/Interaction.h"
#include "app/viewers/ReportViewerControls.h"
#include "app/viewers/ViewerRules.h"
#include "core/io/FileIo.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QStyle>
#include <QTextBlock>
#include <QToolButton>
#include <QVBoxLayout>
#include <exception>

namespace mervalon::app {

ReportViewer::ReportViewer(Interaction& interaction, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_interaction(interaction)
{
    setObjectName(QLatin1String(ReportViewerControls::window));
    setWindowTitle(QStringLiteral(" Error Report"));

    m_view = named(new QPlainTextEdit(this), ReportViewerControls::reportView);
    m_view->setReadOnly(true);
    m_view->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_view->setFont(pointFileFont());
    m_view->setToolTip(QStringLiteral("Double-click a line that names a line of a point file to see that line"));
    m_view->viewport()->installEventFilter(this);
    auto textButton = [this](const char* name, const char* caption, QStyle::StandardPixmap icon) {
        auto* button = named(new QToolButton(this), name);
        button->setText(QLatin1String(caption));
        button->setIcon(style()->standardIcon(icon));
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setMinimumWidth(90);
        return button;
    };
    auto* printButton = textButton(ReportViewerControls::printButton, "Print", QStyle::SP_FileDialogDetailedView);
    auto* closeButton = textButton(ReportViewerControls::closeButton, "Close", QStyle::SP_DialogCloseButton);
    connect(printButton, &QToolButton::clicked, this, [this] { print(); });
    connect(closeButton, &QToolButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(printButton);
    buttons->addStretch();
    buttons->addWidget(closeButton);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(6);
    layout->addWidget(m_view, 1);
    layout->addLayout(buttons);

    setFixedSize(QSize(478, 393).expandedTo(minimumSizeHint()));
}

bool ReportViewer::load(const QString& reportPath)
{
    // A large report takes a moment to lay out: the pointer says so.
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    ReportExcerpt excerpt;
    try {
        excerpt = readReportExcerpt(reportPath);
    } catch (const std::exception& error) {
        QGuiApplication::restoreOverrideCursor();
        m_view->clear();
        m_interaction.showMessage(MessageIcon::Error, MessageButtons::Ok, QString::fromUtf8(error.what()));
        return false;
    }
    const TextFileContent content = decodeTextFile(excerpt.bytes);
    excerpt.bytes.clear();
    m_view->setPlainText(content.lines.join(u'\n'));
    QGuiApplication::restoreOverrideCursor();
    return true;
}

bool ReportViewer::print()
{
    if (!m_interaction.printText(kReportPrintTitle, text())) {
        m_interaction.showMessage(MessageIcon::Error, MessageButtons::Ok, kPrintFailed);
        return false;
    }
    return true;
}

QString ReportViewer::text() const
{
    return m_view->toPlainText();
}

void ReportViewer::chooseLine(int index)
{
    const QTextDocument& document = *m_view->document();
    QStringList lines;
    lines.reserve(index + 1);
    for (QTextBlock block = document.begin(); block.isValid() && block.blockNumber() <= index; block = block.next()) {
        lines << block.text();
    }
    if (const std::optional<CitedLine> cited = citedLine(lines, index)) {
        emit lineChosen(*cited);
    }
}

bool ReportViewer::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_view->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        const auto* click = static_cast<QMouseEvent*>(event);
        chooseLine(m_view->cursorForPosition(click->position().toPoint()).blockNumber());
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void ReportViewer::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Centred on the main window.
    if (const QWidget* owner = parentWidget()) {
        move(owner->window()->geometry().center() - rect().center());
    }
}

} // namespace mervalon::app
