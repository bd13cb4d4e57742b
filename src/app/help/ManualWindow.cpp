#include "app/help/ManualWindow.h"

#include "app/common/WidgetHelpers.h"
#include "app/help/ManualWindowControls.h"

#include <QHBoxLayout>
#include <QKeySequence>
#include <QShortcut>
#include <QStyle>
#include <QTextBrowser>
#include <QToolButton>
#include <QVBoxLayout>

namespace mervalon::app {

ManualWindow::ManualWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QLatin1String(ManualWindowControls::window));
    setWindowTitle(QStringLiteral("Mervalon Help"));
    m_browser = named(new QTextBrowser(this), ManualWindowControls::browser);
    m_browser->setOpenLinks(true);
    m_browser->setOpenExternalLinks(false);
    m_back = toolButton(this, ManualWindowControls::backButton, QStringLiteral("Back (Alt+Left)"),
                        style()->standardIcon(QStyle::SP_ArrowBack));
    m_forward = toolButton(this, ManualWindowControls::forwardButton, QStringLiteral("Forward (Alt+Right)"),
                           style()->standardIcon(QStyle::SP_ArrowForward));
    auto* contents = toolButton(this, ManualWindowControls::contentsButton, QStringLiteral("Contents"),
                                style()->standardIcon(QStyle::SP_DirHomeIcon));
    for (QToolButton* button : {m_back, m_forward, contents}) {
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    }
    m_back->setText(QStringLiteral("Back"));
    m_forward->setText(QStringLiteral("Forward"));
    contents->setText(QStringLiteral("Contents"));
    m_back->setShortcut(QKeySequence(QKeySequence::Back));
    m_forward->setShortcut(QKeySequence(QKeySequence::Forward));
    m_back->setEnabled(false);
    m_forward->setEnabled(false);
    connect(m_back, &QToolButton::clicked, m_browser, &QTextBrowser::backward);
    connect(m_forward, &QToolButton::clicked, m_browser, &QTextBrowser::forward);
    connect(contents, &QToolButton::clicked, this, [this] { m_browser->setSource(m_contents); });
    connect(m_browser, &QTextBrowser::backwardAvailable, m_back, &QToolButton::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, m_forward, &QToolButton::setEnabled);
    connect(m_browser, &QTextBrowser::sourceChanged, this, [this] {
        const QString title = m_browser->documentTitle();
        setWindowTitle(title.isEmpty() ? QStringLiteral("Mervalon Help") : QStringLiteral("Mervalon Help - ") + title);
    });
    auto* close = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(close, &QShortcut::activated, this, &QWidget::close);

    auto* bar = new QHBoxLayout;
    bar->addWidget(m_back);
    bar->addWidget(m_forward);
    bar->addWidget(contents);
    bar->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(bar);
    layout->addWidget(m_browser, 1);
    resize(760, 560);
}

void ManualWindow::showPage(const QUrl& page)
{
    if (m_contents.isEmpty()) {
        m_contents = page.adjusted(QUrl::RemoveFragment);
    }
    m_browser->setSource(page);
    show();
    raise();
    activateWindow();
}

} // namespace mervalon::app
