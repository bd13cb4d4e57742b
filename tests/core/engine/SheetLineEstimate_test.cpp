// The count a sheet's progress is shown against while the sheet is read: the used range while it
// agrees with the bytes read, else the bytes; it shrinks as the reading goes on and grows only
// when more lines come than it said.
#include "core/engine/SheetLineEstimate.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using mervalon::engine::SheetLineEstimate;

namespace {

struct EstimateCase {
    std::string name;
    std::vector<SheetLineEstimate::Reading> readings;
    std::vector<std::uint64_t> counts; // after each reading
};

const std::vector<EstimateCase> kCases{
    {"a used range that agrees with the bytes is the count",
     {{4096, 40000, 0.1}, {8192, 40000, 0.2}, {40000, 40000, 0.99}},
     {40000, 40000, 40000}},
    {"a used range counts before the bytes say anything", {{4096, 40000, 0}, {8192, 40000, 0}}, {40000, 40000}},
    {"without a used range or bytes, the lines read", {{4096, 0, 0}, {8192, 0, 0}, {9000, 0, 0}}, {4096, 8192, 9000}},
    {"the bytes give lines read over the share read, and the count only shrinks",
     {{4096, 0, 0.1}, {8192, 0, 0.21}, {12288, 0, 0.3}, {16384, 0, 0.42}},
     {40960, 39010, 39010, 39010}},
    {"a whole-column range stands until the bytes have settled, then gives way for good",
     {{4096, 1048575, 0.001}, {8192, 1048575, 0.5}, {12288, 1048575, 0.75}},
     {1048575, 16384, 16384}},
    {"a range shorter than the lines read (\"A1:F100\") gives way to the bytes",
     {{4096, 100, 0.1}, {8192, 100, 0.2}},
     {40960, 40960}},
    {"a range far below the bytes gives way to them", {{4096, 5000, 0.05}}, {81920}},
    {"more lines than the count make it grow to the best guess",
     {{4096, 0, 0.5}, {8192, 0, 0.5}, {12288, 0, 0.6}},
     {8192, 8192, 20480}},
    {"a range beaten by the lines is not believed again",
     {{4096, 5000, 0}, {8192, 5000, 0}, {9000, 5000, 0}},
     {5000, 8192, 9000}},
};

} // namespace

TEST(SheetLineEstimate, FollowsTheRangeOrTheBytes)
{
    for (const EstimateCase& c : kCases) {
        SCOPED_TRACE(c.name);
        SheetLineEstimate estimate;
        std::vector<std::uint64_t> counts;
        for (const SheetLineEstimate::Reading& reading : c.readings) {
            counts.push_back(estimate.take(reading));
            EXPECT_EQ(estimate.count(), counts.back());
            EXPECT_GE(counts.back(), reading.lines);
        }
        EXPECT_EQ(counts, c.counts);
    }
}
