// How the text reader's time and memory grow with the length of a line that has no line end:
// the time must double when the line doubles (a reader that searches the line again after
// every block read takes four times as long), and the memory stay near twice the file (the
// read buffer and the rows that keep the text).
//
//   mervalon-bench-reader [--dir DIR] [--megabytes N]
//
// Reads one-line files of N, 2N and 4N MiB (default N = 32) in a child process each and prints
// seconds, the growth factor per doubling and the child's peak memory per file byte. Exits 1
// when a doubling costs more than three times the time, or memory exceeds 3 × the file.

#include "core/engine/TextReader.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Measure {
    double seconds = 0;
    double peakBytes = 0;
};

void writeOneLine(const fs::path& path, std::size_t bytes)
{
    std::ofstream out(path, std::ios::binary);
    const std::string block(1 << 20, 'x');
    for (std::size_t written = 0; written < bytes; written += block.size()) {
        out.write(block.data(), static_cast<std::streamsize>(std::min(block.size(), bytes - written)));
    }
}

Measure readInChild(const fs::path& path)
{
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const auto rows = mervalon::engine::readTextLines(path, ",", 1);
        ::_exit(rows.size() == 1 ? 0 : 1);
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "reading %s failed\n", path.c_str());
        std::exit(2);
    }
    return {elapsed.count(), static_cast<double>(usage.ru_maxrss) * 1024.0};
}

} // namespace

int main(int argc, char** argv)
{
    fs::path dir = fs::temp_directory_path();
    std::size_t megabytes = 32;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--dir") {
            dir = argv[i + 1];
        } else if (option == "--megabytes") {
            megabytes = std::strtoul(argv[i + 1], nullptr, 10);
        }
    }
    const fs::path file = dir / ("mervalon-bench-reader-" + std::to_string(::getpid()) + ".txt");
    bool ok = true;
    double previous = 0;
    for (const std::size_t factor : {1, 2, 4}) {
        const std::size_t bytes = megabytes * factor << 20;
        writeOneLine(file, bytes);
        Measure best{1e30, 0};
        for (int repeat = 0; repeat < 3; ++repeat) {
            const Measure m = readInChild(file);
            best.seconds = std::min(best.seconds, m.seconds);
            best.peakBytes = std::max(best.peakBytes, m.peakBytes);
        }
        const double growth = previous > 0 ? best.seconds / previous : 0;
        const double memory = best.peakBytes / static_cast<double>(bytes);
        std::printf("one line of %4zu MiB: %7.3f s", bytes >> 20, best.seconds);
        if (growth > 0) {
            std::printf(", x%.2f for twice the length", growth);
        }
        std::printf(", peak memory %.2f x the file\n", memory);
        ok = ok && (growth == 0 || growth <= 3.0) && memory <= 3.0;
        previous = best.seconds;
    }
    fs::remove(file);
    std::printf(ok ? "linear\n" : "NOT LINEAR or too much memory\n");
    return ok ? 0 : 1;
}
