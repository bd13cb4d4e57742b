#include "app/AppTestSupport.h"
#include "app/entities/EntityPanels.h"
#include "app/entities/EntityPanelsControls.h"
#include "app/files/FilePages.h"
#include "app/files/FileSelectionPanel.h"
#include "app/mainwindow/MainWindowPage.h"
#include "app/order/EntitiesOrderDialog.h"
#include "app/run/ProgressWindow.h"
#include "app/run/ProgressWindowPage.h"
#include "app/run/RunCommand.h"
#include "app/run/RunRules.h"
#include "app/viewers/ReportViewer.h"
#include "app/viewers/ReportViewerControls.h"
#include "cli/ConvertCommand.h"
#include "core/formats/FormatDefinition.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QToolButton>
#include <sstream>

using namespace mervalon;
using namespace mervalon::app;
using namespace mervalon::app::testing;
using mervalon::config::EntityKind;
using mervalon::formats::PointValue;

namespace {

const QByteArray kStamp = "08/12/2026 23:59:59";

// A clean point file of `points` lines in the shipped default format.
QByteArray pointLines(int points)
{
    QByteArray lines;
    for (int i = 1; i <= points; ++i) {
        lines += QByteArray::number(i) + ',' + QByteArray::number(1000 + i) + ".250," + QByteArray::number(2000 + i) +
                 ".500,15.25,PT\r\n";
    }
    return lines;
}

QByteArray withoutTitle(const QByteArray& report)
{
    // The title line and its dashes carry the time of the run.
    QList<QByteArray> lines = report.split('\n');
    return lines.mid(2).join('\n');
}

} // namespace

class RunCommandTest : public QObject {
    Q_OBJECT
  public:
    explicit RunCommandTest(TestEnvironment& environment) : m_environment(environment) {}

  private slots:
    void init()
    {
        m_environment.reset();
        m_survey = m_environment.home() + "/Survey 2024";
        m_destination = m_environment.home() + "/drawings";
        writeFile(m_survey + "/a-site.txt",
                  readFile(QStringLiteral(MERVALON_SOURCE_DIR "/examples/road-and-building-survey.txt")));
        writeFile(m_survey + "/b-faulty.txt", "1,100.0,200.0,10.0,PT\r\n2,,200.0,10.0,PT\r\n3,101.0,201.0,10.0,PT\r\n");
        QDir().mkpath(m_destination);
        m_installDir = TestEnvironment::install();
        storeValue("lastpath", m_survey);
        storeValue("lastpath2", m_destination);
        storeValue("locked", 0);
        m_program = startProgram(m_interaction);
        m_window = &m_program->mainWindow();
        m_program->runCommand().timestamp = [] { return kStamp.toStdString(); };
        m_window->selectErrorPolicy(ErrorPolicy::SkipLine);
        m_window->selectReportPolicy(ReportPolicy::Always);
        chooseFormat("!default");
        m_interaction.calls.clear();
        m_interaction.messages.clear();
    }
    void cleanup()
    {
        m_program.reset();
        m_interaction = FakeInteraction();
    }

