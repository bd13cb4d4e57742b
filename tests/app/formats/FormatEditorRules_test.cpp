#include "app/AppTestSupport.h"
#include "app/formats/FormatEditorControls.h"
#include "app/formats/FormatEditorRules.h"
#include "core/formats/FormatLibrary.h"
#include "core/formats/LayoutDetection.h"

#include <functional>

using namespace mervalon::app;
using mervalon::app::testing::TestEnvironment;
using mervalon::formats::DecimalMark;
using mervalon::formats::FormatDefinition;
using mervalon::formats::PointValue;
using mervalon::formats::TextDialect;

using Edit = std::function<void(FormatEditorFields&)>;
Q_DECLARE_METATYPE(Edit)

namespace {

/// A text format that passes every check: all six values, comma-separated.
FormatEditorFields valid()
{
    FormatEditorFields fields;
    fields.imported = {true, true, true, true, true, true};
    fields.codes = {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")};
    fields.firstLine = QStringLiteral("1");
    fields.sheetNumber = QStringLiteral("1");
    return fields;
}

} // namespace

class FormatEditorRulesTest : public QObject {
    Q_OBJECT
  public:
    explicit FormatEditorRulesTest(TestEnvironment& environment) : m_environment(environment) {}

  private slots:
    void checksStopAtTheFirstFault_data()
    {
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("control");
        const QString position = QStringLiteral("     Position must be an integer value greater than 0.     ");
        QTest::newRow("valid") << Edit([](FormatEditorFields&) {}) << QString() << QString();
        QTest::newRow("position blank") << Edit([](auto& f) { f.positions[3] = QStringLiteral("  "); }) << position
                                        << FormatEditorControls::positionEdits[3];
        QTest::newRow("position text") << Edit([](auto& f) { f.positions[0] = QStringLiteral("a"); }) << position
                                       << FormatEditorControls::positionEdits[0];
        QTest::newRow("position zero") << Edit([](auto& f) { f.positions[5] = QStringLiteral("0"); }) << position
                                       << FormatEditorControls::positionEdits[5];
        QTest::newRow("position before duplicate")
            << Edit([](auto& f) { f.positions = {"1", "1", "-1", "4", "5", "6"}; }) << position
            << FormatEditorControls::positionEdits[2];
        QTest::newRow("blanks around a position")
            << Edit([](auto& f) { f.positions[3] = QStringLiteral(" 3 "); })
            << "     Position \" 3 \" is already in use.     " << FormatEditorControls::positionEdits[3];
        QTest::newRow("number x y at 1") << Edit([](auto& f) { f.positions = {"1", "1", "1", "4", "5", "6"}; })
                                         << "     Position \"1\" is already in use.     "
                                         << FormatEditorControls::positionEdits[2];
        QTest::newRow("last repeat wins")
            << Edit([](auto& f) { f.positions = {"1", "2", "1", "2", "5", "6"}; })
            << "     Position \"2\" is already in use.     " << FormatEditorControls::positionEdits[3];
        QTest::newRow("rows switched off are not compared") << Edit([](auto& f) {
            f.imported[0] = f.imported[3] = false;
            f.positions[0] = QStringLiteral("2");
            f.positions[3] = QStringLiteral("x");
        }) << QString() << QString();
        QTest::newRow("new polyline code")
            << Edit([](auto& f) { f.codes[0] = QStringLiteral(" "); })
            << "     Code for \"New polyline\" is missing.     " << FormatEditorControls::codeEdits[0];
        QTest::newRow("draw polyline code")
            << Edit([](auto& f) { f.codes[1].clear(); }) << "     Code for \"Draw polyline\" is missing.     "
            << FormatEditorControls::codeEdits[1];
        QTest::newRow("end polyline code")
            << Edit([](auto& f) { f.codes[2].clear(); }) << "     Code for \"End polyline/don't draw\" is missing.     "
            << FormatEditorControls::codeEdits[2];
        QTest::newRow("codes of a format without codes") << Edit([](auto& f) {
            f.imported[5] = false;
            f.codes = {};
        }) << QString() << QString();
        const QString separator = QStringLiteral("     Field Separator must be a single character.     ");
        QTest::newRow("other empty") << Edit([](auto& f) { f.separator = SeparatorChoice::Other; }) << separator
                                     << FormatEditorControls::otherSeparatorEdit;
        QTest::newRow("other two") << Edit([](auto& f) {
            f.separator = SeparatorChoice::Other;
            f.otherSeparator = QStringLiteral("ab");
        }) << separator << FormatEditorControls::otherSeparatorEdit;
        QTest::newRow("other blank") << Edit([](auto& f) {
            f.separator = SeparatorChoice::Other;
            f.otherSeparator = QStringLiteral(" ");
        }) << QString() << QString();
        QTest::newRow("other empty in a workbook") << Edit([](auto& f) {
            f.separator = SeparatorChoice::Other;
            f.isExcel = true;
        }) << QString() << QString();
        const QString sheet = QStringLiteral("     Sheet Number must be greater than 0.     ");
        for (const char* number : {"0", "-2", "x", ""}) {
            QTest::addRow("sheet number '%s'", number) << Edit([number](auto& f) {
                f.isExcel = true;
                f.sheetNumber = QLatin1String(number);
            }) << sheet << FormatEditorControls::sheetNumberEdit;
        }
        QTest::newRow("sheet number of a text format")
            << Edit([](auto& f) { f.sheetNumber = QStringLiteral("0"); }) << QString() << QString();
        QTest::newRow("sheet name blank") << Edit([](auto& f) {
            f.isExcel = true;
            f.sheetByNumber = false;
            f.sheetNumber = QStringLiteral("0");
            f.sheetName = QStringLiteral("  ");
        }) << "     Please enter a valid Sheet Name.     "
                                          << FormatEditorControls::sheetNameEdit;
        const QString firstLine = QStringLiteral("     Starting line number must be greater than 0.     ");
        QTest::newRow("first line zero") << Edit([](auto& f) { f.firstLine = QStringLiteral("0"); }) << firstLine
                                         << FormatEditorControls::firstLineEdit;
        QTest::newRow("first line text") << Edit([](auto& f) { f.firstLine = QStringLiteral("1a"); }) << firstLine
                                         << FormatEditorControls::firstLineEdit;
        QTest::newRow("code before separator before first line") << Edit([](auto& f) {
            f.codes[1].clear();
            f.separator = SeparatorChoice::Other;
            f.firstLine.clear();
        }) << "     Code for \"Draw polyline\" is missing.     " << FormatEditorControls::codeEdits[1];
        const QString commas = QStringLiteral(
            "A format with comma decimals cannot have a comma as its separator: \"1,512340,125\" could not be "
            "told apart. Choose a semicolon or a tab as the separator, or a point as the decimal mark.");
        const QString quotes = QStringLiteral(
            "A format with quoted fields cannot have the quote (\") as its separator. Choose another separator, "
            "or turn quoted fields off.");
        QTest::newRow("comma decimals, comma separator")
            << Edit([](auto& f) { f.dialect.decimalMark = DecimalMark::Comma; }) << commas
            << FormatEditorControls::decimalMarkButtons[1];
        QTest::newRow("comma decimals, comma as other separator") << Edit([](auto& f) {
            f.dialect.decimalMark = DecimalMark::Comma;
            f.separator = SeparatorChoice::Other;
            f.otherSeparator = QStringLiteral(",");
        }) << commas << FormatEditorControls::decimalMarkButtons[1];
        QTest::newRow("comma decimals, semicolon separator") << Edit([](auto& f) {
            f.dialect.decimalMark = DecimalMark::Comma;
            f.separator = SeparatorChoice::Semicolon;
        }) << QString() << QString();
        QTest::newRow("comma decimals, other separator not chosen") << Edit([](auto& f) {
            f.dialect.decimalMark = DecimalMark::Comma;
            f.separator = SeparatorChoice::Tabulation;
            f.otherSeparator = QStringLiteral(",");
        }) << QString() << QString();
        QTest::newRow("comma decimals of an Excel format") << Edit([](auto& f) {
            f.isExcel = true;
            f.dialect.decimalMark = DecimalMark::Comma;
        }) << QString() << QString();
        QTest::newRow("quoted fields, quote separator") << Edit([](auto& f) {
            f.dialect.quotedFields = true;
            f.separator = SeparatorChoice::Other;
            f.otherSeparator = QStringLiteral("\"");
        }) << quotes << FormatEditorControls::dialectBoxes[0];
        QTest::newRow("quote separator without quoted fields") << Edit([](auto& f) {
            f.separator = SeparatorChoice::Other;
            f.otherSeparator = QStringLiteral("\"");
        }) << QString() << QString();
        QTest::newRow("first line before the dialect") << Edit([](auto& f) {
            f.dialect.decimalMark = DecimalMark::Comma;
            f.firstLine = QStringLiteral("0");
        }) << firstLine << FormatEditorControls::firstLineEdit;
    }
    void checksStopAtTheFirstFault()
    {
        QFETCH(Edit, edit);
        QFETCH(QString, message);
        QFETCH(QString, control);
        FormatEditorFields fields = valid();
        edit(fields);
        const auto fault = FormatEditorRules::check(fields);
        QCOMPARE(fault ? fault->message : QString(), message);
        QCOMPARE(fault ? fault->control : QString(), control);
    }

