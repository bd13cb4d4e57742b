#include "core/engine/FieldAccess.h"

#include "core/engine/FieldRows.h"

#include <charconv>
#include <cstdint>

namespace mervalon::engine {
namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}
bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Length of the run of digits at `position`.
std::size_t digitRun(std::string_view text, std::size_t position)
{
    std::size_t length = 0;
    while (position + length < text.size() && isDigit(text[position + length])) {
        ++length;
    }
    return length;
}

// Checks the decimal grammar; std::from_chars alone would also take "inf", "nan" and
// stop silently before trailing garbage.
bool isDecimalText(std::string_view text)
{
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    const std::size_t integerDigits = digitRun(text, i);
    i += integerDigits;
    std::size_t fractionDigits = 0;
    if (i < text.size() && text[i] == '.') {
        ++i;
        fractionDigits = digitRun(text, i);
        i += fractionDigits;
    }
    if (integerDigits + fractionDigits == 0) {
        return false;
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
            ++i;
        }
        const std::size_t exponentDigits = digitRun(text, i);
        if (exponentDigits == 0) {
            return false;
        }
        i += exponentDigits;
    }
    return i == text.size();
}

constexpr double kExactPowersOf10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                       1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The common case of a point file, read without the general algorithm: a number written
// with at most 15 significant digits, no exponent and at most 22 decimals ("512345.678",
// "-0.25"). Its digits form an integer below 2^53 and 10^decimals is exact too, so their one
// division is correctly rounded: the same double std::from_chars gives. Anything else
// (longer, with an exponent, or not a number at all) is left to the general route.
std::optional<double> readPlainDecimal(std::string_view text)
{
    const char* p = text.data();
    const char* const end = p + text.size();
    const bool negative = p != end && *p == '-';
    if (p != end && (*p == '-' || *p == '+')) {
        ++p;
    }
    const char* const integerStart = p;
    while (p != end && *p == '0') { // leading zeros are no significant digits
        ++p;
    }
    const char* significantStart = p;
    std::uint64_t digits = 0;
    while (p != end && isDigit(*p)) {
        digits = digits * 10 + static_cast<std::uint64_t>(*p++ - '0');
    }
    const std::ptrdiff_t integerDigits = p - integerStart;
    std::ptrdiff_t significant = p - significantStart;
    std::ptrdiff_t decimals = 0;
    if (p != end && *p == '.') {
        const char* const fractionStart = ++p;
        if (significant == 0) {
            while (p != end && *p == '0') {
                ++p;
            }
        }
        significantStart = p;
        while (p != end && isDigit(*p)) {
            digits = digits * 10 + static_cast<std::uint64_t>(*p++ - '0');
        }
        decimals = p - fractionStart;
        significant += p - significantStart;
    }
    // Nothing may follow, and there must have been a digit: "." and "-" are no numbers.
    if (p != end || integerDigits + decimals == 0 || significant > 15 || decimals > 22) {
        return std::nullopt;
    }
    const double value = static_cast<double>(digits) / kExactPowersOf10[decimals];
    return negative ? -value : value;
}

} // namespace

std::string_view trimBlanks(std::string_view text)
{
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

TakenField takeField(const FieldRow& row, int column, std::string_view prefix)
{
    TakenField taken;
    if (column < 1 || static_cast<std::size_t>(column) > row.size()) {
        taken.status = TakenField::Status::FieldMissing;
        return taken;
    }
    const std::string_view field = row[static_cast<std::size_t>(column - 1)];
    if (field.empty()) {
        // Only a dialect that keeps empty fields gives one: an empty cell holds no value.
        taken.status = TakenField::Status::FieldMissing;
        return taken;
    }
    taken.asRead = field;
    if (prefix.empty()) {
        taken.status = TakenField::Status::Found;
        taken.value = field;
        return taken;
    }
    if (field.find(prefix) == std::string_view::npos) {
        taken.status = TakenField::Status::PrefixMissing;
        return taken;
    }
    // The prefix may stand anywhere in the field; as many leading characters as it has are removed.
    taken.status = TakenField::Status::Found;
    taken.value = field.substr(prefix.size());
    return taken;
}

std::optional<double> readDecimal(std::string_view text)
{
    text = trimBlanks(text);
    if (const auto plain = readPlainDecimal(text)) {
        return plain;
    }
    if (!isDecimalText(text)) {
        return std::nullopt;
    }
    if (text.front() == '+') {
        text.remove_prefix(1); // from_chars takes no plus sign
    }
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) {
        // Out of range: a number beyond the range of a double is no coordinate.
        return std::nullopt;
    }
    return value;
}

std::optional<long long> readInteger(std::string_view text)
{
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') {
            return std::nullopt;
        }
    }
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

} // namespace mervalon::engine