    void theProgressWindowIsBuiltAsDesigned()
    {
        const ProgressWindow& progress = m_program->progressWindow();
        QCOMPARE(progress.windowTitle(), QStringLiteral(" Processing files ..."));
        QVERIFY(progress.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(!progress.windowFlags().testFlag(Qt::WindowCloseButtonHint));
        QCOMPARE(ProgressWindowPage(progress).stopButton()->text(), QStringLiteral("Stop process"));
        QCOMPARE(ProgressWindowPage(progress).fileCountLabel()->text(), QString());
        QVERIFY(progress.size().expandedTo(QSize(361, 92)) == progress.size());
        QVERIFY(!progress.isVisible());
    }

    void anExcelFormatOnTextFilesWritesNothing()
    {
        writeFile(report(), "the previous report\r\n");
        chooseFormat("excel penzdc");
        selectAll();
        createDxfFiles();
        QCOMPARE(m_interaction.messages.size(), std::size_t(1));
        QVERIFY(m_interaction.messages[0].icon == MessageIcon::Information);
        QVERIFY(m_interaction.messages[0].buttons == MessageButtons::Ok);
        QCOMPARE(m_interaction.messages[0].text, kExcelFormatForTextFiles);
        QCOMPARE(readFile(report()), QByteArray("the previous report\r\n"));
        QVERIFY(QDir(m_destination).isEmpty());
    }

    void aLayerNameOrHeightTheTabsRefuseWritesNothing_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("message");
        QTest::newRow("point layer") << QString::fromLatin1(EntityPanelsControls::layerEdit(EntityKind::Point))
                                     << "bad name" << 0 << EntityPanels::kBadLayerName;
        QTest::newRow("description layer")
            << QString::fromLatin1(EntityPanelsControls::layerEdit(EntityKind::Description)) << "My texts" << 5
            << EntityPanels::kBadLayerName;
        QTest::newRow("elevation height")
            << QString::fromLatin1(EntityPanelsControls::heightEdit(EntityKind::Elevation)) << "abcX" << 4
            << EntityPanels::kBadHeight;
        QTest::newRow("number height with a comma")
            << QString::fromLatin1(EntityPanelsControls::heightEdit(EntityKind::Number)) << "1,5" << 1
            << EntityPanels::kBadHeight;
    }

    void aLayerNameOrHeightTheTabsRefuseWritesNothing()
    {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(int, page);
        QFETCH(QString, message);
        writeFile(report(), "the previous report\r\n");
        selectAll();
        EntityPanels& panels = m_window->entityPanels();
        panels.setCurrentIndex(2);
        auto* edit = control<QLineEdit>(*m_window, field.toLatin1().constData());
        edit->setText(typed); // typed, never left: the run is the first to see it
        createDxfFiles();
        QCOMPARE(m_interaction.messages.size(), std::size_t(1));
        QCOMPARE(m_interaction.messages[0].text, message);
        QCOMPARE(panels.currentIndex(), page);
        QCOMPARE(edit->text(), typed);
        QCOMPARE(edit->selectedText(), typed);
        QCOMPARE(readFile(report()), QByteArray("the previous report\r\n"));
        QVERIFY(QDir(m_destination).isEmpty());
    }

    void aTextFormatOnWorkbooksWritesNothing()
    {
        writeFile(m_survey + "/c.xls", "not read\r\n");
        m_window->files().selectFileType(1);
        m_window->files().fileTypeChanged();
        selectAll();
        QCOMPARE(m_window->selectedFiles(), QStringList{"c.xls"});
        createDxfFiles();
        QCOMPARE(m_interaction.calls, QStringList{"message: " + kTextFormatForWorkbooks});
        QVERIFY(!QFileInfo::exists(report()));
        QVERIFY(QDir(m_destination).isEmpty());
    }

    void aLayoutThatDoesNotFitTheTextsWritesNothing()
    {
        // A format without description column offers one text less than the default layout holds.
        formats::FormatDefinition format = formats::loadFormatFile(m_installDir.toStdString(), "!default");
        format.name = "no description";
        format.value(PointValue::Description).column = 0;
        formats::saveFormatFile(m_installDir.toStdString(), format, format.name);
        MainWindowPage(*m_window).formatList()->addItem("no description");
        chooseFormat("no description");
        selectAll();
        m_interaction.answers = {MessageAnswer::Cancel, MessageAnswer::Ok};
        createDxfFiles();
        createDxfFiles();
        // OK opens the entities order; Cancel does not.
        m_interaction.calls.removeIf([](const QString& call) { return call.startsWith("opacity: "); });
        QCOMPARE(m_interaction.calls,
                 (QStringList{"message: Please check entities creation.", "message: Please check entities creation.",
                              "dialog: " + m_window->entitiesOrderDialog().objectName()}));
        QVERIFY(m_interaction.messages[0].buttons == MessageButtons::OkCancel);
        QVERIFY(m_interaction.messages[0].icon == MessageIcon::Information);
        QVERIFY(!QFileInfo::exists(report()));
        QVERIFY(QDir(m_destination).isEmpty());
    }

