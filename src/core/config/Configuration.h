#pragma once
// The configuration: how the drawing is made. It is stored as one 672-byte record per ".rp4"
// file; encodeConfiguration and decodeConfiguration (Configuration.cpp) are the only code that
// knows where each setting stands in the record and how long its texts may be. What the record
// has no room for (the code library, the escape option) lies beside it (ConfigurationOptions.h).

#include "core/config/ConfigurationOptions.h"
#include "core/config/EntityKind.h"

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
    std::string distance; // decimal text
};

struct Configuration {
    static constexpr std::size_t kSize = 672;

    std::int32_t reserved = 0;

    /// The settings of each entity kind, in the order of kEntityKinds.
    EntitySettingsList entities;

    std::int32_t formatIndex = 0;
    std::string formatName;

    DataModifiers modifiers;

    std::uint8_t alwaysPolyline = 0;
    std::int32_t fileTypeIndex = 0;
    std::uint8_t autoSelect = 0;

    EntityLayout layout;

    /// Not in the record: the options file beside it (readConfigurationWithOptions).
    ConfigurationOptions options;

    [[nodiscard]] EntitySettings& entity(EntityKind kind) { return entities[entityIndex(kind)]; }
    [[nodiscard]] const EntitySettings& entity(EntityKind kind) const { return entities[entityIndex(kind)]; }
};

/// The longest texts the record stores, in bytes; longer ones are cut when stored. The entity
/// tabs cut what is typed to the same lengths.
inline constexpr std::size_t kLayerNameCapacity = 50;
inline constexpr std::size_t kTextHeightCapacity = 10;

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
/// numerically (0.0 equals -0.0), texts by length and content; the options are compared too.
bool configurationsEqual(const Configuration& a, const Configuration& b);

} // namespace mervalon::config
