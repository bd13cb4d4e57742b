#include "app/AppTestSupport.h"
#include "app/run/RunRules.h"
#include "core/config/InstallationLayout.h"

using namespace mervalon;
using namespace mervalon::app;
using mervalon::app::testing::TestEnvironment;

class RunRulesTest : public QObject {
    Q_OBJECT
  public:
    explicit RunRulesTest(TestEnvironment& environment) : m_environment(environment) {}

  private slots:
    void formatKindMustFitTheFileType_data()
    {
        QTest::addColumn<bool>("excel");
        QTest::addColumn<QString>("extensions");
        QTest::addColumn<QString>("message");
        QTest::newRow("excel format, text files") << true << "txt;asc;csv" << kExcelFormatForTextFiles;
        QTest::newRow("text format, workbooks") << false << "xls" << kTextFormatForWorkbooks;
        QTest::newRow("excel format, XLS in capitals") << true << "XLS" << QString();
        QTest::newRow("text format, text files") << false << "txt;xls" << QString();
        QTest::newRow("only the first three characters") << false << "xlsx;txt" << kTextFormatForWorkbooks;
        QTest::newRow("excel format, no file type") << true << "" << kExcelFormatForTextFiles;
    }
    void formatKindMustFitTheFileType()
    {
        QFETCH(bool, excel);
        QFETCH(QString, extensions);
        QFETCH(QString, message);
        QCOMPARE(formatMismatchMessage(excel, extensions).value_or(QString()), message);
    }

    void theMessagesAreTheSystemsOwn()
    {
        QVERIFY(kExcelFormatForTextFiles.startsWith(
            "You have selected a File Format that applies to an Excel (xls) file, but the file extension does not "
            "match."));
        QVERIFY(kTextFormatForWorkbooks.startsWith(
            "You have selected a File Format that applies to a Text (txt, asc, ...) file, but"));
    }

    void reportShownByPolicy_data()
    {
        QTest::addColumn<int>("policy");
        QTest::addColumn<bool>("errors");
        QTest::addColumn<bool>("shown");
        QTest::newRow("always, clean run") << 0 << false << true;
        QTest::newRow("always, errors") << 0 << true << true;
        QTest::newRow("on errors, clean run") << 1 << false << false;
        QTest::newRow("on errors, errors") << 1 << true << true;
        QTest::newRow("never, errors") << 2 << true << false;
        QTest::newRow("none selected, errors") << -1 << true << false;
    }
    void reportShownByPolicy()
    {
        QFETCH(int, policy);
        QFETCH(bool, errors);
        QFETCH(bool, shown);
        const auto selected = policy < 0 ? std::nullopt : std::optional(static_cast<ReportPolicy>(policy));
        QCOMPARE(reportShownAfterRun(selected, errors), shown);
    }

    void theRequestIsTheCommandLinesRequest()
    {
        RunInputs inputs;
        inputs.fileNames = {"site.2024.txt", "b"};
        inputs.sourceFolder = "/data/in";
        inputs.destinationFolder = "/data/out/";
        inputs.installDir = "/opt/mervalon";
        inputs.errorPolicy = ErrorPolicy::AbortFile;
        inputs.timestamp = "08/12/2026 23:00:00";
        inputs.dialect.decimalMark = formats::DecimalMark::Comma;
        inputs.dialect.headerLine = true;
        const engine::RunRequest request = buildRunRequest(inputs);
        QCOMPARE(request.files.size(), std::size_t(2));
        QCOMPARE(request.files[0].source, std::string("/data/in/site.2024.txt"));
        QCOMPARE(request.files[0].destination, std::string("/data/out/site.dxf"));
        QCOMPARE(request.files[1].destination, std::string("/data/out/dxf"));
        QCOMPARE(request.reportPath, std::filesystem::path("/opt/mervalon/mervalon40.log"));
        QCOMPARE(request.installDir, std::filesystem::path("/opt/mervalon"));
        QVERIFY(request.errorPolicy == ErrorPolicy::AbortFile);
        QCOMPARE(request.timestamp, inputs.timestamp);
        QVERIFY(request.dialect == inputs.dialect);
    }

    void aRunIntoNoFolderOrOverTheReportIsRefused()
    {
        const QString install = m_environment.root() + "/install";
        writeReport(install);
        RunInputs inputs;
        inputs.installDir = install;
        inputs.sourceFolder = install;
        inputs.fileNames = {"mervalon40.log"};
        inputs.destinationFolder = "  ";
        QCOMPARE(runRefusal(inputs, buildRunRequest(inputs)).value_or(QString()), kNoDestinationFolder);
        inputs.destinationFolder = m_environment.root();
        QVERIFY(runRefusal(inputs, buildRunRequest(inputs)).value_or(QString()).contains("is the report"));
        inputs.fileNames = {"other.txt"};
        QVERIFY(!runRefusal(inputs, buildRunRequest(inputs)));
    }

    void noErrorPolicySkipsTheLine()
    {
        QVERIFY(effectiveErrorPolicy(std::nullopt) == ErrorPolicy::SkipLine);
        QVERIFY(effectiveErrorPolicy(ErrorPolicy::AbortProcess) == ErrorPolicy::AbortProcess);
    }

    void eventsRunByTimeNotByLine()
    {
        std::int64_t now = 0;
        PumpSchedule schedule(40, [&] { return now; });
        QVERIFY(schedule.due()); // a run shows itself at once
        int pumps = 0;
        // 10,000 lines converted within 39 ms: no further pump.
        for (int line = 0; line < 10000; ++line) {
            pumps += schedule.due() ? 1 : 0;
        }
        QCOMPARE(pumps, 0);
        now = 40;
        for (int line = 0; line < PumpSchedule::kLinesPerClockRead; ++line) {
            pumps += schedule.due() ? 1 : 0;
        }
        QCOMPARE(pumps, 1);
        schedule.restart();
        QVERIFY(schedule.due());
        // Asked seldom (while a file is read), the clock is read every time.
        QVERIFY(!schedule.dueByClock());
        now += 40;
        QVERIFY(schedule.dueByClock());
        QVERIFY(!schedule.dueByClock());
    }

    void theClockIsReadOnlyEveryFewLines()
    {
        int reads = 0;
        PumpSchedule schedule(40, [&] { return std::int64_t(++reads) * 0; });
        for (int line = 0; line < 64 * 100 + 1; ++line) {
            schedule.due();
        }
        QCOMPARE(reads, 101);
    }

  private:
    static void writeReport(const QString& install)
    {
        mervalon::app::testing::writeFile(install + "/mervalon40.log", "report\r\n");
    }

    TestEnvironment& m_environment;
};

MERVALON_APP_TEST_MAIN(RunRulesTest)
#include "RunRules_test.moc"
