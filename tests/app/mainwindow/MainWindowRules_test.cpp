#include "app/AppTestSupport.h"
#include "app/mainwindow/MainWindowRules.h"
#include "app/settings/RunOptions.h"

using namespace mervalon::app;
using mervalon::app::testing::TestEnvironment;
using Offered = std::array<bool, 5>;
using Places = std::array<std::int32_t, 5>;

Q_DECLARE_METATYPE(Offered)
Q_DECLARE_METATYPE(Places)

class MainWindowRulesTest : public QObject {
    Q_OBJECT
  public:
    explicit MainWindowRulesTest(TestEnvironment& environment) : m_environment(environment) {}

  private slots:
    void lastTrueOptionWins_data()
    {
        QTest::addColumn<bool>("first");
        QTest::addColumn<bool>("second");
        QTest::addColumn<bool>("third");
        QTest::addColumn<int>("selected");
        QTest::newRow("none") << false << false << false << -1;
        QTest::newRow("first") << true << false << false << 0;
        QTest::newRow("first and second") << true << true << false << 1;
        QTest::newRow("all") << true << true << true << 2;
        QTest::newRow("first and third") << true << false << true << 2;
    }
    void lastTrueOptionWins()
    {
        QFETCH(bool, first);
        QFETCH(bool, second);
        QFETCH(bool, third);
        QFETCH(int, selected);
        QCOMPARE(lastTrueOption({first, second, third}).value_or(-1), selected);
    }

    void exclusiveOptionSetsOnlyTheChosenOne()
    {
        QCOMPARE(exclusiveOption(2), (std::array<bool, 3>{false, false, true}));
        QCOMPARE(exclusiveOption(0), (std::array<bool, 3>{true, false, false}));
    }

    void configurationStripOnlyOnTheFirstTab()
    {
        QVERIFY(configurationStripEnabled(0));
        QVERIFY(!configurationStripEnabled(1));
        QVERIFY(!configurationStripEnabled(2));
    }

    void enabling_data()
    {
        QTest::addColumn<int>("tab");
        QTest::addColumn<bool>("running");
        QTest::addColumn<bool>("pages");
        QTest::addColumn<bool>("strip");
        QTest::addColumn<bool>("stripControls");
        QTest::newRow("first tab") << 0 << false << true << true << true;
        QTest::newRow("options tab") << 1 << false << true << true << false;
        QTest::newRow("about tab") << 2 << false << true << true << false;
        QTest::newRow("running") << 0 << true << false << false << true;
    }
    void enabling()
    {
        QFETCH(int, tab);
        QFETCH(bool, running);
        QFETCH(bool, pages);
        QFETCH(bool, strip);
        QFETCH(bool, stripControls);
        QCOMPARE(mainWindowEnabling(tab, running), (MainWindowEnabling{pages, strip, stripControls}));
    }

    void formatToShow_data()
    {
        QTest::addColumn<QStringList>("formats");
        QTest::addColumn<QString>("configured");
        QTest::addColumn<QString>("shown");
        const QStringList formats{"!default", "Leica GSI", "Trimble"};
        QTest::newRow("known") << formats << "Trimble"
                               << "Trimble";
        QTest::newRow("other case") << formats << "leica gsi"
                                    << "Leica GSI";
        QTest::newRow("unknown") << formats << "gone"
                                 << "!default";
        QTest::newRow("empty name") << formats << ""
                                    << "!default";
        QTest::newRow("default in other case") << QStringList{"!Default", "A"} << "gone"
                                               << "!Default";
        QTest::newRow("no default") << QStringList{"A", "B"} << "gone"
                                    << "";
        QTest::newRow("no formats") << QStringList{} << "A"
                                    << "";
    }
    void formatToShow()
    {
        QFETCH(QStringList, formats);
        QFETCH(QString, configured);
        QFETCH(QString, shown);
        QCOMPARE(mervalon::app::formatToShow(formats, configured), shown);
    }

    void entitiesCheck_data()
    {
        QTest::addColumn<Offered>("offered");
        QTest::addColumn<Places>("places");
        QTest::addColumn<QString>("refusal");
        const QString check = QStringLiteral("Please check entities creation.");
        QTest::newRow("nothing offered, nothing placed") << Offered{} << Places{-1, -1, -1, -1, -1} << QString();
        QTest::newRow("two offered, two placed")
            << Offered{true, false, true, false, false} << Places{0, 2, -1, -1, -1} << QString();
        QTest::newRow("two offered, one placed")
            << Offered{true, false, true, false, false} << Places{0, -1, -1, -1, -1} << check;
        QTest::newRow("none offered, one placed") << Offered{} << Places{-1, -1, 3, -1, -1} << check;
    }
    void entitiesCheck()
    {
        QFETCH(Offered, offered);
        QFETCH(Places, places);
        QFETCH(QString, refusal);
        mervalon::config::EntityLayout layout;
        layout.slot = places;
        QCOMPARE(entitiesCheckRefusal(offered, layout).value_or(QString()), refusal);
    }

    void theExitSaysWhyItStoppedOnlyAfterTheCheck()
    {
        QCOMPARE(exitStoppedNotice(true).value_or(QString()), QLatin1String(kExitAbandonedMessage));
        QVERIFY(!exitStoppedNotice(false));
    }

  private:
    TestEnvironment& m_environment;
};

MERVALON_APP_TEST_MAIN(MainWindowRulesTest)
#include "MainWindowRules_test.moc"
