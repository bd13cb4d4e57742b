#pragma once
// How cell numbers become texts: plain numbers, and numbers shown with a date format.

#include <cstdint>
#include <optional>
#include <string>

namespace mervalon::spreadsheet {

/// Shortest text of `value` with at most 15 significant digits, "." as decimal separator, no
/// thousands separator: 1000.5 → "1000.5", 3 → "3", 0.1 + 0.2 → "0.3", 1e20 → "1e+20".
/// Minus zero gives "0"; NaN and infinities (which only a damaged NUMBER record holds) "#NUM!".
std::string numberText(double value);

/// How a number format shows a number, as far as dates and times go.
struct TimeFormat {
    enum class Kind {
        None,    ///< a number
        Date,    ///< a date, a time of day, or both
        Elapsed, ///< a duration: [h], [m] or [s] counts on past a day, an hour, a minute
    };
    Kind kind = Kind::None;
    char elapsedUnit = 0;      ///< Elapsed: 'h', 'm' or 's', the unit that counts on
    bool showsMinutes = false; ///< Elapsed in hours: minutes follow
    bool showsSeconds = false; ///< Elapsed in hours or minutes: seconds follow
};

/// The time format of number format `formatIndex`, whose code is `formatCode` for custom formats
/// (or for built-in ones that the workbook spells out): built-in formats 14–22, 45 and 47 and the
/// East Asian built-in dates 27–36 and 50–58 are dates, 46 is "[h]:mm:ss"; a code with d, m, y, h
/// or s outside quotes, escapes and colour/condition brackets is a date, one with [h], [mm] or
/// [ss] a duration.
TimeFormat timeFormatOf(std::uint16_t formatIndex, const std::string& formatCode);

/// True when the format shows a date, a time or a duration.
inline bool isDateFormat(std::uint16_t formatIndex, const std::string& formatCode)
{
    return timeFormatOf(formatIndex, formatCode).kind != TimeFormat::Kind::None;
}

/// A duration as a spreadsheet shows it: serial 1 in "[h]:mm" is "24:00", in "[mm]:ss" "1440:00",
/// in "[ss]" "86400"; rounded to the last unit shown; negative durations have a minus sign.
/// Serials beyond a million days give no text (the caller shows the number).
std::optional<std::string> elapsedText(double serial, const TimeFormat& format);

/// A date-formatted serial as text: "YYYY-MM-DD" for whole days, "YYYY-MM-DD HH:MM:SS" with a
/// time of day, "HH:MM:SS" below 1 (a time alone); seconds are rounded. In the 1900 system serial
/// 60 is the fictitious 29 February 1900 that Excel shows. Serials outside 0 .. 31 Dec 9999
/// give no date (std::nullopt) and the caller shows the number. The same forms apply to
/// the 1904 system, where serial 0 is 1 January 1904.
std::optional<std::string> dateText(double serial, bool system1904);

} // namespace mervalon::spreadsheet
