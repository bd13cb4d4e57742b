#pragma once
// The number notations of the drawing and the report. All use "." as the decimal
// separator, whatever the locale, and no thousands separators.
//
// Every notation first rounds the value to a number of significant digits (15 unless
// stated), correctly rounded from the exact binary value; an exact tie at the last kept
// digit goes to the even digit. The append functions never allocate when the caller's
// string has room, and are the ones to use in loops.
//
// Common rules:
// - a result that reads as zero never carries a "-": -0.0 gives "0.00" in fixed(v, 2), and
//   so does -0.001, because a draftsman reads "-0.00" as a mistake;
// - NaN and infinities never come from our parser; they are written "nan", "inf" and "-inf"
//   in every notation, so that a fault upstream shows in the drawing instead of turning
//   silently into a plausible coordinate.

#include <cstddef>
#include <string>

namespace mervalon::engine {

/// The largest number of decimals the fixed notations write; more is taken as this many.
/// (A negative count is taken as 0.)
inline constexpr int kMaxFixedDecimals = 340;

/// fixed(v, d): v rounded to 15 significant digits, "-" when negative, at least one digit
/// before the point, exactly d digits after it (no point when d is 0); places beyond the
/// fifteenth significant digit are zeros. fixed(1001.5, 14) = "1001.50000000000000".
/// The rounding to d decimals is done on the 15-digit decimal value, half away from zero:
/// 2.675 (stored as 2.67499999999999982...) is 2.67500000000000 at 15 digits and gives
/// "2.68" with 2 decimals, as the user reading the 15-digit value expects.
void appendFixed(std::string& out, double value, int decimals);
std::string formatFixed(double value, int decimals);
/// The same written at `out`, which must have room for fixedMaxLength(decimals) characters;
/// returns the end of what was written.
char* writeFixed(char* out, double value, int decimals);
/// The longest fixed(v, decimals): a sign, the 309 integer digits of the largest double, the
/// point and the decimals (those of kMaxFixedDecimals at most).
constexpr std::size_t fixedMaxLength(int decimals)
{
    return 1 + 309 + 1 +
           static_cast<std::size_t>(decimals < 0 ? 0 : (decimals > kMaxFixedDecimals ? kMaxFixedDecimals : decimals));
}

/// As appendFixed, rounding first to significantDigits (1 to 17, clamped) instead of 15.
/// The report writes its offsets with 3 decimals at 14 significant digits.
/// Not tuned for speed.
void appendFixedSignificant(std::string& out, double value, int decimals, int significantDigits);
std::string formatFixedSignificant(double value, int decimals, int significantDigits);

/// sci23(v): 23 characters: sign (" " for zero and positive values, "-" for negative ones),
/// d.dddddddddddddd (15 significant digits), "E", exponent sign, four exponent digits.
/// sci23(2000) = " 2.00000000000000E+0003"; sci23(-0.0) = " 0.00000000000000E+0000".
void appendSci23(std::string& out, double value);
std::string formatSci23(double value);
/// The same written at `out`, which must have room for kSci23Length characters (NaN and the
/// infinities take fewer); returns the end of what was written.
inline constexpr std::size_t kSci23Length = 23;
char* writeSci23(char* out, double value);

/// general(v): shortest text of v rounded to 15 significant digits, no trailing zeros, no
/// point for whole values (1010.0 gives "1010", 0.5 gives "0.5", -0.0 gives "0").
/// When the rounded magnitude is 1e15 or more, or below 1e-5, the scientific form is used:
/// the significant digits with the point after the first (no point for a single digit),
/// "E", the exponent's sign and at least two exponent digits: "1.5E+15", "1E+15",
/// "-2.5E-06", "1.23456789012345E+300". Every CAD reader and our own decimal reader accept it.
void appendGeneral(std::string& out, double value);
std::string formatGeneral(double value);

} // namespace mervalon::engine
