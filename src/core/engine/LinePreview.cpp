#include "core/engine/LinePreview.h"

#include "core/engine/FileConverter.h"
#include "core/engine/ProgressSink.h"
#include "core/engine/RunLog.h"
#include "core/engine/TextReader.h"
#include "core/io/FileIo.h"
#include "core/io/ReplaceFile.h"
#include "core/spreadsheet/WorkbookProbe.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <sys/mman.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace mervalon::engine {
namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

class Descriptor {
  public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    [[nodiscard]] int get() const { return m_fd; }

  private:
    int m_fd;
};

// The lines the format skips before the points: those before its first line, and the header.
std::size_t skippedLineCount(const PreviewSettings& settings)
{
    const std::size_t before = static_cast<std::size_t>(std::max(settings.format.firstLine, 1) - 1);
    return before + (settings.dialect.headerLine ? 1 : 0);
}

// Where in the report each line's report lines begin: marks[i] for line i, and one more for the
// end of the last line's.
class LineMarks : public SilentProgress {
  public:
    LineMarks(const RunLog& log, std::size_t lines) : m_log(log), m_marks(lines + 1, 0) {}
    // Told before each line is converted (and once before the first).
    void setLinePosition(std::size_t index) override
    {
        if (index < m_marks.size()) {
            m_marks[index] = m_log.sectionText().size();
        }
    }
    void markEnd() { m_marks.back() = m_log.sectionText().size(); }
    [[nodiscard]] const std::vector<std::size_t>& marks() const { return m_marks; }

  private:
    const RunLog& m_log;
    std::vector<std::size_t> m_marks;
};

// The point lines of a preview, handed to the conversion as one batch. The conversion asks for
// the next batch only once the last line is converted: that is where the last line's report ends.
class PreviewRows : public RowSource {
  public:
    PreviewRows(const FieldRows& rows, bool lastOfFile, LineMarks& marks)
        : m_rows(rows), m_lastOfFile(lastOfFile), m_marks(marks)
    {
    }
    [[nodiscard]] std::size_t lineCount() const override { return m_rows.size(); }
    const FieldRows* nextBatch() override
    {
        if (m_handedOut || m_rows.empty()) {
            m_marks.markEnd();
            return nullptr;
        }
        m_handedOut = true;
        return &m_rows;
    }
    // A line that is not the file's last must not end its polyline as the last one does.
    [[nodiscard]] bool exhausted() override { return m_lastOfFile; }

  private:
    const FieldRows& m_rows;
    bool m_lastOfFile;
    LineMarks& m_marks;
    bool m_handedOut = false;
};

std::vector<std::string> reportLines(std::string_view text)
{
    std::vector<std::string> lines;
    while (!text.empty()) {
        const std::size_t end = text.find("\r\n");
        lines.emplace_back(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 2);
    }
    return lines;
}

// The file's beginning: enough bytes for `lines` lines, cut after the last whole line when the
// file goes on. `more` tells whether it does.
std::string readHead(const std::filesystem::path& path, std::size_t lines, bool& more)
{
    errno = 0;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        throw io::FileError("Cannot open file", path, errno != 0 ? errno : EIO);
    }
    const std::size_t budget = std::min(kPreviewBytes, std::max<std::size_t>(lines, 1) * kPreviewLineBytes);
    std::string head(budget + 1, '\0');
    const std::size_t got = std::fread(head.data(), 1, head.size(), file.get());
    if (std::ferror(file.get())) {
        throw io::FileError("Cannot read file", path, errno != 0 ? errno : EIO);
    }
    head.resize(got);
    more = got > budget;
    if (more) {
        head.resize(budget);
        const std::size_t lastBreak = head.find_last_of("\r\n");
        head.resize(lastBreak == std::string::npos ? 0 : lastBreak + 1);
    }
    return head;
}

bool startsLikeWorkbook(std::string_view head)
{
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(head.data());
    return spreadsheet::hasWorkbookSignature(spreadsheet::ByteView(bytes, std::min<std::size_t>(head.size(), 512))) ||
           head.starts_with(std::string_view("PK\x03\x04", 4));
}

// The readers take a path: the head is given to them as a file in memory, so that they read
// exactly these bytes, by exactly their own rules, and never the rest of a long file.
class HeadFile {
  public:
    explicit HeadFile(std::string_view head) : m_fd(::memfd_create("mervalon-preview", MFD_CLOEXEC))
    {
        if (m_fd.get() < 0 || io::writeAll(m_fd.get(), head.data(), head.size()) != 0) {
            throw std::system_error(errno, std::generic_category(), "Cannot hold the beginning of the file");
        }
        m_path = "/proc/self/fd/" + std::to_string(m_fd.get());
    }
    [[nodiscard]] const std::filesystem::path& path() const { return m_path; }

