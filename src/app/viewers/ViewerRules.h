#pragma once
// The rules of the text and report viewers that need no window: the texts they show, how a
// point file's bytes become the editor's text and back, and where the report lies.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

namespace mervalon::app {

inline const QString kReportNotFound = QStringLiteral("Mervalon Report file can not be found");
inline const QString kReportPrintTitle = QStringLiteral("Mervalon Log Report");
inline const QString kPrintFailed =
    QStringLiteral("The report could not be printed: no default printer is set up, or it refused the job.");
inline const QString kEditorNotStarted =
    QStringLiteral("No text editor could be started for \"%1\". Set VISUAL or EDITOR, or install xdg-open.");

inline const QString kCitedFileMissing = QStringLiteral("The point file \"%1\" is no longer there.");

/// "12 lines."
QString lineCountText(int lines);

/// A line of a point file that the report cites.
struct CitedLine {
    QString path;
    int line = 0;
    friend bool operator==(const CitedLine&, const CitedLine&) = default;
};

/// The point file line that report line `index` cites ("  ! Error in line 3: ...",
/// "  ! Line 6 is empty !"), in the file named by the "Point file : " heading above it; nothing
/// for any other line, or one outside a file's block.
std::optional<CitedLine> citedLine(const QStringList& reportLines, int index);

/// The report of the last run in the installation folder.
QString reportPathOf(const QString& installDir);

/// The bytes of a report that the viewer shows. A report of hundreds of megabytes (millions of
/// faulty lines) would take minutes and gigabytes to show whole: of a report larger than
/// `limitBytes`, or with more than `limitLines` lines, only the first and the last part (half the
/// limits each, cut at line ends) are read, with a line between them that says what is left out
/// and where the whole report is. Throws std::system_error naming the file when it cannot be read.
struct ReportExcerpt {
    QByteArray bytes;
    qint64 leftOutBytes = 0; ///< 0: the whole report
};
ReportExcerpt readReportExcerpt(const QString& path, qint64 limitBytes = 8 << 20, int limitLines = 100000);

/// The line that stands for what an excerpt leaves out.
QString leftOutNote(qint64 bytes, const QString& path);

/// How a point file's characters are stored. Point files are Windows-1252 (of which ASCII is a
/// part); a file that is valid UTF-8 with characters beyond ASCII is UTF-8, and stays so.
enum class TextEncoding { Windows1252, Utf8 };

/// A text file as the viewer holds it: its lines (without line ends) and its encoding.
struct TextFileContent {
    QStringList lines;
    TextEncoding encoding = TextEncoding::Windows1252;
    bool byteOrderMark = false; ///< a UTF-8 file that began with one keeps it
    /// The file's own line end, that of its first line: "\r\n", "\n" or "\r"; "\r\n" for a
    /// file without one.
    QByteArray lineEnd = QByteArrayLiteral("\r\n");
};

/// Splits the bytes into lines at CR LF, LF or CR; a line end at the very end makes no
/// further empty line. Every byte decodes to a character, so an unedited text saves back to
/// the same bytes apart from its line ends.
TextFileContent decodeTextFile(const QByteArray& bytes);

/// The number of lines of a document of `blockCount` blocks whose last block is empty or not;
/// the same count that saving writes.
int lineCountOf(int blockCount, bool lastBlockEmpty);

/// The file's bytes for `lines`, each ended by `lineEnd` (CR LF unless told), in the file's
/// encoding; none when a character cannot be written in it (`badCharacter` then names the
/// first such character).
std::optional<QByteArray> encodeTextFile(const QStringList& lines, TextEncoding encoding, bool byteOrderMark,
                                         QString* badCharacter = nullptr,
                                         const QByteArray& lineEnd = QByteArrayLiteral("\r\n"));

/// The message for a text that holds a character the file's encoding lacks.
QString unencodableMessage(const QString& path, const QString& character);

} // namespace mervalon::app
