#include "core/codes/Linework.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <string>
#include <vector>

using mervalon::codes::arcChords;
using mervalon::codes::CodeLibrary;
using mervalon::codes::kChordTolerance;
using mervalon::codes::Line;
using mervalon::codes::LinePoint;
using mervalon::codes::LineworkBuilder;
using mervalon::codes::readPointCodes;

namespace {

const CodeLibrary& library()
{
    static const CodeLibrary codes =
        CodeLibrary::read("code,layer,line\nEP*,EDGE,3d\nBLD,BUILDING,3d\nFENCE,FENCE,2d\nTREE,VEG,none\n", {});
    return codes;
}

LinePoint at(double x, double y, double z = 0)
{
    LinePoint p;
    p.x = x;
    p.y = y;
    p.z = z;
    p.xText = std::to_string(static_cast<int>(x));
    return p;
}

// Feeds the points (x = their line number) and describes each line as it ends:
// "FEATURE#INSTANCE[closed]:x,x,x".
std::vector<std::string> linesOf(const std::vector<std::string>& codes)
{
    std::vector<std::string> lines;
    LineworkBuilder builder([&](Line&& line) {
        std::string text = line.feature + "#" + line.instance + (line.closed ? "[closed]" : "") + ":";
        for (std::size_t i = 0; i < line.points.size(); ++i) {
            text += (i == 0 ? "" : ",") + line.points[i].xText;
        }
        lines.push_back(text);
    });
    for (std::size_t i = 0; i < codes.size(); ++i) {
        builder.add(readPointCodes(library(), codes[i]), at(static_cast<double>(i + 1), 0), i + 1);
    }
    builder.finish();
    return lines;
}

double distanceToCircle(double x, double y, double cx, double cy, double r)
{
    return std::abs(std::hypot(x - cx, y - cy) - r);
}

} // namespace

