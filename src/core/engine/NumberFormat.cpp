#include "core/engine/NumberFormat.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace mervalon::engine {
namespace {

constexpr int kDrawingDigits = 15;
constexpr int kMaxSignificantDigits = 17;

constexpr std::array<std::uint64_t, 20> kPow10Int = {
    1ULL,
    10ULL,
    100ULL,
    1'000ULL,
    10'000ULL,
    100'000ULL,
    1'000'000ULL,
    10'000'000ULL,
    100'000'000ULL,
    1'000'000'000ULL,
    10'000'000'000ULL,
    100'000'000'000ULL,
    1'000'000'000'000ULL,
    10'000'000'000'000ULL,
    100'000'000'000'000ULL,
    1'000'000'000'000'000ULL,
    10'000'000'000'000'000ULL,
    100'000'000'000'000'000ULL,
    1'000'000'000'000'000'000ULL,
    10'000'000'000'000'000'000ULL,
};

// Every power of ten up to 1e22 is exact in a double, so a product with one of them is
// off by at most half an ulp, and fma recovers that error exactly.
constexpr std::array<double, 23> kPow10Double = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                 1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                                 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

constexpr char kDigitPairs[] = "00010203040506070809"
                               "10111213141516171819"
                               "20212223242526272829"
                               "30313233343536373839"
                               "40414243444546474849"
                               "50515253545556575859"
                               "60616263646566676869"
                               "70717273747576777879"
                               "80818283848586878889"
                               "90919293949596979899";

/// A finite magnitude rounded to a number of significant digits: mantissa holds exactly
/// that many digits (or is 0 for zero) and exponent is the decimal exponent of its first
/// digit, so the value is mantissa * 10^(exponent - digits + 1).
struct RoundedDecimal {
    std::uint64_t mantissa = 0;
    int exponent = 0;
};

int countDigits(std::uint64_t value)
{
    int count = 1;
    while (count < 20 && value >= kPow10Int[static_cast<std::size_t>(count)]) {
        ++count;
    }
    return count;
}

/// Writes the decimal digits of value, exactly `count` of them (leading zeros if needed).
void writeDigits(char* first, int count, std::uint64_t value)
{
    char* p = first + count;
    while (p - first >= 2) {
        const auto pair = static_cast<std::size_t>(value % 100) * 2;
        value /= 100;
        p -= 2;
        p[0] = kDigitPairs[pair];
        p[1] = kDigitPairs[pair + 1];
    }
    if (p != first) {
        *--p = static_cast<char>('0' + value % 10);
    }
}

/// The correctly rounded route for every magnitude: to_chars is exact and locale-free.
RoundedDecimal roundGeneric(double magnitude, int digits)
{
    char text[64];
    const auto result =
        std::to_chars(text, text + sizeof text, magnitude, std::chars_format::scientific, digits - 1);
    RoundedDecimal rounded;
    const char* p = text;
    for (; p < result.ptr && *p != 'e'; ++p) {
        if (*p != '.') {
            rounded.mantissa = rounded.mantissa * 10 + static_cast<std::uint64_t>(*p - '0');
        }
    }
    ++p; // 'e'
    const bool negativeExponent = p < result.ptr && *p == '-';
    ++p; // exponent sign
    int exponent = 0;
    for (; p < result.ptr; ++p) {
        exponent = exponent * 10 + (*p - '0');
    }
    rounded.exponent = negativeExponent ? -exponent : exponent;
    return rounded;
}

/// The hot route for 15 digits and magnitudes from 1e-8 to below 1e15, which covers every
/// coordinate: scale by an exact power of ten, and decide the rounding from the exact
/// product (the rounded product plus its fma residue). Returns false when the value lies
/// outside that range; the caller then takes the generic route.
bool roundFast(double magnitude, RoundedDecimal& rounded)
{
    if (!(magnitude >= 1e-8 && magnitude < 1e15)) {
        return false;
    }
    const int binaryExponent = static_cast<int>((std::bit_cast<std::uint64_t>(magnitude) >> 52) & 0x7ff) - 1023;
    // floor(binaryExponent * log10(2)): never above the true decimal exponent, at most one below.
    int exponent = (binaryExponent * 78913) >> 18;
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int scalePower = kDrawingDigits - 1 - exponent;
        if (scalePower < 0 || scalePower > 22) {
            return false;
        }
        const double scale = kPow10Double[static_cast<std::size_t>(scalePower)];
        const double product = magnitude * scale;
        const double residue = std::fma(magnitude, scale, -product);
        auto mantissa = static_cast<std::uint64_t>(product);
        const double fraction = product - static_cast<double>(mantissa);
        // fraction - 0.5 is exact; the sign of a rounded sum is the sign of the exact sum.
        const double aboveHalf = (fraction - 0.5) + residue;
        if (aboveHalf > 0 || (aboveHalf == 0 && (mantissa & 1) != 0)) {
            ++mantissa;
        }
        if (mantissa < kPow10Int[kDrawingDigits - 1]) {
            return false;
        }
        if (mantissa == kPow10Int[kDrawingDigits]) {
            // 999999999999999.5 and the like carry into the next power of ten.
            rounded = {kPow10Int[kDrawingDigits - 1], exponent + 1};
            return true;
        }
        if (mantissa < kPow10Int[kDrawingDigits]) {
            rounded = {mantissa, exponent};
            return true;
        }
        ++exponent;
    }
    return false;
}

