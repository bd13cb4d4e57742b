#include "PointFileGenerator.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <memory>
#include <system_error>

namespace mervalon::bench {
namespace {

constexpr std::array<const char*, 4> kLineDescriptions{"FENCE", "ROAD", "KERB", "WALL"};
constexpr std::array<const char*, 6> kSingleDescriptions{"TREE", "MH", "BM", "LP", "SPOT", "HYDRANT"};

void appendInteger(std::string& out, std::uint64_t value)
{
    char text[24];
    const auto result = std::to_chars(text, text + sizeof text, value);
    out.append(text, result.ptr);
}

/// Millimetres as metres with three decimals; the walk keeps every value positive.
void appendMillimetres(std::string& out, std::int64_t millimetres)
{
    const auto value = static_cast<std::uint64_t>(millimetres);
    appendInteger(out, value / 1000);
    const auto fraction = static_cast<unsigned>(value % 1000);
    out += '.';
    out += static_cast<char>('0' + fraction / 100);
    out += static_cast<char>('0' + fraction / 10 % 10);
    out += static_cast<char>('0' + fraction % 10);
}

} // namespace

PointFileGenerator::PointFileGenerator(std::uint64_t points, std::uint64_t seed) : m_points(points), m_state(seed) {}

std::uint64_t PointFileGenerator::nextRandom()
{
    // splitmix64: tiny, and its sequence is fixed by its definition, unlike std's distributions.
    std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

void PointFileGenerator::startRun()
{
    const std::uint64_t left = m_points - m_summary.points;
    // One point in four stands alone; a run never reaches past the last point.
    if (left < 2 || nextRandom() % 4 == 0) {
        m_runLeft = 0;
        return;
    }
    m_runLength = std::min<std::uint64_t>(2 + nextRandom() % 39, left);
    m_runLeft = m_runLength;
    m_runDescription = kLineDescriptions[nextRandom() % kLineDescriptions.size()];
    ++m_summary.polylines;
}

bool PointFileGenerator::appendLine(std::string& out)
{
    if (m_summary.points == m_points) {
        return false;
    }
    if (m_runLeft == 0) {
        startRun();
    }
    const std::size_t start = out.size();
    m_eastMm += static_cast<std::int64_t>(nextRandom() % 40'001) - 20'000;
    m_northMm += static_cast<std::int64_t>(nextRandom() % 40'001) - 20'000;
    m_elevationMm += static_cast<std::int64_t>(nextRandom() % 1'001) - 500;
    if (m_elevationMm < 1'000) {
        m_elevationMm += 1'000;
    }
    ++m_summary.points;
    appendInteger(out, m_summary.points);
    out += ',';
    appendMillimetres(out, m_eastMm);
    out += ',';
    appendMillimetres(out, m_northMm);
    out += ',';
    appendMillimetres(out, m_elevationMm);
    out += ',';
    if (m_runLeft == 0) {
        out += kSingleDescriptions[nextRandom() % kSingleDescriptions.size()];
    } else {
        out += m_runDescription;
        out += ',';
        out += m_runLeft == m_runLength ? '1' : (m_runLeft == 1 ? '3' : '2');
        --m_runLeft;
        ++m_summary.vertices;
    }
    out += "\r\n";
    m_summary.bytes += out.size() - start;
    return true;
}

PointFileSummary writePointFile(const std::filesystem::path& path, std::uint64_t points, std::uint64_t seed)
{
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!file) {
        throw std::system_error(errno, std::generic_category(), "cannot create " + path.string());
    }
    PointFileGenerator generator(points, seed);
    std::string chunk;
    chunk.reserve(1 << 20);
    bool more = true;
    while (more) {
        chunk.clear();
        while (chunk.size() < (1 << 20) - 256 && (more = generator.appendLine(chunk))) {
        }
        if (!chunk.empty() && std::fwrite(chunk.data(), 1, chunk.size(), file.get()) != chunk.size()) {
            throw std::system_error(errno, std::generic_category(), "cannot write " + path.string());
        }
    }
    if (std::fflush(file.get()) != 0) {
        throw std::system_error(errno, std::generic_category(), "cannot write " + path.string());
    }
    return generator.summary();
}

} // namespace mervalon::bench
