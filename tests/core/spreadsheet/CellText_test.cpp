#include "core/spreadsheet/CellText.h"

#include <gtest/gtest.h>
#include <limits>

namespace mervalon::spreadsheet {
namespace {

struct NumberCase {
    double value;
    const char* text;
};

TEST(CellTextTest, NumbersTakeTheirShortestTextOfAtMostFifteenDigits)
{
    const NumberCase cases[] = {
        {1000.5, "1000.5"},
        {3, "3"},
        {0.1 + 0.2, "0.3"},
        {-12345678.125, "-12345678.125"},
        {123456789012345.0, "123456789012345"},
        {1234567890123456.0, "1.23456789012346e+15"},
        {1.0 / 3.0, "0.333333333333333"},
        {1e-7, "1e-07"},
        {-0.0, "0"},
        {2000.25, "2000.25"},
        {std::numeric_limits<double>::quiet_NaN(), "#NUM!"},
        {std::numeric_limits<double>::infinity(), "#NUM!"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(numberText(c.value), c.text) << c.text;
    }
}

struct DateCase {
    double serial;
    bool system1904;
    const char* text;
};

TEST(CellTextTest, DateSerialsBecomeIsoTexts)
{
    const DateCase cases[] = {
        {1, false, "1900-01-01"},
        {59, false, "1900-02-28"},
        {60, false, "1900-02-29"}, // the day Excel believes in
        {61, false, "1900-03-01"},
        {45366, false, "2024-03-15"},
        {45366.5729166667, false, "2024-03-15 13:45:00"},
        {0.25, false, "06:00:00"},
        {2958465, false, "9999-12-31"},
        {1, true, "1904-01-02"},
        {43904, true, "2024-03-15"},
    };
    for (const auto& c : cases) {
        const auto text = dateText(c.serial, c.system1904);
        ASSERT_TRUE(text.has_value()) << c.text;
        EXPECT_EQ(*text, c.text);
    }
    EXPECT_FALSE(dateText(-1, false).has_value());
    EXPECT_FALSE(dateText(2958466, false).has_value());
    EXPECT_FALSE(dateText(std::numeric_limits<double>::quiet_NaN(), false).has_value());
}

TEST(CellTextTest, DateFormatsAreRecognisedByIndexOrCode)
{
    EXPECT_TRUE(isDateFormat(14, ""));
    EXPECT_TRUE(isDateFormat(22, ""));
    EXPECT_TRUE(isDateFormat(46, ""));
    EXPECT_FALSE(isDateFormat(0, "General"));
    EXPECT_FALSE(isDateFormat(2, ""));
    EXPECT_TRUE(isDateFormat(164, "YYYY-MM-DD"));
    EXPECT_TRUE(isDateFormat(164, "dd/mm/yyyy hh:mm:ss"));
    EXPECT_TRUE(isDateFormat(164, "[h]:mm"));
    EXPECT_TRUE(isDateFormat(164, "[$-409]d-mmm"));
    EXPECT_FALSE(isDateFormat(164, "#,##0.00 \"m\""));
    EXPECT_FALSE(isDateFormat(164, "0.00\\m"));
    EXPECT_FALSE(isDateFormat(164, "[Red]0.00"));
    EXPECT_FALSE(isDateFormat(164, "0.00E+00"));
    EXPECT_FALSE(isDateFormat(164, "General"));
}

} // namespace
} // namespace mervalon::spreadsheet
