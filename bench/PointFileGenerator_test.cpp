#include "PointFileGenerator.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace {

using mervalon::bench::PointFileGenerator;

std::string generate(std::uint64_t points, std::uint64_t seed)
{
    PointFileGenerator generator(points, seed);
    std::string text;
    while (generator.appendLine(text)) {
    }
    return text;
}

std::vector<std::string> splitFields(const std::string& line)
{
    std::vector<std::string> fields;
    std::stringstream stream(line);
    std::string field;
    while (std::getline(stream, field, ',')) {
        fields.push_back(field);
    }
    return fields;
}

bool isDecimalWithThreePlaces(const std::string& text)
{
    const auto point = text.find('.');
    return point != std::string::npos && point > 0 && text.size() - point == 4 &&
           text.find_first_not_of("0123456789.") == std::string::npos;
}

TEST(PointFileGenerator, sameSeedGivesTheSameBytesAndOtherSeedsDiffer)
{
    EXPECT_EQ(generate(500, 7), generate(500, 7));
    EXPECT_NE(generate(500, 7), generate(500, 8));
}

TEST(PointFileGenerator, firstLineIsARealisticSurveyPoint)
{
    const std::string text = generate(1, 1);
    ASSERT_GE(text.size(), 2u);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    const auto fields = splitFields(text.substr(0, text.size() - 2));
    ASSERT_GE(fields.size(), 5u);
    EXPECT_EQ(fields[0], "1");
    EXPECT_TRUE(isDecimalWithThreePlaces(fields[1])) << fields[1];
    EXPECT_NEAR(std::strtod(fields[1].c_str(), nullptr), 512345.678, 20.0);
    EXPECT_NEAR(std::strtod(fields[2].c_str(), nullptr), 6712345.678, 20.0);
    EXPECT_NEAR(std::strtod(fields[3].c_str(), nullptr), 123.456, 0.5);
}

/// Replays the codes as the converter's polyline rules do and counts what they draw.
TEST(PointFileGenerator, codesFormTheCountedPolylinesAndEveryLineHasItsFields)
{
    constexpr std::uint64_t kPoints = 20'000;
    PointFileGenerator generator(kPoints, 3);
    std::string text;
    while (generator.appendLine(text)) {
    }
    const auto& summary = generator.summary();
    EXPECT_EQ(summary.points, kPoints);
    EXPECT_EQ(summary.bytes, text.size());
    EXPECT_GT(summary.polylines, 100u);

    std::uint64_t lines = 0;
    std::uint64_t polylines = 0;
    std::uint64_t vertices = 0;
    std::uint64_t open = 0; // vertices of the open polyline, 0 when none
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find("\r\n", start);
        ASSERT_NE(end, std::string::npos);
        const auto fields = splitFields(text.substr(start, end - start));
        start = end + 2;
        ++lines;
        ASSERT_TRUE(fields.size() == 5 || fields.size() == 6) << "line " << lines;
        EXPECT_EQ(fields[0], std::to_string(lines));
        for (int column = 1; column <= 3; ++column) {
            EXPECT_TRUE(isDecimalWithThreePlaces(fields[static_cast<std::size_t>(column)])) << "line " << lines;
        }
        EXPECT_FALSE(fields[4].empty());
        const std::string code = fields.size() == 6 ? fields[5] : "";
        if (code == "1") {
            EXPECT_EQ(open, 0u) << "line " << lines << " starts a polyline inside another";
            open = 1;
        } else if (code == "2") {
            ASSERT_GT(open, 0u) << "line " << lines;
            ++open;
        } else if (code == "3") {
            ASSERT_GT(open, 0u) << "line " << lines;
            vertices += open + 1;
            ++polylines;
            open = 0;
        } else {
            EXPECT_EQ(open, 0u) << "line " << lines << " interrupts a polyline";
            EXPECT_EQ(fields.size(), 5u);
        }
    }
    EXPECT_EQ(open, 0u) << "the last polyline is left open";
    EXPECT_EQ(lines, kPoints);
    EXPECT_EQ(polylines, summary.polylines);
    EXPECT_EQ(vertices, summary.vertices);
}

TEST(PointFileGenerator, writesTheFileItDescribes)
{
    const auto path = std::filesystem::path(testing::TempDir()) / "mervalon-generated-points.txt";
    const auto summary = mervalon::bench::writePointFile(path, 3'000, 5);
    EXPECT_EQ(std::filesystem::file_size(path), summary.bytes);
    std::ifstream file(path, std::ios::binary);
    const std::string written((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_EQ(written, generate(3'000, 5));
    std::filesystem::remove(path);
}

} // namespace
