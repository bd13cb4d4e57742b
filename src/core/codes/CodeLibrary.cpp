#include "core/codes/CodeLibrary.h"

#include "core/codes/CodeTable.h"

#include <algorithm>
#include <charconv>
#include <unordered_map>

namespace mervalon::codes {
namespace {

struct Record {
    std::vector<std::string> fields;
    std::size_t lineNumber = 0;
};

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (isBlank(text.back()) || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

// The separator the header line uses: the one of comma and semicolon it holds more of outside
// quotes (a spreadsheet saving for a decimal-comma locale writes semicolons).
char separatorOf(std::string_view content)
{
    std::size_t commas = 0;
    std::size_t semicolons = 0;
    bool quoted = false;
    for (const char c : content) {
        if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && (c == '\n' || c == '\r')) {
            break;
        } else if (!quoted && c == ',') {
            ++commas;
        } else if (!quoted && c == ';') {
            ++semicolons;
        }
    }
    return semicolons > commas ? ';' : ',';
}

// The records of a delimited text: a quoted field may hold separators, doubled quotes and line
// breaks. Each record knows the line it starts on.
std::vector<Record> recordsOf(std::string_view content, char separator)
{
    std::vector<Record> records;
    Record record;
    std::string field;
    bool quoted = false;
    bool wasQuoted = false;
    std::size_t line = 1;
    record.lineNumber = 1;
    const auto endField = [&] {
        record.fields.push_back(wasQuoted ? field : std::string(trimmed(field)));
        field.clear();
        wasQuoted = false;
    };
    const auto endRecord = [&] {
        endField();
        const bool empty = std::all_of(record.fields.begin(), record.fields.end(),
                                       [](const std::string& f) { return trimmed(f).empty(); });
        if (!empty) {
            records.push_back(std::move(record));
        }
        record = Record();
        record.lineNumber = line;
    };
    for (std::size_t i = 0; i < content.size(); ++i) {
        const char c = content[i];
        if (quoted) {
            if (c == '"' && i + 1 < content.size() && content[i + 1] == '"') {
                field.push_back('"');
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                if (c == '\n') {
                    ++line;
                }
                field.push_back(c);
            }
        } else if (c == '"' && trimmed(field).empty()) {
            field.clear();
            quoted = true;
            wasQuoted = true;
        } else if (c == separator) {
            endField();
        } else if (c == '\n') {
            ++line;
            endRecord();
        } else if (c != '\r') {
            field.push_back(c);
        }
    }
    if (!field.empty() || !record.fields.empty() || wasQuoted) {
        endRecord();
    }
    return records;
}

constexpr std::string_view kEmptyLibrary = "the library is empty; its first line names the columns, one of them code";

enum class Column { Code, Layer, Colour, Symbol, Line, Labels, Description };

std::optional<Column> columnOf(std::string_view name)
{
    const std::string n = upperCased(trimmed(name));
    if (n == "CODE") {
        return Column::Code;
    }
    if (n == "LAYER") {
        return Column::Layer;
    }
    if (n == "COLOUR" || n == "COLOR") {
        return Column::Colour;
    }
    if (n == "SYMBOL") {
        return Column::Symbol;
    }
    if (n == "LINE") {
        return Column::Line;
    }
    if (n == "LABELS") {
        return Column::Labels;
    }
    if (n == "DESCRIPTION") {
        return Column::Description;
    }
    return std::nullopt;
}

constexpr std::array<std::string_view, kControlCount> kControlNames{"!BEGIN",    "!END",    "!CLOSE",  "!NOJOIN",
                                                                    "!ARCBEGIN", "!ARCEND", "!COMMENT"};
constexpr std::array<std::string_view, kControlCount> kDefaultWords{"B ST", "E END", "C CLS", "NJ", "BC", "EC", "/"};

std::vector<std::string> wordsOf(std::string_view text)
{
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && isBlank(text[i])) {
            ++i;
        }
        const std::size_t start = i;
        while (i < text.size() && !isBlank(text[i])) {
            ++i;
        }
        if (i > start) {
            words.push_back(upperCased(text.substr(start, i - start)));
        }
    }
    return words;
}

// A faulty row: its line and what is wrong with it, as CodeLibraryFault.
struct RowFailure {
    std::size_t line;
    std::string message;
};

[[noreturn]] void fail(std::size_t line, const std::string& message)
{
    throw RowFailure{line, message};
}

