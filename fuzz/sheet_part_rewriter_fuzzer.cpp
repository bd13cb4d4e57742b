// Feeds arbitrary bytes to the sheet part rewriters, as an XLSX worksheet part and as an
// OpenDocument content.xml (table 1): without edits the part must come out byte for byte as it
// went in; with rows inserted and deleted and cells typed, whatever comes out must be XML the
// readers take. Only WorkbookError may end a rewrite.
//
//   cmake --preset fuzz && cmake --build --preset fuzz --target sheet_part_rewriter_fuzzer
//   build/fuzz/fuzz/sheet_part_rewriter_fuzzer -max_total_time=300 -dict=fuzz/xml.dict fuzz/corpus/sheet_part_rewriter

#include "core/spreadsheet/OdsReader.h"
#include "core/spreadsheet/OoxmlReader.h"
#include "core/spreadsheet/SheetPartRewriter.h"
#include "core/spreadsheet/WorkbookError.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace mervalon::spreadsheet;

namespace {

struct Ignore : RowVisitor {
    void row(std::uint32_t, std::span<const RowCell>, std::uint32_t) override {}
};

DocumentSource pieces(std::string_view text)
{
    return [text](const std::function<void(const char*, std::size_t)>& sink) {
        // Three pieces, so that elements straddle the parser's buffers.
        const std::size_t third = text.size() / 3;
        sink(text.data(), third);
        sink(text.data() + third, third);
        sink(text.data() + 2 * third, text.size() - 2 * third);
    };
}

SheetEdits someEdits()
{
    SheetEdits edits;
    edits.setRowOrder({1, 0, 3, 0, 5}, 6);
    edits.setCell(CellEdit::ofText(2, 2, "x & <y>\n  z"));
    edits.setCell(CellEdit::ofNumber(3, 1, -2.5, "-2.5"));
    edits.setCell(CellEdit::ofNumber(9, 30, 1e300, "1e300"));
    edits.setCell(CellEdit::ofText(5, 3, ""));
    return edits;
}

template <typename Rewrite, typename Read> void check(std::string_view input, const Rewrite& rewrite, const Read& read)
{
    std::string same;
    bool unchanged = false;
    try {
        rewrite(pieces(input), SheetEdits{}, [&](std::string_view piece) { same.append(piece); });
        unchanged = true;
    } catch (const WorkbookError&) {
    }
    if (unchanged && same != input) {
        std::abort();
    }
    std::string edited;
    try {
        rewrite(pieces(input), someEdits(), [&](std::string_view piece) { edited.append(piece); });
    } catch (const WorkbookError&) {
        return;
    }
    // What was read before must read after.
    bool readBefore = false;
    try {
        read(pieces(input));
        readBefore = true;
    } catch (const WorkbookError&) {
    }
    if (!readBefore) {
        return;
    }
    try {
        read(pieces(edited));
    } catch (const WorkbookError&) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    check(
        input,
        [](const DocumentSource& source, const SheetEdits& edits, const PartSink& out) {
            rewriteOoxmlSheet(source, edits, out);
        },
        [](const DocumentSource& source) {
            Ignore ignore;
            streamOoxmlWorksheet(source, {}, {}, false, ignore);
        });
    check(
        input,
        [](const DocumentSource& source, const SheetEdits& edits, const PartSink& out) {
            rewriteOdsTable(source, 1, edits, out);
        },
        [](const DocumentSource& source) {
            Ignore ignore;
            streamOdsSheet(source, SheetSelector{1, "1"}, ignore);
        });
    return 0;
}
