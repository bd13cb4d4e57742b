#include "EngineTestSupport.h"
#include "core/engine/FieldAccess.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <optional>
#include <random>
#include <string>

using mervalon::engine::readDecimal;
using mervalon::engine::readInteger;
using mervalon::engine::takeField;
using mervalon::engine::TakenField;
using mervalon::enginetest::rowsOf;
using Status = TakenField::Status;

TEST(TakeField, PrefixAndColumnCases)
{
    const auto rows = rowsOf({{"P102", "102", "1P02", "PP", "x"}});
    const auto row = rows.row(0);
    const struct {
        int column;
        const char* prefix;
        Status status;
        const char* value;
        const char* asRead;
    } cases[] = {
        {1, "P", Status::Found, "102", "P102"},    {2, "P", Status::PrefixMissing, "", ""},
        {3, "P", Status::Found, "P02", "1P02"}, // the prefix may stand anywhere; its length is cut off the front
        {4, "PP", Status::Found, "", "PP"},        {2, "", Status::Found, "102", "102"},
        {5, "", Status::Found, "x", "x"},          {0, "", Status::FieldMissing, "", ""},
        {-1, "", Status::FieldMissing, "", ""},    {6, "", Status::FieldMissing, "", ""},
        {6, "P", Status::FieldMissing, "", ""},  // a missing field is missing, not a missing prefix
        {1, "p", Status::PrefixMissing, "", ""}, // prefixes are case-sensitive
        {5, "xyz", Status::PrefixMissing, "", ""},
    };
    for (const auto& c : cases) {
        const TakenField taken = takeField(row, c.column, c.prefix);
        EXPECT_EQ(taken.status, c.status) << "column " << c.column << " prefix " << c.prefix;
        if (c.status == Status::Found) {
            EXPECT_EQ(taken.value, c.value) << "column " << c.column;
            EXPECT_EQ(taken.asRead, c.asRead) << "column " << c.column;
        }
    }
}

TEST(TakeField, PlaceholderLineHasOnlyItsOneField)
{
    mervalon::engine::FieldRows rows;
    rows.addEmptyRow();
    EXPECT_TRUE(rows.row(0).isEmptyLine());
    EXPECT_EQ(takeField(rows.row(0), 2, "").status, Status::FieldMissing);
}

TEST(ReadDecimal, Accepted)
{
    const struct {
        const char* text;
        double value;
    } cases[] = {
        {"0", 0.0},
        {"12", 12.0},
        {"1000.500", 1000.5},
        {"-12.25", -12.25},
        {"+3", 3.0},
        {"1e5", 100000.0},
        {"1E5", 100000.0},
        {"2.5e-3", 0.0025},
        {"2.5E+3", 2500.0},
        {" 12.5 ", 12.5},
        {"\t7\t", 7.0},
        {"-.5", -0.5},
        {".5", 0.5},
        {"5.", 5.0},
        {"00012", 12.0},
        {"1e308", 1e308},
        {"123456789012.345", 123456789012.345},
    };
    for (const auto& c : cases) {
        const auto value = readDecimal(c.text);
        ASSERT_TRUE(value.has_value()) << "\"" << c.text << "\"";
        EXPECT_DOUBLE_EQ(*value, c.value) << "\"" << c.text << "\"";
    }
}

TEST(ReadDecimal, Rejected)
{
    const char* const cases[] = {
        "1000,5", ".",       "+", "-", "1e",    "1e+",    "e5",  "inf", "-inf",  "nan", "NaN", "infinity", "0x10",
        "1 000",  "1,000.5", "",  " ", "1e999", "-1e999", "12a", "a12", "1.2.3", "--1", "+-1", "1e5.5",    "１２",
    };
    for (const char* text : cases) {
        EXPECT_FALSE(readDecimal(text).has_value()) << "\"" << text << "\"";
    }
}

TEST(ReadDecimal, NegativeZeroAndTinyValuesAreNumbers)
{
    ASSERT_TRUE(readDecimal("-0").has_value());
    EXPECT_EQ(*readDecimal("-0"), 0.0);
    EXPECT_TRUE(std::signbit(*readDecimal("-0.000"))); // as the general route reads it
    // Underflow towards zero is still a number a surveyor could type; it must not be refused
    // as if it were text.
    const auto tiny = readDecimal("1e-320");
    ASSERT_TRUE(tiny.has_value());
    EXPECT_GE(*tiny, 0.0);
    EXPECT_LT(*tiny, 1e-300);
}

// Short plain numbers take a quicker route than the general one; both must give the very same
// double, bit for bit, across the digit counts, decimals and leading zeros around its limits.
TEST(ReadDecimal, EveryNumberReadsAsTheGeneralRouteReadsIt)
{
    std::mt19937_64 random(4096);
    for (int round = 0; round < 200000; ++round) {
        std::string text = random() % 4 == 0 ? "-" : (random() % 8 == 0 ? "+" : "");
        text += std::string(random() % 8 == 0 ? random() % 4 : 0, '0');
        const int digits = 1 + static_cast<int>(random() % 19);
        const int point = static_cast<int>(random() % (digits + 2)) - 1; // -1: none
        for (int i = 0; i < digits; ++i) {
            if (i == point) {
                text += '.';
            }
            text += static_cast<char>('0' + random() % 10);
        }
        if (random() % 16 == 0) {
            text += "e" + std::to_string(static_cast<int>(random() % 40) - 20);
        }
        double expected = 0;
        const char* begin = text.data() + (text[0] == '+' ? 1 : 0);
        std::from_chars(begin, text.data() + text.size(), expected);
        const auto value = readDecimal(text);
        ASSERT_TRUE(value.has_value()) << text;
        ASSERT_EQ(std::bit_cast<std::uint64_t>(*value), std::bit_cast<std::uint64_t>(expected)) << text;
    }
}

TEST(ReadInteger, Cases)
{
    EXPECT_EQ(readInteger("12"), 12);
    EXPECT_EQ(readInteger("-12"), -12);
    EXPECT_EQ(readInteger("+12"), 12);
    EXPECT_EQ(readInteger("9223372036854775807"), 9223372036854775807LL);
    EXPECT_FALSE(readInteger("9223372036854775808").has_value());
    EXPECT_FALSE(readInteger("A12").has_value());
    EXPECT_FALSE(readInteger("12.0").has_value());
    EXPECT_FALSE(readInteger("").has_value());
    EXPECT_FALSE(readInteger("+").has_value());
    EXPECT_FALSE(readInteger("+-1").has_value());
}
