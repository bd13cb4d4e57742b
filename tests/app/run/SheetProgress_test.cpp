// The progress window while a large XLSX sheet is converted as it is read: the bar is half-way
// when half the lines are converted, with the sheet's used range and without one. With
// MERVALON_SCREENSHOTS=folder, the window half-way is saved there as progress-sheet.png.
#include "app/AppTestSupport.h"
#include "app/run/ProgressWindow.h"
#include "app/run/ProgressWindowPage.h"
#include "core/engine/BatchRun.h"
#include "core/spreadsheet/PackageTestSupport.h"

#include <QDir>
#include <QProgressBar>
#include <QtTest>

using namespace mervalon;
using namespace mervalon::app;
using namespace mervalon::app::testing;
using mervalon::formats::PointValue;

namespace {

constexpr int kRows = 100000;

// A survey of `kRows` points, from row 2 (row 1 is a header); `dimension` goes before the rows.
std::vector<std::pair<std::string, std::string>> surveyWorkbook(const std::string& dimension)
{
    std::string rows = "<row r=\"1\"><c t=\"inlineStr\"><is><t>Number</t></is></c></row>";
    for (int i = 2; i <= kRows; ++i) {
        const std::string r = std::to_string(i);
        rows += "<row r=\"" + r + "\"><c><v>" + r + "</v></c><c><v>" + std::to_string(512000 + i) +
                ".125</v></c><c><v>" + std::to_string(6712000 + i) +
                ".5</v></c><c><v>12.75</v></c><c t=\"inlineStr\"><is><t>TREE " + r + "</t></is></c></row>";
    }
    spreadsheet::test::XlsxParts parts;
    parts.sheets = {{"Points", rows}};
    auto files = spreadsheet::test::xlsxPackage(parts);
    for (auto& [name, xml] : files) {
        if (name == "xl/worksheets/sheet1.xml") {
            xml.replace(xml.find("<sheetData>"), 0, dimension);
        }
    }
    return files;
}

} // namespace

class SheetProgressTest : public QObject {
    Q_OBJECT
  public:
    explicit SheetProgressTest(TestEnvironment& environment) : m_environment(environment) {}

  private slots:
    void theBarIsHalfWayWhenHalfTheSheetIsConverted_data()
    {
        QTest::addColumn<QString>("dimension");
        QTest::newRow("used range") << QStringLiteral("<dimension ref=\"A1:E%1\"/>").arg(kRows);
        QTest::newRow("no used range") << QString();
    }

    void theBarIsHalfWayWhenHalfTheSheetIsConverted()
    {
        QFETCH(QString, dimension);
        m_environment.reset();
        const QString folder = m_environment.home() + QStringLiteral("/survey");
        QDir().mkpath(folder);
        const std::filesystem::path workbook = (folder + QStringLiteral("/boundary.xlsx")).toStdString();
        spreadsheet::test::writeZip(workbook, surveyWorkbook(dimension.toStdString()));

        engine::RunRequest request;
        request.format.name = "sheet";
        request.format.isExcel = 1;
        request.format.sheetByNumber = 1;
        request.format.sheet = "1";
        request.format.firstLine = 2;
        request.format.value(PointValue::Number).column = 1;
        request.format.value(PointValue::X).column = 2;
        request.format.value(PointValue::Y).column = 3;
        request.format.value(PointValue::Z).column = 4;
        request.format.value(PointValue::Description).column = 5;
        request.runConfiguration.entity(config::EntityKind::Point).create = 1;
        request.runConfiguration.entity(config::EntityKind::Point).layer = "PTS";
        request.installDir = TestEnvironment::install().toStdString();
        request.reportPath = (folder + QStringLiteral("/mervalon40.log")).toStdString();
        request.timestamp = "2026-12-10 06:00:00";
        request.files = engine::runFilesOf({"boundary.xlsx"}, folder.toStdString(), folder.toStdString());

        ProgressWindow progress;
        progress.setPumpInterval(0);
        const int lines = kRows - 1;
        double shown = -1;
        connect(&progress, &ProgressWindow::pumping, this, [&](qint64 position) {
            if (shown < 0 && position >= lines / 2) {
                const QProgressBar* bar = ProgressWindowPage(progress).progressBar();
                shown = double(bar->value()) / bar->maximum();
                const QString screenshots = qEnvironmentVariable("MERVALON_SCREENSHOTS");
                if (!screenshots.isEmpty() && dimension.isEmpty()) {
                    QDir().mkpath(screenshots);
                    progress.grab().save(screenshots + QStringLiteral("/progress-sheet.png"));
                }
            }
        });
        progress.begin();
        engine::runBatch(request, progress);
        progress.end();
        // Shown against the lines read so far, the bar stood near seven eighths by now.
        QVERIFY2(shown >= 0.45 && shown <= 0.55, qPrintable(QString::number(shown)));
        QVERIFY(readFile(QString::fromStdString(request.reportPath.string()))
                    .contains(">> " + QByteArray::number(lines) + " lines processed."));
    }

  private:
    TestEnvironment& m_environment;
};

MERVALON_APP_TEST_MAIN(SheetProgressTest)
#include "SheetProgress_test.moc"
