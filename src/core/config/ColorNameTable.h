#pragma once
// Names and swatches of the 256 colour indices shown on the layer colour panels.

#include <cstdint>
#include <string>

namespace mervalon::config {

/// An RGB colour, or one of the two system colours the table refers to.
struct ColorSwatch {
    enum class Kind { Rgb, ApplicationWorkspace, ButtonFace };
    Kind kind = Kind::Rgb;
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    bool operator==(const ColorSwatch&) const = default;
};

/// Name shown for a colour index. Indices outside 0..255 (a damaged record) are shown as
/// "Color <n>" without ever indexing outside the table.
std::string colorName(std::int32_t index);

/// Panel background for a colour index; outside 0..255 the button face, like 10..255.
ColorSwatch colorSwatch(std::int32_t index);

} // namespace mervalon::config
