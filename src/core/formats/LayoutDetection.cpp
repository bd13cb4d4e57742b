#include "core/formats/LayoutDetection.h"

#include "core/io/FileIo.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <map>
#include <optional>
#include <set>

namespace mervalon::formats {
namespace {

constexpr std::size_t kDetectionBytes = std::size_t{1} << 20;
constexpr std::array<char, 5> kSeparators = {'\t', ';', ',', '|', ' '};

enum class Role { Number, East, North, Elevation, Description, Code, None };

std::size_t roleIndex(Role role)
{
    return static_cast<std::size_t>(role);
}

// The file's first lines, its byte-order mark dropped; LF, CR LF and a lone CR end a line.
std::vector<std::string> linesOf(std::string_view text)
{
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    std::vector<std::string> lines;
    while (!text.empty() && lines.size() < kDetectionLines) {
        const std::size_t end = text.find_first_of("\r\n");
        lines.emplace_back(text.substr(0, end));
        if (end == std::string_view::npos) {
            break;
        }
        text.remove_prefix(end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1));
    }
    return lines;
}

std::string trimmed(std::string_view text)
{
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= 32) {
        text.remove_prefix(1);
    }
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= 32) {
        text.remove_suffix(1);
    }
    return std::string(text);
}

std::vector<std::string> split(const std::string& line, char separator, const TextDialect& dialect)
{
    std::string copy = trimmed(line);
    std::vector<std::string_view> views;
    splitFields(std::span<char>(copy.data(), copy.size()), separator, dialect, views);
    return {views.begin(), views.end()};
}

struct Number {
    double value = 0;
    bool fraction = false; ///< written with decimals
    char mark = 0;         ///< the decimal mark written, 0 without
};

// A plain decimal number with "." or (when allowed) "," as its mark; no exponent, no grouping.
std::optional<Number> numberOf(std::string_view text, bool commaAllowed)
{
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        ++i;
    }
    double value = 0;
    double scale = 0;
    int digits = 0;
    Number number;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            ++digits;
            if (scale == 0) {
                value = value * 10 + (c - '0');
            } else {
                value += (c - '0') * scale;
                scale /= 10;
            }
        } else if ((c == '.' || (c == ',' && commaAllowed)) && number.mark == 0) {
            number.mark = c;
            scale = 0.1;
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0) {
        return std::nullopt;
    }
    number.fraction = number.mark != 0;
    number.value = text.front() == '-' ? -value : value;
    return number;
}

bool hasLetter(std::string_view text)
{
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || byte >= 0x80;
    });
}

// A header word reduced to plain lower-case letters and digits: accents dropped (in UTF-8 or
// Windows-1252), everything else left out. "Höhe [m]" gives "hohem"; `firstWord` gives "hohe".
std::string folded(std::string_view text, bool firstWord)
{
    static constexpr const char* kLatin1 = "AAAAAAACEEEEIIIIDNOOOOOxOUUUUYPsaaaaaaaceeeeiiiidnooooo/ouuuuypy";
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto byte = static_cast<unsigned char>(text[i]);
        if (byte == 0xC3 && i + 1 < text.size()) { // UTF-8 for U+00C0 to U+00FF
            byte = static_cast<unsigned char>(static_cast<unsigned char>(text[++i]) + 0x40);
        }
        if (byte >= 0xC0) {
            byte = static_cast<unsigned char>(kLatin1[byte - 0xC0]);
        }
        if (byte >= 'A' && byte <= 'Z') {
            byte = static_cast<unsigned char>(byte - 'A' + 'a');
        }
        if ((byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9')) {
            out += static_cast<char>(byte);
        } else if (firstWord && !out.empty()) {
            break;
        }
    }
    return out;
}

struct HeaderWord {
    const char* word;
    Role role;
    bool axisLetter; ///< "x" or "y": whose meaning differs between countries
};

