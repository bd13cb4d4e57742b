#include "core/spreadsheet/OoxmlReader.h"

#include "core/spreadsheet/CellText.h"
#include "core/spreadsheet/PlainXmlScanner.h"
#include "core/spreadsheet/TextCodec.h"
#include "core/spreadsheet/WorkbookError.h"
#include "core/spreadsheet/XmlStream.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <optional>

namespace mervalon::spreadsheet {
namespace {

struct Relationship {
    std::string target; // the part's name in the package
    std::string type;   // the last segment of the type URI: "worksheet", "sharedStrings", …
};

// Where a relationship of part `source` points: targets are relative to the source's folder,
// or absolute from the package's root.
std::string resolveTarget(const std::string& source, std::string_view target)
{
    std::vector<std::string> segments;
    std::string_view rest = target;
    if (!rest.empty() && rest.front() == '/') {
        rest.remove_prefix(1);
    } else {
        std::string_view folder(source);
        const std::size_t slash = folder.rfind('/');
        folder = slash == std::string_view::npos ? std::string_view() : folder.substr(0, slash);
        while (!folder.empty()) {
            const std::size_t next = folder.find('/');
            segments.emplace_back(folder.substr(0, next));
            folder = next == std::string_view::npos ? std::string_view() : folder.substr(next + 1);
        }
    }
    while (!rest.empty()) {
        const std::size_t next = rest.find('/');
        const std::string_view segment = rest.substr(0, next);
        if (segment == "..") {
            if (!segments.empty()) {
                segments.pop_back();
            }
        } else if (!segment.empty() && segment != ".") {
            segments.emplace_back(segment);
        }
        rest = next == std::string_view::npos ? std::string_view() : rest.substr(next + 1);
    }
    std::string name;
    for (const std::string& s : segments) {
        name += name.empty() ? s : "/" + s;
    }
    return name;
}

std::string relationshipsOf(const std::string& part)
{
    const std::size_t slash = part.rfind('/');
    return slash == std::string::npos ? "_rels/" + part + ".rels"
                                      : part.substr(0, slash) + "/_rels/" + part.substr(slash + 1) + ".rels";
}

class RelationshipsHandler : public XmlHandler {
  public:
    explicit RelationshipsHandler(std::string source) : m_source(std::move(source)) {}
    void startElement(const XmlName& name, const XmlAttributes& attributes) override
    {
        if (name.local != "Relationship") {
            return;
        }
        const char* id = attributes.find("Id");
        const char* target = attributes.find("Target");
        const char* type = attributes.find("Type");
        const char* mode = attributes.find("TargetMode");
        if (id == nullptr || target == nullptr || type == nullptr ||
            (mode != nullptr && std::string_view(mode) == "External")) {
            return;
        }
        std::string_view kind(type);
        kind = kind.substr(kind.rfind('/') + 1);
        relationships.emplace(id, Relationship{resolveTarget(m_source, target), std::string(kind)});
    }
    void endElement(const XmlName&) override {}

    std::map<std::string, Relationship> relationships;

