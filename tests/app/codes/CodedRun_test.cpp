// The code library and the escape option in the main window: stored in the configuration's
// options beside its record, and a run from the window drawing what mervalon-convert draws.
#include "app/AppTestSupport.h"
#include "app/codes/CodeLibraryEditor.h"
#include "app/codes/CodeLibraryPages.h"
#include "app/codes/CodeLibraryPanel.h"
#include "app/configuration/ConfigurationCommands.h"
#include "app/files/FilePages.h"
#include "app/mainwindow/MainWindowPage.h"
#include "app/run/RunCommand.h"
#include "cli/ConvertCommand.h"
#include "core/codes/CodeLibrary.h"
#include "core/codes/SymbolLibrary.h"
#include "core/io/FileIo.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QTableWidget>
#include <QToolButton>
#include <sstream>

using namespace mervalon;
using namespace mervalon::app;
using namespace mervalon::app::testing;

namespace {

const QByteArray kStamp = "08/12/2026 23:59:59";
// A tree whose description has letters Windows-1252 lacks (Ż, ł) and one it has (ó).
const QByteArray kTreeLine = "20,2050.000,3040.000,101.000,TREE \xC5\xBB\xC3\xB3\xC5\x82w,0\n";

} // namespace

class CodedRunTest : public QObject {
    Q_OBJECT
  public:
    explicit CodedRunTest(TestEnvironment& environment) : m_environment(environment) {}

  private slots:
    void init()
    {
        m_environment.reset();
        m_survey = m_environment.home() + "/survey";
        m_destination = m_environment.home() + "/drawings";
        writeFile(m_survey + "/coded.txt",
                  readFile(QStringLiteral(MERVALON_SOURCE_DIR "/examples/coded-survey.txt")) + kTreeLine);
        QDir().mkpath(m_destination);
        m_installDir = TestEnvironment::install();
        storeValue("lastpath", m_survey);
        storeValue("lastpath2", m_destination);
        storeValue("locked", 0);
        m_program = startProgram(m_interaction);
        m_window = &m_program->mainWindow();
        m_program->runCommand().timestamp = [] { return kStamp.toStdString(); };
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

    void theListOffersNoneAndTheInstallationsLibraries()
    {
        auto* list = CodeLibraryPanelPage(*m_window).libraryList();
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->itemText(0), QStringLiteral("(none)"));
        QCOMPARE(list->itemText(1), QStringLiteral("road-and-building"));
        QCOMPARE(list->currentText(), QStringLiteral("(none)"));
        QVERIFY(CodeLibraryPanelPage(*m_window).editorButton()->isEnabled()); // a new library
        list->setCurrentText("road-and-building");
        QVERIFY(CodeLibraryPanelPage(*m_window).editorButton()->isEnabled());
        QCOMPARE(CodeLibraryPanelPage(*m_window).escapeBox()->text(),
                 QStringLiteral("Write every non-ASCII letter as an escape (for LibreOffice)"));
    }

    void aChosenLibraryAndEscapesAreSavedBesideTheUnchangedRecord()
    {
        auto& commands = m_program->configurationCommands();
        QVERIFY(!commands.hasChanged(*m_window));
        m_interaction.chosenPaths.push_back(m_installDir + "/configurations/plain.rp4");
        QCOMPARE(commands.saveConfigurationFile(*m_window), SaveOutcome::Saved);
        const QByteArray before = readFile(m_installDir + "/configurations/plain.rp4");
        QCOMPARE(before.size(), qsizetype{672});
        QVERIFY(!QFile::exists(m_installDir + "/configurations/plain.options"));
        CodeLibraryPanelPage(*m_window).libraryList()->setCurrentText("road-and-building");
        CodeLibraryPanelPage(*m_window).escapeBox()->setChecked(true);
        QVERIFY(commands.hasChanged(*m_window));

        const QString saved = m_installDir + "/configurations/site.rp4";
        m_interaction.chosenPaths.push_back(saved);
        QCOMPARE(commands.saveConfigurationFile(*m_window), SaveOutcome::Saved);
        QCOMPARE(readFile(saved), before); // the record is the same 672 bytes
        QCOMPARE(readFile(m_installDir + "/configurations/site.options"),
                 QByteArray("# What the configuration beside this file holds beyond its record (Mervalon 4.0)\n"
                            "codeLibrary=road-and-building\nescapeNonAscii=yes\n"));
        QVERIFY(!commands.hasChanged(*m_window));

        // Loading another configuration shows its options; loading this one brings them back.
        m_interaction.chosenPaths.push_back(m_installDir + "/configurations/!Default.rp4");
        QVERIFY(commands.loadConfigurationFile(*m_window));
        QCOMPARE(CodeLibraryPanelPage(*m_window).libraryList()->currentText(), QStringLiteral("(none)"));
        QVERIFY(!CodeLibraryPanelPage(*m_window).escapeBox()->isChecked());
        m_interaction.chosenPaths.push_back(saved);
        QVERIFY(commands.loadConfigurationFile(*m_window));
        QCOMPARE(CodeLibraryPanelPage(*m_window).libraryList()->currentText(), QStringLiteral("road-and-building"));
        QVERIFY(CodeLibraryPanelPage(*m_window).escapeBox()->isChecked());
    }

