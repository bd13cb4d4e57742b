#pragma once
// What a drawing shows when it is opened: its extents ($EXTMIN and $EXTMAX in the header) and the
// view of its active viewport (VPORT *ACTIVE: centre and height). They are known only once the
// last entity is written, so the prologue is laid out with room kept for them, and the values
// are written into that room before the drawing is put in place.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mervalon::engine {

/// The values a drawing's prologue gets once the drawing is complete.
enum class ViewValue {
    ExtentsMinX,
    ExtentsMinY,
    ExtentsMinZ,
    ExtentsMaxX,
    ExtentsMaxY,
    ExtentsMaxZ,
    ViewCentreX,
    ViewCentreY,
    ViewHeight,
    ViewTargetX,
    ViewTargetY,
};
inline constexpr std::size_t kViewValueCount = 11;

/// The prologue cut where those values go. Only the values a prologue holds are filled in:
/// $EXTMIN and $EXTMAX (10, 20, 30) of the HEADER section, and the centre (12, 22), height (40)
/// and target (17, 27) of each VPORT named *ACTIVE. The extents, which a prologue cannot know, are added at the
/// end of the HEADER section when it lacks them; a prologue without a HEADER section or without
/// an active viewport gets nothing else.
struct PrologueLayout {
    struct Piece {
        std::string text;               ///< written as it is
        std::optional<ViewValue> value; ///< then the room for this value, in place of a value line
        double original = 0;            ///< what the prologue held there (0 when it was no number)
    };
    std::vector<Piece> pieces;
    double aspect = 0;  ///< the active viewport's width over its height (41), 0 when not given
    double targetX = 0; ///< the active viewport's view target (17, 27), which the centre is relative to
    double targetY = 0;
    bool holdsTarget = false; ///< the active viewport's target is filled in (it holds 17 and 27)
};

/// Cuts `prologue` (lines ending in CR LF or LF, as isCompletePrologue takes them).
PrologueLayout layOutPrologue(std::string_view prologue);

/// The box around everything drawn.
class Extents {
  public:
    void add(double x, double y, double z)
    {
        if (m_empty) {
            m_min = {x, y, z};
            m_max = m_min;
            m_empty = false;
            return;
        }
        widen(0, x);
        widen(1, y);
        widen(2, z);
    }
    /// A flat box from (x0, y0) to (x1, y1) at z; x0 <= x1, and y0 and y1 in either order.
    void addBox(double x0, double y0, double x1, double y1, double z)
    {
        const bool upwards = y0 <= y1;
        add(x0, upwards ? y0 : y1, z);
        if (x1 > m_max[0]) {
            m_max[0] = x1;
        }
        if ((upwards ? y1 : y0) > m_max[1]) {
            m_max[1] = upwards ? y1 : y0;
        }
    }
    /// Widens the box by `other`: the same box as if what made `other` had been added here
    /// after what is here (on equal values, the one added first stays: 0.0 and -0.0).
    void widen(const Extents& other)
    {
        if (other.m_empty) {
            return;
        }
        if (m_empty) {
            *this = other;
            return;
        }
        for (std::size_t axis = 0; axis < 3; ++axis) {
            if (other.m_min[axis] < m_min[axis]) {
                m_min[axis] = other.m_min[axis];
            }
            if (other.m_max[axis] > m_max[axis]) {
                m_max[axis] = other.m_max[axis];
            }
        }
    }
    [[nodiscard]] bool empty() const { return m_empty; }
    [[nodiscard]] const std::array<double, 3>& min() const { return m_min; }
    [[nodiscard]] const std::array<double, 3>& max() const { return m_max; }

  private:
    void widen(std::size_t axis, double value)
    {
        if (value < m_min[axis]) {
            m_min[axis] = value;
        }
        if (value > m_max[axis]) {
            m_max[axis] = value;
        }
    }

    bool m_empty = true;
    std::array<double, 3> m_min{};
    std::array<double, 3> m_max{};
};

/// The share of the view around the drawing: it does not touch the window's edges.
inline constexpr double kViewMargin = 1.1;

/// The values of a drawing with `extents`, indexed by ViewValue; an empty one keeps what the
/// prologue held. The view is centred on the extents and high enough to show them whole in a
/// viewport of the layout's aspect (1 when it gives none), with a margin; a drawing of one spot
/// gets a view 1 unit high. The point shown in the middle is the target plus the centre (which
/// is relative to the target). Where the target can be filled in, the two are split so that
/// LibreCAD (2.2), which ignores the target and takes the centre for half the view's upper
/// right corner, shows the same view when its window has the viewport's aspect. An empty drawing has extents 0,0,0 and
/// keeps the prologue's view: never the "not computed" 1E+20 values, which readers take for a drawing of that size.
std::array<std::optional<double>, kViewValueCount> viewValues(const Extents& extents, const PrologueLayout& layout);

/// An estimate of a text's width: one height per character, which the common fonts keep within.
/// An escape "\U+XXXX" is one character.
std::size_t textCharacters(std::string_view text);

} // namespace mervalon::engine
