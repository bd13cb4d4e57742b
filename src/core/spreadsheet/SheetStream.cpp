#include "core/spreadsheet/SheetStream.h"

#include "core/spreadsheet/CellText.h"

#include <charconv>
#include <cmath>

namespace mervalon::spreadsheet {
namespace {

// Days from 1970-01-01 of a proleptic Gregorian date.
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

bool readNumber(std::string_view& text, std::size_t digits, int& value)
{
    if (text.size() < digits) {
        return false;
    }
    const auto result = std::from_chars(text.data(), text.data() + digits, value);
    if (result.ec != std::errc() || result.ptr != text.data() + digits) {
        return false;
    }
    text.remove_prefix(digits);
    return true;
}

bool expect(std::string_view& text, char c)
{
    if (text.empty() || text.front() != c) {
        return false;
    }
    text.remove_prefix(1);
    return true;
}

} // namespace

bool isoDateSerial(std::string_view iso, double& serial)
{
    std::string_view rest = iso;
    int year = 0;
    int month = 0;
    int day = 0;
    if (!readNumber(rest, 4, year) || !expect(rest, '-') || !readNumber(rest, 2, month) || !expect(rest, '-') ||
        !readNumber(rest, 2, day) || month < 1 || month > 12 || day < 1 || day > 31) {
        return false;
    }
    double seconds = 0;
    if (expect(rest, 'T')) {
        int hour = 0;
        int minute = 0;
        int second = 0;
        if (!readNumber(rest, 2, hour) || !expect(rest, ':') || !readNumber(rest, 2, minute) || hour > 24 ||
            minute > 59) {
            return false;
        }
        if (expect(rest, ':')) {
            if (!readNumber(rest, 2, second) || second > 60) {
                return false;
            }
        }
        seconds = hour * 3600.0 + minute * 60.0 + second;
        if (!rest.empty() && rest.front() == '.') {
            double fraction = 0;
            const auto result = std::from_chars(rest.data(), rest.data() + rest.size(), fraction);
            if (result.ec != std::errc()) {
                return false;
            }
            seconds += fraction;
            rest.remove_prefix(static_cast<std::size_t>(result.ptr - rest.data()));
        }
        if (rest == "Z") {
            rest = {};
        }
    }
    if (!rest.empty()) {
        return false;
    }
    std::int64_t days =
        daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - daysFromCivil(1899, 12, 30);
    // Excel's serials count the fictitious 29 February 1900, so dates before March 1900 are a day less.
    if (days < 61) {
        --days;
    }
    serial = static_cast<double>(days) + seconds / 86400.0;
    return true;
}

bool isoDurationDays(std::string_view iso, double& days)
{
    std::string_view rest = iso;
    const bool negative = expect(rest, '-');
    if (!expect(rest, 'P') || rest.empty()) {
        return false;
    }
    double total = 0;
    bool inTime = false;
    while (!rest.empty()) {
        if (expect(rest, 'T')) {
            inTime = true;
            continue;
        }
        double value = 0;
        const auto result = std::from_chars(rest.data(), rest.data() + rest.size(), value);
        if (result.ec != std::errc() || result.ptr == rest.data() + rest.size()) {
            return false;
        }
        rest.remove_prefix(static_cast<std::size_t>(result.ptr - rest.data()));
        const char unit = rest.front();
        rest.remove_prefix(1);
        if (!inTime && unit == 'D') {
            total += value * 86400;
        } else if (!inTime && unit == 'W') {
            total += value * 7 * 86400;
        } else if (inTime && unit == 'H') {
            total += value * 3600;
        } else if (inTime && unit == 'M') {
            total += value * 60;
        } else if (inTime && unit == 'S') {
            total += value;
        } else {
            return false; // years and months have no fixed length
        }
    }
    days = (negative ? -total : total) / 86400.0;
    return std::isfinite(days);
}

std::string dateValueText(double serial, std::string_view fallback)
{
    if (auto text = dateText(serial, false)) {
        return std::move(*text);
    }
    return std::string(fallback);
}

std::string durationText(double days, std::string_view fallback)
{
    if (days >= 0 && std::llround(days * 86400.0) < 86400) {
        return dateValueText(days, fallback);
    }
    TimeFormat format;
    format.kind = TimeFormat::Kind::Elapsed;
    format.elapsedUnit = 'h';
    format.showsMinutes = true;
    format.showsSeconds = true;
    if (auto text = elapsedText(days, format)) {
        return std::move(*text);
    }
    return std::string(fallback);
}

} // namespace mervalon::spreadsheet
