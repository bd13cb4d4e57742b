#pragma once
// Where a conversion takes its lines from. Lines come a batch at a time, so that a point file
// of any length is converted in little more memory than one batch and the drawing's buffer.

#include "core/engine/FieldRows.h"

#include <cstddef>
#include <optional>
#include <string>

namespace mervalon::engine {

class RowSource {
  public:
    virtual ~RowSource() = default;

    /// How many lines the batches will hold in all; the progress is shown against it. A source
    /// that reads while the lines are converted may give an estimate, asked again after each batch
    /// (at least the lines handed out, and the true count once the last batch is out).
    [[nodiscard]] virtual std::size_t lineCount() const = 0;

    /// The next batch of lines, or nullptr when none is left. A batch holds at least one line
    /// and stays valid until the next call. Throws std::exception, with a message for the
    /// report, when the lines cannot be read.
    virtual const FieldRows* nextBatch() = 0;

    /// Reads the next batch into `rows` (emptied first) rather than into the source's own, so that
    /// several batches can be worked on at once; at most `maxLines` lines. False when no line was
    /// left. Only for a source whose canFillBatches() is true; throws as nextBatch does.
    [[nodiscard]] virtual bool canFillBatches() const { return false; }
    virtual bool fillBatch(FieldRows& /*rows*/, std::size_t /*maxLines*/) { return false; }

    /// True when no line follows the last batch handed out: the last line of a file ends the
    /// polyline still open, so the conversion must know it when it gets there.
    [[nodiscard]] virtual bool exhausted() = 0;

    /// True when the lines ended early because a stop was requested while they were read.
    [[nodiscard]] virtual bool interrupted() const { return false; }

    /// Characters of the lines' texts that had to be written as '?', known once the lines have
    /// been read through, when the report has not said so before the lines (see the workbook
    /// reader's escapes).
    [[nodiscard]] virtual std::size_t replacedCharacters() const { return 0; }

    /// A message for the report when the file was changed (cut short, appended to, rewritten)
    /// while its lines were read: the lines would be a mixture of two files.
    [[nodiscard]] virtual std::optional<std::string> changedWhileRead() const { return std::nullopt; }
};

/// All the lines at hand in one batch: a workbook sheet, or lines made by a test.
class HeldRows : public RowSource {
  public:
    explicit HeldRows(const FieldRows& rows) : m_rows(rows) {}
    [[nodiscard]] std::size_t lineCount() const override { return m_rows.size(); }
    const FieldRows* nextBatch() override
    {
        if (m_handedOut || m_rows.empty()) {
            return nullptr;
        }
        m_handedOut = true;
        return &m_rows;
    }
    [[nodiscard]] bool exhausted() override { return true; }

  private:
    const FieldRows& m_rows;
    bool m_handedOut = false;
};

} // namespace mervalon::engine
