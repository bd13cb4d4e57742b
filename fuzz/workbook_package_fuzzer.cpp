// Feeds arbitrary bytes to the conversion's workbook reading as a file would reach it: the kind
// told by the content, a zip package opened (with small limits, so that a bomb is caught within
// the fuzzer's memory) and the sheet chosen by number and by name streamed into rows. Every part
// read ahead on a second thread must give what it gives unpacked on the caller's.
//
//   cmake --preset fuzz && cmake --build --preset fuzz --target workbook_package_fuzzer
//   build/fuzz/fuzz/workbook_package_fuzzer -max_total_time=300 -rss_limit_mb=1024 fuzz/corpus/workbook_package

#include "core/spreadsheet/SheetRows.h"
#include "core/spreadsheet/WorkbookError.h"
#include "core/spreadsheet/ZipPackage.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace mervalon::spreadsheet;

namespace {

// What the zip layer gives for a few parts, under limits a fuzzer's input can break: each part's
// size and a hash of its bytes, or the error's message.
std::string partsRead(ByteView bytes, std::uint64_t readAheadFrom)
{
    std::string outcome;
    try {
        ZipLimits limits;
        limits.maxPartSize = 8u << 20;
        limits.ratioFloor = 1u << 20;
        limits.readAheadFrom = readAheadFrom;
        ZipPackage package = ZipPackage::fromBytes(bytes, limits);
        for (const char* name : {"[Content_Types].xml", "xl/workbook.xml", "content.xml", "mimetype"}) {
            std::size_t total = 0;
            std::uint64_t hash = 1469598103934665603u;
            try {
                const bool found = package.read(name, [&](const char* piece, std::size_t size) {
                    total += size;
                    for (std::size_t i = 0; i < size; ++i) {
                        hash = (hash ^ static_cast<unsigned char>(piece[i])) * 1099511628211u;
                    }
                });
                outcome += found ? std::to_string(total) + ":" + std::to_string(hash) + ";" : "missing;";
            } catch (const WorkbookError& error) {
                outcome += std::string(error.what()) + ";";
            }
        }
    } catch (const WorkbookError& error) {
        outcome += error.what();
    }
    return outcome;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const ByteView bytes(data, size);
    for (const SheetSelector& selector : {SheetSelector{1, "1"}, SheetSelector{-1, "Sheet1"}, SheetSelector{7, "7"}}) {
        try {
            readSheetRows(bytes, 2, selector);
        } catch (const WorkbookError&) {
        }
    }
    // The zip layer alone: a part read ahead gives what it gives on one thread.
    if (partsRead(bytes, 0) != partsRead(bytes, UINT64_MAX)) {
        std::abort();
    }
    return 0;
}
