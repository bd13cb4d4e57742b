#include "app/viewers/ViewerRules.h"

#include "core/config/InstallationLayout.h"
#include "core/spreadsheet/TextCodec.h"

#include <QDir>
#include <QStringDecoder>

#include <algorithm>

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

} // namespace

QString lineCountText(int lines)
{
    return QString::number(lines) + QStringLiteral(" lines.");
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
    return content;
}

int lineCountOf(int blockCount, bool lastBlockEmpty)
{
    return lastBlockEmpty ? blockCount - 1 : blockCount;
}

std::optional<QByteArray> encodeTextFile(const QStringList& lines, TextEncoding encoding, bool byteOrderMark,
                                         QString* badCharacter)
{
    QByteArray bytes;
    if (encoding == TextEncoding::Utf8) {
        if (byteOrderMark) {
            bytes.append("\xEF\xBB\xBF", 3);
        }
        for (const QString& line : lines) {
            bytes.append(line.toUtf8());
            bytes.append("\r\n", 2);
        }
        return bytes;
    }
    for (const QString& line : lines) {
        if (!appendWindows1252(bytes, line, badCharacter)) {
            return std::nullopt;
        }
        bytes.append("\r\n", 2);
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
