// The data modifiers dialog: its corrections, enabling rules, OK and Cancel, and the main
// window button's caption.

#include "app/AppTestSupport.h"
#include "app/mainwindow/MainWindowPage.h"
#include "app/modifiers/DataModifiersDialog.h"
#include "app/modifiers/DataModifiersPage.h"
#include "app/modifiers/DataModifiersRules.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

using namespace mervalon;
using namespace mervalon::app;
using namespace mervalon::app::testing;

Q_DECLARE_METATYPE(mervalon::app::DataModifiersChoices)
Q_DECLARE_METATYPE(mervalon::app::DataModifiersEnabling)

namespace {

/// Checks made inside a dialog script, which cannot return early as QVERIFY does; the test
/// looks at what they found once the dialog has closed.
QStringList scriptProblems;
#define SCRIPT_EXPECT(condition)                                                                                       \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            scriptProblems << QStringLiteral(#condition);                                                              \
        }                                                                                                              \
    } while (false)

/// Types `text` into a box of the dialog and leaves it with the Enter key.
void typeAndLeave(QLineEdit* edit, const QString& text)
{
    edit->setEnabled(true);
    edit->setText(text);
    QTest::keyClick(edit, Qt::Key_Return);
}

} // namespace

class DataModifiersTest : public QObject {
    Q_OBJECT
  public:
    explicit DataModifiersTest(TestEnvironment& environment) : m_environment(environment) {}

  private slots:
    void init()
    {
        m_environment.reset();
        scriptProblems.clear();
    }

    void cleanup() { QVERIFY2(scriptProblems.isEmpty(), qPrintable(scriptProblems.join(QStringLiteral("; ")))); }

