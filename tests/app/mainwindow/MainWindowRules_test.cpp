#include "app/AppTestSupport.h"
#include "app/mainwindow/MainWindowRules.h"
#include "app/settings/RunOptions.h"

using namespace mervalon::app;
using mervalon::app::testing::TestEnvironment;

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

  private:
    TestEnvironment& m_environment;
};

MERVALON_APP_TEST_MAIN(MainWindowRulesTest)
#include "MainWindowRules_test.moc"