TEST(Linework, StringsPointsByFeatureAndInstance)
{
    using Lines = std::vector<std::string>;
    const struct {
        const char* name;
        std::vector<std::string> codes;
        Lines lines;
    } cases[] = {
        {"interleaved instances keep file order",
         {"EP1 B", "EP2 B", "EP1", "EP2", "EP1", "EP2"},
         Lines{"EP#1:1,3,5", "EP#2:2,4,6"}},
        {"end and close end their line only",
         {"EP1", "BLD", "EP1 E", "BLD", "BLD C", "EP1"},
         Lines{"EP#1:1,3", "BLD#[closed]:2,4,5", "EP#1:6"}},
        {"begin ends the open line and starts one at its point",
         {"EP1", "EP1", "EP1 B", "EP1"},
         Lines{"EP#1:1,2", "EP#1:3,4"}},
        {"nojoin draws the point but keeps it out of the line", {"BLD", "BLD NJ", "BLD"}, Lines{"BLD#:1,3"}},
        {"several codes on one point join each line",
         {"EP1 BLD", "EP1", "BLD", "EP1 BLD C"},
         Lines{"BLD#[closed]:1,3,4", "EP#1:1,2,4"}},
        {"a point-only code makes no line", {"TREE", "TREE"}, Lines{}},
        {"a line of one point is handed on", {"EP1", "BLD", "BLD"}, Lines{"EP#1:1", "BLD#:2,3"}},
        {"open lines end at the end in the order they began",
         {"BLD", "EP2", "EP1", "BLD"},
         Lines{"BLD#:1,4", "EP#2:2", "EP#1:3"}},
        {"codes of another case are the same feature", {"ep1", "EP1", "Ep1 e"}, Lines{"EP#1:1,2,3"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(linesOf(c.codes), c.lines);
    }
}

TEST(Linework, ArcChordsStayWithinTheToleranceOfTheArc)
{
    // Three points of a circle of radius 25 about (1000, 5000), a quarter of it counter-clockwise.
    const double cx = 1000;
    const double cy = 5000;
    const double r = 25;
    const auto onCircle = [&](double degrees, double z) {
        const double a = degrees * std::numbers::pi / 180;
        return at(cx + r * std::cos(a), cy + r * std::sin(a), z);
    };
    for (const bool clockwise : {false, true}) {
        SCOPED_TRACE(clockwise ? "clockwise" : "counter-clockwise");
        const LinePoint first = onCircle(clockwise ? 90 : 0, 10);
        const LinePoint middle = onCircle(45, 12);
        const LinePoint last = onCircle(clockwise ? 0 : 90, 11);
        const auto chords = arcChords(first, middle, last);
        // Angle per chord for a sagitta of 0.005 at radius 25: 2 acos(1 - 0.005 / 25) = 0.04 rad.
        const auto expected =
            static_cast<std::size_t>(std::ceil((std::numbers::pi / 2) / (2 * std::acos(1 - kChordTolerance / r))));
        ASSERT_EQ(chords.size(), expected + 1);
        EXPECT_EQ(chords.front().xText, first.xText);
        EXPECT_EQ(chords.back().xText, last.xText);
        for (std::size_t i = 0; i + 1 < chords.size(); ++i) {
            const LinePoint& a = chords[i];
            const LinePoint& b = chords[i + 1];
            EXPECT_LT(distanceToCircle(a.x, a.y, cx, cy, r), 1e-9);
            // The chord's middle is its farthest place from the arc.
            EXPECT_LE(distanceToCircle((a.x + b.x) / 2, (a.y + b.y) / 2, cx, cy, r), kChordTolerance);
            // The arc is walked one way: every vertex further round than the one before.
            const double turn = (a.x - cx) * (b.y - cy) - (a.y - cy) * (b.x - cx);
            EXPECT_EQ(turn > 0, !clockwise);
        }
        // The elevation runs from the first point's to the last one's through the middle one's.
        EXPECT_DOUBLE_EQ(chords.front().z, 10);
        EXPECT_DOUBLE_EQ(chords.back().z, 11);
        EXPECT_NEAR(chords[chords.size() / 2].z, 12, 0.1);
    }
}

TEST(Linework, ArcBetweenArcWordsReplacesItsPoints)
{
    std::vector<Line> lines;
    LineworkBuilder builder([&](Line&& line) { lines.push_back(std::move(line)); });
    const struct {
        const char* codes;
        double x;
        double y;
    } points[] = {{"EP1", -20, 0}, {"EP1 BC", -10, 0}, {"EP1", 0, 10}, {"EP1 EC", 10, 0}, {"EP1", 20, 0}};
    std::size_t number = 1;
    for (const auto& p : points) {
        builder.add(readPointCodes(library(), p.codes), at(p.x, p.y), number++);
    }
    builder.finish();
    ASSERT_EQ(lines.size(), 1U);
    const auto& vertices = lines[0].points;
    // Half a circle of radius 10 about (0, 0): 2 acos(1 - 0.005 / 10) rad a chord.
    const auto chords =
        static_cast<std::size_t>(std::ceil(std::numbers::pi / (2 * std::acos(1 - kChordTolerance / 10))));
    ASSERT_EQ(vertices.size(), 2 + chords + 1);
    EXPECT_EQ(vertices[0].x, -20);
    EXPECT_EQ(vertices[1].x, -10);
    EXPECT_EQ(vertices[vertices.size() - 2].x, 10);
    EXPECT_EQ(vertices.back().x, 20);
    for (std::size_t i = 2; i + 2 < vertices.size(); ++i) {
        EXPECT_NEAR(std::hypot(vertices[i].x, vertices[i].y), 10, 1e-9);
        EXPECT_TRUE(vertices[i].xText.empty()); // computed, not read
        EXPECT_GT(vertices[i].y, 0);            // over the top, through the middle point
    }
}

TEST(Linework, PointsOnAStraightLineMakeNoArc)
{
    EXPECT_TRUE(arcChords(at(0, 0), at(1, 1), at(2, 2)).empty());
    EXPECT_TRUE(arcChords(at(0, 0), at(0, 0), at(2, 2)).empty());
    EXPECT_TRUE(arcChords(at(5, 5), at(5, 5), at(5, 5)).empty());
    // Survey coordinates far from the origin keep their digits.
    const auto chords = arcChords(at(2500000, 5600000), at(2500010, 5600010), at(2500020, 5600000));
    ASSERT_FALSE(chords.empty());
    for (const LinePoint& p : chords) {
        EXPECT_NEAR(std::hypot(p.x - 2500010, p.y - 5600000), 10, 1e-6);
    }
}
