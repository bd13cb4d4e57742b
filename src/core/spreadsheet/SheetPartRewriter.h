#pragma once
// Rewriting the one part of an XLSX or ODS workbook that holds an edited sheet, streamed: the
// part's own bytes are copied through as they are, and only the rows and cells the edits touch
// are written anew. A sheet of a million rows is never held whole.

#include "core/spreadsheet/SheetEdits.h"
#include "core/spreadsheet/SheetStream.h"
#include "core/spreadsheet/XmlStream.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace mervalon::spreadsheet {

/// Receives the rewritten part a piece at a time.
using PartSink = std::function<void(std::string_view)>;

/// Rewrites an Office Open XML worksheet part (xl/worksheets/sheetN.xml). Rows and cells keep
/// their bytes; a moved row and its cells get their new references (r="A7"), deleted rows go,
/// typed cells replace the cells they fall on (keeping the cell's style) or are added in column
/// order: numbers as values, texts as inline strings. When rows move, the dimension (the used
/// range the sheet declares) names the range the rewritten cells span, and the part is read
/// twice. Everything else outside the cells (formulas' texts, merged areas) is copied as it was.
/// Throws WorkbookError for a part that is not well-formed UTF-8 XML or an edit that would
/// break the sheet.
void rewriteOoxmlSheet(const DocumentSource& part, const SheetEdits& edits, const PartSink& out);

/// Rewrites table `tableNumber` (1-based) of an OpenDocument spreadsheet (content.xml, or a
/// whole flat document); every other byte is copied as it was. A run of repeated rows or cells
/// is split only where an edit or a deleted row falls, and is never multiplied out.
void rewriteOdsTable(const DocumentSource& document, int tableNumber, const SheetEdits& edits, const PartSink& out);

/// Content of a sheet that refers to rows by their number and does not follow rows that are
/// inserted or deleted: what it is ("formulas", "merged areas", ...) and how many there are.
struct RowAnchoredContent {
    std::string what;
    std::uint64_t count = 0;
    friend bool operator==(const RowAnchoredContent&, const RowAnchoredContent&) = default;
};

/// What of that kind a worksheet part holds, in a fixed order; nothing when it holds none.
std::vector<RowAnchoredContent> ooxmlRowAnchoredContent(const DocumentSource& part);
/// The same for table `tableNumber` of an OpenDocument spreadsheet, with the named ranges and
/// database ranges of the whole document.
std::vector<RowAnchoredContent> odsRowAnchoredContent(const DocumentSource& document, int tableNumber);

/// `xml` without the elements `drop` picks, each with all it holds; every other byte as it was.
/// Throws WorkbookError for a document that is not well-formed.
std::string withoutElements(std::string_view xml,
                            const std::function<bool(const XmlName&, const XmlAttributes&)>& drop);

/// Text as XML character data (or an attribute value): markup characters escaped, characters
/// XML cannot hold dropped.
void appendXmlEscaped(std::string& out, std::string_view utf8);

} // namespace mervalon::spreadsheet
