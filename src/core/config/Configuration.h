#pragma once
// The configuration record: how the drawing is made. One record per ".rp4" file,
// 672 bytes, with the data-modifier block at 560 and the text layout block at 640.

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace mervalon::config {

/// What a text slot beside a point holds.
enum class EntityContent : std::int32_t {
    Empty = -1,
    Number = 0,
    XCoordinate = 1,
    YCoordinate = 2,
    Elevation = 3,
    Description = 4,
};

/// Renumbering, coordinate offsets and default elevation applied while points are read.
struct DataModifiers {
    std::uint8_t renumber = 0;
    std::uint8_t useNewStartNumber = 0;
    std::int32_t startNumber = 0;
    std::int32_t step = 0;
    std::int32_t addValue = 0;
    std::uint8_t modifyCoordinates = 0;
    double xOffset = 0;
    double yOffset = 0;
    double zOffset = 0;
    std::uint8_t useDefaultZ = 0;
    double defaultZ = 0;
};

/// The order of the texts beside a point and their distance from it.
struct EntityLayout {
    std::array<std::int32_t, 5> slot{-1, -1, -1, -1, -1};
    std::string distance; // capacity 10, decimal text
};

struct Configuration {
    static constexpr std::size_t kSize = 672;

    std::int32_t reserved = 0;

    std::uint8_t pointCreate = 0;
    std::uint8_t point2D = 0;
    std::string pointLayer; // layers: capacity 50
    std::int32_t pointColor = 0;

    std::uint8_t numberCreate = 0;
    std::uint8_t number2D = 0;
    std::string numberHeight; // heights: capacity 10
    std::string numberLayer;
    std::int32_t numberColor = 0;

    std::uint8_t xCreate = 0;
    std::uint8_t x2D = 0;
    std::string xHeight;
    std::int32_t xDecimals = 0;
    std::string xLayer;
    std::int32_t xColor = 0;

    std::uint8_t yCreate = 0;
    std::uint8_t y2D = 0;
    std::string yHeight;
    std::int32_t yDecimals = 0;
    std::string yLayer;
    std::int32_t yColor = 0;

    std::uint8_t elevationCreate = 0;
    std::uint8_t elevation2D = 0;
    std::string elevationHeight;
    std::int32_t elevationDecimals = 0;
    std::string elevationLayer;
    std::int32_t elevationColor = 0;

    std::uint8_t descriptionCreate = 0;
    std::uint8_t description2D = 0;
    std::string descriptionHeight;
    std::string descriptionLayer;
    std::int32_t descriptionColor = 0;

    std::uint8_t polylineCreate = 0;
    std::uint8_t polyline2D = 0;
    std::string polylineLayer;
    std::int32_t polylineColor = 0;

    std::int32_t formatIndex = 0;
    std::string formatName; // capacity 60

    DataModifiers modifiers;

    std::uint8_t alwaysPolyline = 0;
    std::int32_t fileTypeIndex = 0;
    std::uint8_t autoSelect = 0;

    EntityLayout layout;
};

using ConfigurationBytes = std::array<std::uint8_t, Configuration::kSize>;

/// Builds the 672 stored bytes in a zero-filled buffer; texts longer than their capacity are cut.
ConfigurationBytes encodeConfiguration(const Configuration& configuration);

/// Decodes the first 672 bytes. The caller guarantees at least 672 bytes.
Configuration decodeConfiguration(const std::uint8_t* bytes);

/// Thrown by readConfigurationFile for a file that is too short to be a configuration.
struct NotAConfiguration : std::exception {
    const char* what() const noexcept override { return "Not a configuration file"; }
};

/// Reads the first 672 bytes of the file. Throws NotAConfiguration when it holds fewer, and
/// std::system_error when it cannot be opened or read.
Configuration readConfigurationFile(const std::filesystem::path& path);

/// Writes the record to a file beside `path` and renames it over `path`, so that a failure leaves
/// the old file as it was. Throws std::system_error (io::FileError) on failure.
void writeConfigurationFile(const std::filesystem::path& path, const Configuration& configuration);

/// Field-by-field comparison: formatIndex and reserved bytes are ignored, doubles compare
/// numerically (0.0 equals -0.0), texts by length and content.
bool configurationsEqual(const Configuration& a, const Configuration& b);

} // namespace mervalon::config
