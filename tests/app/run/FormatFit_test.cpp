// The check before a run that the chosen format fits the selected files, and each of its answers.

#include "app/AppTestSupport.h"
#include "app/files/FilePages.h"
#include "app/formats/FormatEditorPages.h"
#include "app/mainwindow/MainWindowPage.h"
#include "app/run/RunCommand.h"
#include "app/settings/RunOptions.h"

#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolButton>

using namespace mervalon;
using namespace mervalon::app;
using namespace mervalon::app::testing;

namespace {

// Twenty points written with semicolons and decimal commas: the default format reads none of them.
QByteArray semicolonPoints()
{
    QByteArray text = "Nr;Rechtswert;Hochwert;Hoehe;Beschreibung\r\n";
    for (int i = 1; i <= 20; ++i) {
        text += QByteArray::number(i) + ";" + QByteArray::number(512000 + i) + ",25;" +
                QByteArray::number(5401000 + i) + ",5;12,75;Punkt " + QByteArray::number(i) + "\r\n";
    }
    return text;
}

/// A script for the name prompt: notes the name it shows, types `text` (unless empty) and presses OK.
FakeInteraction::DialogScript answerPrompt(const QString& text, QString* shownText)
{
    return [text, shownText](QDialog& prompt) {
        *shownText = FormatNamePromptPage(prompt).nameEdit()->text();
        if (!text.isEmpty()) {
            FormatNamePromptPage(prompt).nameEdit()->setText(text);
        }
        FormatNamePromptPage(prompt).okButton()->click();
        return prompt.result();
    };
}

} // namespace

class FormatFitTest : public QObject {
    Q_OBJECT
  public:
    explicit FormatFitTest(TestEnvironment& environment) : m_environment(environment) {}

  private slots:
    void init()
    {
        m_environment.reset();
        m_survey = m_environment.home() + "/survey";
        m_destination = m_environment.home() + "/drawings";
        writeFile(m_survey + "/a-commas.txt", "1,100.0,200.0,10.0,PT,0\r\n2,101.0,201.0,10.0,PT,0\r\n");
        writeFile(m_survey + "/b-site.txt", semicolonPoints());
        writeFile(m_survey + "/c-site.txt", semicolonPoints());
        QDir().mkpath(m_destination);
        m_installDir = TestEnvironment::install();
        storeValue("lastpath", m_survey);
        storeValue("lastpath2", m_destination);
        storeValue("locked", 0);
        m_program = startProgram(m_interaction);
        m_window = &m_program->mainWindow();
        m_window->selectErrorPolicy(ErrorPolicy::SkipLine);
        m_window->selectReportPolicy(ReportPolicy::Never);
        m_interaction.calls.clear();
        m_interaction.messages.clear();
    }
    void cleanup()
    {
        m_program.reset();
        m_interaction = FakeInteraction();
    }

    void aFittingFormatAsksNothing()
    {
        select({"a-commas.txt"});
        createDxfFiles();
        QCOMPARE(m_interaction.messages.size(), std::size_t(0));
        QVERIFY(QFileInfo::exists(m_destination + "/a-commas.dxf"));
    }

    void cancelWritesNothing()
    {
        select({"b-site.txt"});
        m_interaction.answers = {MessageAnswer::Cancel};
        createDxfFiles();
        QCOMPARE(m_interaction.messages.size(), std::size_t(1));
        QVERIFY(m_interaction.messages[0].icon == MessageIcon::Warning);
        QVERIFY(m_interaction.messages[0].buttons == MessageButtons::YesNoCancel);
        QVERIFY2(m_interaction.messages[0].text.startsWith(
                     "The format \"!default\" does not fit \"b-site.txt\": 20 of its first 20 point lines would be "
                     "faulty and left out of the drawing.\n\nA layout was detected in \"b-site.txt\" (separator "
                     "semicolon (;), "),
                 qPrintable(m_interaction.messages[0].text));
        QVERIFY(QDir(m_destination).isEmpty());
        QVERIFY(!QFileInfo::exists(m_installDir + "/mervalon40.log"));
        QCOMPARE(currentFormat(), QStringLiteral("!default"));
    }

