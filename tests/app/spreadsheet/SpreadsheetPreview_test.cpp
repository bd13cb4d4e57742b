#include "FileSizeLimit.h"
#include "app/AppTestSupport.h"
#include "app/common/ElidedLabel.h"
#include "app/spreadsheet/SpreadsheetPreview.h"
#include "app/spreadsheet/SpreadsheetPreviewPage.h"
#include "app/spreadsheet/SpreadsheetRules.h"
#include "core/spreadsheet/BiffRecords.h"
#include "core/spreadsheet/CompoundFile.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QTabBar>
#include <functional>
#include <map>
#include <optional>

using namespace mervalon::app;
using namespace mervalon::app::testing;

namespace {

struct Run {
    int code = -1;
    QString output;
};

Run run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(120000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput())};
}

QString script(const char* name)
{
    return QStringLiteral(MERVALON_SOURCE_DIR "/tests/app/spreadsheet/") + QLatin1String(name);
}

/// python3-xlrd's reading of a workbook, one line per cell (see xlrd_cells.py).
QStringList xlrdCells(const QString& path)
{
    const Run dump = run(QStringLiteral("/usr/bin/python3"), {script("xlrd_cells.py"), path});
    if (dump.code == 3) {
        qWarning("python3-xlrd is missing (apt-get install python3-xlrd)");
    }
    return dump.code == 0 ? dump.output.split(QLatin1Char('\n'), Qt::SkipEmptyParts)
                          : QStringList{QStringLiteral("unreadable")};
}

/// `lines` with the cells of sheet `sheet` given new values ("row|column" → "kind|value"; an
/// empty text removes the cell) and their rows renumbered by `newRowOf` (old → new, -1 drops).
QStringList changed(const QStringList& lines, const QString& sheet, const std::map<QString, QString>& cells,
                    const std::map<int, int>& newRowOf = {})
{
    std::map<std::pair<int, int>, QString> sheetCells;
    QStringList out;
    int at = -1;
    for (const QString& line : lines) {
        const QStringList f = line.split(QLatin1Char('|'));
        if (f.value(0) != sheet) {
            out << line;
            continue;
        }
        at = at < 0 ? static_cast<int>(out.size()) : at;
        int row = f[1].toInt();
        if (!newRowOf.empty()) {
            row = newRowOf.at(row);
        }
        if (row >= 0) {
            sheetCells[{row, f[2].toInt()}] = f[3] + QLatin1Char('|') + f.mid(4).join(QLatin1Char('|'));
        }
    }
    for (const auto& [key, value] : cells) {
        const QStringList rc = key.split(QLatin1Char('|'));
        if (value.isEmpty()) {
            sheetCells.erase({rc[0].toInt(), rc[1].toInt()});
        } else {
            sheetCells[{rc[0].toInt(), rc[1].toInt()}] = value;
        }
    }
    QStringList block;
    for (const auto& [rc, value] : sheetCells) {
        block << QStringLiteral("%1|%2|%3|%4").arg(sheet).arg(rc.first).arg(rc.second).arg(value);
    }
    for (qsizetype i = 0; i < block.size(); ++i) {
        out.insert(at + i, block[i]);
    }
    return out;
}

/// How many FORMULA records the workbook stream of `path` holds.
int formulaCount(const QString& path)
{
    using namespace mervalon::spreadsheet;
    const QByteArray file = readFile(path);
    const CompoundFile container(Bytes(file.begin(), file.end()));
    const Bytes stream = container.readStream(*container.findRootStream({"Workbook", "Book"}));
    int count = 0;
    for (std::size_t at = 0; at + 4 <= stream.size(); at += 4 + std::size_t{loadU16(stream.data() + at + 2)}) {
        count += loadU16(stream.data() + at) == record::kFormula ? 1 : 0;
    }
    return count;
}

QString cellText(SpreadsheetPreview& preview, int row, int column)
{
    const SheetGridModel& model = preview.rules().model();
    return model.data(model.index(row - 1, column - 1), Qt::DisplayRole).toString();
}

// Types into a cell as the user does: the cell editor opens on the current cell, takes the
// text and is committed when the user moves on.
void type(SpreadsheetPreview& preview, int row, int column, const QString& text)
{
    auto* grid = SpreadsheetPreviewPage(preview).grid();
    const QModelIndex index = preview.rules().model().index(row - 1, column - 1);
    grid->commitOpenEditor();
    grid->setCurrentIndex(index);
    if (grid->openEditor() == nullptr) {
        grid->edit(index);
    }
    auto* editor = qobject_cast<QLineEdit*>(grid->openEditor());
    QVERIFY(editor != nullptr);
    editor->setText(text);
    grid->commitOpenEditor();
}

