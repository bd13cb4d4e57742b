#include "app/AppTestSupport.h"
#include "app/formats/FormatPreviewRules.h"

#include <QTemporaryDir>

using namespace mervalon::app;
using mervalon::app::testing::TestEnvironment;
using mervalon::formats::PointValue;

Q_DECLARE_METATYPE(mervalon::app::CellMark)

namespace {

FormatEditorFields penzdc()
{
    FormatEditorFields fields;
    fields.firstLine = QStringLiteral("1");
    fields.imported = {true, true, true, true, true, true};
    fields.codes = {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")};
    return fields;
}

} // namespace

class FormatPreviewRulesTest : public QObject {
    Q_OBJECT
  public:
    explicit FormatPreviewRulesTest(TestEnvironment& environment) : m_environment(environment) {}

  private slots:
    void init() { QVERIFY(m_dir.isValid()); }

    void thePreviewedFileIsTheCurrentSelectedOneElseTheFirstSelected_data()
    {
        QTest::addColumn<QStringList>("selected");
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("shown");
        QTest::newRow("none selected") << QStringList() << "/s/a.txt"
                                       << "";
        QTest::newRow("current selected") << QStringList{"a.txt", "b.txt"} << "/s/b.txt"
                                          << "/s/b.txt";
        QTest::newRow("current not selected") << QStringList{"a.txt", "b.txt"} << "/s/c.txt"
                                              << "/s/a.txt";
        QTest::newRow("no current") << QStringList{"b.txt"} << ""
                                    << "/s/b.txt";
    }
    void thePreviewedFileIsTheCurrentSelectedOneElseTheFirstSelected()
    {
        QFETCH(QStringList, selected);
        QFETCH(QString, current);
        QFETCH(QString, shown);
        QCOMPARE(FormatPreviewRules::previewFile(selected, current, QStringLiteral("/s")), shown);
    }

    void eachColumnIsHeadedByItsRole_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("head");
        QTest::newRow("number") << 1 << "1: number";
        QTest::newRow("East") << 2 << "2: East";
        QTest::newRow("North shares with the code") << 3 << "3: North / polyline code";
        QTest::newRow("elevation") << 4 << "4: elevation";
        QTest::newRow("description") << 5 << "5: description";
        QTest::newRow("nothing") << 6 << "6";
    }
    void eachColumnIsHeadedByItsRole()
    {
        QFETCH(int, column);
        QFETCH(QString, head);
        BuiltFormat built = FormatEditorRules::build(penzdc(), QStringLiteral("x"));
        built.format->value(PointValue::Code).column = 3;
        QCOMPARE(FormatPreviewRules::columnHead(*built.format, column), head);
    }

