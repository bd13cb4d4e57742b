#include "app/AppTestSupport.h"
#include "app/run/FormatFitRules.h"

#include <QTemporaryDir>

using namespace mervalon::app;
using mervalon::app::testing::TestEnvironment;
using mervalon::formats::PointValue;
using Verdict = mervalon::app::FileFit::Verdict;

Q_DECLARE_METATYPE(mervalon::app::FileFit::Verdict)

namespace {

// The shipped default: number, East, North, elevation, description, code; comma separated.
mervalon::engine::PreviewSettings penzdc()
{
    mervalon::engine::PreviewSettings s;
    s.format.separator = ",";
    s.format.firstLine = 1;
    int column = 1;
    for (PointValue value : mervalon::formats::kPointValues) {
        s.format.value(value).column = column++;
    }
    s.format.newPolylineCode = "1";
    s.format.drawPolylineCode = "2";
    s.format.endPolylineCode = "3";
    return s;
}

QByteArray lines(int good, int bad, const QByteArray& blank = {})
{
    QByteArray text;
    for (int i = 0; i < good; ++i) {
        text += "1,100.5,200.5,10,a,1\n" + blank;
    }
    for (int i = 0; i < bad; ++i) {
        text += "1;100.5;200.5;10;a;1\n" + blank;
    }
    return text;
}

mervalon::formats::DetectedLayout detectedSemicolons()
{
    mervalon::formats::DetectedLayout layout;
    layout.found = true;
    layout.separator = ';';
    layout.confidence = 95;
    return layout;
}

} // namespace

class FormatFitRulesTest : public QObject {
    Q_OBJECT
  public:
    explicit FormatFitRulesTest(TestEnvironment& environment) : m_environment(environment) {}

  private slots:
    void aFormatFitsUnlessMostOfTheFirstPointLinesAreFaulty_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("firstLine");
        QTest::addColumn<Verdict>("verdict");
        QTest::addColumn<int>("looked");
        QTest::addColumn<int>("faulty");
        QTest::newRow("fits") << lines(20, 0) << 1 << Verdict::Fits << 20 << 0;
        QTest::newRow("does not fit") << lines(0, 25) << 1 << Verdict::Misfit << 20 << 20;
        QTest::newRow("half faulty fits") << lines(10, 10) << 1 << Verdict::Fits << 20 << 10;
        QTest::newRow("one more than half") << lines(9, 11) << 1 << Verdict::Misfit << 20 << 11;
        QTest::newRow("blank lines are not counted") << lines(2, 3, "\n") << 1 << Verdict::Misfit << 5 << 3;
        QTest::newRow("skipped lines are not judged")
            << QByteArray("title;of;the;survey\nmore;text\n") + lines(4, 0) << 3 << Verdict::Fits << 4 << 0;
        QTest::newRow("empty file") << QByteArray() << 1 << Verdict::NotJudged << 0 << 0;
        QTest::newRow("only blank lines") << QByteArray("\n\n  \n") << 1 << Verdict::NotJudged << 0 << 0;
        QTest::newRow("workbook") << QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1") + QByteArray(600, '\0') << 1
                                  << Verdict::NotJudged << 0 << 0;
        QTest::newRow("zipped workbook") << QByteArray("PK\x03\x04", 4) + QByteArray(100, 'x') << 1
                                         << Verdict::NotJudged << 0 << 0;
    }
    void aFormatFitsUnlessMostOfTheFirstPointLinesAreFaulty()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, firstLine);
        QFETCH(Verdict, verdict);
        QFETCH(int, looked);
        QFETCH(int, faulty);
        const QString path = m_dir.filePath(QStringLiteral("points.txt"));
        mervalon::app::testing::writeFile(path, content);
        mervalon::engine::PreviewSettings settings = penzdc();
        settings.format.firstLine = firstLine;
        const FileFit fit = FormatFitRules::checkFile(path, settings);
        QCOMPARE(fit.verdict, verdict);
        QCOMPARE(fit.lines, looked);
        QCOMPARE(fit.faulty, faulty);
    }

    void aMissingFileIsLeftToTheRun()
    {
        QCOMPARE(FormatFitRules::checkFile(m_dir.filePath(QStringLiteral("gone.txt")), penzdc()).verdict,
                 Verdict::NotJudged);
    }

    void everyFileFittingAsksNothing()
    {
        QVERIFY(!FormatFitRules::question(QStringLiteral("!default"), {}, {}, detectedSemicolons()));
    }

    void oneMisfitOffersTheDetectedLayout()
    {
        const auto question = FormatFitRules::question(QStringLiteral("!default"), {QStringLiteral("site.txt")},
                                                       {FileFit{Verdict::Misfit, 20, 18}}, detectedSemicolons());
        QVERIFY(question);
        QVERIFY(question->layoutOffered);
        QCOMPARE(question->text,
                 QStringLiteral("The format \"!default\" does not fit \"site.txt\": 18 of its first 20 point lines "
                                "would be faulty and left out of the drawing.\n\n"
                                "A layout was detected in \"site.txt\" (separator semicolon (;), high confidence).\n\n"
                                "Yes: save the detected layout as a new format and convert with it.\n"
                                "No: convert with \"!default\" anyway.\n"
                                "Cancel: convert nothing."));
    }

    void misfitsOfABatchAreListedInOneMessage()
    {
        QStringList names;
        std::vector<FileFit> fits;
        for (int i = 1; i <= 10; ++i) {
            names << QStringLiteral("f%1.txt").arg(i);
            fits.push_back(FileFit{Verdict::Misfit, 20, 10 + i});
        }
        const auto question =
            FormatFitRules::question(QStringLiteral("roads"), names, fits, mervalon::formats::DetectedLayout{});
        QVERIFY(question);
        QVERIFY(!question->layoutOffered);
        QCOMPARE(question->text,
                 QStringLiteral("The format \"roads\" does not fit 10 of the selected files: most of their first "
                                "point lines would be faulty and left out of the drawings.\n"
                                "    f1.txt (11 of 20 lines)\n    f2.txt (12 of 20 lines)\n"
                                "    f3.txt (13 of 20 lines)\n    f4.txt (14 of 20 lines)\n"
                                "    f5.txt (15 of 20 lines)\n    f6.txt (16 of 20 lines)\n"
                                "    f7.txt (17 of 20 lines)\n    f8.txt (18 of 20 lines)\n"
                                "    and 2 more\n\n"
                                "No layout of points could be detected in \"f1.txt\".\n\n"
                                "OK: convert with \"roads\" anyway.\n"
                                "Cancel: convert nothing."));
    }

    void theNewFormatsNameIsTheFilesAndNeverAListedOne_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("listed");
        QTest::addColumn<QString>("name");
        QTest::newRow("free") << "Site.2024.txt" << QStringList{"!default"} << "site";
        QTest::newRow("taken") << "site.txt" << QStringList{"site", "site 2"} << "site 3";
        QTest::newRow("no name") << ".txt" << QStringList() << "detected";
    }
    void theNewFormatsNameIsTheFilesAndNeverAListedOne()
    {
        QFETCH(QString, file);
        QFETCH(QStringList, listed);
        QFETCH(QString, name);
        QCOMPARE(FormatFitRules::proposedName(file, listed), name);
    }

  private:
    TestEnvironment& m_environment;
    QTemporaryDir m_dir;
};

MERVALON_APP_TEST_MAIN(FormatFitRulesTest)
#include "FormatFitRules_test.moc"