    void theWindowWritesWhatTheCommandLineWrites()
    {
        selectAll();
        createDxfFiles();
        QCOMPARE(m_interaction.calls, QStringList{dialogCall(ReportViewerControls::window)});
        const QByteArray windowReport = readFile(report());
        QVERIFY(windowReport.startsWith("Mervalon Report - " + kStamp + "\r\n"));
        QVERIFY(windowReport.contains("  ! Error in line 2"));
        QVERIFY(windowReport.contains(">> Dxf file created: " + m_destination.toUtf8() + "/a-site.dxf"));
        const QByteArray drawingA = readFile(m_destination + "/a-site.dxf");
        const QByteArray drawingB = readFile(m_destination + "/b-faulty.dxf");
        QVERIFY(drawingA.endsWith("EOF\r\n"));
        QVERIFY(drawingB.endsWith("EOF\r\n"));
        QCOMPARE(m_program->reportViewer().text().toLatin1() + "\n", QByteArray(windowReport).replace("\r\n", "\n"));

        QFile::remove(m_destination + "/a-site.dxf");
        QFile::remove(m_destination + "/b-faulty.dxf");
        cli::ConvertOptions options;
        options.installDir = m_installDir.toStdString();
        options.formatName = "!default";
        options.configurationFile = (m_installDir + "/configurations/!Default.rp4").toStdString();
        options.errorPolicy = ErrorPolicy::SkipLine;
        options.destinationFolder = m_destination.toStdString();
        options.files = {(m_survey + "/a-site.txt").toStdString(), (m_survey + "/b-faulty.txt").toStdString()};
        std::ostringstream messages;
        QCOMPARE(cli::runConvert(options, messages, false), int(cli::kErrorsReported));
        QCOMPARE(readFile(m_destination + "/a-site.dxf"), drawingA);
        QCOMPARE(readFile(m_destination + "/b-faulty.dxf"), drawingB);
        QCOMPARE(withoutTitle(readFile(report())), withoutTitle(windowReport));
    }

    void aWorkbookRunIsTheCommandLinesToo()
    {
        QVERIFY(QFile::copy(QStringLiteral(MERVALON_SOURCE_DIR "/tests/core/spreadsheet/fixtures/biff8_survey.xls"),
                            m_survey + "/survey.xls"));
        m_window->files().selectFileType(1);
        m_window->files().fileTypeChanged();
        chooseFormat("excel penzdc");
        selectAll();
        createDxfFiles();
        QCOMPARE(m_interaction.calls, QStringList{dialogCall(ReportViewerControls::window)});
        const QByteArray windowReport = readFile(report());
        const QByteArray drawing = readFile(m_destination + "/survey.dxf");
        QVERIFY(windowReport.contains("(Excel format)"));
        QVERIFY(drawing.endsWith("EOF\r\n"));

        QFile::remove(m_destination + "/survey.dxf");
        cli::ConvertOptions options;
        options.installDir = m_installDir.toStdString();
        options.formatName = "excel penzdc";
        options.configurationFile = (m_installDir + "/configurations/!Default.rp4").toStdString();
        options.destinationFolder = m_destination.toStdString();
        options.files = {(m_survey + "/survey.xls").toStdString()};
        std::ostringstream messages;
        cli::runConvert(options, messages, false);
        QCOMPARE(readFile(m_destination + "/survey.dxf"), drawing);
        QCOMPARE(withoutTitle(readFile(report())), withoutTitle(windowReport));
    }

