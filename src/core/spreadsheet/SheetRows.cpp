#include "core/spreadsheet/SheetRows.h"

#include "core/spreadsheet/OdsReader.h"
#include "core/spreadsheet/OoxmlReader.h"
#include "core/spreadsheet/SheetStream.h"
#include "core/spreadsheet/WorkbookFile.h"
#include "core/spreadsheet/ZipPackage.h"

#include <algorithm>
#include <fstream>
#include <functional>
#include <optional>

namespace mervalon::spreadsheet {

const Sheet* selectSheet(const Workbook& workbook, const SheetSelector& selector)
{
    const std::int32_t n = selector.sheetNumber;
    if (n == 0) {
        return nullptr;
    }
    if (n >= 1 && n <= workbook.sheetCount()) {
        return workbook.sheet(n);
    }
    for (int i = 1; i <= workbook.sheetCount(); ++i) {
        if (workbook.sheet(i)->name() == selector.sheetText) {
            return workbook.sheet(i);
        }
    }
    return nullptr;
}

namespace {

// A cell's text as a row's field; false for a cell that gives none (an empty text).
bool cellField(const CellValue& value, std::string& field)
{
    if (value.kind == CellValue::Kind::Text) {
        if (value.text.empty()) {
            return false;
        }
        field.assign(value.text);
        return true;
    }
    field = value.toText();
    return true;
}

// The rows of a held sheet as sheetRows() gives them, handed on one at a time.
void emitSheetRows(const Sheet& sheet, std::int32_t firstLine, SheetRowSink& sink)
{
    const std::int32_t first = std::max<std::int32_t>(firstLine, 1);
    const std::int32_t last = sheet.usedRange().lastRow();
    if (first > last) {
        return;
    }
    sink.declaredRows(static_cast<std::uint64_t>(last - first + 1));
    const auto cells = sheet.cells();
    auto cell = std::lower_bound(cells.begin(), cells.end(), static_cast<std::uint32_t>(first - 1),
                                 [](const Cell& c, std::uint32_t row) { return c.row < row; });
    std::vector<std::string> fields;
    for (std::int32_t r = first; r <= last; ++r) {
        std::size_t count = 0;
        for (; cell != cells.end() && cell->row == static_cast<std::uint32_t>(r - 1); ++cell) {
            if (count == fields.size()) {
                fields.emplace_back();
            }
            count += cellField(cell->value, fields[count]) ? 1 : 0;
        }
        sink.row(std::span<const std::string>(fields.data(), count));
    }
}

class RowsGatherer : public SheetRowSink {
  public:
    void row(std::span<const std::string> fields) override { rows.emplace_back(fields.begin(), fields.end()); }
    std::vector<RowTexts> rows;
};

} // namespace

std::vector<RowTexts> sheetRows(const Sheet& sheet, std::int32_t firstLine)
{
    RowsGatherer gatherer;
    const std::int32_t first = std::max<std::int32_t>(firstLine, 1);
    const std::int32_t last = sheet.usedRange().lastRow();
    if (first <= last) {
        gatherer.rows.reserve(static_cast<std::size_t>(last - first + 1));
    }
    emitSheetRows(sheet, firstLine, gatherer);
    return std::move(gatherer.rows);
}

namespace {

// A sheet's rows must not be endless: a few bytes of repeated rows and cells must not make it
// more than the largest XLS sheet.
constexpr std::uint64_t kMaxSheetCells = std::uint64_t{1} << 24;
constexpr std::uint64_t kMaxSheetText = std::uint64_t{256} << 20;

// The rows of the sheet as sheetRows() gives them, handed on as they stream by.
class RowsEmitter : public RowVisitor {
  public:
    RowsEmitter(std::int32_t firstLine, SheetRowSink& sink)
        : m_first(static_cast<std::uint32_t>(std::max(firstLine, 1) - 1)), m_sink(sink)
    {
    }

