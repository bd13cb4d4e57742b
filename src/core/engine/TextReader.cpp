#include "core/engine/TextReader.h"

#include "core/engine/TextEncoding.h"
#include "core/io/FileIo.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <vector>

namespace mervalon::engine {
namespace {

constexpr char kCtrlZ = '\x1a';

bool isTrimmed(char c)
{
    return static_cast<unsigned char>(c) <= 32;
}

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

// Position of the first CR or LF, eight bytes at a time: finding line ends is most of what
// reading costs. (string_view::find_first_of searches the set once per character; memchr for
// LF alone would, in a file whose lines end in a lone CR, search to the end of the block for
// every line.)
std::size_t findLineBreak(std::string_view text)
{
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;
    constexpr std::uint64_t kLf = kOnes * '\n';
    constexpr std::uint64_t kCr = kOnes * '\r';
    // High bit set in each zero byte; a byte above the first zero may be marked too, by the
    // borrow, but the lowest mark is always the first zero.
    const auto zeroBytes = [](std::uint64_t word) { return (word - kOnes) & ~word & kHighBits; };
    std::size_t i = 0;
    if constexpr (std::endian::native == std::endian::little) {
        for (; i + sizeof(std::uint64_t) <= text.size(); i += sizeof(std::uint64_t)) {
            std::uint64_t word = 0;
            std::memcpy(&word, text.data() + i, sizeof word);
            const std::uint64_t breaks = zeroBytes(word ^ kLf) | zeroBytes(word ^ kCr);
            if (breaks != 0) {
                return i + static_cast<std::size_t>(std::countr_zero(breaks)) / 8;
            }
        }
    }
    for (; i < text.size(); ++i) {
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
    LineSplitter(std::string_view separator, bool utf8, const LineDialect& dialect)
        : m_separator(separator), m_keepTabs(separator == "\t"), m_utf8(utf8), m_dialect(dialect.dialect),
          m_plainSplit(dialect.dialect.splitsPlainly()),
          m_commaDecimals(dialect.dialect.decimalMark == formats::DecimalMark::Comma),
          m_decimalColumns(dialect.decimalColumns)
    {
    }

    [[nodiscard]] std::size_t replaced() const { return m_replaced; }

    // The line is cleaned in place: a copy of a line as long as the file would double the
    // memory a file of one endless line costs.
    void add(FieldRows& rows, std::span<char> rawLine)
    {
        if (m_utf8) {
            m_replaced += utf8ToDrawingText(rawLine, m_converted);
        }
        const std::string_view whole(rawLine.data(), rawLine.size());
        const std::string_view trimmed = trim(whole);
        if (trimmed.empty()) {
            rows.addEmptyRow();
            return;
        }
        const std::span<char> line =
            rawLine.subspan(static_cast<std::size_t>(trimmed.data() - whole.data()), trimmed.size());
        // A control character inside a field would end up verbatim in the drawing, where it
        // breaks CAD readers; it separates like a blank instead.
        for (char& c : line) {
            const bool control = static_cast<unsigned char>(c) < 32;
            if (control && !(c == '\t' && m_keepTabs) && !(m_separator.size() == 1 && c == m_separator.front())) {
                c = ' ';
            }
        }
        if (m_plainSplit) {
            splitInto(trimmed, m_separator, m_fields);
        } else {
            formats::splitFields(line, m_separator.empty() ? '\0' : m_separator.front(), m_dialect, m_fields);
        }
        if (m_commaDecimals) {
            toDecimalPoints(line);
        }
        rows.addRow(m_fields);
    }

  private:
    // The fields are views into `line`, whose bytes may be changed.
    void toDecimalPoints(std::span<char> line)
    {
        for (const int column : m_decimalColumns) {
            if (column >= 1 && static_cast<std::size_t>(column) <= m_fields.size()) {
                const std::string_view field = m_fields[static_cast<std::size_t>(column - 1)];
                formats::commaToPoint(line.subspan(static_cast<std::size_t>(field.data() - line.data()), field.size()));
            }
        }
    }

    std::string_view m_separator;
    bool m_keepTabs;
    bool m_utf8;
    formats::TextDialect m_dialect;
    bool m_plainSplit;
    bool m_commaDecimals;
    std::vector<int> m_decimalColumns;
    std::size_t m_replaced = 0;
    std::string m_converted; // a line whose escapes make it longer than the file's
    std::vector<std::string_view> m_fields;
};

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Reads the file in blocks and hands out complete lines.
class LineSource {
  public:
    explicit LineSource(const std::filesystem::path& path) : m_path(path)
    {
        errno = 0;
        m_file.reset(std::fopen(path.c_str(), "rb"));
        if (!m_file) {
            fail("Cannot open file");
        }
        std::error_code ec;
        const auto size = std::filesystem::file_size(path, ec);
        m_unread = ec ? SIZE_MAX : static_cast<std::size_t>(size);
    }

    /// Skips `prefix` (a byte-order mark) when the file starts with it.
    void skipStart(std::string_view prefix)
    {
        refill();
        if (std::string_view(m_buffer).starts_with(prefix)) {
            m_position = prefix.size();
        }
    }

    /// True when next() will deliver a line: the same test, without taking the line.
    bool hasMore()
    {
        while (true) {
            if (m_position < m_buffer.size()) {
                return m_buffer[m_position] != kCtrlZ;
            }
            if (m_atEnd) {
                return false;
            }
            refill();
        }
    }

    /// Asked before each block is read, so that a stop is taken within a block however long
    /// the line being read.
    void setStopCheck(const std::function<bool()>* stopRequested) { m_stopRequested = stopRequested; }
    [[nodiscard]] bool stopped() const { return m_stopped; }
    void stop() { m_stopped = true; }

    /// The length of the line last delivered when it was too long to be read (it is then
    /// delivered empty); 0 for a line that was read.
    [[nodiscard]] std::uint64_t overlongLength() const { return m_overlongLength; }

    /// Next line without its break; false at the end of the file, at a Ctrl+Z at a line start,
    /// or at a stop. The line lies in the reader's buffer and may be changed in place until the
    /// next call.
    bool next(std::span<char>& line)
    {
        m_overlongLength = 0;
        while (true) {
            if (m_stopped) {
                return false;
            }
            const std::string_view pending = std::string_view(m_buffer).substr(m_position);
            if (!pending.empty() && pending.front() == kCtrlZ) {
                return false;
            }
            if (m_searched > kMaxLineLength) {
                line = std::span<char>();
                return skipOverlongLine();
            }
            // Only what arrived since the last search is searched: a line longer than a block
            // would otherwise be searched from its start after every refill, in quadratic time.
            const std::size_t found = findLineBreak(pending.substr(m_searched));
            const std::size_t end = found == std::string_view::npos ? found : m_searched + found;
            if (end != std::string_view::npos && (pending[end] == '\n' || end + 1 < pending.size() || m_atEnd)) {
                line = std::span<char>(m_buffer.data() + m_position, end);
                if (end > kMaxLineLength) {
                    m_overlongLength = end;
                    line = std::span<char>();
                }
                std::size_t consumed = end + 1;
                if (pending[end] == '\r' && end + 1 < pending.size() && pending[end + 1] == '\n') {
                    ++consumed;
                }
                m_position += consumed;
                m_searched = 0;
                return true;
            }
            if (m_atEnd) {
                if (pending.empty()) {
                    return false;
                }
                line = std::span<char>(m_buffer.data() + m_position, pending.size());
                if (pending.size() > kMaxLineLength) {
                    m_overlongLength = pending.size();
                    line = std::span<char>();
                }
                m_position = m_buffer.size();
                m_searched = 0;
                return true;
            }
            // A CR at the very end may be the first half of CR LF: it is searched again.
            m_searched = end != std::string_view::npos ? end : pending.size();
            refill();
        }
    }

  private:
    // The rest of a line too long to be a point line is read past block by block, never held:
    // a file without line breaks would otherwise be taken into memory whole.
    bool skipOverlongLine()
    {
        std::uint64_t length = 0; // bytes of the line dropped so far
        while (true) {
            const std::string_view pending = std::string_view(m_buffer).substr(m_position);
            const std::size_t end = findLineBreak(pending);
            // A CR at the very end may be the first half of CR LF: it waits for the next block.
            const bool crMayPair =
                end != std::string_view::npos && pending[end] == '\r' && end + 1 == pending.size() && !m_atEnd;
            if (end != std::string_view::npos && !crMayPair) {
                std::size_t consumed = end + 1;
                if (pending[end] == '\r' && end + 1 < pending.size() && pending[end + 1] == '\n') {
                    ++consumed;
                }
                m_overlongLength = length + end;
                m_position += consumed;
                m_searched = 0;
                return true;
            }
            const std::size_t dropped = crMayPair ? end : pending.size();
            length += dropped;
            m_position += dropped;
            m_searched = 0;
            if (m_atEnd) {
                m_overlongLength = length; // the file ends inside the line
                return true;
            }
            refill();
            if (m_stopped) {
                return false;
            }
        }
    }

    void refill()
    {
        // Asked from the second block on: a small file is read without a word to the caller.
        if (m_blocksRead > 0 && m_stopRequested != nullptr && *m_stopRequested && (*m_stopRequested)()) {
            m_stopped = true;
            return;
        }
        ++m_blocksRead;
        m_buffer.erase(0, m_position);
        m_position = 0;
        const std::size_t old = m_buffer.size();
        reserveFor(old + kBlock);
        m_buffer.resize(old + kBlock);
        const std::size_t got = std::fread(m_buffer.data() + old, 1, kBlock, m_file.get());
        m_buffer.resize(old + got);
        if (m_unread != SIZE_MAX) {
            m_unread -= std::min(m_unread, got);
        }
        if (got < kBlock) {
            if (std::ferror(m_file.get())) {
                fail("Cannot read file");
            }
            m_atEnd = true;
        }
    }

    // A line longer than a block makes the buffer grow. It doubles, but never beyond what the
    // rest of the file can fill, so a file that is one long line costs its own size once.
    void reserveFor(std::size_t wanted)
    {
        if (wanted <= m_buffer.capacity()) {
            return;
        }
        std::size_t grown = std::max(wanted, 2 * m_buffer.capacity());
        if (m_unread != SIZE_MAX) {
            grown = std::min(grown, std::max(wanted, m_buffer.size() + m_unread + 1));
        }
        m_buffer.reserve(grown);
    }

    [[noreturn]] void fail(const char* action)
    {
        const int error = errno != 0 ? errno : EIO;
        throw io::FileError(action, m_path, error);
    }

    static constexpr std::size_t kBlock = 1 << 20;
    std::filesystem::path m_path;
    const std::function<bool()>* m_stopRequested = nullptr;
    bool m_stopped = false;
    std::size_t m_blocksRead = 0;
    std::uint64_t m_overlongLength = 0;
    std::unique_ptr<std::FILE, FileCloser> m_file;
    std::string m_buffer;
    std::size_t m_position = 0;
    std::size_t m_searched = 0;      // bytes of the pending text known to hold no line break
    std::size_t m_unread = SIZE_MAX; // bytes of the file not yet read, when its size is known
    bool m_atEnd = false;
};

// The file's encoding, after the checks that need no reading.
TextEncoding checkedEncoding(const std::filesystem::path& path, const std::function<bool()>& stopRequested,
                             bool& stopped)
{
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        throw io::FileError("Cannot open file", path, EISDIR);
    }
    // A device or a pipe can deliver bytes without end; a point file is a regular file.
    if (std::filesystem::exists(path, ec) && !std::filesystem::is_regular_file(path, ec)) {
        throw std::runtime_error("Cannot open file \"" + path.string() + "\". It is not a regular file");
    }
    const TextEncoding encoding = detectTextEncoding(path, stopRequested, &stopped);
    if (encoding == TextEncoding::Utf16) {
        throw std::runtime_error("Cannot read file \"" + path.string() +
                                 "\". It is a UTF-16 text; save it as UTF-8 or Windows-1252 (ANSI)");
    }
    return encoding;
}

// A source standing at the first line to convert.
void skipToFirstLine(LineSource& source, TextEncoding encoding, int firstLine)
{
    if (encoding == TextEncoding::Utf8WithMark) {
        source.skipStart("\xEF\xBB\xBF");
    }
    std::span<char> line;
    for (int skipped = 1; skipped < firstLine && source.next(line); ++skipped) {
    }
}

// What tells that a file was changed: its size and the time of its last change.
struct FileIdentity {
    bool known = false;
    std::uint64_t size = 0;
    std::int64_t changedSeconds = 0;
    long changedNanoseconds = 0;

