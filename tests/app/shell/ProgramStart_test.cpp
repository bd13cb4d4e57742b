#include "app/AppTestSupport.h"
#include "app/common/MultiRowTabStrip.h"
#include "app/common/ScreenFit.h"
#include "app/configuration/ConfigurationCommands.h"
#include "app/configuration/ConfigurationPage.h"
#include "app/entities/EntityPages.h"
#include "app/files/FilePages.h"
#include "app/files/FileSelectionControls.h"
#include "app/files/FolderTreeView.h"
#include "app/help/HintSwitch.h"
#include "app/mainwindow/MainWindowControls.h"
#include "app/mainwindow/MainWindowPage.h"
#include "core/config/Configuration.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTabWidget>
#include <QToolButton>
#include <QToolTip>

using namespace mervalon::app;
using namespace mervalon::app::testing;
using mervalon::config::EntityKind;

namespace {

/// Configuration commands whose "has changed" question answers as the test says.
class ScriptedCommands : public ConfigurationCommands {
  public:
    ScriptedCommands(Interaction& interaction, const QString& installDir, bool goOn)
        : ConfigurationCommands(interaction, installDir), m_goOn(goOn)
    {
    }
    bool confirmConfigurationChanges(ConfigurationView&) override { return m_goOn; }

  private:
    bool m_goOn;
};

Program::CommandsFactory confirmAnswers(bool goOn)
{
    return [goOn](Interaction& interaction, const QString& installDir) -> std::unique_ptr<ConfigurationCommands> {
        return std::make_unique<ScriptedCommands>(interaction, installDir, goOn);
    };
}

QStringList comboItems(const QComboBox& combo)
{
    QStringList items;
    for (int i = 0; i < combo.count(); ++i) {
        items << combo.itemText(i);
    }
    return items;
}

} // namespace

class ProgramStartTest : public QObject {
    Q_OBJECT
  public:
    explicit ProgramStartTest(TestEnvironment& environment) : m_environment(environment) {}

  private slots:
    void init() { m_environment.reset(); }

    void aWindowPastTheScreenEdgeIsMovedOnIt_data()
    {
        QTest::addColumn<QPoint>("offset"); // from the available area's bottom right corner
        QTest::newRow("8 px past the bottom") << QPoint(-700, -488);
        QTest::newRow("past the right") << QPoint(-100, -600);
        QTest::newRow("above the top left") << QPoint(-5000, -5000);
    }

    void aWindowPastTheScreenEdgeIsMovedOnIt()
    {
        QFETCH(QPoint, offset);
        FakeInteraction interaction;
        auto program = startProgram(interaction);
        MainWindow& window = program->mainWindow();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QRect available = window.screen()->availableGeometry();
        QVERIFY2(available.width() >= window.frameGeometry().width() &&
                     available.height() >= window.frameGeometry().height(),
                 "the test screen is too small for the window");
        window.move(available.bottomRight() + offset);
        fitOnScreen(window);
        QVERIFY(available.contains(window.frameGeometry()));
        const QPoint fitting = window.pos();
        fitOnScreen(window); // a window that fits stays
        QCOMPARE(window.pos(), fitting);
    }

    void settingsAndInstallationStayInTheTemporaryFolder()
    {
        QVERIFY(TestEnvironment::settingsFile().startsWith(m_environment.root() + '/'));
        FakeInteraction interaction;
        auto program = startProgram(interaction);
        QVERIFY(program->installDir().startsWith(m_environment.root() + '/'));
        QVERIFY(QFileInfo::exists(TestEnvironment::settingsFile()));
    }

