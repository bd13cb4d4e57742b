// What a preview of a point file's first 20 lines (the format editor's, and the check before a
// run) costs, by the size of the file: it reads only the file's beginning, so the time must not
// grow with the file.
//
//   mervalon-bench-preview [--dir DIR]
//
// Writes point files of 1 MiB and 256 MiB, and files of one line of the same sizes, previews
// each 50 times and prints the milliseconds of one preview. Exits 1 when a large file costs more
// than three times the small one of its kind.

#include "core/engine/LinePreview.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

void writeFile(const fs::path& path, std::size_t bytes, bool lines)
{
    std::ofstream out(path, std::ios::binary);
    std::string block;
    for (int i = 0; block.size() < (std::size_t{1} << 20); ++i) {
        block += lines ? std::to_string(i) + ",512000.125,6712000.500,12.75,TREE,1\r\n" : std::string(64, 'x');
    }
    for (std::size_t written = 0; written < bytes; written += block.size()) {
        out.write(block.data(), static_cast<std::streamsize>(std::min(block.size(), bytes - written)));
    }
}

double millisecondsPerPreview(const fs::path& path, bool lines)
{
    mervalon::engine::PreviewSettings settings;
    settings.format.separator = ",";
    settings.format.firstLine = 1;
    int column = 1;
    for (mervalon::formats::PointValue value : mervalon::formats::kPointValues) {
        settings.format.value(value).column = column++;
    }
    constexpr int kRounds = 50;
    const auto start = std::chrono::steady_clock::now();
    std::size_t previewed = 0;
    for (int round = 0; round < kRounds; ++round) {
        previewed += mervalon::engine::previewLines(path, settings, 20, 20).lines.size();
    }
    const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
    if (lines && previewed == 0) {
        std::fprintf(stderr, "no line previewed in %s\n", path.c_str());
    }
    return elapsed.count() / kRounds;
}

} // namespace

int main(int argc, char** argv)
{
    fs::path dir = fs::temp_directory_path();
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--dir") == 0) {
            dir = argv[i + 1];
        }
    }
    struct Kind {
        const char* name;
        bool lines;
    };
    bool grows = false;
    for (const Kind kind : {Kind{"point lines", true}, Kind{"one line", false}}) {
        const fs::path small = dir / "mervalon-preview-small.txt";
        const fs::path large = dir / "mervalon-preview-large.txt";
        writeFile(small, std::size_t{1} << 20, kind.lines);
        writeFile(large, std::size_t{256} << 20, kind.lines);
        const double smallMs = millisecondsPerPreview(small, kind.lines);
        const double largeMs = millisecondsPerPreview(large, kind.lines);
        fs::remove(small);
        fs::remove(large);
        std::printf("preview of 20 lines, %s: 1 MiB file %.3f ms, 256 MiB file %.3f ms\n", kind.name, smallMs, largeMs);
        if (largeMs > 3 * smallMs) {
            std::fprintf(stderr, "a preview costs more for a larger file: it reads more than the file's beginning\n");
            grows = true;
        }
    }
    return grows ? 1 : 0;
}