    void escapeOrEnterInTheProgressWindowStops_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("Escape") << int(Qt::Key_Escape);
        QTest::newRow("Enter") << int(Qt::Key_Return);
        QTest::newRow("Space on the focused Stop") << int(Qt::Key_Space);
    }

    void escapeOrEnterInTheProgressWindowStops()
    {
        QFETCH(int, key);
        writeFile(m_survey + "/a-site.txt", pointLines(3000));
        ProgressWindow& progress = m_program->progressWindow();
        progress.setPumpInterval(0);
        bool pressed = false;
        bool stopHasFocus = false;
        connect(&progress, &ProgressWindow::pumping, this, [&](qint64 position) {
            if (position >= 200 && !pressed) {
                pressed = true;
                QWidget* stop = ProgressWindowPage(progress).stopButton();
                stopHasFocus = progress.focusWidget() == stop;
                QTest::keyClick(key == Qt::Key_Space ? stop : static_cast<QWidget*>(&progress), Qt::Key(key));
            }
        });
        selectAll();
        createDxfFiles();
        QVERIFY(pressed);
        QVERIFY(stopHasFocus);
        QVERIFY(readFile(report()).endsWith(">> Process aborted.\r\n"));
    }

    void stopProcessAbortsTheRunAndShowsTheReport()
    {
        writeFile(m_survey + "/a-site.txt", pointLines(3000));
        writeFile(m_destination + "/a-site.dxf", "the drawing of an earlier run");
        ProgressWindow& progress = m_program->progressWindow();
        progress.setPumpInterval(0);
        bool clicked = false;
        QString fileCount;
        int maximum = 0;
        bool createEnabled = true;
        connect(&progress, &ProgressWindow::pumping, this, [&](qint64 position) {
            if (position >= 200 && !clicked) {
                clicked = true;
                fileCount = ProgressWindowPage(progress).fileCountLabel()->text();
                maximum = ProgressWindowPage(progress).progressBar()->maximum();
                createEnabled = MainWindowPage(*m_window).createButton()->isEnabled();
                ProgressWindowPage(progress).stopButton()->click();
            }
        });
        selectAll();
        createDxfFiles();
        QVERIFY(clicked);
        QCOMPARE(fileCount, QStringLiteral("Processing file 1 / 2  "));
        QCOMPARE(maximum, 3000);
        QVERIFY(!createEnabled);
        QVERIFY(!progress.isVisible());
        QVERIFY(MainWindowPage(*m_window).createButton()->isEnabled());
        const QByteArray text = readFile(report());
        // Stopped mid-file: the last line's notice, an empty line, the summary; no later line.
        QVERIFY(text.endsWith(" !\r\n\r\n>> Process aborted.\r\n"));
        QVERIFY(text.contains("line 200:"));
        QVERIFY(!text.contains("line 2999:"));
        QVERIFY(!text.contains(">> Dxf file created"));
        QVERIFY(!text.contains("b-faulty"));
        // No truncated drawing: the stopped one is dropped and the earlier one stays whole.
        QCOMPARE(QDir(m_destination).entryList(QDir::Files | QDir::Hidden), QStringList{"a-site.dxf"});
        QCOMPARE(readFile(m_destination + "/a-site.dxf"), QByteArray("the drawing of an earlier run"));
        QCOMPARE(m_interaction.calls, QStringList{dialogCall(ReportViewerControls::window)});
    }

    void aStopIsTakenWhileAFileIsRead()
    {
        writeFile(m_survey + "/a-site.txt", pointLines(20000));
        ProgressWindow& progress = m_program->progressWindow();
        progress.setPumpInterval(0);
        int clicks = 0;
        connect(&progress, &ProgressWindow::pumping, this, [&] {
            if (clicks++ == 0) {
                ProgressWindowPage(progress).stopButton()->click();
            }
        });
        selectAll();
        createDxfFiles();
        QVERIFY(clicks > 0);
        const QByteArray text = readFile(report());
        QVERIFY(text.endsWith("\r\n>> Process aborted.\r\n"));
        // Stopped before the first line was converted.
        QVERIFY(!text.contains("line 1:"));
        QVERIFY(QDir(m_destination).isEmpty());
    }

    void theReportIsShownAsThePolicySays_data()
    {
        QTest::addColumn<int>("policy");
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("notepad");
        QTest::addColumn<QString>("shown");
        QTest::newRow("always, clean") << 0 << "a-site.txt" << false << dialogCall(ReportViewerControls::window);
        QTest::newRow("always, notepad") << 0 << "a-site.txt" << true << "editor: ";
        QTest::newRow("on errors, clean") << 1 << "a-site.txt" << false << "";
        QTest::newRow("on errors, faulty") << 1 << "b-faulty.txt" << false << dialogCall(ReportViewerControls::window);
        QTest::newRow("never, faulty") << 2 << "b-faulty.txt" << false << "";
    }
    void theReportIsShownAsThePolicySays()
    {
        QFETCH(int, policy);
        QFETCH(QString, file);
        QFETCH(bool, notepad);
        QFETCH(QString, shown);
        m_window->selectReportPolicy(static_cast<ReportPolicy>(policy));
        if (notepad) {
            MainWindowPage(*m_window).textEditorButton()->click();
        }
        selectOnly(file);
        createDxfFiles();
        const QStringList expected =
            shown.isEmpty() ? QStringList{} : QStringList{shown == "editor: " ? shown + report() : shown};
        QCOMPARE(m_interaction.calls, expected);
    }

    void aFaultyFileUnderAbortFileShowsTheReportOnErrors()
    {
        m_window->selectErrorPolicy(ErrorPolicy::AbortFile);
        m_window->selectReportPolicy(ReportPolicy::OnlyOnErrors);
        selectAll();
        createDxfFiles();
        QCOMPARE(m_interaction.calls, QStringList{dialogCall(ReportViewerControls::window)});
        QVERIFY(readFile(report()).contains(">> Dxf file created: " + m_destination.toUtf8() + "/a-site.dxf"));
    }

    void noSelectedFileWritesTheHeaderOnly()
    {
        FileSelectionPage(*m_window).fileList()->clearSelection();
        createDxfFiles();
        QVERIFY(readFile(report()).endsWith("    Use a default Z value : No\r\n\r\n\r\n"));
        QCOMPARE(m_interaction.calls, QStringList{dialogCall(ReportViewerControls::window)});
    }

    void closingTheWindowDuringARunStopsItAndLeaves()
    {
        writeFile(m_survey + "/a-site.txt", pointLines(3000));
        ProgressWindow& progress = m_program->progressWindow();
        progress.setPumpInterval(0);
        QSignalSpy ended(m_window, &MainWindow::programEnded);
        bool asked = false;
        connect(&progress, &ProgressWindow::pumping, this, [&](qint64 position) {
            if (position >= 100 && !asked) {
                asked = true;
                // A second run cannot start inside this one.
                m_program->runCommand().createDxfFiles();
                m_interaction.answers.push_back(MessageAnswer::Yes);
                m_window->close();
            }
        });
        selectAll();
        createDxfFiles();
        QCOMPARE(m_interaction.calls, QStringList{"message: " + kRunInProgressOnExit});
        QCOMPARE(ended.count(), 1);
        const QByteArray text = readFile(report());
        QCOMPARE(text.count("Mervalon Report - "), 1);
        QVERIFY(text.endsWith("\r\n>> Process aborted.\r\n"));
    }

    void answeringNoLetsTheRunFinish()
    {
        ProgressWindow& progress = m_program->progressWindow();
        progress.setPumpInterval(0);
        QSignalSpy ended(m_window, &MainWindow::programEnded);
        bool asked = false;
        connect(&progress, &ProgressWindow::pumping, this, [&] {
            if (!asked) {
                asked = true;
                m_interaction.answers.push_back(MessageAnswer::No);
                m_window->close();
            }
        });
        selectOnly("a-site.txt");
        createDxfFiles();
        QVERIFY(asked);
        QCOMPARE(ended.count(), 0);
        QVERIFY(m_window->isVisible());
        QVERIFY(readFile(report()).contains(">> Dxf file created"));
    }

  private:
    QString report() const { return m_installDir + "/mervalon40.log"; }
    void createDxfFiles() { MainWindowPage(*m_window).createButton()->click(); }
    void chooseFormat(const QString& name)
    {
        MainWindowPage(*m_window).formatList()->setCurrentText(name);
        m_window->formatChange();
    }
    void selectAll() { FileSelectionPage(*m_window).fileList()->selectAll(); }
    void selectOnly(const QString& name)
    {
        auto* list = FileSelectionPage(*m_window).fileList();
        list->clearSelection();
        list->findItems(name, Qt::MatchExactly).front()->setSelected(true);
    }

    TestEnvironment& m_environment;
    FakeInteraction m_interaction;
    std::unique_ptr<Program> m_program;
    MainWindow* m_window = nullptr;
    QString m_survey;
    QString m_destination;
    QString m_installDir;
};

MERVALON_APP_TEST_MAIN(RunCommandTest)
#include "RunCommand_test.moc"