    void aFirstStartInstallsAndShowsTheWindow()
    {
        FakeInteraction interaction;
        auto program = startProgram(interaction);
        MainWindow& window = program->mainWindow();
        QCOMPARE(window.windowTitle(), QStringLiteral(" Mervalon 4.0"));
        // A display name would be appended by the desktop to every window title, so that
        // "Confirm" showed as "Confirm — Mervalon 4.0": titles stay exactly as given.
        QCOMPARE(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationName());
        QVERIFY(QFileInfo::exists(program->installDir() + QStringLiteral("/dxf.dat")));
        QCOMPARE(storedValue("installpath"), program->installDir());
        QCOMPARE(ConfigurationPage(window).nameLabel()->text(), QStringLiteral("!Default.rp4"));
        QCOMPARE(ConfigurationPage(window).inUseLabel()->text(), QStringLiteral("Configuration file in use: "));
        QCOMPARE(comboItems(*FileSelectionPage(window).fileTypeList()),
                 (QStringList{"Text files", "Excel files", "Spreadsheets"}));
        QCOMPARE(FileSelectionPage(window).fileTypeList()->currentIndex(), 0);
        QCOMPARE(comboItems(*MainWindowPage(window).formatList()),
                 (QStringList{"!default", "excel penzdc", "penzd comma", "penzd semicolon", "penzd space", "penzd tab",
                              "pnezd comma"}));
        QVERIFY(MainWindowPage(window).errorPolicyButton(ErrorPolicy::SkipLine)->isChecked());
        QVERIFY(MainWindowPage(window).reportPolicyButton(ReportPolicy::OnlyOnErrors)->isChecked());
        QVERIFY(MainWindowPage(window).hintsBox()->isChecked());
        QVERIFY(MainWindowPage(window).internalViewerButton()->isChecked());
        QCOMPARE(window.runOptions().errorPolicy(), std::optional(ErrorPolicy::SkipLine));
        QCOMPARE(window.runOptions().reportPolicy(), std::optional(ReportPolicy::OnlyOnErrors));
    }

    void theWindowHasItsTabsAndGroups()
    {
        FakeInteraction interaction;
        auto program = startProgram(interaction);
        MainWindow& window = program->mainWindow();
        auto* pages = MainWindowPage(window).pages();
        QCOMPARE(pages->count(), 3);
        QCOMPARE(pages->tabText(0), QStringLiteral("DXF Creation"));
        QCOMPARE(pages->tabText(1), QStringLiteral("Options"));
        QCOMPARE(pages->tabText(2), QStringLiteral("About"));
        auto* entities = control<MultiRowTabStrip>(window, EntityPanelsControls::tabs);
        QStringList entityTabs;
        for (int i = 0; i < entities->count(); ++i) {
            entityTabs << entities->tabButton(i)->text();
        }
        QCOMPARE(entityTabs,
                 (QStringList{"Point", "Number", "X Coord.", "Y Coord.", "Elevation", "Description", "Polyline"}));
        QCOMPARE(control<QWidget>(window, MainWindowControls::viewerGroup)->property("title").toString(),
                 QStringLiteral(" Coordinates file Preview and Error Report  "));
        QCOMPARE(control<QWidget>(window, FileSelectionControls::filesGroup)->property("title").toString(),
                 QStringLiteral(" Coordinates Files "));
        QVERIFY(window.width() >= 602 && window.height() >= 496);
    }

    void severalTrueReportValuesSelectTheLastAndRewriteTheStore()
    {
        (void)TestEnvironment::install();
        storeValue("rep1", 1);
        storeValue("rep2", 1);
        storeValue("rep3", 0);
        FakeInteraction interaction;
        auto program = startProgram(interaction);
        MainWindow& window = program->mainWindow();
        QVERIFY(!MainWindowPage(window).reportPolicyButton(ReportPolicy::Always)->isChecked());
        QVERIFY(MainWindowPage(window).reportPolicyButton(ReportPolicy::OnlyOnErrors)->isChecked());
        QCOMPARE(storedValue("rep1"), QStringLiteral("0"));
        QCOMPARE(storedValue("rep2"), QStringLiteral("1"));
        QCOMPARE(storedValue("rep3"), QStringLiteral("0"));
    }

    void noTrueErrorValueSelectsNone()
    {
        (void)TestEnvironment::install();
        for (const char* name : {"er1", "er2", "er3"}) {
            storeValue(name, 0);
        }
        FakeInteraction interaction;
        auto program = startProgram(interaction);
        MainWindow& window = program->mainWindow();
        for (const char* name : {"er1", "er2", "er3"}) {
            QVERIFY(!control<QRadioButton>(window, name)->isChecked());
            QCOMPARE(storedValue(name), QStringLiteral("0"));
        }
        QVERIFY(!window.runOptions().errorPolicy().has_value());
    }

