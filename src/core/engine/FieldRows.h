#pragma once
// The fields of every line of one file, held compactly: one text buffer and offsets, so
// that a file of a million lines costs little more than its own size in memory.

#include "core/engine/FieldList.h"

#include <cassert>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace mervalon::engine {

class FieldRows;

/// A view of one line's fields; valid while its FieldRows lives and is not appended to.
class FieldRow {
  public:
    FieldRow(const FieldRows& rows, std::size_t firstField, std::size_t endField, std::uint64_t overlongLength = 0)
        : m_rows(&rows), m_first(firstField), m_end(endField), m_overlongLength(overlongLength)
    {
    }
    [[nodiscard]] std::size_t size() const { return m_end - m_first; }
    [[nodiscard]] std::string_view operator[](std::size_t index) const;
    /// True for the empty-line placeholder (a first field reading "Empty").
    [[nodiscard]] bool isEmptyLine() const { return size() > 0 && (*this)[0] == kEmptyLine; }
    /// The length of a line too long to be read (it has no fields); 0 for every other line.
    [[nodiscard]] std::uint64_t overlongLength() const { return m_overlongLength; }

  private:
    const FieldRows* m_rows;
    std::size_t m_first;
    std::size_t m_end;
    std::uint64_t m_overlongLength;
};

class FieldRows {
  public:
    void addRow(std::span<const std::string_view> fields);
    void addRow(const FieldList& fields);
    void addRow(std::span<const std::string> fields);
    void addEmptyRow();
    /// A line of `length` bytes that was too long to be read: a row without fields.
    void addOverlongRow(std::uint64_t length);

    /// Forgets every row but keeps the memory, so that the next batch of a file costs no allocation.
    void clear()
    {
        m_text.clear();
        m_fieldEnds.clear();
        m_rowStarts.clear();
        m_overlongRows.clear();
    }

    [[nodiscard]] std::size_t size() const { return m_rowStarts.size(); }
    /// Bytes of field text held.
    [[nodiscard]] std::size_t textSize() const { return m_text.size(); }
    [[nodiscard]] bool empty() const { return m_rowStarts.empty(); }
    [[nodiscard]] FieldRow row(std::size_t index) const;
    [[nodiscard]] FieldList rowAsList(std::size_t index) const;

  private:
    friend class FieldRow;
    void addField(std::string_view field);

    std::string m_text;
    std::vector<std::uint64_t> m_fieldEnds; // end offset of each field in m_text
    std::vector<std::uint64_t> m_rowStarts; // index of each row's first field
    // The rows too long to be read, as (row index, line length), by increasing index; rare.
    std::vector<std::pair<std::size_t, std::uint64_t>> m_overlongRows;
};

inline std::string_view FieldRow::operator[](std::size_t index) const
{
    assert(index < size());
    const std::size_t field = m_first + index;
    const std::uint64_t begin = field == 0 ? 0 : m_rows->m_fieldEnds[field - 1];
    const std::uint64_t end = m_rows->m_fieldEnds[field];
    return std::string_view(m_rows->m_text).substr(begin, end - begin);
}

} // namespace mervalon::engine
