#include "core/engine/DrawingLayers.h"

#include "core/engine/DxfWriter.h"

#include <cstdio>

namespace mervalon::engine {

using config::EntityKind;
namespace {

bool isControl(char c) { return static_cast<unsigned char>(c) < 32 || c == '\x7f'; }

// The name as the user can read it: control characters as \xNN.
std::string shown(const std::string& name)
{
    std::string text;
    for (const char c : name) {
        if (isControl(c)) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned>(static_cast<unsigned char>(c)));
            text += escaped;
        } else {
            text += c;
        }
    }
    return text;
}

} // namespace

std::optional<std::string> layerFault(const config::Configuration& c)
{
    struct Layer {
        const char* entity;
        std::uint8_t create;
        const std::string& name;
        std::int32_t color;
    };
    const Layer layers[] = {
        {"Point", c.entity(EntityKind::Point).create, c.entity(EntityKind::Point).layer,
         c.entity(EntityKind::Point).color},
        {"Number", c.entity(EntityKind::Number).create, c.entity(EntityKind::Number).layer,
         c.entity(EntityKind::Number).color},
        {"X coordinate", c.entity(EntityKind::X).create, c.entity(EntityKind::X).layer, c.entity(EntityKind::X).color},
        {"Y coordinate", c.entity(EntityKind::Y).create, c.entity(EntityKind::Y).layer, c.entity(EntityKind::Y).color},
        {"Elevation", c.entity(EntityKind::Elevation).create, c.entity(EntityKind::Elevation).layer,
         c.entity(EntityKind::Elevation).color},
        {"Description", c.entity(EntityKind::Description).create, c.entity(EntityKind::Description).layer,
         c.entity(EntityKind::Description).color},
        {"Polyline", c.entity(EntityKind::Polyline).create, c.entity(EntityKind::Polyline).layer,
         c.entity(EntityKind::Polyline).color},
    };
    for (const Layer& layer : layers) {
        if (!isCreateFlagSet(layer.create)) {
            continue; // not written, so no harm
        }
        const std::string entity = std::string("the ") + layer.entity + " layer";
        if (layer.name.empty()) {
            return entity + " has no name";
        }
        for (const char ch : layer.name) {
            if (isControl(ch)) {
                return entity + " name \"" + shown(layer.name) + "\" holds a control character, which a DXF layer name cannot";
            }
        }
        if (layer.color < 0 || layer.color > 255) {
            return entity + " colour " + std::to_string(layer.color) + " is not a colour number from 0 to 255";
        }
    }
    return std::nullopt;
}

} // namespace mervalon::engine