    void choosingAbortProcessIsWrittenAndSelectedAtTheNextStart()
    {
        {
            FakeInteraction interaction;
            auto program = startProgram(interaction);
            MainWindowPage(program->mainWindow()).pages()->setCurrentIndex(1);
            MainWindowPage(program->mainWindow()).errorPolicyButton(ErrorPolicy::AbortProcess)->click();
            QCOMPARE(storedValue("er1"), QStringLiteral("0"));
            QCOMPARE(storedValue("er2"), QStringLiteral("0"));
            QCOMPARE(storedValue("er3"), QStringLiteral("1"));
            QCOMPARE(program->mainWindow().runOptions().errorPolicy(), std::optional(ErrorPolicy::AbortProcess));
        }
        FakeInteraction interaction;
        auto program = startProgram(interaction);
        QVERIFY(!MainWindowPage(program->mainWindow()).errorPolicyButton(ErrorPolicy::SkipLine)->isChecked());
        QVERIFY(!MainWindowPage(program->mainWindow()).errorPolicyButton(ErrorPolicy::AbortFile)->isChecked());
        QVERIFY(MainWindowPage(program->mainWindow()).errorPolicyButton(ErrorPolicy::AbortProcess)->isChecked());
    }

    void reportAndViewerChoicesAreWritten()
    {
        FakeInteraction interaction;
        auto program = startProgram(interaction);
        MainWindowPage(program->mainWindow()).reportPolicyButton(ReportPolicy::Never)->click();
        QCOMPARE(storedValue("rep1") + storedValue("rep2") + storedValue("rep3"), QStringLiteral("001"));
        MainWindowPage(program->mainWindow()).textEditorButton()->click();
        QCOMPARE(storedValue("useiviewer"), QStringLiteral("0"));
        MainWindowPage(program->mainWindow()).internalViewerButton()->click();
        QCOMPARE(storedValue("useiviewer"), QStringLiteral("1"));
        MainWindowPage(program->mainWindow()).activeHelpBox()->click();
        QCOMPARE(storedValue("achelp"), QStringLiteral("1"));
    }

    void aMissingBooleanStopsTheWindowStart()
    {
        (void)TestEnvironment::install();
        removeValue("shint");
        FakeInteraction interaction;
        auto program = startProgram(interaction);
        QCOMPARE(interaction.messages.size(), std::size_t(1));
        QCOMPARE(interaction.messages[0].text, QStringLiteral("Failed to get data for 'shint'"));
        QCOMPARE(interaction.messages[0].icon, MessageIcon::Error);
        // The steps after it did not run: no configuration name, no file types.
        QCOMPARE(ConfigurationPage(program->mainWindow()).nameLabel()->text(), QString());
        QCOMPARE(FileSelectionPage(program->mainWindow()).fileTypeList()->count(), 0);
    }

    void aMissingFileTypeListIsReportedAndStopsTheStart()
    {
        const QString installDir = TestEnvironment::install();
        storeValue("lastpath2", QStringLiteral("/somewhere"));
        QVERIFY(QFile::remove(installDir + QStringLiteral("/mervalon40.ext")));
        FakeInteraction interaction;
        auto program = startProgram(interaction);
        QCOMPARE(interaction.messages.size(), std::size_t(1));
        QCOMPARE(interaction.messages[0].icon, MessageIcon::Error);
        QVERIFY2(interaction.messages[0].text.contains(QStringLiteral("mervalon40.ext")),
                 qPrintable(interaction.messages[0].text));
        QCOMPARE(FileSelectionPage(program->mainWindow()).destinationEdit()->text(), QString());
    }

    void aFailedInstallationIsReported()
    {
        const QString blocker = m_environment.home() + QStringLiteral("/blocker");
        writeFile(blocker, "not a folder");
        storeValue("installpath", blocker + QStringLiteral("/Mervalon40"));
        FakeInteraction interaction;
        auto program = startProgram(interaction);
        QVERIFY(!interaction.messages.empty());
        QVERIFY2(interaction.messages[0].text.startsWith(QStringLiteral("Cannot install into")),
                 qPrintable(interaction.messages[0].text));
        QCOMPARE(interaction.messages[0].icon, MessageIcon::Error);
    }

    void aFailedStartKeepsTheStoredFoldersAndDisablesCreate()
    {
        (void)TestEnvironment::install();
        const QString input = m_environment.home() + QStringLiteral("/survey");
        writeFile(input + QStringLiteral("/a.txt"));
        storeValue("lastpath", input);
        storeValue("lastpath2", QStringLiteral("/var/tmp"));
        removeValue("shint");
        FakeInteraction interaction;
        auto program = startProgram(interaction);
        QCOMPARE(interaction.messages.size(), std::size_t(1));
        QVERIFY(!MainWindowPage(program->mainWindow()).createButton()->isEnabled());
        QSignalSpy ended(&program->mainWindow(), &MainWindow::programEnded);
        program->mainWindow().exitProgram();
        QCOMPARE(ended.count(), 1);
        QCOMPARE(storedValue("lastpath"), input);
        QCOMPARE(storedValue("lastpath2"), QStringLiteral("/var/tmp"));
    }