  private:
    std::string m_source;
};

std::map<std::string, Relationship> readRelationships(ZipPackage& package, const std::string& part)
{
    const std::string name = relationshipsOf(part);
    RelationshipsHandler handler(part);
    XmlStream xml(handler, "the part \"" + name + "\"");
    if (package.read(name, [&](const char* data, std::size_t size) { xml.feed(data, size); })) {
        xml.finish();
    }
    return std::move(handler.relationships);
}

// Office Open XML spells characters XML cannot hold as _xHHHH_ (and a literal "_x" as _x005F_x).
void appendOoxmlText(std::string& out, std::string_view utf8, CharacterEscapes* escapes)
{
    std::size_t from = 0;
    for (std::size_t at = utf8.find("_x"); at != std::string_view::npos; at = utf8.find("_x", at + 1)) {
        if (at + 7 > utf8.size() || utf8[at + 6] != '_') {
            continue;
        }
        unsigned code = 0;
        const auto result = std::from_chars(utf8.data() + at + 2, utf8.data() + at + 6, code, 16);
        if (result.ec != std::errc() || result.ptr != utf8.data() + at + 6) {
            continue;
        }
        appendUtf8AsWindows1252(out, utf8.substr(from, at - from), escapes);
        appendUtf16Unit(out, static_cast<std::uint16_t>(code), escapes);
        from = at + 7;
        at += 6;
    }
    appendUtf8AsWindows1252(out, utf8.substr(from), escapes);
}

struct WorkbookSheet {
    std::string name;
    std::string relationship;
    std::string utf8Name;
};

class WorkbookHandler : public XmlHandler {
  public:
    void startElement(const XmlName& name, const XmlAttributes& attributes) override
    {
        if (name.local == "sheet") {
            const char* sheetName = attributes.find("name");
            const char* id = attributes.find("id");
            WorkbookSheet sheet;
            if (sheetName != nullptr) {
                appendUtf8AsWindows1252(sheet.name, sheetName);
            }
            sheet.relationship = id != nullptr ? id : "";
            sheet.utf8Name = sheetName != nullptr ? sheetName : "";
            sheets.push_back(std::move(sheet));
        } else if (name.local == "definedName") {
            m_inName = true;
            definedNames.emplace_back();
        } else if (name.local == "workbookPr") {
            const char* value = attributes.find("date1904");
            system1904 = value != nullptr && (std::string_view(value) == "1" || std::string_view(value) == "true");
        }
    }
    void endElement(const XmlName& name) override
    {
        if (name.local == "definedName") {
            m_inName = false;
        }
    }
    void text(std::string_view piece) override
    {
        if (m_inName && definedNames.back().size() < 65536) {
            definedNames.back().append(piece);
        }
    }

    std::vector<WorkbookSheet> sheets;
    bool system1904 = false;
    std::vector<std::string> definedNames; // their formulas

  private:
    bool m_inName = false;
};

// True when a defined name's formula refers to cells of sheet `name` (Points!$A$1, 'My sheet'!A1).
bool refersToSheet(std::string_view formula, const std::string& name)
{
    std::string quoted = "'";
    for (const char c : name) {
        quoted += c;
        if (c == '\'') {
            quoted += c;
        }
    }
    quoted += "'!";
    return formula.find(name + "!") != std::string_view::npos || formula.find(quoted) != std::string_view::npos;
}

class SharedStringsHandler : public XmlHandler {
  public:
    explicit SharedStringsHandler(CharacterEscapes* escapes) : m_escapes(escapes) {}

    void startElement(const XmlName& name, const XmlAttributes&) override
    {
        if (name.local == "si") {
            m_raw.clear();
            m_inItem = true;
        } else if (name.local == "rPh") {
            ++m_phonetic; // a reading guide above the text, not part of it
        } else if (name.local == "t" && m_inItem && m_phonetic == 0) {
            m_inText = true;
        }
    }
    void endElement(const XmlName& name) override
    {
        if (name.local == "si" && m_inItem) {
            std::string text;
            appendOoxmlText(text, m_raw, m_escapes);
            strings.push_back(std::move(text));
            m_inItem = false;
        } else if (name.local == "rPh") {
            --m_phonetic;
        } else if (name.local == "t") {
            m_inText = false;
        }
    }
    void text(std::string_view piece) override
    {
        if (m_inText) {
            m_raw.append(piece);
        }
    }

    std::vector<std::string> strings;

  private:
    CharacterEscapes* m_escapes;
    std::string m_raw;
    bool m_inItem = false;
    bool m_inText = false;
    int m_phonetic = 0;
};

class StylesHandler : public XmlHandler {
  public:
    void startElement(const XmlName& name, const XmlAttributes& attributes) override
    {
        if (name.local == "numFmt") {
            const char* id = attributes.find("numFmtId");
            const char* code = attributes.find("formatCode");
            if (id != nullptr && code != nullptr) {
                m_codes[static_cast<std::uint16_t>(std::atoi(id))] = code;
            }
        } else if (name.local == "cellXfs") {
            m_inCellXfs = true;
        } else if (name.local == "xf" && m_inCellXfs) {
            const char* id = attributes.find("numFmtId");
            m_xfFormats.push_back(id != nullptr ? static_cast<std::uint16_t>(std::atoi(id)) : 0);
        }
    }
    void endElement(const XmlName& name) override
    {
        if (name.local == "cellXfs") {
            m_inCellXfs = false;
        }
    }

