// The entity tabs: their rows, enabling rules, height and layer checks, the tabs a format can
// feed, and the colour picker.

#include "app/AppTestSupport.h"
#include "app/common/FieldCheck.h"
#include "app/entities/ColorPicker.h"
#include "app/entities/EntityPages.h"
#include "app/entities/EntityPanels.h"
#include "app/entities/EntityRules.h"
#include "app/mainwindow/MainWindowControls.h"
#include "app/mainwindow/MainWindowPage.h"
#include "app/modifiers/DataModifiersPage.h"
#include "core/engine/DxfWriter.h"
#include "core/formats/FormatDefinition.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

using namespace mervalon;
using namespace mervalon::app;
using namespace mervalon::app::testing;
using mervalon::config::EntityKind;
using mervalon::formats::PointValue;

namespace {

/// An installation with a format "flat" that imports neither number, Z, description nor code.
QString installWithFlatFormat()
{
    const QString installDir = TestEnvironment::install();
    formats::FormatDefinition flat;
    flat.name = "flat";
    flat.value(PointValue::X).column = 1;
    flat.value(PointValue::Y).column = 2;
    flat.firstLine = 1;
    flat.separator = ",";
    formats::saveFormatFile(installDir.toStdString(), flat, "flat");
    return installDir;
}

void chooseFormat(MainWindow& window, const QString& name)
{
    auto* format = MainWindowPage(window).formatList();
    format->setCurrentIndex(format->findText(name));
    window.formatChange();
}

} // namespace

class EntityPanelsTest : public QObject {
    Q_OBJECT
  public:
    explicit EntityPanelsTest(TestEnvironment& environment) : m_environment(environment) {}

  private slots:
    void init() { m_environment.reset(); }

