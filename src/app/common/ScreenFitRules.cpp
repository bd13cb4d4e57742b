#include "app/common/ScreenFitRules.h"

#include <algorithm>
#include <cstdlib>

namespace mervalon::app {

QMargins reckonedFrameMargins(const QMargins& known)
{
    return known.isNull() ? kFrameAllowance : known;
}

namespace {

int roomNeeded(int height)
{
    return height + kFrameAllowance.top() + kFrameAllowance.bottom() + kSpareHeight;
}

} // namespace

bool compactLayout(int designedHeight, int availableHeight)
{
    return availableHeight > 0 && roomNeeded(designedHeight) > availableHeight;
}

int fittedWindowHeight(int designedHeight, int minimumHeight, int availableHeight)
{
    const int designed = std::max(designedHeight, minimumHeight);
    if (availableHeight <= 0 || roomNeeded(designed) <= availableHeight) {
        return designed;
    }
    return std::max(minimumHeight, availableHeight - (roomNeeded(0)));
}

std::optional<QPoint> fittedClientPosition(const QRect& client, const QMargins& margins, const QRect& available)
{
    const QRect frame = client.marginsAdded(margins);
    if (available.isEmpty() || available.contains(frame)) {
        return std::nullopt;
    }
    // Right and bottom first, so that a frame larger than the screen keeps its top left corner
    // (and its title bar) on the screen.
    QPoint topLeft = frame.topLeft();
    topLeft.setX(std::min(topLeft.x(), available.left() + available.width() - frame.width()));
    topLeft.setY(std::min(topLeft.y(), available.top() + available.height() - frame.height()));
    topLeft.setX(std::max(topLeft.x(), available.left()));
    topLeft.setY(std::max(topLeft.y(), available.top()));
    return topLeft + QPoint(margins.left(), margins.top());
}

QPoint positionToAsk(QPoint wanted, QPoint asked, QPoint landed)
{
    const QPoint offset = landed - asked;
    if (std::abs(offset.x()) > kLargestPlacementOffset || std::abs(offset.y()) > kLargestPlacementOffset) {
        return wanted;
    }
    return wanted - offset;
}

bool keepsFitting(int msSinceShown, std::optional<int> msSinceFramed)
{
    if (msSinceShown >= kLongestFitMs) {
        return false;
    }
    return !msSinceFramed || *msSinceFramed < kSettleMs;
}

} // namespace mervalon::app
