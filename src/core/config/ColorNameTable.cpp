#include "core/config/ColorNameTable.h"

#include <array>

namespace mervalon::config {
namespace {

struct NamedColor {
    const char* name;
    ColorSwatch swatch;
};

using Kind = ColorSwatch::Kind;
const std::array<NamedColor, 10> kNamedColors = {{
    {"", {Kind::Rgb, 255, 0, 0}},
    {"Red", {Kind::Rgb, 255, 0, 0}},
    {"Yellow", {Kind::Rgb, 255, 255, 0}},
    {"Green", {Kind::Rgb, 0, 255, 0}},
    {"Cyan", {Kind::Rgb, 0, 255, 255}},
    {"Blue", {Kind::Rgb, 0, 0, 255}},
    {"Magenta", {Kind::Rgb, 255, 0, 255}},
    {"White", {Kind::Rgb, 255, 255, 255}},
    {"Grey", {Kind::ApplicationWorkspace, 0, 0, 0}},
    {"Light Grey", {Kind::ButtonFace, 0, 0, 0}},
}};

bool isNamed(std::int32_t index)
{
    return index >= 0 && index < static_cast<std::int32_t>(kNamedColors.size());
}

} // namespace

std::string colorName(std::int32_t index)
{
    if (isNamed(index)) {
        return kNamedColors[static_cast<std::size_t>(index)].name;
    }
    return "Color " + std::to_string(index);
}

ColorSwatch colorSwatch(std::int32_t index)
{
    if (isNamed(index)) {
        return kNamedColors[static_cast<std::size_t>(index)].swatch;
    }
    return {Kind::ButtonFace, 0, 0, 0};
}

} // namespace mervalon::config
