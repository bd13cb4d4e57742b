#include "core/engine/NumberFormat.h"

// Provisional straightforward formatter; replaced by the fast implementation.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>

namespace mervalon::engine {
namespace {

// Digits of |v| rounded to 15 significant digits and the decimal exponent of the first one.
void significantDigits(double v, char (&digits)[16], int& exponent)
{
    char buffer[40];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(v), std::chars_format::scientific, 14);
    *result.ptr = '\0';
    digits[0] = buffer[0];
    for (int i = 0; i < 14; ++i) {
        digits[i + 1] = buffer[i + 2];
    }
    digits[15] = '\0';
    exponent = std::atoi(buffer + 17);
}

} // namespace

void appendFixed(std::string& out, double value, int decimals)
{
    char digits[16];
    int exponent = 0;
    significantDigits(value, digits, exponent);
    std::string text;
    if (exponent >= 0) {
        for (int i = 0; i <= exponent; ++i) {
            text += i < 15 ? digits[i] : '0';
        }
    } else {
        text += '0';
    }
    std::string fraction;
    for (int i = 0; i < decimals; ++i) {
        const int position = exponent + 1 + i;
        fraction += (position >= 0 && position < 15) ? digits[position] : '0';
    }
    // Round the fraction at `decimals` places using the remaining significant digits.
    const int next = exponent + 1 + decimals;
    bool roundUp = next >= 0 && next < 15 && digits[next] >= '5';
    std::string all = text + fraction;
    if (next < 0) {
        roundUp = false;
    }
    for (int i = static_cast<int>(all.size()) - 1; roundUp && i >= 0; --i) {
        if (all[static_cast<std::size_t>(i)] == '9') {
            all[static_cast<std::size_t>(i)] = '0';
        } else {
            ++all[static_cast<std::size_t>(i)];
            roundUp = false;
        }
    }
    if (roundUp) {
        all.insert(all.begin(), '1');
    }
    const std::size_t integerLength = all.size() - static_cast<std::size_t>(decimals);
    bool zero = all.find_first_not_of('0') == std::string::npos;
    if (std::signbit(value) && !zero) {
        out += '-';
    }
    out.append(all, 0, integerLength);
    if (decimals > 0) {
        out += '.';
        out.append(all, integerLength);
    }
}

std::string formatFixed(double value, int decimals)
{
    std::string out;
    appendFixed(out, value, decimals);
    return out;
}

void appendSci23(std::string& out, double value)
{
    char buffer[40];
    const double magnitude = std::fabs(value);
    auto result = std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific, 14);
    *result.ptr = '\0';
    const int exponent = std::atoi(buffer + 17);
    out += (std::signbit(value) && magnitude != 0) ? '-' : ' ';
    out.append(buffer, 16);
    char tail[16];
    std::snprintf(tail, sizeof tail, "E%c%04d", exponent < 0 ? '-' : '+', std::abs(exponent));
    out += tail;
}

std::string formatSci23(double value)
{
    std::string out;
    appendSci23(out, value);
    return out;
}

void appendGeneral(std::string& out, double value)
{
    char buffer[40];
    if (value == 0) {
        out += '0';
        return;
    }
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    out.append(buffer, result.ptr);
}

std::string formatGeneral(double value)
{
    std::string out;
    appendGeneral(out, value);
    return out;
}

} // namespace mervalon::engine