    void layerNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("valid");
        QTest::newRow("plain") << "Points" << true;
        QTest::newRow("signs only") << "$-_" << true;
        QTest::newRow("31 characters") << QString(31, QLatin1Char('A')) << true;
        QTest::newRow("32 characters") << QString(32, QLatin1Char('A')) << false;
        QTest::newRow("blank inside") << "My Points" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("accented") << QString::fromUtf8("Pöints") << false;
        QTest::newRow("dot") << "a.b" << false;
    }

    void layerNames()
    {
        QFETCH(QString, name);
        QFETCH(bool, valid);
        QCOMPARE(isValidLayerName(name), valid);
    }

    void heights_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("beeps");
        QTest::newRow("whole") << "1"
                               << "1.000" << false;
        QTest::newRow("rounded") << "0.12345"
                                 << "0.123" << false;
        QTest::newRow("negative") << "-1"
                                  << "-1.000" << false;
        QTest::newRow("exponent") << "2e1"
                                  << "20.000" << false;
        QTest::newRow("comma") << "1,5"
                               << "1,5" << true;
        QTest::newRow("empty") << ""
                               << "" << true;
        QTest::newRow("infinite") << "inf"
                                  << "inf" << true;
    }

    void heights()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(bool, beeps);
        FakeInteraction interaction;
        auto program = startProgram(interaction);
        auto* edit = EntityPanelsPage(program->mainWindow()).heightEdit(EntityKind::Number);
        edit->setText(typed);
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(edit->text(), shown);
        QCOMPARE(interaction.calls.contains(QStringLiteral("beep: 440 Hz 100 ms")), beeps);
        QCOMPARE(interaction.messages.size(), std::size_t(beeps ? 1 : 0));
        if (beeps) {
            QCOMPARE(interaction.messages[0].text, EntityPanels::kBadHeight);
            QCOMPARE(edit->selectedText(), typed);
        }
    }

    void aLayerNameIsTrimmedAndAnInvalidOneReported()
    {
        FakeInteraction interaction;
        auto program = startProgram(interaction);
        auto* edit = EntityPanelsPage(program->mainWindow()).layerEdit(EntityKind::Point);
        edit->setText(QStringLiteral("  Points\t"));
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(edit->text(), QStringLiteral("Points"));
        QCOMPARE(interaction.messages.size(), std::size_t(0));
        edit->setText(QStringLiteral("My Points"));
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(edit->text(), QStringLiteral("My Points"));
        QCOMPARE(interaction.calls.filter(QStringLiteral("beep")).size(), 1);
        QCOMPARE(interaction.messages.size(), std::size_t(1));
        QCOMPARE(interaction.messages[0].text,
                 QStringLiteral("Error, invalid characters in Layer Name or Name length greater than 31 characters."));
        QCOMPARE(interaction.messages[0].icon, MessageIcon::Error);
        QCOMPARE(edit->selectedText(), QStringLiteral("My Points"));
    }

    void leavingABadFieldByTabOrClickGivesOneMessageAndStays_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("leaving"); // "tab", "backtab", "enter", or the name of the control clicked
        QTest::newRow("layer, Tab") << QString::fromLatin1(EntityPanelsControls::layerEdit(EntityKind::Point))
                                    << "bad name"
                                    << "tab";
        QTest::newRow("layer, Shift+Tab")
            << QString::fromLatin1(EntityPanelsControls::layerEdit(EntityKind::Point)) << "bad name"
            << "backtab";
        QTest::newRow("layer, click on another tab")
            << QString::fromLatin1(EntityPanelsControls::layerEdit(EntityKind::Point)) << "bad name"
            << "tab:2";
        QTest::newRow("layer, click on Data modifiers")
            << QString::fromLatin1(EntityPanelsControls::layerEdit(EntityKind::Point)) << "bad name"
            << QString::fromLatin1(MainWindowControls::dataModifiersButton);
        QTest::newRow("layer, click on Create DXF Files")
            << QString::fromLatin1(EntityPanelsControls::layerEdit(EntityKind::Point)) << "bad name"
            << QString::fromLatin1(MainWindowControls::createButton);
        QTest::newRow("height, click on another tab")
            << QString::fromLatin1(EntityPanelsControls::heightEdit(EntityKind::Number)) << "abcX"
            << "tab:0";
        QTest::newRow("height, Enter") << QString::fromLatin1(EntityPanelsControls::heightEdit(EntityKind::Number))
                                       << "abcX"
                                       << "enter";
    }

    void leavingABadFieldByTabOrClickGivesOneMessageAndStays()
    {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(QString, leaving);
        FakeInteraction interaction;
        auto program = startProgram(interaction);
        MainWindow& window = program->mainWindow();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto* edit = control<QLineEdit>(window, field.toLatin1().constData());
        EntityPanels& panels = window.entityPanels();
        FieldCheck::bringIntoView(*edit);
        const int page = panels.currentIndex();
        edit->setFocus();
        edit->setText(typed);
        if (leaving == QLatin1String("tab")) {
            QTest::keyClick(edit, Qt::Key_Tab);
        } else if (leaving == QLatin1String("backtab")) {
            QTest::keyClick(edit, Qt::Key_Backtab, Qt::ShiftModifier);
        } else if (leaving == QLatin1String("enter")) {
            QTest::keyClick(edit, Qt::Key_Return);
        } else {
            // A click as the window system gives it: to the window, before any widget has the focus.
            QWidget* target = leaving.startsWith(QLatin1String("tab:"))
                                  ? static_cast<QWidget*>(panels.tabButton(leaving.mid(4).toInt()))
                                  : control<QWidget>(window, leaving.toLatin1().constData());
            QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {},
                              target->mapTo(&window, target->rect().center()));
        }
        QCOMPARE(interaction.messages.size(), std::size_t(1));
        QCOMPARE(interaction.messages[0].text,
                 field == QLatin1String(EntityPanelsControls::layerEdit(EntityKind::Point))
                     ? EntityPanels::kBadLayerName
                     : EntityPanels::kBadHeight);
        QCOMPARE(interaction.calls.filter(QStringLiteral("dialog: ")).size(), 0); // no dialog opened past it
        QCOMPARE(panels.currentIndex(), page);
        QCOMPARE(QApplication::focusWidget(), edit);
        QCOMPARE(edit->selectedText(), typed);
    }

    void aCreateByteIsReadAsTheConversionReadsIt_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<bool>("checked");
        QTest::newRow("0") << 0 << false;
        QTest::newRow("1") << 1 << true;
        QTest::newRow("2, written by another tool") << 2 << false;
        QTest::newRow("255") << 255 << false;
    }

    void aCreateByteIsReadAsTheConversionReadsIt()
    {
        QFETCH(int, stored);
        QFETCH(bool, checked);
        FakeInteraction interaction;
        auto program = startProgram(interaction);
        EntityPanels& panels = program->mainWindow().entityPanels();
        config::Configuration configuration;
        panels.captureConfiguration(configuration);
        for (config::EntitySettings& entity : configuration.entities) {
            entity.create = static_cast<std::uint8_t>(stored);
        }
        panels.showConfiguration(configuration);
        for (const config::EntityKindInfo& kind : config::kEntityKinds) {
            QVERIFY2(EntityPanelsPage(program->mainWindow()).createBox(kind.kind)->isChecked() == checked,
                     EntityPanelsControls::createBox(kind.kind));
        }
        QCOMPARE(engine::isCreateFlagSet(static_cast<std::uint8_t>(stored)), checked);
        config::Configuration captured;
        panels.captureConfiguration(captured);
        QCOMPARE(int(captured.entity(EntityKind::Point).create), checked ? 1 : 0);
    }

    void switchingAnEntityOnFillsItsEmptyValuesAndOffKeepsThem()
    {
        FakeInteraction interaction;
        auto program = startProgram(interaction);
        MainWindow& window = program->mainWindow();
        auto* create = EntityPanelsPage(window).createBox(EntityKind::Number);
        create->click(); // off
        const EntityPanelsPage tabs(window);
        for (QWidget* widget : std::initializer_list<QWidget*>{
                 tabs.heightEdit(EntityKind::Number), tabs.layerEdit(EntityKind::Number),
                 tabs.flatButton(EntityKind::Number), tabs.spatialButton(EntityKind::Number),
                 tabs.colorPanel(EntityKind::Number), tabs.colorButton(EntityKind::Number)}) {
            QVERIFY2(!widget->isEnabled(), qPrintable(widget->objectName()));
        }
        QVERIFY(create->isEnabled());
        EntityPanelsPage(window).heightEdit(EntityKind::Number)->clear();
        EntityPanelsPage(window).layerEdit(EntityKind::Number)->clear();
        EntityPanelsPage(window).colorPanel(EntityKind::Number)->showColorNumber(0);
        create->click(); // on
        QCOMPARE(EntityPanelsPage(window).heightEdit(EntityKind::Number)->text(), QStringLiteral("1.000"));
        QCOMPARE(EntityPanelsPage(window).layerEdit(EntityKind::Number)->text(), QStringLiteral("Numbers"));
        QCOMPARE(EntityPanelsPage(window).colorPanel(EntityKind::Number)->text(), QStringLiteral("Red"));
        QCOMPARE(EntityPanelsPage(window).colorPanel(EntityKind::Number)->colorNumber(), 1);
        QVERIFY(EntityPanelsPage(window).heightEdit(EntityKind::Number)->isEnabled());
        EntityPanelsPage(window).layerEdit(EntityKind::Number)->setText(QStringLiteral("MINE"));
        create->click();
        create->click();
        QCOMPARE(EntityPanelsPage(window).layerEdit(EntityKind::Number)->text(), QStringLiteral("MINE"));

        // The precision with nothing chosen gets the first item.
        EntityPanelsPage(window).precisionList(EntityKind::X)->setCurrentIndex(-1);
        EntityPanelsPage(window).layerEdit(EntityKind::X)->clear();
        EntityPanelsPage(window).createBox(EntityKind::X)->click();
        QCOMPARE(EntityPanelsPage(window).precisionList(EntityKind::X)->currentIndex(), 0);
        QCOMPARE(EntityPanelsPage(window).layerEdit(EntityKind::X)->text(), QStringLiteral("Coordinates"));
    }

    void allSevenTabsStandInRows()
    {
        FakeInteraction interaction;
        auto program = startProgram(interaction);
        auto* strip = EntityPanelsPage(program->mainWindow()).tabs();
        QCOMPARE(strip->count(), 7);
        int rowsTop = strip->tabButton(0)->y();
        for (int i = 0; i < 7; ++i) {
            QVERIFY(strip->tabButton(i)->isVisible());
            QVERIFY(strip->tabButton(i)->width() >= strip->tabButton(i)->sizeHint().width());
        }
        QVERIFY(strip->tabButton(4)->y() > rowsTop);
        strip->tabButton(5)->click();
        QCOMPARE(strip->currentIndex(), 5);
        QCOMPARE(strip->widget(5)->objectName(), QLatin1String(EntityPanelsControls::page(EntityKind::Description)));
    }

    void aFormatWithoutElevationHidesTabsAndHoldsTheOthersFlat()
    {
        installWithFlatFormat();
        FakeInteraction interaction;
        auto program = startProgram(interaction);
        MainWindow& window = program->mainWindow();
        auto* strip = EntityPanelsPage(window).tabs();
        strip->setCurrentIndex(4);
        chooseFormat(window, QStringLiteral("flat"));
        const bool shownAfterFlat[] = {true, false, true, true, false, false, false};
        for (int i = 0; i < 7; ++i) {
            QCOMPARE(strip->isTabVisible(i), shownAfterFlat[i]);
            QCOMPARE(strip->tabButton(i)->isVisibleTo(strip), shownAfterFlat[i]);
        }
        QCOMPARE(strip->currentIndex(), 0); // the hidden page left the front
        for (const EntityKind kind : {EntityKind::Point, EntityKind::Polyline, EntityKind::Number, EntityKind::X,
                                      EntityKind::Y, EntityKind::Description}) {
            QVERIFY2(EntityPanelsPage(window).flatButton(kind)->isChecked(), EntityPanelsControls::flatButton(kind));
            QVERIFY2(!EntityPanelsPage(window).spatialButton(kind)->isEnabled(),
                     EntityPanelsControls::spatialButton(kind));
        }
        QVERIFY(EntityPanelsPage(window)
                    .spatialButton(EntityKind::Elevation)
                    ->isChecked()); // the elevation's own pair stays
        // Hidden texts are not offered: only the ones created on a shown tab count.
        QCOMPARE(strip->offeredTexts(), (std::array<bool, 5>{false, false, false, false, false}));

        // Clicking "Create Point." now leaves its 3D disabled: there is no elevation.
        EntityPanelsPage(window).createBox(EntityKind::Point)->click();
        EntityPanelsPage(window).createBox(EntityKind::Point)->click();
        QVERIFY(!EntityPanelsPage(window).spatialButton(EntityKind::Point)->isEnabled());

        chooseFormat(window, QStringLiteral("!default"));
        for (int i = 0; i < 7; ++i) {
            QVERIFY(strip->isTabVisible(i));
        }
        QVERIFY(EntityPanelsPage(window).spatialButton(EntityKind::Point)->isEnabled());
        QVERIFY(!EntityPanelsPage(window).spatialButton(EntityKind::X)->isEnabled()); // X text not created
        QCOMPARE(window.currentFormat().value(PointValue::Z).column, 4);
        QVERIFY(MainWindowPage(window).formatDescription()->text().startsWith(QStringLiteral("Number, East")));
    }

    void theDataModifiersShowTheNumberAndElevationTabs()
    {
        installWithFlatFormat();
        FakeInteraction interaction;
        auto program = startProgram(interaction);
        MainWindow& window = program->mainWindow();
        auto* strip = EntityPanelsPage(window).tabs();
        chooseFormat(window, QStringLiteral("flat"));
        interaction.dialogScripts.push_back([](QDialog& dialog) {
            DataModifiersPage(dialog).renumberBox()->click();
            DataModifiersPage(dialog).defaultZBox()->click();
            DataModifiersPage(dialog).okButton()->click();
            return dialog.result();
        });
        MainWindowPage(window).dataModifiersButton()->click();
        QVERIFY(strip->isTabVisible(1));
        QVERIFY(strip->isTabVisible(4));
        QVERIFY(!EntityPanelsPage(window).spatialButton(EntityKind::Point)->isEnabled()); // until a format is applied
        QCOMPARE(MainWindowPage(window).dataModifiersButton()->text(), QStringLiteral("Data modifiers ( ON ) ..."));
        chooseFormat(window, QStringLiteral("flat"));
        QVERIFY(EntityPanelsPage(window).spatialButton(EntityKind::Point)->isEnabled());
    }

    void thePicker_data()
    {
        QTest::addColumn<QString>("typed"); // empty: click the named panel instead
        QTest::addColumn<QString>("panel");
        QTest::addColumn<bool>("enter");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("name");
        QTest::newRow("enter on 7") << "7"
                                    << "" << true << 7 << "White";
        QTest::newRow("blue panel") << "" << QString::fromLatin1(ColorPickerControls::swatch(5)) << false << 5
                                    << "Blue";
        QTest::newRow("grey panel") << "" << QString::fromLatin1(ColorPickerControls::swatch(8)) << false << 8
                                    << "Grey";
        QTest::newRow("leading blanks") << "  200"
                                        << "" << true << 200 << "Color 200";
        QTest::newRow("300 refused, closed") << "300"
                                             << "" << true << 7 << "White";
        QTest::newRow("0 refused, closed") << "0"
                                           << "" << true << 0 << "";
        QTest::newRow("closed after 12") << "12"
                                         << "" << false << 12 << "Color 12";
        QTest::newRow("closed after text") << "red"
                                           << "" << false << 7 << "White";
        // Escape cancels: the colour the picker opened with stays, whatever was typed.
        QTest::newRow("escape after 12") << "12"
                                         << "escape" << false << 7 << "White";
    }

    void thePicker()
    {
        QFETCH(QString, typed);
        QFETCH(QString, panel);
        QFETCH(bool, enter);
        QFETCH(int, number);
        QFETCH(QString, name);
        FakeInteraction interaction;
        auto program = startProgram(interaction);
        MainWindow& window = program->mainWindow();
        QString opened;
        bool escapeClosed = false;
        interaction.dialogScripts.push_back([&](QDialog& dialog) {
            dialog.show();
            auto* edit = ColorPickerPage(dialog).numberEdit();
            opened = edit->selectedText();
            if (panel == QLatin1String("escape")) {
                edit->setText(typed);
                QTest::keyClick(edit, Qt::Key_Escape);
            } else if (!panel.isEmpty()) {
                QTest::mouseClick(control<QWidget>(dialog, panel.toLatin1().constData()), Qt::LeftButton);
            } else {
                edit->setText(typed);
                if (enter) {
                    QTest::keyClick(edit, Qt::Key_Return);
                }
            }
            escapeClosed = panel != QLatin1String("escape") || !dialog.isVisible();
            const int result = dialog.isVisible() ? int(QDialog::Rejected) : dialog.result();
            dialog.hide();
            return result;
        });
        EntityPanelsPage(window).colorButton(EntityKind::Point)->click();
        QVERIFY(escapeClosed);
        QCOMPARE(opened, QStringLiteral("7"));
        auto* shown = EntityPanelsPage(window).colorPanel(EntityKind::Point);
        QCOMPARE(shown->colorNumber(), number);
        QCOMPARE(shown->text(), name);
        QCOMPARE(shown->palette().color(QPalette::Window), colorOfNumber(number));
        QCOMPARE(interaction.calls.filter(dialogCall(ColorPickerControls::window)).size(), 1);
    }

  private:
    TestEnvironment& m_environment;
};

MERVALON_APP_TEST_MAIN(EntityPanelsTest)
#include "EntityPanels_test.moc"
