#pragma once
// The rows of a workbook sheet as the lines of a conversion, read while they are converted: a
// sheet of a million rows costs a few batches of memory, not the whole sheet.
//
// The sheet is read on a thread of its own, which hands on batches of lines through a short
// queue (it waits while the queue is full); the conversion takes them as a text file's.

#include "core/engine/FieldRows.h"
#include "core/engine/RowSource.h"
#include "core/engine/SheetLineEstimate.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace mervalon::engine {

class SheetRowSource : public RowSource {
  public:
    /// Starts reading sheet `sheetNumber` (from 1; -1: the sheet named `sheetText`) from line
    /// `firstLine` and waits for its first batch, so that a workbook that cannot be read, or that
    /// lacks the sheet, is known before the conversion begins: throws std::exception with a
    /// message for the report then, and sheetMissing() says when no sheet qualifies.
    SheetRowSource(const std::filesystem::path& workbook, int firstLine, int sheetNumber, const std::string& sheetText);
    /// Stops the reading (a conversion may end before the last line).
    ~SheetRowSource() override;
    SheetRowSource(const SheetRowSource&) = delete;
    SheetRowSource& operator=(const SheetRowSource&) = delete;

    [[nodiscard]] bool sheetMissing() const;

    /// The lines the sheet will likely give (see SheetLineEstimate), at least those handed out so
    /// far; all the lines read once the sheet has been read through (a sheet of a few thousand
    /// rows is by the time the conversion starts). A conversion asks again as it goes.
    [[nodiscard]] std::size_t lineCount() const override;
    const FieldRows* nextBatch() override;
    [[nodiscard]] bool exhausted() override;
    [[nodiscard]] std::size_t replacedCharacters() const override;

    /// True when the conversion ended because the sheet's rows are stored out of order: such a
    /// sheet must be read whole and converted again (see spreadsheet::SheetRowsOutOfOrder).
    [[nodiscard]] bool rowsOutOfOrder() const;

    /// Lines a batch holds.
    static constexpr std::size_t kBatchLines = 4096;
    /// Batches read ahead of the conversion.
    static constexpr std::size_t kQueuedBatches = 3;

  private:
    class Reader;
    void read(const std::filesystem::path& workbook, int firstLine, int sheetNumber, std::string sheetText);
    std::unique_ptr<FieldRows> takeFreeBatch();
    void handOn(std::unique_ptr<FieldRows> batch, SheetLineEstimate::Reading reading);

    // A batch read, with what was known of the sheet's length when it was full.
    struct ReadBatch {
        std::unique_ptr<FieldRows> rows;
        SheetLineEstimate::Reading reading;
    };

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<ReadBatch> m_full;                   // read, not yet handed to the conversion
    std::vector<std::unique_ptr<FieldRows>> m_free; // handed back, for the next batches
    std::unique_ptr<FieldRows> m_current;           // the batch the conversion holds
    std::size_t m_linesRead = 0;
    SheetLineEstimate m_estimate;
    std::size_t m_replaced = 0;
    bool m_ended = false;     // the reader has ended: read through, failed, or stopped
    bool m_cancelled = false; // the conversion wants no more lines
    bool m_sheetMissing = false;
    bool m_outOfOrder = false;
    std::exception_ptr m_error;
    std::thread m_thread;
};

} // namespace mervalon::engine
