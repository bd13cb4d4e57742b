#pragma once
// Strings the points of line features into lines: per feature and instance, in file order.
// A begin word starts a new line at its point, end ends the line after it, close ends it and
// closes it back to its first point, nojoin keeps the point out of the line; the points from
// an arcbegin to an arcend are replaced by chords of the circular arc through the first, a
// middle and the last of them. Lines still open at the end of the file end there.

#include "core/codes/PointCodes.h"

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace mervalon::codes {

/// The largest distance of a chord from the true arc, in drawing units.
inline constexpr double kChordTolerance = 0.005;

struct LinePoint {
    double x = 0;
    double y = 0;
    double z = 0;
    std::string xText; ///< the coordinate texts as read; empty for a point computed on an arc
    std::string yText;
    std::string zText;
};

struct Line {
    std::string feature;
    std::string instance;
    const CodeRow* row = nullptr;
    std::vector<LinePoint> points;
    bool closed = false;
    std::size_t firstLine = 0; ///< the file line of its first point
};

class LineworkBuilder {
  public:
    /// Told of each line as it ends, in the order lines end; lines of fewer than two points too.
    using LineEnded = std::function<void(Line&&)>;

    explicit LineworkBuilder(LineEnded ended) : m_ended(std::move(ended)) {}

    /// Adds the point of file line `lineNumber` to the lines of its features.
    void add(const PointCodes& codes, const LinePoint& point, std::size_t lineNumber);

    /// Ends every line still open, in the order they began.
    void finish();

  private:
    struct OpenLine {
        Line line;
        std::size_t order = 0;
        std::size_t arcStart = 0;
        bool inArc = false;
    };
    static void fitArc(OpenLine& open);
    void end(OpenLine& open, bool closed);

    LineEnded m_ended;
    std::map<std::pair<std::string, std::string>, OpenLine> m_open;
    std::size_t m_begun = 0;
};

/// The points of a circular arc through `first`, `middle` and `last`, from first to last, as
/// chords no further than kChordTolerance from the arc; the elevation runs evenly along each
/// half. Empty when the three points lie on one straight line (or two coincide).
std::vector<LinePoint> arcChords(const LinePoint& first, const LinePoint& middle, const LinePoint& last);

} // namespace mervalon::codes
