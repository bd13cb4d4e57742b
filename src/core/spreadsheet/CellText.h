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

/// True when number format `formatIndex`, whose code is `formatCode` for custom formats, shows
/// a date or a time: built-in formats 14–22 and 45–47, or a code with d, m, y, h or s outside
/// quotes, escapes and colour/condition brackets ([h], [mm] and [ss] count as times).
bool isDateFormat(std::uint16_t formatIndex, const std::string& formatCode);

/// A date-formatted serial as text: "YYYY-MM-DD" for whole days, "YYYY-MM-DD HH:MM:SS" with a
/// time of day, "HH:MM:SS" below 1 (a time alone); seconds are rounded. In the 1900 system serial
/// 60 is the fictitious 29 February 1900 that Excel shows. Serials outside 0 .. 31 Dec 9999
/// give no date (std::nullopt) and the caller shows the number. The same forms apply to
/// the 1904 system, where serial 0 is 1 January 1904.
std::optional<std::string> dateText(double serial, bool system1904);

} // namespace mervalon::spreadsheet
