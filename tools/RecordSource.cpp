#include "RecordSource.h"

#include <algorithm>
#include <charconv>
#include <functional>
#include <stdexcept>
#include <type_traits>

namespace mervalon::tools {
namespace {

std::string trim(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

std::string unquote(const std::string& raw, int lineNumber)
{
    if (raw.size() < 2 || raw.front() != '"' || raw.back() != '"') {
        return raw;
    }
    std::string value;
    for (std::size_t i = 1; i + 1 < raw.size(); ++i) {
        if (raw[i] != '\\') {
            value += raw[i];
            continue;
        }
        if (i + 2 >= raw.size()) {
            throw std::runtime_error("line " + std::to_string(lineNumber) + ": dangling escape");
        }
        const char escaped = raw[++i];
        value += escaped == 't' ? '\t' : escaped;
    }
    return value;
}

template <typename Number> Number parseNumber(const std::string& name, const std::string& text)
{
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) {
        throw std::runtime_error("field " + name + ": \"" + text + "\" is not a number");
    }
    return value;
}

// Binds field names to setters of one record type.
template <typename Record> class FieldTable {
  public:
    using Setter = std::function<void(Record&, const std::string&)>;

    void set(const std::string& name, Setter setter) { m_setters[name] = std::move(setter); }

    Record build(const FieldValues& values) const
    {
        Record record;
        for (const auto& [name, value] : values) {
            const auto setter = m_setters.find(name);
            if (setter == m_setters.end()) {
                throw std::runtime_error("unknown field " + name);
            }
            setter->second(record, value);
        }
        return record;
    }

  private:
    std::map<std::string, Setter> m_setters;
};

template <typename Record, typename Field>
typename FieldTable<Record>::Setter assign(Field Record::*field, const std::string& name)
{
    return [field, name](Record& r, const std::string& v) {
        if constexpr (std::is_same_v<Field, std::string>) {
            r.*field = v;
        } else {
            r.*field = parseNumber<Field>(name, v);
        }
    };
}

template <typename Field>
FieldTable<config::Configuration>::Setter assignModifier(Field config::DataModifiers::*field, const std::string& name)
{
    return [field, name](config::Configuration& r, const std::string& v) {
        r.modifiers.*field = parseNumber<Field>(name, v);
    };
}

} // namespace

FieldValues parseRecordSource(const std::string& text)
{
    FieldValues values;
    int lineNumber = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::string line = trim(text.substr(start, end - start));
        ++lineNumber;
        start = end + 1;
        if (line.empty() || line.front() == '#') {
            continue;
        }
        const auto equals = line.find('=');
        if (equals == std::string::npos) {
            throw std::runtime_error("line " + std::to_string(lineNumber) + ": expected \"field = value\"");
        }
        values[trim(line.substr(0, equals))] = unquote(trim(line.substr(equals + 1)), lineNumber);
    }
    return values;
}

formats::FormatDefinition formatFromSource(const FieldValues& values)
{
    using formats::FormatDefinition;
    FieldTable<FormatDefinition> table;
#define MERVALON_FIELD(field) table.set(#field, assign(&FormatDefinition::field, #field))
    MERVALON_FIELD(isExcel);
    MERVALON_FIELD(name);
    MERVALON_FIELD(description);
    MERVALON_FIELD(otherSeparator);
    MERVALON_FIELD(separator);
    MERVALON_FIELD(newPolylineCode);
    MERVALON_FIELD(drawPolylineCode);
    MERVALON_FIELD(endPolylineCode);
    MERVALON_FIELD(firstLine);
    MERVALON_FIELD(sheetByNumber);
    MERVALON_FIELD(sheet);
#undef MERVALON_FIELD
    // Each value's column, prefix and keep flag: numberColumn, numberPrefix, keepNumberPrefix...
    for (const formats::PointValue value : formats::kPointValues) {
        std::string name(formats::pointValueSourceName(value));
        const std::string column = name + "Column";
        const std::string prefix = name + "Prefix";
        name[0] = static_cast<char>(name[0] - 'a' + 'A');
        const std::string keep = "keep" + name + "Prefix";
        table.set(column, [value, column](FormatDefinition& r, const std::string& v) {
            r.value(value).column = parseNumber<std::int32_t>(column, v);
        });
        table.set(prefix, [value](FormatDefinition& r, const std::string& v) { r.value(value).prefix = v; });
        table.set(keep, [value, keep](FormatDefinition& r, const std::string& v) {
            r.value(value).keepPrefix = parseNumber<std::uint8_t>(keep, v);
        });
    }
    return table.build(values);
}

config::Configuration configurationFromSource(const FieldValues& values)
{
    using config::Configuration;
    FieldTable<Configuration> table;
#define MERVALON_FIELD(field) table.set(#field, assign(&Configuration::field, #field))
    MERVALON_FIELD(reserved);
    MERVALON_FIELD(formatIndex);
    MERVALON_FIELD(formatName);
    MERVALON_FIELD(alwaysPolyline);
    MERVALON_FIELD(fileTypeIndex);
    MERVALON_FIELD(autoSelect);
#undef MERVALON_FIELD
#define MERVALON_MODIFIER(field) table.set(#field, assignModifier(&config::DataModifiers::field, #field))
    MERVALON_MODIFIER(renumber);
    MERVALON_MODIFIER(useNewStartNumber);
    MERVALON_MODIFIER(startNumber);
    MERVALON_MODIFIER(step);
    MERVALON_MODIFIER(addValue);
    MERVALON_MODIFIER(modifyCoordinates);
    MERVALON_MODIFIER(xOffset);
    MERVALON_MODIFIER(yOffset);
    MERVALON_MODIFIER(zOffset);
    MERVALON_MODIFIER(useDefaultZ);
    MERVALON_MODIFIER(defaultZ);
#undef MERVALON_MODIFIER
    // Each kind's settings are named after it: pointCreate, point2D, numberHeight, xDecimals,
    // polylineLayer, polylineColor...
    for (const config::EntityKindInfo& kind : config::kEntityKinds) {
        const std::string prefix(kind.sourceName);
        const auto setting = [&table, &kind, &prefix](const char* suffix, auto field) {
            const std::string name = prefix + suffix;
            table.set(name, [kind = kind.kind, field, name](Configuration& r, const std::string& v) {
                config::EntitySettings& settings = r.entity(kind);
                using Field = std::remove_reference_t<decltype(settings.*field)>;
                if constexpr (std::is_same_v<Field, std::string>) {
                    settings.*field = v;
                } else {
                    settings.*field = parseNumber<Field>(name, v);
                }
            });
        };
        setting("Create", &config::EntitySettings::create);
        setting("2D", &config::EntitySettings::flat);
        if (kind.hasHeight) {
            setting("Height", &config::EntitySettings::height);
        }
        if (kind.hasDecimals) {
            setting("Decimals", &config::EntitySettings::decimals);
        }
        setting("Layer", &config::EntitySettings::layer);
        setting("Color", &config::EntitySettings::color);
    }
    for (int i = 0; i < 5; ++i) {
        const std::string name = "slot" + std::to_string(i + 1);
        table.set(name, [i, name](Configuration& r, const std::string& v) {
            r.layout.slot[static_cast<std::size_t>(i)] = parseNumber<std::int32_t>(name, v);
        });
    }
    table.set("distance", [](Configuration& r, const std::string& v) { r.layout.distance = v; });
    return table.build(values);
}

} // namespace mervalon::tools
