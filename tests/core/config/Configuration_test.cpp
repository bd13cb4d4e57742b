#include "core/config/ColorNameTable.h"
#include "core/config/Configuration.h"

#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace mervalon::config;

namespace {

// Every field holds a value unlike its neighbours, so a field written at a wrong offset shows.
Configuration distinctConfiguration()
{
    Configuration c;
    c.reserved = 0x11;
    c.entity(EntityKind::Point).create = 1;
    c.entity(EntityKind::Point).flat = 2;
    c.entity(EntityKind::Point).layer = "PTS";
    c.entity(EntityKind::Point).color = 0x0A0B0C0D;
    c.entity(EntityKind::Number).create = 3;
    c.entity(EntityKind::Number).flat = 4;
    c.entity(EntityKind::Number).height = "0.25";
    c.entity(EntityKind::Number).layer = "NUM";
    c.entity(EntityKind::Number).color = 12;
    c.entity(EntityKind::X).create = 5;
    c.entity(EntityKind::X).flat = 6;
    c.entity(EntityKind::X).height = "1.5";
    c.entity(EntityKind::X).decimals = 3;
    c.entity(EntityKind::X).layer = "XL";
    c.entity(EntityKind::X).color = 13;
    c.entity(EntityKind::Y).create = 7;
    c.entity(EntityKind::Y).flat = 8;
    c.entity(EntityKind::Y).height = "2.5";
    c.entity(EntityKind::Y).decimals = 4;
    c.entity(EntityKind::Y).layer = "YL";
    c.entity(EntityKind::Y).color = 14;
    c.entity(EntityKind::Elevation).create = 9;
    c.entity(EntityKind::Elevation).flat = 10;
    c.entity(EntityKind::Elevation).height = "3.5";
    c.entity(EntityKind::Elevation).decimals = 5;
    c.entity(EntityKind::Elevation).layer = "ZL";
    c.entity(EntityKind::Elevation).color = 15;
    c.entity(EntityKind::Description).create = 11;
    c.entity(EntityKind::Description).flat = 12;
    c.entity(EntityKind::Description).height = "4.5";
    c.entity(EntityKind::Description).layer = "DL";
    c.entity(EntityKind::Description).color = 16;
    c.entity(EntityKind::Polyline).create = 13;
    c.entity(EntityKind::Polyline).flat = 14;
    c.entity(EntityKind::Polyline).layer = "PL";
    c.entity(EntityKind::Polyline).color = 17;
    c.formatIndex = 18;
    c.formatName = "penzd comma";
    c.modifiers.renumber = 15;
    c.modifiers.useNewStartNumber = 16;
    c.modifiers.startNumber = 100;
    c.modifiers.step = -10;
    c.modifiers.addValue = 1000;
    c.modifiers.modifyCoordinates = 17;
    c.modifiers.xOffset = 1.5;
    c.modifiers.yOffset = -2.25;
    c.modifiers.zOffset = 0.5;
    c.modifiers.useDefaultZ = 18;
    c.modifiers.defaultZ = 100.0;
    c.alwaysPolyline = 19;
    c.fileTypeIndex = 20;
    c.autoSelect = 21;
    c.layout.slot = {0, 3, 4, -1, 2};
    c.layout.distance = "0.75";
    return c;
}

std::int32_t int32At(const ConfigurationBytes& b, std::size_t offset)
{
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        v |= static_cast<std::uint32_t>(b[offset + i]) << (8 * i);
    }
    return static_cast<std::int32_t>(v);
}

double doubleAt(const ConfigurationBytes& b, std::size_t offset)
{
    double d = 0;
    std::memcpy(&d, b.data() + offset, 8); // the build machines are little-endian
    return d;
}

std::string textAt(const ConfigurationBytes& b, std::size_t offset)
{
    return std::string(reinterpret_cast<const char*>(b.data() + offset + 1), b[offset]);
}

class ConfigurationFileTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("mervalon-config-" + std::to_string(::getpid()) + "-" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }
    void writeBytes(const fs::path& path, const std::vector<std::uint8_t>& bytes)
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    fs::path m_dir;
};

} // namespace

