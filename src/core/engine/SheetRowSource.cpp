#include "core/engine/SheetRowSource.h"

#include "core/spreadsheet/SheetRows.h"
#include "core/spreadsheet/TextCodec.h"

namespace mervalon::engine {
namespace {

// Ends the reader's pass through the sheet when the conversion wants no more lines.
struct Cancelled {};

} // namespace

// Puts the sheet's rows into batches on the reading thread.
class SheetRowSource::Reader : public spreadsheet::SheetRowSink {
  public:
    explicit Reader(SheetRowSource& source) : m_source(source) {}

    void row(std::span<const std::string> fields) override
    {
        if (!m_batch) {
            m_batch = m_source.takeFreeBatch();
        }
        if (m_lines == 0) {
            m_rowsFrom = m_done; // what comes before the first row (styles, other sheets) is no row
        }
        if (fields.empty()) {
            // A row without fields reads like an empty line of a text file.
            m_batch->addEmptyRow();
        } else {
            m_batch->addRow(fields);
        }
        ++m_lines;
        if (m_batch->size() >= kBatchLines) {
            m_source.handOn(std::move(m_batch), reading());
        }
    }

    void declaredRows(std::uint64_t rows) override { m_declared = rows; }
    void documentRead(std::uint64_t done, std::uint64_t total) override
    {
        m_done = done;
        m_total = total;
    }

    void finish()
    {
        if (m_batch && !m_batch->empty()) {
            m_source.handOn(std::move(m_batch), reading());
        }
    }

  private:
    [[nodiscard]] SheetLineEstimate::Reading reading() const
    {
        double fraction = 0;
        if (m_total > m_rowsFrom && m_done > m_rowsFrom) {
            fraction = static_cast<double>(m_done - m_rowsFrom) / static_cast<double>(m_total - m_rowsFrom);
        }
        return SheetLineEstimate::Reading{m_lines, m_declared, fraction};
    }

    SheetRowSource& m_source;
    std::unique_ptr<FieldRows> m_batch;
    std::uint64_t m_lines = 0;
    std::uint64_t m_declared = 0;
    std::uint64_t m_done = 0;
    std::uint64_t m_total = 0;
    std::uint64_t m_rowsFrom = 0;
};

SheetRowSource::SheetRowSource(const std::filesystem::path& workbook, int firstLine, int sheetNumber,
                               const std::string& sheetText)
{
    m_thread = std::thread(
        [this, workbook, firstLine, sheetNumber, sheetText] { read(workbook, firstLine, sheetNumber, sheetText); });
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_full.empty() || m_ended; });
    if (m_full.empty() && m_error) {
        const std::exception_ptr error = m_error;
        lock.unlock();
        m_thread.join();
        std::rethrow_exception(error);
    }
    if (!m_full.empty()) {
        m_estimate.take(m_full.front().reading);
    }
}

SheetRowSource::~SheetRowSource()
{
    {
        const std::lock_guard lock(m_mutex);
        m_cancelled = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void SheetRowSource::read(const std::filesystem::path& workbook, int firstLine, int sheetNumber, std::string sheetText)
{
    bool found = true;
    std::exception_ptr error;
    bool outOfOrder = false;
    // A text keeps the characters Windows-1252 lacks, as a UTF-8 point file's texts do.
    spreadsheet::CharacterEscapes escapes;
    try {
        Reader reader(*this);
        found = spreadsheet::streamSheetRows(
            workbook, firstLine, spreadsheet::SheetSelector{sheetNumber, std::move(sheetText)}, reader, &escapes);
        reader.finish();
    } catch (const Cancelled&) {
    } catch (const spreadsheet::SheetRowsOutOfOrder&) {
        outOfOrder = true;
        error = std::current_exception();
    } catch (...) {
        error = std::current_exception();
    }
    {
        const std::lock_guard lock(m_mutex);
        m_sheetMissing = !found;
        m_replaced = escapes.replaced();
        m_outOfOrder = outOfOrder;
        m_error = error;
        m_ended = true;
    }
    m_changed.notify_all();
}

std::unique_ptr<FieldRows> SheetRowSource::takeFreeBatch()
{
    const std::lock_guard lock(m_mutex);
    if (m_cancelled) {
        throw Cancelled{};
    }
    if (m_free.empty()) {
        return std::make_unique<FieldRows>();
    }
    std::unique_ptr<FieldRows> batch = std::move(m_free.back());
    m_free.pop_back();
    batch->clear();
    return batch;
}

void SheetRowSource::handOn(std::unique_ptr<FieldRows> batch, SheetLineEstimate::Reading reading)
{
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_full.size() < kQueuedBatches || m_cancelled; });
        if (m_cancelled) {
            throw Cancelled{};
        }
        m_linesRead += batch->size();
        m_full.push_back(ReadBatch{std::move(batch), reading});
    }
    m_changed.notify_all();
}

std::size_t SheetRowSource::lineCount() const
{
    const std::lock_guard lock(m_mutex);
    if (m_ended && !m_error) {
        return m_linesRead;
    }
    return static_cast<std::size_t>(m_estimate.count());
}

const FieldRows* SheetRowSource::nextBatch()
{
    std::unique_lock lock(m_mutex);
    if (m_current) {
        m_free.push_back(std::move(m_current));
    }
    m_changed.wait(lock, [this] { return !m_full.empty() || m_ended; });
    if (m_full.empty()) {
        if (m_error) {
            std::rethrow_exception(m_error);
        }
        return nullptr;
    }
    m_current = std::move(m_full.front().rows);
    m_estimate.take(m_full.front().reading);
    m_full.pop_front();
    lock.unlock();
    m_changed.notify_all();
    return m_current.get();
}

bool SheetRowSource::exhausted()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_full.empty() || m_ended; });
    return m_full.empty() && !m_error;
}

bool SheetRowSource::sheetMissing() const
{
    const std::lock_guard lock(m_mutex);
    return m_sheetMissing;
}

std::size_t SheetRowSource::replacedCharacters() const
{
    const std::lock_guard lock(m_mutex);
    return m_replaced;
}

bool SheetRowSource::rowsOutOfOrder() const
{
    const std::lock_guard lock(m_mutex);
    return m_outOfOrder;
}

} // namespace mervalon::engine