    void buildStoresWhatTheControlsShow()
    {
        FormatEditorFields fields = valid();
        fields.description = QStringLiteral("  ") + QString(250, QLatin1Char('d')) + QStringLiteral("  ");
        fields.separator = SeparatorChoice::Tabulation;
        fields.otherSeparator = QStringLiteral("|");
        fields.positions[3] = QStringLiteral(" 7 ");
        fields.imported[4] = false;
        fields.prefixes[0] = QStringLiteral("P");
        fields.keepPrefix[0] = true;
        fields.codes[0] = QStringLiteral(" s ");
        fields.sheetByNumber = false;
        fields.sheetName = QStringLiteral("Sheet 2 ");
        const BuiltFormat built = FormatEditorRules::build(fields, QString(70, QLatin1Char('n')));
        QVERIFY(built.format);
        const FormatDefinition& format = *built.format;
        QCOMPARE(format.name, std::string(60, 'n'));
        QCOMPARE(format.description, std::string(200, 'd'));
        QCOMPARE(format.value(PointValue::Z).column, 7);
        QCOMPARE(format.value(PointValue::Description).column, 0);
        QCOMPARE(format.otherSeparator, 0);
        QCOMPARE(format.separator, std::string("\t"));
        QCOMPARE(format.value(PointValue::Number).prefix, std::string("P"));
        QCOMPARE(format.value(PointValue::Number).keepPrefix, 1);
        QCOMPARE(format.newPolylineCode, std::string(" s "));
        QCOMPARE(format.sheetByNumber, 0);
        QCOMPARE(format.sheet, std::string("Sheet 2 "));
        const auto bytes = mervalon::formats::encodeFormat(format);
        QCOMPARE(int(bytes[480]), 0);
        QCOMPARE(int(bytes[481]), 1);
        QCOMPARE(int(bytes[482]), 9);
    }

