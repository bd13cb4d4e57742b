#include "core/codes/CodeTable.h"

#include <algorithm>

namespace mervalon::codes {
namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool holdsNothing(const std::vector<std::string>& cells)
{
    return std::all_of(cells.begin(), cells.end(), [](const std::string& cell) {
        return std::all_of(cell.begin(), cell.end(), [](char c) { return isBlank(c) || c == '\r'; });
    });
}

void appendCell(std::string& out, const std::string& cell, char separator)
{
    const bool quoted = cell.find_first_of(std::string{separator, '"', '\n', '\r'}) != std::string::npos ||
                        (!cell.empty() && (isBlank(cell.front()) || isBlank(cell.back())));
    if (!quoted) {
        out += cell;
        return;
    }
    out += '"';
    for (const char c : cell) {
        if (c == '"') {
            out += '"';
        }
        out += c;
    }
    out += '"';
}

} // namespace

std::string writeCodeTable(const CodeTable& table)
{
    std::string out = table.byteOrderMark ? "\xEF\xBB\xBF" : "";
    const auto appendRow = [&](const std::vector<std::string>& cells) {
        for (std::size_t i = 0; i < cells.size(); ++i) {
            if (i > 0) {
                out += table.separator;
            }
            appendCell(out, cells[i], table.separator);
        }
        out += '\n';
    };
    appendRow(table.header);
    for (const auto& row : table.rows) {
        if (!holdsNothing(row)) {
            appendRow(row);
        }
    }
    return out;
}

std::vector<std::size_t> codeTableLines(const CodeTable& table)
{
    const auto linesOf = [](const std::vector<std::string>& cells) {
        std::size_t lines = 1;
        for (const std::string& cell : cells) {
            lines += static_cast<std::size_t>(std::count(cell.begin(), cell.end(), '\n'));
        }
        return lines;
    };
    std::vector<std::size_t> lines;
    std::size_t next = 1 + linesOf(table.header);
    for (const auto& row : table.rows) {
        if (holdsNothing(row)) {
            lines.push_back(0);
        } else {
            lines.push_back(next);
            next += linesOf(row);
        }
    }
    return lines;
}

std::vector<CodeTableFault> checkCodeTable(const CodeTable& table, const CodeLibrary::SymbolExists& symbolExists)
{
    const std::vector<std::size_t> lines = codeTableLines(table);
    std::vector<CodeTableFault> faults;
    for (const CodeLibraryFault& fault : CodeLibrary::check(writeCodeTable(table), symbolExists)) {
        const auto row = std::find(lines.begin(), lines.end(), fault.line);
        faults.push_back({row == lines.end() ? 0 : static_cast<std::size_t>(row - lines.begin()) + 1,
                          "line " + std::to_string(fault.line) + ": " + fault.message});
    }
    return faults;
}

} // namespace mervalon::codes
