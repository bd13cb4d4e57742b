#pragma once
// Keeping a window whole on its screen, frame included: small or scaled screens (150 % on
// 1366 x 768) leave little room, and a title bar off the screen cannot be dragged back.

class QWidget;

namespace mervalon::app {

/// Moves a shown top-level window so that its whole frame is on its screen's available area
/// (its top left corner first when it is larger); a window that fits stays where it is.
void fitOnScreen(QWidget& window);

/// How long fitOnScreenOnceFramed keeps fitting: every kFitIntervalMs, kFitTicks times.
inline constexpr int kFitIntervalMs = 200;
inline constexpr int kFitTicks = 20;

/// fitOnScreen now, then again for a few seconds whenever the frame is known: the frame the
/// window manager adds is known only once the window is on the screen, and sometimes seconds
/// later on a loaded machine.
void fitOnScreenOnceFramed(QWidget& window);

} // namespace mervalon::app
