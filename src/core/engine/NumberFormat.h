#pragma once
// The number notations of the drawing and the report. All use "." as the decimal
// separator, whatever the locale, and no thousands separators.

#include <string>

namespace mervalon::engine {

/// fixed(v, d): v rounded to 15 significant digits, "-" when negative, at least one digit
/// before the point, exactly d digits after it (no point when d is 0); places beyond the
/// fifteenth significant digit are zeros. fixed(1001.5, 14) = "1001.50000000000000".
void appendFixed(std::string& out, double value, int decimals);
std::string formatFixed(double value, int decimals);

/// sci23(v): 23 characters: sign (" " or "-"), d.dddddddddddddd, "E", exponent sign, four
/// exponent digits. sci23(2000) = " 2.00000000000000E+0003".
void appendSci23(std::string& out, double value);
std::string formatSci23(double value);

/// general(v): shortest text of v rounded to 15 significant digits, no trailing zeros, no
/// point for whole values (1010.0 gives "1010"); scientific form for magnitudes of 1e15 and
/// above or below 1e-5.
void appendGeneral(std::string& out, double value);
std::string formatGeneral(double value);

} // namespace mervalon::engine
