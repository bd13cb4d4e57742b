#pragma once
// Sheets of the zip-packaged workbooks (Office Open XML, OpenDocument) read as a stream of rows,
// so that a sheet of a million rows never has to be held whole.

#include "core/spreadsheet/CellValue.h"
#include "core/spreadsheet/WorkbookError.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace mervalon::spreadsheet {

/// The largest sheet either kind of workbook can hold; cells beyond are ignored, as cells
/// beyond column IV are in an XLS workbook.
inline constexpr std::uint32_t kMaxSheetRows = 1u << 20;
inline constexpr std::uint32_t kMaxSheetColumns = 1u << 14;
/// The text one row may hold (a few shared strings of 32,767 characters in every cell could
/// otherwise cost gigabytes).
inline constexpr std::uint64_t kMaxRowText = std::uint64_t{64} << 20;

/// Hands the bytes of an XML document to a parser, a piece at a time; may be called more than
/// once, each time from the beginning.
using DocumentSource = std::function<void(const std::function<void(const char*, std::size_t)>& sink)>;

struct RowCell {
    std::uint32_t column = 0; ///< 0-based
    CellValue value;
};

class RowVisitor {
  public:
    virtual ~RowVisitor() = default;
    /// Row `row` (0-based) with its cells that have a value, by increasing column, each column
    /// once; `repeat` rows alike follow from `row` on (an OpenDocument row repeated). Rows come
    /// in the file's order; rows without a value may be left out.
    virtual void row(std::uint32_t row, std::span<const RowCell> cells, std::uint32_t repeat) = 0;

    /// For a progress display only, never for the rows: the number of the last row the sheet says
    /// it spans (an XLSX sheet's dimension), as its producer wrote it, which may be far off.
    virtual void declaredRows(std::uint32_t /*lastRow*/) {}
    /// For a progress display only: `done` of the `total` bytes of the document holding the sheet
    /// have been parsed (told before each piece, so `done` trails the rows handed on).
    virtual void documentRead(std::uint64_t /*done*/, std::uint64_t /*total*/) {}
};

/// Hands the rows on to `visitor` (when there is one) but for the first `skip`, counting them, and
/// the progress as it comes: for a document read a second time from its start, whose first rows
/// were handed on already.
class RowsAfter : public RowVisitor {
  public:
    RowsAfter(RowVisitor* visitor, std::uint64_t skip) : m_visitor(visitor), m_skip(skip) {}
    void row(std::uint32_t row, std::span<const RowCell> cells, std::uint32_t repeat) override
    {
        if (m_rows++ >= m_skip && m_visitor != nullptr) {
            m_visitor->row(row, cells, repeat);
        }
    }
    void declaredRows(std::uint32_t lastRow) override
    {
        if (m_visitor != nullptr) {
            m_visitor->declaredRows(lastRow);
        }
    }
    void documentRead(std::uint64_t done, std::uint64_t total) override
    {
        if (m_visitor != nullptr) {
            m_visitor->documentRead(done, total);
        }
    }
    /// The rows seen, handed on or not.
    [[nodiscard]] std::uint64_t rows() const { return m_rows; }

  private:
    RowVisitor* m_visitor;
    std::uint64_t m_skip;
    std::uint64_t m_rows = 0;
};

/// Gathers a row's cells as a file gives them and hands the row on in column order, the last of
/// two cells at one place winning.
class RowAssembler {
  public:
    explicit RowAssembler(RowVisitor& visitor) : m_visitor(visitor) {}

    void begin(std::uint32_t row, std::uint32_t repeat = 1)
    {
        m_row = row;
        m_repeat = repeat;
        m_cells.clear();
        m_ordered = true;
        m_text = 0;
    }
    void add(std::uint32_t column, CellValue value)
    {
        if (column >= kMaxSheetColumns || value.isEmpty()) {
            return;
        }
        m_text += value.text.size();
        if (m_text > kMaxRowText) {
            throw WorkbookError("The sheet holds a row of more than " + std::to_string(kMaxRowText >> 20) +
                                " MiB of text; it is too large to be converted.");
        }
        if (!m_cells.empty() && m_cells.back().column >= column) {
            m_ordered = false;
        }
        m_cells.push_back(RowCell{column, std::move(value)});
    }
    void end()
    {
        if (m_row >= kMaxSheetRows || m_cells.empty()) {
            return;
        }
        if (!m_ordered) {
            std::stable_sort(m_cells.begin(), m_cells.end(),
                             [](const RowCell& a, const RowCell& b) { return a.column < b.column; });
            std::vector<RowCell> kept;
            for (std::size_t i = 0; i < m_cells.size(); ++i) {
                if (i + 1 == m_cells.size() || m_cells[i + 1].column != m_cells[i].column) {
                    kept.push_back(std::move(m_cells[i]));
                }
            }
            m_cells = std::move(kept);
        }
        m_visitor.row(m_row, m_cells, std::min(m_repeat, kMaxSheetRows - m_row));
    }

  private:
    RowVisitor& m_visitor;
    std::uint32_t m_row = 0;
    std::uint32_t m_repeat = 1;
    bool m_ordered = true;
    std::uint64_t m_text = 0;
    std::vector<RowCell> m_cells;
};

/// An ISO 8601 date or date and time ("2024-03-15", "2024-03-15T06:30:00.5") as the serial
/// number of the 1900 date system; false when it is not one.
bool isoDateSerial(std::string_view iso, double& serial);

/// An ISO 8601 duration ("PT36H30M00S", "-P1DT2H") in days; false when it is not one.
bool isoDurationDays(std::string_view iso, double& days);

/// A date or time value as the XLS reader shows a date-formatted number; `fallback` when the
/// serial lies outside the dates a spreadsheet shows.
std::string dateValueText(double serial, std::string_view fallback);
/// A time value (a duration) as shown: "HH:MM:SS" within a day, elapsed "H:MM:SS" beyond.
std::string durationText(double days, std::string_view fallback);

} // namespace mervalon::spreadsheet