// English, German, French and Spanish names of the columns, folded.
// A table reads best in columns.
// clang-format off
constexpr HeaderWord kHeaderWords[] = {
    {"point", Role::Number, false},       {"pt", Role::Number, false},          {"pnt", Role::Number, false},
    {"name", Role::Number, false},        {"number", Role::Number, false},      {"no", Role::Number, false},
    {"nr", Role::Number, false},          {"id", Role::Number, false},          {"pointid", Role::Number, false},
    {"pointno", Role::Number, false},     {"pointnumber", Role::Number, false}, {"ptno", Role::Number, false},
    {"ptnum", Role::Number, false},       {"pointname", Role::Number, false},   {"station", Role::Number, false},
    {"punkt", Role::Number, false},       {"punktnr", Role::Number, false},     {"punktnummer", Role::Number, false},
    {"pktnr", Role::Number, false},       {"pkt", Role::Number, false},         {"nom", Role::Number, false},
    {"numero", Role::Number, false},      {"num", Role::Number, false},         {"punto", Role::Number, false},
    {"nombre", Role::Number, false},      {"matricule", Role::Number, false},
    {"east", Role::East, false},          {"easting", Role::East, false},       {"e", Role::East, false},
    {"x", Role::East, true},              {"rechtswert", Role::East, false},    {"rechts", Role::East, false},
    {"ost", Role::East, false},           {"ostwert", Role::East, false},       {"est", Role::East, false},
    {"este", Role::East, false},          {"rw", Role::East, false},
    {"north", Role::North, false},        {"northing", Role::North, false},     {"n", Role::North, false},
    {"y", Role::North, true},             {"hochwert", Role::North, false},     {"hoch", Role::North, false},
    {"nord", Role::North, false},         {"norte", Role::North, false},        {"hw", Role::North, false},
    {"elev", Role::Elevation, false},     {"elevation", Role::Elevation, false}, {"z", Role::Elevation, false},
    {"h", Role::Elevation, false},        {"height", Role::Elevation, false},   {"hohe", Role::Elevation, false},
    {"hoehe", Role::Elevation, false},    {"altitude", Role::Elevation, false}, {"alt", Role::Elevation, false},
    {"cota", Role::Elevation, false},     {"elevacion", Role::Elevation, false}, {"altura", Role::Elevation, false},
    {"rl", Role::Elevation, false},       {"level", Role::Elevation, false},    {"zcoord", Role::Elevation, false},
    {"desc", Role::Description, false},   {"description", Role::Description, false},
    {"descr", Role::Description, false},  {"beschreibung", Role::Description, false},
    {"bemerkung", Role::Description, false}, {"descripcion", Role::Description, false},
    {"remark", Role::Description, false}, {"comment", Role::Description, false}, {"note", Role::Description, false},
    {"text", Role::Description, false},   {"libelle", Role::Description, false},
    {"code", Role::Code, false},          {"codigo", Role::Code, false},        {"cod", Role::Code, false},
    {"kode", Role::Code, false},          {"pcode", Role::Code, false},         {"featurecode", Role::Code, false},
    {"feature", Role::Code, false},       {"schluessel", Role::Code, false},    {"schlussel", Role::Code, false},
};
// clang-format on

const HeaderWord* headerWordOf(std::string_view name)
{
    for (const bool firstWord : {false, true}) {
        const std::string key = folded(name, firstWord);
        for (const HeaderWord& word : kHeaderWords) {
            if (key == word.word) {
                return &word;
            }
        }
    }
    return nullptr;
}

// What the values of one column are like, over the point lines.
struct ColumnStats {
    int present = 0;
    int numeric = 0;
    int integers = 0;
    int withLetters = 0;
    int running = 0; ///< lines whose value is one more than the line before's
    std::vector<double> magnitudes;
    std::set<std::string> distinct;
    std::size_t totalLength = 0;
    std::optional<double> previous;

    [[nodiscard]] bool mostlyNumeric() const { return present > 0 && numeric * 10 >= present * 9; }
    [[nodiscard]] bool allIntegers() const { return present > 0 && integers == present; }
    [[nodiscard]] double distinctShare() const
    {
        return present == 0 ? 0 : static_cast<double>(distinct.size()) / present;
    }
    [[nodiscard]] double median() const
    {
        if (magnitudes.empty()) {
            return 0;
        }
        std::vector<double> sorted = magnitudes;
        std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(sorted.size() / 2), sorted.end());
        return sorted[sorted.size() / 2];
    }
    [[nodiscard]] double averageLength() const { return present == 0 ? 0 : static_cast<double>(totalLength) / present; }
    /// A point number: running integers, or labels nearly all different.
    [[nodiscard]] bool looksLikeNumber() const
    {
        if (present == 0) {
            return false;
        }
        if (allIntegers()) {
            return running * 2 >= present - 1 || distinctShare() >= 0.9;
        }
        return !mostlyNumeric() && distinctShare() >= 0.8 && averageLength() <= 16;
    }
    /// A polyline or feature code: few different short values.
    [[nodiscard]] bool looksLikeCode() const
    {
        return present > 0 && averageLength() <= 8 && (distinct.size() <= 12 || distinctShare() <= 0.3);
    }
};

