#include "core/spreadsheet/SheetPartRewriter.h"

#include "core/spreadsheet/XmlStream.h"

#include <algorithm>
#include <charconv>
#include <functional>
#include <optional>

namespace mervalon::spreadsheet {
namespace {

// ---- Start tags as written in the part ----------------------------------------------------------

struct TagAttribute {
    std::size_t begin = 0; // the blank before the name
    std::size_t end = 0;   // just after the closing quote
    std::string_view name;
    std::string_view value; // as written, entities and all
};

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The attributes of a start tag the parser has found well-formed.
std::vector<TagAttribute> tagAttributes(std::string_view tag)
{
    std::vector<TagAttribute> attributes;
    std::size_t i = 1;
    while (i < tag.size() && !isBlank(tag[i]) && tag[i] != '/' && tag[i] != '>') {
        ++i;
    }
    while (i < tag.size()) {
        const std::size_t begin = i;
        while (i < tag.size() && isBlank(tag[i])) {
            ++i;
        }
        if (i >= tag.size() || tag[i] == '/' || tag[i] == '>') {
            break;
        }
        const std::size_t nameBegin = i;
        while (i < tag.size() && tag[i] != '=' && !isBlank(tag[i])) {
            ++i;
        }
        const std::string_view name = tag.substr(nameBegin, i - nameBegin);
        while (i < tag.size() && tag[i] != '\'' && tag[i] != '"') {
            ++i;
        }
        if (i >= tag.size()) {
            break;
        }
        const char quote = tag[i++];
        const std::size_t valueBegin = i;
        while (i < tag.size() && tag[i] != quote) {
            ++i;
        }
        const std::string_view value = tag.substr(valueBegin, std::min(i, tag.size()) - valueBegin);
        i = std::min(i + 1, tag.size());
        attributes.push_back(TagAttribute{begin, i, name, value});
    }
    return attributes;
}

std::string_view tagName(std::string_view tag)
{
    std::size_t i = 1;
    while (i < tag.size() && !isBlank(tag[i]) && tag[i] != '/' && tag[i] != '>') {
        ++i;
    }
    return tag.substr(1, i - 1);
}

bool isSelfClosing(std::string_view tag)
{
    return tag.size() >= 2 && tag[tag.size() - 2] == '/';
}

std::optional<std::string_view> rawAttribute(std::string_view tag, std::string_view name)
{
    for (const TagAttribute& attribute : tagAttributes(tag)) {
        if (attribute.name == name) {
            return attribute.value;
        }
    }
    return std::nullopt;
}

// The start tag with attribute `name` set to `value` (added after the others when missing), or
// removed when `value` is nullopt; `open` turns an empty-element tag into a start tag.
std::string withAttribute(std::string_view tag, std::string_view name, std::optional<std::string_view> value,
                          bool open = false)
{
    const std::vector<TagAttribute> attributes = tagAttributes(tag);
    std::size_t end = 1 + tagName(tag).size();
    std::string result;
    std::size_t from = 0;
    bool found = false;
    for (const TagAttribute& attribute : attributes) {
        end = attribute.end;
        if (attribute.name != name) {
            continue;
        }
        found = true;
        result.append(tag.substr(from, attribute.begin - from));
        if (value) {
            result.append(" ").append(name).append("=\"").append(*value).append("\"");
        }
        from = attribute.end;
    }
    if (!found && value) {
        result.append(tag.substr(from, end - from));
        result.append(" ").append(name).append("=\"").append(*value).append("\"");
        from = end;
    }
    std::string_view rest = tag.substr(from);
    if (open && isSelfClosing(tag)) {
        result.append(rest.substr(0, rest.size() - 2)).append(">");
    } else {
        result.append(rest);
    }
    return result;
}

std::string_view prefixOf(std::string_view qname)
{
    const std::size_t colon = qname.find(':');
    return colon == std::string_view::npos ? std::string_view{} : qname.substr(0, colon + 1);
}

bool declaresUtf8(std::string_view head)
{
    if (head.starts_with("\xEF\xBB\xBF")) {
        return true;
    }
    if (head.starts_with("\xFE\xFF") || head.starts_with("\xFF\xFE") || (!head.empty() && head[0] == '\0')) {
        return false;
    }
    if (!head.starts_with("<?xml")) {
        return true;
    }
    const std::string_view declaration = head.substr(0, head.find("?>"));
    const std::size_t at = declaration.find("encoding");
    if (at == std::string_view::npos) {
        return true;
    }
    const std::size_t quote = declaration.find_first_of("'\"", at);
    if (quote == std::string_view::npos) {
        return false;
    }
    const std::size_t close = declaration.find(declaration[quote], quote + 1);
    std::string name(declaration.substr(quote + 1, close - quote - 1));
    std::transform(name.begin(), name.end(), name.begin(), [](char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; });
    return name == "utf-8" || name == "utf8";
}

std::uint32_t decimal(std::string_view text, std::uint32_t fallback)
{
    std::uint64_t value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size()) {
        return fallback;
    }
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(value, UINT32_MAX));
}

std::string columnName(std::uint32_t column) // 1-based
{
    std::string letters;
    while (column > 0) {
        letters.insert(letters.begin(), static_cast<char>('A' + (column - 1) % 26));
        column = (column - 1) / 26;
    }
    return letters;
}

// "BC12" → column 55 (1-based); 0 when it is no reference.
std::uint32_t referenceColumn(std::string_view ref)
{
    std::uint32_t column = 0;
    std::size_t i = 0;
    while (i < ref.size() && i < 4 && ref[i] >= 'A' && ref[i] <= 'Z') {
        column = column * 26 + static_cast<std::uint32_t>(ref[i] - 'A' + 1);
        ++i;
    }
    return i == 0 ? 0 : column;
}

