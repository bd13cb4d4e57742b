#include "core/spreadsheet/OdsReader.h"

#include "core/spreadsheet/CellText.h"
#include "core/spreadsheet/PlainXmlScanner.h"
#include "core/spreadsheet/TextCodec.h"
#include "core/spreadsheet/WorkbookError.h"
#include "core/spreadsheet/XmlStream.h"

#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <optional>

namespace mervalon::spreadsheet {
namespace {

constexpr std::size_t kMaxCellText = 32767 * 4; // 32,767 characters of up to four UTF-8 bytes

std::uint32_t repeatCount(const char* value)
{
    if (value == nullptr) {
        return 1;
    }
    const std::string_view text(value);
    std::uint64_t count = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), count);
    if (result.ec == std::errc::result_out_of_range) {
        return UINT32_MAX;
    }
    if (result.ec != std::errc() || count == 0) {
        return 1;
    }
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(count, UINT32_MAX));
}

// Which table the pass streams: by number, or (number 0 meaning none) the first of a name.
struct Target {
    std::int32_t number = -1;
    std::string name;
};

// The value type of a cell (office:value-type): what its value attribute holds.
enum class Type { Number, Date, Time, Boolean, String, Other };

Type typeOf(std::string_view type)
{
    if (type == "float" || type == "percentage" || type == "currency") {
        return Type::Number;
    }
    if (type == "date") {
        return Type::Date;
    }
    if (type == "time") {
        return Type::Time;
    }
    if (type == "boolean") {
        return Type::Boolean;
    }
    return type == "string" ? Type::String : Type::Other;
}

// The attributes of a cell that its value depends on, gathered in one pass (a sheet of a million
// rows has millions of cells, each with a few attributes of long names).
struct CellAttributes {
    const char* repeated = nullptr;
    const char* officeType = nullptr;
    const char* extType = nullptr;
    const char* anyType = nullptr;
    const char* value = nullptr;
    const char* dateValue = nullptr;
    const char* timeValue = nullptr;
    const char* booleanValue = nullptr;
    const char* stringValue = nullptr;

    void take(const XmlName& name, const char* text)
    {
        const auto first = [text](const char*& slot) {
            if (slot == nullptr) {
                slot = text;
            }
        };
        const std::string_view local = name.local;
        if (local == "value") {
            first(value);
        } else if (local == "value-type") {
            first(anyType);
            if (name.space == "office") {
                first(officeType);
            } else if (name.space == "calcext") {
                first(extType);
            }
        } else if (local == "number-columns-repeated") {
            first(repeated);
        } else if (local == "date-value") {
            first(dateValue);
        } else if (local == "time-value") {
            first(timeValue);
        } else if (local == "boolean-value") {
            first(booleanValue);
        } else if (local == "string-value") {
            first(stringValue);
        }
    }
};

class ContentHandler : public XmlHandler {
  public:
    ContentHandler(RowVisitor* visitor, Target target, CharacterEscapes* escapes)
        : m_rows(m_sink), m_visitor(visitor), m_target(std::move(target)), m_escapes(escapes)
    {
        m_sink.owner = this;
    }

    void startElement(const XmlName& name, const XmlAttributes& attributes) override
    {
        const std::string_view local = name.local;
        if (local == "spreadsheet") {
            sawSpreadsheet = true;
            m_inBody = true;
            return;
        }
        if (!m_inBody) {
            return;
        }
        if (m_tableDepth > 0 && local == "table") {
            ++m_tableDepth; // a table inside a cell's content: not a sheet
            return;
        }
        if (local == "table") {
            startTable(attributes);
            return;
        }
        if (m_tableDepth != 1 || !m_streaming) {
            return;
        }
        if (m_annotation > 0 || local == "annotation") {
            ++m_annotation; // a comment on the cell, not its content
            return;
        }
        if (local == "table-row") {
            m_rowRepeat = repeatCount(attributes.find("number-rows-repeated"));
            m_column = 0;
            m_rows.begin(m_row, m_rowRepeat);
        } else if (local == "table-cell" || local == "covered-table-cell") {
            startCell(local == "covered-table-cell", attributes);
        } else if (m_inCell && local == "p") {
            ++m_inParagraph;
            if (m_paragraphs++ > 0) {
                m_text += '\n';
            }
            m_hasText = true;
        } else if (m_inCell && local == "s") {
            const std::uint32_t count = repeatCount(attributes.find("c"));
            m_text.append(std::min<std::size_t>(count, kMaxCellText - std::min(kMaxCellText, m_text.size())), ' ');
        } else if (m_inCell && local == "tab") {
            m_text += '\t';
        } else if (m_inCell && local == "line-break") {
            m_text += '\n';
        }
    }

