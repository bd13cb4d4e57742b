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
        if (fields.empty()) {
            // A row without fields reads like an empty line of a text file.
            m_batch->addEmptyRow();
        } else {
            m_batch->addRow(fields);
        }
        if (m_batch->size() >= kBatchLines) {
            m_source.handOn(std::move(m_batch));
        }
    }

    void finish()
    {
        if (m_batch && !m_batch->empty()) {
            m_source.handOn(std::move(m_batch));
        }
    }

  private:
    SheetRowSource& m_source;
    std::unique_ptr<FieldRows> m_batch;
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
    const spreadsheet::CharacterEscapes escapes;
    try {
        Reader reader(*this);
        found = spreadsheet::streamSheetRows(workbook, firstLine,
                                             spreadsheet::SheetSelector{sheetNumber, std::move(sheetText)}, reader);
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

void SheetRowSource::handOn(std::unique_ptr<FieldRows> batch)
{
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_full.size() < kQueuedBatches || m_cancelled; });
        if (m_cancelled) {
            throw Cancelled{};
        }
        m_linesRead += batch->size();
        m_full.push_back(std::move(batch));
    }
    m_changed.notify_all();
}

std::size_t SheetRowSource::lineCount() const
{
    const std::lock_guard lock(m_mutex);
    return m_linesRead;
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
    m_current = std::move(m_full.front());
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
