// The desktop program's run against mervalon-convert on the same 1,000,000-point file: the
// progress window is the run's sink and lets the user's events run every 40 ms, which must
// cost next to nothing. Both runs use the shipped default format and configuration and write
// into the same folder (by default /dev/shm, so that the disk does not blur the comparison).
//
//   mervalon-bench-window [--points N] [--dir DIR] [--rounds R]
//
// Prints per round the seconds of each, and at the end the best of each and their ratio; the
// exit status is 0 when both runs succeeded and the window took at most 1.1 times as long.

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

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
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

double runConverter(const std::vector<std::string>& arguments, int& exitStatus)
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
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            throw std::system_error(errno, std::generic_category(), "waitpid");
        }
    }
    exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The run as the window makes it: the request from the window's values, the progress window
// shown as the sink. Counts the times it let events run.
double runFromWindow(app::ProgressWindow& window, const app::RunInputs& inputs, int& pumps, bool& ok)
{
    pumps = 0;
    const auto connection = QObject::connect(&window, &app::ProgressWindow::pumping, [&pumps] { ++pumps; });
    const engine::RunRequest request = app::buildRunRequest(inputs);
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
    QObject::disconnect(connection);
    return seconds;
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
    const std::vector<std::string> command = {MERVALON_CONVERTER_PATH, "--install-dir", install.string(),
                                              "--format", "!default", "--config", configurationFile.string(),
                                              "--on-error", "skip", "--dest", output.string(),
                                              (input / "points.txt").string()};

    app::ProgressWindow window;
    double bestWindow = 1e30;
    double bestConverter = 1e30;
    bool allOk = true;
    for (int round = 1; round <= rounds; ++round) {
        int exitStatus = 0;
        const double converter = runConverter(command, exitStatus);
        fs::remove(output / "points.dxf");
        int pumps = 0;
        bool ok = false;
        const double fromWindow = runFromWindow(window, inputs, pumps, ok);
        fs::remove(output / "points.dxf");
        allOk = allOk && ok && exitStatus == 0;
        bestWindow = std::min(bestWindow, fromWindow);
        bestConverter = std::min(bestConverter, converter);
        std::printf("round %d: mervalon-convert %.2f s (exit %d), window %.2f s (%d pumps)\n", round, converter,
                    exitStatus, fromWindow, pumps);
    }
    const double ratio = bestWindow / bestConverter;
    std::printf("best: mervalon-convert %.2f s, window %.2f s, ratio %.3f (limit 1.10)\n", bestConverter, bestWindow,
                ratio);
    fs::remove_all(work);
    return allOk && ratio <= 1.10 ? 0 : 1;
}