    bool operator==(const FileIdentity&) const = default;
};

FileIdentity identityOf(const std::filesystem::path& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return {};
    }
    return FileIdentity{true, static_cast<std::uint64_t>(info.st_size), info.st_mtim.tv_sec, info.st_mtim.tv_nsec};
}

bool isUtf8(TextEncoding encoding)
{
    return encoding == TextEncoding::Utf8 || encoding == TextEncoding::Utf8WithMark;
}

// A stop (Ctrl+C) during a file of hundreds of megabytes is taken within moments.
constexpr std::size_t kLinesPerStopCheck = 4096;

// A conversion's batches: enough lines that the work per batch dwarfs its bookkeeping, few
// enough bytes that the batch stays in the processor's cache.
constexpr std::size_t kBatchLines = 4096;
constexpr std::size_t kBatchBytes = 256 * 1024;

} // namespace

struct TextLineReader::State {
    State(const std::filesystem::path& file, std::string_view separator, TextEncoding fileEncoding,
          const LineDialect& dialect)
        : path(file), encoding(fileEncoding), source(file), splitter(separator, isUtf8(fileEncoding), dialect)
    {
    }

    std::filesystem::path path;
    TextEncoding encoding;
    int firstLine = 1;
    LineSource source;
    FieldRows rows; // the batch handed out by nextBatch
    LineSplitter splitter;
    std::size_t lineCount = 0;
    std::function<bool()> stopRequested;
    FileIdentity atOpen;
};

