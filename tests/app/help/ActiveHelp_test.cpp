#include "app/AppTestSupport.h"
#include "app/entities/EntityPages.h"
#include "app/entities/EntityPanels.h"
#include "app/files/DestinationFolderDialog.h"
#include "app/files/ExtensionListControls.h"
#include "app/files/ExtensionListDialog.h"
#include "app/files/FilePages.h"
#include "app/files/FileSelectionControls.h"
#include "app/formats/FormatEditorDialog.h"
#include "app/formats/FormatEditorPages.h"
#include "app/help/ActiveHelp.h"
#include "app/help/ActiveHelpWindow.h"
#include "app/help/HelpPages.h"
#include "app/help/HelpTopicsRules.h"
#include "app/help/ManualWindow.h"
#include "app/mainwindow/MainWindowPage.h"
#include "app/modifiers/DataModifiersControls.h"
#include "app/modifiers/DataModifiersDialog.h"
#include "app/modifiers/DataModifiersPage.h"
#include "app/order/EntitiesOrderControls.h"
#include "app/order/EntitiesOrderDialog.h"
#include "app/order/EntitiesOrderPage.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QHelpEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QScreen>
#include <QSet>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTextBrowser>
#include <QToolButton>
#include <QToolTip>
#include <cstdlib>

using namespace mervalon::app;
using namespace mervalon::app::testing;
using mervalon::config::EntityKind;

Q_DECLARE_METATYPE(mervalon::app::HelpWindow)