    void eachSettingsWriteIsJudgedAloneAndAFailedOneNeverBlocksTheExit()
    {
        FakeInteraction interaction;
        auto program = startProgram(interaction);
        MainWindow& window = program->mainWindow();
        // The store's folder replaced by a file: nothing can be written there.
        const QString storeFolder = QFileInfo(TestEnvironment::settingsFile()).absolutePath();
        const QString moved = storeFolder + QStringLiteral(".away");
        QVERIFY(QDir().rename(storeFolder, moved));
        writeFile(storeFolder, "in the way");

        MainWindowPage(window).errorPolicyButton(ErrorPolicy::AbortProcess)->click();
        QCOMPARE(interaction.messages.size(), std::size_t(1));
        QCOMPARE(interaction.messages[0].text, QStringLiteral("Failed to set data for 'er1'"));
        // The window shows the policy that runs use: the old one.
        QCOMPARE(window.runOptions().errorPolicy(), std::optional(ErrorPolicy::SkipLine));
        QVERIFY(MainWindowPage(window).errorPolicyButton(ErrorPolicy::SkipLine)->isChecked());
        QVERIFY(!MainWindowPage(window).errorPolicyButton(ErrorPolicy::AbortProcess)->isChecked());

        QVERIFY(QFile::remove(storeFolder));
        QVERIFY(QDir().rename(moved, storeFolder));
        // The value that failed never reaches the disk with a later write.
        MainWindowPage(window).hintsBox()->click();
        QCOMPARE(storedValue("er1") + storedValue("er2") + storedValue("er3"), QStringLiteral("100"));
        MainWindowPage(window).errorPolicyButton(ErrorPolicy::AbortProcess)->click();
        QCOMPARE(interaction.messages.size(), std::size_t(1));
        QCOMPARE(storedValue("er1") + storedValue("er2") + storedValue("er3"), QStringLiteral("001"));
        QVERIFY(MainWindowPage(window).errorPolicyButton(ErrorPolicy::AbortProcess)->isChecked());

        QVERIFY(QDir().rename(storeFolder, moved));
        writeFile(storeFolder, "in the way");
        QSignalSpy ended(&window, &MainWindow::programEnded);
        window.exitProgram();
        QCOMPARE(interaction.messages.size(), std::size_t(2));
        QCOMPARE(interaction.messages[1].text, QStringLiteral("Failed to set data for 'lastpath'"));
        QCOMPARE(ended.count(), 1);
        QVERIFY(QFile::remove(storeFolder));
        QVERIFY(QDir().rename(moved, storeFolder));
    }

    void leavingWritesTheFoldersAndEndsTheProgram()
    {
        const QString input = m_environment.home() + QStringLiteral("/survey");
        QDir().mkpath(input);
        (void)TestEnvironment::install();
        storeValue("lastpath", input);
        storeValue("lastpath2", QStringLiteral("/tmp"));
        storeValue("locked", 0);
        FakeInteraction interaction;
        auto program = startProgram(interaction);
        MainWindow& window = program->mainWindow();
        QSignalSpy ended(&window, &MainWindow::programEnded);
        FileSelectionPage(window).unlockedButton()->click(); // lock to the input folder
        MainWindowPage(window).exitButton()->click();
        QCOMPARE(ended.count(), 1);
        QVERIFY(!window.isVisible());
        QCOMPARE(storedValue("lastpath"), input);
        QCOMPARE(storedValue("lastpath2"), input);
        QCOMPARE(storedValue("locked"), QStringLiteral("1"));
        QCOMPARE(interaction.messages.size(), std::size_t(0));
    }

