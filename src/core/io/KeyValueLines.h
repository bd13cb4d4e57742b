#pragma once
// The small key=value files kept beside records (a format's dialect, a configuration's options):
// one setting a line, blanks around keys and values, '#' comments, either line end.

#include <cstddef>
#include <string_view>
#include <vector>

namespace mervalon::io {

struct KeyValueLine {
    std::size_t number = 0; ///< 1-based, counting every line of the text
    std::string_view text;  ///< the whole line, without blanks around it
    bool hasEquals = false; ///< false: no key=value line, which the reader reports
    std::string_view key;   ///< without blanks around it
    std::string_view value; ///< without blanks around it
};

/// The lines of `text` that are neither empty nor comments; the views point into `text`.
std::vector<KeyValueLine> keyValueLines(std::string_view text);

} // namespace mervalon::io
