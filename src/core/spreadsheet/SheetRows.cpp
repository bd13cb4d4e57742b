#include "core/spreadsheet/SheetRows.h"

#include <algorithm>

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

std::vector<RowTexts> sheetRows(const Sheet& sheet, std::int32_t firstLine)
{
    std::vector<RowTexts> rows;
    const std::int32_t first = std::max<std::int32_t>(firstLine, 1);
    const std::int32_t last = sheet.usedRange().lastRow();
    if (first > last) {
        return rows;
    }
    rows.reserve(static_cast<std::size_t>(last - first + 1));
    const auto cells = sheet.cells();
    auto cell = std::lower_bound(cells.begin(), cells.end(), static_cast<std::uint32_t>(first - 1),
                                 [](const Cell& c, std::uint32_t row) { return c.row < row; });
    for (std::int32_t r = first; r <= last; ++r) {
        RowTexts fields;
        for (; cell != cells.end() && cell->row == static_cast<std::uint32_t>(r - 1); ++cell) {
            if (cell->value.kind == CellValue::Kind::Text && cell->value.text.empty()) {
                continue;
            }
            fields.push_back(cell->value.toText());
        }
        rows.push_back(std::move(fields));
    }
    return rows;
}

SheetRows readSheetRows(const std::filesystem::path& workbook, std::int32_t firstLine, const SheetSelector& selector)
{
    const Workbook book = Workbook::open(workbook);
    const Sheet* sheet = selectSheet(book, selector);
    if (sheet == nullptr) {
        return SheetNotFound{};
    }
    return sheetRows(*sheet, firstLine);
}

} // namespace mervalon::spreadsheet