// ---- The pass over a part's own bytes ------------------------------------------------------------

// Holds the part's bytes from the first one not yet written or dropped, so that a handler can
// copy an element exactly as it was or leave it out.
class RawPass : public XmlHandler {
  public:
    RawPass(const PartSink& out, std::string what) : m_out(out), m_xml(*this, std::move(what)) {}

    void run(const DocumentSource& source)
    {
        source([&](const char* data, std::size_t size) {
            m_raw.append(data, size);
            m_total += size;
            m_xml.feed(data, size);
            if (!holding()) {
                emitUpTo(m_decided);
            }
            // Bytes before the first one still undecided are not needed again.
            const std::size_t done = static_cast<std::size_t>(m_copied - m_rawStart);
            if (done > (std::size_t{1} << 16) && done > m_raw.size() / 2) {
                m_raw.erase(0, done);
                m_rawStart = m_copied;
            }
        });
        m_xml.finish();
        emitUpTo(m_total);
    }

  protected:
    /// True while the bytes after the last one written may yet be dropped or rewritten.
    virtual bool holding() const = 0;
    /// Called first by every element handler: the bytes up to the end of the element's tag are
    /// decided once the handler returns.
    void noteEvent() { m_decided = eventEnd(); }
    std::uint64_t offset() const { return m_xml.eventOffset(); }
    std::uint64_t eventEnd() const { return m_xml.eventOffset() + m_xml.eventLength(); }
    std::string_view raw(std::uint64_t from, std::uint64_t to) const
    {
        return std::string_view(m_raw).substr(static_cast<std::size_t>(from - m_rawStart),
                                              static_cast<std::size_t>(to - from));
    }
    std::string_view eventText() const { return raw(offset(), eventEnd()); }
    void emitUpTo(std::uint64_t position)
    {
        if (position > m_copied) {
            m_out(raw(m_copied, position));
            m_copied = position;
        }
    }
    void dropUpTo(std::uint64_t position) { m_copied = std::max(m_copied, position); }
    void write(std::string_view text) const { m_out(text); }
    // The part must be UTF-8, as what is written into it is.
    void checkEncoding() const
    {
        if (m_rawStart != 0 || !declaresUtf8(std::string_view(m_raw).substr(0, 512))) {
            throw WorkbookError("The sheet cannot be saved: its part is not written in UTF-8.");
        }
    }

  private:
    const PartSink& m_out;
    std::string m_raw;
    std::uint64_t m_rawStart = 0;
    std::uint64_t m_copied = 0;
    std::uint64_t m_total = 0;
    std::uint64_t m_decided = 0;
    XmlStream m_xml;
};

// Walks the typed cells of the sheet in row order.
class EditCursor {
  public:
    explicit EditCursor(const SheetEdits& edits) : m_cells(edits.cells()) {}
    /// The edits of row `row` (every earlier row's are passed over).
    std::pair<const CellEdit*, const CellEdit*> row(std::uint32_t row)
    {
        while (m_next < m_cells.size() && m_cells[m_next].row < row) {
            ++m_next;
        }
        const std::size_t begin = m_next;
        while (m_next < m_cells.size() && m_cells[m_next].row == row) {
            ++m_next;
        }
        return {m_cells.data() + begin, m_cells.data() + m_next};
    }
    [[nodiscard]] bool done() const { return m_next == m_cells.size(); }
    /// The row of the next edit not yet handed out, 0 when none is left.
    std::uint32_t nextRow() const { return m_next < m_cells.size() ? m_cells[m_next].row : 0; }

  private:
    const std::vector<CellEdit>& m_cells;
    std::size_t m_next = 0;
};

// ---- Office Open XML worksheets ----------------------------------------------------------------

class OoxmlSheetRewriter : public RawPass {
  public:
    /// `dimension`, when given, is the used range the sheet's dimension element is to name.
    OoxmlSheetRewriter(const SheetEdits& edits, const PartSink& out, std::optional<std::string> dimension = {})
        : RawPass(out, "the sheet"), m_edits(edits), m_cursor(edits), m_dimension(std::move(dimension))
    {
    }

    void startElement(const XmlName& name, const XmlAttributes& attributes) override
    {
        noteEvent();
        ++m_depth;
        if (m_depth == 1) {
            checkEncoding();
        }
        if (m_skipDepth > 0) {
            // Cells sharing a formula hold only a reference to the cell that holds its text.
            const char* type = attributes.find("t");
            if (name.local == "f" && attributes.find("ref") != nullptr && type != nullptr &&
                std::string_view(type) == "shared") {
                throw WorkbookError("The sheet cannot be saved: " +
                                    (m_inCell ? "cell " + columnName(m_cellColumn) + std::to_string(m_rowOld)
                                              : "row " + std::to_string(m_rowOld)) +
                                    " holds a formula that other cells share, which would be lost for them; change it "
                                    "in a spreadsheet program.");
            }
            return;
        }
        if (name.local == "sheetData" && m_depth == 2) {
            startSheetData();
        } else if (name.local == "dimension" && m_depth == 2 && m_dimension) {
            const std::string_view tag = eventText();
            if (rawAttribute(tag, "ref") != *m_dimension) {
                emitUpTo(offset());
                write(withAttribute(tag, "ref", *m_dimension));
                dropUpTo(eventEnd());
            }
        } else if (m_sheetDataDepth > 0 && m_depth == m_sheetDataDepth + 1 && name.local == "row") {
            startRow(attributes);
        } else if (m_inRow && m_depth == m_sheetDataDepth + 2 && name.local == "c") {
            startCell(attributes);
        }
    }

