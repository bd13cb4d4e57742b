#pragma once
// Keeping a window whole on its screen, frame included: small or scaled screens (150 % on
// 1366 x 768) leave little room, and a title bar off the screen cannot be dragged back. The
// decisions are ScreenFitRules'.

class QWidget;

namespace mervalon::app {

/// Moves a shown top-level window so that its whole frame is on its screen's available area
/// (its top left corner first when it is larger); a window that fits stays where it is. A frame
/// the window manager has not told yet is reckoned as kFrameAllowance.
void fitOnScreen(QWidget& window);

/// How often fitOnScreenOnceFramed looks again besides the window's own move and resize events.
inline constexpr int kFitIntervalMs = 200;

/// fitOnScreen now, then again on every move and resize the window manager makes of the window
/// and every kFitIntervalMs, until its frame has been known for a while (keepsFitting): the
/// manager may place the window, draw its frame and tell of it in any order, seconds later on a
/// loaded machine, and may land it off where it was asked to go, which the next fit makes up for.
/// Called again while it goes on, it starts over.
void fitOnScreenOnceFramed(QWidget& window);

} // namespace mervalon::app
