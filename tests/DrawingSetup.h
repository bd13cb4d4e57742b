#pragma once
// Formats and configurations for tests, built from what a test cares about: which values sit in
// which columns, which kinds are drawn on which layers. Everything else keeps the record's defaults,
// so a test reads as the few settings it is about.

#include "core/config/Configuration.h"
#include "core/formats/FormatDefinition.h"

#include <initializer_list>
#include <string>

namespace mervalon::testsupport {

/// A delimited-text format reading `values` from columns 1, 2, ... in that order, from the first line.
inline formats::FormatDefinition formatOfColumns(std::string name, std::string separator,
                                                 std::initializer_list<formats::PointValue> values)
{
    formats::FormatDefinition f;
    f.name = std::move(name);
    std::int32_t column = 1;
    for (formats::PointValue value : values) {
        f.value(value).column = column++;
    }
    f.separator = std::move(separator);
    f.firstLine = 1;
    return f;
}

/// The polyline codes the tests' point files use: 1 starts a line, 2 continues it, 3 ends it.
inline formats::FormatDefinition withPolylineCodes123(formats::FormatDefinition f)
{
    f.newPolylineCode = "1";
    f.drawPolylineCode = "2";
    f.endPolylineCode = "3";
    return f;
}

/// Number, East, North, elevation, description and code in columns 1 to 6, comma separated.
inline formats::FormatDefinition sixColumnFormat(std::string name = "six", std::string separator = ",")
{
    using formats::PointValue;
    return formatOfColumns(
        std::move(name), std::move(separator),
        {PointValue::Number, PointValue::X, PointValue::Y, PointValue::Z, PointValue::Description, PointValue::Code});
}

/// Turns `kind` on, on `layer`; a text kind gets `height`; colour 0 (by block) unless given.
inline config::EntitySettings& draw(config::Configuration& c, config::EntityKind kind, std::string layer,
                                    std::string height = {}, std::int32_t color = 0)
{
    config::EntitySettings& settings = c.entity(kind);
    settings.create = 1;
    settings.layer = std::move(layer);
    settings.height = std::move(height);
    settings.color = color;
    return settings;
}

} // namespace mervalon::testsupport