    std::vector<TimeFormat> timeFormats() const
    {
        std::vector<TimeFormat> formats;
        formats.reserve(m_xfFormats.size());
        for (const std::uint16_t id : m_xfFormats) {
            const auto code = m_codes.find(id);
            formats.push_back(timeFormatOf(id, code != m_codes.end() ? code->second : std::string()));
        }
        return formats;
    }

  private:
    std::map<std::uint16_t, std::string> m_codes;
    std::vector<std::uint16_t> m_xfFormats;
    bool m_inCellXfs = false;
};

// "BC12" → column 54 (0-based), row 11 (0-based); false for anything else. Digits are read by hand:
// every cell of a sheet has a reference.
bool parseReference(std::string_view ref, std::uint32_t& column, std::uint32_t& row)
{
    std::size_t i = 0;
    std::uint32_t c = 0;
    while (i < ref.size() && i < 4 && ref[i] >= 'A' && ref[i] <= 'Z') {
        c = c * 26 + static_cast<std::uint32_t>(ref[i] - 'A' + 1);
        ++i;
    }
    if (i == 0) {
        return false;
    }
    column = c - 1;
    if (i == ref.size()) {
        row = UINT32_MAX;
        return true;
    }
    std::uint64_t r = 0;
    for (; i < ref.size(); ++i) {
        if (ref[i] < '0' || ref[i] > '9') {
            return false;
        }
        r = r * 10 + static_cast<std::uint64_t>(ref[i] - '0');
        if (r > UINT32_MAX) {
            return false;
        }
    }
    if (r == 0) {
        return false;
    }
    row = static_cast<std::uint32_t>(r - 1);
    return true;
}

// A cell's type (its t attribute); anything unknown is read as a number, as "n" is.
enum class CellType { Number, Shared, Inline, Formula, Boolean, Error, Date };

CellType cellTypeOf(std::string_view t)
{
    if (t == "s") {
        return CellType::Shared;
    }
    if (t == "inlineStr") {
        return CellType::Inline;
    }
    if (t == "str") {
        return CellType::Formula;
    }
    if (t == "b") {
        return CellType::Boolean;
    }
    if (t == "e") {
        return CellType::Error;
    }
    return t == "d" ? CellType::Date : CellType::Number;
}

class SheetHandler : public XmlHandler {
  public:
    SheetHandler(RowVisitor& visitor, const std::vector<std::string>& strings, const std::vector<TimeFormat>& formats,
                 bool system1904, CharacterEscapes* escapes)
        : m_visitor(visitor), m_rows(visitor), m_strings(strings), m_formats(formats), m_system1904(system1904),
          m_escapes(escapes)
    {
    }

    void startElement(const XmlName& name, const XmlAttributes& attributes) override
    {
        const std::string_view local = name.local;
        if (!m_inData) {
            if (local == "dimension" && !m_started) {
                declareDimension(attributes.find("ref"));
            }
            m_inData = local == "sheetData";
            return;
        }
        if (local == "c") {
            startCell(attributes);
        } else if (local == "v" && m_inCell) {
            m_inValue = true;
        } else if (local == "is" && m_inCell) {
            m_inInline = true;
            m_hasInline = true;
        } else if (local == "rPh") {
            ++m_phonetic;
        } else if (local == "t" && m_inInline && m_phonetic == 0) {
            m_inValue = true;
        } else if (local == "row") {
            startRow(attributes);
        }
    }

    void endElement(const XmlName& name) override
    {
        if (!m_inData) {
            return;
        }
        const std::string_view local = name.local;
        if (local == "v" || local == "t") {
            m_inValue = false;
        } else if (local == "c" && m_inCell) {
            endCell();
        } else if (local == "is") {
            m_inInline = false;
        } else if (local == "rPh") {
            --m_phonetic;
        } else if (local == "row") {
            if (m_inRow) {
                m_rows.end();
                m_inRow = false;
            }
        } else if (local == "sheetData") {
            if (m_inRow) {
                m_rows.end();
                m_inRow = false;
            }
            m_inData = false;
        }
    }

    void text(std::string_view piece) override
    {
        if (m_inValue) {
            m_value.append(piece);
        }
    }

  private:
    // The used range the producer wrote ("A1:F1048576"), for the progress only: a single cell
    // ("A1", which several producers write whatever the sheet holds) says nothing.
    void declareDimension(const char* ref)
    {
        const std::string_view range = ref != nullptr ? std::string_view(ref) : std::string_view();
        const std::size_t colon = range.find(':');
        std::uint32_t column = 0;
        std::uint32_t row = 0;
        if (colon != std::string_view::npos && parseReference(range.substr(colon + 1), column, row) &&
            row < kMaxSheetRows) {
            m_visitor.declaredRows(row + 1);
        }
    }