struct SeparatorChoice {
    char separator = 0;
    int fields = 0;
    double score = 0;
};

// How well a separator cuts the lines: the share of lines with the commonest number of fields
// (two at least), times the share of their fields that hold no other separator (a decimal comma aside).
SeparatorChoice scoreSeparator(const std::vector<std::string>& lines, char separator, bool quoted)
{
    TextDialect dialect;
    dialect.quotedFields = quoted;
    dialect.keepEmptyFields = separator != ' ';
    std::map<int, int> counts;
    std::vector<std::vector<std::string>> cut;
    for (const std::string& line : lines) {
        cut.push_back(split(line, separator, dialect));
        ++counts[static_cast<int>(cut.back().size())];
    }
    SeparatorChoice choice{separator, 0, 0};
    int best = 0;
    for (const auto& [fields, lineCount] : counts) {
        if (lineCount > best || (lineCount == best && fields > choice.fields)) {
            best = lineCount;
            choice.fields = fields;
        }
    }
    if (choice.fields < 2 || lines.empty()) {
        return choice;
    }
    int fields = 0;
    int clean = 0;
    for (const auto& line : cut) {
        if (static_cast<int>(line.size()) != choice.fields) {
            continue;
        }
        for (const std::string& field : line) {
            ++fields;
            bool pure = true;
            for (const char other : kSeparators) {
                if (other == separator || other == ' ' || field.find(other) == std::string::npos) {
                    continue;
                }
                if (other == ',' && numberOf(field, true)) {
                    continue;
                }
                pure = false;
            }
            clean += pure ? 1 : 0;
        }
    }
    const double consistency = static_cast<double>(best) / static_cast<double>(lines.size());
    choice.score = consistency * (fields == 0 ? 0 : static_cast<double>(clean) / fields);
    return choice;
}

bool isPointLine(const std::vector<std::string>& fields, int columnCount, bool commaAllowed)
{
    if (fields.size() < 2 || static_cast<int>(fields.size()) > columnCount) {
        return false;
    }
    int numbers = 0;
    for (const std::string& field : fields) {
        numbers += numberOf(field, commaAllowed) ? 1 : 0;
    }
    return numbers >= 2;
}

// Detection in the order a reader would go: which lines to judge by, the separator, how fields
// are cut, where the points begin (and a header before them), what each column holds, which
// column plays which part, and how sure that is. Each phase returns false when the file is no
// point file, with a note saying why.
class Detector {
  public:
    explicit Detector(std::string_view text) : m_all(linesOf(text)) {}

    DetectedLayout run()
    {
        m_layout.linesExamined = static_cast<int>(m_all.size());
        if (!takeSample() || !chooseSeparator()) {
            return m_layout;
        }
        settleDialect();
        if (!findPointLines()) {
            return m_layout;
        }
        gatherColumns();
        nameColumnsByHeader();
        if (!findCoordinates()) {
            return m_layout;
        }
        findNumberAndElevation();
        findDescriptionAndCode();
        m_layout.columns = m_columns;
        m_layout.dialect = m_dialect;
        m_layout.found = true;
        judgeConfidence();
        return m_layout;
    }

  private:
    bool assigned(int column) const { return std::find(m_columns.begin(), m_columns.end(), column) != m_columns.end(); }
    void set(Role role, int column) { m_columns[roleIndex(role)] = column; }
    int get(Role role) const { return m_columns[roleIndex(role)]; }
    const ColumnStats& stats(int column) const { return m_stats[static_cast<std::size_t>(column - 1)]; }
    double medianOf(int column) const { return m_medians[static_cast<std::size_t>(column - 1)]; }
    bool commaAllowed() const { return m_chosen.separator != ','; }

    bool takeSample()
    {
        for (std::size_t i = 0; i < m_all.size(); ++i) {
            if (!trimmed(m_all[i]).empty()) {
                m_used.push_back(i);
                m_sample.push_back(m_all[i]);
            }
        }
        if (m_sample.empty()) {
            m_layout.notes.push_back("the file holds no text lines");
            return false;
        }
        m_quotes = std::any_of(m_sample.begin(), m_sample.end(),
                               [](const std::string& line) { return line.find('"') != std::string::npos; });
        return true;
    }

