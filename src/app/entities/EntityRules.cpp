#include "app/entities/EntityRules.h"

#include <cmath>

namespace mervalon::app {

bool EntityTabVisibility::shows(config::EntityKind kind) const
{
    switch (kind) {
    case config::EntityKind::Number:
        return number;
    case config::EntityKind::Elevation:
        return elevation;
    case config::EntityKind::Description:
        return description;
    case config::EntityKind::Polyline:
        return polyline;
    case config::EntityKind::Point:
    case config::EntityKind::X:
    case config::EntityKind::Y:
        break;
    }
    return true;
}

EntityTabVisibility entityTabVisibility(const formats::FormatDefinition& format, const config::DataModifiers& modifiers)
{
    EntityTabVisibility visibility;
    visibility.number = format.column(formats::PointValue::Number) > 0 || modifiers.renumber != 0;
    visibility.elevation = format.column(formats::PointValue::Z) > 0 || modifiers.useDefaultZ != 0;
    visibility.description = format.column(formats::PointValue::Description) > 0;
    visibility.polyline = format.column(formats::PointValue::Code) > 0;
    return visibility;
}

EntityTabEnabling entityTabEnabling(config::EntityKind kind, bool created, bool elevationShown)
{
    return {created, created && (kind == config::EntityKind::Elevation || elevationShown)};
}

bool entityTabIsUsed(bool created, bool shown)
{
    return created && shown;
}

QString defaultLayer(config::EntityKind kind)
{
    switch (kind) {
    case config::EntityKind::Point:
        return QStringLiteral("Points");
    case config::EntityKind::Number:
        return QStringLiteral("Numbers");
    case config::EntityKind::X:
    case config::EntityKind::Y:
        return QStringLiteral("Coordinates");
    case config::EntityKind::Elevation:
        return QStringLiteral("Elevations");
    case config::EntityKind::Description:
        return QStringLiteral("Description");
    case config::EntityKind::Polyline:
        break;
    }
    return QStringLiteral("Polylines");
}

EntityTabValues filledOnSwitchingOn(config::EntityKind kind, EntityTabValues values)
{
    const config::EntityKindInfo& info = config::entityKindInfo(kind);
    if (info.hasHeight && values.height.isEmpty()) {
        values.height = QStringLiteral("1.000");
    }
    if (values.layer.isEmpty()) {
        values.layer = defaultLayer(kind);
    }
    if (info.hasDecimals && values.precision == -1) {
        values.precision = 0;
    }
    if (values.color == 0) {
        values.color = 1;
    }
    return values;
}

int precisionItem(std::int32_t decimals, int itemCount)
{
    return decimals >= 0 && decimals < itemCount ? static_cast<int>(decimals) : -1;
}

std::optional<double> parseDecimal(const QString& text)
{
    // QString::toDouble reads the C notation only: "1,5" fails, "1e3" passes.
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

QString threeDecimals(double value)
{
    return QString::number(value, 'f', 3);
}

std::optional<QString> normalisedHeight(const QString& text)
{
    const std::optional<double> value = parseDecimal(text);
    if (!value) {
        return std::nullopt;
    }
    return threeDecimals(*value);
}

QString trimmedLayerName(const QString& text)
{
    // Blanks and control characters are the characters up to the space.
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first).unicode() <= 0x20) {
        ++first;
    }
    while (last > first && text.at(last - 1).unicode() <= 0x20) {
        --last;
    }
    return text.mid(first, last - first);
}

bool isValidLayerName(const QString& text)
{
    constexpr qsizetype kLongestName = 31;
    if (text.isEmpty() || text.size() > kLongestName) {
        return false;
    }
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const bool allowed = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '$' ||
                             u == '-' || u == '_';
        if (!allowed) {
            return false;
        }
    }
    return true;
}

} // namespace mervalon::app
