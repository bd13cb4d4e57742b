// Feeds arbitrary bytes to the OpenDocument reader as a spreadsheet's content.xml (or a flat
// document), the table chosen by number and by name; repeated rows and cells must never be
// multiplied out, so a few bytes cannot cost much time or memory.
//
//   cmake --preset fuzz && cmake --build --preset fuzz --target ods_content_fuzzer
//   build/fuzz/fuzz/ods_content_fuzzer -max_total_time=300 -dict=fuzz/xml.dict fuzz/corpus/ods_content

#include "core/spreadsheet/OdsReader.h"
#include "core/spreadsheet/WorkbookError.h"

#include <cstdint>
#include <cstdlib>

using namespace mervalon::spreadsheet;

namespace {

struct Checker : RowVisitor {
    std::uint64_t cells = 0;
    void row(std::uint32_t row, std::span<const RowCell> rowCells, std::uint32_t repeat) override
    {
        if (row >= kMaxSheetRows || repeat == 0 || row + repeat > kMaxSheetRows) {
            std::abort();
        }
        for (std::size_t i = 0; i < rowCells.size(); ++i) {
            if (rowCells[i].column >= kMaxSheetColumns || (i > 0 && rowCells[i].column <= rowCells[i - 1].column)) {
                std::abort();
            }
        }
        cells += rowCells.size();
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const DocumentSource document = [&](const std::function<void(const char*, std::size_t)>& sink) {
        const std::size_t half = size / 2;
        sink(reinterpret_cast<const char*>(data), half);
        sink(reinterpret_cast<const char*>(data) + half, size - half);
    };
    for (const SheetSelector& selector : {SheetSelector{1, "1"}, SheetSelector{-1, "Sheet1"}, SheetSelector{3, "A"}}) {
        Checker checker;
        try {
            streamOdsSheet(document, selector, checker);
        } catch (const WorkbookError&) {
        }
    }
    try {
        odsSheetNames(document);
    } catch (const WorkbookError&) {
    }
    return 0;
}