    // The separator: the cut most lines agree on. A point line has 2 or more fields.
    bool chooseSeparator()
    {
        for (const char separator : kSeparators) {
            const SeparatorChoice choice = scoreSeparator(m_sample, separator, m_quotes);
            if (choice.score > m_chosen.score + 1e-9) {
                m_chosen = choice;
            }
        }
        if (m_chosen.score <= 0) {
            m_layout.notes.push_back(
                "no separator (tab, semicolon, comma, bar or blank) cuts the lines into fields alike");
            return false;
        }
        m_layout.separator = m_chosen.separator;
        m_layout.columnCount = m_chosen.fields;
        return true;
    }

    void cutSample()
    {
        m_cut.clear();
        for (const std::string& line : m_sample) {
            m_cut.push_back(split(line, m_chosen.separator, m_dialect));
        }
    }

    // Quoting and empty fields are kept on only where a line needs them.
    void settleDialect()
    {
        m_dialect.keepEmptyFields = m_chosen.separator != ' ';
        m_dialect.quotedFields = m_quotes;
        cutSample();
        bool quotedSeen = false;
        bool emptySeen = false;
        for (const std::string& line : m_sample) {
            std::string copy = trimmed(line);
            for (const std::string& field :
                 split(copy, m_chosen.separator, TextDialect{DecimalMark::Point, false, true, true, false})) {
                quotedSeen = quotedSeen || (!field.empty() && field.front() == '"');
            }
        }
        for (const auto& fields : m_cut) {
            if (static_cast<int>(fields.size()) <= m_chosen.fields) {
                emptySeen = emptySeen ||
                            std::any_of(fields.begin(), fields.end(), [](const std::string& f) { return f.empty(); });
            }
        }
        m_dialect.quotedFields = quotedSeen;
        m_dialect.keepEmptyFields = emptySeen && m_chosen.separator != ' ';
        cutSample();
    }

    // The points begin at the first line read as one; a header is the line just before.
    bool findPointLines()
    {
        m_first = m_cut.size();
        for (std::size_t i = 0; i < m_cut.size(); ++i) {
            if (isPointLine(m_cut[i], m_chosen.fields, commaAllowed())) {
                m_first = i;
                break;
            }
        }
        if (m_first == m_cut.size()) {
            m_layout.notes.push_back("no line holds two numbers: the file does not look like a point file");
            return false;
        }
        m_layout.firstPointLine = static_cast<int>(m_used[m_first]) + 1;
        m_layout.linesBefore = m_layout.firstPointLine - 1;
        if (m_first > 0) {
            const auto& candidate = m_cut[m_first - 1];
            int words = 0;
            for (const std::string& field : candidate) {
                words += (!numberOf(field, commaAllowed()) && hasLetter(field)) ? 1 : 0;
            }
            if (candidate.size() >= 2 && words * 2 >= static_cast<int>(candidate.size())) {
                m_header = candidate;
                m_layout.headerLine = static_cast<int>(m_used[m_first - 1]) + 1;
                m_layout.headerText = trimmed(m_sample[m_first - 1]);
                m_layout.linesBefore = m_layout.headerLine - 1;
                m_dialect.headerLine = true;
            }
        }
        return true;
    }

    void addToColumn(ColumnStats& column, const std::string& field)
    {
        ++column.present;
        column.totalLength += field.size();
        if (column.distinct.size() < 1000) {
            column.distinct.insert(field);
        }
        column.withLetters += hasLetter(field) ? 1 : 0;
        const auto number = numberOf(field, commaAllowed());
        if (!number) {
            column.previous.reset();
            return;
        }
        ++column.numeric;
        column.integers += number->fraction ? 0 : 1;
        m_commaDecimals += number->mark == ',' ? 1 : 0;
        m_pointDecimals += number->mark == '.' ? 1 : 0;
        column.magnitudes.push_back(std::fabs(number->value));
        if (column.previous && number->value - *column.previous == 1) {
            ++column.running;
        }
        column.previous = number->value;
    }

    // What each column holds, over the point lines; and the decimal mark most numbers use.
    void gatherColumns()
    {
        m_stats.assign(static_cast<std::size_t>(m_chosen.fields), ColumnStats{});
        for (std::size_t i = m_first; i < m_cut.size(); ++i) {
            ++m_candidates;
            if (!isPointLine(m_cut[i], m_chosen.fields, commaAllowed())) {
                continue;
            }
            ++m_layout.pointLines;
            for (std::size_t c = 0; c < m_cut[i].size(); ++c) {
                if (!m_cut[i][c].empty()) {
                    addToColumn(m_stats[c], m_cut[i][c]);
                }
            }
        }
        if (m_commaDecimals > m_pointDecimals) {
            m_dialect.decimalMark = DecimalMark::Comma;
        }
        for (const ColumnStats& column : m_stats) {
            m_medians.push_back(column.median());
        }
    }

