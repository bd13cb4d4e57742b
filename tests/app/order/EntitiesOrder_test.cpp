// The entities order: the judgement of OK, the dialog on the texts created, and the check
// that guards saving.

#include "app/AppTestSupport.h"
#include "app/entities/EntityPages.h"
#include "app/mainwindow/MainWindowPage.h"
#include "app/mainwindow/MainWindowRules.h"
#include "app/order/EntitiesOrderDialog.h"
#include "app/order/EntitiesOrderPage.h"
#include "app/order/EntitiesOrderRules.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

using namespace mervalon;
using namespace mervalon::app;
using namespace mervalon::app::testing;

using Slots = std::array<std::int32_t, 5>;
using Texts = std::array<QString, 5>;
using Enabled = std::array<bool, 5>;
Q_DECLARE_METATYPE(Slots)
Q_DECLARE_METATYPE(Texts)
Q_DECLARE_METATYPE(Enabled)
Q_DECLARE_METATYPE(mervalon::app::MessageAnswer)

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

QComboBox* list(QDialog& dialog, int slot)
{
    return EntitiesOrderPage(dialog).placeList(static_cast<std::size_t>(slot));
}

/// Creates exactly the texts named, of number, X, Y, elevation and description.
void createTexts(MainWindow& window, const std::array<bool, 5>& created)
{
    const config::EntityKind kinds[] = {config::EntityKind::Number, config::EntityKind::X, config::EntityKind::Y,
                                        config::EntityKind::Elevation, config::EntityKind::Description};
    for (std::size_t i = 0; i < created.size(); ++i) {
        auto* box = EntityPanelsPage(window).createBox(kinds[i]);
        if (box->isChecked() != created[i]) {
            box->click();
        }
    }
}

} // namespace

class EntitiesOrderTest : public QObject {
    Q_OBJECT
  public:
    explicit EntitiesOrderTest(TestEnvironment& environment) : m_environment(environment) {}

  private slots:
    void init()
    {
        m_environment.reset();
        scriptProblems.clear();
    }

    void cleanup() { QVERIFY2(scriptProblems.isEmpty(), qPrintable(scriptProblems.join(QStringLiteral("; ")))); }

    void judgement_data()
    {
        QTest::addColumn<Texts>("texts");
        QTest::addColumn<Enabled>("enabled");
        QTest::addColumn<QString>("distance");
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<Slots>("filled");
        const Enabled two{true, true, false, false, false};
        const Enabled three{true, true, true, false, false};
        QTest::newRow("elevation then number") << Texts{"Elevation", "Number"} << two << "2"
                                               << "" << Slots{3, 0, -1, -1, -1};
        QTest::newRow("twice number") << Texts{"Number", "Number"} << two << "2"
                                      << "\"Number\" appears more than 1 time." << Slots{0, 0, -1, -1, -1};
        QTest::newRow("second unchosen") << Texts{"Number", "", "X coordinate"} << three << "2"
                                         << "Field 2 contains invalid data, please correct it."
                                         << Slots{0, -1, 1, -1, -1};
        QTest::newRow("first and third unchosen")
            << Texts{"", "Number", ""} << three << "2"
            << "Field 3 contains invalid data, please correct it." << Slots{-1, 0, -1, -1, -1};
        QTest::newRow("comma distance") << Texts{"Elevation", "Number"} << two << "1,5"
                                        << "Please enter a distance" << Slots{3, 0, -1, -1, -1};
        QTest::newRow("distance before duplicate") << Texts{"Number", "Number"} << two << "x"
                                                   << "Please enter a distance" << Slots{0, 0, -1, -1, -1};
        QTest::newRow("nothing offered") << Texts{} << Enabled{} << "0.5"
                                         << "" << Slots{-1, -1, -1, -1, -1};
    }

    void judgement()
    {
        QFETCH(Texts, texts);
        QFETCH(Enabled, enabled);
        QFETCH(QString, distance);
        QFETCH(QString, refusal);
        QFETCH(Slots, filled);
        const EntitiesOrderVerdict verdict = judgeEntitiesOrder(texts, enabled, distance);
        QCOMPARE(verdict.refusal, refusal);
        QCOMPARE(verdict.layout.slot, filled);
        QCOMPARE(verdict.layout.distance, distance.toStdString());
    }

