#pragma once
// The value of one sheet cell as the program sees it.

#include <string>

namespace mervalon::spreadsheet {

/// Empty (null), a number, or a text in Windows-1252. Dates, booleans, error codes and formula
/// results have already become texts or numbers when a workbook is read (see BiffReader).
struct CellValue {
    enum class Kind { Empty, Number, Text };

    Kind kind = Kind::Empty;
    double number = 0;
    std::string text;

    static CellValue ofNumber(double value) { return CellValue{Kind::Number, value, {}}; }
    static CellValue ofText(std::string value) { return CellValue{Kind::Text, 0, std::move(value)}; }

    bool isEmpty() const { return kind == Kind::Empty; }
    /// The value as text: numbers in their shortest form of at most 15 significant digits.
    std::string toText() const;
};

} // namespace mervalon::spreadsheet
