#include "app/help/ActiveHelp.h"

#include "app/common/ScreenFit.h"
#include "app/help/ActiveHelpWindow.h"
#include "app/help/HelpTopicsRules.h"

#include <QCoreApplication>
#include <QEvent>
#include <QScreen>
#include <QStringList>
#include <QUrl>
#include <QWidget>

namespace mervalon::app {

ActiveHelp::ActiveHelp(Interaction& interaction, QWidget& mainWindow)
    : m_mainWindow(mainWindow), m_window(new ActiveHelpWindow(interaction, &mainWindow))
{
    if (QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->installEventFilter(this);
    }
}

ActiveHelp::~ActiveHelp()
{
    if (QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->removeEventFilter(this);
    }
}

void ActiveHelp::setActive(bool on, int offset)
{
    m_active = on;
    m_lastWidget = nullptr;
    if (on) {
        placeBesideMainWindow(offset);
        m_window->show();
        showHelpTopic(kStartHelpTopic);
    } else {
        m_window->hide();
    }
}

void ActiveHelp::placeBesideMainWindow(int offset)
{
    const QScreen* screen = m_mainWindow.screen();
    const QRect available = screen != nullptr ? screen->availableGeometry() : QRect();
    const ActiveHelpPlacement place =
        activeHelpPlacement(m_mainWindow.frameGeometry(), m_window->frameGeometry().size(), available, offset);
    if (place.main) {
        // Sideways only: the frame's height may not be known yet, and the window's height on
        // the screen is fitOnScreen's business, run again once the frame is there.
        m_mainWindow.move(m_mainWindow.pos() + QPoint(place.main->x() - m_mainWindow.frameGeometry().x(), 0));
        if (m_mainWindow.isVisible()) {
            fitOnScreenOnceFramed(m_mainWindow);
        }
    }
    m_window->move(place.help);
}

void ActiveHelp::showHelpTopic(int topic)
{
    if (!m_active || topic == m_lastTopic) {
        return;
    }
    const QString address = helpTopicAddress(m_installDir, topic);
    const qsizetype hash = address.lastIndexOf(QLatin1Char('#'));
    QUrl url = QUrl::fromLocalFile(address.left(hash));
    url.setFragment(address.mid(hash + 1));
    m_window->navigate(url);
    m_lastTopic = topic;
    emit topicShown(topic);
}

void ActiveHelp::allowClosing()
{
    m_window->allowClosing();
}

bool ActiveHelp::eventFilter(QObject* watched, QEvent* event)
{
    // Called for every event of the program: the cheap tests come first.
    if (event->type() == QEvent::MouseMove && m_active && watched != m_lastWidget && watched->isWidgetType()) {
        pointerMovedOver(*static_cast<QWidget*>(watched));
    }
    return false;
}

void ActiveHelp::pointerMovedOver(QWidget& widget)
{
    m_lastWidget = &widget;
    QStringList chain;
    const QWidget* current = &widget;
    while (!current->isWindow() && current->parentWidget() != nullptr) {
        chain << current->objectName();
        current = current->parentWidget();
    }
    const HelpWindow window = helpWindowOf(current->objectName(), current->windowTitle());
    if (window == HelpWindow::Other) {
        return;
    }
    if (const int topic = helpTopicUnderPointer(window, chain); topic != 0) {
        showHelpTopic(topic);
    }
}

} // namespace mervalon::app
