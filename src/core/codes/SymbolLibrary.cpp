#include "core/codes/SymbolLibrary.h"

#include "core/codes/CodeLibrary.h"
#include "core/io/FileIo.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <system_error>

namespace mervalon::codes {
namespace {

struct Pair {
    int code = 0;
    std::string value;
};

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

std::vector<Pair> pairsOf(std::string_view content, const std::string& fileName)
{
    std::vector<std::string_view> lines;
    while (!content.empty()) {
        const std::size_t end = content.find('\n');
        lines.push_back(content.substr(0, end));
        content = end == std::string_view::npos ? std::string_view() : content.substr(end + 1);
    }
    std::vector<Pair> pairs;
    for (std::size_t i = 0; i + 1 < lines.size(); i += 2) {
        const std::string_view code = trimmed(lines[i]);
        Pair pair;
        const auto [end, error] = std::from_chars(code.data(), code.data() + code.size(), pair.code);
        if (code.empty() || error != std::errc() || end != code.data() + code.size()) {
            throw SymbolFileError("the symbol file \"" + fileName + "\" is no DXF file: line " + std::to_string(i + 1) +
                                  " holds no group code");
        }
        pair.value = std::string(pair.code == 1 || pair.code == 3 ? lines[i + 1] : trimmed(lines[i + 1]));
        if (!pair.value.empty() && pair.value.back() == '\r') {
            pair.value.pop_back();
        }
        pairs.push_back(std::move(pair));
    }
    return pairs;
}

void put(std::string& out, int code, std::string_view value)
{
    std::string number = std::to_string(code);
    if (number.size() < 3) {
        out.append(3 - number.size(), ' ');
    }
    out += number;
    out += "\r\n";
    out += value;
    out += "\r\n";
}

} // namespace

std::string blockDefinition(std::string_view name, std::string_view content, const std::string& fileName)
{
    const std::vector<Pair> pairs = pairsOf(content, fileName);
    const auto isStart = [](const Pair& p, std::string_view what) {
        return p.code == 0 && upperCased(p.value) == what;
    };
    const auto block = std::find_if(pairs.begin(), pairs.end(), [&](const Pair& p) { return isStart(p, "BLOCK"); });
    if (block == pairs.end()) {
        throw SymbolFileError("the symbol file \"" + fileName + "\" holds no BLOCK");
    }
    auto entity = std::find_if(block + 1, pairs.end(), [](const Pair& p) { return p.code == 0; });
    const auto endBlock = std::find_if(entity, pairs.end(), [&](const Pair& p) { return isStart(p, "ENDBLK"); });
    if (endBlock == pairs.end()) {
        throw SymbolFileError("the symbol file \"" + fileName + "\" holds a BLOCK without ENDBLK");
    }
    std::string out;
    put(out, 0, "BLOCK");
    put(out, 8, "0");
    put(out, 2, name);
    put(out, 70, "2");
    put(out, 10, "0.0");
    put(out, 20, "0.0");
    put(out, 30, "0.0");
    put(out, 3, name);
    bool skipping = false;
    for (auto p = entity; p != endBlock; ++p) {
        if (p->code == 0) {
            skipping = upperCased(p->value) == "ATTDEF"; // the block's attributes are the ones below
        }
        if (!skipping && p->code != 5) {
            put(out, p->code, p->value);
        }
    }
    for (const std::string_view tag : kAttributeTags) {
        put(out, 0, "ATTDEF");
        put(out, 8, "0");
        put(out, 10, "0.0");
        put(out, 20, "0.0");
        put(out, 30, "0.0");
        put(out, 40, "0.25");
        put(out, 1, "");
        put(out, 3, tag);
        put(out, 2, tag);
        put(out, 70, "1");
    }
    put(out, 0, "ENDBLK");
    put(out, 8, "0");
    return out;
}

namespace {

double numberOf(const std::string& text)
{
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && std::isfinite(value) ? value : 0.0;
}

} // namespace

SymbolShapes symbolShapes(std::string_view content, const std::string& fileName)
{
    const std::vector<Pair> pairs = pairsOf(content, fileName);
    const auto isStart = [](const Pair& p, std::string_view what) {
        return p.code == 0 && upperCased(p.value) == what;
    };
    const auto block = std::find_if(pairs.begin(), pairs.end(), [&](const Pair& p) { return isStart(p, "BLOCK"); });
    if (block == pairs.end()) {
        throw SymbolFileError("the symbol file \"" + fileName + "\" holds no BLOCK");
    }
    const auto endBlock = std::find_if(block + 1, pairs.end(), [&](const Pair& p) { return isStart(p, "ENDBLK"); });
    if (endBlock == pairs.end()) {
        throw SymbolFileError("the symbol file \"" + fileName + "\" holds a BLOCK without ENDBLK");
    }
    SymbolShapes shapes;
    auto entity = std::find_if(block + 1, endBlock, [](const Pair& p) { return p.code == 0; });
    while (entity != endBlock) {
        const auto next = std::find_if(entity + 1, endBlock, [](const Pair& p) { return p.code == 0; });
        const std::string type = upperCased(entity->value);
        std::map<int, double> value;
        std::vector<std::pair<double, double>> vertices;
        bool closed = false;
        for (auto p = entity + 1; p != next; ++p) {
            if (type == "LWPOLYLINE" && p->code == 10) {
                vertices.emplace_back(numberOf(p->value), 0.0);
            } else if (type == "LWPOLYLINE" && p->code == 20 && !vertices.empty()) {
                vertices.back().second = numberOf(p->value);
            } else if (type == "LWPOLYLINE" && p->code == 70) {
                closed = (static_cast<int>(numberOf(p->value)) & 1) != 0;
            } else {
                value[p->code] = numberOf(p->value);
            }
        }
        if (type == "LINE") {
            shapes.segments.push_back({value[10], value[20], value[11], value[21]});
        } else if (type == "CIRCLE") {
            shapes.circles.push_back({value[10], value[20], value[40]});
        } else if (type == "ARC") {
            constexpr double kDegree = 3.14159265358979323846 / 180.0;
            double end = value[51];
            while (end <= value[50]) {
                end += 360.0;
            }
            constexpr int kChords = 24;
            const double step = (end - value[50]) / kChords;
            for (int i = 0; i < kChords; ++i) {
                const double a = (value[50] + step * i) * kDegree;
                const double b = (value[50] + step * (i + 1)) * kDegree;
                shapes.segments.push_back({value[10] + value[40] * std::cos(a), value[20] + value[40] * std::sin(a),
                                           value[10] + value[40] * std::cos(b), value[20] + value[40] * std::sin(b)});
            }
        } else if (type == "LWPOLYLINE") {
            for (std::size_t i = 0; i + 1 < vertices.size(); ++i) {
                shapes.segments.push_back(
                    {vertices[i].first, vertices[i].second, vertices[i + 1].first, vertices[i + 1].second});
            }
            if (closed && vertices.size() > 2) {
                shapes.segments.push_back(
                    {vertices.back().first, vertices.back().second, vertices.front().first, vertices.front().second});
            }
        }
        entity = next;
    }
    return shapes;
}

SymbolLibrary SymbolLibrary::inFolder(const std::filesystem::path& folder)
{
    SymbolLibrary library;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::filesystem::path& path = it->path();
        if (upperCased(path.extension().string()) == ".DXF" && it->is_regular_file(error)) {
            library.m_files.emplace(upperCased(path.stem().string()), path);
        }
    }
    return library;
}

bool SymbolLibrary::contains(std::string_view name) const
{
    return m_files.contains(upperCased(name));
}

std::filesystem::path SymbolLibrary::file(std::string_view name) const
{
    const auto found = m_files.find(upperCased(name));
    return found == m_files.end() ? std::filesystem::path() : found->second;
}

std::vector<std::string> SymbolLibrary::names() const
{
    std::vector<std::string> names;
    for (const auto& entry : m_files) {
        names.push_back(entry.first);
    }
    return names;
}

std::map<std::string, std::string> SymbolLibrary::definitions(const std::vector<std::string>& names) const
{
    std::map<std::string, std::string> blocks;
    for (const std::string& name : names) {
        const auto file = m_files.find(upperCased(name));
        if (file == m_files.end()) {
            throw SymbolFileError("the symbol \"" + name + "\" is not in the symbol library");
        }
        blocks.emplace(file->first,
                       blockDefinition(file->first, io::readFileText(file->second), file->second.string()));
    }
    return blocks;
}

} // namespace mervalon::codes
