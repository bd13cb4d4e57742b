// The desktop program's run against mervalon-convert on the same 1,000,000-point file: the
// progress window is the run's sink and lets the user's events run every 40 ms, which must
// cost next to nothing. Both runs use the shipped default format and configuration and write
// into the same folder (by default /dev/shm, so that the disk does not blur the comparison).
//
//   mervalon-bench-window [--points N] [--dir DIR] [--rounds R]
//
// Prints per round the wall-clock and CPU seconds of each, and at the end the best of each and
// their ratios; the exit status is 0 when both runs succeeded and the window took at most 1.1
// times as long (wall clock or, on a machine shared with other work, CPU time).

#include "PointFileGenerator.h"
#include "app/run/ProgressWindow.h"
#include "app/run/RunRules.h"
#include "core/config/Configuration.h"
#include "core/config/InstallationLayout.h"
#include "core/engine/BatchRun.h"
#include "core/engine/RunLog.h"
#include "core/formats/FormatDefinition.h"

#include <QApplication>
#include <QStringList>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace mervalon;

namespace {

fs::path makeTempDir(const fs::path& parent, const char* stem)
{
    std::string pattern = (parent / (std::string(stem) + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::system_error(errno, std::generic_category(), "cannot create a folder in " + parent.string());
    }
    return pattern;
}

struct Timing {
    double seconds = 0; ///< wall clock
    double cpu = 0;     ///< user + system time: on a busy machine the steadier figure
};

double cpuSeconds(const rusage& usage)
{
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

Timing runConverter(const std::vector<std::string>& arguments, int& exitStatus)
{
    std::vector<char*> argv;
    for (const auto& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child < 0) {
        throw std::system_error(errno, std::generic_category(), "fork");
    }
    if (child == 0) {
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    while (::wait4(child, &status, 0, &usage) < 0) {
        if (errno != EINTR) {
            throw std::system_error(errno, std::generic_category(), "wait4");
        }
    }
    exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), cpuSeconds(usage)};
}

// The run as the window makes it: the request from the window's values, the progress window
// shown as the sink. Counts the times it let events run.
Timing runFromWindow(app::ProgressWindow& window, const app::RunInputs& inputs, int& pumps, bool& ok)
{
    pumps = 0;
    const auto connection = QObject::connect(&window, &app::ProgressWindow::pumping, [&pumps] { ++pumps; });
    const engine::RunRequest request = app::buildRunRequest(inputs);
    rusage before{};
    ::getrusage(RUSAGE_SELF, &before);
    const auto start = std::chrono::steady_clock::now();
    window.begin();
    try {
        engine::runBatch(request, window);
        ok = true;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "window run failed: %s\n", error.what());
        ok = false;
    }
    window.end();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    rusage after{};
    ::getrusage(RUSAGE_SELF, &after);
    QObject::disconnect(connection);
    return {seconds, cpuSeconds(after) - cpuSeconds(before)};
}

} // namespace

int main(int argc, char** argv)
{
    std::uint64_t points = 1'000'000;
    fs::path dir = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    int rounds = 2;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--points") == 0) {
            points = std::strtoull(argv[i + 1], nullptr, 10);
        } else if (std::strcmp(argv[i], "--dir") == 0) {
            dir = argv[i + 1];
        } else if (std::strcmp(argv[i], "--rounds") == 0) {
            rounds = std::max(1, std::atoi(argv[i + 1]));
        }
    }
    QApplication application(argc, argv);

    const fs::path work = makeTempDir(dir, "mervalon-window-bench");
    const fs::path install = work / "install";
    fs::copy(MERVALON_DATA_BUILD_DIR, install, fs::copy_options::recursive);
    const fs::path input = work / "in";
    const fs::path output = work / "out";
    fs::create_directories(input);
    fs::create_directories(output);
    const bench::PointFileSummary summary = bench::writePointFile(input / "points.txt", points);
    std::printf("input: %llu points, %llu bytes, in %s\n", static_cast<unsigned long long>(summary.points),
                static_cast<unsigned long long>(summary.bytes), work.c_str());

    const fs::path configurationFile = config::layout::defaultConfigurationPath(install);
    app::RunInputs inputs;
    inputs.configuration = config::readConfigurationFile(configurationFile);
    inputs.format = formats::loadFormatFile(install, "!default");
    inputs.fileNames = {QStringLiteral("points.txt")};
    inputs.sourceFolder = QString::fromStdString(input.string());
    inputs.destinationFolder = QString::fromStdString(output.string());
    inputs.installDir = QString::fromStdString(install.string());
    inputs.timestamp = engine::reportTimestamp();
    const std::vector<std::string> command = {MERVALON_CONVERTER_PATH,
                                              "--install-dir",
                                              install.string(),
                                              "--format",
                                              "!default",
                                              "--config",
                                              configurationFile.string(),
                                              "--on-error",
                                              "skip",
                                              "--dest",
                                              output.string(),
                                              (input / "points.txt").string()};

    app::ProgressWindow window;
    Timing bestWindow{1e30, 1e30};
    Timing bestConverter{1e30, 1e30};
    bool allOk = true;
    for (int round = 1; round <= rounds; ++round) {
        int exitStatus = 0;
        const Timing converter = runConverter(command, exitStatus);
        fs::remove(output / "points.dxf");
        int pumps = 0;
        bool ok = false;
        const Timing fromWindow = runFromWindow(window, inputs, pumps, ok);
        fs::remove(output / "points.dxf");
        allOk = allOk && ok && exitStatus == 0;
        bestWindow = {std::min(bestWindow.seconds, fromWindow.seconds), std::min(bestWindow.cpu, fromWindow.cpu)};
        bestConverter = {std::min(bestConverter.seconds, converter.seconds),
                         std::min(bestConverter.cpu, converter.cpu)};
        std::printf("round %d: mervalon-convert %.2f s (CPU %.2f s, exit %d), window %.2f s (CPU %.2f s, %d pumps)\n",
                    round, converter.seconds, converter.cpu, exitStatus, fromWindow.seconds, fromWindow.cpu, pumps);
    }
    const double ratio = bestWindow.seconds / bestConverter.seconds;
    const double cpuRatio = bestWindow.cpu / bestConverter.cpu;
    std::printf("best: mervalon-convert %.2f s (CPU %.2f s), window %.2f s (CPU %.2f s); ratio %.3f, CPU ratio %.3f "
                "(limit 1.10)\n",
                bestConverter.seconds, bestConverter.cpu, bestWindow.seconds, bestWindow.cpu, ratio, cpuRatio);
    fs::remove_all(work);
    return allOk && std::min(ratio, cpuRatio) <= 1.10 ? 0 : 1;
}
