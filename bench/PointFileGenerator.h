#pragma once
// A deterministic survey point file for benchmarks: the shipped default format's columns
// (number, East, North, elevation, description, polyline code), comma separated.

#include <cstdint>
#include <filesystem>
#include <string>

namespace mervalon::bench {

/// What a generated file holds, so that the drawing made from it can be checked.
struct PointFileSummary {
    std::uint64_t points = 0;
    std::uint64_t polylines = 0; // polylines the codes open and close
    std::uint64_t vertices = 0;  // points that belong to a polyline
    std::uint64_t bytes = 0;
};

/// Produces the lines one by one: a walk over realistic coordinates (512345.678,
/// 6712345.678, 123.456) in millimetres, with runs of 2 to 40 points coded 1, 2 ... 2, 3
/// (one polyline each) between single points that carry no code field. Every line ends with
/// CR LF. The same seed and point count give the same bytes on every platform.
class PointFileGenerator {
  public:
    PointFileGenerator(std::uint64_t points, std::uint64_t seed);

    /// Appends the next line to out; false when all points have been produced.
    bool appendLine(std::string& out);

    const PointFileSummary& summary() const { return m_summary; }

  private:
    std::uint64_t nextRandom();
    void startRun();

    std::uint64_t m_points;
    std::uint64_t m_state;
    PointFileSummary m_summary;
    std::int64_t m_eastMm = 512'345'678;
    std::int64_t m_northMm = 6'712'345'678;
    std::int64_t m_elevationMm = 123'456;
    std::uint64_t m_runLeft = 0;   // points left in the current polyline run, 0 when none
    std::uint64_t m_runLength = 0; // points of the current run
    const char* m_runDescription = "";
};

/// Writes the whole file (created or truncated). Throws std::system_error on failure.
PointFileSummary writePointFile(const std::filesystem::path& path, std::uint64_t points, std::uint64_t seed = 1);

} // namespace mervalon::bench