    void row(std::uint32_t row, std::span<const RowCell> cells, std::uint32_t repeat) override
    {
        if (row < m_next) {
            throw SheetRowsOutOfOrder();
        }
        // Checked before a repeated row is multiplied out (rows above the first line count too).
        if (m_cells + std::uint64_t{cells.size()} * repeat > kMaxSheetCells) {
            throw WorkbookError("The sheet holds more than " + std::to_string(kMaxSheetCells) +
                                " cells; it is too large to be converted.");
        }
        std::uint64_t rowText = 0;
        for (const RowCell& cell : cells) {
            rowText += cell.value.text.size();
        }
        m_text += rowText * repeat;
        if (m_text > kMaxSheetText) {
            throw WorkbookError("The sheet holds more than " + std::to_string(kMaxSheetText >> 20) +
                                " MiB of text; it is too large to be converted.");
        }
        m_cells += std::uint64_t{cells.size()} * repeat;
        std::size_t count = 0;
        bool fieldsMade = false;
        for (std::uint32_t k = 0; k < repeat; ++k) {
            const std::uint32_t r = row + k;
            m_next = r + 1;
            if (r < m_first) {
                continue;
            }
            for (; m_handedOn < r - m_first; ++m_handedOn) {
                m_sink.row({});
            }
            if (!fieldsMade) {
                for (const RowCell& cell : cells) {
                    if (count == m_fields.size()) {
                        m_fields.emplace_back();
                    }
                    count += cellField(cell.value, m_fields[count]) ? 1 : 0;
                }
                fieldsMade = true;
            }
            m_sink.row(std::span<const std::string>(m_fields.data(), count));
            ++m_handedOn;
        }
    }

    void declaredRows(std::uint32_t lastRow) override
    {
        if (lastRow > m_first) {
            m_sink.declaredRows(lastRow - m_first);
        }
    }
    void documentRead(std::uint64_t done, std::uint64_t total) override { m_sink.documentRead(done, total); }

  private:
    std::uint32_t m_first;
    SheetRowSink& m_sink;
    std::uint32_t m_next = 0;
    std::uint64_t m_handedOn = 0;
    std::uint64_t m_cells = 0;
    std::uint64_t m_text = 0;
    std::vector<std::string> m_fields;
};

class SheetBuilder : public RowVisitor {
  public:
    void row(std::uint32_t row, std::span<const RowCell> cells, std::uint32_t repeat) override
    {
        m_cells += std::uint64_t{cells.size()} * repeat;
        if (m_cells > kMaxSheetCells) {
            throw WorkbookError("The sheet holds more than " + std::to_string(kMaxSheetCells) +
                                " cells; it is too large to be converted.");
        }
        for (const RowCell& cell : cells) {
            m_text += cell.value.text.size() * std::uint64_t{repeat};
        }
        if (m_text > kMaxSheetText) {
            throw WorkbookError("The sheet holds more than " + std::to_string(kMaxSheetText >> 20) +
                                " MiB of text; it is too large to be converted.");
        }
        for (std::uint32_t k = 0; k < repeat; ++k) {
            for (const RowCell& cell : cells) {
                sheet.put(row + k, cell.column, cell.value);
            }
        }
    }

    Sheet sheet{"", SheetKind::Worksheet};

