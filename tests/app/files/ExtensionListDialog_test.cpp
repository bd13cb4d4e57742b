#include "app/AppTestSupport.h"
#include "app/files/ExtensionListDialog.h"
#include "core/config/InstallationSeed.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>

using namespace mervalon::app;
using namespace mervalon::app::testing;

namespace {

QStringList comboItems(const QComboBox& combo)
{
    QStringList items;
    for (int i = 0; i < combo.count(); ++i) {
        items << combo.itemText(i);
    }
    return items;
}

void click(const QDialog& dialog, const char* name)
{
    control<QPushButton>(dialog, name)->click();
}

} // namespace

class ExtensionListDialogTest : public QObject {
    Q_OBJECT
  public:
    explicit ExtensionListDialogTest(TestEnvironment& environment) : m_environment(environment) {}

  private slots:
    void init()
    {
        m_environment.reset();
        m_installDir = TestEnvironment::install();
        m_survey = m_environment.home() + QStringLiteral("/survey");
        for (const char* name : {"a.txt", "b.typ", "c.xls", "d.dat"}) {
            writeFile(m_survey + '/' + QLatin1String(name));
        }
        storeValue("lastpath", m_survey);
        // The dialog is tested on a list of two types, which the start must leave as it is.
        writeFile(extFile(), "Text files | txt;asc;csv;xyz;pts\r\nExcel files | xls\r\n");
        writeFile(QString::fromStdString(mervalon::config::offeredFileTypesPath(m_installDir.toStdString()).string()),
                  "Spreadsheets | xls;xlsx;ods\r\n");
        m_program = startProgram(m_interaction);
        m_window = &m_program->mainWindow();
    }
    void cleanup()
    {
        m_program.reset();
        m_interaction = FakeInteraction();
    }

    void openingShowsTheFirstEntryAndDimsTheMainWindow()
    {
        QStringList seen;
        m_interaction.dialogScripts.push_back([&seen](QDialog& dialog) {
            seen << dialog.windowTitle() << control<QListWidget>(dialog, "ListBox1")->currentItem()->text()
                 << control<QLineEdit>(dialog, "Edit1")->text() << control<QLineEdit>(dialog, "Edit2")->text()
                 << control<QLineEdit>(dialog, "Edit1")->toolTip() << control<QLineEdit>(dialog, "Edit2")->toolTip();
            return int(QDialog::Rejected);
        });
        openDialog();
        QCOMPARE(seen, (QStringList{" Files extension list", "Text files", "Text files", "txt;asc;csv;xyz;pts",
                                    "Name to be displayed", "Extensions used. Separated with semicolon."}));
        QCOMPARE(m_interaction.calls, (QStringList{"opacity: 200", "dialog: TForm9", "opacity: 255"}));
    }

    void selectingAnEntryShowsItsNameAndExtensions()
    {
        QStringList seen;
        m_interaction.dialogScripts.push_back([&seen](QDialog& dialog) {
            control<QListWidget>(dialog, "ListBox1")->setCurrentRow(1);
            seen << control<QLineEdit>(dialog, "Edit1")->text() << control<QLineEdit>(dialog, "Edit2")->text();
            return int(QDialog::Rejected);
        });
        openDialog();
        QCOMPARE(seen, (QStringList{"Excel files", "xls"}));
    }

    void newThenCloseSavesTheLineAndRefreshesTheWindow()
    {
        m_interaction.dialogScripts.push_back([](QDialog& dialog) {
            click(dialog, "SpeedButton1");
            auto* list = control<QListWidget>(dialog, "ListBox1");
            [&] {
                QCOMPARE(list->count(), 3);
                QCOMPARE(list->currentItem()->text(), QStringLiteral("New"));
                QCOMPARE(control<QLineEdit>(dialog, "Edit2")->text(), QStringLiteral("typ"));
            }();
            click(dialog, "SpeedButton2");
            return dialog.result();
        });
        openDialog();
        QCOMPARE(readFile(extFile()),
                 QByteArray("Text files | txt;asc;csv;xyz;pts\r\nExcel files | xls\r\nNew | typ\r\n"));
        auto* types = control<QComboBox>(*m_window, "typfic");
        QCOMPARE(comboItems(*types), (QStringList{"Text files", "Excel files", "New"}));
        QCOMPARE(types->currentIndex(), 0);
    }

    void applyReplacesTheSelectedLine()
    {
        m_interaction.dialogScripts.push_back([](QDialog& dialog) {
            control<QLineEdit>(dialog, "Edit1")->setText(QStringLiteral("Typ files"));
            control<QLineEdit>(dialog, "Edit2")->setText(QStringLiteral("typ ; ; dat"));
            click(dialog, "SpeedButton5");
            [&] { QCOMPARE(control<QListWidget>(dialog, "ListBox1")->item(0)->text(), QStringLiteral("Typ files")); }();
            click(dialog, "SpeedButton2");
            return dialog.result();
        });
        openDialog();
        QCOMPARE(readFile(extFile()), QByteArray("Typ files | typ ; ; dat\r\nExcel files | xls\r\n"));
        QCOMPARE(comboItems(*control<QComboBox>(*m_window, "typfic")), (QStringList{"Typ files", "Excel files"}));
        QCOMPARE(m_window->selectedFiles(), QStringList{"b.typ"});
        auto* files = control<QListWidget>(*m_window, "fl1");
        QCOMPARE(files->count(), 2);
        QCOMPARE(files->item(1)->text(), QStringLiteral("d.dat"));
    }