TextLineReader::TextLineReader(const std::filesystem::path& path, std::string_view separator, int firstLine,
                               std::function<bool()> stopRequested)
    : TextLineReader(path, separator, firstLine, LineDialect{}, std::move(stopRequested))
{
}

TextLineReader::TextLineReader(const std::filesystem::path& path, std::string_view separator, int firstLine,
                               const LineDialect& dialect, std::function<bool()> stopRequested)
{
    // The header line is one more line skipped, so the report counts lines as it does for a
    // format that skips it.
    if (dialect.dialect.headerLine) {
        firstLine = std::max(firstLine, 1);
        firstLine += firstLine < std::numeric_limits<int>::max() ? 1 : 0;
    }
    const FileIdentity atOpen = identityOf(path);
    bool stopped = false;
    const TextEncoding encoding = checkedEncoding(path, stopRequested, stopped);
    m_state = std::make_unique<State>(path, separator, encoding, dialect);
    m_state->atOpen = atOpen;
    m_state->stopRequested = std::move(stopRequested);
    m_state->source.setStopCheck(&m_state->stopRequested);
    if (stopped) {
        m_state->source.stop();
    }
    m_state->firstLine = firstLine;
    skipToFirstLine(m_state->source, encoding, firstLine);
}

TextLineReader::~TextLineReader() = default;

