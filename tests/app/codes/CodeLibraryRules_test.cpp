#include "app/codes/CodeLibraryRules.h"

#include <QTest>

using namespace mervalon;
using namespace mervalon::app;

class CodeLibraryRulesTest : public QObject {
    Q_OBJECT
  private slots:
    void theChoicesAreNoneTheLibrariesAndTheCurrentOne_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("current");
        QTest::addColumn<QStringList>("choices");
        QTest::newRow("empty folder") << QStringList{} << QString() << QStringList{"(none)"};
        QTest::newRow("sorted without case, other files left out")
            << QStringList{"roads.csv", "Buildings.CSV", "notes.txt", ".csv", "alpha.csv"} << QString("(none)")
            << QStringList{"(none)", "alpha", "Buildings", "roads"};
        QTest::newRow("a library listed")
            << QStringList{"roads.csv"} << QString("roads") << QStringList{"(none)", "roads"};
        QTest::newRow("a file elsewhere stays")
            << QStringList{"roads.csv"} << QString("/srv/ours.csv") << QStringList{"(none)", "roads", "/srv/ours.csv"};
        QTest::newRow("a library removed stays") << QStringList{} << QString("roads") << QStringList{"(none)", "roads"};
    }
    void theChoicesAreNoneTheLibrariesAndTheCurrentOne()
    {
        QFETCH(QStringList, files);
        QFETCH(QString, current);
        QFETCH(QStringList, choices);
        QCOMPARE(codeLibraryChoices(files, current), choices);
    }

    void aChoiceStoresItsLibraryAndNoneStoresNothing()
    {
        config::ConfigurationOptions options;
        QCOMPARE(choiceOfOptions(options), QStringLiteral("(none)"));
        options.codeLibrary = "roads";
        QCOMPARE(choiceOfOptions(options), QStringLiteral("roads"));
        QCOMPARE(libraryOfChoice("(none)"), std::string());
        QCOMPARE(libraryOfChoice("/srv/ours.csv"), std::string("/srv/ours.csv"));
        QVERIFY(!editorEnabled("(none)"));
        QVERIFY(!editorEnabled(""));
        QVERIFY(editorEnabled("roads"));
    }

    void theSymbolCaptionSaysWhatIsDrawn_data()
    {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<bool>("inLibrary");
        QTest::addColumn<QString>("caption");
        QTest::newRow("empty") << " " << false << "No symbol: the configured point";
        QTest::newRow("none") << "None" << false << "none: no point is drawn";
        QTest::newRow("a symbol") << "tree" << true << "";
        QTest::newRow("unknown") << " acorn " << false << "\"acorn\" is not in the symbol library";
    }
    void theSymbolCaptionSaysWhatIsDrawn()
    {
        QFETCH(QString, cell);
        QFETCH(bool, inLibrary);
        QFETCH(QString, caption);
        QCOMPARE(symbolCaption(cell, inLibrary), caption);
    }

    void faultsAreShownByRowAndRefuseTheSave()
    {
        const std::vector<codes::CodeTableFault> faults{
            {0, "line 1: the first line names no column \"layer\""},
            {2, "line 3: the colour \"0\" is not a number from 1 to 255"},
            {2, "line 3: the word \"B\" belongs to !BEGIN and to !END"},
        };
        QCOMPARE(rowFaults(faults, 0), QStringLiteral("line 1: the first line names no column \"layer\""));
        QCOMPARE(rowFaults(faults, 1), QString());
        QCOMPARE(rowFaults(faults, 2), QStringLiteral("line 3: the colour \"0\" is not a number from 1 to 255\n"
                                                      "line 3: the word \"B\" belongs to !BEGIN and to !END"));
        QCOMPARE(saveRefusal({}), QString());
        QCOMPARE(saveRefusal({faults[1]}),
                 QStringLiteral("The code library is not saved: one row is faulty (its number is at the left of the "
                                "table).\n\nline 3: the colour \"0\" is not a number from 1 to 255"));
        QCOMPARE(saveRefusal(faults),
                 QStringLiteral("The code library is not saved: 2 rows are faulty (their numbers are at the left of "
                                "the table).\n\nline 1: the first line names no column \"layer\"\n"
                                "line 3: the colour \"0\" is not a number from 1 to 255\n"
                                "line 3: the word \"B\" belongs to !BEGIN and to !END"));
    }

    void theRowNumbersAreTheSavedFilesLines()
    {
        codes::CodeTable table;
        table.header = {"code", "layer", "notes"};
        table.rows = {{"A", "L", ""}, {"", "", ""}, {"B", "L", "two\nlines"}, {"C", "L", ""}};
        QCOMPARE(rowLabels(table), (QStringList{"2", "", "3", "5"}));
    }

    void closingAsksOnlyAfterChanges_data()
    {
        QTest::addColumn<bool>("changed");
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("step");
        QTest::newRow("unchanged") << false << int(MessageAnswer::Cancel) << int(CloseStep::Close);
        QTest::newRow("yes") << true << int(MessageAnswer::Yes) << int(CloseStep::SaveThenClose);
        QTest::newRow("no") << true << int(MessageAnswer::No) << int(CloseStep::Close);
        QTest::newRow("cancel") << true << int(MessageAnswer::Cancel) << int(CloseStep::Stay);
    }
    void closingAsksOnlyAfterChanges()
    {
        QFETCH(bool, changed);
        QFETCH(int, answer);
        QFETCH(int, step);
        QCOMPARE(int(closeStep(changed, static_cast<MessageAnswer>(answer))), step);
    }
};

QTEST_GUILESS_MAIN(CodeLibraryRulesTest)
#include "CodeLibraryRules_test.moc"
