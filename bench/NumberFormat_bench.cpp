// Microbenchmarks of the number notations, on the values a conversion formats per point.

#include "core/engine/NumberFormat.h"

#include <array>
#include <benchmark/benchmark.h>
#include <charconv>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

/// Survey-like values: coordinates with three decimals, plus an offset that makes full
/// 15-digit mantissas as the text columns' X do.
std::vector<double> surveyValues(double low, double high, double offset)
{
    std::mt19937_64 random(42);
    std::uniform_int_distribution<long long> units(static_cast<long long>(low * 1000),
                                                   static_cast<long long>(high * 1000));
    std::vector<double> values(4096);
    for (double& value : values) {
        value = static_cast<double>(units(random)) / 1000.0 + offset;
    }
    return values;
}

template <typename Format> void runOver(benchmark::State& state, const std::vector<double>& values, Format format)
{
    std::string out;
    out.reserve(1 << 16);
    std::size_t i = 0;
    for (auto _ : state) {
        if (out.size() > (1 << 16) - 1024) {
            out.clear();
        }
        format(out, values[i]);
        i = (i + 1) & (values.size() - 1);
    }
    benchmark::DoNotOptimize(out.data());
    state.SetItemsProcessed(state.iterations());
}

const std::vector<double>& eastings()
{
    static const auto v = surveyValues(400000, 700000, 0.0);
    return v;
}
const std::vector<double>& textX()
{
    static const auto v = surveyValues(400000, 700000, 0.5 + 1e-9);
    return v;
}
const std::vector<double>& northings()
{
    static const auto v = surveyValues(6500000, 6900000, 0.0);
    return v;
}
const std::vector<double>& elevations()
{
    static const auto v = surveyValues(-20, 900, 0.0);
    return v;
}

void fixed14TextX(benchmark::State& state)
{
    runOver(state, textX(), [](std::string& out, double v) { mervalon::engine::appendFixed(out, v, 14); });
}
void fixed3Easting(benchmark::State& state)
{
    runOver(state, eastings(), [](std::string& out, double v) { mervalon::engine::appendFixed(out, v, 3); });
}
void fixed2Elevation(benchmark::State& state)
{
    runOver(state, elevations(), [](std::string& out, double v) { mervalon::engine::appendFixed(out, v, 2); });
}
void sci23Northing(benchmark::State& state)
{
    runOver(state, northings(), [](std::string& out, double v) { mervalon::engine::appendSci23(out, v); });
}
void generalEasting(benchmark::State& state)
{
    runOver(state, eastings(), [](std::string& out, double v) { mervalon::engine::appendGeneral(out, v + 0.25); });
}
void fixedSignificant14(benchmark::State& state)
{
    runOver(state, eastings(),
            [](std::string& out, double v) { mervalon::engine::appendFixedSignificant(out, v, 3, 14); });
}

// Yardsticks: the correctly rounded library routines the notations could be built on.
void toCharsScientific14(benchmark::State& state)
{
    runOver(state, textX(), [](std::string& out, double v) {
        char text[32];
        const auto result = std::to_chars(text, text + sizeof text, v, std::chars_format::scientific, 14);
        out.append(text, result.ptr);
    });
}
void snprintfScientific14(benchmark::State& state)
{
    runOver(state, textX(), [](std::string& out, double v) {
        char text[32];
        const int length = std::snprintf(text, sizeof text, "%.14e", v);
        out.append(text, static_cast<std::size_t>(length));
    });
}

} // namespace

BENCHMARK(fixed14TextX);
BENCHMARK(fixed3Easting);
BENCHMARK(fixed2Elevation);
BENCHMARK(sci23Northing);
BENCHMARK(generalEasting);
BENCHMARK(fixedSignificant14);
BENCHMARK(toCharsScientific14);
BENCHMARK(snprintfScientific14);

BENCHMARK_MAIN();
