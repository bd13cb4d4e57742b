#pragma once
// A code library as a table of cells, for editing it: the header line and the rows as written,
// every column kept (also those the library does not know, the user's notes), and written back
// as a delimited text the library reader takes. Checking a table is the reader's own check
// (CodeLibrary::check) of the text it is written as, with each fault pointed to its row.

#include "core/codes/CodeLibrary.h"

#include <string>
#include <string_view>
#include <vector>

namespace mervalon::codes {

struct CodeTable {
    std::vector<std::string> header;            ///< the column names as written
    std::vector<std::vector<std::string>> rows; ///< each row's cells, as many as the header has
    char separator = ',';                       ///< ',' or ';', as the file's header line has it
    bool byteOrderMark = false;                 ///< the file began with the UTF-8 byte order mark

    bool operator==(const CodeTable&) const = default;
};

/// The cells of a library file as the library reader cuts them (quotes removed, blanks around
/// unquoted cells dropped, blank lines left out). Rows shorter than the header get empty cells;
/// cells beyond it get columns without a name. An empty text gives the columns the shipped
/// library has and no row.
CodeTable readCodeTable(std::string_view content);

/// The file text of the table: the header line, then each row that holds anything, lines ended
/// by "\n"; a cell is quoted when it holds the separator, a quote, a line break, or blanks at
/// either end.
std::string writeCodeTable(const CodeTable& table);

/// A fault of a table: the row (0: the header line; 1: the first row below it) and the
/// reader's message, "line N: ..." as CodeLibraryError says it, N being the row's line in the
/// written file.
struct CodeTableFault {
    std::size_t row = 0;
    std::string message;

    bool operator==(const CodeTableFault&) const = default;
};

/// The faults CodeLibrary::check finds in writeCodeTable(table), each pointed to its row.
std::vector<CodeTableFault> checkCodeTable(const CodeTable& table, const CodeLibrary::SymbolExists& symbolExists);

/// The line of the written file each row starts on (header: line 1); 0 for a row that holds
/// nothing and is not written.
std::vector<std::size_t> codeTableLines(const CodeTable& table);

/// The columns a new library starts with.
inline constexpr std::string_view kCodeTableColumns[] = {"code", "layer",  "colour",     "symbol",
                                                         "line", "labels", "description"};

} // namespace mervalon::codes
