#include "app/AppTestSupport.h"
#include "app/files/ExtensionListDialog.h"
#include "app/files/FilePages.h"
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
            seen << dialog.windowTitle() << ExtensionListPage(dialog).entryList()->currentItem()->text()
                 << ExtensionListPage(dialog).nameEdit()->text() << ExtensionListPage(dialog).extensionsEdit()->text()
                 << ExtensionListPage(dialog).nameEdit()->toolTip()
                 << ExtensionListPage(dialog).extensionsEdit()->toolTip();
            return int(QDialog::Rejected);
        });
        openDialog();
        QCOMPARE(seen, (QStringList{" Files extension list", "Text files", "Text files", "txt;asc;csv;xyz;pts",
                                    "Name to be displayed", "Extensions used. Separated with semicolon."}));
        QCOMPARE(m_interaction.calls,
                 (QStringList{"opacity: 200", dialogCall(ExtensionListControls::window), "opacity: 255"}));
    }

    void selectingAnEntryShowsItsNameAndExtensions()
    {
        QStringList seen;
        m_interaction.dialogScripts.push_back([&seen](QDialog& dialog) {
            ExtensionListPage(dialog).entryList()->setCurrentRow(1);
            seen << ExtensionListPage(dialog).nameEdit()->text() << ExtensionListPage(dialog).extensionsEdit()->text();
            return int(QDialog::Rejected);
        });
        openDialog();
        QCOMPARE(seen, (QStringList{"Excel files", "xls"}));
    }

    void newThenCloseSavesTheLineAndRefreshesTheWindow()
    {
        m_interaction.dialogScripts.push_back([](QDialog& dialog) {
            ExtensionListPage(dialog).newButton()->click();
            auto* list = ExtensionListPage(dialog).entryList();
            [&] {
                QCOMPARE(list->count(), 3);
                QCOMPARE(list->currentItem()->text(), QStringLiteral("New"));
                QCOMPARE(ExtensionListPage(dialog).extensionsEdit()->text(), QStringLiteral("typ"));
            }();
            ExtensionListPage(dialog).closeButton()->click();
            return dialog.result();
        });
        openDialog();
        QCOMPARE(readFile(extFile()),
                 QByteArray("Text files | txt;asc;csv;xyz;pts\r\nExcel files | xls\r\nNew | typ\r\n"));
        auto* types = FileSelectionPage(*m_window).fileTypeList();
        QCOMPARE(comboItems(*types), (QStringList{"Text files", "Excel files", "New"}));
        QCOMPARE(types->currentIndex(), 0);
    }

    void applyReplacesTheSelectedLine()
    {
        m_interaction.dialogScripts.push_back([](QDialog& dialog) {
            ExtensionListPage(dialog).nameEdit()->setText(QStringLiteral("Typ files"));
            ExtensionListPage(dialog).extensionsEdit()->setText(QStringLiteral("typ ; ; dat"));
            ExtensionListPage(dialog).applyButton()->click();
            [&] { QCOMPARE(ExtensionListPage(dialog).entryList()->item(0)->text(), QStringLiteral("Typ files")); }();
            ExtensionListPage(dialog).closeButton()->click();
            return dialog.result();
        });
        openDialog();
        QCOMPARE(readFile(extFile()), QByteArray("Typ files | typ ; ; dat\r\nExcel files | xls\r\n"));
        QCOMPARE(comboItems(*FileSelectionPage(*m_window).fileTypeList()), (QStringList{"Typ files", "Excel files"}));
        QCOMPARE(m_window->selectedFiles(), QStringList{"b.typ"});
        auto* files = FileSelectionPage(*m_window).fileList();
        QCOMPARE(files->count(), 2);
        QCOMPARE(files->item(1)->text(), QStringLiteral("d.dat"));
    }

    void afterCloseTheFirstTypeIsSelectedWhateverWasBefore()
    {
        auto* types = FileSelectionPage(*m_window).fileTypeList();
        types->setFocus();
        QTest::keyClick(types, Qt::Key_Down);
        QCOMPARE(types->currentIndex(), 1);
        m_interaction.dialogScripts.push_back([](QDialog& dialog) {
            ExtensionListPage(dialog).closeButton()->click();
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
            ExtensionListPage(dialog).entryList()->setCurrentRow(1);
            ExtensionListPage(dialog).deleteButton()->click();
            [&] {
                QCOMPARE(ExtensionListPage(dialog).entryList()->count(), 1);
                QCOMPARE(ExtensionListPage(dialog).entryList()->currentRow(), 0);
            }();
            ExtensionListPage(dialog).deleteButton()->click();
            ExtensionListPage(dialog).closeButton()->click();
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
            ExtensionListPage(dialog).deleteButton()->click();
            ExtensionListPage(dialog).closeButton()->click();
            return dialog.result();
        });
        openDialog();
        QCOMPARE(m_interaction.messages.size(), std::size_t(1));
        QCOMPARE(m_interaction.messages[0].text, QStringLiteral("Delete \"Text files\" ?"));
        QCOMPARE(comboItems(*FileSelectionPage(*m_window).fileTypeList()), (QStringList{"Text files", "Excel files"}));
    }

    void helpDoesNothing()
    {
        m_interaction.dialogScripts.push_back([](QDialog& dialog) {
            ExtensionListPage(dialog).helpButton()->click();
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
        auto* fileType = FileSelectionPage(*m_window).fileTypeList();
        const QString shownType = fileType->currentText();
        m_interaction.answers.push_back(MessageAnswer::Yes);
        m_interaction.dialogScripts.push_back([](QDialog& dialog) {
            ExtensionListPage(dialog).newButton()->click();
            ExtensionListPage(dialog).deleteButton()->click();
            return int(QDialog::Rejected);
        });
        int entriesOnReopen = 0;
        m_interaction.dialogScripts.push_back([&entriesOnReopen](QDialog& dialog) {
            entriesOnReopen = ExtensionListPage(dialog).entryList()->count();
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
            ExtensionListPage(dialog).newButton()->click();
            ExtensionListPage(dialog).closeButton()->click();
            return dialog.result();
        });
        openDialog();
        QCOMPARE(m_interaction.messages.size(), std::size_t(1));
        QCOMPARE(m_interaction.messages[0].icon, MessageIcon::Error);
        QVERIFY2(m_interaction.messages[0].text.contains(QStringLiteral("mervalon40.ext")),
                 qPrintable(m_interaction.messages[0].text));
        QCOMPARE(FileSelectionPage(*m_window).fileTypeList()->count(), 3);
    }

  private:
    void openDialog() { FileSelectionPage(*m_window).extensionsButton()->click(); }
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
