#pragma once
// Taking one value out of a line's fields, and reading decimal numbers.

#include <optional>
#include <string_view>

namespace mervalon::engine {

class FieldRow;

/// The outcome of takeField.
struct TakenField {
    enum class Status { Found, FieldMissing, PrefixMissing };
    Status status = Status::FieldMissing;
    std::string_view value;  ///< the field without its prefix (Found only)
    std::string_view asRead; ///< the field as read, prefix included (Found only)
};

/// Field `column` (1-based) of the row, checked for `prefix`. A non-empty prefix must occur
/// somewhere in the field; the first prefix-length characters are then removed.
TakenField takeField(const FieldRow& row, int column, std::string_view prefix);

/// `text` without the blanks and tabs around it.
std::string_view trimBlanks(std::string_view text);

/// Reads a whole text as a decimal number with "." as separator: optional sign, digits with
/// an optional fraction, optional exponent; blanks around it allowed. Nothing else
/// (no comma, no thousands separators, no "inf" or "nan", no hexadecimal) is accepted.
std::optional<double> readDecimal(std::string_view text);

/// Reads a whole text as a signed integer that fits in 64 bits (optional sign, digits).
std::optional<long long> readInteger(std::string_view text);

} // namespace mervalon::engine
