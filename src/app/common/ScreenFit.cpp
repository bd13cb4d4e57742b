#include "app/common/ScreenFit.h"

#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <algorithm>

namespace mervalon::app {

void fitOnScreen(QWidget& window)
{
    const QScreen* screen = window.screen();
    if (screen == nullptr || !window.isVisible()) {
        return;
    }
    const QRect available = screen->availableGeometry();
    const QRect frame = window.frameGeometry();
    if (available.contains(frame)) {
        return;
    }
    // Right and bottom first, so that a frame larger than the screen keeps its top left corner
    // (and its title bar) on the screen.
    QPoint topLeft = frame.topLeft();
    topLeft.setX(std::min(topLeft.x(), available.left() + available.width() - frame.width()));
    topLeft.setY(std::min(topLeft.y(), available.top() + available.height() - frame.height()));
    topLeft.setX(std::max(topLeft.x(), available.left()));
    topLeft.setY(std::max(topLeft.y(), available.top()));
    window.move(topLeft);
}

void fitOnScreenOnceFramed(QWidget& window)
{
    for (const int delay : {0, 300, 1000}) {
        QTimer::singleShot(delay, &window, [&window] { fitOnScreen(window); });
    }
}

} // namespace mervalon::app