  private:
    std::uint64_t m_cells = 0;
    std::uint64_t m_text = 0;
};

// Streams a sheet of a zip package (XLSX, XLSM, ODS), telling what the package is when it is no workbook.
bool streamPackageSheet(ZipPackage& package, const SheetSelector& selector, RowVisitor& visitor,
                        CharacterEscapes* escapes)
{
    switch (packageKind(package)) {
    case PackageKind::Ooxml:
        return streamOoxmlSheet(package, selector, visitor, escapes);
    case PackageKind::Ods: {
        const std::uint64_t total = package.unpackedSize("content.xml").value_or(0);
        return streamOdsSheet(
            [&](const std::function<void(const char*, std::size_t)>& sink) {
                std::uint64_t done = 0;
                package.read("content.xml", [&](const char* data, std::size_t size) {
                    visitor.documentRead(done, total);
                    sink(data, size);
                    done += size;
                });
            },
            selector, visitor, nullptr, escapes);
    }
    case PackageKind::Other:
        break;
    }
    const std::optional<std::string> mimetype = package.readSmall("mimetype", 4096);
    if (mimetype && mimetype->starts_with("application/vnd.oasis.opendocument.")) {
        throw WorkbookError("The file is an OpenDocument file but not a spreadsheet (" + mimetype->substr(35, 40) +
                            ").");
    }
    if (package.has("word/document.xml")) {
        throw WorkbookError("The file is a Word document, not a workbook.");
    }
    if (package.has("ppt/presentation.xml")) {
        throw WorkbookError("The file is a PowerPoint presentation, not a workbook.");
    }
    throw WorkbookError("The file is a zip archive but not a workbook (it holds no XLSX or ODS spreadsheet).");
}

bool streamFlatSheet(const DocumentSource& document, const SheetSelector& selector, RowVisitor& visitor,
                     CharacterEscapes* escapes)
{
    bool spreadsheet = false;
    const bool found = streamOdsSheet(document, selector, visitor, &spreadsheet, escapes);
    if (!spreadsheet) {
        throw WorkbookError("The file is an XML document but not a workbook (it holds no OpenDocument spreadsheet).");
    }
    return found;
}

Bytes fileHead(const std::filesystem::path& path)
{
    Bytes head(4096);
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return {};
    }
    in.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    return head;
}

// The file's bytes; `progress`, when given, learns how far they have been handed on.
DocumentSource fileDocumentOf(const std::filesystem::path& path, RowVisitor* progress = nullptr)
{
    return [path, progress](const std::function<void(const char*, std::size_t)>& sink) {
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            throw WorkbookError("The workbook \"" + path.string() + "\" cannot be opened.");
        }
        std::error_code error;
        const std::uint64_t total = progress != nullptr ? std::filesystem::file_size(path, error) : 0;
        std::uint64_t done = 0;
        std::vector<char> buffer(1 << 16);
        while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount() > 0) {
            if (progress != nullptr && !error) {
                progress->documentRead(done, total);
            }
            sink(buffer.data(), static_cast<std::size_t>(in.gcount()));
            done += static_cast<std::uint64_t>(in.gcount());
        }
        if (in.bad()) {
            throw WorkbookError("The workbook \"" + path.string() + "\" cannot be read.");
        }
    };
}

// Streams a sheet of a workbook that is not XLS; nullopt for an XLS workbook (and for a file of
// unknown kind, which the XLS reader explains).
template <typename ZipOpener, typename Document>
std::optional<bool> streamByKind(ByteView head, const ZipOpener& openZip, const Document& document,
                                 const SheetSelector& selector, RowVisitor& visitor, CharacterEscapes* escapes)
{
    switch (workbookFileKind(head)) {
    case WorkbookFileKind::Zip: {
        ZipPackage package = openZip();
        return streamPackageSheet(package, selector, visitor, escapes);
    }
    case WorkbookFileKind::FlatXml:
        return streamFlatSheet(document, selector, visitor, escapes);
    case WorkbookFileKind::Text:
        throw WorkbookError(textFileMessage());
    case WorkbookFileKind::Binary:
    case WorkbookFileKind::Unknown:
        break;
    }
    return std::nullopt;
}

template <typename Stream> SheetRows collectRows(std::int32_t firstLine, const Stream& stream)
{
    try {
        RowsGatherer gatherer;
        RowsEmitter emitter(firstLine, gatherer);
        if (!stream(emitter)) {
            return SheetNotFound{};
        }
        return std::move(gatherer.rows);
    } catch (const SheetRowsOutOfOrder&) {
    }
    SheetBuilder builder;
    stream(builder);
    return sheetRows(builder.sheet, firstLine);
}

