#include "core/engine/NumberFormat.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string_view>

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
    // log10 from the bit width, then one comparison to correct it.
    const int estimate = (static_cast<int>(std::bit_width(value | 1)) * 1233) >> 12;
    return estimate + ((value | 1) >= kPow10Int[static_cast<std::size_t>(estimate)] ? 1 : 0); // 0 has one digit
}

template <int Power> std::uint64_t divideByPowerOf10(std::uint64_t value)
{
    return value / kPow10Int[Power];
}

/// value / 10^power for power 0..19. A division by a variable is a hardware divide of tens of
/// cycles; by a constant it is a multiplication, hence the switch.
std::uint64_t divideByPowerOf10(std::uint64_t value, int power)
{
    switch (power) {
    case 0:
        return value;
    case 1:
        return divideByPowerOf10<1>(value);
    case 2:
        return divideByPowerOf10<2>(value);
    case 3:
        return divideByPowerOf10<3>(value);
    case 4:
        return divideByPowerOf10<4>(value);
    case 5:
        return divideByPowerOf10<5>(value);
    case 6:
        return divideByPowerOf10<6>(value);
    case 7:
        return divideByPowerOf10<7>(value);
    case 8:
        return divideByPowerOf10<8>(value);
    case 9:
        return divideByPowerOf10<9>(value);
    case 10:
        return divideByPowerOf10<10>(value);
    case 11:
        return divideByPowerOf10<11>(value);
    case 12:
        return divideByPowerOf10<12>(value);
    case 13:
        return divideByPowerOf10<13>(value);
    case 14:
        return divideByPowerOf10<14>(value);
    case 15:
        return divideByPowerOf10<15>(value);
    case 16:
        return divideByPowerOf10<16>(value);
    case 17:
        return divideByPowerOf10<17>(value);
    case 18:
        return divideByPowerOf10<18>(value);
    default:
        return divideByPowerOf10<19>(value);
    }
}

void writePair(char* p, std::uint32_t value)
{
    std::memcpy(p, kDigitPairs + static_cast<std::size_t>(value) * 2, 2);
}

/// Exactly eight digits. The two halves have no dependency on each other, so the divisions
/// overlap instead of forming one long chain.
void writeEight(char* p, std::uint32_t value)
{
    const std::uint32_t high = value / 10'000;
    const std::uint32_t low = value % 10'000;
    writePair(p, high / 100);
    writePair(p + 2, high % 100);
    writePair(p + 4, low / 100);
    writePair(p + 6, low % 100);
}

/// At most eight digits, 32-bit arithmetic.
void writeShort(char* first, int count, std::uint32_t value)
{
    char* p = first + count;
    while (p - first >= 2) {
        p -= 2;
        writePair(p, value % 100);
        value /= 100;
    }
    if (p != first) {
        *--p = static_cast<char>('0' + value % 10);
    }
}

/// Writes the decimal digits of value, exactly `count` of them (leading zeros if needed).
void writeDigits(char* first, int count, std::uint64_t value)
{
    while (count > 8) {
        const std::uint64_t rest = value / 100'000'000;
        writeEight(first + count - 8, static_cast<std::uint32_t>(value - rest * 100'000'000));
        value = rest;
        count -= 8;
    }
    writeShort(first, count, static_cast<std::uint32_t>(value));
}

/// The correctly rounded route for every magnitude: to_chars is exact and locale-free.
RoundedDecimal roundGeneric(double magnitude, int digits)
{
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, magnitude, std::chars_format::scientific, digits - 1);
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

__extension__ using Uint128 = unsigned __int128;