std::optional<std::uint8_t> labelsOf(std::string_view text)
{
    std::uint8_t labels = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t plus = std::min(text.find('+', start), text.size());
        const std::string word = upperCased(trimmed(text.substr(start, plus - start)));
        if (word == "NUMBER") {
            labels |= LabelNumber;
        } else if (word == "X") {
            labels |= LabelX;
        } else if (word == "Y") {
            labels |= LabelY;
        } else if (word == "ELEVATION") {
            labels |= LabelElevation;
        } else if (word == "DESCRIPTION") {
            labels |= LabelDescription;
        } else {
            return std::nullopt;
        }
        start = plus + 1;
    }
    return labels;
}

} // namespace

std::string upperCased(std::string_view text)
{
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; });
    return upper;
}

namespace {

using Controls = std::array<std::vector<std::string>, kControlCount>;

// The rows of a library file read one by one, each checked as it comes; what a row says is
// refused with its line number, so the user finds it in the spreadsheet.
class LibraryReader {
  public:
    LibraryReader(const std::vector<Record>& records, const CodeLibrary::SymbolExists& symbolExists)
        : m_records(records), m_symbolExists(symbolExists)
    {
    }

    /// Reads every row; with `faults`, a faulty row is added to them and the next one read,
    /// else the first fault is thrown (RowFailure).
    void read(std::vector<CodeLibraryFault>* faults = nullptr)
    {
        const auto step = [&](const auto& what) {
            try {
                what();
            } catch (const RowFailure& failure) {
                if (faults == nullptr) {
                    throw;
                }
                faults->push_back({failure.line, failure.message});
                return false;
            }
            return true;
        };
        if (!step([&] { findColumns(); })) {
            return;
        }
        for (std::size_t r = 1; r < m_records.size(); ++r) {
            step([&] { readRow(m_records[r]); });
        }
        step([&] { settleControls(); });
    }

    std::vector<CodeRow> rows;
    Controls controls;

  private:
    // Which column holds what, from the header line; unknown columns are the user's notes.
    void findColumns()
    {
        const Record& header = m_records.front();
        for (std::size_t i = 0; i < header.fields.size(); ++i) {
            if (const auto column = columnOf(header.fields[i]); column && !m_where[static_cast<std::size_t>(*column)]) {
                m_where[static_cast<std::size_t>(*column)] = i;
            }
        }
        if (!m_where[static_cast<std::size_t>(Column::Code)]) {
            fail(header.lineNumber, "the first line names no column \"code\"");
        }
        if (!m_where[static_cast<std::size_t>(Column::Layer)]) {
            fail(header.lineNumber, "the first line names no column \"layer\"");
        }
    }

    std::string_view value(const Record& record, Column column) const
    {
        const auto index = m_where[static_cast<std::size_t>(column)];
        return index && *index < record.fields.size() ? trimmed(record.fields[*index]) : std::string_view();
    }

    void readRow(const Record& record)
    {
        const std::size_t line = record.lineNumber;
        const std::string code = upperCased(value(record, Column::Code));
        if (code.empty()) {
            fail(line, "the code is empty");
        }
        if (code.front() == '!') {
            readControl(record, code);
            return;
        }
        checkCode(record, code);
        CodeRow row;
        row.code = code;
        row.lineNumber = line;
        row.layer = std::string(value(record, Column::Layer));
        if (row.layer.empty()) {
            fail(line, "the code \"" + std::string(value(record, Column::Code)) + "\" has no layer");
        }
        readColour(record, row);
        readSymbol(record, row);
        readLine(record, row);
        readLabels(record, row);
        row.description = std::string(value(record, Column::Description));
        checkLayerColour(row);
        rows.push_back(std::move(row));
    }

    void readControl(const Record& record, const std::string& code)
    {
        const std::size_t line = record.lineNumber;
        const std::string_view written = value(record, Column::Code);
        const auto control = std::find(kControlNames.begin(), kControlNames.end(), code);
        if (control == kControlNames.end()) {
            fail(line, "\"" + std::string(written) +
                           "\" is no control; the controls are !begin, !end, !close, !nojoin, !arcbegin, "
                           "!arcend and !comment");
        }
        const auto index = static_cast<std::size_t>(control - kControlNames.begin());
        if (m_controlLines[index] != 0) {
            fail(line, "the control " + std::string(written) + " is given twice (first in line " +
                           std::to_string(m_controlLines[index]) + ")");
        }
        m_controlLines[index] = line;
        controls[index] = wordsOf(value(record, Column::Layer));
        if (controls[index].empty()) {
            fail(line, "the control " + std::string(written) +
                           " has no words; its words go in the layer column, separated by blanks");
        }
    }

