#pragma once
// An XLSX/XLSM or ODS workbook (or a flat ODS document) as the spreadsheet preview shows and
// edits it: its sheet names, one sheet's cells at a time, and the save of one edited sheet back
// into the file, rewriting that sheet's part and copying every other part as it was.

#include "core/spreadsheet/Sheet.h"
#include "core/spreadsheet/SheetEdits.h"
#include "core/spreadsheet/SheetPartRewriter.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace mervalon::spreadsheet {

enum class PackageWorkbookKind {
    Ooxml,   ///< .xlsx, .xlsm
    Ods,     ///< .ods
    FlatOds, ///< .fods: the whole document in one XML file
};

class PackageWorkbook {
  public:
    /// Opens the workbook at `path`, its kind told by its content, and reads its sheet names.
    /// nullopt when the file is no such workbook (another zip archive, another XML document);
    /// throws WorkbookError when it is one but cannot be read.
    static std::optional<PackageWorkbook> open(const std::filesystem::path& path);

    [[nodiscard]] PackageWorkbookKind kind() const { return m_kind; }
    [[nodiscard]] int sheetCount() const { return static_cast<int>(m_names.size()); }
    /// Sheet names in tab order, in Windows-1252 as the readers give texts.
    [[nodiscard]] const std::vector<std::string>& sheetNames() const { return m_names; }

    /// Reads sheet `number` (1-based) with its values as the conversion reads them and keeps it
    /// until the next call; nullptr outside the sheets. Throws WorkbookError.
    const Sheet* sheet(int number);

    /// What on sheet `number` (and in the workbook) refers to rows by number and stays where it
    /// is when rows are inserted or deleted. Throws WorkbookError.
    std::vector<RowAnchoredContent> rowAnchoredContent(int number) const;

    /// Writes `edits` into sheet `number` and saves the file atomically (written beside, flushed,
    /// renamed over); on failure WorkbookError says why and the file is as it was. The sheet
    /// held is the one read before: sheet() reads what the file now holds.
    void saveSheet(int number, const SheetEdits& edits);

  private:
    PackageWorkbook(std::filesystem::path path, PackageWorkbookKind kind) : m_path(std::move(path)), m_kind(kind) {}
    DocumentSource flatDocument() const;

    std::filesystem::path m_path;
    PackageWorkbookKind m_kind;
    std::vector<std::string> m_names;
    std::unique_ptr<Sheet> m_sheet;
};

} // namespace mervalon::spreadsheet
