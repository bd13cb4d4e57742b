#include "app/viewers/ViewerRules.h"

#include "core/config/InstallationLayout.h"
#include "core/io/FileIo.h"
#include "core/spreadsheet/TextCodec.h"

#include <QDir>
#include <QLocale>
#include <QRegularExpression>
#include <QStringDecoder>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>

namespace mervalon::app {
namespace {

bool hasNonAscii(const QByteArray& bytes)
{
    return std::any_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

// The text of bytes that are UTF-8 throughout; none when they are not.
std::optional<QString> utf8Text(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        return std::nullopt;
    }
    return text;
}

QString windows1252Text(const QByteArray& bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char c : bytes) {
        *out++ = QChar(spreadsheet::windows1252ToUtf16(static_cast<std::uint8_t>(c)));
    }
    return text;
}

// Windows-1252 bytes of a text; false at the first character that has none.
bool appendWindows1252(QByteArray& out, const QString& text, QString* badCharacter)
{
    std::string encoded;
    for (const QChar c : text) {
        encoded.clear();
        spreadsheet::appendUtf16Unit(encoded, c.unicode());
        const auto byte = static_cast<std::uint8_t>(encoded.front());
        if (encoded.size() != 1 || spreadsheet::windows1252ToUtf16(byte) != c.unicode()) {
            if (badCharacter != nullptr) {
                *badCharacter = QString(c);
            }
            return false;
        }
        out.append(static_cast<char>(byte));
    }
    return true;
}

QStringList splitLines(const QString& text)
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\r' || c == u'\n') {
            lines << text.mid(start, i - start);
            if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n') {
                ++i;
            }
            start = i + 1;
        }
    }
    if (start < text.size()) {
        lines << text.mid(start);
    }
    return lines;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// `length` bytes from `offset`, or what there is of them.
QByteArray readAt(std::FILE* file, qint64 offset, qint64 length, const std::filesystem::path& path)
{
    QByteArray bytes(length, Qt::Uninitialized);
    errno = 0;
    if (::fseeko(file, static_cast<off_t>(offset), SEEK_SET) != 0) {
        throw io::FileError("Cannot read file", path, errno != 0 ? errno : EIO);
    }
    const std::size_t got = std::fread(bytes.data(), 1, static_cast<std::size_t>(length), file);
    if (got < static_cast<std::size_t>(length) && std::ferror(file)) {
        throw io::FileError("Cannot read file", path, errno != 0 ? errno : EIO);
    }
    bytes.truncate(static_cast<qsizetype>(got));
    return bytes;
}

// The first `lines` lines of `bytes` that end in it, as its first bytes.
qsizetype headLength(const QByteArray& bytes, int lines)
{
    qsizetype end = 0;
    for (int line = 0; line < lines; ++line) {
        const qsizetype next = bytes.indexOf('\n', end);
        if (next < 0) {
            break;
        }
        end = next + 1;
    }
    return end;
}

// Where the last `lines` complete lines of `bytes` begin; the first line, of which the start
// may be missing, never counts.
qsizetype tailStart(const QByteArray& bytes, int lines)
{
    const qsizetype firstBreak = bytes.indexOf('\n');
    if (firstBreak < 0) {
        return bytes.size();
    }
    qsizetype start = bytes.size();
    for (int line = 0; line < lines && start > firstBreak + 1; ++line) {
        const qsizetype previous = bytes.lastIndexOf('\n', start - 2);
        start = previous < firstBreak ? firstBreak + 1 : previous + 1;
    }
    return start;
}

} // namespace

ReportExcerpt readReportExcerpt(const QString& path, qint64 limitBytes, int limitLines)
{
    const std::filesystem::path file = path.toStdString();
    errno = 0;
    std::unique_ptr<std::FILE, FileCloser> handle(std::fopen(file.c_str(), "rb"));
    if (!handle) {
        throw io::FileError("Cannot open file", file, errno != 0 ? errno : EIO);
    }
    ::fseeko(handle.get(), 0, SEEK_END);
    const qint64 size = ::ftello(handle.get());
    const qint64 half = limitBytes / 2;
    if (size <= limitBytes) {
        QByteArray whole = readAt(handle.get(), 0, size, file);
        if (whole.count('\n') <= limitLines) {
            return ReportExcerpt{whole, 0};
        }
    }
    QByteArray head = readAt(handle.get(), 0, std::min(size, half), file);
    head.truncate(headLength(head, limitLines / 2));
    const qint64 tailOffset = std::max<qint64>(head.size(), size - half);
    QByteArray tail = readAt(handle.get(), tailOffset, size - tailOffset, file);
    tail.remove(0, tailStart(tail, limitLines / 2));
    const qint64 leftOut = size - head.size() - tail.size();
    QByteArray bytes = head;
    bytes += "\r\n";
    bytes += leftOutNote(leftOut, path).toUtf8();
    bytes += "\r\n\r\n";
    bytes += tail;
    return ReportExcerpt{bytes, leftOut};
}