    void nameColumnsByHeader()
    {
        bool axisLetters = false;
        for (std::size_t c = 0; c < m_header.size() && c < m_stats.size(); ++c) {
            if (const HeaderWord* word = headerWordOf(m_header[c]); word != nullptr && get(word->role) == 0) {
                set(word->role, static_cast<int>(c) + 1);
                axisLetters = axisLetters || word->axisLetter;
            }
        }
        m_layout.byHeader = get(Role::East) != 0 && get(Role::North) != 0;
        if (m_layout.byHeader && axisLetters && get(Role::North) < get(Role::East)) {
            // "Y" before "X": German, Austrian and Swiss surveyors call East Y and North X, and
            // write East first.
            const int x = get(Role::East);
            set(Role::East, get(Role::North));
            set(Role::North, x);
            m_layout.notes.push_back("the header puts Y before X: taken as Y = East, X = North, as German, "
                                     "Austrian and Swiss surveyors write them");
        }
        if (!m_header.empty() && !m_layout.byHeader) {
            m_layout.notes.push_back("the header line does not name both East and North; the values decided");
        }
    }

    // East and North: the two numeric columns of largest values that are no point numbers.
    bool findCoordinates()
    {
        if (get(Role::East) == 0 || get(Role::North) == 0) {
            std::vector<int> coordinates;
            for (int c = 1; c <= m_chosen.fields; ++c) {
                const ColumnStats& column = stats(c);
                const bool runningNumber =
                    column.allIntegers() && column.running * 2 >= column.present - 1 && column.present > 2;
                // A first column of integers beside three or more others is a number, however large.
                const bool leadingIntegers = c == 1 && column.allIntegers() && m_chosen.fields > 3;
                if (!assigned(c) && column.mostlyNumeric() && !runningNumber && !leadingIntegers) {
                    coordinates.push_back(c);
                }
            }
            std::stable_sort(coordinates.begin(), coordinates.end(),
                             [&](int a, int b) { return medianOf(a) > medianOf(b); });
            takeCoordinates(coordinates);
        }
        if (get(Role::East) == 0 || get(Role::North) == 0) {
            m_layout.notes.push_back("found no two columns of coordinates");
            return false;
        }
        return true;
    }

    // `coordinates`: the candidates, largest values first.
    void takeCoordinates(const std::vector<int>& coordinates)
    {
        if (get(Role::East) != 0 || get(Role::North) != 0) {
            // One of them was named: the other is the largest left.
            if (!coordinates.empty()) {
                set(get(Role::East) == 0 ? Role::East : Role::North, coordinates.front());
            }
            return;
        }
        if (coordinates.size() < 2) {
            return;
        }
        const int a = std::min(coordinates[0], coordinates[1]);
        const int b = std::max(coordinates[0], coordinates[1]);
        const double ma = medianOf(a);
        const double mb = medianOf(b);
        if (ma > 1.5 * mb || mb > 1.5 * ma) {
            set(Role::North, ma > mb ? a : b);
            set(Role::East, ma > mb ? b : a);
            m_layout.notes.push_back("North is taken as the column with the larger values, as in UTM coordinates");
        } else {
            set(Role::East, a);
            set(Role::North, b);
            m_layout.eastNorthUncertain = true;
            m_layout.notes.push_back("East and North cannot be told apart by their values: taken in PENZ order "
                                     "(East before North); check them");
        }
    }

    void findNumberAndElevation()
    {
        // The number: a running integer or a label, before the coordinates if there is one there.
        if (get(Role::Number) == 0) {
            for (int c = 1; c <= m_chosen.fields; ++c) {
                if (!assigned(c) && stats(c).looksLikeNumber() &&
                    (c < std::min(get(Role::East), get(Role::North)) || c == 1)) {
                    set(Role::Number, c);
                    break;
                }
            }
        }
        // The elevation: the first numeric column left that is no code.
        if (get(Role::Elevation) == 0) {
            for (int c = 1; c <= m_chosen.fields; ++c) {
                const ColumnStats& column = stats(c);
                if (!assigned(c) && column.mostlyNumeric() && !(column.allIntegers() && column.looksLikeCode())) {
                    set(Role::Elevation, c);
                    break;
                }
            }
        }
    }