    void endElement(const XmlName& name) override
    {
        noteEvent();
        const int depth = m_depth--;
        if (m_skipDepth > 0) {
            if (depth == m_skipDepth) {
                m_skipDepth = 0;
                m_inCell = false;
                dropUpTo(eventEnd());
                if (m_inRow && depth == m_sheetDataDepth + 1) {
                    m_inRow = false;
                }
            }
            return;
        }
        if (m_inRow && depth == m_sheetDataDepth + 2 && name.local == "c") {
            m_inCell = false;
        } else if (m_inRow && depth == m_sheetDataDepth + 1) {
            endRow();
        } else if (m_sheetDataDepth > 0 && depth == m_sheetDataDepth) {
            endSheetData();
        }
    }

  private:
    bool holding() const override { return m_skipDepth > 0; }

    void startSheetData()
    {
        m_sheetDataDepth = m_depth;
        const std::string_view tag = eventText();
        m_prefix = std::string(prefixOf(tagName(tag)));
        emitUpTo(offset());
        if (isSelfClosing(tag) && !m_cursor.done()) {
            m_openedSheetData = true;
            write(withAttribute(tag, "", std::nullopt, true));
        } else {
            emitUpTo(eventEnd());
        }
        dropUpTo(eventEnd());
    }

    void endSheetData()
    {
        emitUpTo(offset());
        flushRowsBefore(UINT32_MAX);
        if (m_openedSheetData) {
            write("</" + m_prefix + "sheetData>");
        }
        emitUpTo(eventEnd());
        m_sheetDataDepth = 0;
    }

    void startRow(const XmlAttributes& attributes)
    {
        const char* r = attributes.find("r");
        // A row without a number, or with none a sheet has (0), follows the row before it.
        const std::uint32_t number = r != nullptr ? decimal(r, 0) : 0;
        m_rowOld = number != 0 ? number : m_rowOld + 1;
        const std::uint32_t newRow = m_edits.newRowOf(m_rowOld);
        emitUpTo(offset());
        if (newRow == 0) {
            m_skipDepth = m_depth; // a deleted row goes with all it holds
            m_inRow = true;
            if (isSelfClosing(eventText())) {
                dropUpTo(eventEnd());
            }
            return;
        }
        if (newRow > kMaxSheetRows && m_edits.movesRows()) {
            throw WorkbookError("The sheet cannot be saved: the inserted rows would push row " +
                                std::to_string(m_rowOld) + " beyond the last row a sheet has (" +
                                std::to_string(kMaxSheetRows) + ").");
        }
        flushRowsBefore(newRow);
        m_inRow = true;
        m_rowNew = newRow;
        m_lastColumn = 0;
        std::tie(m_rowEdit, m_rowEditEnd) = m_cursor.row(newRow);
        const std::string_view tag = eventText();
        const bool edited = m_rowEdit != m_rowEditEnd;
        m_rowEdited = edited;
        m_rowOpened = edited && isSelfClosing(tag);
        if (edited || newRow != m_rowOld || (r == nullptr && !m_edits.empty())) {
            std::string rewritten = withAttribute(tag, "r", std::to_string(newRow), m_rowOpened);
            if (edited) {
                rewritten = withAttribute(rewritten, "spans", std::nullopt);
            }
            write(rewritten);
            dropUpTo(eventEnd());
        } else {
            emitUpTo(eventEnd());
        }
    }

    void endRow()
    {
        emitUpTo(offset());
        writeEditsBefore(UINT32_MAX);
        if (m_rowOpened) {
            write("</" + m_prefix + "row>");
        }
        emitUpTo(eventEnd());
        m_inRow = false;
    }

    void startCell(const XmlAttributes& attributes)
    {
        const char* r = attributes.find("r");
        const std::uint32_t column = r != nullptr ? referenceColumn(r) : 0;
        m_lastColumn = column != 0 ? column : m_lastColumn + 1;
        emitUpTo(offset());
        writeEditsBefore(m_lastColumn);
        const std::string_view tag = eventText();
        if (m_rowEdit != m_rowEditEnd && m_rowEdit->column == m_lastColumn) {
            writeCell(*m_rowEdit++, rawAttribute(tag, "s"));
            m_cellColumn = m_lastColumn;
            m_inCell = true;
            m_skipDepth = m_depth;
            if (isSelfClosing(tag)) {
                m_skipDepth = 0;
                m_inCell = false;
                dropUpTo(eventEnd());
            }
            return;
        }
        // A row with typed cells names every cell, so that no cell's place is counted wrong.
        if (m_rowNew != m_rowOld || (r == nullptr && m_rowEdited)) {
            write(withAttribute(tag, "r", columnName(m_lastColumn) + std::to_string(m_rowNew)));
            dropUpTo(eventEnd());
        } else {
            emitUpTo(eventEnd());
        }
        m_inCell = !isSelfClosing(tag);
    }

    void writeEditsBefore(std::uint32_t column)
    {
        while (m_rowEdit != m_rowEditEnd && m_rowEdit->column < column) {
            writeCell(*m_rowEdit++, std::nullopt);
        }
    }

    // Rows that the file does not have but that the edits type into, up to new row `row`.
    void flushRowsBefore(std::uint32_t row)
    {
        while (m_cursor.nextRow() != 0 && m_cursor.nextRow() < row) {
            const std::uint32_t number = m_cursor.nextRow();
            std::tie(m_rowEdit, m_rowEditEnd) = m_cursor.row(number);
            m_rowNew = number;
            write("<" + m_prefix + "row r=\"" + std::to_string(number) + "\">");
            writeEditsBefore(UINT32_MAX);
            write("</" + m_prefix + "row>");
        }
    }