/// The current cell as (row, column), 1-based.
QPoint currentCell(SpreadsheetPreview& preview)
{
    const QModelIndex current = SpreadsheetPreviewPage(preview).grid()->currentIndex();
    return {current.row() + 1, current.column() + 1};
}

QPoint rowColumn(GridPosition position)
{
    return {position.row, position.column};
}

void pressTab(SpreadsheetPreview& preview, int index, Qt::MouseButton button = Qt::LeftButton)
{
    auto* tabs = SpreadsheetPreviewPage(preview).sheetTabs();
    QTest::mousePress(tabs, button, {}, tabs->tabRect(index).center());
    QTest::mouseRelease(tabs, button, {}, tabs->tabRect(index).center());
}

void runRowMenu(SpreadsheetPreview& preview, int row, const char* item)
{
    preview.openRowMenu(row, preview.mapToGlobal(QPoint(10, 10)));
    control<QAction>(preview, item)->trigger();
    SpreadsheetPreviewPage(preview).rowMenu()->hide();
}

} // namespace

class SpreadsheetPreviewTest : public QObject {
    Q_OBJECT
  public:
    explicit SpreadsheetPreviewTest(TestEnvironment& environment) : m_environment(environment) {}

  private slots:
    void initTestCase()
    {
        m_fixtures = m_environment.root() + QStringLiteral("/workbooks");
        const Run made = run(QStringLiteral("/usr/bin/python3"), {script("make_preview_workbooks.py"), m_fixtures});
        QVERIFY2(made.code != 3, "python3-xlwt is missing (apt-get install python3-xlwt)");
        QVERIFY2(made.code != 4, "ssconvert is missing (apt-get install gnumeric)");
        QCOMPARE(made.code, 0);
        QVERIFY2(run(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QStringLiteral("import xlrd")}).code ==
                     0,
                 "python3-xlrd is missing (apt-get install python3-xlrd)");
        m_environment.reset();
        m_program = startProgram(m_interaction);
    }

    void init()
    {
        m_interaction.messages.clear();
        m_interaction.calls.clear();
        m_interaction.answers.clear();
    }

    void columnLettersAreBijectiveBase26()
    {
        const std::map<int, const char*> letters = {{0, ""},    {1, "A"},    {26, "Z"},   {27, "AA"},   {52, "AZ"},
                                                    {53, "BA"}, {256, "IV"}, {702, "ZZ"}, {703, "AAA"}, {-4, ""}};
        for (const auto& [n, text] : letters) {
            QCOMPARE(columnLetters(n), QLatin1String(text));
        }
    }

    void aTypedTextIsANumberOnlyWhenDecimal()
    {
        const std::map<QString, std::optional<double>> cases = {
            {"12.50", 12.5}, {"-3", -3.0}, {" 7 ", 7.0}, {"1E5", 1e5}, {".5", 0.5},    {"12,5", {}},  {"", {}},
            {"1 000", {}},   {"inf", {}},  {"nan", {}},  {"0x10", {}}, {"12.5.1", {}}, {"1e999", {}}, {"P1", {}}};
        for (const auto& [text, number] : cases) {
            const std::optional<double> parsed = parseCellDecimal(text);
            QVERIFY2(parsed.has_value() == number.has_value(), qPrintable(text));
            QCOMPARE(parsed.value_or(-1), number.value_or(-1));
        }
    }

    void theRowCurrentCellRule()
    {
        QCOMPARE(rowColumn(currentCellAfter(RowOperation::Delete, 3, 5)), QPoint(3, 1));
        QCOMPARE(rowColumn(currentCellAfter(RowOperation::Delete, 5, 5)), QPoint(4, 1));
        QCOMPARE(rowColumn(currentCellAfter(RowOperation::Delete, 1, 1)), QPoint(1, 1));
        QCOMPARE(rowColumn(currentCellAfter(RowOperation::InsertBefore, 4, 5)), QPoint(4, 1));
        QCOMPARE(rowColumn(currentCellAfter(RowOperation::InsertAfter, 4, 5)), QPoint(1, 1));
    }

    void showsEverySheetRowAndColumnFromA1()
    {
        const QString path = copyOf("points8.xls", "shown.xls");
        preview(path, [&](SpreadsheetPreview& p) {
            QCOMPARE(p.windowTitle(), QStringLiteral(" XLS file preview"));
            QCOMPARE(SpreadsheetPreviewPage(p).heading()->text(),
                     QStringLiteral("Excel file preview. You can add or delete rows and change cell content value"));
            QCOMPARE(SpreadsheetPreviewPage(p).pathLabel()->fullText(), path);
            auto* tabs = SpreadsheetPreviewPage(p).sheetTabs();
            QCOMPARE(tabs->count(), 4);
            QCOMPARE(tabs->tabText(0), QStringLiteral("Points"));
            QCOMPARE(tabs->tabText(3), QStringLiteral("One"));
            QCOMPARE(SpreadsheetPreviewPage(p).saveButton()->text(), QStringLiteral("Save"));
            QCOMPARE(SpreadsheetPreviewPage(p).closeButton()->text(), QStringLiteral("Close"));
            const std::map<std::pair<int, int>, const char*> shown = {
                {{2, 1}, "007"},        {{2, 2}, "1000.5"}, {{2, 5}, "1E5"},      {{3, 2}, "1234567.89012346"},
                {{3, 5}, "2024-03-15"}, {{4, 4}, "TRUE"},   {{5, 5}, "caf\u00e9"}};
            for (const auto& [at, text] : shown) {
                QCOMPARE(cellText(p, at.first, at.second), QString::fromUtf8(text));
            }
            QCOMPARE(currentCell(p), QPoint(1, 1));

            pressTab(p, 1); // Range: B3:C4
            QVERIFY(m_interaction.messages.empty());
            const SheetGridModel& model = p.rules().model();
            QCOMPARE(model.rowCount(), 4);
            QCOMPARE(model.columnCount(), 3);
            QCOMPARE(cellText(p, 1, 1), QString());
            QCOMPARE(cellText(p, 3, 1), QString());
            QCOMPARE(cellText(p, 3, 2), QStringLiteral("b3"));
            QCOMPARE(cellText(p, 4, 3), QStringLiteral("2"));
            QCOMPARE(model.headerData(0, Qt::Vertical, Qt::DisplayRole).toString(), QStringLiteral("1"));
            QCOMPARE(model.headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("C"));

            pressTab(p, 2); // Wide: AA, AZ and BA in row 1
            QCOMPARE(model.columnCount(), 53);
            for (int column : {27, 52, 53}) {
                QCOMPARE(model.headerData(column - 1, Qt::Horizontal, Qt::DisplayRole).toString(),
                         cellText(p, 1, column));
            }
        });
        QCOMPARE(m_interaction.calls, QStringList{dialogCall(SpreadsheetPreviewControls::window)});
    }

    void theKeyboardGoesFromTheGridToSaveThenClose()
    {
        SpreadsheetPreview window(m_interaction, nullptr);
        const SpreadsheetPreviewPage page(window);
        QStringList stops;
        QWidget* widget = page.grid();
        do {
            if ((widget->focusPolicy() & Qt::TabFocus) != 0 && widget->isVisibleTo(&window)) {
                stops << widget->objectName();
            }
            widget = widget->nextInFocusChain();
        } while (widget != page.grid());
        QCOMPARE(stops, (QStringList{SpreadsheetPreviewControls::grid, SpreadsheetPreviewControls::saveButton,
                                     SpreadsheetPreviewControls::closeButton}));
    }

    void theArrowKeysGoFromCellToCellAndTypingReplacesTheCell()
    {
        const QString path = copyOf("points8.xls", "keys.xls");
        preview(path, [&](SpreadsheetPreview& p) {
            SheetGridView* grid = SpreadsheetPreviewPage(p).grid();
            grid->setFocus();
            for (const Qt::Key key : {Qt::Key_Down, Qt::Key_Right, Qt::Key_Right, Qt::Key_Left}) {
                QTest::keyClick(grid, key);
                QVERIFY2(grid->openEditor() == nullptr, "arriving at a cell opened its editor");
            }
            QCOMPARE(currentCell(p), QPoint(2, 2));
            QVERIFY(!p.rules().sheetChanged());
            QTest::keyClick(grid, Qt::Key_4); // the first key opens the editor, which takes the rest
            QVERIFY(grid->openEditor() != nullptr);
            QTest::keyClick(grid->openEditor(), Qt::Key_2);
            QTest::keyClick(grid->openEditor(), Qt::Key_Return);
            QTRY_VERIFY(grid->openEditor() == nullptr);        // the delegate commits after the key
            QCOMPARE(cellText(p, 2, 2), QStringLiteral("42")); // "1000.5" typed over, not added to
            QVERIFY(p.rules().sheetChanged());
            QTest::keyClick(grid, Qt::Key_F2);
            auto* editor = qobject_cast<QLineEdit*>(grid->openEditor());
            QVERIFY(editor != nullptr);
            QCOMPARE(editor->text(), QStringLiteral("42"));
            QTest::keyClick(editor, Qt::Key_Escape);
            QVERIFY(p.saveSheet());
        });
        QCOMPARE(xlrdCells(path).filter(QStringLiteral("Points|1|1|")),
                 QStringList{QStringLiteral("Points|1|1|n|42.0")});
    }

    void saveWritesEditedCellsByTheRuleAndKeepsEverythingElse_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("BIFF8") << QStringLiteral("points8.xls");
        QTest::newRow("BIFF5") << QStringLiteral("points5.xls");
    }
    void saveWritesEditedCellsByTheRuleAndKeepsEverythingElse()
    {
        QFETCH(QString, file);
        const QString path = copyOf(file, QStringLiteral("saved-") + file);
        const QStringList before = xlrdCells(path);
        preview(path, [&](SpreadsheetPreview& p) {
            type(p, 2, 2, QStringLiteral("12.50"));
            type(p, 5, 2, QStringLiteral("12,5"));
            type(p, 5, 4, QString());
            type(p, 2, 1, QStringLiteral("007")); // the same text again is no edit
            QVERIFY(p.rules().sheetChanged());
            SpreadsheetPreviewPage(p).saveButton()->click();
            QVERIFY(m_interaction.messages.empty());
            QVERIFY(!p.rules().sheetChanged());
            QCOMPARE(cellText(p, 2, 2), QStringLiteral("12.5"));
        });
        // "007", "1E5", the 17-digit number, the date, the boolean and the formula's result are
        // as they were; so are the other sheets and the version.
        QCOMPARE(xlrdCells(path),
                 changed(before, QStringLiteral("Points"), {{"1|1", "n|12.5"}, {"4|1", "t|12,5"}, {"4|3", "t|"}}));
        QCOMPARE(run(QStringLiteral("ssconvert"), {QStringLiteral("-S"), path, path + QStringLiteral(".%n.csv")}).code,
                 0);
    }

    void rowOperationsMoveRowsOnSaveKeepingTheirCells_data()
    {
        saveWritesEditedCellsByTheRuleAndKeepsEverythingElse_data();
    }
    void rowOperationsMoveRowsOnSaveKeepingTheirCells()
    {
        QFETCH(QString, file);
        const QString path = copyOf(file, QStringLiteral("rows-") + file);
        const QStringList before = xlrdCells(path);
        preview(path, [&](SpreadsheetPreview& p) {
            runRowMenu(p, 1, SpreadsheetPreviewControls::deleteRowAction);   // the header row goes
            runRowMenu(p, 2, SpreadsheetPreviewControls::insertAfterAction); // an empty row after P2
            QVERIFY(p.rules().sheetChanged());
            type(p, 3, 1, QStringLiteral("N1"));
            QVERIFY(p.saveSheet());
        });
        QCOMPARE(xlrdCells(path), changed(before, QStringLiteral("Points"), {{"2|0", "t|N1"}},
                                          {{0, -1}, {1, 0}, {2, 1}, {3, 3}, {4, 4}}));
        // The formula's references named the old rows: only its result is left.
        QCOMPARE(formulaCount(path), 0);
    }

    void rowsBackInTheirOrderKeepTheFormulas()
    {
        const QString path = copyOf("points5.xls", "unmoved.xls");
        QCOMPARE(formulaCount(path), 1);
        preview(path, [&](SpreadsheetPreview& p) {
            runRowMenu(p, 2,
                       SpreadsheetPreviewControls::insertBeforeAction); // insert before row 2, then delete it again
            runRowMenu(p, 2, SpreadsheetPreviewControls::deleteRowAction);
            type(p, 2, 2, QStringLiteral("7"));
            QVERIFY(p.saveSheet());
        });
        QCOMPARE(formulaCount(path), 1);
    }

    void xlsxAndOdsSheetsAreEditedAndSavedInTheirOwnKind_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("XLSX") << QStringLiteral("points.xlsx");
        QTest::newRow("ODS") << QStringLiteral("points.ods");
    }
    void xlsxAndOdsSheetsAreEditedAndSavedInTheirOwnKind()
    {
        QFETCH(QString, file);
        const QString path = copyOf(file, QStringLiteral("saved-") + file);
        const QByteArray original = readFile(path);
        preview(path, [&](SpreadsheetPreview& p) {
            // Shown as the XLS workbook of the same cells is.
            QCOMPARE(p.rules().sheetNames(), (QStringList{QStringLiteral("Points"), QStringLiteral("Range"),
                                                          QStringLiteral("Wide"), QStringLiteral("One")}));
            QCOMPARE(cellText(p, 2, 1), QStringLiteral("007"));
            QCOMPARE(cellText(p, 2, 5), QStringLiteral("1E5"));
            QCOMPARE(cellText(p, 3, 5), QStringLiteral("2024-03-15"));
            QCOMPARE(cellText(p, 5, 5), QString::fromUtf8("caf\u00e9"));
            runRowMenu(p, 1, "DeletethisRow2"); // the header row goes
            type(p, 1, 2, QStringLiteral("12.50"));
            type(p, 4, 5, QStringLiteral("na\u00efve <&>"));
            type(p, 2, 4, QStringLiteral("12,5"));

            // The formula of row 4 keeps naming the old rows: the save asks first, and No keeps
            // the file and the edits.
            m_interaction.answers = {MessageAnswer::No};
            QVERIFY(!p.saveSheet());
            QCOMPARE(m_interaction.messages.size(), std::size_t{1});
            QCOMPARE(m_interaction.messages[0].icon, MessageIcon::Warning);
            QCOMPARE(m_interaction.messages[0].buttons, MessageButtons::YesNo);
            QCOMPARE(m_interaction.messages[0].text,
                     QStringLiteral("Rows were inserted or deleted, but these keep referring to the rows as they were "
                                    "and may point at the wrong cells after the save: formulas (1).\n\nSave anyway?"));
            QCOMPARE(readFile(path), original);
            QVERIFY(p.rules().sheetChanged());

            m_interaction.answers = {MessageAnswer::Yes};
            QVERIFY(p.saveSheet());
            QCOMPARE(m_interaction.messages.size(), std::size_t{2});
            QVERIFY(!p.rules().sheetChanged());
            QCOMPARE(cellText(p, 1, 2), QStringLiteral("12.5"));
            QCOMPARE(cellText(p, 4, 5), QString::fromUtf8("na\u00efve <&>"));
            QCOMPARE(p.rules().model().rowCount(), 4);
        });
        // Saved in its own kind: gnumeric reads the rows as they were typed and moved.
        const QString csv = path + QStringLiteral(".csv");
        QCOMPARE(
            run(QStringLiteral("ssconvert"), {QStringLiteral("--export-type=Gnumeric_stf:stf_csv"), path, csv}).code,
            0);
        const QStringList rows = QString::fromUtf8(readFile(csv)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(rows.size(), 4);
        QCOMPARE(rows[0], QStringLiteral("007,12.5,2000.25,15,1E5"));
        QCOMPARE(rows[1], QStringLiteral("P2,1234567.8901234567165,2001,\"12,5\",2024/03/15"));
        QVERIFY2(rows[2].startsWith(QStringLiteral("P3,1002.75,2002,TRUE,")), qPrintable(rows[2]));
        QCOMPARE(rows[3], QString::fromUtf8("P4,1003,2003,14,\"na\u00efve <&>\""));
    }

    void rowOperationsPlaceTheCurrentCell_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<int>("menuRow");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("currentRow");
        QTest::addColumn<QStringList>("firstColumn");
        const QString del = QString::fromLatin1(SpreadsheetPreviewControls::deleteRowAction);
        const QString before = QString::fromLatin1(SpreadsheetPreviewControls::insertBeforeAction);
        const QString after = QString::fromLatin1(SpreadsheetPreviewControls::insertAfterAction);
        QTest::newRow("delete row 2") << del << 2 << 4 << 2 << QStringList{"Point", "P2", "P3", "P4"};
        QTest::newRow("delete the last row") << del << 5 << 4 << 4 << QStringList{"Point", "007", "P2", "P3"};
        QTest::newRow("insert before row 1")
            << before << 1 << 6 << 1 << QStringList{"", "Point", "007", "P2", "P3", "P4"};
        QTest::newRow("insert after row 2")
            << after << 2 << 6 << 1 << QStringList{"Point", "007", "", "P2", "P3", "P4"};
        QTest::newRow("insert after the last row")
            << after << 5 << 6 << 1 << QStringList{"Point", "007", "P2", "P3", "P4", ""};
    }
    void rowOperationsPlaceTheCurrentCell()
    {
        QFETCH(QString, item);
        QFETCH(int, menuRow);
        QFETCH(int, rows);
        QFETCH(int, currentRow);
        QFETCH(QStringList, firstColumn);
        const QString path = copyOf("points8.xls", "placed.xls");
        const QByteArray original = readFile(path);
        m_interaction.answers = {MessageAnswer::No};
        preview(path, [&](SpreadsheetPreview& p) {
            runRowMenu(p, menuRow, item.toLatin1().constData());
            QCOMPARE(p.rules().model().rowCount(), rows);
            QCOMPARE(currentCell(p), QPoint(currentRow, 1));
            QStringList shown;
            for (int r = 1; r <= rows; ++r) {
                shown << cellText(p, r, 1);
                QCOMPARE(p.rules().model().headerData(r - 1, Qt::Vertical, Qt::DisplayRole).toString(),
                         QString::number(r));
            }
            QCOMPARE(shown, firstColumn);
            // A row operation is a change like typing: leaving the sheet asks first.
            pressTab(p, 1);
            QCOMPARE(m_interaction.messages.size(), std::size_t{1});
            QCOMPARE(SpreadsheetPreviewPage(p).sheetTabs()->currentIndex(), 1);
        });
        QCOMPARE(readFile(path), original);
    }

    void deletingTheOnlyRowLeavesOneEmptyRow()
    {
        const QString path = copyOf("points8.xls", "only.xls");
        const QStringList before = xlrdCells(path);
        preview(path, [&](SpreadsheetPreview& p) {
            pressTab(p, 3);
            QCOMPARE(cellText(p, 1, 1), QStringLiteral("only"));
            runRowMenu(p, 1, SpreadsheetPreviewControls::deleteRowAction);
            QCOMPARE(p.rules().model().rowCount(), 1);
            QCOMPARE(cellText(p, 1, 1), QString());
            QCOMPARE(currentCell(p), QPoint(1, 1));
            QVERIFY(p.saveSheet());
        });
        QCOMPARE(xlrdCells(path), changed(before, QStringLiteral("One"), {{"0|0", ""}, {"0|1", ""}}));
    }

    void theRowMenuOpensFromARowHeaderWithEitherButton()
    {
        preview(copyOf("points8.xls", "menu.xls"), [&](SpreadsheetPreview& p) {
            auto* menu = SpreadsheetPreviewPage(p).rowMenu();
            QStringList items;
            for (const QAction* action : menu->actions()) {
                items << action->objectName() + QLatin1Char('=') +
                             (action->isSeparator() ? QStringLiteral("-") : action->text());
            }
            const auto item = [](const char* name, const char* text) {
                return QLatin1String(name) + QLatin1Char('=') + QLatin1String(text);
            };
            QCOMPARE(items, (QStringList{item(SpreadsheetPreviewControls::deleteRowAction, "Delete this Row"),
                                         item(SpreadsheetPreviewControls::menuSeparator, "-"),
                                         item(SpreadsheetPreviewControls::insertBeforeAction, "Insert Row before"),
                                         item(SpreadsheetPreviewControls::insertAfterAction, "Insert Row after")}));
            auto* grid = SpreadsheetPreviewPage(p).grid();
            QHeaderView* header = grid->verticalHeader();
            for (const Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton}) {
                for (int row : {3, 2}) {
                    const QPoint at(header->width() / 2, header->sectionViewportPosition(row - 1) + 5);
                    QTest::mouseRelease(header->viewport(), button, {}, at);
                    QCOMPARE(p.menuRow(), row);
                    QVERIFY(menu->isVisible());
                    QVERIFY(grid->selectionModel()->isRowSelected(row - 1, {}));
                    menu->hide();
                }
            }
            QVERIFY(!p.rules().sheetChanged()); // opening the menu changes nothing
        });
    }

    void changingTheSheetAsksWhenTheSheetChanged()
    {
        const QString path = copyOf("points8.xls", "asked.xls");
        const QByteArray original = readFile(path);
        m_interaction.answers = {MessageAnswer::No, MessageAnswer::Yes};
        preview(path, [&](SpreadsheetPreview& p) {
            pressTab(p, 1, Qt::RightButton); // nothing changed: no question, and no tab change by the right button
            QVERIFY(m_interaction.messages.empty());
            QCOMPARE(SpreadsheetPreviewPage(p).sheetTabs()->currentIndex(), 0);

            // A key that only moves the current cell changes nothing.
            for (const Qt::Key key : {Qt::Key_Down, Qt::Key_Right, Qt::Key_Up}) {
                QTest::keyClick(SpreadsheetPreviewPage(p).grid(), key);
            }
            QVERIFY(!p.rules().sheetChanged());
            pressTab(p, 1);
            QVERIFY(m_interaction.messages.empty());
            pressTab(p, 0);
            type(p, 2, 1, QStringLiteral("typed"));
            pressTab(p, 1); // No: Range is shown, the typed text is gone
            QCOMPARE(m_interaction.messages.size(), std::size_t{1});
            QCOMPARE(m_interaction.messages[0].text, QStringLiteral("Sheet has changed, do you want to save it ?"));
            QCOMPARE(m_interaction.messages[0].icon, MessageIcon::Information);
            QCOMPARE(m_interaction.messages[0].buttons, MessageButtons::YesNoCancel);
            QCOMPARE(SpreadsheetPreviewPage(p).sheetTabs()->currentIndex(), 1);
            QVERIFY(!p.rules().sheetChanged());
            QCOMPARE(readFile(path), original);

            type(p, 3, 2, QStringLiteral("saved"));
            pressTab(p, 0); // Yes: Range is saved, then Points is shown
            QCOMPARE(m_interaction.messages.size(), std::size_t{2});
            QCOMPARE(SpreadsheetPreviewPage(p).sheetTabs()->currentIndex(), 0);
            QCOMPARE(cellText(p, 2, 1), QStringLiteral("007"));
        });
        QVERIFY(xlrdCells(path).contains(QStringLiteral("Range|2|1|t|saved")));
        QVERIFY(!xlrdCells(path).join(QLatin1Char('\n')).contains(QStringLiteral("typed")));
    }

    void cancelKeepsTheSheetAndClosingAsksToo()
    {
        const QString path = copyOf("points8.xls", "cancelled.xls");
        const QByteArray original = readFile(path);
        m_interaction.answers = {MessageAnswer::Cancel, MessageAnswer::Cancel, MessageAnswer::No};
        preview(path, [&](SpreadsheetPreview& p) {
            type(p, 2, 1, QStringLiteral("typed"));
            pressTab(p, 1); // Cancel: the sheet and what was typed stay
            QCOMPARE(SpreadsheetPreviewPage(p).sheetTabs()->currentIndex(), 0);
            QCOMPARE(cellText(p, 2, 1), QStringLiteral("typed"));
            QVERIFY(p.rules().sheetChanged());
            QTest::keyClick(&p, Qt::Key_Escape); // Cancel: the preview stays open
            QVERIFY(p.isVisible());
            SpreadsheetPreviewPage(p).closeButton()->click(); // No: closes without saving
            QVERIFY(!p.isVisible());
            QCOMPARE(m_interaction.messages.size(), std::size_t{3});
            for (const ShownMessage& message : m_interaction.messages) {
                QCOMPARE(message.text, SpreadsheetPreview::kSheetChangedQuestion);
            }
        });
        QCOMPARE(readFile(path), original);
    }

    void aFailedSaveShowsTheErrorAndLeavesTheFileAsItWas()
    {
        const QString folder = m_environment.root() + QStringLiteral("/readonly");
        QDir().mkpath(folder);
        const QString path = folder + QStringLiteral("/book.xls");
        QFile::remove(path);
        QVERIFY(QFile::copy(m_fixtures + QStringLiteral("/points8.xls"), path));
        const QByteArray original = readFile(path);
        const QStringList before = xlrdCells(path);
        preview(path, [&](SpreadsheetPreview& p) {
            // Writes beyond a few hundred bytes fail, as on a full disk, for root too.
            std::optional<mervalon::testsupport::FileSizeLimit> fullDisk(std::in_place, 512);
            runRowMenu(p, 1, SpreadsheetPreviewControls::deleteRowAction);
            type(p, 1, 1, QStringLiteral("12.5"));
            QVERIFY(!p.saveSheet());
            QCOMPARE(m_interaction.messages.size(), std::size_t{1});
            QCOMPARE(m_interaction.messages[0].icon, MessageIcon::Error);
            QVERIFY2(m_interaction.messages[0].text.startsWith(QStringLiteral("Cannot save the workbook \"") + path),
                     qPrintable(m_interaction.messages[0].text));
            QCOMPARE(readFile(path), original);
            QVERIFY(p.rules().sheetChanged());
            QCOMPARE(cellText(p, 1, 1), QStringLiteral("12.5"));
            QCOMPARE(cellText(p, 2, 1), QStringLiteral("P2"));

            // Yes to the question on another tab, and the save fails: the sheet stays shown.
            m_interaction.answers = {MessageAnswer::Yes};
            pressTab(p, 1);
            QCOMPARE(m_interaction.messages.size(), std::size_t{3});
            QCOMPARE(m_interaction.messages[2].icon, MessageIcon::Error);
            QCOMPARE(SpreadsheetPreviewPage(p).sheetTabs()->currentIndex(), 0);
            QCOMPARE(cellText(p, 1, 1), QStringLiteral("12.5"));
            QCOMPARE(readFile(path), original);

            // Once there is room, the same grid saves whole.
            fullDisk.reset();
            QVERIFY(p.saveSheet());
        });
        QCOMPARE(xlrdCells(path), changed(before, QStringLiteral("Points"), {{"0|0", "n|12.5"}},
                                          {{0, -1}, {1, 0}, {2, 1}, {3, 2}, {4, 3}}));
    }

    void onlyWorkbooksAreShownAndDamagedOnesAreRefused()
    {
        const QByteArray workbook = readFile(m_fixtures + QStringLiteral("/points8.xls"));
        struct Case {
            const char* name;
            QByteArray bytes;
            SpreadsheetPreview::Outcome outcome;
        };
        const std::vector<Case> cases = {
            {"workbook.txt", workbook, SpreadsheetPreview::Outcome::Shown},
            {"text.xls", QByteArrayLiteral("P1,1000,2000\r\nP2,1001,2001\r\n"),
             SpreadsheetPreview::Outcome::NotWorkbook},
            {"damaged.xls", workbook.left(1536), SpreadsheetPreview::Outcome::Refused},
        };
        for (const Case& c : cases) {
            init();
            const QString path = m_environment.root() + QStringLiteral("/probe/") + QLatin1String(c.name);
            writeFile(path, c.bytes);
            QCOMPARE(m_program->spreadsheetPreview().previewWorkbook(path), c.outcome);
            const bool shown = c.outcome == SpreadsheetPreview::Outcome::Shown;
            QCOMPARE(m_interaction.calls.contains(dialogCall(SpreadsheetPreviewControls::window)), shown);
            QCOMPARE(m_interaction.messages.size(), std::size_t{c.outcome == SpreadsheetPreview::Outcome::Refused});
            if (c.outcome == SpreadsheetPreview::Outcome::Refused) {
                QCOMPARE(m_interaction.messages[0].icon, MessageIcon::Error);
                QVERIFY(m_interaction.messages[0].text.startsWith(path + QLatin1Char('\n')));
            }
            QCOMPARE(readFile(path), c.bytes);
        }
    }

  private:
    QString copyOf(const QString& name, const QString& as)
    {
        const QString target = m_environment.root() + QStringLiteral("/work/") + as;
        QDir().mkpath(m_environment.root() + QStringLiteral("/work"));
        QFile::remove(target);
        if (!QFile::copy(m_fixtures + QLatin1Char('/') + name, target)) {
            qFatal("cannot copy %s", qPrintable(name));
        }
        return target;
    }

    void preview(const QString& path, const std::function<void(SpreadsheetPreview&)>& body)
    {
        SpreadsheetPreview& window = m_program->spreadsheetPreview();
        m_interaction.dialogScripts.push_back([&](QDialog& dialog) {
            dialog.show();
            if (QTest::qWaitForWindowExposed(&dialog)) {
                body(window);
            }
            dialog.hide();
            return static_cast<int>(QDialog::Accepted);
        });
        QCOMPARE(window.previewWorkbook(path), SpreadsheetPreview::Outcome::Shown);
    }

    TestEnvironment& m_environment;
    FakeInteraction m_interaction;
    std::unique_ptr<Program> m_program;
    QString m_fixtures;
};

MERVALON_APP_TEST_MAIN(SpreadsheetPreviewTest)

#include "SpreadsheetPreview_test.moc"
