#pragma once
// The rules of keeping a window whole on its screen, frame included, kept apart from the widgets.
// Small or scaled screens (150 % on 1366 x 768 leaves 910 x 512 logical pixels) leave little
// room; the frame the window manager adds is known only once it is drawn, and the toolkit may
// keep a stale idea of it; and a manager may place a window a fixed distance from where it was
// asked to (the frame's height, when it reads the position as the frame's). These rules reckon
// with all three, in logical pixels.

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <optional>

namespace mervalon::app {

/// The frame reckoned with while the manager's is not known: a title bar above, borders elsewhere
/// (most managers draw less).
inline constexpr QMargins kFrameAllowance{8, 32, 8, 8};

/// Room left free beside the frame allowance before a window lays itself out compactly.
inline constexpr int kSpareHeight = 16;

/// The frame margins to reckon with: the manager's when known (not null), else kFrameAllowance.
QMargins reckonedFrameMargins(const QMargins& known);

/// Whether a window designed `designedHeight` high lays itself out compactly on an available area
/// `availableHeight` high: when the designed height, the frame allowance and the spare room do not
/// all fit.
bool compactLayout(int designedHeight, int availableHeight);

/// The height of a fixed-size window designed `designedHeight` high whose layout needs at least
/// `minimumHeight`: the designed height (or the minimum, when larger) where it fits with the frame
/// allowance and the spare room; else as much as fits with them, but never less than the minimum.
int fittedWindowHeight(int designedHeight, int minimumHeight, int availableHeight);

/// Where the window (its client area `client`, its frame `margins` around it) goes so that the
/// whole frame is on `available`: moved only as far as needed, its top left corner kept on the
/// screen when it is too large. Nothing when it is whole on the screen already.
std::optional<QPoint> fittedClientPosition(const QRect& client, const QMargins& margins, const QRect& available);

/// The position to ask for so that the window lands at `wanted`, when the last time `asked` was
/// asked for it landed at `landed`: the manager's offset is taken off. An offset of more than
/// kLargestPlacementOffset on either axis is no offset of placement (the user moved the window,
/// say), and is not taken off.
inline constexpr int kLargestPlacementOffset = 64;
QPoint positionToAsk(QPoint wanted, QPoint asked, QPoint landed);

/// How long a window keeps being fitted: for kSettleMs after its frame became known, and at most
/// kLongestFitMs after it was shown (a manager that never tells its frame).
inline constexpr int kSettleMs = 3000;
inline constexpr int kLongestFitMs = 15000;
bool keepsFitting(int msSinceShown, std::optional<int> msSinceFramed);

} // namespace mervalon::app
