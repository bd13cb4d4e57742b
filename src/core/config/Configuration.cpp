#include "core/config/Configuration.h"

#include "core/config/RecordCodec.h"
#include "core/io/FileIo.h"
#include "core/io/ReplaceFile.h"

#include <array>
#include <string>
#include <variant>
#include <vector>

namespace mervalon::config {
namespace {

constexpr std::size_t kFormatIndexOffset = 488;
constexpr std::size_t kFormatNameCapacity = 60;
constexpr std::size_t kDistanceCapacity = 10;
constexpr std::size_t kAbsent = 0; // no such field: offset 0 holds the reserved word

// Where each kind's settings stand in the record. Heights take 11 bytes and layers 51 (a length
// byte and the text); the numbers after a text start on the next multiple of four.
struct EntityOffsets {
    std::size_t create;
    std::size_t flat;
    std::size_t height;
    std::size_t decimals;
    std::size_t layer;
    std::size_t color;
};

constexpr std::array<EntityOffsets, kEntityKindCount> kEntityOffsets = {{
    {4, 5, kAbsent, kAbsent, 6, 60},        // point
    {64, 65, 66, kAbsent, 77, 128},         // number
    {132, 133, 134, 148, 152, 204},         // X coordinate
    {208, 209, 210, 224, 228, 280},         // Y coordinate
    {284, 285, 286, 300, 304, 356},         // elevation
    {360, 361, 362, kAbsent, 373, 424},     // description
    {428, 429, kAbsent, kAbsent, 430, 484}, // polyline
}};

// Every kind has a place, in record order, after the reserved word and before the format index,
// and a height or decimals field exactly when kEntityKinds says it has one.
constexpr bool entityOffsetsMatchTheKinds()
{
    std::size_t end = 4;
    for (std::size_t i = 0; i < kEntityKindCount; ++i) {
        const EntityOffsets& o = kEntityOffsets[i];
        const EntityKindInfo& kind = kEntityKinds[i];
        if ((o.height != kAbsent) != kind.hasHeight || (o.decimals != kAbsent) != kind.hasDecimals) {
            return false;
        }
        if (o.create < end || o.flat != o.create + 1 || o.layer < o.flat + 1 ||
            o.color < o.layer + 1 + kLayerNameCapacity) {
            return false;
        }
        if (kind.hasHeight && (o.height < o.flat + 1 || o.layer < o.height + 1 + kTextHeightCapacity)) {
            return false;
        }
        if (kind.hasDecimals && (o.decimals < o.height + 1 + kTextHeightCapacity || o.layer < o.decimals + 4)) {
            return false;
        }
        end = o.color + 4;
    }
    return end <= kFormatIndexOffset;
}
static_assert(entityOffsetsMatchTheKinds(), "every entity kind needs its place in the record, see kEntityOffsets");

// Every field with its offset, shared by the encoder and the decoder so that the two
// can never disagree. Visitor receives (offset, field) for each kind of field.
template <typename Record, typename Visitor> void visitFields(Record& c, Visitor&& v)
{
    v.int32(0, c.reserved);
    for (const EntityKindInfo& kind : kEntityKinds) {
        const EntityOffsets& at = kEntityOffsets[entityIndex(kind.kind)];
        auto& settings = c.entity(kind.kind);
        v.byte(at.create, settings.create);
        v.byte(at.flat, settings.flat);
        if (kind.hasHeight) {
            v.text(at.height, kTextHeightCapacity, settings.height);
        }
        if (kind.hasDecimals) {
            v.int32(at.decimals, settings.decimals);
        }
        v.text(at.layer, kLayerNameCapacity, settings.layer);
        v.int32(at.color, settings.color);
    }
    v.int32(kFormatIndexOffset, c.formatIndex);
    v.text(492, kFormatNameCapacity, c.formatName);
    v.byte(560, c.modifiers.renumber);
    v.byte(561, c.modifiers.useNewStartNumber);
    v.int32(564, c.modifiers.startNumber);
    v.int32(568, c.modifiers.step);
    v.int32(572, c.modifiers.addValue);
    v.byte(576, c.modifiers.modifyCoordinates);
    v.real(584, c.modifiers.xOffset);
    v.real(592, c.modifiers.yOffset);
    v.real(600, c.modifiers.zOffset);
    v.byte(608, c.modifiers.useDefaultZ);
    v.real(616, c.modifiers.defaultZ);
    v.byte(624, c.alwaysPolyline);
    v.int32(628, c.fileTypeIndex);
    v.byte(632, c.autoSelect);
    for (std::size_t i = 0; i < c.layout.slot.size(); ++i) {
        v.int32(640 + 4 * i, c.layout.slot[i]);
    }
    v.text(660, kDistanceCapacity, c.layout.distance);
}

struct Encoder {
    ByteSpan out;
    void byte(std::size_t offset, std::uint8_t value) { writeByte(out, offset, value); }
    void int32(std::size_t offset, std::int32_t value) { writeInt32(out, offset, value); }
    void real(std::size_t offset, double value) { writeDouble(out, offset, value); }
    void text(std::size_t offset, std::size_t capacity, const std::string& value)
    {
        writeShortString(out, offset, capacity, value);
    }
};

struct Decoder {
    ByteView in;
    void byte(std::size_t offset, std::uint8_t& value) { value = readByte(in, offset); }
    void int32(std::size_t offset, std::int32_t& value) { value = readInt32(in, offset); }
    void real(std::size_t offset, double& value) { value = readDouble(in, offset); }
    void text(std::size_t offset, std::size_t capacity, std::string& value)
    {
        value = readShortString(in, offset, capacity);
    }
};

// Collects every stored field but the format index, in record order: the key of the comparison.
// Texts are kept whole (not cut to their capacity) and doubles as numbers, so that std::variant's
// == compares them numerically: 0.0 equals -0.0 and NaN never equals itself.
struct ComparedFields {
    using Value = std::variant<std::uint8_t, std::int32_t, double, std::string>;
    std::vector<Value> values;
    void byte(std::size_t, std::uint8_t value) { values.emplace_back(value); }
    void int32(std::size_t offset, std::int32_t value)
    {
        if (offset != kFormatIndexOffset) {
            values.emplace_back(value);
        }
    }
    void real(std::size_t, double value) { values.emplace_back(value); }
    void text(std::size_t, std::size_t, const std::string& value) { values.emplace_back(value); }
};

std::vector<ComparedFields::Value> comparedFields(const Configuration& c)
{
    ComparedFields fields;
    visitFields(c, fields);
    return std::move(fields.values);
}

} // namespace

ConfigurationBytes encodeConfiguration(const Configuration& configuration)
{
    ConfigurationBytes bytes{};
    Encoder encoder{bytes};
    visitFields(configuration, encoder);
    return bytes;
}

Configuration decodeConfiguration(const std::uint8_t* bytes)
{
    Configuration configuration;
    Decoder decoder{ByteView(bytes, Configuration::kSize)};
    visitFields(configuration, decoder);
    return configuration;
}

Configuration readConfigurationFile(const std::filesystem::path& path)
{
    const auto bytes = io::readFileBytes(path, Configuration::kSize);
    if (bytes.size() < Configuration::kSize) {
        throw NotAConfiguration();
    }
    return decodeConfiguration(bytes.data());
}

void writeConfigurationFile(const std::filesystem::path& path, const Configuration& configuration)
{
    const ConfigurationBytes bytes = encodeConfiguration(configuration);
    // A configuration is the user's work: it is replaced whole or not at all.
    io::replaceFile(path, bytes.data(), bytes.size());
}

bool configurationsEqual(const Configuration& a, const Configuration& b)
{
    return comparedFields(a) == comparedFields(b) && a.options == b.options;
}

} // namespace mervalon::config
