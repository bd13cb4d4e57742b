// mervalon-bench: end-to-end throughput of the batch converter on a generated file of a
// million points with every entity kind enabled, once writing to memory (/dev/shm) and
// once to disk, with the converter's peak memory against its budget.

#include "PointFileGenerator.h"
#include "core/config/Configuration.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using mervalon::config::EntityKind;

namespace {

constexpr double kMiB = 1024.0 * 1024.0;
// A drawing takes a little under 1 KB per point with every entity on; room is checked first.
constexpr std::uintmax_t kOutputBytesPerPointEstimate = 1200;

struct Options {
    fs::path converter = MERVALON_CONVERTER_PATH;
    fs::path dataDir = MERVALON_DATA_BUILD_DIR;
    fs::path diskDir = fs::temp_directory_path();
    fs::path memoryDir = "/dev/shm";
    std::uint64_t points = 1'000'000;
    int runs = 1;
    std::uint64_t files = 1;          // copies of the point file converted by one run
    std::vector<unsigned> jobs = {1}; // --jobs of the converter; each run converts once per value
    // --format-threads of the converter, each value with each --jobs value; none: its default.
    std::vector<std::optional<unsigned>> formatThreads = {std::nullopt};
    bool disk = true;
    bool keep = false;
    bool check = false;
    std::optional<fs::path> generateOnly;
};

// One way of running the converter: its --jobs, and its --format-threads when given.
struct Variant {
    unsigned jobs = 1;
    std::optional<unsigned> formatThreads;

    [[nodiscard]] std::string name() const
    {
        return "jobs " + std::to_string(jobs) +
               (formatThreads ? " format-threads " + std::to_string(*formatThreads) : std::string());
    }
};

std::vector<Variant> variantsOf(const Options& options)
{
    std::vector<Variant> variants;
    for (const unsigned jobs : options.jobs) {
        for (const std::optional<unsigned>& threads : options.formatThreads) {
            variants.push_back(Variant{jobs, threads});
        }
    }
    return variants;
}

struct ChildRun {
    int exitStatus = -1; // exit code, or -1 when the child did not exit normally
    double seconds = 0;
    double userSeconds = 0;
    double systemSeconds = 0;
    long peakKiB = 0;
};

void printUsage()
{
    std::puts("usage: mervalon-bench [--converter PATH] [--points N] [--disk-dir DIR] [--memory-dir DIR]\n"
              "                      [--data-dir DIR] [--runs N] [--files N] [--jobs J[,J...]]\n"
              "                      [--format-threads T[,T...]]\n"
              "                      [--memory-only] [--keep] [--check]\n"
              "       mervalon-bench --generate FILE [--points N]\n"
              "  --check  loads each drawing with tests/tools/check_dxf.py (slow: use with few points)");
}

// "1,2,4" as its numbers.
std::vector<unsigned> numberList(const std::string& list)
{
    std::vector<unsigned> numbers;
    for (std::size_t at = 0; at <= list.size();) {
        const std::size_t comma = std::min(list.find(',', at), list.size());
        numbers.push_back(static_cast<unsigned>(std::strtoul(list.substr(at, comma - at).c_str(), nullptr, 10)));
        at = comma + 1;
    }
    return numbers;
}

std::optional<Options> parseOptions(int argc, char** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const bool hasValue = i + 1 < argc;
        if (argument == "--converter" && hasValue) {
            options.converter = argv[++i];
        } else if (argument == "--points" && hasValue) {
            options.points = std::strtoull(argv[++i], nullptr, 10);
        } else if (argument == "--disk-dir" && hasValue) {
            options.diskDir = argv[++i];
        } else if (argument == "--memory-dir" && hasValue) {
            options.memoryDir = argv[++i];
        } else if (argument == "--data-dir" && hasValue) {
            options.dataDir = argv[++i];
        } else if (argument == "--generate" && hasValue) {
            options.generateOnly = fs::path(argv[++i]);
        } else if (argument == "--runs" && hasValue) {
            options.runs = std::max(1, std::atoi(argv[++i]));
        } else if (argument == "--files" && hasValue) {
            options.files = std::strtoull(argv[++i], nullptr, 10);
        } else if (argument == "--jobs" && hasValue) {
            options.jobs.clear();
            for (const unsigned jobs : numberList(argv[++i])) {
                options.jobs.push_back(jobs);
            }
        } else if (argument == "--format-threads" && hasValue) {
            options.formatThreads.clear();
            for (const unsigned threads : numberList(argv[++i])) {
                options.formatThreads.emplace_back(threads);
            }
        } else if (argument == "--memory-only") {
            options.disk = false;
        } else if (argument == "--keep") {
            options.keep = true;
        } else if (argument == "--check") {
            options.check = true;
        } else {
            return std::nullopt;
        }
    }
    if (options.points == 0 || options.files == 0) {
        return std::nullopt;
    }
    return options;
}