    void convertAnywayRunsWithTheChosenFormat()
    {
        select({"b-site.txt"});
        m_interaction.answers = {MessageAnswer::No};
        createDxfFiles();
        QCOMPARE(m_interaction.messages.size(), std::size_t(1));
        QVERIFY(QFileInfo::exists(m_destination + "/b-site.dxf"));
        QVERIFY(readFile(m_installDir + "/mervalon40.log").contains("  ! Error in line 2: "));
        QCOMPARE(currentFormat(), QStringLiteral("!default"));
    }

    void theDetectedLayoutBecomesANewFormatAndTheRunUsesIt()
    {
        select({"b-site.txt"});
        m_interaction.answers = {MessageAnswer::Yes};
        QString proposed;
        m_interaction.dialogScripts.push_back(answerPrompt(QStringLiteral("Site Survey"), &proposed));
        createDxfFiles();
        QCOMPARE(proposed, QStringLiteral("b-site"));
        QCOMPARE(currentFormat(), QStringLiteral("site survey"));
        QVERIFY(QFileInfo::exists(m_installDir + "/formats/site survey.rpf"));
        QVERIFY(QFileInfo::exists(m_installDir + "/formats/site survey.dialect"));
        QVERIFY(m_window->currentDialect().headerLine);
        const QByteArray report = readFile(m_installDir + "/mervalon40.log");
        QVERIFY2(!report.contains("  ! "), report.constData());
        QVERIFY(report.contains(">> 20 lines processed."));
        QVERIFY(QFileInfo::exists(m_destination + "/b-site.dxf"));
    }

    void aCancelledNameWritesNothing()
    {
        select({"b-site.txt"});
        m_interaction.answers = {MessageAnswer::Yes};
        // No script: the prompt is rejected untouched.
        createDxfFiles();
        QCOMPARE(m_interaction.calls.filter("dialog:").size(), 1);
        QVERIFY(!QFileInfo::exists(m_installDir + "/formats/b-site.rpf"));
        QVERIFY(QDir(m_destination).isEmpty());
        QCOMPARE(currentFormat(), QStringLiteral("!default"));
    }

    void theMisfitsOfABatchAreListedInOneMessage()
    {
        select({"a-commas.txt", "b-site.txt", "c-site.txt"});
        m_interaction.answers = {MessageAnswer::Cancel};
        createDxfFiles();
        QCOMPARE(m_interaction.messages.size(), std::size_t(1));
        QVERIFY2(m_interaction.messages[0].text.startsWith(
                     "The format \"!default\" does not fit 2 of the selected files: most of their first point lines "
                     "would be faulty and left out of the drawings.\n    b-site.txt (20 of 20 lines)\n    "
                     "c-site.txt (20 of 20 lines)\n\nA layout was detected in \"b-site.txt\""),
                 qPrintable(m_interaction.messages[0].text));
        QVERIFY(QDir(m_destination).isEmpty());
    }

  private:
    void createDxfFiles() { MainWindowPage(*m_window).createButton()->click(); }
    [[nodiscard]] QString currentFormat() const { return MainWindowPage(*m_window).formatList()->currentText(); }
    void select(const QStringList& names)
    {
        auto* list = FileSelectionPage(*m_window).fileList();
        list->clearSelection();
        for (const QString& name : names) {
            list->findItems(name, Qt::MatchExactly).front()->setSelected(true);
        }
    }

    TestEnvironment& m_environment;
    FakeInteraction m_interaction;
    std::unique_ptr<Program> m_program;
    MainWindow* m_window = nullptr;
    QString m_survey;
    QString m_destination;
    QString m_installDir;
};

MERVALON_APP_TEST_MAIN(FormatFitTest)
#include "FormatFit_test.moc"
