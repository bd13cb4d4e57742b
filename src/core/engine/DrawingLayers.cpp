#include "core/engine/DrawingLayers.h"

#include "core/engine/DxfWriter.h"

#include <cstdio>

namespace mervalon::engine {
namespace {

bool isControl(char c)
{
    return static_cast<unsigned char>(c) < 32 || c == '\x7f';
}

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
    for (const config::EntityKindInfo& kind : config::kEntityKinds) {
        const config::EntitySettings& settings = c.entity(kind.kind);
        if (!isCreateFlagSet(settings.create)) {
            continue; // not written, so no harm
        }
        const std::string entity = "the " + std::string(kind.name) + " layer";
        if (settings.layer.empty()) {
            return entity + " has no name";
        }
        for (const char ch : settings.layer) {
            if (isControl(ch)) {
                return entity + " name \"" + shown(settings.layer) +
                       "\" holds a control character, which a DXF layer name cannot";
            }
        }
        if (settings.color < 0 || settings.color > 255) {
            return entity + " colour " + std::to_string(settings.color) + " is not a colour number from 0 to 255";
        }
    }
    return std::nullopt;
}

} // namespace mervalon::engine