    void aLibraryFileElsewhereStaysTheChoice()
    {
        writeFile(m_installDir + "/configurations/!Default.options", "codeLibrary=/srv/codes/ours.csv\n");
        m_interaction.chosenPaths.push_back(m_installDir + "/configurations/!Default.rp4");
        QVERIFY(m_program->configurationCommands().loadConfigurationFile(*m_window));
        QCOMPARE(CodeLibraryPanelPage(*m_window).libraryList()->currentText(), QStringLiteral("/srv/codes/ours.csv"));
        QVERIFY(!m_program->configurationCommands().hasChanged(*m_window));
    }

    void faultyOptionsAreToldAtTheStartAndRefuseALoad()
    {
        m_program.reset();
        const QString options = m_installDir + "/configurations/!Default.options";
        writeFile(options, "escapeNonAscii=maybe\n");
        m_interaction = FakeInteraction();
        m_program = startProgram(m_interaction);
        QVERIFY(m_program->mainWindow().startSucceeded());
        const QString fault = "\"" + options + "\", line 1: escapeNonAscii takes yes or no, not \"maybe\"";
        QCOMPARE(m_interaction.messages.size(), std::size_t{1});
        QCOMPARE(m_interaction.messages.front().text,
                 fault + "\n\nThe configuration is used without its options (no code library).");
        m_interaction.chosenPaths.push_back(m_installDir + "/configurations/!Default.rp4");
        QVERIFY(!m_program->configurationCommands().loadConfigurationFile(m_program->mainWindow()));
        QCOMPARE(m_interaction.messages.size(), std::size_t{2});
        QCOMPARE(m_interaction.messages.back().text, fault);
    }

    void theWindowDrawsWhatTheCommandLineDraws_data()
    {
        QTest::addColumn<bool>("escape");
        QTest::newRow("texts as they are") << false;
        QTest::newRow("every non-ASCII letter escaped") << true;
    }
    void theWindowDrawsWhatTheCommandLineDraws()
    {
        QFETCH(bool, escape);
        CodeLibraryPanelPage(*m_window).libraryList()->setCurrentText("road-and-building");
        CodeLibraryPanelPage(*m_window).escapeBox()->setChecked(escape);
        FileSelectionPage(*m_window).fileList()->selectAll();
        MainWindowPage(*m_window).createButton()->click();
        QCOMPARE(m_interaction.messages.size(), std::size_t{0});
        const QByteArray drawing = readFile(m_destination + "/coded.dxf");
        QVERIFY(drawing.contains("\r\nINSERT\r\n"));
        QCOMPARE(drawing.contains("TREE \\U+017B\\U+00F3\\U+0142w"), escape);
        QCOMPARE(drawing.contains("TREE \\U+017B\xF3\\U+0142w"), !escape);

        // The same by the command line's options ...
        QFile::remove(m_destination + "/coded.dxf");
        cli::ConvertOptions options;
        options.installDir = m_installDir.toStdString();
        options.configurationFile = (m_installDir + "/configurations/!Default.rp4").toStdString();
        options.destinationFolder = m_destination.toStdString();
        options.files = {(m_survey + "/coded.txt").toStdString()};
        options.codeLibrary = "road-and-building";
        options.escapeNonAscii = escape;
        std::ostringstream messages;
        QCOMPARE(cli::runConvert(options, messages, false), int(cli::kNoErrors));
        QCOMPARE(readFile(m_destination + "/coded.dxf"), drawing);

        // ... and by the options the window saved beside the configuration.
        QFile::remove(m_destination + "/coded.dxf");
        const QString saved = m_installDir + "/configurations/coded.rp4";
        m_interaction.chosenPaths.push_back(saved);
        QCOMPARE(m_program->configurationCommands().saveConfigurationFile(*m_window), SaveOutcome::Saved);
        options.configurationFile = saved.toStdString();
        options.codeLibrary.reset();
        options.escapeNonAscii = false;
        QCOMPARE(cli::runConvert(options, messages, false), int(cli::kNoErrors));
        QCOMPARE(readFile(m_destination + "/coded.dxf"), drawing);
    }