    void aCancelledExitKeepsTheWindowButTheFoldersAreWritten()
    {
        const QString input = m_environment.home() + QStringLiteral("/survey");
        QDir().mkpath(input);
        (void)TestEnvironment::install();
        storeValue("lastpath", m_environment.home());
        storeValue("locked", 1);
        FakeInteraction interaction;
        auto program = startProgram(interaction, confirmAnswers(false));
        MainWindow& window = program->mainWindow();
        QSignalSpy ended(&window, &MainWindow::programEnded);
        FileSelectionPage(window).folderTree()->selectPath(input);
        FileSelectionPage(window).lockedButton()->click(); // unlock
        // The close box, Alt+F4 and the system menu all arrive as a close request.
        QVERIFY(!window.close());
        QVERIFY(window.isVisible());
        QCOMPARE(ended.count(), 0);
        QCOMPARE(storedValue("lastpath"), input);
        QCOMPARE(storedValue("lastpath2"), input);
        QCOMPARE(storedValue("locked"), QStringLiteral("0"));
    }

    void aCloseRequestWithNothingChangedEndsTheProgram()
    {
        FakeInteraction interaction;
        auto program = startProgram(interaction, confirmAnswers(true));
        QSignalSpy ended(&program->mainWindow(), &MainWindow::programEnded);
        QVERIFY(program->mainWindow().close());
        QCOMPARE(ended.count(), 1);
    }

    void theConfigurationStripWorksOnlyOnTheFirstTab()
    {
        FakeInteraction interaction;
        auto program = startProgram(interaction);
        MainWindow& window = program->mainWindow();
        auto* pages = MainWindowPage(window).pages();
        const char* strip[] = {ConfigurationControls::loadButton, ConfigurationControls::saveButton,
                               ConfigurationControls::nameLabel, ConfigurationControls::inUseLabel};
        for (const char* name : strip) {
            QVERIFY2(control<QWidget>(window, name)->isEnabled(), name);
        }
        pages->setCurrentIndex(1);
        for (const char* name : strip) {
            QVERIFY2(!control<QWidget>(window, name)->isEnabled(), name);
        }
        pages->setCurrentIndex(2);
        for (const char* name : strip) {
            QVERIFY2(!control<QWidget>(window, name)->isEnabled(), name);
        }
        pages->setCurrentIndex(0);
        for (const char* name : strip) {
            QVERIFY2(control<QWidget>(window, name)->isEnabled(), name);
        }
        QVERIFY(!MainWindowPage(window).optionsCreateButton()->isEnabled());
        QVERIFY(!MainWindowPage(window).aboutCreateButton()->isEnabled());
    }