    void checkCode(const Record& record, const std::string& code)
    {
        const std::size_t line = record.lineNumber;
        const std::string written(value(record, Column::Code));
        if (std::any_of(code.begin(), code.end(), isBlank)) {
            fail(line, "the code \"" + written + "\" holds a blank; a code is one word");
        }
        if (code.find('*') != code.size() - 1 && code.find('*') != std::string::npos) {
            fail(line, "the code \"" + written + "\" holds a \"*\" before its end; a pattern ends with its only \"*\"");
        }
        if (const auto first = m_seen.find(code); first != m_seen.end()) {
            fail(line,
                 "the code \"" + written + "\" is given twice (first in line " + std::to_string(first->second) + ")");
        }
        m_seen.emplace(code, line);
    }

    void readColour(const Record& record, CodeRow& row) const
    {
        const std::string_view colour = value(record, Column::Colour);
        if (colour.empty()) {
            return;
        }
        int number = 0;
        const auto [end, error] = std::from_chars(colour.data(), colour.data() + colour.size(), number);
        if (error != std::errc() || end != colour.data() + colour.size() || number < 1 || number > 255) {
            fail(record.lineNumber, "the colour \"" + std::string(colour) + "\" is not a number from 1 to 255");
        }
        row.colour = number;
    }

    void readSymbol(const Record& record, CodeRow& row) const
    {
        row.symbol = upperCased(value(record, Column::Symbol));
        if (!row.symbol.empty() && row.symbol != kNoSymbol && !(m_symbolExists && m_symbolExists(row.symbol))) {
            fail(record.lineNumber,
                 "the symbol \"" + std::string(value(record, Column::Symbol)) + "\" is not in the symbol library");
        }
    }

    void readLine(const Record& record, CodeRow& row) const
    {
        const std::string lineKind = upperCased(value(record, Column::Line));
        if (lineKind.empty() || lineKind == "NONE") {
            row.line = LineKind::None;
        } else if (lineKind == "3D") {
            row.line = LineKind::ThreeD;
        } else if (lineKind == "2D") {
            row.line = LineKind::TwoD;
        } else {
            fail(record.lineNumber,
                 "the line \"" + std::string(value(record, Column::Line)) + "\" is none of none, 3d and 2d");
        }
    }

    void readLabels(const Record& record, CodeRow& row) const
    {
        const std::string_view labels = value(record, Column::Labels);
        if (labels.empty()) {
            return;
        }
        const auto bits = labelsOf(labels);
        if (!bits) {
            fail(record.lineNumber, "the labels \"" + std::string(labels) +
                                        "\" are not number, x, y, elevation or description joined with +");
        }
        row.labels = *bits;
    }

    // A layer has one colour: two rows giving it two would leave the drawing to pick one.
    void checkLayerColour(const CodeRow& row) const
    {
        for (const CodeRow& other : rows) {
            if (upperCased(other.layer) == upperCased(row.layer) && other.colour && row.colour &&
                *other.colour != *row.colour) {
                fail(row.lineNumber, "the layer \"" + row.layer + "\" has the colour " + std::to_string(*row.colour) +
                                         " here and " + std::to_string(*other.colour) + " in line " +
                                         std::to_string(other.lineNumber));
            }
        }
    }

    // Controls the library leaves out take their default words. A word may serve one control
    // only, and may not be a code: "B" after a code cannot mean two things.
    void settleControls()
    {
        for (std::size_t i = 0; i < kControlCount; ++i) {
            if (m_controlLines[i] == 0) {
                controls[i] = wordsOf(kDefaultWords[i]);
            }
        }
        std::unordered_map<std::string, std::size_t> owner;
        for (std::size_t i = 0; i < kControlCount; ++i) {
            for (const std::string& word : controls[i]) {
                if (const auto other = owner.find(word); other != owner.end() && other->second != i) {
                    // The row that gave the word; a default word clashes with a row's own.
                    const std::size_t line = m_controlLines[i] != 0 ? m_controlLines[i] : m_controlLines[other->second];
                    fail(line, "the word \"" + word + "\" belongs to " + std::string(kControlNames[other->second]) +
                                   " and to " + std::string(kControlNames[i]));
                }
                owner.emplace(word, i);
                if (const auto code = m_seen.find(word); code != m_seen.end()) {
                    fail(code->second, "the code \"" + word + "\" is also a word of " + std::string(kControlNames[i]));
                }
            }
        }
    }