QString leftOutNote(qint64 bytes, const QString& path)
{
    return QStringLiteral("  [ %1 bytes of the report are left out here. The whole report is \"%2\": "
                          "open it in a text editor to see all of it. ]")
        .arg(QLocale(QLocale::English).toString(bytes), path);
}

QString lineCountText(int lines)
{
    return QString::number(lines) + QStringLiteral(" lines.");
}

std::optional<CitedLine> citedLine(const QStringList& reportLines, int index)
{
    if (index < 0 || index >= reportLines.size()) {
        return std::nullopt;
    }
    // The line messages of a file's block; the run's own messages stand at no line.
    static const QRegularExpression cited(QStringLiteral("^  ! .*\\b[Ll]ine (\\d+)\\b"));
    const QRegularExpressionMatch match = cited.match(reportLines[index]);
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    static const QString heading = QStringLiteral("Point file : ");
    for (int i = index - 1; i >= 0; --i) {
        if (reportLines[i].startsWith(heading)) {
            bool ok = false;
            const int line = match.captured(1).toInt(&ok);
            if (!ok || line < 1) {
                return std::nullopt;
            }
            return CitedLine{reportLines[i].mid(heading.size()), line};
        }
        if (reportLines[i].startsWith(QStringLiteral(">> Point file Format"))) {
            break; // the heading of the run: no file above
        }
    }
    return std::nullopt;
}

QString reportPathOf(const QString& installDir)
{
    return QDir(installDir).filePath(QLatin1String(config::layout::kReport));
}

TextFileContent decodeTextFile(const QByteArray& bytes)
{
    TextFileContent content;
    const QByteArray bom("\xEF\xBB\xBF", 3);
    std::optional<QString> text;
    if (bytes.startsWith(bom) && (text = utf8Text(bytes.mid(bom.size())))) {
        content.byteOrderMark = true;
    } else if (hasNonAscii(bytes)) {
        text = utf8Text(bytes);
    }
    if (text) {
        content.encoding = TextEncoding::Utf8;
    } else {
        // Windows-1252 gives every byte a character, so nothing is lost on the way back.
        text = windows1252Text(bytes);
    }
    content.lines = splitLines(*text);
    if (const qsizetype end = bytes.indexOf('\n'); end >= 0) {
        content.lineEnd = end > 0 && bytes[end - 1] == '\r' ? QByteArrayLiteral("\r\n") : QByteArrayLiteral("\n");
    } else if (bytes.contains('\r')) {
        content.lineEnd = QByteArrayLiteral("\r");
    }
    return content;
}

int lineCountOf(int blockCount, bool lastBlockEmpty)
{
    return lastBlockEmpty ? blockCount - 1 : blockCount;
}

std::optional<QByteArray> encodeTextFile(const QStringList& lines, TextEncoding encoding, bool byteOrderMark,
                                         QString* badCharacter, const QByteArray& lineEnd)
{
    QByteArray bytes;
    if (encoding == TextEncoding::Utf8) {
        if (byteOrderMark) {
            bytes.append("\xEF\xBB\xBF", 3);
        }
        for (const QString& line : lines) {
            bytes.append(line.toUtf8());
            bytes.append(lineEnd);
        }
        return bytes;
    }
    for (const QString& line : lines) {
        if (!appendWindows1252(bytes, line, badCharacter)) {
            return std::nullopt;
        }
        bytes.append(lineEnd);
    }
    return bytes;
}

QString unencodableMessage(const QString& path, const QString& character)
{
    return QStringLiteral("Cannot save file \"%1\". The character \"%2\" cannot be written in the file's "
                          "encoding (Windows-1252); the file was left as it was.")
        .arg(path, character);
}

} // namespace mervalon::app
