#include "app/AppTestSupport.h"
#include "app/common/TextConversions.h"
#include "app/formats/FormatEditorDialog.h"
#include "app/formats/FormatEditorPages.h"
#include "app/formats/FormatEditorRules.h"
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

/// A script for a name prompt: types the text and presses OK; a refused name is then cancelled.
FakeInteraction::DialogScript answerPrompt(const QString& text, QString* shownText = nullptr)
{
    return [text, shownText](QDialog& prompt) {
        if (shownText != nullptr) {
            *shownText = FormatNamePromptPage(prompt).nameEdit()->text();
        }
        FormatNamePromptPage(prompt).nameEdit()->setText(text);
        QSignalSpy closed(&prompt, &QDialog::finished);
        FormatNamePromptPage(prompt).okButton()->click();
        if (closed.isEmpty()) {
            FormatNamePromptPage(prompt).cancelButton()->click();
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
        for (const char* name : FormatEditorControls::positionEdits) {
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
            seen << dialog.windowTitle() << FormatEditorPage(dialog).formatList()->currentText()
                 << FormatEditorPage(dialog).descriptionEdit()->text()
                 << FormatEditorPage(dialog).firstLineEdit()->text();
            for (const char* name : {FormatEditorControls::textKindButton, FormatEditorControls::separatorButtons[3],
                                     FormatEditorControls::importBoxes[0], FormatEditorControls::importBoxes[5]}) {
                enabled << control<QAbstractButton>(dialog, name)->isChecked();
            }
            for (const char* name : {FormatEditorControls::sheetByNumberButton, FormatEditorControls::sheetNumberEdit,
                                     FormatEditorControls::sheetNameEdit, FormatEditorControls::separatorButtons[0],
                                     FormatEditorControls::otherSeparatorEdit, FormatEditorControls::codeEdits[0]}) {
                enabled << control<QWidget>(dialog, name)->isEnabled();
            }
            FormatEditorPage(dialog).doneButton()->click();
            return dialog.result();
        });
        MainWindowPage(m_program->mainWindow()).formatEditorButton()->click();
        QCOMPARE(seen,
                 (QStringList{" Format Editor", "penzd tab",
                              "Number, East (X), North (Y), Elevation (Z), Description, Code - tab separated", "1"}));
        QCOMPARE(enabled, (QList<bool>{true, true, true, true, false, false, false, true, false, true}));
        QCOMPARE(m_interaction.calls,
                 (QStringList{"opacity: 200", dialogCall(FormatEditorControls::window), "opacity: 255"}));
        QCOMPARE(chosen->currentText(), QStringLiteral("penzd tab"));
    }

    void detectFromFileFillsTheFormAndSavesLikeAnyFormat()
    {
        const QString file = m_environment.home() + QStringLiteral("/export.csv");
        writeFile(file, "Point;East;North;Elev;Code\r\n1;512340,125;5403120,250;101,50;TREE\r\n"
                        "2;512341,500;5403121,750;101,62;TREE\r\n3;512342,875;5403119,125;101,48;POLE\r\n");
        QVERIFY(m_editor->prepare(QStringLiteral("penzd tab")));
        m_interaction.chosenPaths.push_back(file);
        FormatEditorPage(*m_editor).detectButton()->click();
        QVERIFY(m_interaction.messages.empty());
        QVERIFY(FormatEditorPage(*m_editor).separatorButton(1)->isChecked()); // semicolon
        QVERIFY(control<QRadioButton>(*m_editor, FormatEditorControls::decimalMarkButtons[1])->isChecked());
        QVERIFY(control<QCheckBox>(*m_editor, FormatEditorControls::dialectBoxes[3])->isChecked()); // header
        QCOMPARE(control<QLineEdit>(*m_editor, FormatEditorControls::positionEdits[5])->text(), QStringLiteral("5"));
        // A file that holds no points: one error box, the form as it was.
        const QString letter = m_environment.home() + QStringLiteral("/letter.txt");
        writeFile(letter, "Dear surveyor,\r\nhello.\r\n");
        m_interaction.chosenPaths.push_back(letter);
        FormatEditorPage(*m_editor).detectButton()->click();
        QCOMPARE(m_interaction.messages.size(), std::size_t(1));
        QVERIFY(m_interaction.messages.front().icon == MessageIcon::Error);
        QVERIFY(FormatEditorPage(*m_editor).separatorButton(1)->isChecked());
        // Cancelled: nothing happens.
        FormatEditorPage(*m_editor).detectButton()->click();
        QCOMPARE(m_interaction.messages.size(), std::size_t(1));
    }

    void aChosenFormatWhoseFileIsGoneOpensTheEditorOnTheFirst()
    {
        auto* chosen = MainWindowPage(m_program->mainWindow()).formatList();
        chosen->setCurrentIndex(chosen->findText(QStringLiteral("penzd tab")));
        QFile::remove(m_formats + QStringLiteral("/penzd tab.rpf"));
        QString shown;
        m_interaction.dialogScripts.push_back([&shown](QDialog& dialog) {
            shown = FormatEditorPage(dialog).formatList()->currentText();
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
        QVERIFY(FormatEditorPage(*m_editor).excelKindButton()->isChecked());
        QCOMPARE(FormatEditorPage(*m_editor).sheetNumberEdit()->text(), QStringLiteral("1"));
        for (const char* name : {FormatEditorControls::sheetByNumberButton, FormatEditorControls::sheetByNameButton,
                                 FormatEditorControls::sheetNumberEdit}) {
            QVERIFY2(control<QWidget>(*m_editor, name)->isEnabled(), name);
        }
        for (const char* name : {FormatEditorControls::sheetNameEdit, FormatEditorControls::separatorButtons[0],
                                 FormatEditorControls::separatorButtons[4], FormatEditorControls::otherSeparatorEdit}) {
            QVERIFY2(!control<QWidget>(*m_editor, name)->isEnabled(), name);
        }
        FormatEditorPage(*m_editor).sheetByNameButton()->click();
        QVERIFY(FormatEditorPage(*m_editor).sheetNameEdit()->isEnabled());
        QVERIFY(!FormatEditorPage(*m_editor).sheetNumberEdit()->isEnabled());
        FormatEditorPage(*m_editor).textKindButton()->click();
        QVERIFY(!FormatEditorPage(*m_editor).sheetNameEdit()->isEnabled());
        QVERIFY(FormatEditorPage(*m_editor).separatorButton(4)->isEnabled());
    }

    void everyShippedFormatComesBackByteForByte()
    {
        const QStringList names = QDir(m_formats).entryList({QStringLiteral("*.rpf")}, QDir::Files, QDir::Name);
        QCOMPARE(names.size(), 7);
        const QStringList files = QDir(m_formats).entryList(QDir::Files, QDir::Name);
        for (const QString& file : names) {
            const QByteArray before = readFile(m_formats + '/' + file);
            QVERIFY(m_editor->prepare(file.chopped(4)));
            FormatEditorPage(*m_editor).saveButton()->click();
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
        QTest::newRow("position") << DialogEdit([](QDialog& d) {
            FormatEditorPage(d).positionEdit(4)->setText(QStringLiteral("0"));
        }) << "     Position must be an integer value greater than 0.     "
                                  << FormatEditorControls::positionEdits[4];
        QTest::newRow("repeated") << DialogEdit([](QDialog& d) {
            FormatEditorPage(d).positionEdit(0)->setText(QStringLiteral("1"));
            FormatEditorPage(d).positionEdit(1)->setText(QStringLiteral("1"));
            FormatEditorPage(d).positionEdit(2)->setText(QStringLiteral(" 1"));
        }) << "     Position \" 1\" is already in use.     "
                                  << FormatEditorControls::positionEdits[2];
        QTest::newRow("code") << DialogEdit([](QDialog& d) {
            FormatEditorPage(d).codeEdit(2)->setText(QStringLiteral("  "));
        }) << "     Code for \"End polyline/don't draw\" is missing.     "
                              << FormatEditorControls::codeEdits[2];
        QTest::newRow("separator") << DialogEdit([](QDialog& d) {
            FormatEditorPage(d).separatorButton(4)->click();
            FormatEditorPage(d).otherSeparatorEdit()->setText(QString());
        }) << "     Field Separator must be a single character.     "
                                   << FormatEditorControls::otherSeparatorEdit;
        QTest::newRow("sheet number") << DialogEdit([](QDialog& d) {
            FormatEditorPage(d).excelKindButton()->click();
            FormatEditorPage(d).sheetNumberEdit()->setText(QStringLiteral("-2"));
        }) << "     Sheet Number must be greater than 0.     "
                                      << FormatEditorControls::sheetNumberEdit;
        QTest::newRow("sheet name") << DialogEdit([](QDialog& d) {
            FormatEditorPage(d).excelKindButton()->click();
            FormatEditorPage(d).sheetByNameButton()->click();
            FormatEditorPage(d).sheetNameEdit()->setText(QStringLiteral(" "));
        }) << "     Please enter a valid Sheet Name.     "
                                    << FormatEditorControls::sheetNameEdit;
        QTest::newRow("first line") << DialogEdit([](QDialog& d) {
            FormatEditorPage(d).firstLineEdit()->setText(QStringLiteral("0"));
        }) << "     Starting line number must be greater than 0.     "
                                    << FormatEditorControls::firstLineEdit;
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
        for (const char* name : {FormatEditorControls::importBoxes[1], FormatEditorControls::importBoxes[2]}) {
            control<QCheckBox>(*m_editor, name)->click();
            QVERIFY2(control<QCheckBox>(*m_editor, name)->isChecked(), name);
        }
        QCOMPARE(m_interaction.messages.size(), std::size_t(2));
        QCOMPARE(m_interaction.messages[0].text, QStringLiteral("You cannot disable X coordinate Import"));
        QCOMPARE(m_interaction.messages[1].text, QStringLiteral("You cannot disable Y coordinate Import"));
        auto* z = FormatEditorPage(*m_editor).importBox(3);
        z->click();
        QVERIFY(!FormatEditorPage(*m_editor).positionEdit(3)->isEnabled());
        QVERIFY(!FormatEditorPage(*m_editor).keepBox(3)->isEnabled());
        QVERIFY(z->isEnabled());
        FormatEditorPage(*m_editor).positionEdit(3)->setText(QStringLiteral("0"));
        z->click();
        QCOMPARE(FormatEditorPage(*m_editor).positionEdit(3)->text(), QStringLiteral("6"));
        QVERIFY(FormatEditorPage(*m_editor).prefixEdit(3)->isEnabled());
        QVERIFY(!FormatEditorPage(*m_editor).codeEdit(1)->isEnabled());
        QVERIFY(!FormatEditorPage(*m_editor).positionEdit(5)->isEnabled());
        FormatEditorPage(*m_editor).importBox(5)->click();
        QVERIFY(FormatEditorPage(*m_editor).codeEdit(1)->isEnabled());
        QCOMPARE(FormatEditorPage(*m_editor).positionEdit(5)->text(), QStringLiteral("7"));
    }

    void newSavesTheShownSettingsUnderTheNameInSortedPlace()
    {
        QVERIFY(m_editor->prepare(QStringLiteral("penzd comma")));
        FormatEditorPage(*m_editor).descriptionEdit()->setText(
            QStringLiteral("Semicolons, code in 7, P before numbers"));
        FormatEditorPage(*m_editor).separatorButton(1)->click();
        FormatEditorPage(*m_editor).importBox(5)->click();
        FormatEditorPage(*m_editor).positionEdit(5)->setText(QStringLiteral("7"));
        FormatEditorPage(*m_editor).codeEdit(0)->setText(QStringLiteral("S"));
        FormatEditorPage(*m_editor).codeEdit(1)->setText(QStringLiteral("D"));
        FormatEditorPage(*m_editor).codeEdit(2)->setText(QStringLiteral("E"));
        FormatEditorPage(*m_editor).prefixEdit(0)->setText(QStringLiteral("P"));
        m_interaction.dialogScripts.push_back(answerPrompt(QStringLiteral("  Instrument X ")));
        FormatEditorPage(*m_editor).newButton()->click();
        auto* list = FormatEditorPage(*m_editor).formatList();
        QCOMPARE(items(*list), (QStringList{"!default", "excel penzdc", "instrument x", "penzd comma",
                                            "penzd semicolon", "penzd space", "penzd tab", "pnezd comma"}));
        QCOMPARE(list->currentText(), QStringLiteral("instrument x"));
        QCOMPARE(m_interaction.calls.last(), dialogCall(FormatEditorControls::newFormatPrompt));
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
        FormatEditorPage(*m_editor).newButton()->click();
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
        FormatEditorPage(*m_editor).newButton()->click();
        QCOMPARE(m_interaction.messages.size(), std::size_t(1));
        QCOMPARE(m_interaction.messages[0].text, message);
        QCOMPARE(QDir(m_formats).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), before);
        QCOMPARE(QDir(m_installDir).entryList(QDir::AllEntries | QDir::Hidden), installBefore);
        QCOMPARE(items(*FormatEditorPage(*m_editor).formatList()).size(), 7);
        QCOMPARE(m_editor->currentName(), QStringLiteral("penzd comma"));
    }

    void aNewFormatWhoseSaveFailsIsNotListed()
    {
        QVERIFY(m_editor->prepare(QStringLiteral("penzd comma")));
        FormatEditorPage(*m_editor).firstLineEdit()->setText(QStringLiteral("0"));
        m_interaction.dialogScripts.push_back(answerPrompt(QStringLiteral("quarry")));
        FormatEditorPage(*m_editor).newButton()->click();
        QCOMPARE(m_interaction.messages.back().text,
                 QStringLiteral("     Starting line number must be greater than 0.     "));
        auto* list = FormatEditorPage(*m_editor).formatList();
        QVERIFY(!items(*list).contains(QStringLiteral("quarry")));
        QCOMPARE(list->currentText(), QStringLiteral("penzd comma"));
        QVERIFY(!QFile::exists(m_formats + QStringLiteral("/quarry.rpf")));
        // The edits stay, and are those of the format shown.
        m_interaction.answers = {MessageAnswer::Cancel};
        QVERIFY(!m_editor->confirmChanges());
        QCOMPARE(m_interaction.messages.back().text, FormatEditorRules::changedMessage(QStringLiteral("penzd comma")));
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
        FormatEditorPage(*m_editor).descriptionEdit()->setText(QStringLiteral("edits dropped with the format"));
        m_interaction.answers = {MessageAnswer(answer)};
        FormatEditorPage(*m_editor).deleteButton()->click();
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
        QCOMPARE(FormatEditorPage(*m_editor).formatList()->currentText(), shown);
        QCOMPARE(items(*FormatEditorPage(*m_editor).formatList()).contains(name), !deleted);
        if (deleted) {
            QCOMPARE(FormatEditorPage(*m_editor).descriptionEdit()->text(),
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
        FormatEditorPage(*m_editor).renameButton()->click();
        QCOMPARE(m_interaction.messages.size(), std::size_t(1));
        QCOMPARE(m_interaction.messages[0].icon, MessageIcon::Error);
        QCOMPARE(m_interaction.messages[0].text,
                 QStringLiteral("Cannot rename file \"%1/lanes.rpf\". File exists").arg(m_formats));
        QCOMPARE(readFile(m_formats + QStringLiteral("/Lanes.rpf")), QByteArray("copied"));
        QVERIFY(QFile::exists(m_formats + QStringLiteral("/penzd space.rpf")));
        auto* list = FormatEditorPage(*m_editor).formatList();
        QVERIFY(items(*list).contains(QStringLiteral("lanes")));
        QCOMPARE(list->currentText(), QStringLiteral("penzd space"));

        // A format deleted behind the editor's back: the failure is told and the list follows the folder.
        QFile::remove(m_formats + QStringLiteral("/penzd space.rpf"));
        m_interaction.answers = {MessageAnswer::Yes};
        FormatEditorPage(*m_editor).deleteButton()->click();
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
        FormatEditorPage(*m_editor).descriptionEdit()->setText(QStringLiteral("Edited"));
        QDir(m_formats).removeRecursively();
        writeFile(m_formats, "not a folder");
        m_interaction.answers = {MessageAnswer::Yes};
        QSignalSpy finished(m_editor, &QDialog::finished);
        FormatEditorPage(*m_editor).doneButton()->click();
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
        FormatEditorPage(*m_editor).renameButton()->click();
        QCOMPARE(m_interaction.messages.back().text,
                 QStringLiteral("     The \"!Default\" format cannot be renamed.     "));
        QCOMPARE(m_interaction.messages.back().icon, MessageIcon::Information);

        QVERIFY(m_editor->prepare(QStringLiteral("penzd comma")));
        QString shownText;
        m_interaction.dialogScripts.push_back(answerPrompt(QStringLiteral("Penzd Comma "), &shownText));
        FormatEditorPage(*m_editor).renameButton()->click();
        QCOMPARE(shownText, QStringLiteral("penzd comma"));
        QCOMPARE(m_interaction.messages.back().text, QStringLiteral("     Format name already exists.     "));

        m_interaction.dialogScripts.push_back(answerPrompt(QStringLiteral("../a comma")));
        FormatEditorPage(*m_editor).renameButton()->click();
        QCOMPARE(m_interaction.messages.back().text,
                 QStringLiteral("     Format name cannot contain \"/\" or \"\\\".     "));
        QVERIFY(!QFile::exists(m_installDir + QStringLiteral("/a comma.rpf")));

        const QByteArray bytes = readFile(m_formats + QStringLiteral("/penzd comma.rpf"));
        m_interaction.dialogScripts.push_back(answerPrompt(QStringLiteral("A Comma")));
        FormatEditorPage(*m_editor).renameButton()->click();
        QVERIFY(!QFile::exists(m_formats + QStringLiteral("/penzd comma.rpf")));
        QCOMPARE(readFile(m_formats + QStringLiteral("/a comma.rpf")), bytes);
        auto* list = FormatEditorPage(*m_editor).formatList();
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
        const QString changed = FormatEditorRules::changedMessage(QStringLiteral("penzd comma"));
        const DialogEdit describe = [](QDialog& d) {
            FormatEditorPage(d).descriptionEdit()->setText(QStringLiteral(" Edited "));
        };
        QTest::newRow("unchanged") << DialogEdit([](QDialog&) {}) << false << int(MessageAnswer::Yes) << QStringList{}
                                   << true << original;
        QTest::newRow("trimmed description is no change") << DialogEdit([original](QDialog& d) {
            FormatEditorPage(d).descriptionEdit()->setText(QLatin1Char(' ') + original + QLatin1Char(' '));
        }) << false << int(MessageAnswer::Yes) << QStringList{}
                                                          << true << original;
        QTest::newRow("no") << describe << false << int(MessageAnswer::No) << QStringList{changed} << true << original;
        QTest::newRow("cancel") << describe << false << int(MessageAnswer::Cancel) << QStringList{changed} << false
                                << original;
        QTest::newRow("yes") << describe << false << int(MessageAnswer::Yes) << QStringList{changed} << true
                             << "Edited";
        QTest::newRow("yes with a failing check")
            << DialogEdit([](QDialog& d) {
                   FormatEditorPage(d).descriptionEdit()->setText(QStringLiteral("Edited"));
                   FormatEditorPage(d).firstLineEdit()->setText(QStringLiteral("0"));
               })
            << false << int(MessageAnswer::Yes)
            << QStringList{changed, "     Starting line number must be greater than 0.     "} << false << original;
        QTest::newRow("close box asks too")
            << describe << true << int(MessageAnswer::Cancel) << QStringList{changed} << false << original;
        QTest::newRow("close box, yes") << describe << true << int(MessageAnswer::Yes) << QStringList{changed} << true
                                        << "Edited";
        QTest::newRow("not an integer") << DialogEdit([](QDialog& d) {
            FormatEditorPage(d).positionEdit(1)->setText(QStringLiteral("2b"));
        }) << false << int(MessageAnswer::Yes)
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
            FormatEditorPage(*m_editor).doneButton()->click();
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
        auto* list = FormatEditorPage(*m_editor).formatList();
        FormatEditorPage(*m_editor).descriptionEdit()->setText(QStringLiteral("kept"));
        m_interaction.answers = {MessageAnswer::Cancel};
        list->setCurrentIndex(list->findText(QStringLiteral("penzd tab")));
        QCOMPARE(list->currentText(), QStringLiteral("penzd comma"));
        QCOMPARE(FormatEditorPage(*m_editor).descriptionEdit()->text(), QStringLiteral("kept"));

        FormatEditorPage(*m_editor).firstLineEdit()->setText(QStringLiteral("x"));
        list->setCurrentIndex(list->findText(QStringLiteral("penzd tab")));
        QCOMPARE(m_interaction.messages.back().text, QStringLiteral("'x' is not a valid integer value"));
        QCOMPARE(list->currentText(), QStringLiteral("penzd comma"));

        FormatEditorPage(*m_editor).firstLineEdit()->setText(QStringLiteral("3"));
        m_interaction.answers = {MessageAnswer::Yes};
        list->setCurrentIndex(list->findText(QStringLiteral("penzd tab")));
        QCOMPARE(m_interaction.messages.back().text, FormatEditorRules::changedMessage(QStringLiteral("penzd comma")));
        QCOMPARE(list->currentText(), QStringLiteral("penzd tab"));
        QCOMPARE(FormatEditorPage(*m_editor).firstLineEdit()->text(), QStringLiteral("1"));
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
            FormatEditorPage(dialog).newButton()->click();
            FormatEditorPage(dialog).doneButton()->click();
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
        QVERIFY(FormatEditorPage(*m_editor).decimalMarkButton(1)->isChecked());
        QVERIFY(!FormatEditorPage(*m_editor).decimalMarkButton(0)->isChecked());
        QCOMPARE(checked(FormatEditorControls::dialectBoxes), (QList<bool>{true, false, true, true}));
        QCOMPARE(enabledDialectControls(), 6);
        QCOMPARE(FormatEditorPage(*m_editor).dialectBox(3)->text(),
                 QStringLiteral("The first line after the skipped lines is a header"));

        // A format without a dialect shows the one every format had before.
        QVERIFY(m_editor->prepare(QStringLiteral("penzd tab")));
        QVERIFY(FormatEditorPage(*m_editor).decimalMarkButton(0)->isChecked());
        QCOMPARE(checked(FormatEditorControls::dialectBoxes), (QList<bool>{false, true, false, false}));

        QVERIFY(m_editor->prepare(QStringLiteral("excel penzdc")));
        QCOMPARE(FormatEditorPage(*m_editor).excelKindButton()->text(),
                 QStringLiteral("This format applies to an Excel file (XLS, XLSX, ODS)"));
        QCOMPARE(enabledDialectControls(), 0);
        FormatEditorPage(*m_editor).textKindButton()->click();
        QCOMPARE(enabledDialectControls(), 6);
        FormatEditorPage(*m_editor).excelKindButton()->click();
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
        FormatEditorPage(*m_editor).decimalMarkButton(1)->click();
        FormatEditorPage(*m_editor).dialectBox(0)->click();
        FormatEditorPage(*m_editor).dialectBox(3)->click();

        // A change of the dialect alone is a change of the format.
        m_interaction.answers = {MessageAnswer::Cancel};
        QVERIFY(!m_editor->confirmChanges());
        QCOMPARE(m_interaction.messages.back().text,
                 FormatEditorRules::changedMessage(QStringLiteral("penzd semicolon")));
        QVERIFY(!QFile::exists(dialect));

        FormatEditorPage(*m_editor).saveButton()->click();
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
        QVERIFY(FormatEditorPage(*m_editor).decimalMarkButton(1)->isChecked());
        QCOMPARE(checked(FormatEditorControls::dialectBoxes), (QList<bool>{true, true, false, true}));

        // Back to the plain dialect: the format is again one that any version reads alike.
        FormatEditorPage(*m_editor).decimalMarkButton(0)->click();
        FormatEditorPage(*m_editor).dialectBox(0)->click();
        FormatEditorPage(*m_editor).dialectBox(3)->click();
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
        FormatEditorPage(*m_editor).separatorButton(0)->click();
        FormatEditorPage(*m_editor).saveButton()->click();
        QCOMPARE(m_interaction.messages.size(), std::size_t(1));
        QCOMPARE(m_interaction.messages[0].icon, MessageIcon::Error);
        QCOMPARE(m_interaction.messages[0].text,
                 QStringLiteral("A format with comma decimals cannot have a comma as its separator: \"1,512340,125\" "
                                "could not be told apart. Choose a semicolon or a tab as the separator, or a point "
                                "as the decimal mark."));
        QVERIFY(m_editor->focusWidget() != nullptr);
        QCOMPARE(m_editor->focusWidget()->objectName(), QLatin1String(FormatEditorControls::decimalMarkButtons[1]));
        QCOMPARE(QDir(m_formats).entryList(QDir::Files, QDir::Name), files);
        for (qsizetype i = 0; i < files.size(); ++i) {
            QCOMPARE(readFile(m_formats + '/' + files[i]), contents[i]);
        }

        // New refuses it the same way and lists nothing.
        m_interaction.dialogScripts.push_back(answerPrompt(QStringLiteral("mine")));
        FormatEditorPage(*m_editor).newButton()->click();
        QCOMPARE(m_interaction.messages.size(), std::size_t(2));
        QCOMPARE(m_interaction.messages[1].text, m_interaction.messages[0].text);
        QCOMPARE(QDir(m_formats).entryList(QDir::Files, QDir::Name), files);
        QVERIFY(!items(*FormatEditorPage(*m_editor).formatList()).contains(QStringLiteral("mine")));
    }

    void newRenameAndDeleteCarryTheDialect()
    {
        QVERIFY(m_editor->prepare(QStringLiteral("penzd tab")));
        FormatEditorPage(*m_editor).decimalMarkButton(1)->click();
        m_interaction.dialogScripts.push_back(answerPrompt(QStringLiteral("comma tab")));
        FormatEditorPage(*m_editor).newButton()->click();
        QCOMPARE(formats::readDialect(toPath(m_installDir), "comma tab").decimalMark, formats::DecimalMark::Comma);
        QVERIFY(!QFile::exists(m_formats + QStringLiteral("/penzd tab.dialect")));

        m_interaction.dialogScripts.push_back(answerPrompt(QStringLiteral("decimal commas")));
        FormatEditorPage(*m_editor).renameButton()->click();
        QVERIFY(!QFile::exists(m_formats + QStringLiteral("/comma tab.dialect")));
        QCOMPARE(formats::readDialect(toPath(m_installDir), "decimal commas").decimalMark, formats::DecimalMark::Comma);

        m_interaction.answers = {MessageAnswer::Yes};
        FormatEditorPage(*m_editor).deleteButton()->click();
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
        for (const char* name : FormatEditorControls::decimalMarkButtons) {
            enabled += control<QWidget>(*m_editor, name)->isEnabled() ? 1 : 0;
        }
        for (const char* name : FormatEditorControls::dialectBoxes) {
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
