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

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

bool sameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
           });
}

int groupCode(std::string_view text)
{
    text = trimmed(text);
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
    const auto value = readDecimal(trimmed(text));
    return value && std::isfinite(*value) ? *value : 0;
}

} // namespace

PrologueLayout layOutPrologue(std::string_view prologue)
{
    PrologueLayout layout;
    const std::vector<Line> lines = linesOf(prologue);
    const std::string_view eol = lines.empty() || lines.front().end.empty() ? "\r\n" : lines.front().end;
    std::string text;
    const auto cut = [&](ViewValue value, double original) {
        layout.pieces.push_back({std::move(text), value, original});
        text.clear();
    };
    std::string_view section;
    std::string_view table;
    std::string_view variable;
    bool inActiveViewport = false;
    bool hasExtentsMin = false;
    bool hasExtentsMax = false;
    int previousCode = -1;
    std::string_view previousValue;
    std::size_t i = 0;
    for (; i + 1 < lines.size(); i += 2) {
        const Line& codeLine = lines[i];
        const Line& valueLine = lines[i + 1];
        const int code = groupCode(codeLine.text);
        const std::string_view value = trimmed(valueLine.text);
        std::optional<ViewValue> slot;
        if (code == 0) {
            if (value == "ENDSEC" && section == "HEADER" && (!hasExtentsMin || !hasExtentsMax)) {
                // The extents go at the end of the header, where readers look for variables.
                for (const auto& [name, first] :
                     {std::pair{"$EXTMIN", ViewValue::ExtentsMinX}, std::pair{"$EXTMAX", ViewValue::ExtentsMaxX}}) {
                    if ((first == ViewValue::ExtentsMinX ? hasExtentsMin : hasExtentsMax)) {
                        continue;
                    }
                    text.append("  9").append(eol).append(name).append(eol);
                    int axis = 0;
                    for (const char* axisCode : {" 10", " 20", " 30"}) {
                        text.append(axisCode).append(eol);
                        cut(static_cast<ViewValue>(static_cast<int>(first) + axis++), 0);
                        text.append(eol);
                    }
                }
            }
            if (value == "ENDSEC") {
                section = {};
            } else if (value == "ENDTAB") {
                table = {};
            }
            inActiveViewport = false;
            variable = {};
        } else if (code == 2 && previousCode == 0 && previousValue == "SECTION") {
            section = value;
        } else if (code == 2 && previousCode == 0 && previousValue == "TABLE") {
            table = value;
        } else if (code == 2 && previousCode == 0 && previousValue == "VPORT" && table == "VPORT") {
            inActiveViewport = sameName(value, "*ACTIVE");
        } else if (code == 9 && section == "HEADER") {
            variable = value;
            hasExtentsMin = hasExtentsMin || sameName(value, "$EXTMIN");
            hasExtentsMax = hasExtentsMax || sameName(value, "$EXTMAX");
        } else if (section == "HEADER" && (code == 10 || code == 20 || code == 30) &&
                   (sameName(variable, "$EXTMIN") || sameName(variable, "$EXTMAX"))) {
            const int first =
                static_cast<int>(sameName(variable, "$EXTMIN") ? ViewValue::ExtentsMinX : ViewValue::ExtentsMaxX);
            slot = static_cast<ViewValue>(first + code / 10 - 1);
        } else if (inActiveViewport) {
            switch (code) {
            case 12:
                slot = ViewValue::ViewCentreX;
                break;
            case 22:
                slot = ViewValue::ViewCentreY;
                break;
            case 40:
                slot = ViewValue::ViewHeight;
                break;
            case 41:
                layout.aspect = numberOr0(value);
                break;
            case 17:
                layout.targetX = numberOr0(value);
                slot = ViewValue::ViewTargetX;
                break;
            case 27:
                layout.targetY = numberOr0(value);
                slot = ViewValue::ViewTargetY;
                break;
            default:
                break;
            }
        }
        text.append(codeLine.text).append(codeLine.end);
        if (slot) {
            cut(*slot, numberOr0(value));
        } else {
            text.append(valueLine.text);
        }
        text.append(valueLine.end);
        // Inside a table, "0 VPORT" opens an entry; remembered for its name, which follows.
        previousCode = code;
        previousValue = value;
    }
    const auto holds = [&layout](ViewValue value) {
        return std::any_of(layout.pieces.begin(), layout.pieces.end(),
                           [value](const PrologueLayout::Piece& piece) { return piece.value == value; });
    };
    layout.holdsTarget = holds(ViewValue::ViewTargetX) && holds(ViewValue::ViewTargetY);
    for (; i < lines.size(); ++i) {
        text.append(lines[i].text).append(lines[i].end);
    }
    layout.pieces.push_back({std::move(text), std::nullopt, 0});
    return layout;
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