    void theDialogOffersTheCreatedTextsAndStoresAnAcceptedOrder()
    {
        FakeInteraction interaction;
        auto program = startProgram(interaction);
        MainWindow& window = program->mainWindow();
        createTexts(window, {true, false, false, true, false});
        interaction.dialogScripts.push_back([&](QDialog& dialog) {
            QStringList items;
            for (int i = 0; i < list(dialog, 0)->count(); ++i) {
                items << list(dialog, 0)->itemText(i);
            }
            SCRIPT_EXPECT((items) == ((QStringList{"Number", "Elevation"})));
            SCRIPT_EXPECT(list(dialog, 1)->isEnabled());
            SCRIPT_EXPECT(!list(dialog, 2)->isEnabled());
            SCRIPT_EXPECT(!EntitiesOrderPage(dialog).placeLabel(2)->isEnabled());
            SCRIPT_EXPECT((list(dialog, 2)->count()) == (0));
            // The stored slots were Number, Elevation, Description: the first two show.
            SCRIPT_EXPECT((list(dialog, 0)->currentText()) == (QStringLiteral("Number")));
            SCRIPT_EXPECT((list(dialog, 1)->currentText()) == (QStringLiteral("Elevation")));
            SCRIPT_EXPECT((EntitiesOrderPage(dialog).distanceEdit()->text()) == (QStringLiteral("0.5")));
            list(dialog, 0)->setCurrentIndex(1);
            list(dialog, 1)->setCurrentIndex(0);
            EntitiesOrderPage(dialog).distanceEdit()->setText(QStringLiteral("2"));
            EntitiesOrderPage(dialog).okButton()->click();
            SCRIPT_EXPECT((EntitiesOrderPage(dialog).distanceEdit()->text()) == (QStringLiteral("2.000")));
            return dialog.result();
        });
        MainWindowPage(window).entitiesOrderButton()->click();
        QCOMPARE(window.entityLayout().slot, (Slots{3, 0, -1, -1, -1}));
        QCOMPARE(window.entityLayout().distance, std::string("2")); // the text as it stood at OK
        QCOMPARE(interaction.opacities, (std::vector<int>{200, 255}));
        QVERIFY(window.checkEntitiesCreation());
    }

    void aRefusedOkStoresNothing()
    {
        FakeInteraction interaction;
        auto program = startProgram(interaction);
        MainWindow& window = program->mainWindow();
        const config::EntityLayout before = window.entityLayout();
        interaction.dialogScripts.push_back([&](QDialog& dialog) {
            list(dialog, 0)->setCurrentIndex(0);
            list(dialog, 1)->setCurrentIndex(0);
            EntitiesOrderPage(dialog).distanceEdit()->setText(QStringLiteral("9"));
            EntitiesOrderPage(dialog).okButton()->click();
            SCRIPT_EXPECT(dialog.result() != QDialog::Accepted);
            EntitiesOrderPage(dialog).distanceEdit()->setText(QStringLiteral("1,5"));
            EntitiesOrderPage(dialog).okButton()->click();
            SCRIPT_EXPECT((EntitiesOrderPage(dialog).distanceEdit()->text()) == (QStringLiteral("0.000")));
            SCRIPT_EXPECT((EntitiesOrderPage(dialog).distanceEdit()->selectedText()) == (QStringLiteral("0.000")));
            EntitiesOrderPage(dialog).cancelButton()->click();
            return dialog.result();
        });
        MainWindowPage(window).entitiesOrderButton()->click();
        QCOMPARE(interaction.messages.size(), std::size_t(2));
        QCOMPARE(interaction.messages[0].text, QStringLiteral("\"Number\" appears more than 1 time."));
        QCOMPARE(interaction.messages[1].text, QStringLiteral("Please enter a distance"));
        QCOMPARE(interaction.messages[1].icon, MessageIcon::Error);
        QCOMPARE(window.entityLayout().slot, before.slot);
        QCOMPARE(window.entityLayout().distance, before.distance);
    }