    void endElement(const XmlName& name) override
    {
        const std::string_view local = name.local;
        if (!m_inBody) {
            return;
        }
        if (local == "spreadsheet") {
            m_inBody = false;
            return;
        }
        if (m_tableDepth > 1 && local == "table") {
            --m_tableDepth;
            return;
        }
        if (m_tableDepth == 1 && local == "table") {
            m_tableDepth = 0;
            m_streaming = false;
            return;
        }
        if (m_tableDepth != 1 || !m_streaming) {
            return;
        }
        if (m_annotation > 0) {
            --m_annotation;
            return;
        }
        if (local == "table-row") {
            m_rows.end();
            m_row = m_row + std::min(m_rowRepeat, kMaxSheetRows);
            m_row = std::min(m_row, kMaxSheetRows);
        } else if (m_inCell && (local == "table-cell" || local == "covered-table-cell")) {
            endCell();
        } else if (m_inCell && local == "p" && m_inParagraph > 0) {
            --m_inParagraph;
        }
    }

    void text(std::string_view piece) override
    {
        // Only a paragraph's text: a flat document is indented, and the blanks between a cell's
        // paragraphs are the file's layout, not the cell's text.
        if (m_inCell && m_inParagraph > 0 && m_annotation == 0) {
            // UTF-8, converted only when the cell shows its text (shownText); a spreadsheet cell holds
            // 32,767 characters, so more is damage or malice.
            if (m_text.size() + piece.size() > kMaxCellText) {
                throw WorkbookError("The workbook file is damaged: a cell of the sheet holds more text than a "
                                    "spreadsheet cell can.");
            }
            m_text.append(piece);
        }
    }

    bool sawSpreadsheet = false;
    bool found = false;
    std::vector<std::string> names;

  private:
    struct Sink : RowVisitor {
        ContentHandler* owner = nullptr;
        void row(std::uint32_t row, std::span<const RowCell> cells, std::uint32_t repeat) override
        {
            if (owner->m_visitor != nullptr) {
                owner->m_visitor->row(row, cells, repeat);
            }
        }
    };

    void startTable(const XmlAttributes& attributes)
    {
        m_tableDepth = 1;
        const char* tableName = attributes.find("name");
        std::string name;
        if (tableName != nullptr) {
            appendUtf8AsWindows1252(name, tableName);
        }
        names.push_back(name);
        const bool chosen = m_target.number > 0 ? static_cast<std::int32_t>(names.size()) == m_target.number
                                                : m_target.number < 0 && !found && name == m_target.name;
        m_streaming = chosen && m_visitor != nullptr;
        found = found || chosen;
        m_row = 0;
        m_annotation = 0;
    }

    void startCell(bool covered, const XmlAttributes& attributes)
    {
        m_inCell = true;
        m_covered = covered;
        m_text.clear();
        m_paragraphs = 0;
        m_inParagraph = 0;
        m_hasText = false;
        // One pass over the cell's attributes: the first of each name counts, as find gives it.
        CellAttributes cell;
        attributes.forEach([&](const XmlName& name, const char* value) { cell.take(name, value); });
        m_cellRepeat = repeatCount(cell.repeated);
        if (covered) {
            return; // hidden under a merged area: a spreadsheet shows nothing there
        }
        const char* type = cell.officeType;
        const char* extType = cell.extType;
        if (type == nullptr && extType == nullptr) {
            type = cell.anyType; // a producer with a prefix of its own
        }
        m_error = extType != nullptr && std::string_view(extType) == "error";
        m_type = typeOf(type != nullptr ? type : "");
        const auto textOf = [](const char* value) { return value != nullptr ? value : ""; };
        switch (m_type) {
        case Type::Number:
            m_numberText = textOf(cell.value);
            break;
        case Type::Date:
            m_numberText = textOf(cell.dateValue);
            break;
        case Type::Time:
            m_numberText = textOf(cell.timeValue);
            break;
        case Type::Boolean:
            m_numberText = textOf(cell.booleanValue);
            break;
        case Type::String:
            m_stringValue = cell.stringValue != nullptr;
            m_numberText.clear();
            if (cell.stringValue != nullptr) {
                appendUtf8AsWindows1252(m_numberText, cell.stringValue, m_escapes);
            }
            break;
        case Type::Other:
            break;
        }
    }