TEST(ConfigurationRecord, ByteFieldsStandAtTheirOffsets)
{
    const auto b = encodeConfiguration(distinctConfiguration());
    const struct {
        std::size_t offset;
        int value;
    } bytes[] = {{4, 1},    {5, 2},    {64, 3},   {65, 4},   {132, 5},  {133, 6},  {208, 7},
                 {209, 8},  {284, 9},  {285, 10}, {360, 11}, {361, 12}, {428, 13}, {429, 14},
                 {560, 15}, {561, 16}, {576, 17}, {608, 18}, {624, 19}, {632, 21}};
    for (const auto& f : bytes) {
        EXPECT_EQ(b[f.offset], f.value) << "offset " << f.offset;
    }
}

TEST(ConfigurationRecord, IntegerFieldsStandAtTheirOffsets)
{
    const auto b = encodeConfiguration(distinctConfiguration());
    const struct {
        std::size_t offset;
        std::int32_t value;
    } ints[] = {{0, 0x11},   {60, 0x0A0B0C0D}, {128, 12}, {148, 3},  {204, 13}, {224, 4},   {280, 14},
                {300, 5},    {356, 15},        {424, 16}, {484, 17}, {488, 18}, {564, 100}, {568, -10},
                {572, 1000}, {628, 20},        {640, 0},  {644, 3},  {648, 4},  {652, -1},  {656, 2}};
    for (const auto& f : ints) {
        EXPECT_EQ(int32At(b, f.offset), f.value) << "offset " << f.offset;
    }
    // Little-endian, least significant byte first.
    EXPECT_EQ(b[60], 0x0D);
    EXPECT_EQ(b[63], 0x0A);
}

TEST(ConfigurationRecord, TextAndRealFieldsStandAtTheirOffsets)
{
    const auto b = encodeConfiguration(distinctConfiguration());
    const struct {
        std::size_t offset;
        const char* text;
    } texts[] = {{6, "PTS"},   {66, "0.25"}, {77, "NUM"},          {134, "1.5"}, {152, "XL"},
                 {210, "2.5"}, {228, "YL"},  {286, "3.5"},         {304, "ZL"},  {362, "4.5"},
                 {373, "DL"},  {430, "PL"},  {492, "penzd comma"}, {660, "0.75"}};
    for (const auto& t : texts) {
        EXPECT_EQ(textAt(b, t.offset), t.text) << "offset " << t.offset;
    }
    EXPECT_EQ(doubleAt(b, 584), 1.5);
    EXPECT_EQ(doubleAt(b, 592), -2.25);
    EXPECT_EQ(doubleAt(b, 600), 0.5);
    EXPECT_EQ(doubleAt(b, 616), 100.0);
}

TEST(ConfigurationRecord, GapBytesAreZero)
{
    Configuration c = distinctConfiguration();
    // Texts filled to capacity must not spill into the gaps that follow them.
    c.entity(EntityKind::Point).layer = std::string(80, 'P');
    c.entity(EntityKind::X).height = std::string(20, '9');
    c.formatName = std::string(90, 'f');
    c.layout.distance = std::string(15, '1');
    const auto b = encodeConfiguration(c);
    const std::size_t gaps[] = {57,  58,  59,  145, 146, 147, 203, 221, 222, 223, 279, 297, 298,
                                299, 355, 481, 482, 483, 553, 554, 555, 556, 557, 558, 559, 562,
                                563, 577, 578, 579, 580, 581, 582, 583, 609, 610, 611, 612, 613,
                                614, 615, 625, 626, 627, 633, 634, 635, 636, 637, 638, 639, 671};
    for (std::size_t gap : gaps) {
        EXPECT_EQ(b[gap], 0) << "gap byte " << gap;
    }
    EXPECT_EQ(b[6], 50);
    EXPECT_EQ(b[134], 10);
    EXPECT_EQ(b[492], 60);
    EXPECT_EQ(b[660], 10);
}

TEST_F(ConfigurationFileTest, ConfigurationFileRoundTripComparesEqual)
{
    const Configuration c = distinctConfiguration();
    writeConfigurationFile(m_dir / "a.rp4", c);
    EXPECT_EQ(fs::file_size(m_dir / "a.rp4"), 672u);
    const Configuration back = readConfigurationFile(m_dir / "a.rp4");
    EXPECT_TRUE(configurationsEqual(back, c));
    EXPECT_EQ(back.formatIndex, 18);
    EXPECT_EQ(encodeConfiguration(back), encodeConfiguration(c));
}