fs::path makeTempDir(const fs::path& parent, const char* stem)
{
    std::string pattern = (parent / (std::string(stem) + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::system_error(errno, std::generic_category(), "cannot create a folder in " + parent.string());
    }
    return pattern;
}

/// Every entity kind on, every text in the layout, 3D: the heaviest drawing there is.
mervalon::config::Configuration allEntitiesConfiguration()
{
    mervalon::config::Configuration c;
    c.entity(EntityKind::Point).create = 1;
    c.entity(EntityKind::Point).layer = "POINTS";
    c.entity(EntityKind::Point).color = 7;
    c.entity(EntityKind::Number).create = 1;
    c.entity(EntityKind::Number).height = "0.5";
    c.entity(EntityKind::Number).layer = "NUMBERS";
    c.entity(EntityKind::Number).color = 3;
    c.entity(EntityKind::X).create = 1;
    c.entity(EntityKind::X).height = "0.5";
    c.entity(EntityKind::X).decimals = 3;
    c.entity(EntityKind::X).layer = "X_COORD";
    c.entity(EntityKind::X).color = 4;
    c.entity(EntityKind::Y).create = 1;
    c.entity(EntityKind::Y).height = "0.5";
    c.entity(EntityKind::Y).decimals = 3;
    c.entity(EntityKind::Y).layer = "Y_COORD";
    c.entity(EntityKind::Y).color = 4;
    c.entity(EntityKind::Elevation).create = 1;
    c.entity(EntityKind::Elevation).height = "0.5";
    c.entity(EntityKind::Elevation).decimals = 2;
    c.entity(EntityKind::Elevation).layer = "ELEVATIONS";
    c.entity(EntityKind::Elevation).color = 2;
    c.entity(EntityKind::Description).create = 1;
    c.entity(EntityKind::Description).height = "0.5";
    c.entity(EntityKind::Description).layer = "DESCRIPTIONS";
    c.entity(EntityKind::Description).color = 6;
    c.entity(EntityKind::Polyline).create = 1;
    c.entity(EntityKind::Polyline).layer = "POLYLINES";
    c.entity(EntityKind::Polyline).color = 1;
    c.formatName = "!default";
    c.layout.slot = {0, 1, 2, 3, 4};
    c.layout.distance = "0.5";
    return c;
}

/// Runs the program and waits for it; the rusage of wait4 is this child's alone.
ChildRun runChild(const std::vector<std::string>& arguments)
{
    std::vector<char*> argv;
    for (const auto& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    ChildRun run;
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child < 0) {
        throw std::system_error(errno, std::generic_category(), "fork");
    }
    if (child == 0) {
        ::execv(argv[0], argv.data());
        std::fprintf(stderr, "cannot start %s: %s\n", argv[0], std::strerror(errno));
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    while (::wait4(child, &status, 0, &usage) < 0) {
        if (errno != EINTR) {
            throw std::system_error(errno, std::generic_category(), "wait4");
        }
    }
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.peakKiB = usage.ru_maxrss; // kilobytes on Linux
    run.userSeconds = static_cast<double>(usage.ru_utime.tv_sec) + static_cast<double>(usage.ru_utime.tv_usec) / 1e6;
    run.systemSeconds = static_cast<double>(usage.ru_stime.tv_sec) + static_cast<double>(usage.ru_stime.tv_usec) / 1e6;
    return run;
}

std::uintmax_t folderBytes(const fs::path& folder)
{
    std::uintmax_t bytes = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            bytes += entry.file_size();
        }
    }
    return bytes;
}

/// The physical bound: the same number of bytes written into the same folder by a plain loop
/// of 1 MiB writes and one fsync, as the converter ends its drawing.
double plainWriteSeconds(const fs::path& folder, std::uintmax_t bytes)
{
    const fs::path file = folder / "plain-write.bin";
    const std::string block(1 << 20, 'x');
    const auto start = std::chrono::steady_clock::now();
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        throw std::system_error(errno, std::generic_category(), "cannot create " + file.string());
    }
    std::uintmax_t left = bytes;
    while (left > 0) {
        const std::size_t chunk = static_cast<std::size_t>(std::min<std::uintmax_t>(left, block.size()));
        const ssize_t written = ::write(fd, block.data(), chunk);
        if (written <= 0) {
            ::close(fd);
            throw std::system_error(errno, std::generic_category(), "cannot write " + file.string());
        }
        left -= static_cast<std::uintmax_t>(written);
    }
    ::fsync(fd);
    ::close(fd);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    fs::remove(file);
    return seconds;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

struct Setup {
    fs::path input;
    std::vector<fs::path> inputs; // the files a run converts: the input, or --files links to it
    fs::path installDir;
    fs::path configuration;
    mervalon::bench::PointFileSummary summary;
};