    void afterCloseTheFirstTypeIsSelectedWhateverWasBefore()
    {
        auto* types = control<QComboBox>(*m_window, "typfic");
        types->setFocus();
        QTest::keyClick(types, Qt::Key_Down);
        QCOMPARE(types->currentIndex(), 1);
        m_interaction.dialogScripts.push_back([](QDialog& dialog) {
            click(dialog, "SpeedButton2");
            return dialog.result();
        });
        openDialog();
        QCOMPARE(types->currentIndex(), 0);
        QCOMPARE(m_window->selectedFiles(), QStringList{"a.txt"});
    }

    void deleteAsksAndTheLastEntryCannotBeDeleted()
    {
        m_interaction.answers = {MessageAnswer::Yes};
        m_interaction.dialogScripts.push_back([](QDialog& dialog) {
            control<QListWidget>(dialog, "ListBox1")->setCurrentRow(1);
            click(dialog, "SpeedButton6");
            [&] {
                QCOMPARE(control<QListWidget>(dialog, "ListBox1")->count(), 1);
                QCOMPARE(control<QListWidget>(dialog, "ListBox1")->currentRow(), 0);
            }();
            click(dialog, "SpeedButton6");
            click(dialog, "SpeedButton2");
            return dialog.result();
        });
        openDialog();
        QCOMPARE(m_interaction.messages.size(), std::size_t(2));
        QCOMPARE(m_interaction.messages[0].text, QStringLiteral("Delete \"Excel files\" ?"));
        QCOMPARE(m_interaction.messages[0].icon, MessageIcon::Confirmation);
        QCOMPARE(m_interaction.messages[0].buttons, MessageButtons::YesNo);
        QCOMPARE(m_interaction.messages[1].text,
                 QStringLiteral("Cannot delete this item. There must be at least one file type in the list. "));
        QCOMPARE(m_interaction.messages[1].icon, MessageIcon::Error);
        QCOMPARE(m_interaction.messages[1].buttons, MessageButtons::Ok);
        QCOMPARE(readFile(extFile()), QByteArray("Text files | txt;asc;csv;xyz;pts\r\n"));
    }

    void answeringNoKeepsTheEntry()
    {
        m_interaction.answers = {MessageAnswer::No};
        m_interaction.dialogScripts.push_back([](QDialog& dialog) {
            click(dialog, "SpeedButton6");
            click(dialog, "SpeedButton2");
            return dialog.result();
        });
        openDialog();
        QCOMPARE(m_interaction.messages.size(), std::size_t(1));
        QCOMPARE(m_interaction.messages[0].text, QStringLiteral("Delete \"Text files\" ?"));
        QCOMPARE(comboItems(*control<QComboBox>(*m_window, "typfic")), (QStringList{"Text files", "Excel files"}));
    }

    void helpDoesNothing()
    {
        m_interaction.dialogScripts.push_back([](QDialog& dialog) {
            click(dialog, "SpeedButton7");
            return dialog.isVisible() ? int(QDialog::Rejected) : -1;
        });
        const QByteArray before = readFile(extFile());
        openDialog();
        QCOMPARE(m_interaction.messages.size(), std::size_t(0));
        QCOMPARE(readFile(extFile()), before);
    }

    void theCloseBoxOrEscapeDropsTheEdits()
    {
        // Deleting "Text files" and leaving by Escape must not leave the window filtering with
        // a list that no longer holds the type it shows.
        const QByteArray before = readFile(extFile());
        auto* fileType = control<QComboBox>(*m_window, "typfic");
        const QString shownType = fileType->currentText();
        m_interaction.answers.push_back(MessageAnswer::Yes);
        m_interaction.dialogScripts.push_back([](QDialog& dialog) {
            click(dialog, "SpeedButton1");
            click(dialog, "SpeedButton6");
            return int(QDialog::Rejected);
        });
        int entriesOnReopen = 0;
        m_interaction.dialogScripts.push_back([&entriesOnReopen](QDialog& dialog) {
            entriesOnReopen = control<QListWidget>(dialog, "ListBox1")->count();
            return int(QDialog::Rejected);
        });
        openDialog();
        QCOMPARE(readFile(extFile()), before);
        QCOMPARE(fileType->count(), 2);
        QCOMPARE(fileType->currentText(), shownType);
        openDialog();
        QCOMPARE(entriesOnReopen, 2);
    }

    void aListThatCannotBeSavedIsReported()
    {
        QVERIFY(QFile::remove(extFile()));
        QVERIFY(QDir().mkpath(extFile()));
        m_interaction.dialogScripts.push_back([](QDialog& dialog) {
            click(dialog, "SpeedButton1");
            click(dialog, "SpeedButton2");
            return dialog.result();
        });
        openDialog();
        QCOMPARE(m_interaction.messages.size(), std::size_t(1));
        QCOMPARE(m_interaction.messages[0].icon, MessageIcon::Error);
        QVERIFY2(m_interaction.messages[0].text.contains(QStringLiteral("mervalon40.ext")),
                 qPrintable(m_interaction.messages[0].text));
        QCOMPARE(control<QComboBox>(*m_window, "typfic")->count(), 3);
    }

  private:
    void openDialog() { control<QToolButton>(*m_window, "SpeedButton15")->click(); }
    QString extFile() const { return m_installDir + QStringLiteral("/mervalon40.ext"); }

    TestEnvironment& m_environment;
    FakeInteraction m_interaction;
    std::unique_ptr<Program> m_program;
    MainWindow* m_window = nullptr;
    QString m_installDir;
    QString m_survey;
};

MERVALON_APP_TEST_MAIN(ExtensionListDialogTest)
#include "ExtensionListDialog_test.moc"
