#include "core/spreadsheet/BiffReader.h"

#include "core/spreadsheet/CellText.h"
#include "core/spreadsheet/TextCodec.h"
#include "core/spreadsheet/WorkbookError.h"

#include <map>
#include <set>

namespace mervalon::spreadsheet {
namespace {

constexpr std::uint32_t kMaxColumns = 256;

[[noreturn]] void damaged(const std::string& detail)
{
    throw WorkbookError("The workbook file is damaged: " + detail + ".");
}

double rkValue(std::uint32_t rk)
{
    double value = 0;
    if (rk & 0x02) {
        value = static_cast<double>(static_cast<std::int32_t>(rk) >> 2);
    } else {
        const std::uint64_t bits = static_cast<std::uint64_t>(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&value, &bits, sizeof value);
    }
    return (rk & 0x01) ? value / 100 : value;
}

std::string errorText(std::uint8_t code)
{
    switch (code) {
    case 0x00:
        return "#NULL!";
    case 0x07:
        return "#DIV/0!";
    case 0x0F:
        return "#VALUE!";
    case 0x17:
        return "#REF!";
    case 0x1D:
        return "#NAME?";
    case 0x24:
        return "#NUM!";
    default:
        return "#N/A";
    }
}

std::string toText(const std::u16string& units, CharacterEscapes* escapes)
{
    std::string text;
    text.reserve(units.size());
    for (const char16_t u : units) {
        appendUtf16Unit(text, static_cast<std::uint16_t>(u), escapes);
    }
    return text;
}

class Parser {
  public:
    Parser(BiffWorkbook& book, CharacterEscapes* escapes) : m_book(book), m_data(book.stream), m_escapes(escapes) {}

    void run();

  private:
    void readGlobals();
    void readBoundSheet(std::size_t index);
    void locateSheets();
    void readSheet(SheetSource& source, Sheet& sheet);
    void readCell(const std::vector<RecordRef>& records, std::size_t i, SheetSource& source, Sheet& sheet);
    void readFormulaResult(const std::vector<RecordRef>& records, std::size_t i, Sheet& sheet);
    std::string readUnicodeString(const std::vector<RecordRef>& records, std::size_t i, std::size_t skip);
    std::string readByteString(const RecordRef& r, std::size_t lengthOffset);
    void putNumber(Sheet& sheet, std::uint32_t row, std::uint32_t column, std::uint16_t xf, double value);
    const std::uint8_t* body(const RecordRef& r) const { return m_data.data() + r.bodyOffset(); }

