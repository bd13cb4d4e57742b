#include "core/spreadsheet/CellText.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string_view>

namespace mervalon::spreadsheet {
namespace {

// Days from 1 March of year 0 style civil conversion (proleptic Gregorian).
void civilFromDays(std::int64_t days, int& year, int& month, int& day)
{
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const auto doe = static_cast<unsigned>(days - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2 ? 1 : 0));
}

constexpr std::int64_t kDaysTo1899_12_30 = -25569; // days from 1970-01-01
constexpr std::int64_t kDaysTo1904_01_01 = -24107;

} // namespace

std::string numberText(double value)
{
    if (!std::isfinite(value)) {
        return "#NUM!";
    }
    if (value == 0) {
        return "0";
    }
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    return std::string(buffer, result.ptr);
}

namespace {

bool isBuiltInDate(std::uint16_t index)
{
    return (index >= 14 && index <= 22) || index == 45 || index == 47 || (index >= 27 && index <= 36) ||
           (index >= 50 && index <= 58);
}

// A duration bracket, and which smaller units the rest of the code shows.
TimeFormat elapsedFormat(char unit, std::string_view rest)
{
    TimeFormat format;
    format.kind = TimeFormat::Kind::Elapsed;
    format.elapsedUnit = unit;
    const bool minutes = rest.find_first_of("mM") != std::string_view::npos;
    const bool seconds = rest.find_first_of("sS") != std::string_view::npos;
    format.showsMinutes = unit == 'h' && minutes;
    format.showsSeconds = unit != 's' && seconds;
    return format;
}

TimeFormat timeFormatOfCode(std::string_view code)
{
    bool quoted = false;
    bool date = false;
    for (std::size_t i = 0; i < code.size(); ++i) {
        const char c = code[i];
        if (quoted) {
            quoted = c != '"';
            continue;
        }
        if (c == '"') {
            quoted = true;
        } else if (c == '\\' || c == '_' || c == '*') {
            ++i; // the next character is shown literally or is a fill/width character
        } else if (c == '[') {
            const std::size_t close = code.find(']', i);
            const std::string_view inside =
                code.substr(i + 1, close == std::string_view::npos ? std::string_view::npos : close - i - 1);
            if (!inside.empty() && inside.find_first_not_of("hHmMsS") == std::string_view::npos) {
                const char unit = static_cast<char>(inside.front() | 0x20);
                return elapsedFormat(unit, close == std::string_view::npos ? std::string_view() : code.substr(close));
            }
            if (close == std::string_view::npos) {
                break;
            }
            i = close;
        } else if (std::string_view("dDmMyYhHsS").find(c) != std::string_view::npos) {
            date = true;
        }
    }
    return TimeFormat{date ? TimeFormat::Kind::Date : TimeFormat::Kind::None};
}

} // namespace

TimeFormat timeFormatOf(std::uint16_t formatIndex, const std::string& formatCode)
{
    if (formatIndex == 46 && formatCode.empty()) {
        return timeFormatOfCode("[h]:mm:ss");
    }
    if (formatIndex < 164 && formatCode.empty()) {
        return TimeFormat{isBuiltInDate(formatIndex) ? TimeFormat::Kind::Date : TimeFormat::Kind::None};
    }
    if ((formatIndex >= 14 && formatIndex <= 22) || formatIndex == 45 || formatIndex == 47) {
        return TimeFormat{TimeFormat::Kind::Date};
    }
    return timeFormatOfCode(formatCode);
}

std::optional<std::string> elapsedText(double serial, const TimeFormat& format)
{
    if (!std::isfinite(serial) || std::fabs(serial) > 1e6) {
        return std::nullopt;
    }
    // Counted in the last unit shown, then split into the units shown.
    const std::int64_t unitSeconds = format.showsSeconds || format.elapsedUnit == 's'   ? 1
                                     : format.showsMinutes || format.elapsedUnit == 'm' ? 60
                                                                                        : 3600;
    const std::int64_t count = std::llround(std::fabs(serial) * 86400.0 / static_cast<double>(unitSeconds));
    const std::int64_t seconds = count * unitSeconds;
    std::string text = serial < 0 && count != 0 ? "-" : "";
    char buffer[32];
    const std::int64_t lead = format.elapsedUnit == 'h'   ? seconds / 3600
                              : format.elapsedUnit == 'm' ? seconds / 60
                                                          : seconds;
    std::snprintf(buffer, sizeof buffer, "%lld", static_cast<long long>(lead));
    text += buffer;
    if (format.showsMinutes) {
        std::snprintf(buffer, sizeof buffer, ":%02d", static_cast<int>(seconds / 60 % 60));
        text += buffer;
    }
    if (format.showsSeconds) {
        std::snprintf(buffer, sizeof buffer, ":%02d", static_cast<int>(seconds % 60));
        text += buffer;
    }
    return text;
}

std::optional<std::string> dateText(double serial, bool system1904)
{
    if (!std::isfinite(serial) || serial < 0 || serial >= (system1904 ? 2957004.0 : 2958466.0)) {
        return std::nullopt;
    }
    auto totalSeconds = static_cast<std::int64_t>(std::llround(serial * 86400.0));
    std::int64_t dayNumber = totalSeconds / 86400;
    const std::int64_t seconds = totalSeconds % 86400;
    char buffer[40];
    if (serial < 1) {
        std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", static_cast<int>(seconds / 3600),
                      static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
        return std::string(buffer);
    }
    int year = 1900;
    int month = 2;
    int day = 29;
    if (system1904) {
        civilFromDays(kDaysTo1904_01_01 + dayNumber, year, month, day);
    } else if (dayNumber != 60) {
        // Serials up to 59 count from 31 Dec 1899 because Excel believes 1900 was a leap year.
        civilFromDays(kDaysTo1899_12_30 + dayNumber + (dayNumber < 60 ? 1 : 0), year, month, day);
    }
    int length = std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", year, month, day);
    if (seconds != 0) {
        std::snprintf(buffer + length, sizeof buffer - static_cast<std::size_t>(length), " %02d:%02d:%02d",
                      static_cast<int>(seconds / 3600), static_cast<int>(seconds / 60 % 60),
                      static_cast<int>(seconds % 60));
    }
    return std::string(buffer);
}

} // namespace mervalon::spreadsheet