RoundedDecimal roundSignificant(double magnitude, int digits)
{
    if (magnitude == 0) {
        return {};
    }
    RoundedDecimal rounded;
    if (digits == kDrawingDigits && roundFast(magnitude, rounded)) {
        return rounded;
    }
    return roundGeneric(magnitude, digits);
}

bool appendNonFinite(std::string& out, double value)
{
    if (std::isnan(value)) {
        out += "nan";
        return true;
    }
    if (std::isinf(value)) {
        out += value < 0 ? "-inf" : "inf";
        return true;
    }
    return false;
}

void appendFixedRounded(std::string& out, bool negative, RoundedDecimal rounded, int digits, int decimals)
{
    decimals = std::clamp(decimals, 0, kMaxFixedDecimals);
    // The rounded value is mantissa * 10^-mantissaDecimals.
    const int mantissaDecimals = digits - 1 - rounded.exponent;
    std::uint64_t shown = rounded.mantissa;
    int trailingZeros = 0;
    if (rounded.mantissa == 0) {
        shown = 0;
    } else if (decimals < mantissaDecimals) {
        const int dropped = mantissaDecimals - decimals;
        if (dropped > digits) {
            shown = 0; // below half a unit of the last decimal
        } else {
            const std::uint64_t divisor = kPow10Int[static_cast<std::size_t>(dropped)];
            shown = (rounded.mantissa + divisor / 2) / divisor; // half away from zero
        }
    } else {
        trailingZeros = decimals - mantissaDecimals;
    }

    // The digit string: leading zeros so that one digit stands before the point, the
    // digits of `shown`, then the zeros beyond the significant digits.
    constexpr int kCapacity = 20 + 310 + kMaxFixedDecimals + 2;
    char text[kCapacity];
    const int shownDigits = shown == 0 ? 0 : countDigits(shown);
    const int length = shownDigits + trailingZeros;
    const int leadingZeros = std::max(0, decimals + 1 - length);
    char* p = text;
    if (negative && shown != 0) {
        *p++ = '-';
    }
    std::memset(p, '0', static_cast<std::size_t>(leadingZeros));
    p += leadingZeros;
    writeDigits(p, shownDigits, shown);
    p += shownDigits;
    std::memset(p, '0', static_cast<std::size_t>(trailingZeros));
    p += trailingZeros;
    if (decimals > 0) {
        // Open a gap for the point before the last `decimals` digits.
        char* point = p - decimals;
        std::memmove(point + 1, point, static_cast<std::size_t>(decimals));
        *point = '.';
        ++p;
    }
    out.append(text, static_cast<std::size_t>(p - text));
}

