#include "app/AppTestSupport.h"
#include "app/common/ElidedLabel.h"
#include "app/files/FilePages.h"
#include "app/files/FileSelectionPanel.h"
#include "app/mainwindow/MainWindowPage.h"
#include "app/shell/QtInteraction.h"
#include "app/spreadsheet/SpreadsheetPreviewControls.h"
#include "app/viewers/ReportViewer.h"
#include "app/viewers/ReportViewerControls.h"
#include "app/viewers/TextViewer.h"
#include "app/viewers/TextViewerControls.h"
#include "app/viewers/ViewerPages.h"
#include "app/viewers/ViewerRules.h"
#include "app/viewers/Viewers.h"
#include "core/io/ReplaceFile.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextDocument>
#include <QToolButton>
#include <QtTest>
#include <utility>
#include <vector>

using namespace mervalon::app;
using namespace mervalon::app::testing;

class ViewersTest : public QObject {
    Q_OBJECT
  public:
    explicit ViewersTest(TestEnvironment& environment) : m_environment(environment) {}

  private slots:
    void init()
    {
        m_environment.reset();
        m_survey = m_environment.home() + "/My Survey";
        writeFile(m_survey + "/site.txt",
                  "1,10.0,20.0,3.5,Bj\xF6rk\xA0\xB0\r\n2,11.0,21.0,3.6,PT\r\n3,12.0,22.0,3.7,PT");
        m_installDir = TestEnvironment::install();
        storeValue("lastpath", m_survey);
        m_program = startProgram(m_interaction);
        m_window = &m_program->mainWindow();
        m_interaction.calls.clear();
    }
    void cleanup()
    {
        m_program.reset();
        m_interaction = FakeInteraction();
    }

