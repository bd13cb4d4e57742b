#include "core/engine/DrawingLayers.h"

#include "core/engine/DxfWriter.h"

#include <cstdio>

namespace mervalon::engine {
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
        {"Point", c.pointCreate, c.pointLayer, c.pointColor},
        {"Number", c.numberCreate, c.numberLayer, c.numberColor},
        {"X coordinate", c.xCreate, c.xLayer, c.xColor},
        {"Y coordinate", c.yCreate, c.yLayer, c.yColor},
        {"Elevation", c.elevationCreate, c.elevationLayer, c.elevationColor},
        {"Description", c.descriptionCreate, c.descriptionLayer, c.descriptionColor},
        {"Polyline", c.polylineCreate, c.polylineLayer, c.polylineColor},
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