    void eachReportLineSpeaksOfItsValue_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("value");
        const auto row = [](const char* message, int value) { QTest::newRow(message) << message << value; };
        row("  ! Error in line 1: Number is missing !", 0);
        row("  ! Error in line 1: Prefix for Number is missing !", 0);
        row("  ! Error in line 1: Number is not a number, it can not be renumbered !", 0);
        row("  ! Error in line 2: X coordinate is not a decimal value !", 1);
        row("  ! Error in line 2: Prefix for X coordinate is missing !", 1);
        row("  ! Error in line 3: Y coordinate is missing !", 2);
        row("  ! Error in line 4: Z coordinate is not a decimal value !", 3);
        row("  ! Error in line 4: Prefix for Description is missing !", 4);
        row("  ! Warning in line 5: Description is missing !", 4);
        row("  ! Warning in line 6: Polyline Code is missing !", 5);
        row("  ! Error in line 6: Prefix for Polyline Code is missing !", 5);
        row("  ! Line 7 is empty !", -1);
        row("  ! Error in line 8: The line is 2000000 characters long; lines longer than 1048576 characters are not "
            "read !",
            -1);
    }
    void eachReportLineSpeaksOfItsValue()
    {
        QFETCH(QString, message);
        QFETCH(int, value);
        QCOMPARE(FormatPreviewRules::valueOfMessage(message.toStdString()), value);
    }

    void theCellAReportLineSpeaksOfIsMarkedWithIt_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("commaDecimals");
        QTest::addColumn<bool>("header");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<CellMark>("mark");
        QTest::addColumn<QString>("tooltip");
        QTest::addColumn<QString>("text");
        QTest::newRow("faulty East") << QByteArray("1,1O.5,2,3,a,1\n") << false << false << 0 << 1 << CellMark::Error
                                     << "! Error in line 1: X coordinate is not a decimal value !"
                                     << "1O.5";
        QTest::newRow("missing North marks its empty cell")
            << QByteArray("1,10\n") << false << false << 0 << 2 << CellMark::Error
            << "! Error in line 1: Y coordinate is missing !"
            << "";
        QTest::newRow("missing code is a warning")
            << QByteArray("1,10,20,3,a\n5,1,2,3,b,1\n") << false << false << 0 << 5 << CellMark::Warning
            << "! Warning in line 1: Polyline Code is missing !"
            << "";
        QTest::newRow("empty line") << QByteArray("\n1,1,2,3,a,1\n") << false << false << 0 << 0 << CellMark::Warning
                                    << "! Line 1 is empty !"
                                    << "(empty line)";
        QTest::newRow("comma decimals read")
            << QByteArray("1;10,5;20,25;3;a;1\n") << true << false << 0 << 1 << CellMark::None << ""
            << "10.5";
        QTest::newRow("comma decimals, a point is no decimal")
            << QByteArray("1;10,5;20,2,5;3;a;1\n") << true << false << 0 << 2 << CellMark::Error
            << "! Error in line 1: Y coordinate is not a decimal value !"
            << "20,2,5";
        QTest::newRow("header line counts before the points")
            << QByteArray("No;E;N\n1;x;2;3;a;1\n") << true << true << 1 << 1 << CellMark::Error
            << "! Error in line 1: X coordinate is not a decimal value !"
            << "x";
    }
    void theCellAReportLineSpeaksOfIsMarkedWithIt()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, commaDecimals);
        QFETCH(bool, header);
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(CellMark, mark);
        QFETCH(QString, tooltip);
        QFETCH(QString, text);
        const QString path = m_dir.filePath(QStringLiteral("points.txt"));
        mervalon::app::testing::writeFile(path, content);
        FormatEditorFields fields = penzdc();
        if (commaDecimals) {
            fields.separator = SeparatorChoice::Semicolon;
            fields.dialect.decimalMark = mervalon::formats::DecimalMark::Comma;
        }
        fields.dialect.headerLine = header;
        const PreviewTable table = FormatPreviewRules::preview(fields, PreviewSource{path, {}});
        QVERIFY2(static_cast<std::size_t>(row) < table.rows.size(), qPrintable(table.status));
        const PreviewCell& cell = table.rows[static_cast<std::size_t>(row)].cells[static_cast<std::size_t>(column)];
        QCOMPARE(cell.mark, mark);
        QCOMPARE(cell.tooltip, tooltip);
        QCOMPARE(cell.text, text);
        if (header) {
            QCOMPARE(table.rows[0].heading, QStringLiteral("1 header"));
            QCOMPARE(table.rows[0].cells.size(), std::size_t(1));
            QCOMPARE(table.rows[0].cells[0].text, QStringLiteral("No;E;N"));
            QCOMPARE(table.rows[1].heading, QStringLiteral("2"));
        }
    }

    void theStatusLineSaysWhatIsShownOrWhyNothingIs_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("excel");
        QTest::addColumn<QString>("position");
        QTest::addColumn<QString>("status");
        QTest::addColumn<int>("rows");
        QTest::newRow("no file") << "" << QByteArray() << false << "2"
                                 << "No point file is selected in the main window: select one to see its lines here."
                                 << 0;
        QTest::newRow("clean") << "a.txt" << QByteArray("1,2,3,4,a,1\n2,2,3,4,b,3\n") << false << "2"
                               << "a.txt: lines 1 to 2, nothing to report." << 2;
        QTest::newRow("faults") << "a.txt" << QByteArray("1,x,3,4,a,1\n2,2,3,4,b\n\n") << false << "2"
                                << "a.txt: lines 1 to 3, 1 error line and 2 warning lines in the report." << 3;
        QTest::newRow("empty file") << "a.txt" << QByteArray() << false << "2"
                                    << "a.txt is empty." << 0;
        QTest::newRow("workbook format") << "a.txt" << QByteArray("1,2,3\n") << true << "2"
                                         << "The preview shows delimited text files; this format reads workbooks." << 0;
        QTest::newRow("faulty position") << "a.txt" << QByteArray("1,2,3\n") << false << "x"
                                         << "No preview while the form holds a faulty number: "
                                            "'x' is not a valid integer value"
                                         << 0;
        QTest::newRow("repeated position")
            << "a.txt" << QByteArray("1,2,3,4,a,1\n") << false << "1"
            << "Not yet saveable: Position \"1\" is already in use. a.txt: lines 1 to 1, nothing to report." << 1;
        QTest::newRow("workbook file") << "b.xlsx" << QByteArray("PK\x03\x04zip") << false << "2"
                                       << "\"%1\" is a workbook, not a delimited text file." << 0;
    }
    void theStatusLineSaysWhatIsShownOrWhyNothingIs()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, content);
        QFETCH(bool, excel);
        QFETCH(QString, position);
        QFETCH(QString, status);
        QFETCH(int, rows);
        const QString path = file.isEmpty() ? QString() : m_dir.filePath(file);
        if (!path.isEmpty()) {
            mervalon::app::testing::writeFile(path, content);
        }
        FormatEditorFields fields = penzdc();
        fields.isExcel = excel;
        fields.positions[1] = position;
        const PreviewTable table = FormatPreviewRules::preview(fields, PreviewSource{path, {}});
        QCOMPARE(table.status, status.contains(QStringLiteral("%1")) ? status.arg(path) : status);
        QCOMPARE(static_cast<int>(table.rows.size()), rows);
    }

    void aBinaryFileIsShownSafely()
    {
        QByteArray binary;
        binary.reserve(300000);
        for (unsigned i = 0; i < 300000; ++i) {
            binary += static_cast<char>((i * 7919U) % 256U);
        }
        const QString path = m_dir.filePath(QStringLiteral("binary.dat"));
        mervalon::app::testing::writeFile(path, binary);
        const PreviewTable table = FormatPreviewRules::preview(penzdc(), PreviewSource{path, {}});
        QVERIFY(table.rows.size() <= FormatPreviewRules::kLines);
        QVERIFY(table.columnHeads.size() <= FormatPreviewRules::kMaxColumns);
        for (const PreviewRow& row : table.rows) {
            for (const PreviewCell& cell : row.cells) {
                QVERIFY(cell.text.size() <= FormatPreviewRules::kMaxCellText + 3);
            }
        }
    }

  private:
    TestEnvironment& m_environment;
    QTemporaryDir m_dir;
};

MERVALON_APP_TEST_MAIN(FormatPreviewRulesTest)
#include "FormatPreviewRules_test.moc"
