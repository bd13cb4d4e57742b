#include "core/engine/NumberFormat.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

using mervalon::engine::formatFixed;
using mervalon::engine::formatFixedSignificant;
using mervalon::engine::formatGeneral;
using mervalon::engine::formatSci23;

struct FixedCase {
    double value;
    int decimals;
    const char* expected;
};

class FixedNotation : public testing::TestWithParam<FixedCase> {};

TEST_P(FixedNotation, writesTheRoundedValueWithExactlyTheDecimalsAsked)
{
    const FixedCase& c = GetParam();
    EXPECT_EQ(formatFixed(c.value, c.decimals), c.expected) << "value " << c.value << ", decimals " << c.decimals;
}

INSTANTIATE_TEST_SUITE_P(
    Examples, FixedNotation,
    testing::Values(FixedCase{1001.5, 14, "1001.50000000000000"}, FixedCase{-12.3456, 2, "-12.35"},
                    FixedCase{1000.4, 0, "1000"}, FixedCase{1000.0, 2, "1000.00"}, FixedCase{15.25, 2, "15.25"},
                    FixedCase{2000.0, 2, "2000.00"}, FixedCase{0.0, 0, "0"}, FixedCase{0.0, 3, "0.000"},
                    FixedCase{-0.0, 2, "0.00"}, FixedCase{-0.001, 2, "0.00"}, FixedCase{-0.005, 2, "-0.01"},
                    FixedCase{0.004, 2, "0.00"}, FixedCase{0.5, 0, "1"}, FixedCase{-0.5, 0, "-1"},
                    FixedCase{0.49, 0, "0"}, FixedCase{9.995, 2, "10.00"}, FixedCase{99.5, 0, "100"},
                    // Stored as 2.67499999999999982236431605997495353221893310546875: the 15-digit
                    // value is 2.67500000000000, which rounds up.
                    FixedCase{2.675, 2, "2.68"}, FixedCase{1.005, 2, "1.01"}, FixedCase{512345.678, 3, "512345.678"},
                    FixedCase{512345.678, 14, "512345.67800000000000"}, FixedCase{6712345.678, 5, "6712345.67800"},
                    FixedCase{123.456, 1, "123.5"}, FixedCase{0.1, 14, "0.10000000000000"},
                    FixedCase{1.0 / 3.0, 14, "0.33333333333333"}, FixedCase{2.0 / 3.0, 5, "0.66667"},
                    FixedCase{1e-7, 14, "0.00000010000000"}, FixedCase{1.234e-20, 14, "0.00000000000000"},
                    FixedCase{123456789012345678.0, 0, "123456789012346000"},
                    FixedCase{1e20, 2, "100000000000000000000.00"}, FixedCase{9.99999999999999999, 2, "10.00"},
                    FixedCase{99999999999999.99, 1, "100000000000000.0"},
                    FixedCase{1234567.891234567891, 14, "1234567.89123457000000"},
                    FixedCase{-1234567.891234567891, 3, "-1234567.891"}));

TEST(FixedNotation, nonFiniteValuesAreWrittenAsWords)
{
    EXPECT_EQ(formatFixed(std::numeric_limits<double>::quiet_NaN(), 2), "nan");
    EXPECT_EQ(formatFixed(std::numeric_limits<double>::infinity(), 2), "inf");
    EXPECT_EQ(formatFixed(-std::numeric_limits<double>::infinity(), 0), "-inf");
}

TEST(FixedNotation, decimalsOutsideTheRangeAreClamped)
{
    EXPECT_EQ(formatFixed(12.5, -3), "13");
    EXPECT_EQ(formatFixed(1.5, 1000).size(), std::string("1.").size() + 340);
    EXPECT_EQ(formatFixed(std::numeric_limits<double>::max(), 340).size(), 309u + 1 + 340);
}

