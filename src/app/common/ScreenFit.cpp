#include "app/common/ScreenFit.h"

#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <memory>

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
    fitOnScreen(window);
    // Then for a few seconds, each time with the frame the window manager has reported: on a
    // loaded machine its extents may come a second or more after the window was shown, and a fit
    // made before that takes the frame for no frame at all.
    auto* ticks = new QTimer(&window);
    ticks->setInterval(kFitIntervalMs);
    auto remaining = std::make_shared<int>(kFitTicks);
    QObject::connect(ticks, &QTimer::timeout, &window, [&window, ticks, remaining] {
        const QWindow* handle = window.windowHandle();
        if (handle != nullptr && !handle->frameMargins().isNull()) {
            fitOnScreen(window);
        }
        if (--*remaining <= 0) {
            ticks->deleteLater();
        }
    });
    ticks->start();
}

} // namespace mervalon::app