void streamHeldSheet(const Sheet& sheet, RowVisitor& visitor)
{
    std::vector<RowCell> row;
    const auto cells = sheet.cells();
    for (std::size_t i = 0; i < cells.size();) {
        row.clear();
        const std::uint32_t r = cells[i].row;
        for (; i < cells.size() && cells[i].row == r; ++i) {
            row.push_back(RowCell{cells[i].column, cells[i].value});
        }
        visitor.row(r, row, 1);
    }
}

} // namespace

SheetRows readSheetRows(const std::filesystem::path& workbook, std::int32_t firstLine, const SheetSelector& selector,
                        CharacterEscapes* escapes)
{
    const Bytes head = fileHead(workbook);
    const DocumentSource fileDocument = fileDocumentOf(workbook);
    const auto openZip = [&] { return ZipPackage::open(workbook); };
    if (workbookFileKind(head) != WorkbookFileKind::Binary && workbookFileKind(head) != WorkbookFileKind::Unknown) {
        return collectRows(firstLine, [&](RowVisitor& visitor) {
            return *streamByKind(head, openZip, fileDocument, selector, visitor, escapes);
        });
    }
    const Workbook book = Workbook::open(workbook, escapes);
    const Sheet* sheet = selectSheet(book, selector);
    if (sheet == nullptr) {
        return SheetNotFound{};
    }
    return sheetRows(*sheet, firstLine);
}

SheetRows readSheetRows(ByteView workbook, std::int32_t firstLine, const SheetSelector& selector,
                        CharacterEscapes* escapes)
{
    const ByteView head = workbook.subspan(0, std::min<std::size_t>(workbook.size(), 4096));
    const auto memoryDocument = [&](const std::function<void(const char*, std::size_t)>& sink) {
        sink(reinterpret_cast<const char*>(workbook.data()), workbook.size());
    };
    const auto openZip = [&] { return ZipPackage::fromBytes(workbook); };
    if (workbookFileKind(head) != WorkbookFileKind::Binary && workbookFileKind(head) != WorkbookFileKind::Unknown) {
        return collectRows(firstLine, [&](RowVisitor& visitor) {
            return *streamByKind(head, openZip, memoryDocument, selector, visitor, escapes);
        });
    }
    const Workbook book = Workbook::fromBytes(Bytes(workbook.begin(), workbook.end()), escapes);
    const Sheet* sheet = selectSheet(book, selector);
    if (sheet == nullptr) {
        return SheetNotFound{};
    }
    return sheetRows(*sheet, firstLine);
}

bool streamSheetRows(const std::filesystem::path& workbook, std::int32_t firstLine, const SheetSelector& selector,
                     SheetRowSink& sink, CharacterEscapes* escapes)
{
    const Bytes head = fileHead(workbook);
    RowsEmitter emitter(firstLine, sink);
    const DocumentSource fileDocument = fileDocumentOf(workbook, &emitter);
    const auto openZip = [&] { return ZipPackage::open(workbook); };
    if (const auto found = streamByKind(head, openZip, fileDocument, selector, emitter, escapes)) {
        return *found;
    }
    const Workbook book = Workbook::open(workbook, escapes);
    const Sheet* sheet = selectSheet(book, selector);
    if (sheet == nullptr) {
        return false;
    }
    emitSheetRows(*sheet, firstLine, sink);
    return true;
}

bool streamSheet(const std::filesystem::path& workbook, const SheetSelector& selector, RowVisitor& visitor)
{
    const Bytes head = fileHead(workbook);
    const DocumentSource fileDocument = fileDocumentOf(workbook);
    const auto openZip = [&] { return ZipPackage::open(workbook); };
    if (const auto found = streamByKind(head, openZip, fileDocument, selector, visitor, nullptr)) {
        return *found;
    }
    const Workbook book = Workbook::open(workbook);
    const Sheet* sheet = selectSheet(book, selector);
    if (sheet == nullptr) {
        return false;
    }
    streamHeldSheet(*sheet, visitor);
    return true;
}

} // namespace mervalon::spreadsheet