    void aFaultyLibraryStopsTheWindowsRunBeforeAnythingIsWritten()
    {
        writeFile(m_installDir + "/codes/faulty.csv", "code,layer,colour\nTREE,VEG,300\n");
        m_window->codeLibraryPanel().fillLibraryList();
        CodeLibraryPanelPage(*m_window).libraryList()->setCurrentText("faulty");
        FileSelectionPage(*m_window).fileList()->selectAll();
        MainWindowPage(*m_window).createButton()->click();
        QCOMPARE(m_interaction.messages.size(), std::size_t{1});
        QCOMPARE(m_interaction.messages.front().text, "Code library \"" + m_installDir +
                                                          "/codes/faulty.csv\", line 2: the colour \"300\" is not a "
                                                          "number from 1 to 255");
        QVERIFY(!QFile::exists(m_destination + "/coded.dxf"));
    }

    // The editor: a faulty row is shown with the reader's message and refuses the save, naming
    // the row; once mended the file is saved and the library reader takes it.
    void theEditorChecksEveryRowAndSavesWhatTheReaderTakes()
    {
        const QString library = m_installDir + "/codes/road-and-building.csv";
        CodeLibraryPanelPage(*m_window).libraryList()->setCurrentText("road-and-building");
        QStringList shownFaults;
        QString symbolCaption;
        std::size_t segments = 0;
        m_interaction.dialogScripts.push_back([&](QDialog& dialog) {
            auto& editor = dynamic_cast<CodeLibraryEditor&>(dialog);
            auto* grid = CodeLibraryEditorPage(editor).grid();
            if (grid->columnCount() != 8 || grid->horizontalHeaderItem(7)->text() != "notes") {
                return int(QDialog::Rejected);
            }
            // The tree's row shows its symbol.
            const int tree = grid->findItems("TREE", Qt::MatchExactly).front()->row();
            grid->setCurrentCell(tree, 0);
            segments = editor.findChild<SymbolView*>()->shapes().segments.size() +
                       editor.findChild<SymbolView*>()->shapes().circles.size();
            grid->setCurrentCell(0, 0);
            editor.addRow(); // below the first row: line 3 of the file
            grid->item(1, 0)->setText("OAK");
            grid->item(1, 1)->setText("VEGETATION");
            grid->item(1, 2)->setText("300");
            grid->item(1, 3)->setText("ACORN");
            shownFaults.append(CodeLibraryEditorPage(editor).rowFaults()->text());
            symbolCaption = CodeLibraryEditorPage(editor).symbolCaption()->text();
            editor.save(); // refused
            grid->item(1, 2)->setText("3");
            shownFaults.append(CodeLibraryEditorPage(editor).rowFaults()->text());
            grid->item(1, 3)->setText("tree");
            shownFaults.append(CodeLibraryEditorPage(editor).rowFaults()->text());
            editor.save();
            return int(QDialog::Accepted);
        });
        CodeLibraryPanelPage(*m_window).editorButton()->click();
        QVERIFY(segments > 0);
        QCOMPARE(shownFaults,
                 (QStringList{"line 3: the colour \"300\" is not a number from 1 to 255",
                              "line 3: the symbol \"ACORN\" is not in the symbol library", "No fault in this row."}));
        QCOMPARE(symbolCaption, QStringLiteral("\"ACORN\" is not in the symbol library"));
        QCOMPARE(m_interaction.messages.size(), std::size_t{1});
        QCOMPARE(m_interaction.messages.front().text,
                 QStringLiteral("The code library is not saved: one row is faulty (its number is at the left of "
                                "the table).\n\nline 3: the colour \"300\" is not a number from 1 to 255"));
        const std::string saved = io::readFileText(library.toStdString());
        QVERIFY(saved.find("\nOAK,VEGETATION,3,tree,,,,\n") != std::string::npos);
        const auto symbols = codes::SymbolLibrary::inFolder((m_installDir + "/symbols").toStdString());
        const codes::CodeLibrary read =
            codes::CodeLibrary::read(saved, [&](std::string_view name) { return symbols.contains(name); });
        QCOMPARE(read.find("oak").row->layer, std::string("VEGETATION"));
        QCOMPARE(read.find("oak").row->symbol, std::string("TREE"));
        QCOMPARE(read.rows().size(), std::size_t{17});
    }

