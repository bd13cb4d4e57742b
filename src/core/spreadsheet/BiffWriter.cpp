#include "core/spreadsheet/BiffWriter.h"

#include "core/spreadsheet/WorkbookError.h"

#include <algorithm>
#include <set>
#include <unordered_set>

namespace mervalon::spreadsheet {
namespace {

constexpr std::size_t kRowBlock = 32;
constexpr std::size_t kMaxLabelLength = 255;

// One cell of the rebuilt cell table: its records, ready to copy.
struct CellUnit {
    std::uint32_t row = 0;
    std::uint32_t column = 0;
    Bytes bytes;
    bool sharedString = false;
};

std::uint64_t key(std::uint32_t row, std::uint32_t column)
{
    return (std::uint64_t{row} << 32) | column;
}

bool isCellRecord(std::uint16_t id)
{
    switch (id) {
    case record::kFormula:
    case record::kFormula4:
    case record::kNumber:
    case record::kRk:
    case record::kMulRk:
    case record::kLabel:
    case record::kLabelSst:
    case record::kRString:
    case record::kBlank:
    case record::kMulBlank:
    case record::kBoolErr:
        return true;
    default:
        return false;
    }
}

bool isFormulaCompanion(std::uint16_t id)
{
    return id == record::kString || id == record::kShrFmla || id == record::kArray || id == record::kTable ||
           id == record::kContinue;
}

void appendRecord(Bytes& out, std::uint16_t id, const Bytes& body)
{
    appendU16(out, id);
    appendU16(out, static_cast<std::uint16_t>(body.size()));
    appendBytes(out, body);
}

void appendRaw(Bytes& out, ByteView stream, const RecordRef& r)
{
    appendBytes(out, stream.subspan(r.offset, std::size_t{r.length} + 4));
}

class SheetRebuilder {
  public:
    SheetRebuilder(const BiffWorkbook& book, SharedStrings& strings, const SheetSource& source, const Sheet& sheet,
                   const SheetEdit& edit)
        : m_book(book), m_strings(strings), m_source(source), m_sheet(sheet), m_edit(edit), m_data(book.stream)
    {
    }

    Bytes build(std::uint32_t& sharedStringCells);

  private:
    // What became of the record before, which decides where a CONTINUE or a formula's
    // companion goes: after a kept record, into a cell unit, or away with a dropped record.
    enum class Last { Kept, Dropped, Unit };

    void collect();
    Last collectCell(std::size_t index);
    Last collectSheetRecord(std::size_t index);
    void anchorCellTable();
    void addNewCells();
    Bytes cellTable() const;
    void addSplit(const RecordRef& r);
    void addKeptCell(const RecordRef& r, std::uint32_t row);
    void addFormulaResult(const std::vector<RecordRef>& records, std::size_t index, std::uint32_t row);
    std::optional<Bytes> textResultAsLabel(const std::vector<RecordRef>& records, std::size_t index, std::uint32_t row);
    CellUnit textCell(std::uint32_t row, std::uint32_t column, std::uint16_t xf, const std::string& text);
    bool rowsMoved() const { return !m_edit.newRowOf.empty(); }
    std::optional<std::uint32_t> newRow(std::uint32_t oldRow) const;