    void startRow(const XmlAttributes& attributes)
    {
        if (m_inRow) {
            m_rows.end();
        }
        const char* r = attributes.find("r");
        std::uint32_t number = 0;
        if (r != nullptr) {
            const std::string_view text(r);
            const auto result = std::from_chars(text.data(), text.data() + text.size(), number);
            if (result.ec != std::errc() || number == 0) {
                throw WorkbookError("The workbook file is damaged: a row of the sheet has the number \"" +
                                    std::string(text) + "\".");
            }
            m_row = number - 1;
        } else {
            m_row = m_started ? m_row + 1 : 0;
        }
        m_started = true;
        m_inRow = true;
        m_column = UINT32_MAX; // the next cell without a reference is in column A
        m_rows.begin(m_row);
    }

    void startCell(const XmlAttributes& attributes)
    {
        if (!m_inRow) {
            // A cell outside any row element: a damaged file; its reference tells where it goes.
            m_row = m_started ? m_row + 1 : 0;
            m_started = true;
            m_inRow = true;
            m_column = UINT32_MAX;
            m_rows.begin(m_row);
        }
        // One pass over the attributes (the first of each local name counts, as find gives it).
        const char* r = nullptr;
        const char* t = nullptr;
        const char* s = nullptr;
        attributes.forEach([&](const XmlName& name, const char* value) {
            if (name.local.size() != 1) {
                return;
            }
            const char** slot = name.local[0] == 'r'   ? &r
                                : name.local[0] == 't' ? &t
                                : name.local[0] == 's' ? &s
                                                       : nullptr;
            if (slot != nullptr && *slot == nullptr) {
                *slot = value;
            }
        });
        std::uint32_t column = m_column + 1;
        std::uint32_t row = 0;
        if (r != nullptr && !parseReference(r, column, row)) {
            throw WorkbookError("The workbook file is damaged: a cell of the sheet has the reference \"" +
                                std::string(r) + "\".");
        }
        m_column = column;
        m_type = cellTypeOf(t != nullptr ? std::string_view(t) : std::string_view("n"));
        m_style = s != nullptr ? static_cast<std::uint32_t>(std::strtoul(s, nullptr, 10)) : 0;
        m_value.clear();
        m_hasInline = false;
        m_inCell = true;
    }

    void endCell()
    {
        m_inCell = false;
        m_inValue = false;
        m_rows.add(m_column, cellValue());
    }

    CellValue cellValue()
    {
        if (m_type == CellType::Shared) {
            if (m_value.empty()) {
                return {};
            }
            std::size_t index = 0;
            const auto result = std::from_chars(m_value.data(), m_value.data() + m_value.size(), index);
            if (result.ec != std::errc() || index >= m_strings.size()) {
                throw WorkbookError("The workbook file is damaged: a cell refers to shared string \"" + m_value +
                                    "\", which the workbook does not hold.");
            }
            return CellValue::ofText(m_strings[index]);
        }
        if (m_type == CellType::Inline) {
            if (!m_hasInline) {
                return {};
            }
            return textOf(m_value);
        }
        if (m_type == CellType::Formula) {
            return textOf(m_value);
        }
        if (m_value.empty()) {
            return {}; // a styled blank, or a formula without a result
        }
        if (m_type == CellType::Boolean) {
            return CellValue::ofText(m_value == "1" || m_value == "true" ? "TRUE" : "FALSE");
        }
        if (m_type == CellType::Error) {
            return textOf(m_value);
        }
        if (m_type == CellType::Date) {
            double serial = 0;
            return isoDateSerial(m_value, serial) ? CellValue::ofText(dateValueText(serial, m_value)) : textOf(m_value);
        }
        double number = 0;
        const char* begin = m_value.data();
        const char* end = begin + m_value.size();
        const auto result = std::from_chars(begin, end, number);
        if (result.ec != std::errc() || result.ptr != end) {
            return textOf(m_value); // not a number: kept as written rather than lost
        }
        const TimeFormat format = m_style < m_formats.size() ? m_formats[m_style] : TimeFormat{};
        if (format.kind != TimeFormat::Kind::None) {
            auto text =
                format.kind == TimeFormat::Kind::Date ? dateText(number, m_system1904) : elapsedText(number, format);
            if (text) {
                return CellValue::ofText(std::move(*text));
            }
        }
        return CellValue::ofNumber(number);
    }

