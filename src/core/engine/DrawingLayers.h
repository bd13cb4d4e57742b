#pragma once
// Whether a configuration's layers can be written into a drawing at all. A layer name is a
// DXF value on a line of its own: a line break inside it (a damaged or hand-edited record)
// would end the value there and turn the rest of the drawing into garbage.

#include "core/config/Configuration.h"

#include <optional>
#include <string>

namespace mervalon::engine {

/// Nothing when every layer the configuration creates has a usable name and colour; else a
/// message for the user naming the entity and what is wrong: an empty name, a name holding a
/// control character, or a colour number outside 0..255.
std::optional<std::string> layerFault(const config::Configuration& configuration);

} // namespace mervalon::engine