TEST(FixedNotation, appendKeepsWhatTheStringHeld)
{
    std::string out = "X=";
    mervalon::engine::appendFixed(out, 1.25, 1);
    out += ';';
    mervalon::engine::appendSci23(out, 1.0);
    out += ';';
    mervalon::engine::appendGeneral(out, 2.5);
    EXPECT_EQ(out, "X=1.3; 1.00000000000000E+0000;2.5");
}

TEST(FixedSignificant, roundsToTheGivenSignificantDigitsFirst)
{
    EXPECT_EQ(formatFixedSignificant(2.5, 3, 14), "2.500");
    EXPECT_EQ(formatFixedSignificant(-100.0, 3, 14), "-100.000");
    EXPECT_EQ(formatFixedSignificant(123456789012.34567, 3, 14), "123456789012.350");
    EXPECT_EQ(formatFixedSignificant(123456789012.34567, 3, 15), "123456789012.346");
    EXPECT_EQ(formatFixedSignificant(1234.5678, 2, 3), "1230.00");
    EXPECT_EQ(formatFixedSignificant(0.0, 3, 14), "0.000");
    EXPECT_EQ(formatFixedSignificant(-0.0004, 3, 14), "0.000");
}

struct TextCase {
    double value;
    const char* expected;
};

class Sci23Notation : public testing::TestWithParam<TextCase> {};

TEST_P(Sci23Notation, writesTwentyThreeCharacters)
{
    const TextCase& c = GetParam();
    const std::string text = formatSci23(c.value);
    EXPECT_EQ(text, c.expected) << "value " << c.value;
    EXPECT_EQ(text.size(), 23u);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, Sci23Notation,
    testing::Values(TextCase{2000.0, " 2.00000000000000E+0003"}, TextCase{-0.5, "-5.00000000000000E-0001"},
                    TextCase{0.0, " 0.00000000000000E+0000"}, TextCase{-0.0, " 0.00000000000000E+0000"},
                    TextCase{-1234.5, "-1.23450000000000E+0003"}, TextCase{1999.4, " 1.99940000000000E+0003"},
                    TextCase{1998.8, " 1.99880000000000E+0003"}, TextCase{2000.0 - 0.6, " 1.99940000000000E+0003"},
                    TextCase{2000.0 - 0.6 - 0.6, " 1.99880000000000E+0003"},
                    TextCase{6712345.678, " 6.71234567800000E+0006"}, TextCase{1.0, " 1.00000000000000E+0000"},
                    TextCase{9.99999999999999999, " 1.00000000000000E+0001"},
                    TextCase{999999999999999.6, " 1.00000000000000E+0015"}, TextCase{0.1, " 1.00000000000000E-0001"},
                    TextCase{1.0 / 3.0, " 3.33333333333333E-0001"}, TextCase{1e300, " 1.00000000000000E+0300"},
                    TextCase{-2.5e-300, "-2.50000000000000E-0300"}, TextCase{5e-324, " 4.94065645841247E-0324"},
                    TextCase{1.7976931348623157e308, " 1.79769313486232E+0308"}));

class GeneralNotation : public testing::TestWithParam<TextCase> {};

TEST_P(GeneralNotation, writesTheShortestText)
{
    const TextCase& c = GetParam();
    EXPECT_EQ(formatGeneral(c.value), c.expected) << "value " << c.value;
}

INSTANTIATE_TEST_SUITE_P(
    Examples, GeneralNotation,
    testing::Values(TextCase{1010.5, "1010.5"}, TextCase{1010.0, "1010"}, TextCase{0.0, "0"}, TextCase{-0.0, "0"},
                    TextCase{-1010.5, "-1010.5"}, TextCase{0.5, "0.5"}, TextCase{100.5, "100.5"},
                    TextCase{1000.5 + 0.0, "1000.5"}, TextCase{0.1 + 0.2, "0.3"},
                    TextCase{1.0 / 3.0, "0.333333333333333"}, TextCase{512345.678 + 0.25, "512345.928"},
                    TextCase{9.99999999999999999, "10"}, TextCase{99999.99999999999, "100000"},
                    TextCase{123456789012345.0, "123456789012345"}, TextCase{999999999999999.0, "999999999999999"},
                    TextCase{999999999999999.6, "1E+15"}, TextCase{1e15, "1E+15"}, TextCase{1.5e15, "1.5E+15"},
                    TextCase{-1.5e15, "-1.5E+15"}, TextCase{1234567890123456789.0, "1.23456789012346E+18"},
                    TextCase{1e300, "1E+300"}, TextCase{0.00001, "0.00001"}, TextCase{0.000012345, "0.000012345"},
                    TextCase{0.0000099999999999999999, "0.00001"}, TextCase{0.000009, "9E-06"},
                    TextCase{-2.5e-6, "-2.5E-06"}, TextCase{1.23456789e-20, "1.23456789E-20"},
                    TextCase{5e-324, "4.94065645841247E-324"}));