  private:
    Descriptor m_fd;
    std::filesystem::path m_path;
};

std::string namingTheFile(std::string message, const std::string& held, const std::string& real)
{
    for (std::size_t at = message.find(held); at != std::string::npos; at = message.find(held, at + real.size())) {
        message.replace(at, held.size(), real);
    }
    return message;
}

void readLines(TextLineReader& reader, FieldRows& rows, std::size_t count)
{
    while (rows.size() < count && reader.readBatch(rows, count - rows.size(), SIZE_MAX)) {
    }
}

PreviewLine lineOf(const FieldRow& row, PreviewLine::Kind kind, std::size_t fileLine)
{
    PreviewLine line;
    line.kind = kind;
    line.fileLine = fileLine;
    line.empty = row.isEmptyLine();
    if (!row.isEmptyLine()) {
        for (std::size_t field = 0; field < row.size(); ++field) {
            line.fields.emplace_back(row[field]);
        }
    }
    return line;
}

void convertPointLines(const FieldRows& rows, bool lastOfFile, const PreviewSettings& settings,
                       std::vector<PreviewLine>& lines)
{
    config::Configuration configuration; // no entity: only the lines' own report lines are written
    configuration.modifiers = settings.modifiers;
    const ConversionSettings conversion{configuration, settings.format, ErrorPolicy::SkipLine, {}, true,
                                        false,         nullptr};
    RunLog log;
    LineMarks progress(log, rows.size());
    PreviewRows source(rows, lastOfFile, progress);
    convertFile(source, conversion, "/dev/null", log, progress);
    const std::string_view text = log.sectionText();
    const std::vector<std::size_t>& marks = progress.marks();
    const std::size_t first = lines.size() - rows.size();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        PreviewLine& line = lines[first + i];
        line.messages = reportLines(text.substr(marks[i], marks[i + 1] - marks[i]));
        line.faulty = std::any_of(line.messages.begin(), line.messages.end(),
                                  [](const std::string& message) { return message.starts_with("  ! Error"); });
    }
}

} // namespace

LinePreview previewLines(const std::filesystem::path& path, const PreviewSettings& settings, std::size_t pointLines,
                         std::size_t totalLines)
{
    LinePreview preview;
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec) ||
        (std::filesystem::exists(path, ec) && !std::filesystem::is_regular_file(path, ec))) {
        preview.status = LinePreview::Status::NotText;
        preview.problem = "\"" + path.string() + "\" is not a file";
        return preview;
    }
    const std::size_t skipped = skippedLineCount(settings);
    const std::size_t shownSkipped = std::min(skipped, totalLines);
    const std::size_t wantedPoints = std::min(pointLines, totalLines - shownSkipped);
    std::string held;
    try {
        bool more = false;
        const std::string head = readHead(path, skipped + wantedPoints, more);
        if (startsLikeWorkbook(head)) {
            preview.status = LinePreview::Status::NotText;
            preview.problem = "\"" + path.string() + "\" is a workbook, not a delimited text file";
            return preview;
        }
        const HeadFile file(head);
        held = file.path().string();

        FieldRows raw;
        TextLineReader rawReader(file.path(), "", 1);
        readLines(rawReader, raw, shownSkipped);
        for (std::size_t i = 0; i < raw.size(); ++i) {
            const bool header = settings.dialect.headerLine && i + 1 == skipped;
            preview.lines.push_back(
                lineOf(raw.row(i), header ? PreviewLine::Kind::Header : PreviewLine::Kind::Skipped, i + 1));
        }

        FieldRows points;
        TextLineReader reader(file.path(), settings.format.separator, settings.format.firstLine,
                              lineDialectOf(settings.format, settings.dialect));
        readLines(reader, points, wantedPoints);
        for (std::size_t i = 0; i < points.size(); ++i) {
            preview.lines.push_back(lineOf(points.row(i), PreviewLine::Kind::Point, skipped + i + 1));
        }
        const bool lastOfFile = !more && reader.exhausted();
        convertPointLines(points, lastOfFile, settings, preview.lines);
        preview.more = more || !reader.exhausted();
        preview.longLineCut = more && points.size() < wantedPoints;
    } catch (const std::exception& error) {
        preview.status = LinePreview::Status::Unreadable;
        preview.problem = held.empty() ? error.what() : namingTheFile(error.what(), held, path.string());
        preview.lines.clear();
    }
    return preview;
}

} // namespace mervalon::engine
