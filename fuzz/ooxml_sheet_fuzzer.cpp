// Feeds arbitrary bytes to the Office Open XML readers: as a shared-string table, and as a
// worksheet read with those strings and a few date and duration formats.
//
//   cmake --preset fuzz && cmake --build --preset fuzz --target ooxml_sheet_fuzzer
//   build/fuzz/fuzz/ooxml_sheet_fuzzer -max_total_time=300 -dict=fuzz/xml.dict fuzz/corpus/ooxml_sheet

#include "core/spreadsheet/OoxmlReader.h"
#include "core/spreadsheet/WorkbookError.h"

#include <cstdint>
#include <cstdlib>

using namespace mervalon::spreadsheet;

namespace {

struct Checker : RowVisitor {
    std::uint32_t next = 0;
    void row(std::uint32_t row, std::span<const RowCell> cells, std::uint32_t repeat) override
    {
        // Rows stay in the sheet, cells in order within their row.
        if (row >= kMaxSheetRows || repeat == 0 || row + repeat > kMaxSheetRows) {
            std::abort();
        }
        for (std::size_t i = 0; i < cells.size(); ++i) {
            if (cells[i].column >= kMaxSheetColumns || (i > 0 && cells[i].column <= cells[i - 1].column) ||
                cells[i].value.isEmpty()) {
                std::abort();
            }
        }
        next = row + repeat;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const DocumentSource document = [&](const std::function<void(const char*, std::size_t)>& sink) {
        // Two pieces, so that the parser's state carries over a boundary.
        const std::size_t half = size / 2;
        sink(reinterpret_cast<const char*>(data), half);
        sink(reinterpret_cast<const char*>(data) + half, size - half);
    };
    try {
        readOoxmlSharedStrings(document);
    } catch (const WorkbookError&) {
    }
    const std::vector<std::string> strings = {"P1", "", "caf\xE9"};
    const std::vector<TimeFormat> formats = {timeFormatOf(0, ""), timeFormatOf(14, ""), timeFormatOf(164, "[h]:mm")};
    for (const bool system1904 : {false, true}) {
        Checker checker;
        try {
            streamOoxmlWorksheet(document, strings, formats, system1904, checker);
        } catch (const WorkbookError&) {
        }
    }
    return 0;
}
