#include "core/config/ExtensionList.h"

#include "core/io/FileIo.h"
#include "core/io/ReplaceFile.h"

namespace mervalon::config {
namespace {

std::string trimBlanks(const std::string& text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

bool isBlank(const std::string& text)
{
    return text.find_first_not_of(" \t") == std::string::npos;
}

} // namespace

std::string displayName(const std::string& line)
{
    const auto bar = line.find('|');
    if (bar == std::string::npos) {
        return line;
    }
    // Lines written by the program always have a blank on each side of the bar; a line typed
    // without it must not lose the last letter of its name.
    const std::size_t end = (bar > 0 && line[bar - 1] == ' ') ? bar - 1 : bar;
    return line.substr(0, end);
}

std::string extensionsText(const std::string& line)
{
    const auto bar = line.find('|');
    if (bar == std::string::npos) {
        return {};
    }
    std::size_t begin = bar + 1;
    if (begin < line.size() && line[begin] == ' ') {
        ++begin;
    }
    return line.substr(begin);
}

std::vector<std::string> splitExtensions(const std::string& extensionsText)
{
    std::vector<std::string> extensions;
    std::size_t start = 0;
    while (start <= extensionsText.size()) {
        auto end = extensionsText.find(';', start);
        if (end == std::string::npos) {
            end = extensionsText.size();
        }
        std::string piece = trimBlanks(extensionsText.substr(start, end - start));
        if (!piece.empty()) {
            extensions.push_back(std::move(piece));
        }
        start = end + 1;
    }
    return extensions;
}

std::string buildMask(const std::vector<std::string>& extensions)
{
    std::string mask;
    for (const auto& extension : extensions) {
        mask += "*." + extension + ";";
    }
    return mask;
}

std::vector<std::string> maskPatterns(const std::vector<std::string>& extensions)
{
    std::vector<std::string> patterns;
    patterns.reserve(extensions.size());
    for (const auto& extension : extensions) {
        patterns.push_back("*." + extension);
    }
    return patterns;
}

std::string makeExtensionLine(const std::string& name, const std::string& extensionsText)
{
    return name + " | " + extensionsText;
}

ExtensionList::ExtensionList(std::vector<std::string> lines) : m_lines(std::move(lines)) {}

ExtensionList ExtensionList::parse(const std::string& text)
{
    std::vector<std::string> lines;
    std::string current;
    // Every line counts, blank ones included, so that a stored file-type index means the
    // same line as the file's own order; only blank lines after the last type are dropped.
    auto finishLine = [&] {
        lines.push_back(current);
        current.clear();
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            finishLine();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
        } else {
            current += c;
        }
    }
    finishLine();
    while (!lines.empty() && isBlank(lines.back())) {
        lines.pop_back();
    }
    return ExtensionList(std::move(lines));
}

ExtensionList ExtensionList::load(const std::filesystem::path& path)
{
    return parse(io::readFileText(path));
}

std::string ExtensionList::serialize() const
{
    std::string text;
    for (const auto& line : m_lines) {
        text += line + "\r\n";
    }
    return text;
}

void ExtensionList::save(const std::filesystem::path& path) const
{
    io::replaceFile(path, serialize());
}

std::vector<std::string> ExtensionList::displayNames() const
{
    std::vector<std::string> names;
    names.reserve(m_lines.size());
    for (const auto& line : m_lines) {
        names.push_back(displayName(line));
    }
    return names;
}

std::vector<std::string> ExtensionList::extensionsAt(std::size_t index) const
{
    if (index >= m_lines.size()) {
        return {};
    }
    return splitExtensions(extensionsText(m_lines[index]));
}

void ExtensionList::append(std::string line)
{
    m_lines.push_back(std::move(line));
}

void ExtensionList::replace(std::size_t index, std::string line)
{
    if (index < m_lines.size()) {
        m_lines[index] = std::move(line);
    }
}

bool ExtensionList::remove(std::size_t index)
{
    if (m_lines.size() <= 1 || index >= m_lines.size()) {
        return false;
    }
    m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(index));
    return true;
}

} // namespace mervalon::config
