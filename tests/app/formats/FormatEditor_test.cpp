#include "app/AppTestSupport.h"
#include "app/common/TextConversions.h"
#include "app/formats/FormatEditorDialog.h"
#include "app/formats/FormatEditorForm.h"
#include "app/mainwindow/MainWindowPage.h"
#include "core/formats/FormatLibrary.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QToolButton>
#include <functional>

using namespace mervalon::app;
using namespace mervalon::app::testing;
using mervalon::formats::PointValue;
namespace formats = mervalon::formats;

using DialogEdit = std::function<void(QDialog&)>;
Q_DECLARE_METATYPE(DialogEdit)

namespace {

QStringList items(const QComboBox& combo)
{
    QStringList texts;
    for (int i = 0; i < combo.count(); ++i) {
        texts << combo.itemText(i);
    }
    return texts;
}

void type(const QWidget& window, const char* name, const QString& text)
{
    control<QLineEdit>(window, name)->setText(text);
}

/// A script for a name prompt: types the text and presses OK; a refused name is then cancelled.
FakeInteraction::DialogScript answerPrompt(const QString& text, QString* shownText = nullptr)
{
    return [text, shownText](QDialog& prompt) {
        if (shownText != nullptr) {
            *shownText = control<QLineEdit>(prompt, "Edit1")->text();
        }
        type(prompt, "Edit1", text);
        QSignalSpy closed(&prompt, &QDialog::finished);
        control<QPushButton>(prompt, "Button1")->click();
        if (closed.isEmpty()) {
            control<QPushButton>(prompt, "Button2")->click();
        }
        return prompt.result();
    };
}

} // namespace

class FormatEditorTest : public QObject {
    Q_OBJECT
  public:
    explicit FormatEditorTest(TestEnvironment& environment) : m_environment(environment) {}