TextFileSurvey TextLineReader::survey(const std::function<bool()>& stopRequested)
{
    // A second look through the same lines, by the same rules, so that the count cannot
    // differ from what the batches deliver.
    LineSource source(m_state->path);
    // Within a long line, the reader's own check (which may let the window's events through)
    // is asked; between lines, the one given here.
    source.setStopCheck(m_state->stopRequested ? &m_state->stopRequested : &stopRequested);
    skipToFirstLine(source, m_state->encoding, m_state->firstLine);
    const bool utf8 = isUtf8(m_state->encoding);
    TextFileSurvey survey;
    std::span<char> line;
    std::string converted;
    while (source.next(line)) {
        if (utf8) {
            survey.replaced += utf8ToDrawingText(line, converted);
        }
        if (++survey.lines % kLinesPerStopCheck == 0 && stopRequested && stopRequested()) {
            survey.stopped = true;
            break;
        }
    }
    survey.stopped = survey.stopped || source.stopped();
    m_state->lineCount = survey.lines;
    return survey;
}

bool TextLineReader::readBatch(FieldRows& rows, std::size_t maxLines, std::size_t maxBytes)
{
    LineSplitter& splitter = m_state->splitter;
    const std::size_t before = rows.size();
    const std::size_t textBefore = rows.textSize();
    std::span<char> line;
    for (std::size_t count = 0; count < maxLines && rows.textSize() - textBefore < maxBytes; ++count) {
        if (!m_state->source.next(line)) {
            break;
        }
        if (const std::uint64_t overlong = m_state->source.overlongLength(); overlong > 0) {
            rows.addOverlongRow(overlong);
            continue;
        }
        splitter.add(rows, line);
    }
    return rows.size() > before;
}

