#include "app/help/ActiveHelpWindow.h"

#include "app/help/ActiveHelpWindowControls.h"
#include "app/shell/Interaction.h"

#include <QCloseEvent>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace mervalon::app {

ActiveHelpWindow::ActiveHelpWindow(Interaction& interaction, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      m_interaction(interaction), m_browser(new QTextBrowser(this))
{
    setObjectName(QLatin1String(ActiveHelpWindowControls::window));
    setWindowTitle(QStringLiteral("Active Help"));
    m_browser->setObjectName(QLatin1String(ActiveHelpWindowControls::browser));
    // A link of a topic opens elsewhere, the window being too small to read in: a page of the
    // manual in the program's help window, anything else in the desktop's browser.
    m_browser->setOpenLinks(false);
    connect(m_browser, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        const QUrl target = m_browser->source().resolved(url);
        if (target.isLocalFile()) {
            m_interaction.showManual(target.toString());
        } else {
            m_interaction.openDocument(target.toString());
        }
    });
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    setFixedSize(kClientWidth, kClientHeight);
}

void ActiveHelpWindow::navigate(const QUrl& url)
{
    m_browser->setSource(url);
}

void ActiveHelpWindow::closeEvent(QCloseEvent* event)
{
    if (m_closingAllowed) {
        event->accept();
        return;
    }
    event->ignore();
    m_interaction.showMessage(MessageIcon::Information, MessageButtons::Ok,
                              QStringLiteral("Please see the \"Options\" tab to disable Active Help"));
}

} // namespace mervalon::app