    BiffWorkbook& m_book;
    ByteView m_data;
    std::map<std::uint16_t, std::string> m_formats;
    std::vector<std::uint16_t> m_xfFormats;
    std::vector<TimeFormat> m_xfTimeFormat;
    CharacterEscapes* m_escapes;
};

void Parser::run()
{
    readGlobals();
    m_xfTimeFormat.reserve(m_xfFormats.size());
    for (const std::uint16_t format : m_xfFormats) {
        const auto found = m_formats.find(format);
        m_xfTimeFormat.push_back(timeFormatOf(format, found != m_formats.end() ? found->second : std::string()));
    }
    locateSheets();
    for (std::size_t s = 0; s < m_book.sources.size(); ++s) {
        SheetSource& source = m_book.sources[s];
        if (source.type == 6) {
            continue; // VB modules have no tab
        }
        const SheetKind kind = source.type == 2   ? SheetKind::Chart
                               : source.type == 1 ? SheetKind::MacroSheet
                                                  : SheetKind::Worksheet;
        m_book.sheets.emplace_back(source.name, kind);
        m_book.sheetSource.push_back(s);
        if (kind != SheetKind::Chart) {
            readSheet(source, m_book.sheets.back());
        }
    }
}

void Parser::readGlobals()
{
    if (m_data.size() < 4) {
        throw WorkbookError("The workbook stream is empty.");
    }
    const std::uint16_t firstId = loadU16(m_data.data());
    if (firstId == record::kOldBof2 || firstId == record::kOldBof3 || firstId == record::kOldBof4) {
        throw WorkbookError("The workbook was saved by Excel 4 or earlier, which is not supported.");
    }
    m_book.globals = scanSubstream(m_data, 0);
    const RecordRef& bof = m_book.globals.front();
    if (bof.id != record::kBof || bof.length < 4) {
        damaged("the workbook stream does not begin with a BOF record");
    }
    const std::uint16_t version = loadU16(body(bof));
    if (version == 0x0600) {
        m_book.version = BiffVersion::Biff8;
    } else if (version == 0x0500) {
        m_book.version = BiffVersion::Biff5;
    } else {
        throw WorkbookError("The workbook's file version is not supported (Excel 5 to 2003 files are).");
    }
    const bool biff8 = m_book.version == BiffVersion::Biff8;
    for (std::size_t i = 1; i < m_book.globals.size(); ++i) {
        const RecordRef& r = m_book.globals[i];
        const std::uint8_t* b = body(r);
        switch (r.id) {
        case record::kFilePass:
            throw WorkbookError("The workbook is protected by a password (encrypted) and cannot be read.");
        case record::kCodePage:
            if (r.length >= 2 && !biff8) {
                m_book.codePage = CodePage(loadU16(b));
            }
            break;
        case record::kDateMode:
            m_book.system1904 = r.length >= 2 && loadU16(b) == 1;
            break;
        case record::kFormat:
            if (r.length >= 3) {
                // A damaged number format costs only its own look: the cells that use it read
                // as numbers in the general format, and every other record is read as ever.
                try {
                    m_formats[loadU16(b)] = biff8 ? readUnicodeString(m_book.globals, i, 2) : readByteString(r, 2);
                } catch (const WorkbookError&) {
                    m_formats.erase(loadU16(b));
                }
            }
            break;
        case record::kXf:
            if (r.length >= 4) {
                m_xfFormats.push_back(loadU16(b + 2));
            }
            break;
        case record::kBoundSheet:
            readBoundSheet(i);
            break;
        case record::kSst:
            if (biff8 && !m_book.sstRecord) {
                m_book.sstRecord = i;
                m_book.strings = SharedStrings::parse(m_data, m_book.globals, i, m_escapes);
            }
            break;
        default:
            break;
        }
    }
    m_book.xfCount = m_xfFormats.size();
}

std::string Parser::readUnicodeString(const std::vector<RecordRef>& records, std::size_t i, std::size_t skip)
{
    ContinuedReader reader(m_data, records, i);
    reader.skip(skip);
    const std::uint16_t count = reader.u16();
    const std::uint8_t flags = reader.u8();
    // Rich and phonetic parts of a stand-alone string come after the characters; only the
    // counts before them must be stepped over.
    if (flags & 0x08) {
        reader.u16();
    }
    if (flags & 0x04) {
        reader.u32();
    }
    return toText(reader.characters(count, (flags & 0x01) != 0), m_escapes);
}

std::string Parser::readByteString(const RecordRef& r, std::size_t lengthOffset)
{
    // BIFF5 strings: a 16-bit length in cells and STRING, an 8-bit one in FORMAT.
    const bool wideLength = r.id != record::kFormat;
    const std::size_t header = lengthOffset + (wideLength ? 2 : 1);
    if (r.length < header) {
        damaged("a text record is too short");
    }
    const std::uint8_t* b = body(r);
    const std::size_t count = wideLength ? loadU16(b + lengthOffset) : b[lengthOffset];
    if (header + count > r.length) {
        damaged("a text is longer than its record");
    }
    return m_book.codePage.decode(ByteView(b + header, count), m_escapes);
}

void Parser::readBoundSheet(std::size_t index)
{
    const RecordRef& r = m_book.globals[index];
    if (r.length < 7) {
        damaged("a sheet entry is too short");
    }
    const std::uint8_t* b = body(r);
    SheetSource source;
    source.type = b[5];
    source.boundSheetRecord = index;
    const std::size_t count = b[6];
    if (m_book.version == BiffVersion::Biff8) {
        if (r.length < 8) {
            damaged("a sheet entry is too short");
        }
        const bool wide = (b[7] & 0x01) != 0;
        if (8 + count * (wide ? 2 : 1) > r.length) {
            damaged("a sheet name is longer than its record");
        }
        for (std::size_t k = 0; k < count; ++k) {
            appendUtf16Unit(source.name, wide ? loadU16(b + 8 + 2 * k) : b[8 + k]);
        }
    } else {
        if (7 + count > r.length) {
            damaged("a sheet name is longer than its record");
        }
        source.name = m_book.codePage.decode(ByteView(b + 7, count));
    }
    m_book.sources.push_back(std::move(source));
}

void Parser::locateSheets()
{
    const std::uint32_t globalsEnd = m_book.globals.back().end();
    auto isBofAt = [&](std::uint64_t pos) {
        return pos >= globalsEnd && pos + 4 <= m_data.size() && loadU16(m_data.data() + pos) == record::kBof;
    };
    // Substreams in file order, for sheets whose recorded position does not lead to a BOF.
    std::vector<std::uint32_t> found;
    bool scanned = false;
    auto scan = [&]() {
        std::size_t pos = globalsEnd;
        while (pos + 4 <= m_data.size()) {
            const std::uint16_t id = loadU16(m_data.data() + pos);
            if (id == record::kBof) {
                const auto records = scanSubstream(m_data, static_cast<std::uint32_t>(pos));
                found.push_back(static_cast<std::uint32_t>(pos));
                pos = records.back().end();
            } else {
                pos += 4 + std::size_t{loadU16(m_data.data() + pos + 2)};
            }
        }
        scanned = true;
    };
    std::vector<std::optional<std::uint32_t>> starts(m_book.sources.size());
    std::set<std::uint32_t> claimed;
    for (std::size_t s = 0; s < m_book.sources.size(); ++s) {
        const std::uint32_t recorded = loadU32(body(m_book.globals[m_book.sources[s].boundSheetRecord]));
        if (isBofAt(recorded)) {
            starts[s] = recorded;
            claimed.insert(recorded);
        }
    }
    // Sheets whose recorded position is stale take the substreams no other sheet claims, in order.
    std::size_t next = 0;
    for (std::size_t s = 0; s < m_book.sources.size(); ++s) {
        if (!starts[s]) {
            if (!scanned) {
                scan();
            }
            while (next < found.size() && claimed.count(found[next]) != 0) {
                ++next;
            }
            if (next < found.size()) {
                starts[s] = found[next];
                claimed.insert(found[next]);
            }
        }
        if (starts[s]) {
            m_book.sources[s].records = scanSubstream(m_data, *starts[s]);
        }
    }
}

void Parser::readSheet(SheetSource& source, Sheet& sheet)
{
    const auto& records = source.records;
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (records[i].depth == 1) {
            readCell(records, i, source, sheet);
        }
    }
}

void Parser::putNumber(Sheet& sheet, std::uint32_t row, std::uint32_t column, std::uint16_t xf, double value)
{
    const TimeFormat::Kind kind = xf < m_xfTimeFormat.size() ? m_xfTimeFormat[xf].kind : TimeFormat::Kind::None;
    if (kind != TimeFormat::Kind::None) {
        auto text = kind == TimeFormat::Kind::Date ? dateText(value, m_book.system1904)
                                                   : elapsedText(value, m_xfTimeFormat[xf]);
        if (text) {
            sheet.put(row, column, CellValue::ofText(std::move(*text)));
            return;
        }
    }
    sheet.put(row, column, CellValue::ofNumber(value));
}

void Parser::readCell(const std::vector<RecordRef>& records, std::size_t i, SheetSource& source, Sheet& sheet)
{
    const RecordRef& r = records[i];
    const std::uint8_t* b = body(r);
    const bool biff8 = m_book.version == BiffVersion::Biff8;
    switch (r.id) {
    case record::kNumber:
    case record::kRk:
    case record::kLabelSst:
    case record::kLabel:
    case record::kRString:
    case record::kBoolErr:
    case record::kFormula:
    case record::kFormula4:
    case record::kMulRk:
        break;
    default:
        return;
    }
    if (r.length < 6) {
        damaged("a cell record is too short");
    }
    const std::uint32_t row = loadU16(b);
    const std::uint32_t column = loadU16(b + 2);
    const std::uint16_t xf = loadU16(b + 4);
    if (column >= kMaxColumns) {
        return;
    }
    switch (r.id) {
    case record::kNumber:
        if (r.length < 14) {
            damaged("a number cell is too short");
        }
        putNumber(sheet, row, column, xf, loadDouble(b + 6));
        break;
    case record::kRk:
        if (r.length < 10) {
            damaged("a number cell is too short");
        }
        putNumber(sheet, row, column, xf, rkValue(loadU32(b + 6)));
        break;
    case record::kMulRk:
        for (std::size_t k = 0; 4 + 6 * k + 6 <= r.length && column + k < kMaxColumns; ++k) {
            const std::uint8_t* item = b + 4 + 6 * k;
            putNumber(sheet, row, static_cast<std::uint32_t>(column + k), loadU16(item), rkValue(loadU32(item + 2)));
        }
        break;
    case record::kLabelSst: {
        if (r.length < 10 || !biff8) {
            damaged("a shared-string cell is malformed");
        }
        const std::uint32_t index = loadU32(b + 6);
        if (index >= m_book.strings.size()) {
            damaged("a cell refers to shared string " + std::to_string(index) + " of " +
                    std::to_string(m_book.strings.size()));
        }
        sheet.put(row, column, CellValue::ofText(m_book.strings.text(index)));
        ++source.sharedStringCells;
        break;
    }
    case record::kLabel:
    case record::kRString:
        sheet.put(row, column, CellValue::ofText(biff8 ? readUnicodeString(records, i, 6) : readByteString(r, 6)));
        break;
    case record::kBoolErr:
        if (r.length < 8) {
            damaged("a boolean cell is too short");
        }
        sheet.put(row, column, CellValue::ofText(b[7] ? errorText(b[6]) : (b[6] ? "TRUE" : "FALSE")));
        break;
    case record::kFormula:
    case record::kFormula4:
        readFormulaResult(records, i, sheet);
        break;
    default:
        break;
    }
}

// A formula cell shows its cached result: a number, a boolean, an error, or a text that the
// next STRING record holds.
void Parser::readFormulaResult(const std::vector<RecordRef>& records, std::size_t i, Sheet& sheet)
{
    const RecordRef& r = records[i];
    const std::uint8_t* b = body(r);
    const bool biff8 = m_book.version == BiffVersion::Biff8;
    if (r.length < 14) {
        damaged("a formula cell is too short");
    }
    const std::uint32_t row = loadU16(b);
    const std::uint32_t column = loadU16(b + 2);
    if (b[12] != 0xFF || b[13] != 0xFF) {
        putNumber(sheet, row, column, loadU16(b + 4), loadDouble(b + 6));
        return;
    }
    if (b[6] == 1) {
        sheet.put(row, column, CellValue::ofText(b[8] ? "TRUE" : "FALSE"));
    } else if (b[6] == 2) {
        sheet.put(row, column, CellValue::ofText(errorText(b[8])));
    } else if (b[6] == 0) {
        // The text result is in the next STRING record, after any shared/array/table formula;
        // a missing STRING leaves an empty text.
        std::string text;
        for (std::size_t j = i + 1; j < records.size(); ++j) {
            const std::uint16_t id = records[j].id;
            if (id == record::kString) {
                text = biff8 ? readUnicodeString(records, j, 0) : readByteString(records[j], 0);
                break;
            }
            if (id != record::kShrFmla && id != record::kArray && id != record::kTable && id != record::kContinue) {
                break;
            }
        }
        sheet.put(row, column, CellValue::ofText(std::move(text)));
    }
}

} // namespace

BiffWorkbook readBiff(Bytes stream, CharacterEscapes* escapes)
{
    BiffWorkbook book;
    book.stream = std::move(stream);
    Parser(book, escapes).run();
    return book;
}

} // namespace mervalon::spreadsheet
