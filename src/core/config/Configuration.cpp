#include "core/config/Configuration.h"

#include "core/config/RecordCodec.h"
#include "core/io/FileIo.h"
#include "core/io/ReplaceFile.h"

#include <tuple>

namespace mervalon::config {
namespace {

constexpr std::size_t kLayerCapacity = 50;
constexpr std::size_t kHeightCapacity = 10;
constexpr std::size_t kFormatNameCapacity = 60;
constexpr std::size_t kDistanceCapacity = 10;

// Every field with its offset, shared by the encoder and the decoder so that the two
// can never disagree. Visitor receives (offset, field) for each kind of field.
template <typename Record, typename Visitor>
void visitFields(Record& c, Visitor&& v)
{
    v.int32(0, c.reserved);
    v.byte(4, c.pointCreate);
    v.byte(5, c.point2D);
    v.text(6, kLayerCapacity, c.pointLayer);
    v.int32(60, c.pointColor);
    v.byte(64, c.numberCreate);
    v.byte(65, c.number2D);
    v.text(66, kHeightCapacity, c.numberHeight);
    v.text(77, kLayerCapacity, c.numberLayer);
    v.int32(128, c.numberColor);
    v.byte(132, c.xCreate);
    v.byte(133, c.x2D);
    v.text(134, kHeightCapacity, c.xHeight);
    v.int32(148, c.xDecimals);
    v.text(152, kLayerCapacity, c.xLayer);
    v.int32(204, c.xColor);
    v.byte(208, c.yCreate);
    v.byte(209, c.y2D);
    v.text(210, kHeightCapacity, c.yHeight);
    v.int32(224, c.yDecimals);
    v.text(228, kLayerCapacity, c.yLayer);
    v.int32(280, c.yColor);
    v.byte(284, c.elevationCreate);
    v.byte(285, c.elevation2D);
    v.text(286, kHeightCapacity, c.elevationHeight);
    v.int32(300, c.elevationDecimals);
    v.text(304, kLayerCapacity, c.elevationLayer);
    v.int32(356, c.elevationColor);
    v.byte(360, c.descriptionCreate);
    v.byte(361, c.description2D);
    v.text(362, kHeightCapacity, c.descriptionHeight);
    v.text(373, kLayerCapacity, c.descriptionLayer);
    v.int32(424, c.descriptionColor);
    v.byte(428, c.polylineCreate);
    v.byte(429, c.polyline2D);
    v.text(430, kLayerCapacity, c.polylineLayer);
    v.int32(484, c.polylineColor);
    v.int32(488, c.formatIndex);
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

// The key of the comparison: every compared field in record order. formatIndex is left out.
auto comparedFields(const Configuration& c)
{
    const DataModifiers& m = c.modifiers;
    // Adding 0.0 folds -0.0 into 0.0 so that the two compare equal, as numeric comparison demands.
    return std::make_tuple(c.reserved, c.pointCreate, c.point2D, c.pointLayer, c.pointColor, c.numberCreate,
                           c.number2D, c.numberHeight, c.numberLayer, c.numberColor, c.xCreate, c.x2D, c.xHeight,
                           c.xDecimals, c.xLayer, c.xColor, c.yCreate, c.y2D, c.yHeight, c.yDecimals, c.yLayer,
                           c.yColor, c.elevationCreate, c.elevation2D, c.elevationHeight, c.elevationDecimals,
                           c.elevationLayer, c.elevationColor, c.descriptionCreate, c.description2D,
                           c.descriptionHeight, c.descriptionLayer, c.descriptionColor, c.polylineCreate,
                           c.polyline2D, c.polylineLayer, c.polylineColor, c.formatName, m.renumber,
                           m.useNewStartNumber, m.startNumber, m.step, m.addValue, m.modifyCoordinates, m.xOffset,
                           m.yOffset, m.zOffset, m.useDefaultZ, m.defaultZ, c.alwaysPolyline, c.fileTypeIndex,
                           c.autoSelect, c.layout.slot, c.layout.distance);
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
    // std::tuple compares doubles with ==, so 0.0 == -0.0 holds and NaN never equals itself,
    // which is the numeric comparison the record asks for.
    return comparedFields(a) == comparedFields(b);
}

} // namespace mervalon::config
