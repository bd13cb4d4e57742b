// Feeds arbitrary bytes to the plain XML scanner and to expat, cut into pieces at places the
// first bytes choose, and aborts when they disagree: the scanner must never take a document expat
// refuses, must hand on expat's very events when it takes one, and before declining may hand on only
// the first of them.
//
//   cmake --preset fuzz && cmake --build --preset fuzz --target plain_xml_scanner_fuzzer
//   build/fuzz/fuzz/plain_xml_scanner_fuzzer -max_total_time=300 -dict=fuzz/xml.dict fuzz/corpus/plain_xml_scanner

#include "core/spreadsheet/XmlDifferential.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2) {
        return 0;
    }
    // First byte: how far apart the cuts are (0: none); second: the nesting limit (low values
    // reach it).
    const std::size_t step = data[0];
    const std::size_t maxDepth = 2 + data[1] % 64;
    const std::string_view document(reinterpret_cast<const char*>(data) + 2, size - 2);
    std::vector<std::size_t> cuts;
    for (std::size_t at = step; step > 0 && at < document.size(); at += step) {
        cuts.push_back(at);
    }
    const auto result = mervalon::test::compareScannerWithExpat(document, cuts, maxDepth);
    if (!result.difference.empty()) {
        std::fprintf(stderr, "plain XML scanner and expat differ: %s\n", result.difference.c_str());
        std::abort();
    }
    return 0;
}
