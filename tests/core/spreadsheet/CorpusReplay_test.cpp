#include "SpreadsheetTestSupport.h"
#include "core/spreadsheet/SheetRows.h"
#include "core/spreadsheet/Workbook.h"

#include <gtest/gtest.h>

namespace mervalon::spreadsheet {
namespace {

namespace fs = std::filesystem;

// The fuzzer's corpus replayed without libFuzzer, so that ordinary and sanitizer builds check
// every input it kept: each one reads or fails with WorkbookError, and what reads can be saved
// and read back.
TEST(CorpusReplayTest, EveryCorpusFileReadsOrFailsCleanly)
{
    const fs::path corpus = fs::path(MERVALON_SOURCE_DIR) / "fuzz/corpus/xls";
    ASSERT_TRUE(fs::is_directory(corpus));
    int files = 0;
    for (const auto& item : fs::directory_iterator(corpus)) {
        if (!item.is_regular_file()) {
            continue;
        }
        ++files;
        SCOPED_TRACE(item.path().filename().string());
        try {
            Workbook book = Workbook::fromBytes(test::readBytes(item.path()));
            int editable = 0;
            for (int i = 1; i <= book.sheetCount(); ++i) {
                sheetRows(*book.sheet(i), 1);
                if (editable == 0 && book.sheet(i)->kind() != SheetKind::Chart) {
                    editable = i;
                }
            }
            if (editable != 0) {
                book.setText(editable, 1, 1, "replay");
                Bytes written;
                try {
                    written = book.serialize();
                } catch (const WorkbookError&) {
                    continue;
                }
                const Workbook reread = Workbook::fromBytes(std::move(written));
                EXPECT_EQ(reread.sheet(editable)->cell(1, 1)->text, "replay");
            }
        } catch (const WorkbookError&) {
        }
    }
    EXPECT_GT(files, 0);
}

} // namespace
} // namespace mervalon::spreadsheet