    CellValue textOf(std::string_view raw) const
    {
        std::string text;
        appendOoxmlText(text, raw, m_escapes);
        return CellValue::ofText(std::move(text));
    }

    RowVisitor& m_visitor;
    RowAssembler m_rows;
    const std::vector<std::string>& m_strings;
    const std::vector<TimeFormat>& m_formats;
    bool m_system1904;
    CharacterEscapes* m_escapes;
    bool m_inData = false;
    bool m_inRow = false;
    bool m_started = false;
    bool m_inCell = false;
    bool m_inValue = false;
    bool m_inInline = false;
    bool m_hasInline = false;
    int m_phonetic = 0;
    std::uint32_t m_row = 0;
    std::uint32_t m_column = 0;
    std::uint32_t m_style = 0;
    CellType m_type = CellType::Number;
    std::string m_value;
};

std::string partText(const std::string& part)
{
    return "the part \"" + part + "\"";
}

WorkbookError missingPart(const std::string& part)
{
    return WorkbookError("The workbook file is damaged: its part \"" + part + "\" is missing.");
}

std::vector<std::string> sharedStrings(const DocumentSource& part, CharacterEscapes* escapes, const std::string& what)
{
    SharedStringsHandler handler(escapes);
    parsePlainFirst(
        part, handler, [&]() -> XmlHandler& { return handler = SharedStringsHandler(escapes); }, what);
    return std::move(handler.strings);
}

// The rows of a sheet part into `visitor`: by the plain scanner, or again by expat when it declines
// (the rows handed on before not handed on twice).
void streamWorksheet(const DocumentSource& part, const std::vector<std::string>& strings,
                     const std::vector<TimeFormat>& formats, bool system1904, CharacterEscapes* escapes,
                     RowVisitor& visitor, const std::string& what)
{
    std::optional<SheetHandler> handler;
    parseRowsPlainFirst(part, &visitor, what, handler, [&](auto& slot, RowsAfter& rows) {
        slot.emplace(rows, strings, formats, system1904, escapes);
    });
}

// A small part (the workbook, its styles) straight into expat.
template <typename Handler> void parsePart(ZipPackage& package, const std::string& part, Handler& handler)
{
    XmlStream xml(handler, partText(part));
    if (!package.readInto(
            part, [&](std::size_t size) { return xml.buffer(size); },
            [&](std::size_t size) { xml.parseBuffer(size); })) {
        throw missingPart(part);
    }
    xml.finish();
}

// A part that may be hundreds of megabytes (a sheet, its shared strings), for parsePlainFirst;
// `progress`, when given, learns how much of it has been parsed.
DocumentSource largePart(ZipPackage& package, const std::string& part, RowVisitor* progress = nullptr)
{
    return [&package, part, progress](const std::function<void(const char*, std::size_t)>& sink) {
        const std::uint64_t total = progress != nullptr ? package.unpackedSize(part).value_or(0) : 0;
        std::uint64_t done = 0;
        if (!package.read(part, [&](const char* data, std::size_t size) {
                if (progress != nullptr) {
                    progress->documentRead(done, total);
                    done += size;
                }
                sink(data, size);
            })) {
            throw missingPart(part);
        }
    };
}

std::string workbookPart(ZipPackage& package)
{
    for (const auto& [id, relationship] : readRelationships(package, "")) {
        if (relationship.type == "officeDocument" && package.has(relationship.target)) {
            return relationship.target;
        }
    }
    return "xl/workbook.xml";
}

struct OpenedWorkbook {
    std::string part;
    WorkbookHandler workbook;
    std::map<std::string, Relationship> relationships;
};

OpenedWorkbook openWorkbook(ZipPackage& package)
{
    OpenedWorkbook opened;
    opened.part = workbookPart(package);
    parsePart(package, opened.part, opened.workbook);
    opened.relationships = readRelationships(package, opened.part);
    return opened;
}

const Relationship* relationshipOfType(const OpenedWorkbook& opened, std::string_view type)
{
    for (const auto& [id, relationship] : opened.relationships) {
        if (relationship.type == type) {
            return &relationship;
        }
    }
    return nullptr;
}

} // namespace

bool isOoxmlWorkbook(ZipPackage& package)
{
    return package.has("[Content_Types].xml") && package.has(workbookPart(package));
}

std::vector<std::string> ooxmlSheetNames(ZipPackage& package)
{
    std::vector<std::string> names;
    for (WorkbookSheet& sheet : openWorkbook(package).workbook.sheets) {
        names.push_back(std::move(sheet.name));
    }
    return names;
}

bool streamOoxmlSheet(ZipPackage& package, const SheetSelector& selector, RowVisitor& visitor,
                      CharacterEscapes* escapes)
{
    const OpenedWorkbook opened = openWorkbook(package);
    const std::vector<WorkbookSheet>& sheets = opened.workbook.sheets;
    const WorkbookSheet* chosen = nullptr;
    const std::int32_t n = selector.sheetNumber;
    if (n == 0) {
        return false;
    }
    if (n >= 1 && static_cast<std::size_t>(n) <= sheets.size()) {
        chosen = &sheets[static_cast<std::size_t>(n - 1)];
    } else {
        for (const WorkbookSheet& sheet : sheets) {
            if (sheet.name == selector.sheetText) {
                chosen = &sheet;
                break;
            }
        }
    }
    if (chosen == nullptr) {
        return false;
    }
    const auto relationship = opened.relationships.find(chosen->relationship);
    if (relationship == opened.relationships.end()) {
        throw WorkbookError("The workbook file is damaged: the part of sheet \"" + chosen->name + "\" is not named.");
    }
    if (relationship->second.type != "worksheet") {
        return true; // a chart or dialog sheet: no cells, as an XLS chart sheet has none
    }
    std::vector<std::string> strings;
    if (const Relationship* part = relationshipOfType(opened, "sharedStrings")) {
        strings = sharedStrings(largePart(package, part->target), escapes, partText(part->target));
    }
    StylesHandler styles;
    if (const Relationship* part = relationshipOfType(opened, "styles")) {
        parsePart(package, part->target, styles);
    }
    const std::vector<TimeFormat> formats = styles.timeFormats();
    const std::string& target = relationship->second.target;
    streamWorksheet(largePart(package, target, &visitor), strings, formats, opened.workbook.system1904, escapes,
                    visitor, partText(target));
    return true;
}

std::optional<OoxmlSheetPart> ooxmlSheetPart(ZipPackage& package, int number)
{
    const OpenedWorkbook opened = openWorkbook(package);
    if (number < 1 || static_cast<std::size_t>(number) > opened.workbook.sheets.size()) {
        return std::nullopt;
    }
    const WorkbookSheet& sheet = opened.workbook.sheets[static_cast<std::size_t>(number - 1)];
    const auto relationship = opened.relationships.find(sheet.relationship);
    if (relationship == opened.relationships.end()) {
        throw WorkbookError("The workbook file is damaged: the part of sheet \"" + sheet.name + "\" is not named.");
    }
    const auto names =
        std::count_if(opened.workbook.definedNames.begin(), opened.workbook.definedNames.end(),
                      [&](const std::string& formula) { return refersToSheet(formula, sheet.utf8Name); });
    return OoxmlSheetPart{relationship->second.target, relationship->second.type == "worksheet",
                          static_cast<std::uint64_t>(names)};
}

std::optional<OoxmlCalcChain> ooxmlCalcChain(ZipPackage& package)
{
    const OpenedWorkbook opened = openWorkbook(package);
    const Relationship* chain = relationshipOfType(opened, "calcChain");
    if (chain == nullptr || !package.has(chain->target)) {
        return std::nullopt;
    }
    return OoxmlCalcChain{chain->target, relationshipsOf(opened.part)};
}

std::vector<std::string> readOoxmlSharedStrings(const DocumentSource& part)
{
    return sharedStrings(part, nullptr, "the shared strings");
}

void streamOoxmlWorksheet(const DocumentSource& part, const std::vector<std::string>& sharedStrings,
                          const std::vector<TimeFormat>& formats, bool system1904, RowVisitor& visitor)
{
    streamWorksheet(part, sharedStrings, formats, system1904, nullptr, visitor, "the sheet");
}

} // namespace mervalon::spreadsheet
