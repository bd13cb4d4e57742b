#pragma once
// The rules of the entity tabs that need no widget: which tabs a format can feed, how a typed
// text height is written back, and which layer names a drawing accepts.

#include "core/config/Configuration.h"
#include "core/formats/FormatDefinition.h"

#include <QString>
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