TEST_F(ConfigurationFileTest, FileSizeDecidesWhetherItIsAConfiguration)
{
    std::vector<std::uint8_t> bytes(672);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 7 + 3); // any content at all
    }
    writeBytes(m_dir / "exact.rp4", bytes);
    EXPECT_NO_THROW(readConfigurationFile(m_dir / "exact.rp4"));

    writeBytes(m_dir / "short.rp4", std::vector<std::uint8_t>(bytes.begin(), bytes.end() - 1));
    EXPECT_THROW(readConfigurationFile(m_dir / "short.rp4"), NotAConfiguration);

    writeBytes(m_dir / "empty.rp4", {});
    EXPECT_THROW(readConfigurationFile(m_dir / "empty.rp4"), NotAConfiguration);

    auto longer = encodeConfiguration(distinctConfiguration());
    std::vector<std::uint8_t> tail(longer.begin(), longer.end());
    tail.resize(2000, 0xEE);
    writeBytes(m_dir / "long.rp4", tail);
    EXPECT_TRUE(configurationsEqual(readConfigurationFile(m_dir / "long.rp4"), distinctConfiguration()));
}

TEST_F(ConfigurationFileTest, MissingFileIsASystemErrorNotANotAConfiguration)
{
    try {
        readConfigurationFile(m_dir / "none.rp4");
        FAIL() << "no exception";
    } catch (const NotAConfiguration&) {
        FAIL() << "a missing file is not a short file";
    } catch (const std::system_error& error) {
        EXPECT_EQ(error.code().value(), ENOENT);
        EXPECT_NE(std::string(error.what()).find("none.rp4"), std::string::npos);
    }
}

TEST_F(ConfigurationFileTest, WritingIntoAMissingFolderThrows)
{
    EXPECT_THROW(writeConfigurationFile(m_dir / "no" / "x.rp4", distinctConfiguration()), std::system_error);
}

TEST(ConfigurationCompare, FormatIndexAndReservedBytesAreIgnored)
{
    const Configuration a = distinctConfiguration();
    Configuration b = a;
    b.formatIndex = 99;
    EXPECT_TRUE(configurationsEqual(a, b));

    auto bytes = encodeConfiguration(a);
    for (std::size_t gap : {57, 145, 203, 481, 553, 562, 577, 609, 625, 633, 671}) {
        bytes[gap] = 0xAB;
    }
    bytes[6 + 1 + 3] = 'Z'; // beyond the layer's length: not significant
    EXPECT_TRUE(configurationsEqual(decodeConfiguration(bytes.data()), a));
}

TEST(ConfigurationCompare, PositiveAndNegativeZeroAreEqual)
{
    Configuration a = distinctConfiguration();
    Configuration b = a;
    a.modifiers.xOffset = 0.0;
    b.modifiers.xOffset = -0.0;
    a.modifiers.defaultZ = -0.0;
    b.modifiers.defaultZ = 0.0;
    EXPECT_TRUE(configurationsEqual(a, b));
}

TEST(ConfigurationCompare, EachComparedFieldIsDetected)
{
    using Mutation = std::function<void(Configuration&)>;
    std::vector<std::pair<std::string, Mutation>> mutations = {
        {"reserved", [](Configuration& c) { c.reserved = 0; }},
        {"formatName", [](Configuration& c) { c.formatName = "Penzd comma"; }},
        {"renumber", [](Configuration& c) { c.modifiers.renumber = 0; }},
        {"useNewStartNumber", [](Configuration& c) { c.modifiers.useNewStartNumber = 0; }},
        {"startNumber", [](Configuration& c) { c.modifiers.startNumber = 101; }},
        {"step", [](Configuration& c) { c.modifiers.step = 10; }},
        {"addValue", [](Configuration& c) { c.modifiers.addValue = 0; }},
        {"modifyCoordinates", [](Configuration& c) { c.modifiers.modifyCoordinates = 0; }},
        {"xOffset", [](Configuration& c) { c.modifiers.xOffset = 1.5000001; }},
        {"yOffset", [](Configuration& c) { c.modifiers.yOffset = 2.25; }},
        {"zOffset", [](Configuration& c) { c.modifiers.zOffset = 0; }},
        {"useDefaultZ", [](Configuration& c) { c.modifiers.useDefaultZ = 0; }},
        {"defaultZ", [](Configuration& c) { c.modifiers.defaultZ = 100.5; }},
        {"alwaysPolyline", [](Configuration& c) { c.alwaysPolyline = 0; }},
        {"fileTypeIndex", [](Configuration& c) { c.fileTypeIndex = 0; }},
        {"autoSelect", [](Configuration& c) { c.autoSelect = 0; }},
        {"slot1", [](Configuration& c) { c.layout.slot[0] = 1; }},
        {"slot3", [](Configuration& c) { c.layout.slot[2] = -1; }},
        {"slot5", [](Configuration& c) { c.layout.slot[4] = 4; }},
        {"distance", [](Configuration& c) { c.layout.distance = "0.7"; }},
    };
    // Every setting each kind has, named as the record sources name it.
    for (const EntityKindInfo& info : kEntityKinds) {
        const std::string name(info.sourceName);
        const EntityKind kind = info.kind;
        mutations.emplace_back(name + "Create", [kind](Configuration& c) { c.entity(kind).create = 0; });
        mutations.emplace_back(name + "2D", [kind](Configuration& c) { c.entity(kind).flat = 0; });
        if (info.hasHeight) {
            mutations.emplace_back(name + "Height", [kind](Configuration& c) { c.entity(kind).height += "0"; });
        }
        if (info.hasDecimals) {
            mutations.emplace_back(name + "Decimals", [kind](Configuration& c) { c.entity(kind).decimals = 0; });
        }
        mutations.emplace_back(name + "Layer", [kind](Configuration& c) { c.entity(kind).layer += " "; });
        mutations.emplace_back(name + "Color", [kind](Configuration& c) { c.entity(kind).color = 1; });
    }
    const Configuration base = distinctConfiguration();
    for (const auto& [field, mutate] : mutations) {
        Configuration changed = base;
        mutate(changed);
        EXPECT_FALSE(configurationsEqual(base, changed)) << field;
        EXPECT_FALSE(configurationsEqual(changed, base)) << field;
    }
}

