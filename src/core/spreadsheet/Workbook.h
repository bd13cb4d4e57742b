#pragma once
// An Excel binary workbook (XLS: BIFF5/BIFF7 "Book" or BIFF8 "Workbook" stream in an OLE2
// compound file), read whole into memory, with the edits a preview makes and its save.

#include "core/spreadsheet/BiffReader.h"
#include "core/spreadsheet/BiffWriter.h"
#include "core/spreadsheet/CompoundFile.h"
#include "core/spreadsheet/Sheet.h"
#include "core/spreadsheet/WorkbookError.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <vector>

namespace mervalon::spreadsheet {

class Workbook {
  public:
    /// Opens and reads the whole workbook; the file is closed on return. Throws WorkbookError
    /// when the file cannot be opened or read, is not a workbook, is encrypted or is damaged.
    /// With `escapes`, its texts keep the characters Windows-1252 lacks (see CharacterEscapes),
    /// also when it is read again after a save.
    static Workbook open(const std::filesystem::path& path, CharacterEscapes* escapes = nullptr);
    /// The same from bytes in memory; such a workbook can be serialized but not save()d.
    static Workbook fromBytes(Bytes bytes, CharacterEscapes* escapes = nullptr);

    BiffVersion version() const { return m_book.version; }
    int sheetCount() const { return static_cast<int>(m_book.sheets.size()); }
    /// Sheet `number` (1-based); nullptr outside 1..sheetCount().
    const Sheet* sheet(int number) const;

    /// Removes every cell of the sheet (values and formats). Throws WorkbookError for a sheet
    /// number out of range or a chart sheet.
    void clearUsedRange(int sheetNumber);
    /// Sets a cell at 1-based `row` and `column`. Rows go to 65536 (BIFF8) or 16384 (BIFF5),
    /// columns to 256; beyond, or for a chart sheet, WorkbookError. Texts longer than 32767
    /// characters (Excel's limit) are cut there.
    void setNumber(int sheetNumber, std::int32_t row, std::int32_t column, double value);
    void setText(int sheetNumber, std::int32_t row, std::int32_t column, const std::string& text);
    /// Rearranges a sheet's rows: row i (1-based) takes what row sourceRows[i - 1] held, or stays
    /// empty where that is 0; rows named nowhere are removed. Cells keep their records (values,
    /// types, formats); formulas of the sheet keep only their last results, as their references
    /// are not re-pointed; merged areas and hyperlinks of the sheet are dropped. Must come before
    /// the cell edits of the sheet in the same save. Throws WorkbookError for a chart sheet, a
    /// second rearrangement, a source row named twice or out of the sheet, or too many rows.
    void setRowOrder(int sheetNumber, const std::vector<std::int32_t>& sourceRows);
    /// Forgets every change made since the workbook was read or last saved.
    void discardEdits();

    /// The complete file with the edits, in the version it was read in.
    Bytes serialize();
    /// Writes serialize() over the file it was opened from without ever leaving it damaged (see
    /// replaceFileSafely), then reads the saved file back so that this object describes it.
    /// Throws WorkbookError; the original file is untouched then.
    void save();

  private:
    Workbook() = default;
    void load(Bytes bytes, CharacterEscapes* escapes);
    void loadChecked(Bytes bytes, CharacterEscapes* escapes);
    Sheet& editableSheet(int sheetNumber);
    void setCell(int sheetNumber, std::int32_t row, std::int32_t column, CellValue value);

    std::filesystem::path m_path;
    std::unique_ptr<CompoundFile> m_container;
    std::uint32_t m_streamEntry = 0;
    BiffWorkbook m_book;
    std::map<std::size_t, SheetEdit> m_edits;
    bool m_escapeLetters = false;
};

} // namespace mervalon::spreadsheet
