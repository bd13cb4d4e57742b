#include "core/engine/SheetLineEstimate.h"

#include <algorithm>
#include <cmath>

namespace mervalon::engine {

std::uint64_t SheetLineEstimate::guess(const Reading& reading)
{
    std::uint64_t byBytes = 0;
    if (reading.fraction > 0) {
        byBytes =
            static_cast<std::uint64_t>(std::ceil(static_cast<double>(reading.lines) / std::min(reading.fraction, 1.0)));
    }
    // A used range is the best count while it holds the lines read and is not far from what the
    // bytes say: producers write ranges that are short ("A1"), or whole columns.
    if (reading.declared > 0 && reading.declared < reading.lines) {
        m_declaredWrong = true;
    } else if (!m_declaredWrong && reading.declared > 0) {
        const bool bytesSettled = byBytes > 0 && reading.fraction >= kSettledFraction;
        if (!bytesSettled || (reading.declared <= 2 * byBytes && byBytes <= 2 * reading.declared)) {
            return reading.declared;
        }
        m_declaredWrong = true;
    }
    return std::max(reading.lines, byBytes);
}

std::uint64_t SheetLineEstimate::take(const Reading& reading)
{
    const std::uint64_t guessed = guess(reading);
    // Must the count grow anyway, it grows to the best guess rather than by the lines alone.
    if (m_count == 0 || reading.lines > m_count) {
        m_count = guessed;
    } else {
        m_count = std::min(m_count, guessed);
    }
    return m_count;
}

} // namespace mervalon::engine
