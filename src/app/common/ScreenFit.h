#pragma once
// Keeping a window whole on its screen, frame included: small or scaled screens (150 % on
// 1366 x 768) leave little room, and a title bar off the screen cannot be dragged back.

class QWidget;

namespace mervalon::app {

/// Moves a shown top-level window so that its whole frame is on its screen's available area
/// (its top left corner first when it is larger); a window that fits stays where it is.
void fitOnScreen(QWidget& window);

/// fitOnScreen now and again a moment later: the frame the window manager adds is known only
/// once the window is on the screen, and sometimes later still (on a loaded machine).
void fitOnScreenOnceFramed(QWidget& window);

} // namespace mervalon::app