    void endCell()
    {
        m_inCell = false;
        const std::uint32_t repeat = m_cellRepeat;
        const std::uint32_t column = m_column;
        m_column =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(std::uint64_t{m_column} + repeat, kMaxSheetColumns));
        if (m_covered) {
            return;
        }
        CellValue value = cellValue();
        if (value.isEmpty()) {
            return;
        }
        if (value.text.size() * std::uint64_t{m_column - column} > kMaxRowText) {
            throw WorkbookError("The sheet holds a row of more than " + std::to_string(kMaxRowText >> 20) +
                                " MiB of text; it is too large to be converted.");
        }
        for (std::uint32_t c = column; c < m_column; ++c) {
            m_rows.add(c, value);
        }
    }

    std::string shownText() const
    {
        std::string text;
        appendUtf8AsWindows1252(text, m_text, m_escapes);
        return text;
    }

    CellValue cellValue() const
    {
        if (m_error && m_hasText) {
            return CellValue::ofText(shownText());
        }
        if (m_type == Type::Number) {
            double number = 0;
            const char* begin = m_numberText.data();
            const char* end = begin + m_numberText.size();
            const auto result = std::from_chars(begin, end, number);
            if (result.ec == std::errc() && result.ptr == end) {
                return CellValue::ofNumber(number);
            }
            return m_hasText ? CellValue::ofText(shownText()) : CellValue{};
        }
        if (m_type == Type::Date) {
            double serial = 0;
            if (isoDateSerial(m_numberText, serial)) {
                return CellValue::ofText(dateValueText(serial, m_numberText));
            }
            return m_hasText ? CellValue::ofText(shownText()) : CellValue{};
        }
        if (m_type == Type::Time) {
            double days = 0;
            if (isoDurationDays(m_numberText, days)) {
                return CellValue::ofText(durationText(days, m_numberText));
            }
            return m_hasText ? CellValue::ofText(shownText()) : CellValue{};
        }
        if (m_type == Type::Boolean) {
            return CellValue::ofText(m_numberText == "true" || m_numberText == "1" ? "TRUE" : "FALSE");
        }
        if (m_type == Type::String && m_stringValue) {
            return CellValue::ofText(m_numberText);
        }
        if (m_type == Type::String || m_hasText) {
            return CellValue::ofText(shownText());
        }
        return {};
    }

    Sink m_sink;
    RowAssembler m_rows;
    RowVisitor* m_visitor;
    Target m_target;
    CharacterEscapes* m_escapes;
    bool m_inBody = false;
    bool m_streaming = false;
    int m_tableDepth = 0;
    int m_annotation = 0;
    std::uint32_t m_row = 0;
    std::uint32_t m_rowRepeat = 1;
    std::uint32_t m_column = 0;
    std::uint32_t m_cellRepeat = 1;
    bool m_inCell = false;
    bool m_covered = false;
    bool m_error = false;
    bool m_hasText = false;
    bool m_stringValue = false;
    int m_paragraphs = 0;
    int m_inParagraph = 0; // paragraphs open in the cell
    Type m_type = Type::Other;
    std::string m_numberText;
    std::string m_text;
};

struct PassResult {
    bool found = false;
    bool sawSpreadsheet = false;
    std::vector<std::string> names;
};

// The content as spreadsheet programs write it is read by the plain scanner, several times faster
// than expat; what it declines (from a comment to a fault) expat reads again from the start, and the
// rows handed on before are not handed on a second time.
PassResult runPass(const DocumentSource& document, RowVisitor* visitor, const Target& target,
                   CharacterEscapes* escapes = nullptr)
{
    std::optional<ContentHandler> handler;
    parseRowsPlainFirst(document, visitor, "the spreadsheet's content", handler, [&](auto& slot, RowsAfter& rows) {
        slot.emplace(visitor != nullptr ? &rows : nullptr, target, escapes);
    });
    return PassResult{handler->found, handler->sawSpreadsheet, std::move(handler->names)};
}

} // namespace

bool streamOdsSheet(const DocumentSource& document, const SheetSelector& selector, RowVisitor& visitor,
                    bool* sawSpreadsheet, CharacterEscapes* escapes)
{
    const std::int32_t n = selector.sheetNumber;
    if (n == 0) {
        return false;
    }
    // One pass streams the table of that number, or the first of that name; a number beyond the
    // tables falls back to the name, which takes a second pass.
    PassResult first = runPass(document, &visitor, Target{n >= 1 ? n : -1, selector.sheetText}, escapes);
    if (sawSpreadsheet != nullptr) {
        *sawSpreadsheet = first.sawSpreadsheet;
    }
    if (first.found) {
        return true;
    }
    if (n < 1) {
        return false;
    }
    bool named = false;
    for (const std::string& name : first.names) {
        named = named || name == selector.sheetText;
    }
    if (!named) {
        return false;
    }
    return runPass(document, &visitor, Target{-1, selector.sheetText}, escapes).found;
}

std::vector<std::string> odsSheetNames(const DocumentSource& document)
{
    return runPass(document, nullptr, Target{0, {}}).names;
}

} // namespace mervalon::spreadsheet
