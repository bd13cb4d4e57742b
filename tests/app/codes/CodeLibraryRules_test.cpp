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
        QVERIFY(editorEnabled("(none)")); // a new library
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

    void aTypedNameIsCheckedBeforeItNamesAFile_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("fault");
        QTest::newRow("plain") << "roads"
                               << "roads"
                               << "";
        QTest::newRow("blanks and suffix dropped") << "  Roads 2026.CSV "
                                                   << "Roads 2026"
                                                   << "";
        QTest::newRow("letters beyond ASCII") << "drogi łódź"
                                              << "drogi łódź"
                                              << "";
        QTest::newRow("empty") << "   "
                               << ""
                               << "Type a name for the code library.";
        QTest::newRow("only the suffix") << ".csv"
                                         << ""
                                         << "Type a name for the code library.";
        QTest::newRow("the none choice") << "(None)"
                                         << "(None)"
                                         << "\"(none)\" stands for no code library: choose another name.";
        QTest::newRow("a folder") << "../roads"
                                  << "../roads"
                                  << "A library name cannot hold the character \"/\".";
        QTest::newRow("backslash") << "a\\b"
                                   << "a\\b"
                                   << "A library name cannot hold the character \"\\\".";
        QTest::newRow("colon") << "a:b"
                               << "a:b"
                               << "A library name cannot hold the character \":\".";
        QTest::newRow("star") << "EP*"
                              << "EP*"
                              << "A library name cannot hold the character \"*\".";
        QTest::newRow("quote") << "a\"b"
                               << "a\"b"
                               << "A library name cannot hold the character \"\"\".";
        QTest::newRow("pipe") << "a|b"
                              << "a|b"
                              << "A library name cannot hold the character \"|\".";
        QTest::newRow("tab") << "a\tb"
                             << "a\tb"
                             << "A library name cannot hold a control character.";
        QTest::newRow("hidden") << ".roads"
                                << ".roads"
                                << "A library name cannot begin with a dot: the file would be hidden.";
        QTest::newRow("dots") << ".."
                              << ".."
                              << "A library name cannot begin with a dot: the file would be hidden.";
        QTest::newRow("final dot") << "roads."
                                   << "roads."
                                   << "A library name cannot end with a dot.";
        QTest::newRow("device") << "nul"
                                << "nul"
                                << "\"nul\" is the name of a device on Windows: choose another name.";
        QTest::newRow("device with suffix") << "COM1.old"
                                            << "COM1.old"
                                            << "\"COM1.old\" is the name of a device on Windows: choose another name.";
        QTest::newRow("not a device") << "console"
                                      << "console"
                                      << "";
        QTest::newRow("251 bytes") << QString(251, 'a') << QString(251, 'a') << "";
        QTest::newRow("252 bytes") << QString(252, 'a') << QString(252, 'a')
                                   << "The name is too long for a file: at most 251 bytes in UTF-8.";
        QTest::newRow("126 two-byte letters") << QString(126, QChar(0x142)) << QString(126, QChar(0x142))
                                              << "The name is too long for a file: at most 251 bytes in UTF-8.";
    }
    void aTypedNameIsCheckedBeforeItNamesAFile()
    {
        QFETCH(QString, typed);
        QFETCH(QString, name);
        QFETCH(QString, fault);
        QCOMPARE(libraryNameOf(typed), name);
        QCOMPARE(libraryNameFault(name), fault);
    }

    void aPickedFileIsChosenByNameInTheCodesFolderElseByPath_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("choice");
        QTest::newRow("in the folder") << "/opt/m/codes/roads.csv"
                                       << "roads";
        QTest::newRow("in the folder, unclean") << "/opt/m/codes/../codes//roads.csv"
                                                << "roads";
        QTest::newRow("elsewhere") << "/srv/ours.csv"
                                   << "/srv/ours.csv";
        QTest::newRow("below the folder") << "/opt/m/codes/old/roads.csv"
                                          << "/opt/m/codes/old/roads.csv";
        QTest::newRow("other suffix") << "/opt/m/codes/roads.CSV"
                                      << "/opt/m/codes/roads.CSV";
        QTest::newRow("not a csv") << "/opt/m/codes/roads.txt"
                                   << "/opt/m/codes/roads.txt";
        QTest::newRow("a name the list cannot hold") << "/opt/m/codes/(none).csv"
                                                     << "/opt/m/codes/(none).csv";
    }
    void aPickedFileIsChosenByNameInTheCodesFolderElseByPath()
    {
        QFETCH(QString, file);
        QFETCH(QString, choice);
        QCOMPARE(choiceOfFile(file, "/opt/m/codes/"), choice);
    }

    void aNewLibraryHasTheShippedColumnsAndTheDefaultRow()
    {
        const codes::CodeTable table = newLibraryTable();
        QCOMPARE(table.header,
                 (std::vector<std::string>{"code", "layer", "colour", "symbol", "line", "labels", "description"}));
        QCOMPARE(codes::writeCodeTable(table), std::string("code,layer,colour,symbol,line,labels,description\n"
                                                           "*,UNCODED,,,none,,Any code not listed above\n"));
        QVERIFY(codes::checkCodeTable(table, [](std::string_view) { return false; }).empty());
    }

    void savingUnderANameAsksBeforeReplacingAnotherLibrary()
    {
        QVERIFY(!askBeforeReplacing(false, false));
        QVERIFY(askBeforeReplacing(true, false));
        QVERIFY(!askBeforeReplacing(true, true));
        QCOMPARE(replaceLibraryQuestion("roads"),
                 QStringLiteral("The code library \"roads\" already exists. Do you want to replace it?"));
        QCOMPARE(changedOnCloseQuestion("roads.csv"),
                 QStringLiteral("The code library \"roads.csv\" has changed. Do you want to save it?"));
        QCOMPARE(changedOnCloseQuestion(QString()),
                 QStringLiteral("The new code library is not saved. Do you want to save it?"));
    }
};

QTEST_GUILESS_MAIN(CodeLibraryRulesTest)
#include "CodeLibraryRules_test.moc"