constexpr std::array<std::uint64_t, 23> kPow5 = {
    1ULL,
    5ULL,
    25ULL,
    125ULL,
    625ULL,
    3'125ULL,
    15'625ULL,
    78'125ULL,
    390'625ULL,
    1'953'125ULL,
    9'765'625ULL,
    48'828'125ULL,
    244'140'625ULL,
    1'220'703'125ULL,
    6'103'515'625ULL,
    30'517'578'125ULL,
    152'587'890'625ULL,
    762'939'453'125ULL,
    3'814'697'265'625ULL,
    19'073'486'328'125ULL,
    95'367'431'640'625ULL,
    476'837'158'203'125ULL,
    2'384'185'791'015'625ULL,
};

/// The hot route for 15 digits and magnitudes from 1e-8 to below 1e15, which covers every
/// coordinate. The value is m * 2^e with an integer m of 53 bits; times 10^k it is
/// m * 5^k * 2^(e + k), and m * 5^k (k <= 22) is an exact 128-bit product, so the integer
/// part and the bits below it give the correctly rounded digits, ties to even as the C
/// library does. Returns false outside that range; the caller then takes the generic route.
bool roundFast(double magnitude, RoundedDecimal& rounded)
{
    if (!(magnitude >= 1e-8 && magnitude < 1e15)) {
        return false;
    }
    const auto bits = std::bit_cast<std::uint64_t>(magnitude);
    const int binaryExponent = static_cast<int>(bits >> 52) - 1023; // normal: the range excludes the rest
    const std::uint64_t significand = (bits & ((1ULL << 52) - 1)) | (1ULL << 52);
    // floor(binaryExponent * log10(2)): never above the true decimal exponent, at most one below.
    int exponent = (binaryExponent * 78913) >> 18;
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int scalePower = kDrawingDigits - 1 - exponent;
        if (scalePower < 0 || scalePower > 22) {
            return false;
        }
        const Uint128 product = static_cast<Uint128>(significand) * kPow5[static_cast<std::size_t>(scalePower)];
        const int shift = 52 - binaryExponent - scalePower; // bits below the unit
        std::uint64_t mantissa = 0;
        if (shift <= 0) {
            if (shift < -10) {
                return false;
            }
            mantissa = static_cast<std::uint64_t>(product << -shift);
        } else if (shift < 120) {
            mantissa = static_cast<std::uint64_t>(product >> shift);
            const Uint128 remainder = product - (static_cast<Uint128>(mantissa) << shift);
            const Uint128 half = static_cast<Uint128>(1) << (shift - 1);
            // Without branches: whether a value rounds up is a coin toss the predictor loses.
            const bool up = remainder > half;
            const bool tie = remainder == half;
            mantissa += static_cast<std::uint64_t>(up) | (static_cast<std::uint64_t>(tie) & mantissa & 1);
        } else {
            return false;
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

// What every notation writes for a value that is no finite number.
std::string_view nonFiniteText(double value)
{
    return std::isnan(value) ? "nan" : (value < 0 ? "-inf" : "inf");
}

void appendNonFinite(std::string& out, double value)
{
    out += nonFiniteText(value);
}

char* writeNonFinite(char* out, double value)
{
    const std::string_view text = nonFiniteText(value);
    std::memcpy(out, text.data(), text.size());
    return out + text.size();
}

/// Appends `count` zeros and returns where they start. The digits are then written in
/// place: composing them in a local buffer and copying it would read back bytes just stored
/// one or two at a time, which stalls the processor longer than the formatting takes.
char* grow(std::string& out, int count)
{
    const std::size_t start = out.size();
    out.append(static_cast<std::size_t>(count), '0');
    return out.data() + start;
}

// A fixed notation laid out: how many digits, zeros and decimals, before anything is written.
struct FixedText {
    bool minus = false;
    int integerDigits = 0;
    int integerZeros = 0; // places of a large value beyond its digits
    int decimals = 0;
    int shownDecimals = 0;
    std::uint64_t integerPart = 0;
    std::uint64_t fractionPart = 0;

    [[nodiscard]] int length() const
    {
        return (minus ? 1 : 0) + integerDigits + integerZeros + (decimals > 0 ? 1 + decimals : 0);
    }
};

FixedText layoutFixed(bool negative, RoundedDecimal rounded, int digits, int decimals)
{
    FixedText text;
    text.decimals = std::clamp(decimals, 0, kMaxFixedDecimals);
    // The rounded value is mantissa * 10^-mantissaDecimals. It is shown as the digits of
    // `shown` (the last shownDecimals of them after the point), padded with zeros: integer
    // places of a large value past its significant digits, and decimal places past them.
    const int mantissaDecimals = digits - 1 - rounded.exponent;
    std::uint64_t shown = rounded.mantissa;
    int shownDecimals = mantissaDecimals;
    if (rounded.mantissa == 0) {
        shownDecimals = 0;
    } else if (text.decimals < mantissaDecimals) {
        const int dropped = mantissaDecimals - text.decimals;
        shownDecimals = text.decimals;
        if (dropped > digits) {
            shown = 0; // below half a unit of the last decimal
        } else {
            const std::uint64_t half = kPow10Int[static_cast<std::size_t>(dropped)] / 2;
            shown = divideByPowerOf10(rounded.mantissa + half, dropped); // half away from zero
        }
    }

    // Integer and decimal digits of `shown`; a mantissa holds at most 17 digits, so more
    // decimals than 19 means that every digit is a decimal.
    text.integerPart = shown;
    if (shownDecimals > 19) {
        text.integerPart = 0;
        text.fractionPart = shown;
    } else if (shownDecimals > 0) {
        text.integerPart = divideByPowerOf10(shown, shownDecimals);
        text.fractionPart = shown - text.integerPart * kPow10Int[static_cast<std::size_t>(shownDecimals)];
    }
    text.minus = negative && shown != 0;
    text.integerDigits = countDigits(text.integerPart);
    text.integerZeros = std::max(0, -shownDecimals);
    text.shownDecimals = std::max(0, shownDecimals);
    return text;
}

/// Writes the text at `p`, whose length() bytes already hold '0': the zeros a value has
/// beyond its digits are left as they are.
void writeFixedOverZeros(char* p, const FixedText& text)
{
    if (text.minus) {
        *p++ = '-';
    }
    writeDigits(p, text.integerDigits, text.integerPart);
    p += text.integerDigits + text.integerZeros;
    if (text.decimals > 0) {
        *p++ = '.';
        if (text.shownDecimals > 20) {
            p += text.shownDecimals - 20;
            writeDigits(p, 20, text.fractionPart);
        } else {
            writeDigits(p, text.shownDecimals, text.fractionPart);
        }
    }
}

void appendFixedRounded(std::string& out, bool negative, RoundedDecimal rounded, int digits, int decimals)
{
    const FixedText text = layoutFixed(negative, rounded, digits, decimals);
    writeFixedOverZeros(grow(out, text.length()), text);
}

void appendFixedDigits(std::string& out, double value, int decimals, int digits)
{
    if (!std::isfinite(value)) [[unlikely]] {
        appendNonFinite(out, value);
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

char* writeFixed(char* out, double value, int decimals)
{
    if (!std::isfinite(value)) [[unlikely]] {
        return writeNonFinite(out, value);
    }
    const FixedText text =
        layoutFixed(std::signbit(value), roundSignificant(std::fabs(value), kDrawingDigits), kDrawingDigits, decimals);
    const auto length = static_cast<std::size_t>(text.length());
    std::memset(out, '0', length);
    writeFixedOverZeros(out, text);
    return out + length;
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

char* writeSci23(char* p, double value)
{
    if (!std::isfinite(value)) [[unlikely]] {
        return writeNonFinite(p, value);
    }
    // Five texts of every point are placed with this notation, so its fifteen digits are
    // written with their count known: the first, six more in pairs, then eight.
    static_assert(kDrawingDigits == 15);
    const RoundedDecimal rounded = roundSignificant(std::fabs(value), kDrawingDigits);
    const std::uint64_t upper = rounded.mantissa / 100'000'000; // the first seven digits
    const auto lower = static_cast<std::uint32_t>(rounded.mantissa - upper * 100'000'000);
    const auto first = static_cast<std::uint32_t>(upper / 1'000'000);
    const auto six = static_cast<std::uint32_t>(upper - first * 1'000'000);
    p[0] = std::signbit(value) && rounded.mantissa != 0 ? '-' : ' ';
    p[1] = static_cast<char>('0' + first);
    p[2] = '.';
    writePair(p + 3, six / 10'000);
    writePair(p + 5, six / 100 % 100);
    writePair(p + 7, six % 100);
    writeEight(p + 9, lower);
    // A double's decimal exponent has at most three digits: four are always written.
    const int exponent = rounded.exponent;
    const auto magnitude = static_cast<std::uint32_t>(exponent < 0 ? -exponent : exponent);
    p[17] = 'E';
    p[18] = exponent < 0 ? '-' : '+';
    writePair(p + 19, magnitude / 100);
    writePair(p + 21, magnitude % 100);
    return p + kSci23Length;
}

void appendSci23(std::string& out, double value)
{
    const std::size_t start = out.size();
    out.resize(start + kSci23Length);
    out.resize(static_cast<std::size_t>(writeSci23(out.data() + start, value) - out.data()));
}

std::string formatSci23(double value)
{
    std::string out;
    appendSci23(out, value);
    return out;
}

void appendGeneral(std::string& out, double value)
{
    if (!std::isfinite(value)) [[unlikely]] {
        appendNonFinite(out, value);
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
    const bool minus = std::signbit(value);
    const int exponent = rounded.exponent;
    if (exponent < -5 || exponent >= kDrawingDigits) {
        const auto exponentMagnitude = static_cast<std::uint64_t>(exponent < 0 ? -exponent : exponent);
        const int exponentDigits = std::max(2, countDigits(exponentMagnitude));
        const int length = (minus ? 1 : 0) + 1 + (significant > 1 ? significant : 0) + 2 + exponentDigits;
        char* p = grow(out, length);
        if (minus) {
            *p++ = '-';
        }
        const std::uint64_t first = divideByPowerOf10(rounded.mantissa, significant - 1);
        *p++ = static_cast<char>('0' + first);
        if (significant > 1) {
            *p++ = '.';
            writeDigits(p, significant - 1,
                        rounded.mantissa - first * kPow10Int[static_cast<std::size_t>(significant - 1)]);
            p += significant - 1;
        }
        writeExponent(p, exponent, 2);
    } else if (exponent < 0) {
        // 0.000ddd: the leading zeros are already in place.
        const int length = (minus ? 1 : 0) + 2 + (-exponent - 1) + significant;
        char* p = grow(out, length);
        if (minus) {
            *p++ = '-';
        }
        p[1] = '.';
        writeDigits(p + 2 + (-exponent - 1), significant, rounded.mantissa);
    } else if (exponent + 1 >= significant) {
        // A whole number: its digits, then zeros already in place.
        char* p = grow(out, (minus ? 1 : 0) + exponent + 1);
        if (minus) {
            *p++ = '-';
        }
        writeDigits(p, significant, rounded.mantissa);
    } else {
        const int integerDigits = exponent + 1;
        const int decimals = significant - integerDigits;
        char* p = grow(out, (minus ? 1 : 0) + significant + 1);
        if (minus) {
            *p++ = '-';
        }
        const std::uint64_t integerPart = divideByPowerOf10(rounded.mantissa, decimals);
        writeDigits(p, integerDigits, integerPart);
        p[integerDigits] = '.';
        writeDigits(p + integerDigits + 1, decimals,
                    rounded.mantissa - integerPart * kPow10Int[static_cast<std::size_t>(decimals)]);
    }
}

std::string formatGeneral(double value)
{
    std::string out;
    appendGeneral(out, value);
    return out;
}

} // namespace mervalon::engine