    void closingTheEditorWithChangesAsksFirst_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("closed");
        QTest::addColumn<bool>("saved");
        QTest::newRow("yes saves and closes") << int(MessageAnswer::Yes) << true << true;
        QTest::newRow("no closes unsaved") << int(MessageAnswer::No) << true << false;
        QTest::newRow("cancel stays") << int(MessageAnswer::Cancel) << false << false;
    }
    void closingTheEditorWithChangesAsksFirst()
    {
        QFETCH(int, answer);
        QFETCH(bool, closed);
        QFETCH(bool, saved);
        const QString library = m_installDir + "/codes/road-and-building.csv";
        const QByteArray before = readFile(library);
        CodeLibraryEditor editor(m_interaction);
        QVERIFY(editor.open(library, m_installDir + "/symbols"));
        editor.show();
        editor.reject(); // unchanged: no question
        QVERIFY(!editor.isVisible());
        QCOMPARE(m_interaction.messages.size(), std::size_t{0});

        editor.show();
        editor.deleteRow();
        m_interaction.answers.push_back(static_cast<MessageAnswer>(answer));
        editor.reject();
        QCOMPARE(m_interaction.messages.size(), std::size_t{1});
        QCOMPARE(m_interaction.messages.front().text,
                 QStringLiteral("The code library \"road-and-building.csv\" has changed. Do you want to save it?"));
        QCOMPARE(!editor.isVisible(), closed);
        QCOMPARE(readFile(library) != before, saved);
    }

    void aNewLibraryStartsWithNoneChosenAndItsFirstSaveAsksForAName()
    {
        QCOMPARE(CodeLibraryPanelPage(*m_window).libraryList()->currentText(), QStringLiteral("(none)"));
        QStringList shown;
        const auto typeName = [&](const QString& name) {
            m_interaction.dialogScripts.push_back([&shown, name](QDialog& dialog) {
                auto& ask = dynamic_cast<QInputDialog&>(dialog);
                shown.append(ask.labelText() + " [" + ask.textValue() + "]");
                ask.setTextValue(name);
                return int(QDialog::Accepted);
            });
        };
        m_interaction.dialogScripts.push_back([&](QDialog& dialog) {
            auto& editor = dynamic_cast<CodeLibraryEditor&>(dialog);
            auto* grid = CodeLibraryEditorPage(editor).grid();
            shown.append(CodeLibraryEditorPage(editor).fileLabel()->text());
            shown.append(QString::number(grid->rowCount()) + " " + grid->item(0, 0)->text() + " " +
                         grid->item(0, 1)->text());
            editor.addRow();
            const QStringList cells{"OAK", "VEGETATION", "3", "tree"};
            for (int c = 0; c < cells.size(); ++c) {
                grid->item(1, c)->setText(cells[c]);
            }
            typeName("a/b"); // refused
            shown.append(editor.save() ? "saved" : "not saved");
            m_interaction.dialogScripts.clear(); // a cancelled name: nothing saved
            shown.append(editor.save() ? "saved" : "not saved");
            typeName(" trees.csv ");
            shown.append(editor.save() ? "saved" : "not saved");
            shown.append(CodeLibraryEditorPage(editor).fileLabel()->text());
            return int(QDialog::Accepted);
        });
        CodeLibraryPanelPage(*m_window).editorButton()->click();
        QCOMPARE(shown, (QStringList{"Library: new, not saved yet", "1 * UNCODED",
                                     "Name of the library in the installation's \"codes\" folder: []", "not saved",
                                     "not saved", "Name of the library in the installation's \"codes\" folder: []",
                                     "saved", "Library: " + m_installDir + "/codes/trees.csv"}));
        QCOMPARE(m_interaction.messages.size(), std::size_t{1});
        QCOMPARE(m_interaction.messages.front().text,
                 QStringLiteral("A library name cannot hold the character \"/\"."));
        QCOMPARE(readFile(m_installDir + "/codes/trees.csv"),
                 QByteArray("code,layer,colour,symbol,line,labels,description\n"
                            "*,UNCODED,,,none,,Any code not listed above\nOAK,VEGETATION,3,tree,,,\n"));
        auto* list = CodeLibraryPanelPage(*m_window).libraryList();
        QCOMPARE(list->currentText(), QStringLiteral("trees"));
        QCOMPARE(list->count(), 3);
        QCOMPARE(list->itemText(2), QStringLiteral("trees"));
        config::Configuration configuration;
        m_window->findChild<CodeLibraryPanel*>()->captureConfiguration(configuration);
        QCOMPARE(configuration.options.codeLibrary, std::string("trees"));
    }

    void saveAsAsksBeforeReplacingAnotherLibraryAndKeepsItOnAFailure()
    {
        const QString codes = m_installDir + "/codes";
        const QByteArray shipped = readFile(codes + "/road-and-building.csv");
        const QByteArray other = "code,layer\n*,OTHER\n";
        writeFile(codes + "/other.csv", other);
        CodeLibraryEditor editor(m_interaction);
        editor.setCodesFolder(codes);
        QVERIFY(editor.open(codes + "/road-and-building.csv", m_installDir + "/symbols"));
        const auto typeName = [&](const QString& name) {
            m_interaction.dialogScripts.push_back([name](QDialog& dialog) {
                dynamic_cast<QInputDialog&>(dialog).setTextValue(name);
                return int(QDialog::Accepted);
            });
        };
        typeName("other");
        m_interaction.answers.push_back(MessageAnswer::No);
        QVERIFY(!editor.saveAs());
        QCOMPARE(readFile(codes + "/other.csv"), other);
        QCOMPARE(editor.filePath(), codes + "/road-and-building.csv");

        typeName("road-and-building"); // its own name: no question
        QVERIFY(editor.saveAs());
        QCOMPARE(m_interaction.messages.size(), std::size_t{1});
        const QByteArray written = readFile(codes + "/road-and-building.csv"); // as the writer writes it
        QVERIFY(written.startsWith(shipped.left(shipped.indexOf('\n') + 1)));

        editor.setCodesFolder(m_installDir + "/missing");
        typeName("lost");
        QVERIFY(!editor.saveAs());
        QCOMPARE(m_interaction.messages.size(), std::size_t{2});
        QVERIFY(m_interaction.messages.back().icon == MessageIcon::Error);
        QVERIFY(!QFile::exists(m_installDir + "/missing/lost.csv"));
        QCOMPARE(editor.filePath(), codes + "/road-and-building.csv");

        editor.setCodesFolder(codes);
        typeName("other");
        m_interaction.answers.push_back(MessageAnswer::Yes);
        QVERIFY(editor.saveAs());
        QCOMPARE(m_interaction.messages.back().text,
                 QStringLiteral("The code library \"other\" already exists. Do you want to replace it?"));
        QCOMPARE(readFile(codes + "/other.csv"), written);
        QCOMPARE(readFile(codes + "/road-and-building.csv"), written);
        QCOMPARE(editor.filePath(), codes + "/other.csv");
        QCOMPARE(editor.savedAsName(), QStringLiteral("other"));
        QCOMPARE(QDir(codes).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{"other.csv", "road-and-building.csv"})); // no temporary file left
    }

    void aLibraryFileAnywhereIsChosenByItsPath()
    {
        auto* list = CodeLibraryPanelPage(*m_window).libraryList();
        const QString ours = m_environment.home() + "/mine/ours.csv";
        writeFile(ours, readFile(m_installDir + "/codes/road-and-building.csv"));
        m_interaction.chosenPaths.push_back(ours);
        CodeLibraryPanelPage(*m_window).fileButton()->click();
        QCOMPARE(list->currentText(), ours);
        QCOMPARE(m_interaction.calls.back(), QStringLiteral("open: Code library file"));
        config::Configuration configuration;
        auto* panel = m_window->findChild<CodeLibraryPanel*>();
        panel->captureConfiguration(configuration);
        QCOMPARE(configuration.options.codeLibrary, ours.toStdString());

        CodeLibraryPanelPage(*m_window).fileButton()->click(); // cancelled: the choice stays
        QCOMPARE(list->currentText(), ours);
        QCOMPARE(m_interaction.calls.size(), qsizetype{2});

        m_interaction.chosenPaths.push_back(m_installDir + "/codes/road-and-building.csv");
        CodeLibraryPanelPage(*m_window).fileButton()->click();
        QCOMPARE(list->currentText(), QStringLiteral("road-and-building"));
        QCOMPARE(list->count(), 2); // the file elsewhere is no longer offered once another is chosen
    }

  private:
    TestEnvironment& m_environment;
    FakeInteraction m_interaction;
    std::unique_ptr<Program> m_program;
    MainWindow* m_window = nullptr;
    QString m_survey;
    QString m_destination;
    QString m_installDir;
};

MERVALON_APP_TEST_MAIN(CodedRunTest)
#include "CodedRun_test.moc"