    void aDistanceLeftIsRewrittenOrRefused()
    {
        FakeInteraction interaction;
        auto program = startProgram(interaction);
        QStringList shown;
        interaction.dialogScripts.push_back([&](QDialog& dialog) {
            auto* edit = EntitiesOrderPage(dialog).distanceEdit();
            for (const char* typed : {"1.23456", "1,5"}) {
                edit->setText(QLatin1String(typed));
                QTest::keyClick(edit, Qt::Key_Tab);
                shown << edit->text() + (edit->selectedText() == edit->text() ? "|selected" : "");
            }
            return int(QDialog::Rejected);
        });
        MainWindowPage(program->mainWindow()).entitiesOrderButton()->click();
        QCOMPARE(shown, (QStringList{"1.235", "0.00|selected"}));
        QCOMPARE(interaction.messages.size(), std::size_t(1));
        QCOMPARE(interaction.messages[0].text,
                 QStringLiteral("Give a distance please. Use the decimal point, not the comma."));
        QCOMPARE(interaction.calls.filter(QStringLiteral("beep: 440 Hz 100 ms")).size(), 1);
    }

    void anExitStoppedByTheEntitiesCheckSaysSo_data()
    {
        QTest::addColumn<MessageAnswer>("checkAnswer");
        QTest::addColumn<bool>("said");
        QTest::newRow("OK: the order dialog, then the notice") << MessageAnswer::Ok << true;
        QTest::newRow("Cancel: nothing more") << MessageAnswer::Cancel << false;
    }

    void anExitStoppedByTheEntitiesCheckSaysSo()
    {
        QFETCH(MessageAnswer, checkAnswer);
        QFETCH(bool, said);
        FakeInteraction interaction;
        auto program = startProgram(interaction);
        MainWindow& window = program->mainWindow();
        createTexts(window, {true, true, false, true, true});    // four texts, three places
        interaction.answers = {MessageAnswer::Yes, checkAnswer}; // save the changes? yes
        window.exitProgram();
        QVERIFY(window.isVisible());
        QStringList texts;
        for (const ShownMessage& message : interaction.messages) {
            texts << message.text;
        }
        QStringList expected{"Current configuration has changed, do you want to save it ?",
                             "Please check entities creation."};
        if (said) {
            expected << QLatin1String(kExitAbandonedMessage);
        }
        QCOMPARE(texts, expected);
        QCOMPARE(interaction.calls.filter(dialogCall(EntitiesOrderControls::window)).size(), said ? 1 : 0);
    }

    void theCheckComparesCountsAndOffersTheDialog_data()
    {
        QTest::addColumn<Enabled>("created");
        QTest::addColumn<MessageAnswer>("answer");
        QTest::addColumn<bool>("passes");
        QTest::addColumn<bool>("opened");
        // The default layout fills three places: number, elevation, description.
        QTest::newRow("same texts") << Enabled{true, false, false, true, true} << MessageAnswer::Ok << true << false;
        QTest::newRow("other texts, same count")
            << Enabled{false, true, true, false, true} << MessageAnswer::Ok << true << false;
        QTest::newRow("one more, OK") << Enabled{true, true, false, true, true} << MessageAnswer::Ok << false << true;
        QTest::newRow("one less, cancel")
            << Enabled{true, false, false, true, false} << MessageAnswer::Cancel << false << false;
    }

    void theCheckComparesCountsAndOffersTheDialog()
    {
        QFETCH(Enabled, created);
        QFETCH(MessageAnswer, answer);
        QFETCH(bool, passes);
        QFETCH(bool, opened);
        FakeInteraction interaction;
        auto program = startProgram(interaction);
        MainWindow& window = program->mainWindow();
        createTexts(window, created);
        interaction.answers.push_back(answer);
        QCOMPARE(window.checkEntitiesCreation(), passes);
        if (!passes) {
            QCOMPARE(interaction.messages.size(), std::size_t(1));
            QCOMPARE(interaction.messages[0].text, QStringLiteral("Please check entities creation."));
            QCOMPARE(interaction.messages[0].buttons, MessageButtons::OkCancel);
        }
        QCOMPARE(interaction.calls.filter(dialogCall(EntitiesOrderControls::window)).size(), opened ? 1 : 0);
    }

  private:
    TestEnvironment& m_environment;
};

MERVALON_APP_TEST_MAIN(EntitiesOrderTest)
#include "EntitiesOrder_test.moc"
