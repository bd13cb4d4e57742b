#pragma once
// The rules of the entity tabs that need no widget: which tabs a format can feed, how a typed
// text height is written back, and which layer names a drawing accepts.

#include "core/config/Configuration.h"
#include "core/formats/FormatDefinition.h"

#include <QString>
#include <cstdint>
#include <optional>

namespace mervalon::app {

/// The tab of an entity kind: one tab per kind, in the order of config::kEntityKinds.
constexpr int entityTab(config::EntityKind kind)
{
    return static_cast<int>(config::entityIndex(kind));
}

/// Which of the optional tabs the chosen format (or the data modifiers) can feed. The point,
/// X and Y tabs are always shown.
struct EntityTabVisibility {
    bool number = true;
    bool elevation = true;
    bool description = true;
    bool polyline = true;

    [[nodiscard]] bool shows(config::EntityKind kind) const;
};

EntityTabVisibility entityTabVisibility(const formats::FormatDefinition& format,
                                        const config::DataModifiers& modifiers);

/// Which controls of a kind's tab can be used. Its create box always can; the others only while
/// the kind is created; its "3D" only when an elevation can also be read (the elevation's own
/// "3D" follows its create box alone).
struct EntityTabEnabling {
    bool controls = false;
    bool spatialButton = false;

    friend bool operator==(const EntityTabEnabling&, const EntityTabEnabling&) = default;
};

EntityTabEnabling entityTabEnabling(config::EntityKind kind, bool created, bool elevationShown);

/// Whether a kind is drawn by a run, its fields checked before it and its text offered to the
/// entities order: created on a tab the format shows.
bool entityTabIsUsed(bool created, bool shown);

/// The values of a tab's fields, as far as a rule looks at them.
struct EntityTabValues {
    QString height; // a kind without a height keeps it empty
    QString layer;
    int precision = -1; // the decimals chosen; -1 none (a kind without decimals keeps -1)
    int color = 0;      // 0: none chosen

    friend bool operator==(const EntityTabValues&, const EntityTabValues&) = default;
};

/// The layer a kind's tab fills in when switched on with an empty layer.
QString defaultLayer(config::EntityKind kind);

/// The values of a tab switched on: its empty fields get a text height of 1.000, the kind's
/// default layer, the first precision and colour 1; what the user typed stays.
EntityTabValues filledOnSwitchingOn(config::EntityKind kind, EntityTabValues values);

/// The precision item shown for stored decimals: one of the `itemCount` items, or none (-1)
/// for a number outside them, as an empty choice would.
int precisionItem(std::int32_t decimals, int itemCount);

/// A typed text height written back with exactly three decimals ("2" gives "2.000"); nothing
/// when the text is not a decimal number with "." as separator.
std::optional<QString> normalisedHeight(const QString& text);

/// The text with its leading and trailing blanks and control characters removed.
QString trimmedLayerName(const QString& text);

/// A layer name a drawing accepts: 1 to 31 of the letters, digits and "$-_".
bool isValidLayerName(const QString& text);

/// Parses a decimal number written with "." (an exponent allowed); nothing for any other text,
/// infinities and NaN included.
std::optional<double> parseDecimal(const QString& text);

/// A number in fixed notation with exactly three decimals and "." as separator.
QString threeDecimals(double value);

} // namespace mervalon::app
