#include "core/io/KeyValueLines.h"

namespace mervalon::io {
namespace {

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\r')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

} // namespace

std::vector<KeyValueLine> keyValueLines(std::string_view text)
{
    std::vector<KeyValueLine> lines;
    std::size_t number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = trimmed(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++number;
        if (line.empty() || line.front() == '#') {
            continue;
        }
        KeyValueLine entry;
        entry.number = number;
        entry.text = line;
        if (const std::size_t equals = line.find('='); equals != std::string_view::npos) {
            entry.hasEquals = true;
            entry.key = trimmed(line.substr(0, equals));
            entry.value = trimmed(line.substr(equals + 1));
        }
        lines.push_back(entry);
    }
    return lines;
}

} // namespace mervalon::io
