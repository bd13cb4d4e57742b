#include "core/codes/Linework.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace mervalon::codes {
namespace {

// More chords than this are never needed to draw a survey's arc; a huge radius from points
// nearly on a line could otherwise ask for millions.
constexpr double kMaxChords = 10000;

double angleOf(double cx, double cy, const LinePoint& p)
{
    return std::atan2(p.y - cy, p.x - cx);
}

// The angle swept from `from` to `to` turning in `direction` (+1 counter-clockwise), in [0, 2 pi).
double sweep(double from, double to, int direction)
{
    double angle = direction > 0 ? to - from : from - to;
    while (angle < 0) {
        angle += 2 * std::numbers::pi;
    }
    while (angle >= 2 * std::numbers::pi) {
        angle -= 2 * std::numbers::pi;
    }
    return angle;
}

} // namespace

std::vector<LinePoint> arcChords(const LinePoint& first, const LinePoint& middle, const LinePoint& last)
{
    const double ax = first.x;
    const double ay = first.y;
    const double bx = middle.x;
    const double by = middle.y;
    const double cx = last.x;
    const double cy = last.y;
    const double d = 2 * (ax * (by - cy) + bx * (cy - ay) + cx * (ay - by));
    const double scale = std::max({std::abs(bx - ax), std::abs(by - ay), std::abs(cx - ax), std::abs(cy - ay)});
    if (!std::isfinite(d) || scale == 0 || std::abs(d) <= 1e-12 * scale * scale) {
        return {};
    }
    // The centre, computed relative to the first point so that large survey coordinates keep their digits.
    const double bxr = bx - ax;
    const double byr = by - ay;
    const double cxr = cx - ax;
    const double cyr = cy - ay;
    const double dr = 2 * (bxr * cyr - byr * cxr);
    const double b2 = bxr * bxr + byr * byr;
    const double c2 = cxr * cxr + cyr * cyr;
    const double ux = ax + (cyr * b2 - byr * c2) / dr;
    const double uy = ay + (bxr * c2 - cxr * b2) / dr;
    const double radius = std::hypot(ax - ux, ay - uy);
    if (!std::isfinite(radius) || radius == 0) {
        return {};
    }
    const int direction = dr > 0 ? 1 : -1; // counter-clockwise when the middle lies left of first-to-last
    const double start = angleOf(ux, uy, first);
    const double toMiddle = sweep(start, angleOf(ux, uy, middle), direction);
    const double total = sweep(start, angleOf(ux, uy, last), direction);
    // A chord of angle t lies radius * (1 - cos(t / 2)) from the arc at its middle.
    const double ratio = std::clamp(1 - kChordTolerance / radius, -1.0, 1.0);
    const double step = 2 * std::acos(ratio);
    const double chords = step > 0 ? std::clamp(std::ceil(total / step), 1.0, kMaxChords) : kMaxChords;
    const auto count = static_cast<std::size_t>(chords);
    std::vector<LinePoint> points;
    points.reserve(count + 1);
    points.push_back(first);
    for (std::size_t i = 1; i < count; ++i) {
        const double along = total * static_cast<double>(i) / chords;
        const double angle = start + direction * along;
        LinePoint p;
        p.x = ux + radius * std::cos(angle);
        p.y = uy + radius * std::sin(angle);
        if (along <= toMiddle && toMiddle > 0) {
            p.z = first.z + (middle.z - first.z) * (along / toMiddle);
        } else {
            p.z = middle.z + (last.z - middle.z) * ((along - toMiddle) / (total - toMiddle));
        }
        points.push_back(std::move(p));
    }
    points.push_back(last);
    return points;
}

void LineworkBuilder::add(const PointCodes& codes, const LinePoint& point, std::size_t lineNumber)
{
    for (const FeatureUse& use : codes.features) {
        if (use.row == nullptr || use.row->line == LineKind::None || use.has(Control::NoJoin)) {
            continue;
        }
        const auto key = std::make_pair(use.feature, use.instance);
        auto found = m_open.find(key);
        if (found != m_open.end() && use.has(Control::Begin)) {
            end(found->second, false);
            m_open.erase(found);
            found = m_open.end();
        }
        if (found == m_open.end()) {
            OpenLine open;
            open.line.feature = use.feature;
            open.line.instance = use.instance;
            open.line.row = use.row;
            open.line.firstLine = lineNumber;
            open.order = m_begun++;
            found = m_open.emplace(key, std::move(open)).first;
        }
        OpenLine& open = found->second;
        open.line.points.push_back(point);
        if (use.has(Control::ArcEnd) && open.inArc) {
            fitArc(open);
        }
        if (use.has(Control::ArcBegin)) {
            // An arc begun again ends the one before at this point, which begins the next.
            if (open.inArc) {
                fitArc(open);
            }
            open.inArc = true;
            open.arcStart = open.line.points.size() - 1;
        }
        if (use.has(Control::Close) || use.has(Control::End)) {
            end(open, use.has(Control::Close));
            m_open.erase(found);
        }
    }
}

void LineworkBuilder::fitArc(OpenLine& open)
{
    open.inArc = false;
    std::vector<LinePoint>& points = open.line.points;
    const std::size_t count = points.size() - open.arcStart;
    if (count < 3) {
        return; // two points make no arc: the chord between them stays
    }
    auto chords = arcChords(points[open.arcStart], points[open.arcStart + count / 2], points.back());
    if (chords.empty()) {
        return; // points on one straight line stay as they are
    }
    points.resize(open.arcStart);
    points.insert(points.end(), std::make_move_iterator(chords.begin()), std::make_move_iterator(chords.end()));
}

void LineworkBuilder::end(OpenLine& open, bool closed)
{
    if (open.inArc) { // an arc still open ends at the line's last point
        fitArc(open);
    }
    Line line = std::move(open.line);
    line.closed = closed && line.points.size() >= 2;
    m_ended(std::move(line));
    open.line = Line();
}

void LineworkBuilder::finish()
{
    std::vector<OpenLine*> open;
    for (auto& [key, line] : m_open) {
        open.push_back(&line);
    }
    std::sort(open.begin(), open.end(), [](const OpenLine* a, const OpenLine* b) { return a->order < b->order; });
    for (OpenLine* line : open) {
        end(*line, false);
    }
    m_open.clear();
}

} // namespace mervalon::codes