    void corrections_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("start 0 stays") << QString::fromLatin1(DataModifiersControls::startNumberEdit) << "0"
                                       << "0";
        QTest::newRow("start -5 stays") << QString::fromLatin1(DataModifiersControls::startNumberEdit) << "-5"
                                        << "-5";
        QTest::newRow("start text") << QString::fromLatin1(DataModifiersControls::startNumberEdit) << "abc"
                                    << "1";
        QTest::newRow("step 0") << QString::fromLatin1(DataModifiersControls::stepEdit) << "0"
                                << "1";
        QTest::newRow("step text") << QString::fromLatin1(DataModifiersControls::stepEdit) << "1.5"
                                   << "1";
        QTest::newRow("step 3") << QString::fromLatin1(DataModifiersControls::stepEdit) << "3"
                                << "3";
        QTest::newRow("add 0") << QString::fromLatin1(DataModifiersControls::addValueEdit) << "0"
                               << "1";
        QTest::newRow("add -100") << QString::fromLatin1(DataModifiersControls::addValueEdit) << "-100"
                                  << "-100";
        QTest::newRow("x 2.5") << QString::fromLatin1(DataModifiersControls::xOffsetEdit) << "2.5"
                               << "2.500";
        QTest::newRow("x comma") << QString::fromLatin1(DataModifiersControls::xOffsetEdit) << "2,5"
                                 << "0.000";
        QTest::newRow("y exponent") << QString::fromLatin1(DataModifiersControls::yOffsetEdit) << "-1.25e1"
                                    << "-12.500";
        QTest::newRow("z empty") << QString::fromLatin1(DataModifiersControls::zOffsetEdit) << ""
                                 << "0.000";
        QTest::newRow("default z") << QString::fromLatin1(DataModifiersControls::defaultZEdit) << "100.0005"
                                   << "100.001";
    }

    void corrections()
    {
        QFETCH(QString, box);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        FakeInteraction interaction;
        auto program = startProgram(interaction);
        QString result;
        interaction.dialogScripts.push_back([&](QDialog& dialog) {
            auto* edit = control<QLineEdit>(dialog, box.toLatin1().constData());
            typeAndLeave(edit, typed);
            result = edit->text();
            return int(QDialog::Rejected);
        });
        MainWindowPage(program->mainWindow()).dataModifiersButton()->click();
        QCOMPARE(result, shown);
        QCOMPARE(interaction.messages.size(), std::size_t(0));
    }

    void okStoresEveryBoxAndCancelNothing()
    {
        FakeInteraction interaction;
        auto program = startProgram(interaction);
        MainWindow& window = program->mainWindow();
        const config::DataModifiers before = window.dataModifiers();
        auto fill = [](QDialog& dialog) {
            DataModifiersPage(dialog).renumberBox()->click();
            DataModifiersPage(dialog).addValueButton()->click();
            typeAndLeave(DataModifiersPage(dialog).startNumberEdit(), QStringLiteral("50"));
            typeAndLeave(DataModifiersPage(dialog).stepEdit(), QStringLiteral("0"));
            typeAndLeave(DataModifiersPage(dialog).addValueEdit(), QStringLiteral("-7"));
            DataModifiersPage(dialog).modifyBox()->click();
            typeAndLeave(DataModifiersPage(dialog).xOffsetEdit(), QStringLiteral("1.5"));
            typeAndLeave(DataModifiersPage(dialog).yOffsetEdit(), QStringLiteral("-2"));
            typeAndLeave(DataModifiersPage(dialog).zOffsetEdit(), QStringLiteral("0.25"));
            DataModifiersPage(dialog).defaultZBox()->click();
            typeAndLeave(DataModifiersPage(dialog).defaultZEdit(), QStringLiteral("12"));
        };
        interaction.dialogScripts.push_back([&](QDialog& dialog) {
            fill(dialog);
            DataModifiersPage(dialog).cancelButton()->click();
            return dialog.result();
        });
        MainWindowPage(window).dataModifiersButton()->click();
        QCOMPARE(window.dataModifiers().renumber, before.renumber);
        QCOMPARE(window.dataModifiers().startNumber, before.startNumber);
        QCOMPARE(window.dataModifiers().xOffset, before.xOffset);
        QCOMPARE(MainWindowPage(window).dataModifiersButton()->text(), QStringLiteral("Data modifiers ( OFF ) ..."));
        QCOMPARE(interaction.opacities, (std::vector<int>{200, 255}));

        interaction.dialogScripts.push_back([&](QDialog& dialog) {
            // The cancelled edits are gone: the boxes show the live record again.
            SCRIPT_EXPECT((DataModifiersPage(dialog).startNumberEdit()->text()) == (QStringLiteral("1")));
            SCRIPT_EXPECT(!DataModifiersPage(dialog).renumberBox()->isChecked());
            fill(dialog);
            DataModifiersPage(dialog).okButton()->click();
            return dialog.result();
        });
        MainWindowPage(window).dataModifiersButton()->click();
        const config::DataModifiers& m = window.dataModifiers();
        QCOMPARE(m.renumber, std::uint8_t(1));
        QCOMPARE(m.useNewStartNumber, std::uint8_t(0));
        QCOMPARE(m.startNumber, 50);
        QCOMPARE(m.step, 1);
        QCOMPARE(m.addValue, -7);
        QCOMPARE(m.modifyCoordinates, std::uint8_t(1));
        QCOMPARE(m.xOffset, 1.5);
        QCOMPARE(m.yOffset, -2.0);
        QCOMPARE(m.zOffset, 0.25);
        QCOMPARE(m.useDefaultZ, std::uint8_t(1));
        QCOMPARE(m.defaultZ, 12.0);
        auto* button = MainWindowPage(window).dataModifiersButton();
        QCOMPARE(button->text(), QStringLiteral("Data modifiers ( ON ) ..."));
        QCOMPARE(button->palette().color(QPalette::ButtonText), QColor(0, 85, 0));
    }

    void theEnablingRules()
    {
        FakeInteraction interaction;
        auto program = startProgram(interaction);
        interaction.dialogScripts.push_back([&](QDialog& dialog) {
            // The default: nothing on, the new start number chosen.
            const DataModifiersPage page(dialog);
            for (QWidget* widget :
                 std::initializer_list<QWidget*>{page.newStartButton(), page.addValueButton(), page.startNumberEdit(),
                                                 page.stepEdit(), page.addValueEdit(), page.xOffsetEdit(),
                                                 page.yOffsetEdit(), page.zOffsetEdit(), page.defaultZEdit()}) {
                SCRIPT_EXPECT(!widget->isEnabled());
            }
            DataModifiersPage(dialog).renumberBox()->click();
            SCRIPT_EXPECT(DataModifiersPage(dialog).startNumberEdit()->isEnabled());
            SCRIPT_EXPECT(DataModifiersPage(dialog).stepEdit()->isEnabled());
            SCRIPT_EXPECT(!DataModifiersPage(dialog).addValueEdit()->isEnabled());
            DataModifiersPage(dialog).addValueButton()->click();
            SCRIPT_EXPECT(!DataModifiersPage(dialog).startNumberEdit()->isEnabled());
            SCRIPT_EXPECT(DataModifiersPage(dialog).addValueEdit()->isEnabled());
            DataModifiersPage(dialog).modifyBox()->click();
            SCRIPT_EXPECT(DataModifiersPage(dialog).yOffsetEdit()->isEnabled());
            DataModifiersPage(dialog).defaultZBox()->click();
            SCRIPT_EXPECT(DataModifiersPage(dialog).defaultZEdit()->isEnabled());
            return int(QDialog::Rejected);
        });
        MainWindowPage(program->mainWindow()).dataModifiersButton()->click();
        QCOMPARE(interaction.dialogScripts.size(), std::size_t(0));
    }

    void theEnablingFollowsTheSwitches_data()
    {
        QTest::addColumn<DataModifiersChoices>("choices");
        QTest::addColumn<DataModifiersEnabling>("expected");
        //                                                  group  start  add    offsets defaultZ
        QTest::newRow("all off") << DataModifiersChoices{} << DataModifiersEnabling{};
        QTest::newRow("off, new start chosen") << DataModifiersChoices{false, true, false, false}
                                               << DataModifiersEnabling{false, false, false, false, false};
        QTest::newRow("renumber from a new start")
            << DataModifiersChoices{true, true, false, false} << DataModifiersEnabling{true, true, false, false, false};
        QTest::newRow("renumber by adding") << DataModifiersChoices{true, false, false, false}
                                            << DataModifiersEnabling{true, false, true, false, false};
        QTest::newRow("offsets") << DataModifiersChoices{false, false, true, false}
                                 << DataModifiersEnabling{false, false, false, true, false};
        QTest::newRow("default Z") << DataModifiersChoices{false, false, false, true}
                                   << DataModifiersEnabling{false, false, false, false, true};
        QTest::newRow("everything") << DataModifiersChoices{true, true, true, true}
                                    << DataModifiersEnabling{true, true, false, true, true};
    }

    void theEnablingFollowsTheSwitches()
    {
        QFETCH(DataModifiersChoices, choices);
        QFETCH(DataModifiersEnabling, expected);
        QVERIFY(modifiersEnabling(choices) == expected);
    }

    void theCaptionFollowsTheThreeSwitchesOnly_data()
    {
        QTest::addColumn<int>("renumber");
        QTest::addColumn<int>("modify");
        QTest::addColumn<int>("defaultZ");
        QTest::addColumn<bool>("on");
        QTest::newRow("none") << 0 << 0 << 0 << false;
        QTest::newRow("renumber") << 1 << 0 << 0 << true;
        QTest::newRow("offsets of 0") << 0 << 1 << 0 << true;
        QTest::newRow("default z") << 0 << 0 << 1 << true;
    }

    void theCaptionFollowsTheThreeSwitchesOnly()
    {
        QFETCH(int, renumber);
        QFETCH(int, modify);
        QFETCH(int, defaultZ);
        QFETCH(bool, on);
        config::DataModifiers m;
        m.renumber = static_cast<std::uint8_t>(renumber);
        m.modifyCoordinates = static_cast<std::uint8_t>(modify);
        m.useDefaultZ = static_cast<std::uint8_t>(defaultZ);
        m.startNumber = 9; // numbers and offsets never count
        m.xOffset = 3;
        const ModifiersButtonLook look = modifiersButtonLook(m);
        QCOMPARE(look.caption,
                 on ? QStringLiteral("Data modifiers ( ON ) ...") : QStringLiteral("Data modifiers ( OFF ) ..."));
        QCOMPARE(look.red, on ? 0 : 185);
        QCOMPARE(look.green, on ? 85 : 30);
        QCOMPARE(look.blue, on ? 0 : 21);
    }

  private:
    TestEnvironment& m_environment;
};

MERVALON_APP_TEST_MAIN(DataModifiersTest)
#include "DataModifiers_test.moc"