    void writeCell(const CellEdit& edit, std::optional<std::string_view> style)
    {
        std::string cell = "<" + m_prefix + "c r=\"" + columnName(edit.column) + std::to_string(m_rowNew) + "\"";
        if (style) {
            cell.append(" s=\"").append(*style).append("\"");
        }
        if (edit.kind == CellEdit::Kind::Number) {
            cell += "><" + m_prefix + "v>" + exactNumberText(edit.number) + "</" + m_prefix + "v></" + m_prefix + "c>";
        } else if (edit.text.empty()) {
            cell += "/>";
        } else {
            // An inline string: the shared strings stay as they were, and so does every other part.
            cell += " t=\"inlineStr\"><" + m_prefix + "is><" + m_prefix + "t xml:space=\"preserve\">";
            appendXmlEscaped(cell, edit.text);
            cell += "</" + m_prefix + "t></" + m_prefix + "is></" + m_prefix + "c>";
        }
        write(cell);
    }

    const SheetEdits& m_edits;
    EditCursor m_cursor;
    std::optional<std::string> m_dimension;
    int m_depth = 0;
    int m_skipDepth = 0;
    int m_sheetDataDepth = 0;
    bool m_openedSheetData = false;
    std::string m_prefix;
    bool m_inRow = false;
    bool m_inCell = false;
    bool m_rowOpened = false;
    bool m_rowEdited = false;
    std::uint32_t m_rowOld = 0;
    std::uint32_t m_rowNew = 0;
    std::uint32_t m_lastColumn = 0;
    std::uint32_t m_cellColumn = 0;
    const CellEdit* m_rowEdit = nullptr;
    const CellEdit* m_rowEditEnd = nullptr;
};

// Leaves out the elements a predicate picks, with all they hold; every other byte is copied.
class ElementDropper : public RawPass {
  public:
    using Predicate = std::function<bool(const XmlName&, const XmlAttributes&)>;
    ElementDropper(const Predicate& drop, const PartSink& out) : RawPass(out, "the part"), m_drop(drop) {}

    void startElement(const XmlName& name, const XmlAttributes& attributes) override
    {
        noteEvent();
        ++m_depth;
        if (m_skipDepth == 0 && m_drop(name, attributes)) {
            emitUpTo(offset());
            m_skipDepth = m_depth;
        }
    }
    void endElement(const XmlName&) override
    {
        noteEvent();
        if (m_depth-- == m_skipDepth) {
            dropUpTo(eventEnd());
            m_skipDepth = 0;
        }
    }

  private:
    bool holding() const override { return m_skipDepth > 0; }

    const Predicate& m_drop;
    int m_depth = 0;
    int m_skipDepth = 0;
};

// The used range of a worksheet as its cells give it, every cell counted (a styled blank too, as
// a spreadsheet program counts it): "A1:F120", "B3" for one cell, "A1" for none.
class UsedRangeScan : public XmlHandler {
  public:
    void startElement(const XmlName& name, const XmlAttributes& attributes) override
    {
        ++m_depth;
        if (m_depth == 2 && name.local == "sheetData") {
            m_inData = true;
        } else if (m_inData && m_depth == 3 && name.local == "row") {
            const char* r = attributes.find("r");
            const std::uint32_t number = r != nullptr ? decimal(r, 0) : 0;
            m_row = number != 0 ? number : m_row + 1;
            m_column = 0;
        } else if (m_inData && m_depth == 4 && name.local == "c") {
            const char* r = attributes.find("r");
            const std::uint32_t column = r != nullptr ? referenceColumn(r) : 0;
            m_column = column != 0 ? column : m_column + 1;
            m_first = {std::min(m_first.first, m_row), std::min(m_first.second, m_column)};
            m_last = {std::max(m_last.first, m_row), std::max(m_last.second, m_column)};
        }
    }
    void endElement(const XmlName& name) override
    {
        if (m_depth-- == 2 && name.local == "sheetData") {
            m_inData = false;
        }
    }

    [[nodiscard]] std::string range() const
    {
        if (m_last.first == 0) {
            return "A1";
        }
        const std::string first = columnName(m_first.second) + std::to_string(m_first.first);
        const std::string last = columnName(m_last.second) + std::to_string(m_last.first);
        return first == last ? first : first + ":" + last;
    }

  private:
    int m_depth = 0;
    bool m_inData = false;
    std::uint32_t m_row = 0;
    std::uint32_t m_column = 0;
    std::pair<std::uint32_t, std::uint32_t> m_first{UINT32_MAX, UINT32_MAX}; // row, column
    std::pair<std::uint32_t, std::uint32_t> m_last{0, 0};
};

// ---- OpenDocument tables -----------------------------------------------------------------------

constexpr std::string_view kOfficeNs = "urn:oasis:names:tc:opendocument:xmlns:office:1.0";
constexpr std::string_view kTableNs = "urn:oasis:names:tc:opendocument:xmlns:table:1.0";
constexpr std::string_view kTextNs = "urn:oasis:names:tc:opendocument:xmlns:text:1.0";

std::uint64_t repeatOf(const char* value)
{
    if (value == nullptr) {
        return 1;
    }
    const std::uint32_t count = decimal(value, 1);
    return count == 0 ? 1 : count;
}

