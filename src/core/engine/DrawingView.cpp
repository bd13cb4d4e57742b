#include "core/engine/DrawingView.h"

#include "core/engine/FieldAccess.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace mervalon::engine {
namespace {

struct Line {
    std::string_view text; // without its end
    std::string_view end;  // "\r\n", "\n" or, for the last line, what is left
};

std::vector<Line> linesOf(std::string_view text)
{
    std::vector<Line> lines;
    while (!text.empty()) {
        const std::size_t at = text.find('\n');
        if (at == std::string_view::npos) {
            lines.push_back({text, {}});
            break;
        }
        const std::size_t endLength = at > 0 && text[at - 1] == '\r' ? 2 : 1;
        lines.push_back({text.substr(0, at + 1 - endLength), text.substr(at + 1 - endLength, endLength)});
        text.remove_prefix(at + 1);
    }
    return lines;
}

bool sameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
           });
}

int groupCode(std::string_view text)
{
    text = trimBlanks(text);
    int code = 0;
    if (text.empty() || text.size() > 4) {
        return -1;
    }
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return -1;
        }
        code = code * 10 + (c - '0');
    }
    return code;
}

double numberOr0(std::string_view text)
{
    const auto value = readDecimal(trimBlanks(text));
    return value && std::isfinite(*value) ? *value : 0;
}

// Reads the prologue group by group (a code line and a value line), copying it into pieces cut
// where a value the drawing fills in stands: the extents in the header, the active viewport's
// centre, height and target. Extents the header lacks are added at its end.
class PrologueCutter {
  public:
    explicit PrologueCutter(std::string_view prologue)
        : m_lines(linesOf(prologue)),
          m_eol(m_lines.empty() || m_lines.front().end.empty() ? "\r\n" : m_lines.front().end)
    {
    }

    PrologueLayout cut()
    {
        std::size_t i = 0;
        for (; i + 1 < m_lines.size(); i += 2) {
            takeGroup(m_lines[i], m_lines[i + 1]);
        }
        const auto holds = [this](ViewValue value) {
            return std::any_of(m_layout.pieces.begin(), m_layout.pieces.end(),
                               [value](const PrologueLayout::Piece& piece) { return piece.value == value; });
        };
        m_layout.holdsTarget = holds(ViewValue::ViewTargetX) && holds(ViewValue::ViewTargetY);
        for (; i < m_lines.size(); ++i) {
            m_text.append(m_lines[i].text).append(m_lines[i].end);
        }
        m_layout.pieces.push_back({std::move(m_text), std::nullopt, 0});
        return std::move(m_layout);
    }

  private:
    void cutAt(ViewValue value, double original)
    {
        m_layout.pieces.push_back({std::move(m_text), value, original});
        m_text.clear();
    }

    void takeGroup(const Line& codeLine, const Line& valueLine)
    {
        const int code = groupCode(codeLine.text);
        const std::string_view value = trimBlanks(valueLine.text);
        std::optional<ViewValue> slot;
        if (code == 0) {
            endObject(value);
        } else if (code == 2 && m_previousCode == 0 && m_previousValue == "SECTION") {
            m_section = value;
        } else if (code == 2 && m_previousCode == 0 && m_previousValue == "TABLE") {
            m_table = value;
        } else if (code == 2 && m_previousCode == 0 && m_previousValue == "VPORT" && m_table == "VPORT") {
            m_inActiveViewport = sameName(value, "*ACTIVE");
        } else if (code == 9 && m_section == "HEADER") {
            m_variable = value;
            m_hasExtentsMin = m_hasExtentsMin || sameName(value, "$EXTMIN");
            m_hasExtentsMax = m_hasExtentsMax || sameName(value, "$EXTMAX");
        } else if (m_section == "HEADER" && (code == 10 || code == 20 || code == 30) &&
                   (sameName(m_variable, "$EXTMIN") || sameName(m_variable, "$EXTMAX"))) {
            const int first =
                static_cast<int>(sameName(m_variable, "$EXTMIN") ? ViewValue::ExtentsMinX : ViewValue::ExtentsMaxX);
            slot = static_cast<ViewValue>(first + code / 10 - 1);
        } else if (m_inActiveViewport) {
            slot = viewportSlot(code, value);
        }
        m_text.append(codeLine.text).append(codeLine.end);
        if (slot) {
            cutAt(*slot, numberOr0(value));
        } else {
            m_text.append(valueLine.text);
        }
        m_text.append(valueLine.end);
        // Inside a table, "0 VPORT" opens an entry; remembered for its name, which follows.
        m_previousCode = code;
        m_previousValue = value;
    }

    // A "0" group ends the object, table or section before it.
    void endObject(std::string_view value)
    {
        if (value == "ENDSEC" && m_section == "HEADER") {
            addMissingExtents();
        }
        if (value == "ENDSEC") {
            m_section = {};
        } else if (value == "ENDTAB") {
            m_table = {};
        }
        m_inActiveViewport = false;
        m_variable = {};
    }

