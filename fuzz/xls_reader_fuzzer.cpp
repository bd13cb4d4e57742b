// Feeds arbitrary bytes to the workbook reader as a file would reach it: open, read every sheet
// the way the conversion does, and, when the bytes read as a workbook, edit and serialize one
// sheet and read the result again (a file we wrote must always read back).
//
//   cmake --preset fuzz && cmake --build --preset fuzz --target xls_reader_fuzzer
//   build/fuzz/fuzz/xls_reader_fuzzer -max_total_time=300 fuzz/corpus/xls

#include "core/spreadsheet/SheetRows.h"
#include "core/spreadsheet/Workbook.h"

#include <cstdint>
#include <cstdlib>

using namespace mervalon::spreadsheet;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Bytes bytes(data, data + size);
    try {
        Workbook book = Workbook::fromBytes(std::move(bytes));
        int editable = 0;
        for (int i = 1; i <= book.sheetCount(); ++i) {
            const Sheet& sheet = *book.sheet(i);
            sheet.usedRange();
            sheetRows(sheet, 1);
            selectSheet(book, SheetSelector{-1, sheet.name()});
            if (editable == 0 && sheet.kind() != SheetKind::Chart) {
                editable = i;
            }
        }
        if (editable == 0) {
            return 0;
        }
        book.setText(editable, 1, 1, "fuzz");
        book.setNumber(editable, 2, 2, 1.5);
        Bytes written;
        try {
            written = book.serialize();
        } catch (const WorkbookError&) {
            return 0; // e.g. a sheet whose records cannot be located: refused, not damaged
        }
        try {
            const Workbook reread = Workbook::fromBytes(std::move(written));
            if (reread.sheetCount() != book.sheetCount() || reread.sheet(editable)->cell(1, 1) == nullptr ||
                reread.sheet(editable)->cell(1, 1)->text != "fuzz") {
                std::abort();
            }
        } catch (const WorkbookError&) {
            std::abort();
        }
    } catch (const WorkbookError&) {
    }
    return 0;
}
