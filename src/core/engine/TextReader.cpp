#include "core/engine/TextReader.h"

#include "core/io/FileIo.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

namespace mervalon::engine {
namespace {

constexpr char kCtrlZ = '\x1a';

bool isTrimmed(char c) { return static_cast<unsigned char>(c) <= 32; }

std::string_view trim(std::string_view text)
{
    while (!text.empty() && isTrimmed(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isTrimmed(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// Position of the first CR or LF. string_view::find_first_of searches the set once per
// character of the text, which made it the slowest step of reading a file.
std::size_t findLineBreak(std::string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' || text[i] == '\r') {
            return i;
        }
    }
    return std::string_view::npos;
}

// Cuts `line` into `fields` (views into `line`).
void splitInto(std::string_view line, std::string_view separator, std::vector<std::string_view>& fields)
{
    fields.clear();
    if (separator.empty()) {
        const std::string_view piece = trim(line);
        if (!piece.empty()) {
            fields.push_back(piece);
        }
        return;
    }
    const char cut = separator.front();
    while (true) {
        const std::size_t at = line.find(cut);
        const std::string_view piece = trim(line.substr(0, at));
        if (!piece.empty()) {
            fields.push_back(piece);
        }
        if (at == std::string_view::npos) {
            return;
        }
        line.remove_prefix(at + 1);
    }
}

// Turns one raw line into its fields and appends them to the rows.
class LineSplitter {
public:
    LineSplitter(FieldRows& rows, std::string_view separator)
        : m_rows(rows)
        , m_separator(separator)
        , m_keepTabs(separator == "\t")
    {
    }

    void add(std::string_view rawLine)
    {
        const std::string_view trimmed = trim(rawLine);
        if (trimmed.empty()) {
            m_rows.addEmptyRow();
            return;
        }
        m_line.assign(trimmed);
        // A control character inside a field would end up verbatim in the drawing, where it
        // breaks CAD readers; it separates like a blank instead.
        for (char& c : m_line) {
            const bool control = static_cast<unsigned char>(c) < 32;
            if (control && !(c == '\t' && m_keepTabs) && !(m_separator.size() == 1 && c == m_separator.front())) {
                c = ' ';
            }
        }
        splitInto(m_line, m_separator, m_fields);
        m_rows.addRow(m_fields);
    }

private:
    FieldRows& m_rows;
    std::string_view m_separator;
    bool m_keepTabs;
    std::string m_line;
    std::vector<std::string_view> m_fields;
};

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Reads the file in blocks and hands out complete lines.
class LineSource {
public:
    explicit LineSource(const std::filesystem::path& path)
        : m_path(path)
    {
        errno = 0;
        m_file.reset(std::fopen(path.c_str(), "rb"));
        if (!m_file) {
            fail("Cannot open file");
        }
    }

    /// Next line without its break; false at the end of the file or at a Ctrl+Z at a line start.
    bool next(std::string_view& line)
    {
        while (true) {
            const std::string_view pending = std::string_view(m_buffer).substr(m_position);
            if (!pending.empty() && pending.front() == kCtrlZ) {
                return false;
            }
            const std::size_t end = findLineBreak(pending);
            if (end != std::string_view::npos && (pending[end] == '\n' || end + 1 < pending.size() || m_atEnd)) {
                line = pending.substr(0, end);
                std::size_t consumed = end + 1;
                if (pending[end] == '\r' && end + 1 < pending.size() && pending[end + 1] == '\n') {
                    ++consumed;
                }
                m_position += consumed;
                return true;
            }
            if (m_atEnd) {
                if (pending.empty()) {
                    return false;
                }
                line = pending;
                m_position = m_buffer.size();
                return true;
            }
            refill();
        }
    }

private:
    void refill()
    {
        m_buffer.erase(0, m_position);
        m_position = 0;
        const std::size_t old = m_buffer.size();
        m_buffer.resize(old + kBlock);
        const std::size_t got = std::fread(m_buffer.data() + old, 1, kBlock, m_file.get());
        m_buffer.resize(old + got);
        if (got < kBlock) {
            if (std::ferror(m_file.get())) {
                fail("Cannot read file");
            }
            m_atEnd = true;
        }
    }

    [[noreturn]] void fail(const char* action)
    {
        const int error = errno != 0 ? errno : EIO;
        throw io::FileError(action, m_path, error);
    }

    static constexpr std::size_t kBlock = 1 << 20;
    std::filesystem::path m_path;
    std::unique_ptr<std::FILE, FileCloser> m_file;
    std::string m_buffer;
    std::size_t m_position = 0;
    bool m_atEnd = false;
};

} // namespace

FieldRows readTextLines(const std::filesystem::path& path, std::string_view separator, int firstLine)
{
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        throw io::FileError("Cannot open file", path, EISDIR);
    }
    // A device or a pipe can deliver bytes without end; a point file is a regular file.
    if (std::filesystem::exists(path, ec) && !std::filesystem::is_regular_file(path, ec)) {
        throw std::runtime_error("Cannot open file \"" + path.string() + "\". It is not a regular file");
    }
    LineSource source(path);
    FieldRows rows;
    LineSplitter splitter(rows, separator);
    std::string_view line;
    for (int skipped = 1; skipped < firstLine; ++skipped) {
        if (!source.next(line)) {
            return rows;
        }
    }
    while (source.next(line)) {
        splitter.add(line);
    }
    return rows;
}

FieldList splitLine(std::string_view line, std::string_view separator)
{
    std::vector<std::string_view> pieces;
    splitInto(line, separator, pieces);
    return FieldList(pieces.begin(), pieces.end());
}

} // namespace mervalon::engine