TEST(GeneralNotation, nonFiniteValuesAreWrittenAsWords)
{
    EXPECT_EQ(formatGeneral(std::numeric_limits<double>::quiet_NaN()), "nan");
    EXPECT_EQ(formatSci23(-std::numeric_limits<double>::infinity()), "-inf");
}

// ---------------------------------------------------------------------------------------
// Comparison with a plain reference built on the C library's "%.14e", which is correctly
// rounded. The reference is slow and obvious; the production code must agree byte for byte.

struct ReferenceDigits {
    std::string digits; // significant digits, as many as asked
    int exponent = 0;   // decimal exponent of the first digit
    bool zero = false;
};

ReferenceDigits referenceDigits(double magnitude, int significant)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*e", significant - 1, magnitude);
    ReferenceDigits result;
    const char* p = text;
    for (; *p != 'e'; ++p) {
        if (*p != '.') {
            result.digits += *p;
        }
    }
    result.exponent = std::atoi(p + 1);
    result.zero = result.digits.find_first_not_of('0') == std::string::npos;
    return result;
}

std::string referenceFixed(const ReferenceDigits& r, bool negative, int decimals)
{
    // Place the digits around the point as plain text.
    const int pointPosition = r.zero ? 1 : r.exponent + 1;
    std::string integerPart;
    std::string fraction;
    if (pointPosition <= 0) {
        integerPart = "0";
        fraction = std::string(static_cast<std::size_t>(-pointPosition), '0') + r.digits;
    } else if (pointPosition >= static_cast<int>(r.digits.size())) {
        integerPart = r.digits + std::string(static_cast<std::size_t>(pointPosition) - r.digits.size(), '0');
    } else {
        integerPart = r.digits.substr(0, static_cast<std::size_t>(pointPosition));
        fraction = r.digits.substr(static_cast<std::size_t>(pointPosition));
    }
    if (fraction.size() < static_cast<std::size_t>(decimals) + 1) {
        fraction.resize(static_cast<std::size_t>(decimals) + 1, '0');
    }
    const bool roundUp = fraction[static_cast<std::size_t>(decimals)] >= '5';
    std::string number = integerPart + fraction.substr(0, static_cast<std::size_t>(decimals));
    if (roundUp) {
        std::size_t i = number.size();
        while (i > 0 && number[i - 1] == '9') {
            number[--i] = '0';
        }
        if (i == 0) {
            number.insert(number.begin(), '1');
        } else {
            ++number[i - 1];
        }
    }
    while (number.size() > static_cast<std::size_t>(decimals) + 1 && number[0] == '0') {
        number.erase(0, 1);
    }
    const bool allZero = number.find_first_not_of('0') == std::string::npos;
    std::string text = (negative && !allZero) ? "-" : "";
    text += number.substr(0, number.size() - static_cast<std::size_t>(decimals));
    if (decimals > 0) {
        text += '.';
        text += number.substr(number.size() - static_cast<std::size_t>(decimals));
    }
    return text;
}

std::string referenceFixed(double value, int decimals, int significant = 15)
{
    return referenceFixed(referenceDigits(std::fabs(value), significant), std::signbit(value), decimals);
}