bool isRowContainer(std::string_view local)
{
    return local == "table-row" || local == "table-rows" || local == "table-row-group" ||
           local == "table-header-rows" || local == "table-column" || local == "table-columns" ||
           local == "table-column-group" || local == "table-header-columns" || local == "table-source" ||
           local == "scenario" || local == "forms" || local == "shapes" || local == "title" || local == "desc";
}

class OdsTableRewriter : public RawPass {
  public:
    OdsTableRewriter(int tableNumber, const SheetEdits& edits, const PartSink& out)
        : RawPass(out, "the document"), m_target(tableNumber), m_edits(edits), m_cursor(edits)
    {
        // Old rows up to here are looked at one by one; the rows after them only move.
        m_lastHandled = edits.coveredRows();
        if (!edits.cells().empty()) {
            m_lastHandled = std::max<std::uint64_t>(m_lastHandled, edits.sourceOf(edits.cells().back().row));
        }
    }

    void startElement(const XmlName& name, const XmlAttributes& attributes) override
    {
        noteEvent();
        ++m_depth;
        if (m_depth == 1) {
            checkEncoding();
            readPrefixes();
        }
        if (m_inRow) {
            if (m_depth == m_rowDepth + 1 && (name.local == "table-cell" || name.local == "covered-table-cell")) {
                m_cells.push_back(CellRun{offset(), eventEnd(), eventEnd(),
                                          repeatOf(attributes.find("number-columns-repeated")),
                                          name.local == "covered-table-cell"});
            }
            return;
        }
        if (name.local == "spreadsheet") {
            m_inBody = true;
            return;
        }
        if (!m_inBody) {
            return;
        }
        if (name.local == "table") {
            if (++m_anyTableDepth == 1) {
                startTable();
            }
            return;
        }
        if (m_tableDepth == 0 || m_anyTableDepth != 1) {
            return;
        }
        if (m_depth == m_tableDepth + 1 && !isRowContainer(name.local) && m_nextOld > 1) {
            emitUpTo(offset());
            flushRemainingRows(); // what follows the rows (named expressions, conditional formats)
        }
        if (name.local == "table-row") {
            emitUpTo(offset());
            m_inRow = true;
            m_rowDepth = m_depth;
            m_rowStart = offset();
            m_rowTagEnd = eventEnd();
            m_rowRepeat = repeatOf(attributes.find("number-rows-repeated"));
            m_cells.clear();
        }
    }

    void endElement(const XmlName& name) override
    {
        noteEvent();
        const int depth = m_depth--;
        if (m_inRow) {
            if (depth == m_rowDepth + 1 && (name.local == "table-cell" || name.local == "covered-table-cell")) {
                m_cells.back().end = std::max(eventEnd(), m_cells.back().tagEnd);
            } else if (depth == m_rowDepth) {
                m_rowEnd = std::max(eventEnd(), m_rowTagEnd);
                m_inRow = false;
                endRow();
            }
            return;
        }
        if (m_inBody && name.local == "table" && m_anyTableDepth > 0 && --m_anyTableDepth == 0 && m_tableDepth > 0) {
            emitUpTo(offset());
            flushRemainingRows();
            m_tableDepth = 0;
        } else if (name.local == "spreadsheet" && m_inBody) {
            m_inBody = false;
            if (m_tables < m_target) {
                throw WorkbookError("The sheet cannot be saved: the workbook has no sheet " + std::to_string(m_target) +
                                    ".");
            }
        }
    }

  private:
    struct CellRun {
        std::uint64_t start = 0;
        std::uint64_t tagEnd = 0;
        std::uint64_t end = 0;
        std::uint64_t repeat = 1;
        bool covered = false;
    };

    bool holding() const override { return m_inRow; }

    void readPrefixes()
    {
        const std::string_view tag = eventText();
        m_rootPrefix = std::string(prefixOf(tagName(tag)));
        for (const TagAttribute& attribute : tagAttributes(tag)) {
            if (!attribute.name.starts_with("xmlns:")) {
                continue;
            }
            const std::string prefix = std::string(attribute.name.substr(6)) + ":";
            if (attribute.value == kOfficeNs) {
                m_office = prefix;
            } else if (attribute.value == kTableNs) {
                m_table = prefix;
            } else if (attribute.value == kTextNs) {
                m_text = prefix;
            }
        }
    }

