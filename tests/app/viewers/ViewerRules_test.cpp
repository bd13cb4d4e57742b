#include "app/AppTestSupport.h"
#include "app/shell/Interaction.h"
#include "app/viewers/ViewerRules.h"

#include <QFile>
#include <QTemporaryDir>

using namespace mervalon::app;
using mervalon::app::testing::TestEnvironment;

class ViewerRulesTest : public QObject {
    Q_OBJECT
  public:
    explicit ViewerRulesTest(TestEnvironment& environment) : m_environment(environment) {}

  private slots:
    void linesAreSplitAtEveryLineEnd_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << QStringList{"a", "b"};
        QTest::newRow("no final line end") << QByteArray("a\r\nb") << QStringList{"a", "b"};
        QTest::newRow("LF and CR") << QByteArray("a\nb\rc") << QStringList{"a", "b", "c"};
        QTest::newRow("empty lines kept") << QByteArray("a\r\n\r\nb\r\n") << QStringList{"a", "", "b"};
        QTest::newRow("empty file") << QByteArray() << QStringList{};
    }
    void linesAreSplitAtEveryLineEnd()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lines);
        QCOMPARE(decodeTextFile(bytes).lines, lines);
    }

    void everyWindows1252ByteComesBackUnchanged()
    {
        QByteArray bytes;
        for (int byte = 0; byte < 256; ++byte) {
            if (byte != '\r' && byte != '\n') {
                bytes.append(static_cast<char>(byte));
            }
        }
        bytes.append("\r\n");
        const TextFileContent content = decodeTextFile(bytes);
        QVERIFY(content.encoding == TextEncoding::Windows1252);
        QCOMPARE(content.lines.size(), 1);
        QCOMPARE(content.lines[0].at(0xB0 - 2), QChar(0x00B0)); // the degree sign
        QCOMPARE(content.lines[0].at(0x80 - 2), QChar(0x20AC)); // the euro sign
        QCOMPARE(encodeTextFile(content.lines, content.encoding, false).value_or(QByteArray()), bytes);
    }

    void utf8FilesStayUtf8()
    {
        const QByteArray bytes("1,10.0,20.0,Bj\xC3\xB6rk \xE2\x82\xAC\r\n");
        const TextFileContent content = decodeTextFile(bytes);
        QVERIFY(content.encoding == TextEncoding::Utf8);
        QCOMPARE(content.lines[0], QStringLiteral("1,10.0,20.0,Bj\u00F6rk \u20AC"));
        QCOMPARE(encodeTextFile(content.lines, content.encoding, false).value_or(QByteArray()), bytes);
        const QByteArray withMark = "\xEF\xBB\xBF" + bytes;
        const TextFileContent marked = decodeTextFile(withMark);
        QVERIFY(marked.byteOrderMark);
        QCOMPARE(marked.lines, content.lines);
        QCOMPARE(encodeTextFile(marked.lines, marked.encoding, true).value_or(QByteArray()), withMark);
    }

    void aCharacterWindows1252LacksIsRefused()
    {
        QString bad;
        QVERIFY(!encodeTextFile({"ok", QStringLiteral("\u4E2D")}, TextEncoding::Windows1252, false, &bad));
        QCOMPARE(bad, QStringLiteral("\u4E2D"));
        QCOMPARE(encodeTextFile({QStringLiteral("\u20AC")}, TextEncoding::Windows1252, false).value_or(QByteArray()),
                 QByteArray("\x80\r\n"));
    }

    void theLineCountIsWhatSavingWrites()
    {
        QCOMPARE(lineCountOf(1, true), 0); // an empty document
        QCOMPARE(lineCountOf(3, false), 3);
        QCOMPARE(lineCountOf(3, true), 2); // a final line break
        QCOMPARE(lineCountText(12), QStringLiteral("12 lines."));
    }

    void theEditorGetsThePathAsOneArgument_data()
    {
        QTest::addColumn<QString>("visual");
        QTest::addColumn<QString>("editor");
        QTest::addColumn<QStringList>("first");
        const QString path = "/home/u/My Survey/site 1.txt";
        QTest::newRow("VISUAL with an option") << "code --wait"
                                               << "vi" << QStringList{"code", "--wait", path};
        QTest::newRow("EDITOR alone") << ""
                                      << "gedit" << QStringList{"gedit", path};
        QTest::newRow("quoted program") << "\"/opt/my editor/ed\""
                                        << "" << QStringList{"/opt/my editor/ed", path};
        QTest::newRow("neither") << ""
                                 << "" << QStringList{"xdg-open", path};
        QTest::newRow("no shell: metacharacters are words") << "ed; rm -rf ~"
                                                            << "" << QStringList{"ed;", "rm", "-rf", "~", path};
    }
    void theEditorGetsThePathAsOneArgument()
    {
        QFETCH(QString, visual);
        QFETCH(QString, editor);
        QFETCH(QStringList, first);
        const QString path = "/home/u/My Survey/site 1.txt";
        const QList<EditorCommand> commands = editorCommands(path, visual, editor);
        QCOMPARE(QStringList{commands.front().program} + commands.front().arguments, first);
        QCOMPARE(commands.back(), (EditorCommand{"xdg-open", {path}}));
        QCOMPARE(commands.size(), 1 + (visual.isEmpty() ? 0 : 1) + (editor.isEmpty() ? 0 : 1));
    }

    void aFileKeepsItsOwnLineEnds_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("lineEnd");
        QTest::newRow("CR LF") << QByteArray("1,2,3\r\n4,5,6\r\n") << QByteArray("\r\n");
        QTest::newRow("LF") << QByteArray("1,2,3\n4,5,6\n") << QByteArray("\n");
        QTest::newRow("CR") << QByteArray("1,2,3\r4,5,6\r") << QByteArray("\r");
        QTest::newRow("none: CR LF") << QByteArray("1,2,3") << QByteArray("\r\n");
        QTest::newRow("mixed: the first line's") << QByteArray("1,2,3\n4,5,6\r\n") << QByteArray("\n");
    }
    void aFileKeepsItsOwnLineEnds()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, lineEnd);
        const TextFileContent content = decodeTextFile(bytes);
        QCOMPARE(content.lineEnd, lineEnd);
        const QByteArray saved =
            encodeTextFile(content.lines, content.encoding, false, nullptr, content.lineEnd).value_or(QByteArray());
        QCOMPARE(saved, content.lines.join(QLatin1String(lineEnd)).toLatin1() + lineEnd);
    }

    void onADesktopItsHandlerComesFirstAndTerminalEditorsGetATerminal()
    {
        const QString path = "/home/u/My Survey/site 1.txt";
        const QList<EditorCommand> commands = editorCommands(path, "code --wait", "vi", true);
        QCOMPARE(commands, (QList<EditorCommand>{{"xdg-open", {path}},
                                                 {"x-terminal-emulator", {"-e", "code", "--wait", path}},
                                                 {"x-terminal-emulator", {"-e", "vi", path}}}));
        QCOMPARE(editorCommands(path, "", "", true), (QList<EditorCommand>{{"xdg-open", {path}}}));
    }

    // A report of millions of lines is shown by its first and last lines and a note between
    // them; a report within the limits is shown whole, byte for byte.
    void aLargeReportIsShownByItsFirstAndLastLines()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("mervalon40.log"));
        const auto write = [&path](const QByteArray& bytes) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(bytes);
        };
        QByteArray small;
        for (int i = 1; i <= 10; ++i) {
            small += "  ! Error in line " + QByteArray::number(i) + ": X coordinate is missing !\r\n";
        }
        write(small);
        QCOMPARE(readReportExcerpt(path, 1000, 10).bytes, small);
        QCOMPARE(readReportExcerpt(path, 1000, 10).leftOutBytes, 0);

        // Too many lines: 4 from the start, 4 from the end.
        ReportExcerpt lines = readReportExcerpt(path, 1000, 8);
        const QList<QByteArray> shown = lines.bytes.split('\n');
        QCOMPARE(shown.size(), 12); // 4, an empty line, the note, an empty line, 4, the end after the last break
        QVERIFY(shown[0].startsWith("  ! Error in line 1:"));
        QVERIFY(shown[3].startsWith("  ! Error in line 4:"));
        QCOMPARE(shown[4], QByteArray("\r"));
        QCOMPARE(shown[5], leftOutNote(lines.leftOutBytes, path).toUtf8() + "\r");
        QCOMPARE(shown[6], QByteArray("\r"));
        QVERIFY(shown[7].startsWith("  ! Error in line 7:"));
        QVERIFY(shown[10].startsWith("  ! Error in line 10:"));
        const QByteArray line5 = "  ! Error in line 5: X coordinate is missing !\r\n";
        QCOMPARE(lines.leftOutBytes, 2 * line5.size());

        // Too many bytes: of 10 million empty lines, a few megabytes at most are read.
        QByteArray huge(20'000'000, '\n');
        huge.prepend("Mervalon Report - 2026-12-09\r\n");
        huge.append(">> Process aborted.\r\n");
        write(huge);
        const ReportExcerpt excerpt = readReportExcerpt(path);
        QVERIFY(excerpt.bytes.size() < 200'000);
        QVERIFY(excerpt.bytes.startsWith("Mervalon Report - 2026-12-09\r\n"));
        QVERIFY(excerpt.bytes.endsWith(">> Process aborted.\r\n"));
        QVERIFY(excerpt.bytes.contains(leftOutNote(excerpt.leftOutBytes, path).toUtf8()));
        QCOMPARE(leftOutNote(1234567, QStringLiteral("/r.log")),
                 QStringLiteral("  [ 1,234,567 bytes of the report are left out here. The whole report is \"/r.log\": "
                                "open it in a text editor to see all of it. ]"));
    }

  private:
    TestEnvironment& m_environment;

    void theReportCitesLinesOfTheFileAbove_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("line");
        QTest::newRow("error") << 5 << "/data/site one.txt" << 3;
        QTest::newRow("empty line") << 6 << "/data/site one.txt" << 6;
        QTest::newRow("warning") << 7 << "/data/site one.txt" << 7;
        QTest::newRow("second file") << 12 << "/data/b.txt" << 12;
        QTest::newRow("a file's summary") << 9 << "" << 0;
        QTest::newRow("the run's heading") << 2 << "" << 0;
        QTest::newRow("before any file") << 3 << "" << 0;
        QTest::newRow("past the end") << 40 << "" << 0;
    }

    void theReportCitesLinesOfTheFileAbove()
    {
        const QStringList report{"Mervalon Report - 12/09/26 10:00:00",
                                 "-----------------------------------",
                                 ">> Point file Format : !default (Text format)",
                                 "  ! Line 2 of nothing !",
                                 "Point file : /data/site one.txt",
                                 "  ! Error in line 3: X coordinate is not a decimal value !",
                                 "  ! Line 6 is empty !",
                                 "  ! Warning in line 7: Polyline Code is missing !",
                                 "",
                                 ">> 9 lines processed.",
                                 "Point file : /data/b.txt",
                                 "---",
                                 "  ! Error in line 12: Y coordinate is missing !"};
        QFETCH(int, index);
        QFETCH(QString, path);
        QFETCH(int, line);
        const std::optional<CitedLine> cited = citedLine(report, index);
        QCOMPARE(cited.has_value(), line != 0);
        if (cited) {
            QCOMPARE(cited->path, path);
            QCOMPARE(cited->line, line);
        }
    }
};

MERVALON_APP_TEST_MAIN(ViewerRulesTest)
#include "ViewerRules_test.moc"