    void buildStopsAtATextThatIsNotAnInteger_data()
    {
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<QString>("error");
        QTest::newRow("position") << Edit([](auto& f) { f.positions[4] = QStringLiteral(" x1 "); })
                                  << "'x1' is not a valid integer value";
        QTest::newRow("first line") << Edit([](auto& f) { f.firstLine = QStringLiteral("one"); })
                                    << "'one' is not a valid integer value";
        QTest::newRow("position of a value not imported") << Edit([](auto& f) {
            f.imported[4] = false;
            f.positions[4] = QStringLiteral("x");
        }) << QString();
    }
    void buildStopsAtATextThatIsNotAnInteger()
    {
        QFETCH(Edit, edit);
        QFETCH(QString, error);
        FormatEditorFields fields = valid();
        edit(fields);
        const BuiltFormat built = FormatEditorRules::build(fields, QStringLiteral("a"));
        QCOMPARE(built.error, error);
        QCOMPARE(built.format.has_value(), error.isEmpty());
    }

    void fillPutsTheSheetInTheBoxOfItsKindAndKeepsAnUnknownSeparatorChoice()
    {
        FormatDefinition format;
        format.sheetByNumber = 0;
        format.sheet = "Points";
        format.separator = "|";
        format.value(PointValue::Z).column = 0;
        format.value(PointValue::X).column = 2;
        FormatEditorFields shown = valid();
        shown.sheetNumber = QStringLiteral("3");
        shown.separator = SeparatorChoice::Space;
        FormatEditorFields filled = FormatEditorRules::fill(format, TextDialect{}, shown);
        QCOMPARE(filled.sheetName, QStringLiteral("Points"));
        QCOMPARE(filled.sheetNumber, QStringLiteral("3"));
        QCOMPARE(filled.separator, SeparatorChoice::Space);
        QCOMPARE(filled.positions[3], QStringLiteral("0"));
        QVERIFY(!filled.imported[3]);
        QCOMPARE(filled.positions[1], QStringLiteral("2"));
        format.separator = ";";
        QCOMPARE(FormatEditorRules::fill(format, TextDialect{}, shown).separator, SeparatorChoice::Semicolon);
        format.otherSeparator = 1;
        filled = FormatEditorRules::fill(format, TextDialect{}, shown);
        QCOMPARE(filled.separator, SeparatorChoice::Other);
        QCOMPARE(filled.otherSeparator, QStringLiteral(";"));
    }

