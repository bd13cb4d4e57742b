#include "core/spreadsheet/Workbook.h"

#include "core/io/FileIo.h"
#include "core/spreadsheet/BiffRecords.h"
#include "core/spreadsheet/SafeSave.h"
#include "core/spreadsheet/WorkbookError.h"

#include <new>
#include <stdexcept>
#include <system_error>

namespace mervalon::spreadsheet {
namespace {

constexpr std::size_t kMaxTextLength = 32767;

} // namespace

Workbook Workbook::open(const std::filesystem::path& path, CharacterEscapes* escapes)
{
    Bytes bytes;
    try {
        bytes = io::readFileBytes(path);
    } catch (const std::system_error& error) {
        throw WorkbookError(error.what());
    } catch (const std::bad_alloc&) {
        throw WorkbookError("The workbook \"" + path.string() + "\" is too large to be read.");
    }
    Workbook workbook;
    workbook.m_path = path;
    workbook.load(std::move(bytes), escapes);
    return workbook;
}

Workbook Workbook::fromBytes(Bytes bytes, CharacterEscapes* escapes)
{
    Workbook workbook;
    workbook.load(std::move(bytes), escapes);
    return workbook;
}

void Workbook::load(Bytes bytes, CharacterEscapes* escapes)
{
    try {
        loadChecked(std::move(bytes), escapes);
    } catch (const std::length_error&) {
        // Every size is checked against the file before anything is allocated; this is a last guard.
        throw WorkbookError("The workbook file is damaged: a size in it is impossible.");
    } catch (const std::bad_alloc&) {
        throw WorkbookError("The workbook is too large to be read.");
    }
}

void Workbook::loadChecked(Bytes bytes, CharacterEscapes* escapes)
{
    // Excel 2 to 4 saved a bare workbook stream, without the container of later versions.
    if (bytes.size() >= 4) {
        const std::uint16_t firstId = loadU16(bytes.data());
        if (firstId == record::kOldBof2 || firstId == record::kOldBof3 || firstId == record::kOldBof4) {
            throw WorkbookError("The workbook's file version is not supported (Excel 5 to 2003 files are).");
        }
    }
    auto container = std::make_unique<CompoundFile>(std::move(bytes));
    // Excel 97 and later read "Workbook" when a file holds both streams; so do we.
    const auto entry = container->findRootStream({"Workbook", "Book"});
    if (!entry) {
        // Excel 2007 and later keep a workbook saved with a password as an encrypted zip package
        // in a compound file: there is nothing to read without the password.
        if (container->findRootStream({"EncryptedPackage"})) {
            throw WorkbookError("The workbook is protected by a password (encrypted) and cannot be read.");
        }
        throw WorkbookError("The file is not an Excel workbook (it holds no workbook stream).");
    }
    m_book = readBiff(container->readStream(*entry), escapes);
    m_escapeLetters = escapes != nullptr;
    m_container = std::move(container);
    m_streamEntry = *entry;
    m_edits.clear();
}

const Sheet* Workbook::sheet(int number) const
{
    if (number < 1 || number > sheetCount()) {
        return nullptr;
    }
    return &m_book.sheets[static_cast<std::size_t>(number - 1)];
}

Sheet& Workbook::editableSheet(int sheetNumber)
{
    if (sheetNumber < 1 || sheetNumber > sheetCount()) {
        throw WorkbookError("The workbook has no sheet " + std::to_string(sheetNumber) + ".");
    }
    Sheet& target = m_book.sheets[static_cast<std::size_t>(sheetNumber - 1)];
    if (target.kind() == SheetKind::Chart) {
        throw WorkbookError("Sheet \"" + target.name() + "\" is a chart and has no cells to change.");
    }
    return target;
}

void Workbook::clearUsedRange(int sheetNumber)
{
    Sheet& target = editableSheet(sheetNumber);
    SheetEdit& edit = m_edits[static_cast<std::size_t>(sheetNumber - 1)];
    edit.cleared = true;
    edit.cells.clear();
    target.clear();
}

void Workbook::setCell(int sheetNumber, std::int32_t row, std::int32_t column, CellValue value)
{
    Sheet& target = editableSheet(sheetNumber);
    const std::int32_t maxRows = m_book.version == BiffVersion::Biff8 ? 65536 : 16384;
    if (row < 1 || row > maxRows || column < 1 || column > 256) {
        throw WorkbookError("Cell (" + std::to_string(row) + ", " + std::to_string(column) +
                            ") lies outside the sheet; this workbook version has " + std::to_string(maxRows) +
                            " rows and 256 columns.");
    }
    const auto r = static_cast<std::uint32_t>(row - 1);
    const auto c = static_cast<std::uint32_t>(column - 1);
    m_edits[static_cast<std::size_t>(sheetNumber - 1)].cells.push_back(Cell{r, c, value});
    target.put(r, c, std::move(value));
}

void Workbook::setNumber(int sheetNumber, std::int32_t row, std::int32_t column, double value)
{
    setCell(sheetNumber, row, column, CellValue::ofNumber(value));
}

void Workbook::setText(int sheetNumber, std::int32_t row, std::int32_t column, const std::string& text)
{
    setCell(sheetNumber, row, column, CellValue::ofText(text.substr(0, kMaxTextLength)));
}

void Workbook::setRowOrder(int sheetNumber, const std::vector<std::int32_t>& sourceRows)
{
    Sheet& target = editableSheet(sheetNumber);
    SheetEdit& edit = m_edits[static_cast<std::size_t>(sheetNumber - 1)];
    if (!edit.newRowOf.empty() || !edit.cells.empty() || edit.cleared) {
        throw WorkbookError("The rows of sheet \"" + target.name() +
                            "\" can only be rearranged before its cells change.");
    }
    const std::size_t maxRows = m_book.version == BiffVersion::Biff8 ? 65536 : 16384;
    if (sourceRows.size() > maxRows) {
        throw WorkbookError("Sheet \"" + target.name() + "\" would have " + std::to_string(sourceRows.size()) +
                            " rows; this workbook version has " + std::to_string(maxRows) + ".");
    }
    std::vector<std::int64_t> newRowOf(maxRows, -1);
    for (std::size_t i = 0; i < sourceRows.size(); ++i) {
        const std::int32_t source = sourceRows[i];
        if (source == 0) {
            continue;
        }
        if (source < 0 || static_cast<std::size_t>(source) > maxRows ||
            newRowOf[static_cast<std::size_t>(source - 1)] >= 0) {
            throw WorkbookError("Row " + std::to_string(source) + " cannot take that place in sheet \"" +
                                target.name() + "\".");
        }
        newRowOf[static_cast<std::size_t>(source - 1)] = static_cast<std::int64_t>(i);
    }
    std::vector<Cell> moved;
    for (const Cell& c : target.cells()) {
        if (c.row < newRowOf.size() && newRowOf[c.row] >= 0) {
            moved.push_back(Cell{static_cast<std::uint32_t>(newRowOf[c.row]), c.column, c.value});
        }
    }
    target.clear();
    for (Cell& c : moved) {
        target.put(c.row, c.column, std::move(c.value));
    }
    edit.newRowOf = std::move(newRowOf);
}

void Workbook::discardEdits()
{
    if (m_edits.empty()) {
        return;
    }
    CharacterEscapes escapes;
    m_book = readBiff(Bytes(m_book.stream), m_escapeLetters ? &escapes : nullptr);
    m_edits.clear();
}

Bytes Workbook::serialize()
{
    const Bytes stream = writeBiff(m_book, m_edits);
    // A file with both streams keeps an Excel 5 copy in "Book" that would now be stale: drop it
    // (the writer clears the DSF flag that announces it).
    const auto book = m_container->findRootStream({"Book"});
    return m_container->withStreamReplaced(m_streamEntry, stream, book && *book != m_streamEntry ? book : std::nullopt);
}

void Workbook::save()
{
    if (m_path.empty()) {
        throw WorkbookError("The workbook was not read from a file and cannot be saved.");
    }
    Bytes bytes = serialize();
    replaceFileSafely(m_path, bytes);
    CharacterEscapes escapes;
    load(std::move(bytes), m_escapeLetters ? &escapes : nullptr);
}

} // namespace mervalon::spreadsheet