    // Description and code from what is left: the code is the one with fewer, shorter values.
    void findDescriptionAndCode()
    {
        std::vector<int> rest;
        for (int c = 1; c <= m_chosen.fields; ++c) {
            if (!assigned(c) && stats(c).present > 0) {
                rest.push_back(c);
            }
        }
        const auto codeLikeness = [&](int c) {
            const ColumnStats& column = stats(c);
            return column.distinctShare() + column.averageLength() / 20.0 + (column.withLetters > 0 ? 0.5 : 0);
        };
        if (get(Role::Description) == 0 && get(Role::Code) == 0) {
            if (rest.size() == 1) {
                const ColumnStats& column = stats(rest[0]);
                set(column.withLetters == 0 && column.looksLikeCode() ? Role::Code : Role::Description, rest[0]);
            } else if (rest.size() >= 2) {
                const int a = rest[0];
                const int b = rest[1];
                const bool aIsCode = codeLikeness(a) < codeLikeness(b);
                set(Role::Description, aIsCode ? b : a);
                set(Role::Code, aIsCode ? a : b);
            }
        } else if (!rest.empty()) {
            set(get(Role::Description) == 0 ? Role::Description : Role::Code, rest.front());
        }
    }

    void judgeConfidence()
    {
        int confidence = m_layout.byHeader ? 95 : 80;
        if (m_layout.eastNorthUncertain) {
            confidence = 45;
        }
        const double agreement = m_candidates == 0 ? 0 : static_cast<double>(m_layout.pointLines) / m_candidates;
        confidence = static_cast<int>(std::lround(confidence * std::min(1.0, agreement)));
        if (m_layout.pointLines < 3) {
            confidence = std::min(confidence, 40);
            m_layout.notes.push_back("only " + std::to_string(m_layout.pointLines) + " point line(s) to judge by");
        }
        m_layout.confidence = std::clamp(confidence, 0, 100);
    }

    DetectedLayout m_layout;
    std::vector<std::string> m_all;
    std::vector<std::size_t> m_used; // indexes of the lines that are not blank
    std::vector<std::string> m_sample;
    bool m_quotes = false;
    SeparatorChoice m_chosen;
    TextDialect m_dialect;
    std::vector<std::vector<std::string>> m_cut;
    std::size_t m_first = 0; // the first point line among the sample's
    std::vector<std::string> m_header;
    std::vector<ColumnStats> m_stats;
    std::vector<double> m_medians;
    int m_commaDecimals = 0;
    int m_pointDecimals = 0;
    int m_candidates = 0;
    std::array<int, 6> m_columns{};
};

} // namespace

DetectedLayout detectLayout(std::string_view text)
{
    return Detector(text).run();
}

DetectedLayout detectLayoutOfFile(const std::filesystem::path& path)
{
    const std::vector<std::uint8_t> bytes = io::readFileBytes(path, kDetectionBytes);
    return detectLayout(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

DetectedFormat formatOfLayout(const DetectedLayout& layout, FormatDefinition base)
{
    DetectedFormat detected{std::move(base), layout.dialect};
    FormatDefinition& format = detected.format;
    format.isExcel = 0;
    for (const PointValue value : kPointValues) {
        format.setColumn(value, layout.column(value));
        format.setPrefix(value, {});
    }
    format.separator = std::string(1, layout.separator);
    format.otherSeparator =
        (layout.separator == ',' || layout.separator == ';' || layout.separator == ' ' || layout.separator == '\t') ? 0
                                                                                                                    : 1;
    // The reader skips the header itself once the lines before it are skipped.
    format.firstLine = layout.linesBefore + 1;
    return detected;
}

std::string separatorName(char separator)
{
    switch (separator) {
    case '\t':
        return "tab";
    case ';':
        return "semicolon (;)";
    case ',':
        return "comma (,)";
    case '|':
        return "bar (|)";
    case ' ':
        return "blanks";
    default:
        break;
    }
    return separator == 0 ? "none" : std::string("\"") + separator + "\"";
}

const char* roleName(PointValue value)
{
    switch (value) {
    case PointValue::Number:
        return "number";
    case PointValue::X:
        return "East";
    case PointValue::Y:
        return "North";
    case PointValue::Z:
        return "elevation";
    case PointValue::Description:
        return "description";
    case PointValue::Code:
        return "code";
    }
    return "";
}

const char* confidenceWord(int confidence)
{
    return confidence >= 80 ? "high" : confidence >= 55 ? "medium" : "low";
}

} // namespace mervalon::formats