TEST(ConfigurationCompare, SettingsAKindDoesNotHaveAreNeitherStoredNorCompared)
{
    const Configuration base = distinctConfiguration();
    Configuration changed = base;
    changed.entity(EntityKind::Point).height = "9.9";
    changed.entity(EntityKind::Point).decimals = 7;
    changed.entity(EntityKind::Number).decimals = 7;
    changed.entity(EntityKind::Polyline).height = "9.9";
    EXPECT_TRUE(configurationsEqual(base, changed));
    EXPECT_EQ(encodeConfiguration(base), encodeConfiguration(changed));
}

TEST(ColorNames, NamedAndNumberedIndices)
{
    const struct {
        std::int32_t index;
        const char* name;
    } names[] = {{0, ""},          {1, "Red"},       {2, "Yellow"},      {3, "Green"},      {4, "Cyan"},
                 {5, "Blue"},      {6, "Magenta"},   {7, "White"},       {8, "Grey"},       {9, "Light Grey"},
                 {10, "Color 10"}, {11, "Color 11"}, {128, "Color 128"}, {255, "Color 255"}};
    for (const auto& n : names) {
        EXPECT_EQ(colorName(n.index), n.name) << n.index;
    }
}

TEST(ColorNames, SwatchesOfTheNamedColours)
{
    using Kind = ColorSwatch::Kind;
    EXPECT_EQ(colorSwatch(0), (ColorSwatch{Kind::Rgb, 255, 0, 0}));
    EXPECT_EQ(colorSwatch(1), (ColorSwatch{Kind::Rgb, 255, 0, 0}));
    EXPECT_EQ(colorSwatch(2), (ColorSwatch{Kind::Rgb, 255, 255, 0}));
    EXPECT_EQ(colorSwatch(5), (ColorSwatch{Kind::Rgb, 0, 0, 255}));
    EXPECT_EQ(colorSwatch(7), (ColorSwatch{Kind::Rgb, 255, 255, 255}));
    EXPECT_EQ(colorSwatch(8).kind, Kind::ApplicationWorkspace);
    EXPECT_EQ(colorSwatch(9).kind, Kind::ButtonFace);
    EXPECT_EQ(colorSwatch(10).kind, Kind::ButtonFace);
    EXPECT_EQ(colorSwatch(255).kind, Kind::ButtonFace);
}

TEST(ColorNames, IndicesOutsideTheTableNeverFail)
{
    for (std::int32_t index : {-1, 256, 1000, INT_MIN, INT_MAX}) {
        const std::string name = colorName(index);
        EXPECT_FALSE(name.empty()) << index;
        EXPECT_NE(name, "Red") << index;
        EXPECT_EQ(colorSwatch(index).kind, ColorSwatch::Kind::ButtonFace) << index;
    }
    EXPECT_EQ(colorName(256), "Color 256");
    EXPECT_EQ(colorName(-1), "Color -1");
}
