// The format editor's preview of the main window's point file, read anew at every change of the form.

#include "app/AppTestSupport.h"
#include "app/files/FilePages.h"
#include "app/formats/FormatEditorDialog.h"
#include "app/formats/FormatEditorPages.h"
#include "app/formats/FormatPreviewPanel.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTableWidget>
#include <functional>

using namespace mervalon::app;
using namespace mervalon::app::testing;

using FormEdit = std::function<void(QWidget&)>;
Q_DECLARE_METATYPE(FormEdit)

namespace {

QStringList columnHeads(const QTableWidget& table)
{
    QStringList heads;
    for (int column = 0; column < table.columnCount(); ++column) {
        heads << table.horizontalHeaderItem(column)->text();
    }
    return heads;
}

QStringList rowHeads(const QTableWidget& table)
{
    QStringList heads;
    for (int row = 0; row < table.rowCount(); ++row) {
        heads << table.verticalHeaderItem(row)->text();
    }
    return heads;
}

} // namespace

class FormatPreviewTest : public QObject {
    Q_OBJECT
  public:
    explicit FormatPreviewTest(TestEnvironment& environment) : m_environment(environment) {}

  private slots:
    void init()
    {
        m_environment.reset();
        const QString survey = m_environment.home() + "/survey";
        writeFile(survey + "/semicolons.txt", "No;E;N;H\n1;10,5;20,5;3,25;kerb;1\n2;11,5;21,5;3,5;kerb;3\n");
        writeFile(survey + "/tree.txt", "1,10.5,20.5,3,tree,1\n");
        (void)TestEnvironment::install();
        storeValue("lastpath", survey);
        m_program = startProgram(m_interaction);
        m_list = FileSelectionPage(m_program->mainWindow()).fileList();
        select("semicolons.txt");
        m_editor = &m_program->formatEditor();
        QVERIFY(m_editor->prepare(QStringLiteral("!default")));
        m_table = m_editor->preview().table();
    }
    void cleanup()
    {
        m_program.reset();
        m_interaction = FakeInteraction();
    }

    void theSelectedFileIsShownUnderTheFormat()
    {
        QCOMPARE(columnHeads(*m_table), (QStringList{"1: number", "2: East", "3: North", "4: elevation",
                                                     "5: description", "6: polyline code"}));
        QCOMPARE(rowHeads(*m_table), (QStringList{"1", "2", "3"}));
        // Cut at the commas of the default format: "5;20" is no East.
        QCOMPARE(m_table->item(1, 0)->text(), QStringLiteral("1;10"));
        QCOMPARE(m_table->item(1, 1)->toolTip(),
                 QStringLiteral("! Error in line 2: X coordinate is not a decimal value !"));
        QCOMPARE(m_table->item(1, 1)->background().color(), QColor(255, 196, 196));
        QCOMPARE(m_editor->preview().status()->text(),
                 QStringLiteral("semicolons.txt: lines 1 to 3, 3 error lines and 0 warning lines in the report."));
    }

    void eachChangeOfTheFormUpdatesThePreviewAtOnce_data()
    {
        QTest::addColumn<FormEdit>("edit");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("east");
        QTest::addColumn<QString>("tooltip");
        QTest::addColumn<QString>("head");
        const auto click = [](const char* name) {
            return [name](QWidget& editor) { control<QAbstractButton>(editor, name)->click(); };
        };
        QTest::newRow("separator") << FormEdit(click("RadioButton2")) << QStringList{"1", "2", "3"} << 1 << "10,5"
                                   << "! Error in line 2: X coordinate is not a decimal value !"
                                   << "2: East";
        QTest::newRow("separator, decimal comma and header") << FormEdit([click](QWidget& editor) {
            click("RadioButton2")(editor);
            click("DecimalComma")(editor);
            click("HeaderLine")(editor);
        }) << QStringList{"1 header", "2", "3"} << 1 << "10.5"
                                                             << ""
                                                             << "2: East";
        QTest::newRow("position") << FormEdit([click](QWidget& editor) {
            click("RadioButton2")(editor);
            FormatEditorPage(editor).positionEdit(1)->setText(QStringLiteral("7"));
        }) << QStringList{"1", "2", "3"}
                                  << 1 << "10,5"
                                  << ""
                                  << "2";
        QTest::newRow("first line") << FormEdit([](QWidget& editor) {
            FormatEditorPage(editor).firstLineEdit()->setText(QStringLiteral("3"));
        }) << QStringList{"1 skipped", "2 skipped", "3"}
                                    << 2 << "5;21"
                                    << "! Error in line 1: X coordinate is not a decimal value !"
                                    << "2: East";
    }
    void eachChangeOfTheFormUpdatesThePreviewAtOnce()
    {
        QFETCH(FormEdit, edit);
        QFETCH(QStringList, rows);
        QFETCH(int, row);
        QFETCH(QString, east);
        QFETCH(QString, tooltip);
        QFETCH(QString, head);
        edit(*m_editor);
        QCOMPARE(rowHeads(*m_table), rows);
        QTableWidgetItem* cell = m_table->item(row, 1);
        QVERIFY(cell != nullptr);
        QCOMPARE(cell->text(), east);
        QCOMPARE(cell->toolTip(), tooltip);
        QCOMPARE(m_table->horizontalHeaderItem(1)->text(), head);
    }

    void anotherSelectedFileIsReadAtTheNextChange()
    {
        select("tree.txt");
        FormatEditorPage(*m_editor).dialectBox(1)->click();
        QCOMPARE(rowHeads(*m_table), QStringList{"1"});
        QCOMPARE(m_table->item(0, 4)->text(), QStringLiteral("tree"));
    }

    void withoutASelectedFileThePreviewSaysSo()
    {
        m_list->clearSelection();
        FormatEditorPage(*m_editor).dialectBox(1)->click();
        QCOMPARE(m_table->rowCount(), 0);
        QCOMPARE(m_editor->preview().status()->text(),
                 QStringLiteral("No point file is selected in the main window: select one to see its lines here."));
    }

  private:
    void select(const char* name)
    {
        m_list->clearSelection();
        QListWidgetItem* item = m_list->findItems(QLatin1String(name), Qt::MatchExactly).value(0);
        QVERIFY(item != nullptr);
        item->setSelected(true);
        m_list->setCurrentItem(item);
    }

    TestEnvironment& m_environment;
    FakeInteraction m_interaction;
    std::unique_ptr<Program> m_program;
    QListWidget* m_list = nullptr;
    FormatEditorDialog* m_editor = nullptr;
    QTableWidget* m_table = nullptr;
};

MERVALON_APP_TEST_MAIN(FormatPreviewTest)
#include "FormatPreview_test.moc"
