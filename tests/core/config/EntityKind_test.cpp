#include "core/config/EntityKind.h"

#include <gtest/gtest.h>
#include <string>

using namespace mervalon::config;

namespace {

struct ExpectedKind {
    EntityKind kind;
    const char* name;
    const char* sourceName;
    bool hasHeight;
    bool hasDecimals;
};

// The names are part of the messages and of the shipped record sources: a change shows here.
constexpr ExpectedKind kExpected[] = {
    {EntityKind::Point, "Point", "point", false, false},
    {EntityKind::Number, "Number", "number", true, false},
    {EntityKind::X, "X coordinate", "x", true, true},
    {EntityKind::Y, "Y coordinate", "y", true, true},
    {EntityKind::Elevation, "Elevation", "elevation", true, true},
    {EntityKind::Description, "Description", "description", true, false},
    {EntityKind::Polyline, "Polyline", "polyline", false, false},
};

TEST(EntityKind, DeclaresTheSevenKindsInRecordOrder)
{
    ASSERT_EQ(kEntityKindCount, std::size(kExpected));
    for (const ExpectedKind& expected : kExpected) {
        const EntityKindInfo& info = entityKindInfo(expected.kind);
        EXPECT_EQ(info.kind, expected.kind);
        EXPECT_EQ(info.name, expected.name);
        EXPECT_EQ(info.sourceName, expected.sourceName);
        EXPECT_EQ(info.hasHeight, expected.hasHeight) << expected.name;
        EXPECT_EQ(info.hasDecimals, expected.hasDecimals) << expected.name;
    }
}

TEST(EntityKind, SettingsStartEmpty)
{
    const EntitySettings settings;
    EXPECT_EQ(settings.create, 0);
    EXPECT_EQ(settings.flat, 0);
    EXPECT_EQ(settings.height, "");
    EXPECT_EQ(settings.decimals, 0);
    EXPECT_EQ(settings.layer, "");
    EXPECT_EQ(settings.color, 0);
}

} // namespace