std::string referenceSci23(const ReferenceDigits& r, bool negative)
{
    char text[64];
    std::snprintf(text, sizeof text, "%c%c.%sE%c%04d", (negative && !r.zero) ? '-' : ' ', r.digits[0],
                  r.digits.substr(1).c_str(), r.exponent < 0 ? '-' : '+', std::abs(r.exponent));
    return text;
}

std::string referenceGeneral(ReferenceDigits r, bool negative)
{
    if (r.zero) {
        return "0";
    }
    while (r.digits.size() > 1 && r.digits.back() == '0') {
        r.digits.pop_back();
    }
    const std::string sign = negative ? "-" : "";
    if (r.exponent < -5 || r.exponent >= 15) {
        char exponent[16];
        std::snprintf(exponent, sizeof exponent, "E%c%02d", r.exponent < 0 ? '-' : '+', std::abs(r.exponent));
        const std::string rest = r.digits.size() > 1 ? "." + r.digits.substr(1) : "";
        return sign + r.digits[0] + rest + exponent;
    }
    const int decimals = std::max(0, static_cast<int>(r.digits.size()) - 1 - r.exponent);
    return sign + referenceFixed(r, false, decimals);
}

/// Values of every kind the formatter meets, and those where rounding is delicate.
class ValueSource {
  public:
    double next()
    {
        const double sign = (m_random() & 1) != 0 ? -1.0 : 1.0;
        switch (m_random() % 9) {
        case 0: // any magnitude from 1e-9 to 1e18
            return sign * std::pow(10.0, uniform(-9.0, 18.0));
        case 1: // whole numbers
            return sign * static_cast<double>(m_random() % 1'000'000'000'000ULL);
        case 2: { // survey coordinates with a few decimals: 512345.678
            const int decimals = static_cast<int>(m_random() % 6);
            const auto units = static_cast<double>(m_random() % 10'000'000'000ULL);
            return sign * units / std::pow(10.0, decimals);
        }
        case 3: { // exact binary ties at the sixteenth digit: 15 digits + .5, 14 + .25, 13 + .125
            const int fractionBits = 1 + static_cast<int>(m_random() % 3);
            const std::uint64_t low = 100'000'000'000'000ULL / (fractionBits == 1 ? 1 : (fractionBits == 2 ? 10 : 100));
            const auto whole = static_cast<double>(low + m_random() % (low * 9));
            const double part = static_cast<double>(1 + 2 * (m_random() % (1ULL << (fractionBits - 1)))) /
                                static_cast<double>(1ULL << fractionBits);
            return sign * (whole + part) / std::pow(2.0, static_cast<double>(m_random() % 4));
        }
        case 4: { // next to a power of ten
            const double power = std::pow(10.0, static_cast<double>(static_cast<int>(m_random() % 28) - 9));
            double value = power;
            const int steps = static_cast<int>(m_random() % 8);
            const double direction = (m_random() & 1) != 0 ? 0.0 : 1e300;
            for (int i = 0; i < steps; ++i) {
                value = std::nextafter(value, direction);
            }
            return sign * value;
        }
        case 5: { // 9.99999999999999x, carrying into the next power of ten or not
            const double power = std::pow(10.0, static_cast<double>(static_cast<int>(m_random() % 28) - 9));
            return sign * power * (1.0 - uniform(0.0, 2e-15));
        }
        case 6: { // exactly representable decimal-ish values near the 15th digit: k.5 / 2^n
            const auto whole = static_cast<double>(m_random() % 2'000'000'000'000'000ULL);
            return sign * (whole + 0.5) / std::pow(2.0, static_cast<double>(m_random() % 8));
        }
        case 7: { // any finite bit pattern, subnormals included
            double value = 0;
            do {
                value = std::bit_cast<double>(m_random());
            } while (!std::isfinite(value));
            return value;
        }
        default: // sums as the converter makes them: coordinate + offset
            return sign * (std::round(uniform(0.0, 1e7) * 1000.0) / 1000.0 + uniform(0.0, 10.0));
        }
    }

  private:
    double uniform(double low, double high) { return std::uniform_real_distribution<double>(low, high)(m_random); }

    std::mt19937_64 m_random{20240611};
};

#ifdef NDEBUG
constexpr int kComparedValues = 2'000'000;
#else
constexpr int kComparedValues = 1'000'000;
#endif

namespace {

// fixed(v, d) written in place, in room of exactly the largest size it may take.
std::string writtenFixed(double value, int decimals)
{
    std::vector<char> room(mervalon::engine::fixedMaxLength(decimals));
    const char* end = mervalon::engine::writeFixed(room.data(), value, decimals);
    return std::string(room.data(), static_cast<std::size_t>(end - room.data()));
}

} // namespace

TEST(FixedWrittenInPlace, TheExtremesFitTheirRoom)
{
    const double largest = std::numeric_limits<double>::max();
    for (const double value : {largest, -largest, std::numeric_limits<double>::denorm_min(), -0.0,
                               std::numeric_limits<double>::quiet_NaN(), -std::numeric_limits<double>::infinity()}) {
        for (const int decimals : {-3, 0, 3, 14, 340, 400}) {
            EXPECT_EQ(writtenFixed(value, decimals), formatFixed(value, decimals)) << value << " d=" << decimals;
        }
    }
}

TEST(NumberFormatReference, agreesWithTheReferenceOnAMillionValues)
{
    constexpr std::array<int, 7> decimalCounts{0, 1, 2, 3, 4, 5, 14};
    ValueSource source;
    int failures = 0;
    std::string text;
    text.reserve(1024);
    for (int i = 0; i < kComparedValues && failures < 20; ++i) {
        const double value = source.next();
        const ReferenceDigits digits = referenceDigits(std::fabs(value), 15);
        const bool negative = std::signbit(value);
        const int decimals = decimalCounts[static_cast<std::size_t>(i) % decimalCounts.size()];
        text.clear();
        mervalon::engine::appendFixed(text, value, decimals);
        if (text != referenceFixed(digits, negative, decimals)) {
            ADD_FAILURE() << "fixed " << std::hexfloat << value << " d=" << decimals << ": " << text << " vs "
                          << referenceFixed(digits, negative, decimals);
            ++failures;
        }
        if (writtenFixed(value, decimals) != text) {
            ADD_FAILURE() << "fixed written in place " << std::hexfloat << value << " d=" << decimals << ": "
                          << writtenFixed(value, decimals) << " vs " << text;
            ++failures;
        }
        text.clear();
        mervalon::engine::appendSci23(text, value);
        if (text != referenceSci23(digits, negative)) {
            ADD_FAILURE() << "sci23 " << std::hexfloat << value << ": " << text << " vs "
                          << referenceSci23(digits, negative);
            ++failures;
        }
        text.clear();
        mervalon::engine::appendGeneral(text, value);
        if (text != referenceGeneral(digits, negative)) {
            ADD_FAILURE() << "general " << std::hexfloat << value << ": " << text << " vs "
                          << referenceGeneral(digits, negative);
            ++failures;
        }
    }
}

TEST(NumberFormatReference, everyDecimalCountAgreesOnDelicateValues)
{
    const std::vector<double> values{0.0,   -0.0,     0.5,        -0.5,        0.05,         0.045,    1.005,
                                     2.675, 9.995,    99.995,     999999.9995, 1e15 - 0.5,   1e15 - 1, 0.000015,
                                     1e-5,  1.25e-10, 123456.789, 6712345.678, -512345.6785, 1e22,     1e23};
    for (const double value : values) {
        for (int decimals = 0; decimals <= 20; ++decimals) {
            EXPECT_EQ(formatFixed(value, decimals), referenceFixed(value, decimals))
                << std::hexfloat << value << " d=" << decimals;
        }
        for (int significant = 1; significant <= 17; ++significant) {
            EXPECT_EQ(formatFixedSignificant(value, 3, significant), referenceFixed(value, 3, significant))
                << std::hexfloat << value << " s=" << significant;
        }
    }
}

} // namespace