    void viewEditFileOpensTheTextViewer()
    {
        QString path;
        QString count;
        QString text;
        bool closeHasFocus = false;
        m_interaction.dialogScripts.push_back([&](QDialog& dialog) {
            dialog.show();
            path = TextViewerPage(dialog).pathLabel()->fullText();
            count = TextViewerPage(dialog).lineCountLabel()->text();
            // Block by block: toPlainText() would show the no-break space as a blank.
            const QTextDocument* document = TextViewerPage(dialog).editor()->document();
            for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
                text += block.text() + '|';
            }
            closeHasFocus = TextViewerPage(dialog).closeButton()->hasFocus() ||
                            dialog.focusWidget() == TextViewerPage(dialog).closeButton();
            return int(QDialog::Rejected);
        });
        // The file list's context menu, as the user reaches it.
        auto* list = FileSelectionPage(*m_window).fileList();
        list->setCurrentRow(0);
        FileSelectionPage(*m_window).previewAction()->trigger();
        QCOMPARE(m_interaction.calls, QStringList{dialogCall(TextViewerControls::window)});
        QCOMPARE(path, m_survey + "/site.txt");
        QCOMPARE(count, QStringLiteral("3 lines."));
        QCOMPARE(text, QStringLiteral("1,10.0,20.0,3.5,Bj\u00F6rk\u00A0\u00B0|2,11.0,21.0,3.6,PT|3,12.0,22.0,3.7,PT|"));
        QVERIFY(closeHasFocus);
        QCOMPARE(m_program->viewers().previewFileName(), m_survey + "/site.txt");
    }

    void theLineCountFollowsEveryChange()
    {
        TextViewer& viewer = m_program->textViewer();
        QVERIFY(viewer.load(m_survey + "/site.txt"));
        auto* editor = TextViewerPage(viewer).editor();
        editor->appendPlainText("4,13.0,23.0,3.8,PT");
        QCOMPARE(TextViewerPage(viewer).lineCountLabel()->text(), QStringLiteral("4 lines."));
        editor->setPlainText("");
        QCOMPARE(TextViewerPage(viewer).lineCountLabel()->text(), QStringLiteral("0 lines."));
    }

    void saveWritesTheLinesWithCrLfInTheFilesEncoding()
    {
        TextViewer& viewer = m_program->textViewer();
        QVERIFY(viewer.load(m_survey + "/site.txt"));
        auto* editor = TextViewerPage(viewer).editor();
        editor->appendPlainText(QStringLiteral("4,13.0,23.0,3.8,\u20AC"));
        TextViewerPage(viewer).saveButton()->click();
        QCOMPARE(readFile(m_survey + "/site.txt"),
                 QByteArray("1,10.0,20.0,3.5,Bj\xF6rk\xA0\xB0\r\n2,11.0,21.0,3.6,PT\r\n3,12.0,22.0,3.7,PT\r\n"
                            "4,13.0,23.0,3.8,\x80\r\n"));
        QVERIFY(m_interaction.calls.isEmpty());
        QVERIFY(QDir(m_survey).entryList(QDir::Files) == QStringList{"site.txt"});
    }

    void closingWithUnsavedEditsAsksFirst_data()
    {
        QTest::addColumn<QString>("way"); // "escape", "close button", "close box"
        QTest::addColumn<MessageAnswer>("answer");
        QTest::addColumn<bool>("closed");
        QTest::addColumn<bool>("saved");
        for (const char* way : {"escape", "close button", "close box"}) {
            QTest::addRow("%s, cancel", way) << way << MessageAnswer::Cancel << false << false;
            QTest::addRow("%s, no", way) << way << MessageAnswer::No << true << false;
            QTest::addRow("%s, yes", way) << way << MessageAnswer::Yes << true << true;
        }
    }

    void closingWithUnsavedEditsAsksFirst()
    {
        QFETCH(QString, way);
        QFETCH(MessageAnswer, answer);
        QFETCH(bool, closed);
        QFETCH(bool, saved);
        const QByteArray original = readFile(m_survey + "/site.txt");
        TextViewer& viewer = m_program->textViewer();
        QVERIFY(viewer.load(m_survey + "/site.txt"));
        viewer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&viewer));
        const auto close = [&] {
            if (way == QLatin1String("escape")) {
                QTest::keyClick(&viewer, Qt::Key_Escape);
            } else if (way == QLatin1String("close button")) {
                TextViewerPage(viewer).closeButton()->click();
            } else {
                viewer.close();
            }
        };
        close(); // nothing edited: closes without a question
        QVERIFY(!viewer.isVisible());
        QVERIFY(m_interaction.messages.empty());

        viewer.show();
        TextViewerPage(viewer).editor()->appendPlainText("4,13.0,23.0,3.8,PT");
        m_interaction.answers.push_back(answer);
        close();
        QCOMPARE(m_interaction.messages.size(), std::size_t(1));
        QCOMPARE(m_interaction.messages[0].text, TextViewer::kUnsavedQuestion);
        QCOMPARE(m_interaction.messages[0].buttons, MessageButtons::YesNoCancel);
        QCOMPARE(viewer.isVisible(), !closed);
        QCOMPARE(readFile(m_survey + "/site.txt") != original, saved);
        viewer.hide();
    }

    void aUtf8FileIsSavedAsUtf8()
    {
        writeFile(m_survey + "/utf8.txt", "1,10.0,20.0,3.5,Caf\xC3\xA9\n");
        TextViewer& viewer = m_program->textViewer();
        QVERIFY(viewer.load(m_survey + "/utf8.txt"));
        QVERIFY(viewer.save());
        // Its line ends (LF) are its own, and stay.
        QCOMPARE(readFile(m_survey + "/utf8.txt"), QByteArray("1,10.0,20.0,3.5,Caf\xC3\xA9\n"));
        QCOMPARE(TextViewerPage(viewer).lineCountLabel()->text(), QStringLiteral("1 lines.  Saved."));
        TextViewerPage(viewer).editor()->appendPlainText("2,1,1,1,PT");
        QCOMPARE(TextViewerPage(viewer).lineCountLabel()->text(), QStringLiteral("2 lines."));
    }

    void aFailedSaveIsReportedAndTheFileStays()
    {
        writeFile(m_survey + "/sub/p.txt", "1,2,3\r\n");
        TextViewer& viewer = m_program->textViewer();
        QVERIFY(viewer.load(m_survey + "/sub/p.txt"));
        TextViewerPage(viewer).editor()->setPlainText(QStringLiteral("1,2,\u4E2D"));
        QVERIFY(!viewer.save());
        QCOMPARE(m_interaction.messages.back().text,
                 unencodableMessage(m_survey + "/sub/p.txt", QStringLiteral("\u4E2D")));
        QCOMPARE(readFile(m_survey + "/sub/p.txt"), QByteArray("1,2,3\r\n"));

        // A folder that can no longer be written: the file beside cannot be made.
        TextViewerPage(viewer).editor()->setPlainText("1,2,4");
        QFile::rename(m_survey + "/sub", m_survey + "/gone");
        QVERIFY(!viewer.save());
        QVERIFY(m_interaction.messages.back().icon == MessageIcon::Error);
        QVERIFY(m_interaction.messages.back().text.startsWith("Cannot save file"));
        QVERIFY(!QFileInfo::exists(m_survey + "/sub"));
        QCOMPARE(readFile(m_survey + "/gone/p.txt"), QByteArray("1,2,3\r\n"));
    }

    // A point file the user has write-protected is kept as it is, with a message that says why.
    void aWriteProtectedFileIsNotReplaced()
    {
        const QString path = m_survey + "/protected.txt";
        writeFile(path, "1,2,3\r\n");
        QFile(path).setPermissions(QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
        TextViewer& viewer = m_program->textViewer();
        QVERIFY(viewer.load(path));
        TextViewerPage(viewer).editor()->setPlainText("1,2,4");
        QVERIFY(!viewer.save());
        QCOMPARE(m_interaction.messages.back().icon, MessageIcon::Error);
        QCOMPARE(m_interaction.messages.back().text,
                 QStringLiteral("Cannot save file \"%1\". %2")
                     .arg(path, QString::fromLatin1(mervalon::io::kWriteProtected)));
        QCOMPARE(readFile(path), QByteArray("1,2,3\r\n"));
        QFile(path).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }

    void anUnreadableFileShowsTheSystemsError()
    {
        m_program->viewers().viewFile(m_survey + "/missing.txt");
        QCOMPARE(m_interaction.messages.size(), std::size_t(1));
        QVERIFY(m_interaction.messages[0].icon == MessageIcon::Error);
        QVERIFY(m_interaction.messages[0].text.contains("missing.txt"));
        QVERIFY(!m_interaction.calls.contains(dialogCall(TextViewerControls::window)));
    }

    void notepadGetsTheFileAndNoWindowOpens()
    {
        MainWindowPage(*m_window).textEditorButton()->click();
        m_program->viewers().viewFile(m_survey + "/site.txt");
        QCOMPARE(m_interaction.calls, QStringList{"editor: " + m_survey + "/site.txt"});
        m_interaction.editorStarts = false;
        m_program->viewers().viewFile(m_survey + "/site.txt");
        QCOMPARE(m_interaction.messages.back().text, kEditorNotStarted.arg(m_survey + "/site.txt"));
    }

    void aTextFileNamedXlsTakesTheTextPath()
    {
        writeFile(m_survey + "/points.xls", "1,2,3\r\n");
        m_program->viewers().viewFile(m_survey + "/points.xls");
        QCOMPARE(m_interaction.calls, QStringList{dialogCall(TextViewerControls::window)});
    }

    void aWorkbookNamedTxtGoesToTheSpreadsheetPreview()
    {
        QVERIFY(QFile::copy(QStringLiteral(MERVALON_SOURCE_DIR "/tests/core/spreadsheet/fixtures/biff8_survey.xls"),
                            m_survey + "/survey.txt"));
        m_program->viewers().viewFile(m_survey + "/survey.txt");
        QCOMPARE(m_interaction.calls, QStringList{dialogCall(SpreadsheetPreviewControls::window)});
        // Whichever viewer is chosen: the editor gets no workbook either.
        MainWindowPage(*m_window).textEditorButton()->click();
        m_program->viewers().viewFile(m_survey + "/survey.txt");
        QCOMPARE(m_interaction.calls, (QStringList{dialogCall(SpreadsheetPreviewControls::window),
                                                   dialogCall(SpreadsheetPreviewControls::window)}));
    }

    void noReportIsNotFoundInBothViewerChoices()
    {
        const MainWindowPage window(*m_window);
        for (QRadioButton* viewerChoice : {window.internalViewerButton(), window.textEditorButton()}) {
            viewerChoice->click();
            for (QToolButton* logButton :
                 {window.lastReportButton(), window.optionsLastReportButton(), window.aboutLastReportButton()}) {
                m_interaction.calls.clear();
                logButton->click();
                QCOMPARE(m_interaction.calls, QStringList{"message: " + kReportNotFound});
            }
        }
        QVERIFY(m_interaction.messages.back().icon == MessageIcon::Information);
    }

    void theLastReportIsShownAndPrinted()
    {
        writeFile(report(), "Mervalon Report - now\r\n---\r\n\r\n>> Dxf file created: /x/caf\xE9.dxf\r\n");
        QString shown;
        m_interaction.dialogScripts.push_back([&](QDialog& dialog) {
            shown = ReportViewerPage(dialog).reportView()->toPlainText();
            ReportViewerPage(dialog).printButton()->click();
            return int(QDialog::Rejected);
        });
        MainWindowPage(*m_window).lastReportButton()->click();
        const QString expected = QStringLiteral("Mervalon Report - now\n---\n\n>> Dxf file created: /x/caf\u00E9.dxf");
        QCOMPARE(shown, expected);
        QCOMPARE(m_interaction.calls,
                 (QStringList{dialogCall(ReportViewerControls::window), "print: Mervalon Log Report"}));
        QCOMPARE(m_interaction.printedTexts, QStringList{expected});
        QVERIFY(ReportViewerPage(m_program->reportViewer()).reportView()->isReadOnly());
    }

    void aDoubleClickOnACitedLineOpensThePointFileThere()
    {
        writeFile(report(), QByteArray("Mervalon Report - now\r\n\r\nPoint file : ") + m_survey.toUtf8() +
                                "/site.txt\r\n----\r\n  ! Error in line 3: X coordinate is not a decimal value !\r\n");
        int line = 0;
        QString selected;
        QString margin;
        bool editorHasFocus = false;
        m_interaction.dialogScripts.push_back([&](QDialog& dialog) {
            auto* view = ReportViewerPage(dialog).reportView();
            dialog.show();
            // The cited line is the fifth: a real double click on it.
            const QTextBlock cited = view->document()->findBlockByNumber(4);
            const QRect where = view->cursorRect(QTextCursor(cited));
            QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, where.center());
            return int(QDialog::Rejected);
        });
        m_interaction.dialogScripts.push_back([&](QDialog& dialog) {
            dialog.show();
            auto* editor = TextViewerPage(dialog).editor();
            line = editor->textCursor().blockNumber() + 1;
            selected = editor->textCursor().selectedText();
            editorHasFocus = dialog.focusWidget() == editor;
            return int(QDialog::Rejected);
        });
        MainWindowPage(*m_window).lastReportButton()->click();
        QCOMPARE(m_interaction.calls,
                 (QStringList{dialogCall(ReportViewerControls::window), dialogCall(TextViewerControls::window)}));
        QCOMPARE(line, 3);
        QCOMPARE(selected, QStringLiteral("3,12.0,22.0,3.7,PT"));
        QVERIFY(editorHasFocus);
    }

    void goToLineSelectsTheLineAndClampsToTheFile()
    {
        TextViewer& viewer = m_program->textViewer();
        QVERIFY(viewer.load(m_survey + "/site.txt"));
        auto* editor = TextViewerPage(viewer).editor();
        auto* field = TextViewerPage(viewer).goToLineField();
        for (const auto& [typed, expected] : std::vector<std::pair<QString, int>>{{"2", 2}, {"99", 3}, {"1", 1}}) {
            field->setText(typed);
            QTest::keyClick(field, Qt::Key_Return);
            QCOMPARE(editor->textCursor().blockNumber() + 1, expected);
            QCOMPARE(editor->textCursor().selectedText(), editor->document()->findBlockByNumber(expected - 1).text());
        }
        viewer.unload();
        QCOMPARE(field->text(), QString());
    }

    void aFailedPrintIsReported()
    {
        writeFile(report(), "report\r\n");
        m_interaction.printSucceeds = false;
        QVERIFY(m_program->reportViewer().load(report()));
        QVERIFY(!m_program->reportViewer().print());
        QCOMPARE(m_interaction.messages.back().text, kPrintFailed);
        QVERIFY(m_interaction.messages.back().icon == MessageIcon::Error);
    }

    void withNotepadTheReportGoesToTheEditor()
    {
        writeFile(report(), "report\r\n");
        MainWindowPage(*m_window).textEditorButton()->click();
        MainWindowPage(*m_window).optionsLastReportButton()->click();
        QCOMPARE(m_interaction.calls, QStringList{"editor: " + report()});
    }

    void anUnreadableReportIsNeverShownStale()
    {
        writeFile(report(), "the old report\r\n");
        QVERIFY(m_program->reportViewer().load(report()));
        QFile::remove(report());
        QDir().mkpath(report()); // exists, but cannot be read as a file
        MainWindowPage(*m_window).aboutLastReportButton()->click();
        QCOMPARE(m_interaction.messages.size(), std::size_t(1));
        QVERIFY(m_interaction.messages[0].icon == MessageIcon::Error);
        QVERIFY(!m_interaction.calls.contains(dialogCall(ReportViewerControls::window)));
        QCOMPARE(m_program->reportViewer().text(), QString());
    }

    void printingMakesOneTitledJob()
    {
        const QString pdf = m_environment.root() + "/report.pdf";
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        QVERIFY(printPlainText(printer, kReportPrintTitle, "Mervalon Report - now\n>> Process aborted."));
        const QByteArray bytes = readFile(pdf);
        QVERIFY(bytes.startsWith("%PDF-"));
        QCOMPARE(bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r") + bytes.count("/Type /Page "), 1);
        QVERIFY(bytes.contains(titleInPdf(kReportPrintTitle)));
    }

  private:
    QString report() const { return m_installDir + "/mervalon40.log"; }
    // The PDF's document information holds the title as UTF-16 with a byte order mark.
    static QByteArray titleInPdf(const QString& title)
    {
        QByteArray utf16("\xFE\xFF", 2);
        for (const QChar c : title) {
            utf16.append(static_cast<char>(c.unicode() >> 8));
            utf16.append(static_cast<char>(c.unicode() & 0xFF));
        }
        return utf16;
    }

    TestEnvironment& m_environment;
    FakeInteraction m_interaction;
    std::unique_ptr<Program> m_program;
    MainWindow* m_window = nullptr;
    QString m_survey;
    QString m_installDir;
};

MERVALON_APP_TEST_MAIN(ViewersTest)
#include "Viewers_test.moc"