    void startTable()
    {
        ++m_tables;
        if (m_tables != m_target) {
            return;
        }
        // What is written uses the prefixes the document declares, which must be those its own
        // elements use.
        const auto usable = [](const std::string& prefix) {
            const auto nameStart = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
            return prefix.size() >= 2 && nameStart(prefix[0]) &&
                   std::all_of(prefix.begin() + 1, prefix.end() - 1,
                               [&](char c) { return nameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.'; });
        };
        if (!usable(m_office) || !usable(m_table) || !usable(m_text) || prefixOf(tagName(eventText())) != m_table ||
            m_rootPrefix != m_office) {
            throw WorkbookError("The sheet cannot be saved: the document does not declare the OpenDocument names "
                                "of offices, tables and texts where a spreadsheet does.");
        }
        m_tableDepth = m_depth;
    }

    // A run of `rep` rows alike begins at old row m_oldRow.
    void endRow()
    {
        const std::uint64_t first = m_nextOld;
        const std::uint64_t end = first + m_rowRepeat;
        m_nextOld = end;
        m_group = 0;
        std::uint64_t old = first;
        for (; old < end && old <= m_lastHandled; ++old) {
            const std::uint32_t row = static_cast<std::uint32_t>(std::min<std::uint64_t>(old, UINT32_MAX));
            const std::uint32_t newRow = m_edits.newRowOf(row);
            if (newRow == 0) {
                continue;
            }
            if (m_nextNew < newRow) {
                flushGroup();
                writeEmptyRows(m_nextNew, newRow - 1);
            }
            const auto [edit, editEnd] = m_cursor.row(newRow);
            if (edit != editEnd) {
                flushGroup();
                writeEditedRow(edit, editEnd, true);
            } else {
                ++m_group;
            }
            m_nextNew = std::uint64_t{newRow} + 1;
        }
        if (old < end) {
            // Past the rows the order covers, rows keep their order, moved by the rows inserted
            // and deleted before them.
            const std::uint64_t moved = m_edits.movesRows() ? old - m_edits.coveredRows() + m_edits.orderedRows() : old;
            if (m_nextNew < moved) {
                flushGroup();
                writeEmptyRows(m_nextNew, moved - 1);
            }
            std::uint64_t count = end - old;
            if (m_edits.movesRows() && moved + count > std::uint64_t{kMaxSheetRows} + 1) {
                // A run reaching the sheet's last row (empty rows to the end, as spreadsheet
                // programs write them) loses the rows pushed beyond it.
                count = moved > kMaxSheetRows ? 0 : kMaxSheetRows + 1 - moved;
            }
            m_group += count;
            m_nextNew = moved + count;
        }
        flushGroup();
        dropUpTo(m_rowEnd);
    }

    std::string_view rowTag() const { return raw(m_rowStart, m_rowTagEnd); }

    // The row as it was, for m_group rows.
    void flushGroup()
    {
        if (m_group == 0) {
            return;
        }
        const std::string_view tag = rowTag();
        if (m_group == m_rowRepeat) {
            write(tag);
        } else {
            const std::string count = std::to_string(m_group);
            write(withAttribute(tag, m_table + "number-rows-repeated",
                                m_group == 1 ? std::nullopt : std::optional<std::string_view>(count)));
        }
        write(raw(m_rowTagEnd, m_rowEnd));
        m_group = 0;
    }

    // New rows [from, to] the file does not have: empty, or holding what was typed into them.
    void writeEmptyRows(std::uint64_t from, std::uint64_t to)
    {
        while (from <= to) {
            std::uint64_t plainEnd = to + 1;
            const std::uint32_t next = m_cursor.nextRow();
            if (next != 0 && next >= from && next <= to) {
                plainEnd = next;
            }
            if (plainEnd > from) {
                const std::uint64_t count = plainEnd - from;
                write("<" + m_table + "table-row" +
                      (count > 1 ? " " + m_table + "number-rows-repeated=\"" + std::to_string(count) + "\"" : "") +
                      "><" + m_table + "table-cell/></" + m_table + "table-row>");
                from = plainEnd;
                continue;
            }
            const auto [edit, editEnd] = m_cursor.row(static_cast<std::uint32_t>(from));
            writeEditedRow(edit, editEnd, false);
            ++from;
        }
    }

    // Rows still to come at the end of the table: those inserted after the file's last row and
    // those only typed into.
    void flushRemainingRows()
    {
        std::uint64_t last = m_edits.orderedRows();
        if (m_cursor.nextRow() != 0) {
            last = std::max<std::uint64_t>(last, m_edits.cells().back().row);
        }
        if (m_nextNew <= last) {
            writeEmptyRows(m_nextNew, last);
            m_nextNew = last + 1;
        }
    }

    void writeEditedRow(const CellEdit* edit, const CellEdit* editEnd, bool fromFile)
    {
        const std::string rowName = m_table + "table-row";
        if (!fromFile) {
            write("<" + rowName + ">");
        } else {
            write(withAttribute(rowTag(), m_table + "number-rows-repeated", std::nullopt, true));
        }
        std::uint64_t column = 1;
        if (fromFile) {
            for (const CellRun& run : m_cells) {
                const std::uint64_t runEnd = column + run.repeat;
                while (edit != editEnd && edit->column < runEnd) {
                    if (edit->column > column) {
                        writeCellCopy(run, edit->column - column);
                    }
                    writeCell(*edit, run.covered ? std::nullopt
                                                 : rawAttribute(raw(run.start, run.tagEnd), m_table + "style-name"));
                    column = std::uint64_t{edit->column} + 1;
                    ++edit;
                }
                if (column < runEnd) {
                    writeCellCopy(run, runEnd - column);
                    column = runEnd;
                }
            }
        }
        for (; edit != editEnd; ++edit) {
            if (edit->column > column) {
                const std::uint64_t gap = edit->column - column;
                write("<" + m_table + "table-cell" +
                      (gap > 1 ? " " + m_table + "number-columns-repeated=\"" + std::to_string(gap) + "\"" : "") +
                      "/>");
            }
            writeCell(*edit, std::nullopt);
            column = std::uint64_t{edit->column} + 1;
        }
        if (column == 1) {
            write("<" + m_table + "table-cell/>"); // a row holds at least one cell
        }
        write("</" + (fromFile ? std::string(tagName(rowTag())) : rowName) + ">");
    }

    void writeCellCopy(const CellRun& run, std::uint64_t count)
    {
        const std::string_view tag = raw(run.start, run.tagEnd);
        if (count == run.repeat) {
            write(tag);
        } else {
            const std::string text = std::to_string(count);
            write(withAttribute(tag, m_table + "number-columns-repeated",
                                count == 1 ? std::nullopt : std::optional<std::string_view>(text)));
        }
        write(raw(run.tagEnd, run.end));
    }

    void writeCell(const CellEdit& edit, std::optional<std::string_view> style)
    {
        std::string cell = "<" + m_table + "table-cell";
        if (style) {
            cell.append(" ").append(m_table).append("style-name=\"").append(*style).append("\"");
        }
        if (edit.kind == CellEdit::Kind::Number) {
            cell +=
                " " + m_office + "value-type=\"float\" " + m_office + "value=\"" + exactNumberText(edit.number) + "\">";
        } else if (edit.text.empty()) {
            write(cell + "/>");
            return;
        } else {
            cell += " " + m_office + "value-type=\"string\">";
        }
        appendParagraphs(cell, edit.kind == CellEdit::Kind::Number ? exactNumberText(edit.number) : edit.text);
        cell += "</" + m_table + "table-cell>";
        write(cell);
    }

    // A paragraph a line; blanks that XML would fold kept as text:s and text:tab elements.
    void appendParagraphs(std::string& out, std::string_view text) const
    {
        std::size_t from = 0;
        while (true) {
            const std::size_t end = std::min(text.find('\n', from), text.size());
            std::string_view line = text.substr(from, end - from);
            if (line.ends_with('\r')) {
                line.remove_suffix(1);
            }
            out += "<" + m_text + "p>";
            std::size_t i = 0;
            while (i < line.size()) {
                if (line[i] == '\t') {
                    out += "<" + m_text + "tab/>";
                    ++i;
                    continue;
                }
                if (line[i] == ' ') {
                    std::size_t spaces = 0;
                    while (i + spaces < line.size() && line[i + spaces] == ' ') {
                        ++spaces;
                    }
                    const bool alone = i > 0 && spaces == 1;
                    if (alone) {
                        out += ' ';
                    } else {
                        out += "<" + m_text + "s" +
                               (spaces > 1 ? " " + m_text + "c=\"" + std::to_string(spaces) + "\"" : "") + "/>";
                    }
                    i += spaces;
                    continue;
                }
                std::size_t j = i;
                while (j < line.size() && line[j] != ' ' && line[j] != '\t') {
                    ++j;
                }
                appendXmlEscaped(out, line.substr(i, j - i));
                i = j;
            }
            out += "</" + m_text + "p>";
            if (end >= text.size()) {
                break;
            }
            from = end + 1;
        }
    }

    int m_target;
    const SheetEdits& m_edits;
    EditCursor m_cursor;
    std::uint64_t m_lastHandled = 0;
    std::string m_rootPrefix;
    std::string m_office;
    std::string m_table;
    std::string m_text;
    int m_depth = 0;
    bool m_inBody = false;
    int m_tables = 0;
    int m_anyTableDepth = 0;
    int m_tableDepth = 0;
    bool m_inRow = false;
    int m_rowDepth = 0;
    std::uint64_t m_rowStart = 0;
    std::uint64_t m_rowTagEnd = 0;
    std::uint64_t m_rowEnd = 0;
    std::uint64_t m_rowRepeat = 1;
    std::vector<CellRun> m_cells;
    std::uint64_t m_nextOld = 1;
    std::uint64_t m_nextNew = 1;
    std::uint64_t m_group = 0;
};

// ---- What does not follow moved rows -----------------------------------------------------------

class Tally {
  public:
    explicit Tally(std::vector<std::string> order)
    {
        for (std::string& what : order) {
            m_counts.push_back(RowAnchoredContent{std::move(what), 0});
        }
    }
    void add(std::string_view what, std::uint64_t count = 1)
    {
        for (RowAnchoredContent& entry : m_counts) {
            if (entry.what == what) {
                entry.count += count;
            }
        }
    }
    std::vector<RowAnchoredContent> result() const
    {
        std::vector<RowAnchoredContent> found;
        for (const RowAnchoredContent& entry : m_counts) {
            if (entry.count > 0) {
                found.push_back(entry);
            }
        }
        return found;
    }

  private:
    std::vector<RowAnchoredContent> m_counts;
};

class OoxmlAnchorScan : public XmlHandler {
  public:
    void startElement(const XmlName& name, const XmlAttributes&) override
    {
        const std::string_view local = name.local;
        if (local == "f") {
            tally.add("formulas");
        } else if (local == "mergeCell") {
            tally.add("merged areas");
        } else if (local == "conditionalFormatting") {
            tally.add("conditional formats");
        } else if (local == "dataValidation") {
            tally.add("data validations");
        } else if (local == "hyperlink") {
            tally.add("hyperlinks");
        } else if (local == "drawing") {
            tally.add("pictures or charts");
        } else if (local == "legacyDrawing") {
            tally.add("comments");
        } else if (local == "tablePart") {
            tally.add("tables");
        } else if (local == "autoFilter") {
            tally.add("filters");
        } else if (local == "brk" && m_inRowBreaks) {
            tally.add("page breaks");
        }
        m_inRowBreaks = m_inRowBreaks || local == "rowBreaks";
    }
    void endElement(const XmlName& name) override
    {
        if (name.local == "rowBreaks") {
            m_inRowBreaks = false;
        }
    }

    Tally tally{{"formulas", "merged areas", "conditional formats", "data validations", "hyperlinks",
                 "pictures or charts", "comments", "tables", "filters", "page breaks"}};

  private:
    bool m_inRowBreaks = false;
};

// True when an OpenDocument address or expression names table `name` ($Points.$A$1, 'My sheet'.A1).
bool mentionsTable(std::string_view text, const std::string& name)
{
    std::string quoted = "'";
    for (const char c : name) {
        quoted += c;
        if (c == '\'') {
            quoted += c;
        }
    }
    quoted += "'.";
    return text.find(name + ".") != std::string_view::npos || text.find(quoted) != std::string_view::npos;
}

class OdsAnchorScan : public XmlHandler {
  public:
    explicit OdsAnchorScan(int target) : m_target(target) {}

    void startElement(const XmlName& name, const XmlAttributes& attributes) override
    {
        const std::string_view local = name.local;
        if (local == "named-range" || local == "database-range") {
            const char* range = attributes.find("cell-range-address");
            m_named.push_back({local == "named-range" ? "named ranges" : "database ranges", range ? range : ""});
        } else if (local == "named-expression") {
            // An expression refers to cells only through a reference in brackets.
            const char* expression = attributes.find("expression");
            const char* base = attributes.find("base-cell-address");
            if (expression != nullptr && std::string_view(expression).find('[') != std::string_view::npos) {
                m_named.push_back({"named ranges", std::string(expression) + " " + (base ? base : "")});
            }
        }
        if (local == "table" && m_depth == 0) {
            ++m_tables;
            m_inTarget = m_tables == m_target;
            if (m_inTarget) {
                const char* tableName = attributes.find("name");
                m_name = tableName != nullptr ? tableName : "";
            }
        }
        if (local == "table") {
            ++m_depth;
        }
        if (!m_inTarget) {
            return;
        }
        if (local == "table-cell") {
            const std::uint64_t repeat = repeatOf(attributes.find("number-columns-repeated")) * m_rowRepeat;
            if (attributes.find("formula") != nullptr) {
                tally.add("formulas", repeat);
            }
            if (repeatOf(attributes.find("number-rows-spanned")) > 1 ||
                repeatOf(attributes.find("number-columns-spanned")) > 1) {
                tally.add("merged areas", repeat);
            }
            if (attributes.find("content-validation-name") != nullptr) {
                tally.add("validity rules", repeat);
            }
        } else if (local == "table-row") {
            m_rowRepeat = repeatOf(attributes.find("number-rows-repeated"));
        } else if (local == "conditional-format") {
            tally.add("conditional formats");
        } else if (name.space == "draw" &&
                   (local == "frame" || local == "custom-shape" || local == "rect" || local == "line" ||
                    local == "ellipse" || local == "polygon" || local == "polyline" || local == "path" ||
                    local == "connector" || local == "g")) {
            tally.add("pictures, charts or shapes");
        }
    }
    void endElement(const XmlName& name) override
    {
        if (name.local == "table" && m_depth > 0 && --m_depth == 0) {
            m_inTarget = false;
        } else if (name.local == "table-row") {
            m_rowRepeat = 1;
        }
    }

    std::vector<RowAnchoredContent> result()
    {
        for (const auto& [what, address] : m_named) {
            if (!m_name.empty() && mentionsTable(address, m_name)) {
                tally.add(what);
            }
        }
        return tally.result();
    }

  private:
    Tally tally{{"formulas", "merged areas", "conditional formats", "validity rules", "pictures, charts or shapes",
                 "named ranges", "database ranges"}};
    int m_target;
    int m_tables = 0;
    int m_depth = 0;
    bool m_inTarget = false;
    std::uint64_t m_rowRepeat = 1;
    std::string m_name;
    std::vector<std::pair<std::string, std::string>> m_named;
};

template <typename Handler> void scan(const DocumentSource& source, Handler& handler)
{
    XmlStream xml(handler, "the sheet");
    source([&](const char* data, std::size_t size) { xml.feed(data, size); });
    xml.finish();
}

} // namespace

void rewriteOoxmlSheet(const DocumentSource& part, const SheetEdits& edits, const PartSink& out)
{
    if (!edits.movesRows()) {
        OoxmlSheetRewriter rewriter(edits, out);
        rewriter.run(part);
        return;
    }
    // Rows moved: the dimension, which comes before the rows, names the range the rewritten rows
    // span; a first pass learns it from what the rewrite gives.
    UsedRangeScan scan;
    {
        XmlStream xml(scan, "the rewritten sheet");
        const PartSink scanned = [&xml](std::string_view piece) { xml.feed(piece.data(), piece.size()); };
        OoxmlSheetRewriter rewriter(edits, scanned);
        rewriter.run(part);
        xml.finish();
    }
    OoxmlSheetRewriter rewriter(edits, out, scan.range());
    rewriter.run(part);
}

std::string withoutElements(std::string_view xml, const std::function<bool(const XmlName&, const XmlAttributes&)>& drop)
{
    std::string out;
    const PartSink sink = [&out](std::string_view piece) { out.append(piece); };
    ElementDropper dropper(drop, sink);
    dropper.run([xml](const std::function<void(const char*, std::size_t)>& feed) { feed(xml.data(), xml.size()); });
    return out;
}

void rewriteOdsTable(const DocumentSource& document, int tableNumber, const SheetEdits& edits, const PartSink& out)
{
    OdsTableRewriter rewriter(tableNumber, edits, out);
    rewriter.run(document);
}

std::vector<RowAnchoredContent> ooxmlRowAnchoredContent(const DocumentSource& part)
{
    OoxmlAnchorScan handler;
    scan(part, handler);
    return handler.tally.result();
}

std::vector<RowAnchoredContent> odsRowAnchoredContent(const DocumentSource& document, int tableNumber)
{
    OdsAnchorScan handler(tableNumber);
    scan(document, handler);
    return handler.result();
}

void appendXmlEscaped(std::string& out, std::string_view utf8)
{
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 && c != '\t' && c != '\n' && c != '\r') {
            continue;
        }
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\r':
            out += "&#13;";
            break;
        default:
            out += c;
        }
    }
}

} // namespace mervalon::spreadsheet
