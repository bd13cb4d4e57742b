// Feeds arbitrary bytes to the conversion's workbook reading as a file would reach it: the kind
// told by the content, a zip package opened (with small limits, so that a bomb is caught within
// the fuzzer's memory) and the sheet chosen by number and by name streamed into rows.
//
//   cmake --preset fuzz && cmake --build --preset fuzz --target workbook_package_fuzzer
//   build/fuzz/fuzz/workbook_package_fuzzer -max_total_time=300 -rss_limit_mb=1024 fuzz/corpus/workbook_package

#include "core/spreadsheet/SheetRows.h"
#include "core/spreadsheet/WorkbookError.h"
#include "core/spreadsheet/ZipPackage.h"

#include <cstdint>

using namespace mervalon::spreadsheet;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const ByteView bytes(data, size);
    for (const SheetSelector& selector : {SheetSelector{1, "1"}, SheetSelector{-1, "Sheet1"}, SheetSelector{7, "7"}}) {
        try {
            readSheetRows(bytes, 2, selector);
        } catch (const WorkbookError&) {
        }
    }
    // The zip layer alone, under limits a fuzzer's input can break.
    try {
        ZipLimits limits;
        limits.maxPartSize = 8u << 20;
        limits.ratioFloor = 1u << 20;
        ZipPackage package = ZipPackage::fromBytes(bytes, limits);
        for (const char* name : {"[Content_Types].xml", "xl/workbook.xml", "content.xml", "mimetype"}) {
            std::size_t total = 0;
            package.read(name, [&](const char*, std::size_t piece) { total += piece; });
        }
    } catch (const WorkbookError&) {
    }
    return 0;
}