    void theHintSwitchSuppressesTooltips()
    {
        FakeInteraction interaction;
        auto program = startProgram(interaction);
        MainWindow& window = program->mainWindow();
        auto* hints = MainWindowPage(window).hintsBox();
        auto* target = ConfigurationPage(window).loadButton();
        QCOMPARE(target->toolTip(), QStringLiteral("Load a configuration file."));

        hints->click();
        QCOMPARE(storedValue("shint"), QStringLiteral("0"));
        QToolTip::hideText();
        QHelpEvent hidden(QEvent::ToolTip, QPoint(2, 2), target->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(target, &hidden);
        QVERIFY(!QToolTip::isVisible());

        hints->click();
        QCOMPARE(storedValue("shint"), QStringLiteral("1"));
        QHelpEvent shown(QEvent::ToolTip, QPoint(2, 2), target->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(target, &shown);
        QVERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), QStringLiteral("Load a configuration file."));
        QToolTip::hideText();
        QCOMPARE(QApplication::style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay), 100);
    }

    // "mervalon FILE.rp4" (a file manager opening a configuration) loads the file as the load
    // command would: shown, recorded in mervalon40.ini; a file that is no configuration is
    // reported and changes nothing.
    void aConfigurationGivenAtStartIsLoaded_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<int>("size"); // -1: a valid record with the point layer "GIVEN"; -2: no file
        QTest::addColumn<bool>("loaded");
        QTest::addColumn<QString>("message");
        QTest::newRow("a configuration") << "site.rp4" << -1 << true << QString();
        QTest::newRow("any name") << "site plan.dat" << -1 << true << QString();
        QTest::newRow("one byte short") << "short.rp4" << 671 << false
                                        << "This is not a Mervalon 4.0 configuration file. ";
        QTest::newRow("empty") << "empty.rp4" << 0 << false << "This is not a Mervalon 4.0 configuration file. ";
        QTest::newRow("missing") << "missing.rp4" << -2 << false << "Cannot open file";
    }

    void aConfigurationGivenAtStartIsLoaded()
    {
        QFETCH(QString, fileName);
        QFETCH(int, size);
        QFETCH(bool, loaded);
        QFETCH(QString, message);
        FakeInteraction interaction;
        auto program = startProgram(interaction);
        MainWindow& window = program->mainWindow();
        const QString path = m_environment.home() + QStringLiteral("/jobs/") + fileName;
        if (size == -1) {
            mervalon::config::Configuration record = mervalon::config::readConfigurationFile(
                (program->installDir() + QStringLiteral("/!Default.rp4")).toStdString());
            record.entity(EntityKind::Point).layer = "GIVEN";
            QDir().mkpath(QFileInfo(path).path());
            mervalon::config::writeConfigurationFile(path.toStdString(), record);
        } else if (size >= 0) {
            writeFile(path, QByteArray(size, '\0'));
        }
        const QString ini = program->installDir() + QStringLiteral("/mervalon40.ini");

        QCOMPARE(program->loadGivenConfiguration(path), loaded);
        if (loaded) {
            QCOMPARE(interaction.messages.size(), std::size_t(0));
            QCOMPARE(ConfigurationPage(window).nameLabel()->text(), fileName);
            QCOMPARE(readFile(ini), fileName.toUtf8());
            QCOMPARE(EntityPanelsPage(window).layerEdit(EntityKind::Point)->text(), QStringLiteral("GIVEN"));
        } else {
            QCOMPARE(interaction.messages.size(), std::size_t(1));
            QCOMPARE(interaction.messages[0].icon, MessageIcon::Error);
            QVERIFY2(interaction.messages[0].text.startsWith(message), qPrintable(interaction.messages[0].text));
            QCOMPARE(ConfigurationPage(window).nameLabel()->text(), QStringLiteral("!Default.rp4"));
            QCOMPARE(readFile(ini), QByteArray("!Default.rp4"));
            QCOMPARE(EntityPanelsPage(window).layerEdit(EntityKind::Point)->text(), QStringLiteral("POINTS"));
        }
    }

    void aRelativePathIsTakenFromTheCurrentFolder()
    {
        FakeInteraction interaction;
        auto program = startProgram(interaction);
        const QString folder = m_environment.home() + QStringLiteral("/jobs");
        mervalon::config::Configuration record = mervalon::config::readConfigurationFile(
            (program->installDir() + QStringLiteral("/!Default.rp4")).toStdString());
        record.entity(EntityKind::Point).layer = "HERE";
        QDir().mkpath(folder);
        mervalon::config::writeConfigurationFile((folder + QStringLiteral("/here.rp4")).toStdString(), record);
        const QString previous = QDir::currentPath();
        QDir::setCurrent(folder);
        const bool loaded = program->loadGivenConfiguration(QStringLiteral("here.rp4"));
        QDir::setCurrent(previous);
        QVERIFY(loaded);
        QCOMPARE(EntityPanelsPage(program->mainWindow()).layerEdit(EntityKind::Point)->text(), QStringLiteral("HERE"));
    }

    void noConfigurationIsLoadedIntoAWindowWhoseStartFailed()
    {
        // Without any default configuration the start stops with its error; the given file
        // is not applied to a window that was never set up.
        const QString installDir = TestEnvironment::install();
        QFile::remove(installDir + QStringLiteral("/!Default.rp4"));
        QFile::remove(installDir + QStringLiteral("/configurations/!Default.rp4"));
        writeFile(installDir + QStringLiteral("/mervalon40.ini"), "gone.rp4");
        FakeInteraction interaction;
        auto program = startProgram(interaction);
        QVERIFY(!program->mainWindow().startSucceeded());
        const std::size_t reported = interaction.messages.size();
        QVERIFY(reported > 0);
        const QString path = m_environment.home() + QStringLiteral("/site.rp4");
        mervalon::config::Configuration record;
        record.entity(EntityKind::Point).layer = "GIVEN";
        mervalon::config::writeConfigurationFile(path.toStdString(), record);
        QVERIFY(!program->loadGivenConfiguration(path));
        QCOMPARE(interaction.messages.size(), reported);
        QCOMPARE(readFile(installDir + QStringLiteral("/mervalon40.ini")), QByteArray("gone.rp4"));
    }

  private:
    TestEnvironment& m_environment;
};

MERVALON_APP_TEST_MAIN(ProgramStartTest)
#include "ProgramStart_test.moc"