    const std::vector<Record>& m_records;
    const CodeLibrary::SymbolExists& m_symbolExists;
    std::array<std::optional<std::size_t>, 7> m_where;
    std::array<std::size_t, kControlCount> m_controlLines{};
    std::unordered_map<std::string, std::size_t> m_seen; // code -> line
};

} // namespace

CodeLibrary CodeLibrary::read(std::string_view content, const SymbolExists& symbolExists)
{
    if (content.substr(0, 3) == "\xEF\xBB\xBF") {
        content.remove_prefix(3);
    }
    const std::vector<Record> records = recordsOf(content, separatorOf(content));
    if (records.empty()) {
        throw CodeLibraryError("line 1: " + std::string(kEmptyLibrary));
    }
    LibraryReader reader(records, symbolExists);
    try {
        reader.read();
    } catch (const RowFailure& failure) {
        throw CodeLibraryError("line " + std::to_string(failure.line) + ": " + failure.message);
    }
    CodeLibrary library;
    library.m_rows = std::move(reader.rows);
    library.m_controls = std::move(reader.controls);
    return library;
}

std::vector<CodeLibraryFault> CodeLibrary::check(std::string_view content, const SymbolExists& symbolExists)
{
    if (content.substr(0, 3) == "\xEF\xBB\xBF") {
        content.remove_prefix(3);
    }
    const std::vector<Record> records = recordsOf(content, separatorOf(content));
    if (records.empty()) {
        return {{1, std::string(kEmptyLibrary)}};
    }
    std::vector<CodeLibraryFault> faults;
    LibraryReader reader(records, symbolExists);
    reader.read(&faults);
    return faults;
}

CodeTable readCodeTable(std::string_view content)
{
    CodeTable table;
    if (content.substr(0, 3) == "\xEF\xBB\xBF") {
        content.remove_prefix(3);
        table.byteOrderMark = true;
    }
    table.separator = separatorOf(content);
    std::vector<Record> records = recordsOf(content, table.separator);
    if (records.empty()) {
        table.header.assign(std::begin(kCodeTableColumns), std::end(kCodeTableColumns));
        return table;
    }
    table.header = std::move(records.front().fields);
    std::size_t width = table.header.size();
    for (std::size_t r = 1; r < records.size(); ++r) {
        width = std::max(width, records[r].fields.size());
    }
    table.header.resize(width);
    for (std::size_t r = 1; r < records.size(); ++r) {
        records[r].fields.resize(width);
        table.rows.push_back(std::move(records[r].fields));
    }
    return table;
}

CodeMatch CodeLibrary::find(std::string_view code) const
{
    const std::string upper = upperCased(code);
    const CodeRow* best = nullptr;
    const CodeRow* fallback = nullptr;
    for (const CodeRow& row : m_rows) {
        if (row.code == "*") {
            fallback = &row;
        } else if (row.isPattern()) {
            const std::string_view prefix = std::string_view(row.code).substr(0, row.code.size() - 1);
            if (upper.size() >= prefix.size() && upper.compare(0, prefix.size(), prefix) == 0 &&
                (best == nullptr || row.code.size() > best->code.size())) {
                best = &row;
            }
        } else if (row.code == upper) {
            return {&row, true, false};
        }
    }
    if (best != nullptr) {
        return {best, false, false};
    }
    return {fallback, false, fallback != nullptr};
}

std::optional<Control> CodeLibrary::controlOf(std::string_view token) const
{
    const std::string upper = upperCased(token);
    for (std::size_t i = 0; i < kControlCount; ++i) {
        if (std::find(m_controls[i].begin(), m_controls[i].end(), upper) != m_controls[i].end()) {
            return static_cast<Control>(i);
        }
    }
    return std::nullopt;
}

std::vector<std::string> CodeLibrary::symbols() const
{
    std::vector<std::string> names;
    for (const CodeRow& row : m_rows) {
        if (!row.symbol.empty() && row.symbol != kNoSymbol &&
            std::find(names.begin(), names.end(), row.symbol) == names.end()) {
            names.push_back(row.symbol);
        }
    }
    return names;
}

} // namespace mervalon::codes
