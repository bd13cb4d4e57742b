#pragma once
// The kinds of entity a drawing holds and the settings the configuration keeps for each.
// kEntityKinds is the one list of kinds: the record codec, the layer checks, the DXF layer
// table, the entity tabs and the record sources all walk it, so that a new kind is declared
// here once (see "How to add an entity kind" in docs/ARCHITECTURE.md).

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace mervalon::config {

/// The entity kinds, in the order of the record and of the entity tabs.
enum class EntityKind : std::uint8_t { Point, Number, X, Y, Elevation, Description, Polyline };

/// What the configuration says about one kind. Every kind has a create flag, a 2D flag, a
/// layer and a layer colour; texts also have a height, coordinate texts a number of decimals.
/// A setting the kind does not have keeps its default and is neither stored nor compared.
struct EntitySettings {
    std::uint8_t create = 0; // only 1 creates (see engine::isCreateFlagSet); other bytes are kept as read
    std::uint8_t flat = 0;   // "2D": drawn at z = 0
    std::string height;      // decimal text, as typed
    std::int32_t decimals = 0;
    std::string layer;
    std::int32_t color = 0; // colour number 0..255 (0: by block)
};

/// One kind as the program names it.
struct EntityKindInfo {
    EntityKind kind;
    std::string_view name;       // in messages: "the X coordinate layer has no name"
    std::string_view sourceName; // field prefix in record sources: "xLayer", "xCreate"
    bool hasHeight;              // a text beside the point
    bool hasDecimals;            // a text showing a number with a chosen number of decimals
};

inline constexpr std::array kEntityKinds = {
    EntityKindInfo{EntityKind::Point, "Point", "point", false, false},
    EntityKindInfo{EntityKind::Number, "Number", "number", true, false},
    EntityKindInfo{EntityKind::X, "X coordinate", "x", true, true},
    EntityKindInfo{EntityKind::Y, "Y coordinate", "y", true, true},
    EntityKindInfo{EntityKind::Elevation, "Elevation", "elevation", true, true},
    EntityKindInfo{EntityKind::Description, "Description", "description", true, false},
    EntityKindInfo{EntityKind::Polyline, "Polyline", "polyline", false, false},
};

inline constexpr std::size_t kEntityKindCount = kEntityKinds.size();

constexpr std::size_t entityIndex(EntityKind kind)
{
    return static_cast<std::size_t>(kind);
}

constexpr const EntityKindInfo& entityKindInfo(EntityKind kind)
{
    return kEntityKinds[entityIndex(kind)];
}

namespace detail {
constexpr bool kindsInEnumerationOrder()
{
    for (std::size_t i = 0; i < kEntityKindCount; ++i) {
        if (entityIndex(kEntityKinds[i].kind) != i || kEntityKinds[i].name.empty() ||
            kEntityKinds[i].sourceName.empty() || (kEntityKinds[i].hasDecimals && !kEntityKinds[i].hasHeight)) {
            return false;
        }
    }
    return true;
}
} // namespace detail

static_assert(detail::kindsInEnumerationOrder(),
              "kEntityKinds lists every kind once, in the order of EntityKind, with its names");

/// The settings of every kind, indexed by EntityKind.
using EntitySettingsList = std::array<EntitySettings, kEntityKindCount>;

} // namespace mervalon::config
