#include "app/AppTestSupport.h"
#include "app/MainWindowRules.h"

#include <QDir>

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

    void selectedCountText()
    {
        QCOMPARE(mervalon::app::selectedCountText(0), QStringLiteral("0 selected."));
        QCOMPARE(mervalon::app::selectedCountText(12), QStringLiteral("12 selected."));
    }

    void fileCommandsNeedARealFolderWithFiles()
    {
        QVERIFY(!fileCommandsEnabled(false, 3));
        QVERIFY(!fileCommandsEnabled(true, 0));
        QVERIFY(fileCommandsEnabled(true, 1));
        QVERIFY(!isRealFolder(QString()));
        QVERIFY(isRealFolder(QStringLiteral("/")));
    }

    void formatNamesAreLowerCasedSortedAndCutAtTheFirstDot()
    {
        const QStringList files = {"penzd comma.rpf", "Excel PENZDC.rpf", "!default.rpf", "site.v2.rpf", "0first.rpf"};
        QCOMPARE(formatNamesFromFiles(files),
                 (QStringList{"!default", "0first", "excel penzdc", "penzd comma", "site"}));
    }

    void deleteQuestion()
    {
        QCOMPARE(deleteFileTypeQuestion(QStringLiteral("Excel files")), QStringLiteral("Delete \"Excel files\" ?"));
    }

    void matchingIgnoresCaseAndEmptyPatternsMatchNothing()
    {
        const QString folder = m_environment.home() + QStringLiteral("/match");
        for (const char* name : {"a.txt", "B.TXT", "c.Asc", "d.xls", "e.txt.bak"}) {
            testing::writeFile(folder + '/' + QLatin1String(name));
        }
        QDir().mkpath(folder + QStringLiteral("/sub.txt"));
        QCOMPARE(listMatchingFiles(folder, {"*.txt", "*.asc"}).value(), (QStringList{"a.txt", "B.TXT", "c.Asc"}));
        QCOMPARE(listMatchingFiles(folder, {}).value(), QStringList());
    }

    void aFolderThatCannotBeListedGivesNothing()
    {
        QVERIFY(!listMatchingFiles(m_environment.home() + QStringLiteral("/absent"), {"*.txt"}).has_value());
    }

private:
    TestEnvironment& m_environment;
};

MERVALON_APP_TEST_MAIN(MainWindowRulesTest)
#include "MainWindowRules_test.moc"