struct RunFigures {
    double seconds = 0;
    double boundSeconds = 0;
    std::uintmax_t outputBytes = 0;
};

/// Runs one conversion into a fresh folder under `parent`, and the plain write loop of as
/// many bytes into the same folder; returns false when the conversion failed or went over
/// its memory budget. Whichever of the two writes second finds the memory (or the disk
/// blocks) the first has just freed, which the kernel hands out faster: every second run
/// therefore writes the plain loop first, with the size of the drawing of the run before.
bool convertOnce(const char* label, const fs::path& parent, const Setup& setup, const Options& options,
                 const Variant& variant, std::vector<RunFigures>& figures)
{
    const std::uint64_t points = setup.summary.points * setup.inputs.size();
    const bool boundFirst = figures.size() % 2 == 1;
    double bound = boundFirst ? plainWriteSeconds(parent, figures.back().outputBytes) : 0;
    const std::uintmax_t needed = points * kOutputBytesPerPointEstimate;
    std::error_code error;
    const auto space = fs::space(parent, error);
    if (error || space.available < needed) {
        std::printf("%-6s skipped: %s has not %.0f MiB free\n", label, parent.c_str(),
                    static_cast<double>(needed) / kMiB);
        return true;
    }
    const fs::path folder = makeTempDir(parent, "mervalon-bench");
    const fs::path destination = folder / "dxf";
    fs::create_directory(destination);
    std::vector<std::string> arguments = {options.converter.string(),
                                          "--install-dir",
                                          setup.installDir.string(),
                                          "--format",
                                          "!default",
                                          "--config",
                                          setup.configuration.string(),
                                          "--on-error",
                                          "skip",
                                          "--dest",
                                          destination.string(),
                                          "--report",
                                          (folder / "report.log").string()};
    if (variant.jobs != 1) {
        arguments.insert(arguments.end(), {"--jobs", std::to_string(variant.jobs)});
    }
    if (variant.formatThreads) {
        arguments.insert(arguments.end(), {"--format-threads", std::to_string(*variant.formatThreads)});
    }
    for (const fs::path& input : setup.inputs) {
        arguments.push_back(input.string());
    }
    const ChildRun run = runChild(arguments);
    const std::uintmax_t outputBytes = folderBytes(destination);
    const double inputMiB = static_cast<double>(setup.summary.bytes) / kMiB;
    const double peakMiB = static_cast<double>(run.peakKiB) / 1024.0;
    const double budgetMiB = 3.0 * inputMiB + 64.0;
    const double goalMiB = inputMiB + 64.0;
    const bool withinBudget = peakMiB < budgetMiB;
    std::printf("%-6s %s: exit %d, %.2f s (user %.2f s, system %.2f s), %.0f points/s, output %ju bytes (%.1f MiB), "
                "peak memory %.1f MiB, budget 3 x input + 64 MiB = %.1f MiB: %s; goal input + 64 MiB = %.1f MiB: %s\n",
                label, variant.name().c_str(), run.exitStatus, run.seconds, run.userSeconds, run.systemSeconds,
                static_cast<double>(points) / run.seconds, outputBytes, static_cast<double>(outputBytes) / kMiB,
                peakMiB, budgetMiB, withinBudget ? "within" : "EXCEEDED", goalMiB,
                peakMiB < goalMiB ? "within" : "over");
    if (run.exitStatus == 0 && outputBytes == 0) {
        std::printf("%-6s the converter reported success but wrote no drawing\n", label);
    }
    bool good = run.exitStatus == 0 && withinBudget && outputBytes > 0;
    if (options.check && run.exitStatus == 0) {
        const fs::path drawing = destination / (setup.input.stem().string() + ".dxf");
        const std::string pointCount = std::to_string(setup.summary.points);
        const ChildRun check =
            runChild({"/usr/bin/python3", MERVALON_CHECK_DXF, drawing.string(), "--points", pointCount, "--texts",
                      std::to_string(setup.summary.points * 5), "--polylines", std::to_string(setup.summary.polylines),
                      "--vertices", std::to_string(setup.summary.vertices)});
        good = good && check.exitStatus == 0;
    }
    if (options.keep) {
        std::printf("%-6s kept in %s\n", label, folder.c_str());
    } else {
        fs::remove_all(folder, error);
    }
    if (!boundFirst) {
        // The drawing is gone (unless kept), so the plain loop finds the same room in the folder.
        bound = plainWriteSeconds(options.keep ? folder : parent, outputBytes);
    }
    std::printf("%-6s plain write loop of the same %ju bytes into %s, %s the conversion: %.2f s (%.0f points/s); "
                "ours %.2f x that\n",
                label, outputBytes, parent.c_str(), boundFirst ? "before" : "after", bound,
                static_cast<double>(points) / bound, run.seconds / bound);
    figures.push_back(RunFigures{run.seconds, bound, outputBytes});
    return good;
}