void appendFixedDigits(std::string& out, double value, int decimals, int digits)
{
    if (appendNonFinite(out, value)) {
        return;
    }
    appendFixedRounded(out, std::signbit(value), roundSignificant(std::fabs(value), digits), digits, decimals);
}

/// Writes "E", the sign and the exponent with at least minDigits digits.
char* writeExponent(char* p, int exponent, int minDigits)
{
    *p++ = 'E';
    *p++ = exponent < 0 ? '-' : '+';
    const auto magnitude = static_cast<std::uint64_t>(exponent < 0 ? -exponent : exponent);
    const int count = std::max(minDigits, countDigits(magnitude));
    writeDigits(p, count, magnitude);
    return p + count;
}

} // namespace

void appendFixed(std::string& out, double value, int decimals)
{
    appendFixedDigits(out, value, decimals, kDrawingDigits);
}

std::string formatFixed(double value, int decimals)
{
    std::string out;
    appendFixed(out, value, decimals);
    return out;
}

void appendFixedSignificant(std::string& out, double value, int decimals, int significantDigits)
{
    appendFixedDigits(out, value, decimals, std::clamp(significantDigits, 1, kMaxSignificantDigits));
}

std::string formatFixedSignificant(double value, int decimals, int significantDigits)
{
    std::string out;
    appendFixedSignificant(out, value, decimals, significantDigits);
    return out;
}

void appendSci23(std::string& out, double value)
{
    if (appendNonFinite(out, value)) {
        return;
    }
    const RoundedDecimal rounded = roundSignificant(std::fabs(value), kDrawingDigits);
    char text[24];
    char digits[kDrawingDigits];
    writeDigits(digits, kDrawingDigits, rounded.mantissa);
    char* p = text;
    *p++ = std::signbit(value) && rounded.mantissa != 0 ? '-' : ' ';
    *p++ = digits[0];
    *p++ = '.';
    std::memcpy(p, digits + 1, kDrawingDigits - 1);
    p += kDrawingDigits - 1;
    p = writeExponent(p, rounded.exponent, 4);
    out.append(text, static_cast<std::size_t>(p - text));
}

std::string formatSci23(double value)
{
    std::string out;
    appendSci23(out, value);
    return out;
}

void appendGeneral(std::string& out, double value)
{
    if (appendNonFinite(out, value)) {
        return;
    }
    RoundedDecimal rounded = roundSignificant(std::fabs(value), kDrawingDigits);
    if (rounded.mantissa == 0) {
        out += '0';
        return;
    }
    int significant = kDrawingDigits;
    while (rounded.mantissa % 10 == 0) {
        rounded.mantissa /= 10;
        --significant;
    }
    char digits[kDrawingDigits];
    writeDigits(digits, significant, rounded.mantissa);

    char text[48];
    char* p = text;
    if (std::signbit(value)) {
        *p++ = '-';
    }
    const int exponent = rounded.exponent;
    const auto copy = [&p](const char* from, int count) {
        std::memcpy(p, from, static_cast<std::size_t>(count));
        p += count;
    };
    const auto zeros = [&p](int count) {
        std::memset(p, '0', static_cast<std::size_t>(count));
        p += count;
    };
    if (exponent < -5 || exponent >= kDrawingDigits) {
        *p++ = digits[0];
        if (significant > 1) {
            *p++ = '.';
            copy(digits + 1, significant - 1);
        }
        p = writeExponent(p, exponent, 2);
    } else if (exponent < 0) {
        *p++ = '0';
        *p++ = '.';
        zeros(-exponent - 1);
        copy(digits, significant);
    } else if (exponent + 1 >= significant) {
        copy(digits, significant);
        zeros(exponent + 1 - significant);
    } else {
        copy(digits, exponent + 1);
        *p++ = '.';
        copy(digits + exponent + 1, significant - exponent - 1);
    }
    out.append(text, static_cast<std::size_t>(p - text));
}

std::string formatGeneral(double value)
{
    std::string out;
    appendGeneral(out, value);
    return out;
}

} // namespace mervalon::engine