namespace {

/// The pointer moving over `widget` without a button pressed, as the desktop delivers it.
void hover(QWidget* widget)
{
    const QPointF local(1, 1);
    QMouseEvent move(QEvent::MouseMove, local, widget->mapToGlobal(local), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

QList<int> shownTopics(const QSignalSpy& spy)
{
    QList<int> topics;
    for (const QList<QVariant>& arguments : spy) {
        topics << arguments.at(0).toInt();
    }
    return topics;
}

} // namespace

class ActiveHelpTest : public QObject {
    Q_OBJECT
  public:
    explicit ActiveHelpTest(TestEnvironment& environment) : m_environment(environment) {}

  private slots:
    void init() { m_environment.reset(); }

    void theTableAnswersForTheControlUnderThePointer_data()
    {
        QTest::addColumn<HelpWindow>("window");
        QTest::addColumn<QStringList>("chain");
        QTest::addColumn<int>("topic");
        using W = HelpWindow;
        QTest::newRow("folder tree viewport")
            << W::Main
            << QStringList{"qt_scrollarea_viewport", FileSelectionControls::folderTree,
                           FileSelectionControls::filesGroup}
            << 1;
        QTest::newRow("file list") << W::Main << QStringList{FileSelectionControls::fileList} << 2;
        QTest::newRow("lock button") << W::Main
                                     << QStringList{FileSelectionControls::unlockedButton,
                                                    FileSelectionControls::destinationGroup}
                                     << 3;
        QTest::newRow("entities group free area")
            << W::Main << QStringList{MainWindowControls::entitiesGroup, MainWindowControls::creationPage} << 6;
        QTest::newRow("a control inside the entities group has its own")
            << W::Main
            << QStringList{EntityPanelsControls::createBox(EntityKind::Point),
                           EntityPanelsControls::page(EntityKind::Point), "qt_tabwidget_stackedwidget",
                           EntityPanelsControls::tabs, MainWindowControls::entitiesGroup}
            << 0;
        QTest::newRow("layer edit") << W::Main
                                    << QStringList{EntityPanelsControls::layerEdit(EntityKind::Polyline),
                                                   EntityPanelsControls::page(EntityKind::Polyline),
                                                   EntityPanelsControls::tabs}
                                    << 17;
        QTest::newRow("height edit of the main window")
            << W::Main << QStringList{EntityPanelsControls::heightEdit(EntityKind::Number)} << 18;
        QTest::newRow("prefix edit of the format editor")
            << W::FormatEditor << QStringList{FormatEditorControls::prefixEdits[1], FormatEditorControls::rowPanels[1]}
            << 24;
        QTest::newRow("colour panel") << W::Main << QStringList{EntityPanelsControls::colorPanel(EntityKind::Y)} << 19;
        QTest::newRow("3D button") << W::Main
                                   << QStringList{EntityPanelsControls::spatialButton(EntityKind::Description)} << 20;
        QTest::newRow("text file button") << W::FormatEditor << QStringList{FormatEditorControls::textKindButton} << 21;
        QTest::newRow("sheet panel, not its edits")
            << W::FormatEditor << QStringList{FormatEditorControls::sheetNumberEdit, FormatEditorControls::sheetPanel}
            << 0;
        QTest::newRow("unnamed layout widget")
            << W::Main << QStringList{"", MainWindowControls::lastReportButton} << 29;
        QTest::newRow("main window free area") << W::Main << QStringList{} << 0;
        QTest::newRow("extension list free area") << W::ExtensionList << QStringList{} << 15;
        QTest::newRow("extension list edit") << W::ExtensionList << QStringList{ExtensionListControls::nameEdit} << 15;
        QTest::newRow("format list group") << W::FormatEditor << QStringList{FormatEditorControls::formatsGroup} << 26;
        QTest::newRow("entities position")
            << W::EntitiesOrder << QStringList{EntitiesOrderControls::positionGroup} << 12;
        QTest::newRow("renumbering") << W::DataModifiers << QStringList{DataModifiersControls::renumberingGroup} << 32;
        QTest::newRow("coordinates modification")
            << W::DataModifiers << QStringList{DataModifiersControls::coordinatesGroup} << 33;
        QTest::newRow("another window") << W::Other << QStringList{"GroupBox1"} << 0;
    }

    void theTableAnswersForTheControlUnderThePointer()
    {
        QFETCH(HelpWindow, window);
        QFETCH(QStringList, chain);
        QFETCH(int, topic);
        QCOMPARE(helpTopicUnderPointer(window, chain), topic);
    }

    void windowsAreKnownByNameOrCaption()
    {
        QCOMPARE(helpWindowOf(QString::fromLatin1(MainWindowControls::window), u" Mervalon 4.0"), HelpWindow::Main);
        QCOMPARE(helpWindowOf(QString::fromLatin1(ExtensionListControls::window), u""), HelpWindow::ExtensionList);
        QCOMPARE(helpWindowOf(u"anything", u" Format Editor"), HelpWindow::FormatEditor);
        QCOMPARE(helpWindowOf(u"", u" Entities order"), HelpWindow::EntitiesOrder);
        QCOMPARE(helpWindowOf(u"", u" Data modifiers"), HelpWindow::DataModifiers);
        QCOMPARE(helpWindowOf(QString::fromLatin1(ColorPickerControls::window), u" Color selection"),
                 HelpWindow::Other);
        QCOMPARE(helpWindowOf(u"", u""), HelpWindow::Other);
    }

    void everyTopicButEightAndThirtyBelongsToAControl()
    {
        // Topic numbers are anchors of the help page; a gap or a stray number would show the
        // wrong text.
        const QStringList names{
            "sh1",     "fl1",           "Edit1",         "SpeedButton15", "autosel",       "GroupBox3", "GroupBox4",
            "Button2", "SpeedButton13", "SpeedButton12", "pt_la",         "Edit2",         "Panel1",    "rb1",
            "BitBtn1", "BitBtn2",       "BitBtn10",      "SpeedButton17", "GroupBox1",     "GroupBox2", "ListBox1",
            "Edit5",   "Edit4",         "CheckBox4",     "RadioButton11", "RadioButton12", ""};
        QSet<int> topics;
        for (HelpWindow window : {HelpWindow::Main, HelpWindow::EntitiesOrder, HelpWindow::ExtensionList,
                                  HelpWindow::FormatEditor, HelpWindow::DataModifiers}) {
            for (const QString& name : names) {
                topics.insert(helpTopicOf(window, name));
            }
        }
        topics.remove(0);
        QSet<int> expected;
        for (int topic = 1; topic <= 33; ++topic) {
            if (topic != 8 && topic != kStartHelpTopic) {
                expected.insert(topic);
            }
        }
        QCOMPARE(topics, expected);
    }

    void everyControlOfTheTableExists()
    {
        // A control renamed in its window would silently lose its topic.
        FakeInteraction interaction;
        auto program = startProgram(interaction);
        MainWindow& main = program->mainWindow();
        const std::pair<HelpWindow, QWidget*> windows[] = {{HelpWindow::Main, &main},
                                                           {HelpWindow::ExtensionList, &program->extensionListDialog()},
                                                           {HelpWindow::DataModifiers, &main.dataModifiersDialog()},
                                                           {HelpWindow::EntitiesOrder, &main.entitiesOrderDialog()},
                                                           {HelpWindow::FormatEditor, &program->formatEditor()}};
        for (const auto& [kind, window] : windows) {
            QCOMPARE(helpWindowOf(window->objectName(), window->windowTitle()), kind);
            for (const QString& name : helpTopicControls(kind)) {
                QVERIFY2(window->findChild<QWidget*>(name) != nullptr, qPrintable(name));
            }
        }
    }

    void addressesComeFromTheInstallationFolder()
    {
        QCOMPARE(helpTopicAddress("/home/ann/Mervalon40", 17),
                 QStringLiteral("/home/ann/Mervalon40/activehelp/qvh.htm#17"));
        QCOMPARE(helpFilePath("/home/ann/Mervalon40"), QStringLiteral("/home/ann/Mervalon40/help/index.html"));
    }

    void thePlaceStaysOnTheScreenAndOffTheMainWindow_data()
    {
        QTest::addColumn<QRect>("main");
        QTest::addColumn<int>("offset");
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QPoint>("help");
        QTest::addColumn<QPoint>("movedMain"); // (-1, -1): the main window stays
        const QRect wide(0, 0, 1280, 800);
        const QPoint stays(-1, -1);
        QTest::newRow("room on the left") << QRect(400, 120, 602, 496) << 200 << wide << QPoint(200, 120) << stays;
        QTest::newRow("switched on") << QRect(400, 120, 602, 496) << 162 << wide << QPoint(238, 120) << stays;
        QTest::newRow("above the top") << QRect(400, -40, 602, 496) << 200 << wide << QPoint(200, 0) << stays;
        QTest::newRow("below the bottom")
            << QRect(400, 700, 602, 496) << 200 << wide << QPoint(200, 800 - 230) << stays;
        QTest::newRow("far right") << QRect(1600, 100, 602, 496) << 162 << wide << QPoint(1280 - 160, 100) << stays;
        // Kept on the screen on the left it would cover the main window's first tab: it goes to
        // the right, at the same gap.
        QTest::newRow("near the left edge") << QRect(60, 120, 602, 496) << 200 << wide << QPoint(702, 120) << stays;
        // 150 % on 1366 x 768: 910 x 512 logical pixels, the main window centred and 701 wide.
        // Neither side has room: the help takes the left edge, the main window moves beside it.
        const QRect scaled(0, 0, 910, 512);
        QTest::newRow("scaled screen") << QRect(104, 0, 701, 512) << 162 << scaled << QPoint(0, 0) << QPoint(162, 0);
        // Too narrow for both: as before, kept whole on the screen over the main window.
        QTest::newRow("no room for both") << QRect(50, 0, 800, 512) << 162 << scaled << QPoint(0, 0) << stays;
    }

    void thePlaceStaysOnTheScreenAndOffTheMainWindow()
    {
        QFETCH(QRect, main);
        QFETCH(int, offset);
        QFETCH(QRect, screen);
        QFETCH(QPoint, help);
        QFETCH(QPoint, movedMain);
        const ActiveHelpPlacement place = activeHelpPlacement(main, QSize(160, 230), screen, offset);
        QCOMPARE(place.help, help);
        QCOMPARE(place.main.value_or(QPoint(-1, -1)), movedMain);
    }

    void offItShowsNothingAndSwitchingOnShowsTopic30()
    {
        FakeInteraction interaction;
        auto program = startProgram(interaction);
        MainWindow& window = program->mainWindow();
        ActiveHelp& help = program->activeHelp();
        QSignalSpy shown(&help, &ActiveHelp::topicShown);
        QVERIFY(!help.window().isVisible());

        hover(FileSelectionPage(window).folderTree());
        hover(EntityPanelsPage(window).colorPanel(EntityKind::Point));
        QCOMPARE(shown.count(), 0);
        QCOMPARE(help.lastHelpTopic(), 0);

        MainWindowPage(window).activeHelpBox()->click();
        QCOMPARE(storedValue("achelp"), QStringLiteral("1"));
        QVERIFY(help.window().isVisible());
        QCOMPARE(shownTopics(shown), QList<int>{30});
        QTextBrowser& browser = help.window().browser();
        QCOMPARE(browser.objectName(), QLatin1String(ActiveHelpWindowControls::browser));
        QCOMPARE(browser.source().toLocalFile(), program->installDir() + QStringLiteral("/activehelp/qvh.htm"));
        QCOMPARE(browser.source().fragment(), QStringLiteral("30"));
        QCOMPARE(help.window().windowTitle(), QStringLiteral("Active Help"));
        QCOMPARE(help.window().size(), QSize(152, 202));
        QVERIFY(help.window().windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    }

    void oneTopicLoadsOnceAndAnotherLoadsAtOnce()
    {
        FakeInteraction interaction;
        auto program = startProgram(interaction);
        MainWindow& window = program->mainWindow();
        ActiveHelp& help = program->activeHelp();
        MainWindowPage(window).activeHelpBox()->click();
        QSignalSpy shown(&help, &ActiveHelp::topicShown);

        // The point's layer edit and the polyline's, on two tabs: one topic, one page load.
        auto* entityTabs = EntityPanelsPage(window).tabs();
        hover(EntityPanelsPage(window).layerEdit(EntityKind::Point));
        entityTabs->setCurrentIndex(entityTabs->count() - 1);
        hover(EntityPanelsPage(window).layerEdit(EntityKind::Polyline));
        QCOMPARE(shownTopics(shown), QList<int>{17});
        hover(EntityPanelsPage(window).colorPanel(EntityKind::Y));
        QCOMPARE(shownTopics(shown), (QList<int>{17, 19}));
        QCOMPARE(help.window().browser().source().fragment(), QStringLiteral("19"));

        // The group's free area has its topic; a control inside it without one changes nothing.
        hover(control<QWidget>(window, MainWindowControls::entitiesGroup));
        hover(EntityPanelsPage(window).createBox(EntityKind::Polyline));
        hover(MainWindowPage(window).entitiesOrderButton());
        // Inside the file list: Qt's viewport stands for the list.
        hover(FileSelectionPage(window).fileList()->findChild<QWidget*>(QStringLiteral("qt_scrollarea_viewport")));
        hover(MainWindowPage(window).dataModifiersButton());
        QCOMPARE(shownTopics(shown), (QList<int>{17, 19, 6, 9, 2, 31}));

        // The Active Help window itself and windows without topics keep the last topic.
        hover(&help.window().browser());
        hover(&program->destinationDialog());
        QCOMPARE(help.lastHelpTopic(), 31);
    }

    void dialogsHaveTheirTopicsWithoutCodeOfTheirOwn()
    {
        FakeInteraction interaction;
        auto program = startProgram(interaction);
        ActiveHelp& help = program->activeHelp();
        MainWindowPage(program->mainWindow()).activeHelpBox()->click();
        QSignalSpy shown(&help, &ActiveHelp::topicShown);

        ExtensionListDialog& extensions = program->extensionListDialog();
        hover(&extensions);
        hover(ExtensionListPage(extensions).entryList()->viewport());
        hover(ExtensionListPage(extensions).extensionsEdit());
        hover(ExtensionListPage(extensions).nameLabel());
        hover(control<QWidget>(program->mainWindow().entitiesOrderDialog(), EntitiesOrderControls::distanceGroup));
        hover(control<QWidget>(program->mainWindow().dataModifiersDialog(), DataModifiersControls::coordinatesGroup));
        hover(FormatEditorPage(program->formatEditor()).positionEdit(2));
        hover(FormatEditorPage(program->formatEditor()).keepBox(2));

        // A window known by its caption alone: its controls answer as soon as it exists.
        QWidget editor(nullptr, Qt::Dialog);
        editor.setWindowTitle(QStringLiteral(" Format Editor"));
        auto* formats = new QGroupBox(QStringLiteral(" Available formats "), &editor);
        formats->setObjectName(QLatin1String(FormatEditorControls::formatsGroup));
        hover(formats);
        QCOMPARE(shownTopics(shown), (QList<int>{15, 14, 16, 15, 13, 33, 23, 25, 26}));
    }

    void switchingOffHidesAndKeepsTheLastTopic()
    {
        FakeInteraction interaction;
        auto program = startProgram(interaction);
        ActiveHelp& help = program->activeHelp();
        auto* activeHelpBox = MainWindowPage(program->mainWindow()).activeHelpBox();
        activeHelpBox->click();
        QSignalSpy shown(&help, &ActiveHelp::topicShown);

        activeHelpBox->click();
        QVERIFY(!help.window().isVisible());
        QCOMPARE(storedValue("achelp"), QStringLiteral("0"));
        hover(FileSelectionPage(program->mainWindow()).folderTree());
        // Topic 30 is still the page shown: switching on again loads nothing.
        activeHelpBox->click();
        QVERIFY(help.window().isVisible());
        QCOMPARE(shown.count(), 0);
        QCOMPARE(help.lastHelpTopic(), 30);
    }

    void closingTheWindowIsRefused()
    {
        FakeInteraction interaction;
        auto program = startProgram(interaction);
        ActiveHelp& help = program->activeHelp();
        MainWindowPage(program->mainWindow()).activeHelpBox()->click();

        QVERIFY(!help.window().close());
        QVERIFY(help.window().isVisible());
        QCOMPARE(interaction.messages.size(), std::size_t{1});
        QCOMPARE(interaction.messages[0].text, QStringLiteral("Please see the \"Options\" tab to disable Active Help"));
        QCOMPARE(interaction.messages[0].icon, MessageIcon::Information);
        QCOMPARE(interaction.messages[0].buttons, MessageButtons::Ok);

        // Leaving the program closes it with the others, without a word.
        program->mainWindow().exitProgram();
        QVERIFY(help.window().close());
        QCOMPARE(interaction.messages.size(), std::size_t{1});
    }

    void theWindowStartPlacesItFurtherLeftAndShowsTopic30()
    {
        storeValue("achelp", 1);
        FakeInteraction interaction;
        auto program = startProgram(interaction);
        MainWindow& window = program->mainWindow();
        ActiveHelp& help = program->activeHelp();
        QVERIFY(MainWindowPage(window).activeHelpBox()->isChecked());
        QVERIFY(help.window().isVisible());
        QCOMPARE(help.lastHelpTopic(), 30);
        QCOMPARE(help.window().browser().source().fragment(), QStringLiteral("30"));

        const QRect screen = window.screen()->availableGeometry();
        const QRect frame = window.frameGeometry();
        QCOMPARE(help.window().pos().x(), std::max(screen.left(), frame.left() - 200));
        // The desktop adds the window frames only once the windows are shown: a few pixels.
        QVERIFY(std::abs(help.window().pos().y() - frame.top()) <= 4);
        QVERIFY(screen.contains(help.window().frameGeometry()));

        // With room on the left, switching on again puts it 162 pixels left.
        window.move(screen.left() + 300, screen.top() + 40);
        auto* activeHelpBox = MainWindowPage(window).activeHelpBox();
        activeHelpBox->click();
        activeHelpBox->click();
        QCOMPARE(help.window().pos(), QPoint(window.frameGeometry().left() - 162, window.frameGeometry().top()));
    }

    void theHelpButtonsOpenTheManual()
    {
        FakeInteraction interaction;
        auto program = startProgram(interaction);
        const QString manual = QStringLiteral("manual: ") + program->installDir() + QStringLiteral("/help/index.html");
        const MainWindowPage window(program->mainWindow());
        for (QToolButton* button :
             {window.helpFileButton(), window.optionsHelpFileButton(), window.aboutHelpFileButton()}) {
            QCOMPARE(button->toolTip(), QStringLiteral("Show Help File..."));
            interaction.calls.clear();
            button->click();
            QCOMPARE(interaction.calls, QStringList{manual});
        }
        // The dialogs' "Help" buttons open it too.
        const std::pair<QWidget*, QAbstractButton*> dialogs[] = {
            {&program->mainWindow().dataModifiersDialog(),
             DataModifiersPage(program->mainWindow().dataModifiersDialog()).helpButton()},
            {&program->mainWindow().entitiesOrderDialog(),
             EntitiesOrderPage(program->mainWindow().entitiesOrderDialog()).helpButton()},
            {&program->formatEditor(), FormatEditorPage(program->formatEditor()).helpButton()}};
        for (const auto& [dialog, helpButton] : dialogs) {
            interaction.calls.clear();
            helpButton->click();
            QCOMPARE(interaction.calls, QStringList{manual});
        }
        QVERIFY(interaction.messages.empty());
    }

    void f1ShowsTheManualFromAnyWindow()
    {
        FakeInteraction interaction;
        auto program = startProgram(interaction);
        const QString manual = QStringLiteral("manual: ") + program->installDir() + QStringLiteral("/help/index.html");
        QTest::keyClick(FileSelectionPage(program->mainWindow()).fileList(), Qt::Key_F1);
        QCOMPARE(interaction.calls, QStringList{manual});
        interaction.calls.clear();
        program->extensionListDialog().show();
        QTest::keyClick(ExtensionListPage(program->extensionListDialog()).extensionsEdit(), Qt::Key_F1);
        QCOMPARE(interaction.calls, QStringList{manual});
    }

    void aMissingManualIsSaid()
    {
        FakeInteraction interaction;
        auto program = startProgram(interaction);
        const QString page = program->installDir() + QStringLiteral("/help/index.html");
        QVERIFY(QFile::remove(page));
        MainWindowPage(program->mainWindow()).helpFileButton()->click();
        QCOMPARE(interaction.messages.size(), std::size_t(1));
        QCOMPARE(interaction.messages[0].text, missingManualMessage(page));
        QVERIFY(interaction.calls.filter(QStringLiteral("manual: ")).isEmpty());
    }

    void theManualWindowGoesBackAndForward()
    {
        const QString installDir = TestEnvironment::install();
        ManualWindow manual;
        manual.showPage(QUrl::fromLocalFile(installDir + QStringLiteral("/help/index.html")));
        QTextBrowser& browser = manual.browser();
        QVERIFY(!browser.document()->isEmpty());
        auto* back = ManualWindowPage(manual).backButton();
        auto* forward = ManualWindowPage(manual).forwardButton();
        QVERIFY(!back->isEnabled());
        const QUrl first = browser.source();
        browser.setSource(QUrl::fromLocalFile(installDir + QStringLiteral("/help/report.html")));
        QVERIFY(browser.toPlainText().contains(QStringLiteral("report"), Qt::CaseInsensitive));
        QVERIFY(back->isEnabled());
        back->click();
        QCOMPARE(browser.source(), first);
        QVERIFY(forward->isEnabled());
        forward->click();
        QVERIFY(browser.source().toString().endsWith(QStringLiteral("report.html")));
        ManualWindowPage(manual).contentsButton()->click();
        QCOMPARE(browser.source(), first);
        QVERIFY(manual.windowTitle().startsWith(QStringLiteral("Mervalon Help")));
    }

    void tooltipsAreOffInTheDialogsToo()
    {
        FakeInteraction interaction;
        auto program = startProgram(interaction);
        auto* hints = MainWindowPage(program->mainWindow()).hintsBox();
        ExtensionListDialog& extensions = program->extensionListDialog();
        extensions.show();
        auto* target = ExtensionListPage(extensions).extensionsEdit();
        const auto askForTip = [target] {
            QToolTip::hideText();
            QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), target->mapToGlobal(QPoint(2, 2)));
            QApplication::sendEvent(target, &help);
        };

        hints->click();
        askForTip();
        QVERIFY(!QToolTip::isVisible());
        hints->click();
        askForTip();
        QVERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), QStringLiteral("Extensions used. Separated with semicolon."));
        QToolTip::hideText();
        extensions.hide();
    }

  private:
    TestEnvironment& m_environment;
};

MERVALON_APP_TEST_MAIN(ActiveHelpTest)

#include "ActiveHelp_test.moc"