/// Returns the median seconds of the runs.
double printSummary(const std::string& label, const std::vector<RunFigures>& figures, std::uint64_t points)
{
    if (figures.size() < 2) {
        return figures.empty() ? 0 : figures.front().seconds;
    }
    std::vector<double> ours;
    std::vector<double> bounds;
    for (const RunFigures& f : figures) {
        ours.push_back(f.seconds);
        bounds.push_back(f.boundSeconds);
    }
    const double p = static_cast<double>(points);
    std::printf(
        "%-6s %zu runs: ours min %.2f s (%.0f points/s), median %.2f s (%.0f points/s); plain write min %.2f s, "
        "median %.2f s; median ratio %.2f\n",
        label.c_str(), figures.size(), *std::min_element(ours.begin(), ours.end()),
        p / *std::min_element(ours.begin(), ours.end()), median(ours), p / median(ours),
        *std::min_element(bounds.begin(), bounds.end()), median(bounds), median(ours) / median(bounds));
    return median(ours);
}

int runBenchmark(const Options& options)
{
    const fs::path work = makeTempDir(options.diskDir, "mervalon-bench-work");
    Setup setup;
    setup.input = work / "points.txt";
    const auto start = std::chrono::steady_clock::now();
    setup.summary = mervalon::bench::writePointFile(setup.input, options.points);
    const double generationSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    setup.inputs = {setup.input};
    for (std::uint64_t i = 2; i <= options.files; ++i) {
        // Links: a file of its own name (so a drawing of its own) without the room of a copy.
        setup.inputs.push_back(work / ("points-" + std::to_string(i) + ".txt"));
        fs::create_hard_link(setup.input, setup.inputs.back());
    }

    setup.installDir = work / "install";
    fs::copy(options.dataDir, setup.installDir, fs::copy_options::recursive);
    setup.configuration = setup.installDir / "configurations" / "bench-all-entities.rp4";
    mervalon::config::writeConfigurationFile(setup.configuration, allEntitiesConfiguration());

    std::printf("converter %s\n", options.converter.c_str());
    std::printf("input  %ju points, %ju polylines of %ju vertices, %ju bytes (%.1f MiB), generated in %.2f s; "
                "%zu file(s) a run\n",
                setup.summary.points, setup.summary.polylines, setup.summary.vertices, setup.summary.bytes,
                static_cast<double>(setup.summary.bytes) / kMiB, generationSeconds, setup.inputs.size());
    bool good = true;
    // Per variant; the variants take turns within each run, so that they share the machine's moods.
    const std::vector<Variant> variants = variantsOf(options);
    std::vector<std::vector<RunFigures>> memoryFigures(variants.size());
    std::vector<std::vector<RunFigures>> diskFigures(variants.size());
    for (int run = 0; run < options.runs; ++run) {
        for (std::size_t v = 0; v < variants.size(); ++v) {
            good = convertOnce("memory", options.memoryDir, setup, options, variants[v], memoryFigures[v]) && good;
            if (options.disk) {
                good = convertOnce("disk", options.diskDir, setup, options, variants[v], diskFigures[v]) && good;
            }
        }
    }
    const std::uint64_t points = setup.summary.points * setup.inputs.size();
    for (const auto& [label, figures] : {std::pair{"memory", &memoryFigures}, std::pair{"disk", &diskFigures}}) {
        std::vector<double> medians;
        for (std::size_t v = 0; v < variants.size(); ++v) {
            medians.push_back(printSummary(std::string(label) + " " + variants[v].name(), (*figures)[v], points));
        }
        for (std::size_t v = 1; v < variants.size() && medians[0] > 0 && medians[v] > 0; ++v) {
            std::printf("%-6s %s: %.2f x the throughput of %s (median times)\n", label, variants[v].name().c_str(),
                        medians[0] / medians[v], variants[0].name().c_str());
        }
    }
    if (options.keep) {
        std::printf("input and installation kept in %s\n", work.c_str());
    } else {
        std::error_code error;
        fs::remove_all(work, error);
    }
    return good ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    const auto options = parseOptions(argc, argv);
    if (!options) {
        printUsage();
        return 2;
    }
    try {
        if (options->generateOnly) {
            const auto summary = mervalon::bench::writePointFile(*options->generateOnly, options->points);
            std::printf("%ju points, %ju polylines, %ju vertices, %ju bytes\n", summary.points, summary.polylines,
                        summary.vertices, summary.bytes);
            return 0;
        }
        return runBenchmark(*options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "mervalon-bench: %s\n", e.what());
        return 1;
    }
}
