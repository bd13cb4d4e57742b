#include "app/AppTestSupport.h"
#include "app/files/FileSelectionRules.h"

#include <QDir>

using namespace mervalon::app;
using mervalon::app::testing::TestEnvironment;

class FileSelectionRulesTest : public QObject {
    Q_OBJECT
  public:
    explicit FileSelectionRulesTest(TestEnvironment& environment) : m_environment(environment) {}

  private slots:
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

MERVALON_APP_TEST_MAIN(FileSelectionRulesTest)

#include "FileSelectionRules_test.moc"