    void detectionFillsTheTextLayoutAndKeepsTheRest()
    {
        FormatEditorFields shown;
        shown.description = QStringLiteral("site export");
        shown.isExcel = true;
        shown.codes = {QStringLiteral("ST"), QStringLiteral("CO"), QStringLiteral("EN")};
        shown.prefixes[1] = QStringLiteral("E=");
        const std::string german = "Punkt;Rechtswert;Hochwert;H\xF6he;Code\r\n"
                                   "1;512340,125;5403120,250;101,50;BAUM\r\n"
                                   "2;512341,500;5403121,750;101,62;BAUM\r\n"
                                   "3;512342,875;5403119,125;101,48;MAST\r\n";
        const mervalon::formats::DetectedLayout layout = mervalon::formats::detectLayout(german);
        QVERIFY(layout.found);
        const std::optional<FormatEditorFields> fields = FormatEditorRules::detected(layout, shown);
        QVERIFY(fields.has_value());
        QVERIFY(!fields->isExcel);
        QCOMPARE(fields->separator, SeparatorChoice::Semicolon);
        QCOMPARE(fields->dialect.decimalMark, DecimalMark::Comma);
        QVERIFY(fields->dialect.headerLine);
        QCOMPARE(fields->firstLine, QStringLiteral("1"));
        QCOMPARE(fields->imported, (std::array<bool, 6>{true, true, true, true, false, true}));
        QCOMPARE(fields->positions[0], QStringLiteral("1"));
        QCOMPARE(fields->positions[1], QStringLiteral("2"));
        QCOMPARE(fields->positions[2], QStringLiteral("3"));
        QCOMPARE(fields->positions[3], QStringLiteral("4"));
        QCOMPARE(fields->positions[5], QStringLiteral("5"));
        QCOMPARE(fields->prefixes[1], QString());
        QCOMPARE(fields->description, shown.description);
        QCOMPARE(fields->codes, shown.codes);
        // Found without a doubt: the form is filled without a word.
        QCOMPARE(FormatEditorRules::detectionMessage(layout, QStringLiteral("/data/a.csv")), QString());
    }

    void detectionSaysWhyNothingWasFoundOrWhatToCheck()
    {
        const mervalon::formats::DetectedLayout none = mervalon::formats::detectLayout("Dear surveyor,\nhello.\n");
        QVERIFY(!FormatEditorRules::detected(none, FormatEditorFields{}).has_value());
        QVERIFY(FormatEditorRules::detectionMessage(none, QStringLiteral("/data/letter.txt"))
                    .startsWith(QStringLiteral("No layout of points was found in \"/data/letter.txt\": ")));
        // Two coordinate columns of like values: PENZ order taken, and the user is asked to check.
        const mervalon::formats::DetectedLayout doubt =
            mervalon::formats::detectLayout("1,1000.5,1002.5,10.1\n2,1001.5,1003.5,10.2\n3,1002.5,1001.5,10.3\n");
        QVERIFY(doubt.found && doubt.eastNorthUncertain);
        const QString message = FormatEditorRules::detectionMessage(doubt, QStringLiteral("/data/b.txt"));
        QVERIFY2(message.startsWith(QStringLiteral("The layout found in \"/data/b.txt\" is shown in the form (")),
                 qPrintable(message));
        QVERIFY2(message.contains(QStringLiteral("cannot be told apart")), qPrintable(message));
    }

    void fillShowsTheDialectOverTheOneShown()
    {
        FormatEditorFields shown = valid();
        shown.dialect.quotedFields = true;
        const TextDialect dialect{DecimalMark::Comma, false, false, true, true};
        QCOMPARE(FormatEditorRules::fill(FormatDefinition{}, dialect, shown).dialect, dialect);
        QCOMPARE(FormatEditorRules::fill(FormatDefinition{}, TextDialect{}, shown).dialect, TextDialect{});
    }