    const BiffWorkbook& m_book;
    SharedStrings& m_strings;
    const SheetSource& m_source;
    const Sheet& m_sheet;
    const SheetEdit& m_edit;
    ByteView m_data;
    // What the substream becomes: raw records, and the one place where the cell table goes.
    std::vector<std::optional<std::size_t>> m_layout;
    std::vector<CellUnit> m_units;
    std::map<std::uint32_t, Bytes> m_rowRecords;
    std::unordered_set<std::uint64_t> m_overwritten;
    bool m_anchored = false; // the cell table's place is in m_layout
};

std::optional<std::uint32_t> SheetRebuilder::newRow(std::uint32_t oldRow) const
{
    if (!rowsMoved()) {
        return oldRow;
    }
    if (oldRow >= m_edit.newRowOf.size() || m_edit.newRowOf[oldRow] < 0) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(m_edit.newRowOf[oldRow]);
}

CellUnit SheetRebuilder::textCell(std::uint32_t row, std::uint32_t column, std::uint16_t xf, const std::string& text)
{
    CellUnit unit{row, column, {}, false};
    Bytes body;
    appendU16(body, static_cast<std::uint16_t>(row));
    appendU16(body, static_cast<std::uint16_t>(column));
    appendU16(body, xf);
    if (m_book.version == BiffVersion::Biff8) {
        appendU32(body, m_strings.add(text));
        appendRecord(unit.bytes, record::kLabelSst, body);
        unit.sharedString = true;
    } else {
        Bytes encoded = m_book.codePage.encode(text);
        encoded.resize(std::min(encoded.size(), kMaxLabelLength));
        appendU16(body, static_cast<std::uint16_t>(encoded.size()));
        appendBytes(body, encoded);
        appendRecord(unit.bytes, record::kLabel, body);
    }
    return unit;
}

void SheetRebuilder::addKeptCell(const RecordRef& r, std::uint32_t row)
{
    const std::uint8_t* b = m_data.data() + r.bodyOffset();
    const std::uint16_t column = loadU16(b + 2);
    CellUnit unit{row, column, {}, r.id == record::kLabelSst};
    appendRaw(unit.bytes, m_data, r);
    storeU16(unit.bytes.data() + 4, static_cast<std::uint16_t>(row));
    m_units.push_back(std::move(unit));
}

// A formula whose rows moved keeps its last result and its cell format, as the cell record that
// holds such a value: its references name the old rows and would compute from the wrong cells.
// A formula's text result as a LABEL cell holding the STRING record's own bytes, so that
// characters beyond Windows-1252 (Cyrillic, Greek) stay as they were; none when the text is too
// long for a LABEL or is continued in further records.
std::optional<Bytes> SheetRebuilder::textResultAsLabel(const std::vector<RecordRef>& records, std::size_t index,
                                                       std::uint32_t row)
{
    for (std::size_t j = index + 1; j < records.size(); ++j) {
        const RecordRef& s = records[j];
        if (s.id == record::kString) {
            const bool continued = j + 1 < records.size() && records[j + 1].id == record::kContinue;
            if (continued || s.length < 3 || loadU16(m_data.data() + s.bodyOffset()) > kMaxLabelLength) {
                return std::nullopt;
            }
            const std::uint8_t* b = m_data.data() + records[index].bodyOffset();
            Bytes body;
            appendU16(body, static_cast<std::uint16_t>(row));
            appendBytes(body, ByteView(b + 2, 4)); // column and format
            appendBytes(body, ByteView(m_data.data() + s.bodyOffset(), s.length));
            Bytes label;
            appendRecord(label, record::kLabel, body);
            return label;
        }
        if (!isFormulaCompanion(s.id)) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

void SheetRebuilder::addFormulaResult(const std::vector<RecordRef>& records, std::size_t index, std::uint32_t row)
{
    const RecordRef& r = records[index];
    const std::uint8_t* b = m_data.data() + r.bodyOffset();
    const std::uint16_t column = loadU16(b + 2);
    const std::uint16_t xf = loadU16(b + 4);
    const std::uint8_t* value = b + 6;
    Bytes body;
    appendU16(body, static_cast<std::uint16_t>(row));
    appendU16(body, column);
    appendU16(body, xf);
    CellUnit unit{row, column, {}, false};
    if (value[6] != 0xFF || value[7] != 0xFF) {
        appendBytes(body, ByteView(value, 8));
        appendRecord(unit.bytes, record::kNumber, body);
    } else if (value[0] == 1 || value[0] == 2) {
        body.push_back(value[2]);
        body.push_back(value[0] == 2 ? 1 : 0);
        appendRecord(unit.bytes, record::kBoolErr, body);
    } else if (value[0] == 0) {
        if (auto label = textResultAsLabel(records, index, row)) {
            unit.bytes = std::move(*label);
        } else {
            // The reader put the STRING record's text into the sheet, which has moved with the row.
            const CellValue* text = m_sheet.cell(static_cast<std::int32_t>(row) + 1, column + 1);
            unit = textCell(row, column, xf, text != nullptr ? text->text : std::string());
        }
    } else {
        unit = textCell(row, column, xf, std::string()); // an empty text result
    }
    m_units.push_back(std::move(unit));
}

void SheetRebuilder::addSplit(const RecordRef& r)
{
    // MULRK and MULBLANK become single cells, so that any one of them can be replaced.
    const std::uint8_t* b = m_data.data() + r.bodyOffset();
    if (r.length < 6) {
        return;
    }
    const std::optional<std::uint32_t> row = newRow(loadU16(b));
    if (!row) {
        return;
    }
    const std::uint16_t first = loadU16(b + 2);
    const std::size_t itemSize = r.id == record::kMulRk ? 6 : 2;
    for (std::size_t k = 0; 4 + (k + 1) * itemSize <= std::size_t{r.length} - 2; ++k) {
        const std::uint8_t* item = b + 4 + k * itemSize;
        const auto column = static_cast<std::uint32_t>(first + k);
        if (m_edit.cleared || m_overwritten.count(key(*row, column)) != 0 || column > 0xFFFF) {
            continue;
        }
        Bytes body;
        appendU16(body, static_cast<std::uint16_t>(*row));
        appendU16(body, static_cast<std::uint16_t>(column));
        appendBytes(body, ByteView(item, itemSize));
        CellUnit unit{*row, column, {}, false};
        appendRecord(unit.bytes, r.id == record::kMulRk ? record::kRk : record::kBlank, body);
        m_units.push_back(std::move(unit));
    }
}

void SheetRebuilder::anchorCellTable()
{
    if (!m_anchored) {
        m_layout.emplace_back(std::nullopt);
        m_anchored = true;
    }
}

void SheetRebuilder::collect()
{
    for (const Cell& c : m_edit.cells) {
        m_overwritten.insert(key(c.row, c.column));
    }
    const auto& records = m_source.records;
    Last last = Last::Kept;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const RecordRef& r = records[i];
        if (r.depth != 1) {
            m_layout.emplace_back(i);
            last = Last::Kept;
        } else if (r.id == record::kContinue || (last == Last::Unit && isFormulaCompanion(r.id))) {
            if (last == Last::Kept) {
                m_layout.emplace_back(i);
            } else if (last == Last::Unit) {
                appendRaw(m_units.back().bytes, m_data, r);
            }
        } else {
            last = isCellRecord(r.id) ? collectCell(i) : collectSheetRecord(i);
        }
    }
    if (!m_anchored) {
        // Nothing marked the cell table's place at the sheet's own level (a damaged sheet, or an
        // embedded substream left open): right after the sheet's BOF is always at that level.
        m_layout.insert(m_layout.begin() + (m_layout.empty() ? 0 : 1), std::nullopt);
    }
}

// A cell record leaves the layout: kept cells become units of the rebuilt cell table.
SheetRebuilder::Last SheetRebuilder::collectCell(std::size_t index)
{
    const auto& records = m_source.records;
    const RecordRef& r = records[index];
    const std::uint8_t* b = m_data.data() + r.bodyOffset();
    anchorCellTable();
    if (r.id == record::kMulRk || r.id == record::kMulBlank) {
        addSplit(r);
        return Last::Dropped;
    }
    if (r.length < 4 || m_edit.cleared) {
        return Last::Dropped;
    }
    const std::optional<std::uint32_t> row = newRow(loadU16(b));
    if (!row || m_overwritten.count(key(*row, loadU16(b + 2))) != 0) {
        return Last::Dropped;
    }
    if (rowsMoved() && record::isFormula(r.id) && r.length >= 14) {
        addFormulaResult(records, index, *row);
        return Last::Dropped;
    }
    addKeptCell(r, *row);
    return Last::Unit;
}

// Any other record of the sheet's own level: kept in place, or dropped where the rebuilt cell
// table or the edit makes it wrong.
SheetRebuilder::Last SheetRebuilder::collectSheetRecord(std::size_t index)
{
    const auto& records = m_source.records;
    const RecordRef& r = records[index];
    switch (r.id) {
    case record::kRow:
        anchorCellTable();
        if (const auto row = newRow(loadU16(m_data.data() + r.bodyOffset()));
            !m_edit.cleared && row && r.length >= 16) {
            Bytes raw;
            appendRaw(raw, m_data, r);
            storeU16(raw.data() + 4, static_cast<std::uint16_t>(*row));
            m_rowRecords[*row] = std::move(raw);
        }
        return Last::Dropped;
    case record::kDimensions:
    case record::kIndex:
    case record::kDbCell:
        anchorCellTable();
        return Last::Dropped;
    case record::kString:
    case record::kShrFmla:
    case record::kArray:
    case record::kTable:
        return Last::Dropped; // companions of a formula that was dropped
    case record::kMergeCells:
    case record::kHLink:
    case record::kHLinkToolTip:
        if (m_edit.cleared || rowsMoved()) {
            return Last::Dropped;
        }
        m_layout.emplace_back(index);
        return Last::Kept;
    default:
        if (r.id == record::kWindow2 || (r.id == record::kEof && index + 1 == records.size())) {
            anchorCellTable();
        }
        m_layout.emplace_back(index);
        return Last::Kept;
    }
}

void SheetRebuilder::addNewCells()
{
    std::vector<Cell> cells(m_edit.cells.begin(), m_edit.cells.end());
    const auto cellBefore = [](const Cell& a, const Cell& b) {
        return a.row != b.row ? a.row < b.row : a.column < b.column;
    };
    if (!std::is_sorted(cells.begin(), cells.end(), cellBefore)) {
        std::stable_sort(cells.begin(), cells.end(), cellBefore);
    }
    const std::uint16_t xf = m_book.xfCount >= 16 ? 15 : 0;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const Cell& c = cells[i];
        if ((i + 1 < cells.size() && cells[i + 1].row == c.row && cells[i + 1].column == c.column) ||
            c.value.isEmpty()) {
            continue;
        }
        if (c.value.kind != CellValue::Kind::Number) {
            m_units.push_back(textCell(c.row, c.column, xf, c.value.text));
            continue;
        }
        CellUnit unit{c.row, c.column, {}, false};
        Bytes body;
        appendU16(body, static_cast<std::uint16_t>(c.row));
        appendU16(body, static_cast<std::uint16_t>(c.column));
        appendU16(body, xf);
        appendDouble(body, c.value.number);
        appendRecord(unit.bytes, record::kNumber, body);
        m_units.push_back(std::move(unit));
    }
    const auto unitBefore = [](const CellUnit& a, const CellUnit& b) {
        return a.row != b.row ? a.row < b.row : a.column < b.column;
    };
    if (!std::is_sorted(m_units.begin(), m_units.end(), unitBefore)) {
        std::stable_sort(m_units.begin(), m_units.end(), unitBefore);
    }
}

Bytes SheetRebuilder::cellTable() const
{
    const bool biff8 = m_book.version == BiffVersion::Biff8;
    Bytes out;
    Bytes dimensions;
    std::uint32_t firstRow = 0;
    std::uint32_t lastRow = 0;
    std::uint32_t firstColumn = 0;
    std::uint32_t lastColumn = 0;
    if (!m_units.empty()) {
        firstRow = m_units.front().row;
        lastRow = m_units.back().row + 1;
        firstColumn = m_units.front().column;
        for (const CellUnit& u : m_units) {
            firstColumn = std::min(firstColumn, u.column);
            lastColumn = std::max(lastColumn, u.column + 1);
        }
    }
    if (biff8) {
        appendU32(dimensions, firstRow);
        appendU32(dimensions, lastRow);
    } else {
        appendU16(dimensions, static_cast<std::uint16_t>(firstRow));
        appendU16(dimensions, static_cast<std::uint16_t>(lastRow));
    }
    appendU16(dimensions, static_cast<std::uint16_t>(firstColumn));
    appendU16(dimensions, static_cast<std::uint16_t>(lastColumn));
    appendU16(dimensions, 0);
    appendRecord(out, record::kDimensions, dimensions);

    // Rows in blocks of 32: the blocks' ROW records, then their cells.
    std::vector<std::uint32_t> rows;
    for (const CellUnit& u : m_units) {
        if (rows.empty() || rows.back() != u.row) {
            rows.push_back(u.row);
        }
    }
    for (const auto& [row, raw] : m_rowRecords) {
        rows.push_back(row);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    const std::uint16_t xf = m_book.xfCount >= 16 ? 15 : 0;
    std::size_t unit = 0;
    for (std::size_t blockStart = 0; blockStart < rows.size(); blockStart += kRowBlock) {
        const std::size_t blockEnd = std::min(rows.size(), blockStart + kRowBlock);
        std::size_t scan = unit;
        for (std::size_t k = blockStart; k < blockEnd; ++k) {
            const std::uint32_t row = rows[k];
            std::uint32_t colMic = 0;
            std::uint32_t colMac = 0;
            bool any = false;
            while (scan < m_units.size() && m_units[scan].row == row) {
                colMic = any ? std::min(colMic, m_units[scan].column) : m_units[scan].column;
                colMac = std::max(colMac, m_units[scan].column + 1);
                any = true;
                ++scan;
            }
            const auto kept = m_rowRecords.find(row);
            Bytes rowRecord;
            if (kept != m_rowRecords.end()) {
                rowRecord = kept->second;
            } else {
                Bytes body;
                appendU16(body, static_cast<std::uint16_t>(row));
                appendU16(body, 0);
                appendU16(body, 0);
                appendU16(body, 0x00FF); // default height, 12.75 points
                appendU16(body, 0);
                appendU16(body, 0);
                appendU16(body, 0x0100);
                appendU16(body, xf);
                appendRecord(rowRecord, record::kRow, body);
            }
            if (any) {
                storeU16(rowRecord.data() + 6, static_cast<std::uint16_t>(colMic));
                storeU16(rowRecord.data() + 8, static_cast<std::uint16_t>(colMac));
            }
            appendBytes(out, rowRecord);
        }
        const std::uint32_t lastRowOfBlock = rows[blockEnd - 1];
        while (unit < m_units.size() && m_units[unit].row <= lastRowOfBlock) {
            appendBytes(out, m_units[unit].bytes);
            ++unit;
        }
    }
    return out;
}

Bytes SheetRebuilder::build(std::uint32_t& sharedStringCells)
{
    collect();
    addNewCells();
    sharedStringCells = static_cast<std::uint32_t>(
        std::count_if(m_units.begin(), m_units.end(), [](const CellUnit& u) { return u.sharedString; }));
    Bytes out;
    for (const auto& entry : m_layout) {
        if (entry) {
            appendRaw(out, m_data, m_source.records[*entry]);
        } else {
            appendBytes(out, cellTable());
        }
    }
    return out;
}

// A copy of an untouched sheet whose INDEX positions follow the sheet to its new place.
Bytes movedSheet(const BiffWorkbook& book, const SheetSource& source, std::int64_t delta)
{
    const std::uint32_t start = source.records.front().offset;
    const std::uint32_t end = source.records.back().end();
    Bytes out(book.stream.begin() + start, book.stream.begin() + end);
    const std::size_t positionsAt = book.version == BiffVersion::Biff8 ? 16 : 12;
    const std::size_t xfAt = book.version == BiffVersion::Biff8 ? 12 : 8;
    auto shift = [&](std::uint8_t* p) {
        const std::uint32_t old = loadU32(p);
        if (old >= start && old < end) {
            storeU32(p, static_cast<std::uint32_t>(static_cast<std::int64_t>(old) + delta));
        }
    };
    for (const RecordRef& r : source.records) {
        if (r.id != record::kIndex || r.depth != 1 || r.length < positionsAt) {
            continue;
        }
        std::uint8_t* b = out.data() + (r.bodyOffset() - start);
        shift(b + xfAt);
        for (std::size_t p = positionsAt; p + 4 <= r.length; p += 4) {
            shift(b + p);
        }
    }
    return out;
}

} // namespace

Bytes writeBiff(const BiffWorkbook& book, const std::map<std::size_t, SheetEdit>& edits)
{
    const ByteView data(book.stream);
    // Substreams in file order, each written once even if two sheet entries share it.
    std::map<std::uint32_t, std::size_t> substreams;
    std::set<std::size_t> editedSources;
    for (const auto& [sheetIndex, edit] : edits) {
        editedSources.insert(book.sheetSource.at(sheetIndex));
    }
    for (std::size_t s = 0; s < book.sources.size(); ++s) {
        if (book.sources[s].records.empty()) {
            throw WorkbookError("The workbook cannot be saved: the contents of sheet \"" + book.sources[s].name +
                                "\" could not be found in the file.");
        }
        // Two sheet entries naming one substream: the edited one decides what it becomes.
        const auto [at, added] = substreams.emplace(book.sources[s].records.front().offset, s);
        if (!added && editedSources.count(s) != 0) {
            at->second = s;
        }
    }
    SharedStrings strings = book.strings; // grown here, so that a failed save changes nothing
    std::map<std::size_t, Bytes> rebuilt;
    std::map<std::size_t, std::uint32_t> sharedStringCells;
    for (const auto& [sheetIndex, edit] : edits) {
        const std::size_t s = book.sheetSource.at(sheetIndex);
        rebuilt[s] = SheetRebuilder(book, strings, book.sources[s], book.sheets.at(sheetIndex), edit)
                         .build(sharedStringCells[s]);
    }
    std::uint32_t totalReferences = 0;
    for (std::size_t s = 0; s < book.sources.size(); ++s) {
        const auto counted = sharedStringCells.find(s);
        totalReferences += counted != sharedStringCells.end() ? counted->second : book.sources[s].sharedStringCells;
    }

    Bytes out;
    std::vector<std::pair<std::size_t, std::size_t>> positionFields; // (offset in out, source)
    const bool newStrings = book.version == BiffVersion::Biff8 && strings.grown();
    bool stringsWritten = false;
    for (std::size_t i = 0; i < book.globals.size(); ++i) {
        const RecordRef& r = book.globals[i];
        if (newStrings && book.sstRecord && i == *book.sstRecord) {
            appendBytes(out, strings.serialize(static_cast<std::uint32_t>(out.size()), totalReferences));
            stringsWritten = true;
            while (i + 1 < book.globals.size() && book.globals[i + 1].id == record::kContinue) {
                ++i;
            }
            continue;
        }
        if (newStrings && r.id == record::kExtSst) {
            continue;
        }
        if (newStrings && !stringsWritten && r.id == record::kEof && i + 1 == book.globals.size()) {
            appendBytes(out, strings.serialize(static_cast<std::uint32_t>(out.size()), totalReferences));
            stringsWritten = true;
        }
        if (r.id == record::kBoundSheet) {
            for (std::size_t s = 0; s < book.sources.size(); ++s) {
                if (book.sources[s].boundSheetRecord == i) {
                    positionFields.emplace_back(out.size() + 4, s);
                }
            }
        }
        appendRaw(out, data, r);
        if (r.id == record::kDsf && r.length >= 2) {
            storeU16(out.data() + out.size() - r.length, 0); // only this stream is kept up to date
        }
    }
    if (newStrings && !stringsWritten) {
        appendBytes(out, strings.serialize(static_cast<std::uint32_t>(out.size()), totalReferences));
    }
    std::map<std::uint32_t, std::uint32_t> newStart;
    for (const auto& [oldStart, s] : substreams) {
        const auto position = static_cast<std::uint32_t>(out.size());
        newStart[oldStart] = position;
        if (const auto found = rebuilt.find(s); found != rebuilt.end()) {
            appendBytes(out, found->second);
        } else {
            appendBytes(out, movedSheet(book, book.sources[s], static_cast<std::int64_t>(position) - oldStart));
        }
    }
    for (const auto& [field, s] : positionFields) {
        storeU32(out.data() + field, newStart.at(book.sources[s].records.front().offset));
    }
    return out;
}

} // namespace mervalon::spreadsheet
