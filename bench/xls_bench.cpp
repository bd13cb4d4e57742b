// Reading and saving a 65,536-row × 6-column BIFF8 sheet; opening sheets in the spreadsheet
// preview's grid model (65,536 × 10, and a used range that starts at row 60,000).
//
// The workbook is written by xlwt (tests/core/spreadsheet/fixtures/make_fixtures.py) when Debian's
// python3-xlwt is there, else by our own writer from the small committed fixture. Goals: the
// conversion's readSheetRows at 1,000,000 cells/s or more, and the preview's save under a second.

#include "core/spreadsheet/SheetRows.h"
#include "core/spreadsheet/Workbook.h"
#ifdef MERVALON_BENCH_GRID
#include "app/spreadsheet/SheetGridModel.h"
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace mervalon::spreadsheet;

namespace {

constexpr int kRows = 65536;
constexpr int kColumns = 6;

double seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

void fillGrid(Workbook& book)
{
    book.clearUsedRange(1);
    for (int row = 1; row <= kRows; ++row) {
        book.setNumber(1, row, 1, row);
        book.setNumber(1, row, 2, 600000.0 + row * 0.125);
        book.setNumber(1, row, 3, 5200000.0 + row * 0.5);
        book.setNumber(1, row, 4, 100.0 + (row % 100) * 0.01);
        std::string description = "tree ";
        description += std::to_string(row % 50);
        std::string code(1, 'C');
        code += std::to_string(row % 3); // appended: GCC 12 warns falsely about "C" + std::string
        book.setText(1, row, 5, description);
        book.setText(1, row, 6, code);
    }
}

fs::path makeWorkbook(const fs::path& folder)
{
    const fs::path source = fs::path(MERVALON_SOURCE_DIR) / "tests/core/spreadsheet/fixtures";
    const std::string command = "/usr/bin/python3 '" + (source / "make_fixtures.py").string() + "' '" +
                                folder.string() + "' big " + std::to_string(kRows) + " 2>/dev/null";
    if (std::system(command.c_str()) == 0 && fs::exists(folder / "big.xls")) {
        std::printf("workbook: written by xlwt\n");
        return folder / "big.xls";
    }
    std::printf("workbook: written by our own writer (python3-xlwt not available)\n");
    const fs::path path = folder / "big.xls";
    fs::copy_file(source / "biff8_survey.xls", path, fs::copy_options::overwrite_existing);
    Workbook book = Workbook::open(path);
    fillGrid(book);
    book.save();
    return path;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

#ifdef MERVALON_BENCH_GRID
// A workbook whose first sheet holds `rows` × 10 cells from row `firstRow` on (points: number,
// coordinates, elevation, description, code and four more numbers), written by our own writer.
fs::path makeGridWorkbook(const fs::path& folder, const std::string& name, int firstRow, int rows)
{
    const fs::path path = folder / name;
    fs::copy_file(fs::path(MERVALON_SOURCE_DIR) / "tests/core/spreadsheet/fixtures/biff8_survey.xls", path,
                  fs::copy_options::overwrite_existing);
    Workbook book = Workbook::open(path);
    book.clearUsedRange(1);
    for (int row = firstRow; row < firstRow + rows; ++row) {
        book.setNumber(1, row, 1, row);
        book.setNumber(1, row, 2, 600000.0 + row * 0.125);
        book.setNumber(1, row, 3, 5200000.0 + row * 0.5);
        book.setNumber(1, row, 4, 100.0 + (row % 100) * 0.01);
        book.setText(1, row, 5, "tree " + std::to_string(row % 50));
        for (int column = 6; column <= 10; ++column) {
            book.setNumber(1, row, column, row * 0.001 + column);
        }
    }
    book.save();
    return path;
}

// What the preview does to show a sheet: open the workbook, load the grid model, draw the first
// screen; then what scrolling costs: every cell's text fetched, one screen of 25 rows at a time.
void benchGrid(const fs::path& folder, const std::string& label, int firstRow, int rows)
{
    const fs::path path = makeGridWorkbook(folder, label + ".xls", firstRow, rows);
    std::vector<double> opens;
    std::vector<double> reads;
    std::vector<double> screens;
    std::size_t characters = 0;
    for (int run = 0; run < 5; ++run) {
        const auto start = std::chrono::steady_clock::now();
        const Workbook book = Workbook::open(path);
        reads.push_back(seconds(start));
        mervalon::app::SheetGridModel model;
        model.load(book.sheet(1));
        for (int r = 0; r < 25; ++r) {
            for (int c = 0; c < model.columnCount(); ++c) {
                characters +=
                    static_cast<std::size_t>(model.data(model.index(r, c), Qt::DisplayRole).toString().size());
            }
        }
        opens.push_back(seconds(start));
        const auto scroll = std::chrono::steady_clock::now();
        for (int r = 0; r < model.rowCount(); ++r) {
            for (int c = 0; c < model.columnCount(); ++c) {
                characters +=
                    static_cast<std::size_t>(model.data(model.index(r, c), Qt::DisplayRole).toString().size());
            }
        }
        screens.push_back(seconds(scroll) / (model.rowCount() / 25.0));
    }
    std::printf("preview %s (%d rows x 10 from row %d, %ju bytes): open + first screen median %.3f s (goal < 1 s; "
                "reading the workbook %.3f s of it), one screen of 25 rows while scrolling %.1f us (%zu characters "
                "drawn)\n",
                label.c_str(), rows, firstRow, static_cast<std::uintmax_t>(fs::file_size(path)), median(opens),
                median(reads), median(screens) * 1e6, characters);
}
#endif

} // namespace

int main()
{
    const fs::path folder = fs::temp_directory_path() / ("mervalon-xls-bench-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    try {
        const fs::path path = makeWorkbook(folder);
        std::printf("file: %ju bytes\n", static_cast<std::uintmax_t>(fs::file_size(path)));
        constexpr double kCells = double{kRows} * kColumns;

        std::vector<double> reads;
        std::size_t rowCount = 0;
        for (int run = 0; run < 5; ++run) {
            const auto start = std::chrono::steady_clock::now();
            const SheetRows rows = readSheetRows(path, 1, SheetSelector{1, "1"});
            reads.push_back(seconds(start));
            rowCount = std::get<0>(rows).size();
        }
        const double read = median(reads);
        std::printf("readSheetRows: %zu rows, median %.3f s, %.0f cells/s (goal >= 1000000)\n", rowCount, read,
                    kCells / read);

        std::vector<double> saves;
        for (int run = 0; run < 3; ++run) {
            Workbook book = Workbook::open(path);
            const auto start = std::chrono::steady_clock::now();
            fillGrid(book);
            book.save();
            saves.push_back(seconds(start));
        }
        std::printf("save (clear + %d cells + write + reread): median %.3f s (goal < 1 s)\n", kRows * kColumns,
                    median(saves));
#ifdef MERVALON_BENCH_GRID
        benchGrid(folder, "full", 1, kRows);
        benchGrid(folder, "from60000", 60000, kRows - 60000 + 1);
#endif
    } catch (const WorkbookError& error) {
        std::fprintf(stderr, "%s\n", error.what());
        fs::remove_all(folder);
        return 1;
    }
    fs::remove_all(folder);
    return 0;
}