    // The extents go at the end of the header, where readers look for variables.
    void addMissingExtents()
    {
        for (const auto& [name, first] :
             {std::pair{"$EXTMIN", ViewValue::ExtentsMinX}, std::pair{"$EXTMAX", ViewValue::ExtentsMaxX}}) {
            if (first == ViewValue::ExtentsMinX ? m_hasExtentsMin : m_hasExtentsMax) {
                continue;
            }
            m_text.append("  9").append(m_eol).append(name).append(m_eol);
            int axis = 0;
            for (const char* axisCode : {" 10", " 20", " 30"}) {
                m_text.append(axisCode).append(m_eol);
                cutAt(static_cast<ViewValue>(static_cast<int>(first) + axis++), 0);
                m_text.append(m_eol);
            }
        }
    }

    // The active viewport's groups the drawing fills in; its aspect and target are noted too.
    std::optional<ViewValue> viewportSlot(int code, std::string_view value)
    {
        switch (code) {
        case 12:
            return ViewValue::ViewCentreX;
        case 22:
            return ViewValue::ViewCentreY;
        case 40:
            return ViewValue::ViewHeight;
        case 41:
            m_layout.aspect = numberOr0(value);
            return std::nullopt;
        case 17:
            m_layout.targetX = numberOr0(value);
            return ViewValue::ViewTargetX;
        case 27:
            m_layout.targetY = numberOr0(value);
            return ViewValue::ViewTargetY;
        default:
            return std::nullopt;
        }
    }

    const std::vector<Line> m_lines;
    const std::string_view m_eol;
    PrologueLayout m_layout;
    std::string m_text;
    std::string_view m_section;
    std::string_view m_table;
    std::string_view m_variable;
    bool m_inActiveViewport = false;
    bool m_hasExtentsMin = false;
    bool m_hasExtentsMax = false;
    int m_previousCode = -1;
    std::string_view m_previousValue;
};

} // namespace

PrologueLayout layOutPrologue(std::string_view prologue)
{
    return PrologueCutter(prologue).cut();
}

std::array<std::optional<double>, kViewValueCount> viewValues(const Extents& extents, const PrologueLayout& layout)
{
    std::array<std::optional<double>, kViewValueCount> values;
    const auto set = [&values](ViewValue which, double value) { values[static_cast<std::size_t>(which)] = value; };
    if (extents.empty()) {
        for (const ViewValue which : {ViewValue::ExtentsMinX, ViewValue::ExtentsMinY, ViewValue::ExtentsMinZ,
                                      ViewValue::ExtentsMaxX, ViewValue::ExtentsMaxY, ViewValue::ExtentsMaxZ}) {
            set(which, 0);
        }
        return values;
    }
    const auto& low = extents.min();
    const auto& high = extents.max();
    set(ViewValue::ExtentsMinX, low[0]);
    set(ViewValue::ExtentsMinY, low[1]);
    set(ViewValue::ExtentsMinZ, low[2]);
    set(ViewValue::ExtentsMaxX, high[0]);
    set(ViewValue::ExtentsMaxY, high[1]);
    set(ViewValue::ExtentsMaxZ, high[2]);
    const double aspect = std::isfinite(layout.aspect) && layout.aspect > 0 ? layout.aspect : 1.0;
    // Halves first: the sum of two coordinates near the largest number would overflow.
    const double middleX = low[0] / 2 + high[0] / 2;
    const double middleY = low[1] / 2 + high[1] / 2;
    double height = std::max(high[1] - low[1], (high[0] - low[0]) / aspect) * kViewMargin;
    if (!(height > 0)) {
        height = 1.0;
    }
    double targetX = layout.targetX;
    double targetY = layout.targetY;
    if (layout.holdsTarget) {
        // LibreCAD shows from twice the centre down and left by the view's size.
        targetX = middleX - (middleX + height * aspect / 2) / 2;
        targetY = middleY - (middleY + height / 2) / 2;
    }
    const double centreX = middleX - targetX;
    const double centreY = middleY - targetY;
    if (std::isfinite(centreX) && std::isfinite(centreY) && std::isfinite(height) && std::isfinite(targetX) &&
        std::isfinite(targetY)) {
        set(ViewValue::ViewCentreX, centreX);
        set(ViewValue::ViewCentreY, centreY);
        set(ViewValue::ViewHeight, height);
        if (layout.holdsTarget) {
            set(ViewValue::ViewTargetX, targetX);
            set(ViewValue::ViewTargetY, targetY);
        }
    }
    return values;
}

std::size_t textCharacters(std::string_view text)
{
    std::size_t characters = text.size();
    if (text.find('\\') == std::string_view::npos) {
        return characters; // nearly every text
    }
    for (std::size_t at = text.find("\\U+"); at != std::string_view::npos && at + 7 <= text.size();
         at = text.find("\\U+", at + 1)) {
        if (std::all_of(text.begin() + static_cast<std::ptrdiff_t>(at + 3),
                        text.begin() + static_cast<std::ptrdiff_t>(at + 7),
                        [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; })) {
            characters -= 6;
            at += 6;
        }
    }
    return characters;
}

} // namespace mervalon::engine