TextFileNotes TextLineReader::notes() const
{
    return TextFileNotes{isUtf8(m_state->encoding), m_state->splitter.replaced()};
}

std::size_t TextLineReader::lineCount() const
{
    return m_state->lineCount;
}

const FieldRows* TextLineReader::nextBatch()
{
    m_state->rows.clear();
    return readBatch(m_state->rows, kBatchLines, kBatchBytes) ? &m_state->rows : nullptr;
}

bool TextLineReader::fillBatch(FieldRows& rows, std::size_t maxLines)
{
    rows.clear();
    return readBatch(rows, maxLines, kBatchBytes);
}

bool TextLineReader::exhausted()
{
    return m_state->source.stopped() || !m_state->source.hasMore();
}

bool TextLineReader::interrupted() const
{
    return m_state->source.stopped();
}

std::optional<std::string> TextLineReader::changedWhileRead() const
{
    const FileIdentity now = identityOf(m_state->path);
    if (!m_state->atOpen.known || now == m_state->atOpen) {
        return std::nullopt;
    }
    std::string message = "The point file changed while it was converted";
    if (now.known && now.size != m_state->atOpen.size) {
        message += " (from " + std::to_string(m_state->atOpen.size) + " to " + std::to_string(now.size) + " bytes)";
    }
    return message + "; no drawing was made from it: convert it again once it is complete";
}

FieldRows readTextLines(const std::filesystem::path& path, std::string_view separator, int firstLine,
                        TextFileNotes* notes, const std::function<bool()>& stopRequested)
{
    TextLineReader reader(path, separator, firstLine);
    FieldRows rows;
    while (reader.readBatch(rows, kLinesPerStopCheck, SIZE_MAX)) {
        if (stopRequested && stopRequested()) {
            break;
        }
    }
    if (notes != nullptr) {
        *notes = reader.notes();
    }
    return rows;
}

FieldList splitLine(std::string_view line, std::string_view separator)
{
    std::vector<std::string_view> pieces;
    splitInto(line, separator, pieces);
    return FieldList(pieces.begin(), pieces.end());
}

LineDialect lineDialectOf(const formats::FormatDefinition& format, const formats::TextDialect& dialect)
{
    LineDialect lines{dialect, {}};
    if (dialect.decimalMark == formats::DecimalMark::Comma) {
        lines.decimalColumns = {format.value(formats::PointValue::X).column,
                                format.value(formats::PointValue::Y).column,
                                format.value(formats::PointValue::Z).column};
    }
    return lines;
}

FieldRows readTextLines(const std::filesystem::path& path, std::string_view separator, int firstLine,
                        const LineDialect& dialect)
{
    TextLineReader reader(path, separator, firstLine, dialect);
    FieldRows rows;
    while (reader.readBatch(rows, kLinesPerStopCheck, SIZE_MAX)) {
    }
    return rows;
}

} // namespace mervalon::engine
