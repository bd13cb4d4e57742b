#pragma once
// The fields of one line of a text file or one row of a sheet.

#include <string>
#include <vector>

namespace mervalon::engine {

/// Ordered fields, column k being element k - 1. A line or row without any field is the
/// one-element list holding kEmptyLine.
using FieldList = std::vector<std::string>;

inline constexpr const char* kEmptyLine = "Empty";

inline FieldList emptyLinePlaceholder()
{
    return FieldList{kEmptyLine};
}

} // namespace mervalon::engine