  private slots:
    void init()
    {
        m_environment.reset();
        m_installDir = TestEnvironment::install();
        m_formats = m_installDir + QStringLiteral("/formats");
        m_program = startProgram(m_interaction);
        m_editor = &m_program->formatEditor();
        m_interaction.messages.clear();
        m_interaction.calls.clear();
    }
    void cleanup()
    {
        QFile::setPermissions(m_formats, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        m_program.reset();
        m_interaction = FakeInteraction();
    }

    void aPositionBoxShowsFourDigits()
    {
        for (const char* name : FormatEditorForm::kPositionBoxes) {
            auto* box = control<QLineEdit>(*m_editor, name);
            box->setText(QStringLiteral("1024"));
            const QStyleOptionFrame frame = [&] {
                QStyleOptionFrame option;
                option.initFrom(box);
                option.lineWidth = box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
                return option;
            }();
            const QRect text = box->style()->subElementRect(QStyle::SE_LineEditContents, &frame, box);
            QVERIFY2(text.width() >= box->fontMetrics().horizontalAdvance(QStringLiteral("1024")), name);
        }
    }

    void openingShowsTheChosenFormatWithTheMainWindowDimmed()
    {
        auto* chosen = MainWindowPage(m_program->mainWindow()).formatList();
        chosen->setCurrentIndex(chosen->findText(QStringLiteral("penzd tab")));
        QStringList seen;
        QList<bool> enabled;
        m_interaction.dialogScripts.push_back([&](QDialog& dialog) {
            seen << dialog.windowTitle() << control<QComboBox>(dialog, "ComboBox3")->currentText()
                 << control<QLineEdit>(dialog, "Edit9")->text() << control<QLineEdit>(dialog, "Edit6")->text();
            for (const char* name : {"RadioButton11", "RadioButton4", "CheckBox3", "CheckBox13"}) {
                enabled << control<QAbstractButton>(dialog, name)->isChecked();
            }
            for (const char* name : {"RadioButton6", "Edit8", "Edit7", "RadioButton1", "Edit1", "polstart"}) {
                enabled << control<QWidget>(dialog, name)->isEnabled();
            }
            control<QPushButton>(dialog, "SpeedButton5")->click();
            return dialog.result();
        });
        MainWindowPage(m_program->mainWindow()).formatEditorButton()->click();
        QCOMPARE(seen,
                 (QStringList{" Format Editor", "penzd tab",
                              "Number, East (X), North (Y), Elevation (Z), Description, Code - tab separated", "1"}));
        QCOMPARE(enabled, (QList<bool>{true, true, true, true, false, false, false, true, false, true}));
        QCOMPARE(m_interaction.calls, (QStringList{"opacity: 200", "dialog: FormatEditor", "opacity: 255"}));
        QCOMPARE(chosen->currentText(), QStringLiteral("penzd tab"));
    }

    void detectFromFileFillsTheFormAndSavesLikeAnyFormat()
    {
        const QString file = m_environment.home() + QStringLiteral("/export.csv");
        writeFile(file, "Point;East;North;Elev;Code\r\n1;512340,125;5403120,250;101,50;TREE\r\n"
                        "2;512341,500;5403121,750;101,62;TREE\r\n3;512342,875;5403119,125;101,48;POLE\r\n");
        QVERIFY(m_editor->prepare(QStringLiteral("penzd tab")));
        m_interaction.chosenPaths.push_back(file);
        control<QPushButton>(*m_editor, "DetectButton")->click();
        QVERIFY(m_interaction.messages.empty());
        QVERIFY(control<QRadioButton>(*m_editor, "RadioButton2")->isChecked()); // semicolon
        QVERIFY(control<QRadioButton>(*m_editor, FormatEditorForm::kDecimalMarkChoices[1])->isChecked());
        QVERIFY(control<QCheckBox>(*m_editor, FormatEditorForm::kDialectBoxes[3])->isChecked()); // header
        QCOMPARE(control<QLineEdit>(*m_editor, FormatEditorForm::kPositionBoxes[5])->text(), QStringLiteral("5"));
        // A file that holds no points: one error box, the form as it was.
        const QString letter = m_environment.home() + QStringLiteral("/letter.txt");
        writeFile(letter, "Dear surveyor,\r\nhello.\r\n");
        m_interaction.chosenPaths.push_back(letter);
        control<QPushButton>(*m_editor, "DetectButton")->click();
        QCOMPARE(m_interaction.messages.size(), std::size_t(1));
        QVERIFY(m_interaction.messages.front().icon == MessageIcon::Error);
        QVERIFY(control<QRadioButton>(*m_editor, "RadioButton2")->isChecked());
        // Cancelled: nothing happens.
        control<QPushButton>(*m_editor, "DetectButton")->click();
        QCOMPARE(m_interaction.messages.size(), std::size_t(1));
    }

    void aChosenFormatWhoseFileIsGoneOpensTheEditorOnTheFirst()
    {
        auto* chosen = MainWindowPage(m_program->mainWindow()).formatList();
        chosen->setCurrentIndex(chosen->findText(QStringLiteral("penzd tab")));
        QFile::remove(m_formats + QStringLiteral("/penzd tab.rpf"));
        QString shown;
        m_interaction.dialogScripts.push_back([&shown](QDialog& dialog) {
            shown = control<QComboBox>(dialog, "ComboBox3")->currentText();
            return int(QDialog::Rejected);
        });
        MainWindowPage(m_program->mainWindow()).formatEditorButton()->click();
        QCOMPARE(shown, QStringLiteral("!default"));
        QCOMPARE(chosen->currentText(), QStringLiteral("!default"));
        QCOMPARE(chosen->count(), 6);
        QCOMPARE(m_interaction.messages.size(), std::size_t(0));
    }

    void anExcelFormatEnablesItsSheetAndNotTheSeparator()
    {
        QVERIFY(m_editor->prepare(QStringLiteral("excel penzdc")));
        QVERIFY(control<QRadioButton>(*m_editor, "RadioButton12")->isChecked());
        QCOMPARE(control<QLineEdit>(*m_editor, "Edit8")->text(), QStringLiteral("1"));
        for (const char* name : {"RadioButton6", "RadioButton7", "Edit8"}) {
            QVERIFY2(control<QWidget>(*m_editor, name)->isEnabled(), name);
        }
        for (const char* name : {"Edit7", "RadioButton1", "RadioButton5", "Edit1"}) {
            QVERIFY2(!control<QWidget>(*m_editor, name)->isEnabled(), name);
        }
        control<QRadioButton>(*m_editor, "RadioButton7")->click();
        QVERIFY(control<QWidget>(*m_editor, "Edit7")->isEnabled());
        QVERIFY(!control<QWidget>(*m_editor, "Edit8")->isEnabled());
        control<QRadioButton>(*m_editor, "RadioButton11")->click();
        QVERIFY(!control<QWidget>(*m_editor, "Edit7")->isEnabled());
        QVERIFY(control<QWidget>(*m_editor, "RadioButton5")->isEnabled());
    }

    void everyShippedFormatComesBackByteForByte()
    {
        const QStringList names = QDir(m_formats).entryList({QStringLiteral("*.rpf")}, QDir::Files, QDir::Name);
        QCOMPARE(names.size(), 7);
        const QStringList files = QDir(m_formats).entryList(QDir::Files, QDir::Name);
        for (const QString& file : names) {
            const QByteArray before = readFile(m_formats + '/' + file);
            QVERIFY(m_editor->prepare(file.chopped(4)));
            control<QToolButton>(*m_editor, "SpeedButton3")->click();
            QCOMPARE(readFile(m_formats + '/' + file), before);
            QVERIFY2(m_editor->confirmChanges(), qPrintable(file));
        }
        QCOMPARE(m_interaction.messages.size(), std::size_t(0));
        // A format without a dialect is saved without one.
        QCOMPARE(QDir(m_formats).entryList(QDir::Files, QDir::Name), files);
    }

    void saveStopsAtTheFirstFailingCheck_data()
    {
        QTest::addColumn<DialogEdit>("edit");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        QTest::newRow("position") << DialogEdit([](QDialog& d) { type(d, "Edit17", QStringLiteral("0")); })
                                  << "     Position must be an integer value greater than 0.     "
                                  << "Edit17";
        QTest::newRow("repeated") << DialogEdit([](QDialog& d) {
            type(d, "Edit5", QStringLiteral("1"));
            type(d, "Edit3", QStringLiteral("1"));
            type(d, "Edit21", QStringLiteral(" 1"));
        }) << "     Position \" 1\" is already in use.     "
                                  << "Edit21";
        QTest::newRow("code") << DialogEdit([](QDialog& d) { type(d, "polend", QStringLiteral("  ")); })
                              << "     Code for \"End polyline/don't draw\" is missing.     "
                              << "polend";
        QTest::newRow("separator") << DialogEdit([](QDialog& d) {
            control<QRadioButton>(d, "RadioButton5")->click();
            type(d, "Edit1", QString());
        }) << "     Field Separator must be a single character.     "
                                   << "Edit1";
        QTest::newRow("sheet number") << DialogEdit([](QDialog& d) {
            control<QRadioButton>(d, "RadioButton12")->click();
            type(d, "Edit8", QStringLiteral("-2"));
        }) << "     Sheet Number must be greater than 0.     "
                                      << "Edit8";
        QTest::newRow("sheet name") << DialogEdit([](QDialog& d) {
            control<QRadioButton>(d, "RadioButton12")->click();
            control<QRadioButton>(d, "RadioButton7")->click();
            type(d, "Edit7", QStringLiteral(" "));
        }) << "     Please enter a valid Sheet Name.     "
                                    << "Edit7";
        QTest::newRow("first line") << DialogEdit([](QDialog& d) { type(d, "Edit6", QStringLiteral("0")); })
                                    << "     Starting line number must be greater than 0.     "
                                    << "Edit6";
    }
    void saveStopsAtTheFirstFailingCheck()
    {
        QFETCH(DialogEdit, edit);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        const QByteArray before = readFile(m_formats + QStringLiteral("/!default.rpf"));
        QVERIFY(m_editor->prepare(QStringLiteral("!default")));
        edit(*m_editor);
        QVERIFY(!m_editor->saveFormat());
        QCOMPARE(m_interaction.messages.size(), std::size_t(1));
        QCOMPARE(m_interaction.messages[0].icon, MessageIcon::Error);
        QCOMPARE(m_interaction.messages[0].text, message);
        QVERIFY(m_editor->focusWidget() != nullptr);
        QCOMPARE(m_editor->focusWidget()->objectName(), focus);
        QCOMPARE(readFile(m_formats + QStringLiteral("/!default.rpf")), before);
    }

    void xAndYCannotBeSwitchedOffAndASwitchedOnValueGetsAFreePosition()
    {
        QVERIFY(m_editor->prepare(QStringLiteral("penzd comma")));
        for (const char* name : {"CheckBox1", "CheckBox19"}) {
            control<QCheckBox>(*m_editor, name)->click();
            QVERIFY2(control<QCheckBox>(*m_editor, name)->isChecked(), name);
        }
        QCOMPARE(m_interaction.messages.size(), std::size_t(2));
        QCOMPARE(m_interaction.messages[0].text, QStringLiteral("You cannot disable X coordinate Import"));
        QCOMPARE(m_interaction.messages[1].text, QStringLiteral("You cannot disable Y coordinate Import"));
        auto* z = control<QCheckBox>(*m_editor, "CheckBox17");
        z->click();
        QVERIFY(!control<QWidget>(*m_editor, "Edit19")->isEnabled());
        QVERIFY(!control<QWidget>(*m_editor, "CheckBox18")->isEnabled());
        QVERIFY(z->isEnabled());
        type(*m_editor, "Edit19", QStringLiteral("0"));
        z->click();
        QCOMPARE(control<QLineEdit>(*m_editor, "Edit19")->text(), QStringLiteral("6"));
        QVERIFY(control<QWidget>(*m_editor, "Edit18")->isEnabled());
        QVERIFY(!control<QWidget>(*m_editor, "poldraw")->isEnabled());
        QVERIFY(!control<QWidget>(*m_editor, "Edit15")->isEnabled());
        control<QCheckBox>(*m_editor, "CheckBox13")->click();
        QVERIFY(control<QWidget>(*m_editor, "poldraw")->isEnabled());
        QCOMPARE(control<QLineEdit>(*m_editor, "Edit15")->text(), QStringLiteral("7"));
    }

    void newSavesTheShownSettingsUnderTheNameInSortedPlace()
    {
        QVERIFY(m_editor->prepare(QStringLiteral("penzd comma")));
        type(*m_editor, "Edit9", QStringLiteral("Semicolons, code in 7, P before numbers"));
        control<QRadioButton>(*m_editor, "RadioButton2")->click();
        control<QCheckBox>(*m_editor, "CheckBox13")->click();
        type(*m_editor, "Edit15", QStringLiteral("7"));
        type(*m_editor, "polstart", QStringLiteral("S"));
        type(*m_editor, "poldraw", QStringLiteral("D"));
        type(*m_editor, "polend", QStringLiteral("E"));
        type(*m_editor, "Edit4", QStringLiteral("P"));
        m_interaction.dialogScripts.push_back(answerPrompt(QStringLiteral("  Instrument X ")));
        control<QToolButton>(*m_editor, "SpeedButton1")->click();
        auto* list = control<QComboBox>(*m_editor, "ComboBox3");
        QCOMPARE(items(*list), (QStringList{"!default", "excel penzdc", "instrument x", "penzd comma",
                                            "penzd semicolon", "penzd space", "penzd tab", "pnezd comma"}));
        QCOMPARE(list->currentText(), QStringLiteral("instrument x"));
        QCOMPARE(m_interaction.calls.last(), QStringLiteral("dialog: NewFormatPrompt"));
        const formats::FormatDefinition saved = formats::readFormat(toPath(m_installDir), "instrument x");
        QCOMPARE(saved.name, std::string("instrument x"));
        QCOMPARE(saved.separator, std::string(";"));
        QCOMPARE(saved.value(PointValue::Code).column, 7);
        QCOMPARE(saved.value(PointValue::Number).prefix, std::string("P"));
        QCOMPARE(saved.endPolylineCode, std::string("E"));
        QVERIFY(m_editor->confirmChanges());
        // The prompt keeps its text for the next new format.
        QString shownText;
        m_interaction.dialogScripts.push_back(answerPrompt(QString(), &shownText));
        control<QToolButton>(*m_editor, "SpeedButton1")->click();
        QCOMPARE(shownText, QStringLiteral("  Instrument X "));
        QCOMPARE(m_interaction.messages.back().text, QStringLiteral("     Format name is empty...     "));
    }

    void refusedNewNamesLeaveNoFileAnywhere_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::newRow("blank") << "  "
                               << "     Format name is empty...     ";
        QTest::newRow("listed") << "PENZD Comma "
                                << "     Format name already exists.     ";
        QTest::newRow("up") << "../escape"
                            << "     Format name cannot contain \"/\" or \"\\\".     ";
        QTest::newRow("dot") << "escape.v2"
                             << "     Format name cannot contain \".\".     ";
        QTest::newRow("dots") << ".."
                              << "     Format name cannot contain \".\".     ";
        QTest::newRow("control") << "esc\nape"
                                 << "     Format name cannot contain control characters.     ";
        QTest::newRow("long") << QString(61, QLatin1Char('e'))
                              << "     Format name cannot be longer than 60 characters.     ";
    }
    void refusedNewNamesLeaveNoFileAnywhere()
    {
        QFETCH(QString, typed);
        QFETCH(QString, message);
        const QStringList before = QDir(m_formats).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        const QStringList installBefore = QDir(m_installDir).entryList(QDir::AllEntries | QDir::Hidden);
        QVERIFY(m_editor->prepare(QStringLiteral("penzd comma")));
        m_interaction.dialogScripts.push_back(answerPrompt(typed));
        control<QToolButton>(*m_editor, "SpeedButton1")->click();
        QCOMPARE(m_interaction.messages.size(), std::size_t(1));
        QCOMPARE(m_interaction.messages[0].text, message);
        QCOMPARE(QDir(m_formats).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), before);
        QCOMPARE(QDir(m_installDir).entryList(QDir::AllEntries | QDir::Hidden), installBefore);
        QCOMPARE(items(*control<QComboBox>(*m_editor, "ComboBox3")).size(), 7);
        QCOMPARE(m_editor->currentName(), QStringLiteral("penzd comma"));
    }

    void aNewFormatWhoseSaveFailsIsNotListed()
    {
        QVERIFY(m_editor->prepare(QStringLiteral("penzd comma")));
        type(*m_editor, "Edit6", QStringLiteral("0"));
        m_interaction.dialogScripts.push_back(answerPrompt(QStringLiteral("quarry")));
        control<QToolButton>(*m_editor, "SpeedButton1")->click();
        QCOMPARE(m_interaction.messages.back().text,
                 QStringLiteral("     Starting line number must be greater than 0.     "));
        auto* list = control<QComboBox>(*m_editor, "ComboBox3");
        QVERIFY(!items(*list).contains(QStringLiteral("quarry")));
        QCOMPARE(list->currentText(), QStringLiteral("penzd comma"));
        QVERIFY(!QFile::exists(m_formats + QStringLiteral("/quarry.rpf")));
        // The edits stay, and are those of the format shown.
        m_interaction.answers = {MessageAnswer::Cancel};
        QVERIFY(!m_editor->confirmChanges());
        QCOMPARE(m_interaction.messages.back().text, FormatEditorForm::changedMessage(QStringLiteral("penzd comma")));
    }

    void deleteAsksAndShowsTheEntryBefore_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QString>("shown");
        QTest::newRow("default") << "!default" << int(MessageAnswer::Yes)
                                 << QStringList{"The \"!Default\" format cannot be deleted."} << "!default";
        QTest::newRow("no") << "penzd tab" << int(MessageAnswer::No)
                            << QStringList{"       Do you want to delete format \"penzd tab\" ?       "} << "penzd tab";
        QTest::newRow("yes") << "penzd tab" << int(MessageAnswer::Yes)
                             << QStringList{"       Do you want to delete format \"penzd tab\" ?       "}
                             << "penzd space";
        QTest::newRow("first after default")
            << "excel penzdc" << int(MessageAnswer::Yes)
            << QStringList{"       Do you want to delete format \"excel penzdc\" ?       "} << "!default";
    }
    void deleteAsksAndShowsTheEntryBefore()
    {
        QFETCH(QString, name);
        QFETCH(int, answer);
        QFETCH(QStringList, messages);
        QFETCH(QString, shown);
        QVERIFY(m_editor->prepare(name));
        type(*m_editor, "Edit9", QStringLiteral("edits dropped with the format"));
        m_interaction.answers = {MessageAnswer(answer)};
        control<QToolButton>(*m_editor, "SpeedButton2")->click();
        QStringList texts;
        for (const ShownMessage& message : m_interaction.messages) {
            texts << message.text;
        }
        QCOMPARE(texts, messages);
        QCOMPARE(m_interaction.messages[0].icon,
                 name == QLatin1String("!default") ? MessageIcon::Information : MessageIcon::Confirmation);
        const bool deleted = shown != name;
        QCOMPARE(QFile::exists(m_formats + '/' + name + QStringLiteral(".rpf")), !deleted);
        QCOMPARE(QDir(m_formats).entryList(QDir::Files).size(), deleted ? 6 : 7);
        QCOMPARE(control<QComboBox>(*m_editor, "ComboBox3")->currentText(), shown);
        QCOMPARE(items(*control<QComboBox>(*m_editor, "ComboBox3")).contains(name), !deleted);
        if (deleted) {
            QCOMPARE(control<QLineEdit>(*m_editor, "Edit9")->text(),
                     QString::fromLatin1(formats::readFormat(toPath(m_installDir), toText(shown)).description));
            QVERIFY(m_editor->confirmChanges());
        }
    }

    void aFailedRenameOrDeleteIsReportedAndTheListShowsTheFolder()
    {
        QVERIFY(m_editor->prepare(QStringLiteral("penzd space")));
        // A file copied in behind the editor's back is never replaced by a rename.
        writeFile(m_formats + QStringLiteral("/Lanes.rpf"), "copied");
        m_interaction.dialogScripts.push_back(answerPrompt(QStringLiteral("lanes")));
        control<QToolButton>(*m_editor, "SpeedButton4")->click();
        QCOMPARE(m_interaction.messages.size(), std::size_t(1));
        QCOMPARE(m_interaction.messages[0].icon, MessageIcon::Error);
        QCOMPARE(m_interaction.messages[0].text,
                 QStringLiteral("Cannot rename file \"%1/lanes.rpf\". File exists").arg(m_formats));
        QCOMPARE(readFile(m_formats + QStringLiteral("/Lanes.rpf")), QByteArray("copied"));
        QVERIFY(QFile::exists(m_formats + QStringLiteral("/penzd space.rpf")));
        auto* list = control<QComboBox>(*m_editor, "ComboBox3");
        QVERIFY(items(*list).contains(QStringLiteral("lanes")));
        QCOMPARE(list->currentText(), QStringLiteral("penzd space"));

        // A format deleted behind the editor's back: the failure is told and the list follows the folder.
        QFile::remove(m_formats + QStringLiteral("/penzd space.rpf"));
        m_interaction.answers = {MessageAnswer::Yes};
        control<QToolButton>(*m_editor, "SpeedButton2")->click();
        QCOMPARE(m_interaction.messages.size(), std::size_t(3));
        QCOMPARE(m_interaction.messages[2].text,
                 QStringLiteral("Cannot open file \"%1/penzd space.rpf\". No such file or directory").arg(m_formats));
        QVERIFY(!items(*list).contains(QStringLiteral("penzd space")));
        QCOMPARE(list->currentText(), QStringLiteral("penzd semicolon"));
        QCOMPARE(m_editor->currentName(), QStringLiteral("penzd semicolon"));
    }

    void aSaveThatCannotWriteIsReportedAndTheEditorStaysOpen()
    {
        QVERIFY(m_editor->prepare(QStringLiteral("penzd comma")));
        type(*m_editor, "Edit9", QStringLiteral("Edited"));
        QDir(m_formats).removeRecursively();
        writeFile(m_formats, "not a folder");
        m_interaction.answers = {MessageAnswer::Yes};
        QSignalSpy finished(m_editor, &QDialog::finished);
        control<QPushButton>(*m_editor, "SpeedButton5")->click();
        QCOMPARE(m_interaction.messages.size(), std::size_t(2));
        QCOMPARE(m_interaction.messages[1].icon, MessageIcon::Error);
        QCOMPARE(m_interaction.messages[1].text,
                 QStringLiteral("Cannot save file \"%1/penzd comma.rpf\". Not a directory").arg(m_formats));
        QCOMPARE(finished.size(), 0);
        QCOMPARE(readFile(m_formats), QByteArray("not a folder"));
    }

    void renameMovesTheFileAndKeepsTheListSorted()
    {
        QVERIFY(m_editor->prepare(QStringLiteral("!default")));
        control<QToolButton>(*m_editor, "SpeedButton4")->click();
        QCOMPARE(m_interaction.messages.back().text,
                 QStringLiteral("     The \"!Default\" format cannot be renamed.     "));
        QCOMPARE(m_interaction.messages.back().icon, MessageIcon::Information);

        QVERIFY(m_editor->prepare(QStringLiteral("penzd comma")));
        QString shownText;
        m_interaction.dialogScripts.push_back(answerPrompt(QStringLiteral("Penzd Comma "), &shownText));
        control<QToolButton>(*m_editor, "SpeedButton4")->click();
        QCOMPARE(shownText, QStringLiteral("penzd comma"));
        QCOMPARE(m_interaction.messages.back().text, QStringLiteral("     Format name already exists.     "));

        m_interaction.dialogScripts.push_back(answerPrompt(QStringLiteral("../a comma")));
        control<QToolButton>(*m_editor, "SpeedButton4")->click();
        QCOMPARE(m_interaction.messages.back().text,
                 QStringLiteral("     Format name cannot contain \"/\" or \"\\\".     "));
        QVERIFY(!QFile::exists(m_installDir + QStringLiteral("/a comma.rpf")));

        const QByteArray bytes = readFile(m_formats + QStringLiteral("/penzd comma.rpf"));
        m_interaction.dialogScripts.push_back(answerPrompt(QStringLiteral("A Comma")));
        control<QToolButton>(*m_editor, "SpeedButton4")->click();
        QVERIFY(!QFile::exists(m_formats + QStringLiteral("/penzd comma.rpf")));
        QCOMPARE(readFile(m_formats + QStringLiteral("/a comma.rpf")), bytes);
        auto* list = control<QComboBox>(*m_editor, "ComboBox3");
        QCOMPARE(items(*list), (QStringList{"!default", "a comma", "excel penzdc", "penzd semicolon", "penzd space",
                                            "penzd tab", "pnezd comma"}));
        QCOMPARE(list->currentText(), QStringLiteral("a comma"));
        const std::size_t shown = m_interaction.messages.size();
        QVERIFY(m_editor->confirmChanges());
        QCOMPARE(m_interaction.messages.size(), shown);
    }

    void leavingRunsTheChangeCheck_data()
    {
        QTest::addColumn<DialogEdit>("edit");
        QTest::addColumn<bool>("closeBox");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<bool>("closed");
        QTest::addColumn<QString>("storedDescription");
        const QString original =
            QStringLiteral("Number, East (X), North (Y), Elevation (Z), Description - comma separated");
        const QString changed = FormatEditorForm::changedMessage(QStringLiteral("penzd comma"));
        const DialogEdit describe = [](QDialog& d) { type(d, "Edit9", QStringLiteral(" Edited ")); };
        QTest::newRow("unchanged") << DialogEdit([](QDialog&) {}) << false << int(MessageAnswer::Yes) << QStringList{}
                                   << true << original;
        QTest::newRow("trimmed description is no change")
            << DialogEdit([original](QDialog& d) { type(d, "Edit9", QLatin1Char(' ') + original + QLatin1Char(' ')); })
            << false << int(MessageAnswer::Yes) << QStringList{} << true << original;
        QTest::newRow("no") << describe << false << int(MessageAnswer::No) << QStringList{changed} << true << original;
        QTest::newRow("cancel") << describe << false << int(MessageAnswer::Cancel) << QStringList{changed} << false
                                << original;
        QTest::newRow("yes") << describe << false << int(MessageAnswer::Yes) << QStringList{changed} << true
                             << "Edited";
        QTest::newRow("yes with a failing check")
            << DialogEdit([](QDialog& d) {
                   type(d, "Edit9", QStringLiteral("Edited"));
                   type(d, "Edit6", QStringLiteral("0"));
               })
            << false << int(MessageAnswer::Yes)
            << QStringList{changed, "     Starting line number must be greater than 0.     "} << false << original;
        QTest::newRow("close box asks too")
            << describe << true << int(MessageAnswer::Cancel) << QStringList{changed} << false << original;
        QTest::newRow("close box, yes") << describe << true << int(MessageAnswer::Yes) << QStringList{changed} << true
                                        << "Edited";
        QTest::newRow("not an integer") << DialogEdit([](QDialog& d) { type(d, "Edit3", QStringLiteral("2b")); })
                                        << false << int(MessageAnswer::Yes)
                                        << QStringList{"'2b' is not a valid integer value"} << false << original;
    }
    void leavingRunsTheChangeCheck()
    {
        QFETCH(DialogEdit, edit);
        QFETCH(bool, closeBox);
        QFETCH(int, answer);
        QFETCH(QStringList, messages);
        QFETCH(bool, closed);
        QFETCH(QString, storedDescription);
        QVERIFY(m_editor->prepare(QStringLiteral("penzd comma")));
        edit(*m_editor);
        m_interaction.answers = {MessageAnswer(answer)};
        QSignalSpy finished(m_editor, &QDialog::finished);
        if (closeBox) {
            m_editor->reject();
        } else {
            control<QPushButton>(*m_editor, "SpeedButton5")->click();
        }
        QStringList texts;
        for (const ShownMessage& message : m_interaction.messages) {
            texts << message.text;
        }
        QCOMPARE(texts, messages);
        QCOMPARE(finished.size(), closed ? 1 : 0);
        QCOMPARE(QString::fromLatin1(formats::readFormat(toPath(m_installDir), "penzd comma").description),
                 storedDescription);
    }

    void choosingAnotherEntryAsksAboutTheFormatShownBefore()
    {
        QVERIFY(m_editor->prepare(QStringLiteral("penzd comma")));
        auto* list = control<QComboBox>(*m_editor, "ComboBox3");
        type(*m_editor, "Edit9", QStringLiteral("kept"));
        m_interaction.answers = {MessageAnswer::Cancel};
        list->setCurrentIndex(list->findText(QStringLiteral("penzd tab")));
        QCOMPARE(list->currentText(), QStringLiteral("penzd comma"));
        QCOMPARE(control<QLineEdit>(*m_editor, "Edit9")->text(), QStringLiteral("kept"));

        type(*m_editor, "Edit6", QStringLiteral("x"));
        list->setCurrentIndex(list->findText(QStringLiteral("penzd tab")));
        QCOMPARE(m_interaction.messages.back().text, QStringLiteral("'x' is not a valid integer value"));
        QCOMPARE(list->currentText(), QStringLiteral("penzd comma"));

        type(*m_editor, "Edit6", QStringLiteral("3"));
        m_interaction.answers = {MessageAnswer::Yes};
        list->setCurrentIndex(list->findText(QStringLiteral("penzd tab")));
        QCOMPARE(m_interaction.messages.back().text, FormatEditorForm::changedMessage(QStringLiteral("penzd comma")));
        QCOMPARE(list->currentText(), QStringLiteral("penzd tab"));
        QCOMPARE(control<QLineEdit>(*m_editor, "Edit6")->text(), QStringLiteral("1"));
        const formats::FormatDefinition saved = formats::readFormat(toPath(m_installDir), "penzd comma");
        QCOMPARE(saved.description, std::string("kept"));
        QCOMPARE(saved.firstLine, 3);
        QCOMPARE(saved.name, std::string("penzd comma"));
    }

    void afterClosingBothListsShowTheFolderAndTheEditorsFormatIsChosen()
    {
        auto* chosen = MainWindowPage(m_program->mainWindow()).formatList();
        chosen->setCurrentIndex(chosen->findText(QStringLiteral("penzd tab")));
        m_interaction.dialogScripts.push_back([](QDialog& dialog) {
            control<QToolButton>(dialog, "SpeedButton1")->click();
            control<QPushButton>(dialog, "SpeedButton5")->click();
            return dialog.result();
        });
        m_interaction.dialogScripts.push_back(answerPrompt(QStringLiteral("mine")));
        MainWindowPage(m_program->mainWindow()).formatEditorButton()->click();
        QCOMPARE(items(*chosen), (QStringList{"!default", "excel penzdc", "mine", "penzd comma", "penzd semicolon",
                                              "penzd space", "penzd tab", "pnezd comma"}));
        QCOMPARE(chosen->currentText(), QStringLiteral("mine"));
        formats::FormatDefinition mine = formats::readFormat(toPath(m_installDir), "mine");
        mine.name = "penzd tab";
        QCOMPARE(mine, formats::readFormat(toPath(m_installDir), "penzd tab"));

        // A format deleted behind the main window's back: the choice falls back to "!default".
        QFile::remove(m_formats + QStringLiteral("/mine.rpf"));
        m_program->mainWindow().fillFormatList();
        QCOMPARE(chosen->currentText(), QStringLiteral("!default"));
        QCOMPARE(chosen->count(), 7);
    }

    void loadingShowsTheDialectAndAnExcelFormatDisablesIt()
    {
        writeFile(m_formats + QStringLiteral("/penzd semicolon.dialect"),
                  "decimal-mark=comma\nquoted-fields=yes\ntrim-fields=no\nkeep-empty-fields=yes\nheader-line=yes\n");
        QVERIFY(m_editor->prepare(QStringLiteral("penzd semicolon")));
        QVERIFY(control<QRadioButton>(*m_editor, "DecimalComma")->isChecked());
        QVERIFY(!control<QRadioButton>(*m_editor, "DecimalPoint")->isChecked());
        QCOMPARE(checked(FormatEditorForm::kDialectBoxes), (QList<bool>{true, false, true, true}));
        QCOMPARE(enabledDialectControls(), 6);
        QCOMPARE(control<QCheckBox>(*m_editor, "HeaderLine")->text(),
                 QStringLiteral("The first line after the skipped lines is a header"));

        // A format without a dialect shows the one every format had before.
        QVERIFY(m_editor->prepare(QStringLiteral("penzd tab")));
        QVERIFY(control<QRadioButton>(*m_editor, "DecimalPoint")->isChecked());
        QCOMPARE(checked(FormatEditorForm::kDialectBoxes), (QList<bool>{false, true, false, false}));

        QVERIFY(m_editor->prepare(QStringLiteral("excel penzdc")));
        QCOMPARE(control<QRadioButton>(*m_editor, "RadioButton12")->text(),
                 QStringLiteral("This format applies to an Excel file (XLS, XLSX, ODS)"));
        QCOMPARE(enabledDialectControls(), 0);
        control<QRadioButton>(*m_editor, "RadioButton11")->click();
        QCOMPARE(enabledDialectControls(), 6);
        control<QRadioButton>(*m_editor, "RadioButton12")->click();
        QCOMPARE(enabledDialectControls(), 0);
        QCOMPARE(m_interaction.messages.size(), std::size_t(0));
    }

    void aFaultyDialectIsReported()
    {
        writeFile(m_formats + QStringLiteral("/penzd tab.dialect"), "decimal-mark=colon\n");
        QVERIFY(!m_editor->prepare(QStringLiteral("penzd tab")));
        QCOMPARE(m_interaction.messages.size(), std::size_t(1));
        QCOMPARE(m_interaction.messages[0].icon, MessageIcon::Error);
        QVERIFY2(m_interaction.messages[0].text.contains(QStringLiteral("penzd tab.dialect")),
                 qPrintable(m_interaction.messages[0].text));
    }

    void saveWritesTheDialectBesideTheUnchangedRecord()
    {
        const QString record = m_formats + QStringLiteral("/penzd semicolon.rpf");
        const QString dialect = m_formats + QStringLiteral("/penzd semicolon.dialect");
        const QByteArray bytes = readFile(record);
        QVERIFY(m_editor->prepare(QStringLiteral("penzd semicolon")));
        control<QRadioButton>(*m_editor, "DecimalComma")->click();
        control<QCheckBox>(*m_editor, "QuotedFields")->click();
        control<QCheckBox>(*m_editor, "HeaderLine")->click();

        // A change of the dialect alone is a change of the format.
        m_interaction.answers = {MessageAnswer::Cancel};
        QVERIFY(!m_editor->confirmChanges());
        QCOMPARE(m_interaction.messages.back().text,
                 FormatEditorForm::changedMessage(QStringLiteral("penzd semicolon")));
        QVERIFY(!QFile::exists(dialect));

        control<QToolButton>(*m_editor, "SpeedButton3")->click();
        QCOMPARE(readFile(record), bytes);
        QCOMPARE(readFile(dialect),
                 QByteArray("# How the point files of the format beside this file are written (Mervalon 4.0)\n"
                            "decimal-mark=comma\nquoted-fields=yes\ntrim-fields=yes\nkeep-empty-fields=no\n"
                            "header-line=yes\n"));
        const std::size_t shown = m_interaction.messages.size();
        QVERIFY(m_editor->confirmChanges());
        QCOMPARE(m_interaction.messages.size(), shown);

        // Read back as saved, through another format and back.
        QVERIFY(m_editor->prepare(QStringLiteral("penzd tab")));
        QVERIFY(m_editor->prepare(QStringLiteral("penzd semicolon")));
        QVERIFY(control<QRadioButton>(*m_editor, "DecimalComma")->isChecked());
        QCOMPARE(checked(FormatEditorForm::kDialectBoxes), (QList<bool>{true, true, false, true}));

        // Back to the plain dialect: the format is again one that any version reads alike.
        control<QRadioButton>(*m_editor, "DecimalPoint")->click();
        control<QCheckBox>(*m_editor, "QuotedFields")->click();
        control<QCheckBox>(*m_editor, "HeaderLine")->click();
        QVERIFY(m_editor->saveFormat());
        QVERIFY(!QFile::exists(dialect));
        QCOMPARE(readFile(record), bytes);
        QCOMPARE(m_interaction.messages.size(), shown);
    }

    void commaDecimalsWithACommaSeparatorAreRefusedWithOneMessage()
    {
        const QString dialect = m_formats + QStringLiteral("/penzd semicolon.dialect");
        writeFile(dialect, "decimal-mark=comma\n");
        const QStringList files = QDir(m_formats).entryList(QDir::Files, QDir::Name);
        QList<QByteArray> contents;
        for (const QString& file : files) {
            contents << readFile(m_formats + '/' + file);
        }
        QVERIFY(m_editor->prepare(QStringLiteral("penzd semicolon")));
        control<QRadioButton>(*m_editor, "RadioButton1")->click();
        control<QToolButton>(*m_editor, "SpeedButton3")->click();
        QCOMPARE(m_interaction.messages.size(), std::size_t(1));
        QCOMPARE(m_interaction.messages[0].icon, MessageIcon::Error);
        QCOMPARE(m_interaction.messages[0].text,
                 QStringLiteral("A format with comma decimals cannot have a comma as its separator: \"1,512340,125\" "
                                "could not be told apart. Choose a semicolon or a tab as the separator, or a point "
                                "as the decimal mark."));
        QVERIFY(m_editor->focusWidget() != nullptr);
        QCOMPARE(m_editor->focusWidget()->objectName(), QStringLiteral("DecimalComma"));
        QCOMPARE(QDir(m_formats).entryList(QDir::Files, QDir::Name), files);
        for (qsizetype i = 0; i < files.size(); ++i) {
            QCOMPARE(readFile(m_formats + '/' + files[i]), contents[i]);
        }

        // New refuses it the same way and lists nothing.
        m_interaction.dialogScripts.push_back(answerPrompt(QStringLiteral("mine")));
        control<QToolButton>(*m_editor, "SpeedButton1")->click();
        QCOMPARE(m_interaction.messages.size(), std::size_t(2));
        QCOMPARE(m_interaction.messages[1].text, m_interaction.messages[0].text);
        QCOMPARE(QDir(m_formats).entryList(QDir::Files, QDir::Name), files);
        QVERIFY(!items(*control<QComboBox>(*m_editor, "ComboBox3")).contains(QStringLiteral("mine")));
    }

    void newRenameAndDeleteCarryTheDialect()
    {
        QVERIFY(m_editor->prepare(QStringLiteral("penzd tab")));
        control<QRadioButton>(*m_editor, "DecimalComma")->click();
        m_interaction.dialogScripts.push_back(answerPrompt(QStringLiteral("comma tab")));
        control<QToolButton>(*m_editor, "SpeedButton1")->click();
        QCOMPARE(formats::readDialect(toPath(m_installDir), "comma tab").decimalMark, formats::DecimalMark::Comma);
        QVERIFY(!QFile::exists(m_formats + QStringLiteral("/penzd tab.dialect")));

        m_interaction.dialogScripts.push_back(answerPrompt(QStringLiteral("decimal commas")));
        control<QToolButton>(*m_editor, "SpeedButton4")->click();
        QVERIFY(!QFile::exists(m_formats + QStringLiteral("/comma tab.dialect")));
        QCOMPARE(formats::readDialect(toPath(m_installDir), "decimal commas").decimalMark, formats::DecimalMark::Comma);

        m_interaction.answers = {MessageAnswer::Yes};
        control<QToolButton>(*m_editor, "SpeedButton2")->click();
        QVERIFY(!QFile::exists(m_formats + QStringLiteral("/decimal commas.rpf")));
        QVERIFY(!QFile::exists(m_formats + QStringLiteral("/decimal commas.dialect")));
        QCOMPARE(QDir(m_formats).entryList({QStringLiteral("*.dialect")}, QDir::Files).size(), 0);
        QCOMPARE(m_interaction.messages.size(), std::size_t(1));
    }

  private:
    QList<bool> checked(const std::array<const char*, 4>& names) const
    {
        QList<bool> states;
        for (const char* name : names) {
            states << control<QAbstractButton>(*m_editor, name)->isChecked();
        }
        return states;
    }
    int enabledDialectControls() const
    {
        int enabled = 0;
        for (const char* name : FormatEditorForm::kDecimalMarkChoices) {
            enabled += control<QWidget>(*m_editor, name)->isEnabled() ? 1 : 0;
        }
        for (const char* name : FormatEditorForm::kDialectBoxes) {
            enabled += control<QWidget>(*m_editor, name)->isEnabled() ? 1 : 0;
        }
        return enabled;
    }

    TestEnvironment& m_environment;
    FakeInteraction m_interaction;
    std::unique_ptr<Program> m_program;
    FormatEditorDialog* m_editor = nullptr;
    QString m_installDir;
    QString m_formats;
};

MERVALON_APP_TEST_MAIN(FormatEditorTest)
#include "FormatEditor_test.moc"