    void enablingFollowsTheChoices()
    {
        FormatEditorFields fields = valid();
        fields.imported = {false, true, true, true, false, false};
        fields.separator = SeparatorChoice::Other;
        FormatEditorEnabling text = FormatEditorRules::enabling(fields);
        QCOMPARE((std::array<bool, 5>{text.sheetPanel, text.sheetNumber, text.sheetName, text.separatorPanel,
                                      text.otherSeparator}),
                 (std::array<bool, 5>{false, false, false, true, true}));
        QCOMPARE(text.rows, (std::array<bool, 6>{false, true, true, true, false, false}));
        QVERIFY(!text.codesPanel);
        QVERIFY(text.dialectPanel);
        fields.isExcel = true;
        fields.sheetByNumber = false;
        fields.imported = {false, false, false, false, false, true};
        FormatEditorEnabling excel = FormatEditorRules::enabling(fields);
        QCOMPARE((std::array<bool, 5>{excel.sheetPanel, excel.sheetNumber, excel.sheetName, excel.separatorPanel,
                                      excel.otherSeparator}),
                 (std::array<bool, 5>{true, false, true, false, false}));
        QCOMPARE(excel.rows, (std::array<bool, 6>{false, true, true, false, false, true}));
        QVERIFY(excel.codesPanel);
        QVERIFY(!excel.dialectPanel);
    }

    void aValueSwitchedOnGetsThePositionAfterTheHighest()
    {
        FormatEditorFields fields = valid();
        fields.positions = {"1", "2", "3", "0", " 9x", "8"};
        fields.imported = {true, true, true, true, true, false};
        FormatEditorRules::proposePosition(fields, 3);
        QCOMPARE(fields.positions[3], QStringLiteral("4"));
        fields.imported[3] = false;
        FormatEditorRules::proposePosition(fields, 3);
        fields.imported[3] = true;
        FormatEditorRules::proposePosition(fields, 3);
        QCOMPARE(fields.positions[3], QStringLiteral("4"));
        fields.positions[5] = QStringLiteral("0");
        fields.imported[5] = true;
        fields.positions[1] = QStringLiteral(" 12 ");
        FormatEditorRules::proposePosition(fields, 5);
        QCOMPARE(fields.positions[5], QStringLiteral("13"));
    }

    void typedNamesAreCheckedAndScreened_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("fault");
        QTest::newRow("accepted") << " Roads 2 " << QString();
        QTest::newRow("latin-1") << QStringLiteral("N\u00c9GATIF") << QString();
        QTest::newRow("empty") << "   "
                               << "     Format name is empty...     ";
        QTest::newRow("listed") << "Roads "
                                << "     Format name already exists.     ";
        QTest::newRow("default") << "!DEFAULT"
                                 << "     Format name already exists.     ";
        QTest::newRow("slash") << "../up"
                               << "     Format name cannot contain \"/\" or \"\\\".     ";
        QTest::newRow("backslash") << "a\\b"
                                   << "     Format name cannot contain \"/\" or \"\\\".     ";
        QTest::newRow("dot") << "site.v2"
                             << "     Format name cannot contain \".\".     ";
        QTest::newRow("dot alone") << "."
                                   << "     Format name cannot contain \".\".     ";
        QTest::newRow("dots") << ".."
                              << "     Format name cannot contain \".\".     ";
        QTest::newRow("control") << "a\tb"
                                 << "     Format name cannot contain control characters.     ";
        QTest::newRow("long") << QString(61, QLatin1Char('a'))
                              << "     Format name cannot be longer than 60 characters.     ";
        QTest::newRow("sixty") << QString(60, QLatin1Char('a')) << QString();
        QTest::newRow("beyond latin-1") << QStringLiteral("\u20ac")
                                        << "     Format name cannot contain characters outside Latin-1.     ";
    }
    void typedNamesAreCheckedAndScreened()
    {
        QFETCH(QString, typed);
        QFETCH(QString, fault);
        const QStringList listed{QStringLiteral("!default"), QStringLiteral("roads")};
        QCOMPARE(FormatEditorRules::nameFault(typed, listed).value_or(QString()), fault);
    }

    void messagesCarryTheirBlanks()
    {
        QCOMPARE(FormatEditorRules::changedMessage(QStringLiteral("roads")),
                 QStringLiteral("\r     Format \"roads,\" has changed. Do you want to save it ?     "));
        QCOMPARE(FormatEditorRules::deleteQuestion(QStringLiteral("roads")),
                 QStringLiteral("       Do you want to delete format \"roads\" ?       "));
    }

    void theNameNeverCountsAsAChange()
    {
        FormatDefinition shown;
        shown.name = "roads";
        shown.value(PointValue::X).column = 1;
        FormatDefinition edited = shown;
        edited.name = "paths";
        QVERIFY(FormatEditorRules::sameAs(edited, shown));
        edited.value(PointValue::X).column = 2;
        QVERIFY(!FormatEditorRules::sameAs(edited, shown));
    }

  private:
    TestEnvironment& m_environment;
};

MERVALON_APP_TEST_MAIN(FormatEditorRulesTest)
#include "FormatEditorRules_test.moc"
