#include "app/AppTestSupport.h"
#include "app/common/ElidedLabel.h"
#include "app/files/DestinationFolderDialog.h"
#include "app/files/FilePages.h"
#include "app/files/FileSelectionPanel.h"
#include "app/files/FolderTreeModel.h"
#include "app/files/FolderTreeView.h"
#include "app/mainwindow/MainWindowPage.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QToolButton>

using namespace mervalon::app;
using namespace mervalon::app::testing;

namespace {

QStringList listed(const QListWidget& list)
{
    QStringList names;
    for (int i = 0; i < list.count(); ++i) {
        names << list.item(i)->text();
    }
    return names;
}

} // namespace

class FileSelectionTest : public QObject {
    Q_OBJECT
  public:
    explicit FileSelectionTest(TestEnvironment& environment) : m_environment(environment) {}

  private slots:
    void init()
    {
        m_environment.reset();
        m_survey = m_environment.home() + QStringLiteral("/survey");
        m_other = m_environment.home() + QStringLiteral("/other");
        m_empty = m_environment.home() + QStringLiteral("/empty");
        for (const char* name : {"a.txt", "B.TXT", "c.asc", "d.xls", "e.dat"}) {
            writeFile(m_survey + '/' + QLatin1String(name), "1,2,3\r\n");
        }
        writeFile(m_other + QStringLiteral("/f.txt"));
        writeFile(m_other + QStringLiteral("/g.pts"));
        QDir().mkpath(m_empty);
        (void)TestEnvironment::install();
        storeValue("lastpath", m_survey);
        storeValue("lastpath2", QStringLiteral("/var/tmp"));
        storeValue("locked", 0);
        m_program = startProgram(m_interaction);
        m_window = &m_program->mainWindow();
    }
    void cleanup()
    {
        m_program.reset();
        m_interaction = FakeInteraction();
    }

    void theFirstTypeListsMatchingFilesWhateverTheirCase()
    {
        QCOMPARE(listed(*fileList()), (QStringList{"a.txt", "B.TXT", "c.asc"}));
        QCOMPARE(m_window->selectedFiles(), QStringList{"a.txt"});
        QCOMPARE(FileSelectionPage(*m_window).selectedCountLabel()->text(), QStringLiteral("1 selected."));
        // The folder's whole path; what is shown of it depends on the label's width.
        QCOMPARE(FileSelectionPage(*m_window).folderPathLabel()->fullText(), m_survey);
        QVERIFY(MainWindowPage(*m_window).createButton()->isEnabled());
        QCOMPARE(FileSelectionPage(*m_window).destinationEdit()->text(), QStringLiteral("/var/tmp"));
    }

    void theFileListIsWideEnoughAndNamesAreWholeInTheirTooltips()
    {
        auto* splitter = FileSelectionPage(*m_window).splitter();
        QVERIFY(!splitter->childrenCollapsible());
        const QList<int> sizes = splitter->sizes();
        const int total = sizes[0] + sizes[1];
        // Each side gives way to the other: the handle moves both ways.
        splitter->setSizes({total - 90, 90});
        QCOMPARE(splitter->sizes()[1], 90);
        splitter->setSizes({90, total - 90});
        QCOMPARE(splitter->sizes()[0], 90);
        for (int row = 0; row < fileList()->count(); ++row) {
            QCOMPARE(fileList()->item(row)->toolTip(), fileList()->item(row)->text());
        }
        auto* description = MainWindowPage(*m_window).formatDescription();
        QVERIFY(!description->fullText().isEmpty());
        QCOMPARE(description->toolTip(), description->fullText());
    }

    void foldersMadeLaterAppearOnExpandingAndOnF5()
    {
        FolderTreeView* tree = folderTree();
        FolderTreeModel& model = tree->folderModel();
        tree->selectPath(m_survey);
        const QModelIndex home = model.indexForPath(m_environment.home());
        const auto children = [&] {
            QStringList names;
            for (int row = 0; row < model.rowCount(home); ++row) {
                names << model.index(row, 0, home).data().toString();
            }
            return names;
        };
        QVERIFY(!children().contains(QStringLiteral("made later")));
        QDir().mkpath(m_environment.home() + QStringLiteral("/made later"));
        QTest::keyClick(tree, Qt::Key_F5);
        QVERIFY(children().contains(QStringLiteral("made later")));
        QCOMPARE(tree->selectedPath(), m_survey); // the current folder stays
        QCOMPARE(m_window->files().inputFolder(), m_survey);

        QDir().mkpath(m_environment.home() + QStringLiteral("/made after that"));
        QVERIFY(QDir(m_environment.home() + QStringLiteral("/made later")).removeRecursively());
        tree->collapse(home);
        tree->expand(home);
        QVERIFY(children().contains(QStringLiteral("made after that")));
        QVERIFY(!children().contains(QStringLiteral("made later")));
        QVERIFY(tree->isExpanded(model.indexForPath(m_environment.home())));
    }

    void theDestinationDialogMakesANewFolder_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message"); // empty: made
        QTest::newRow("plain") << "drawings 2024"
                               << "";
        QTest::newRow("slash") << "a/b"
                               << "\"a/b\" cannot be a folder name.";
        QTest::newRow("dot dot") << ".."
                                 << "\"..\" cannot be a folder name.";
        QTest::newRow("exists") << "other"
                                << "%1/other exists already.";
    }

    void theDestinationDialogMakesANewFolder()
    {
        QFETCH(QString, typed);
        QFETCH(QString, message);
        DestinationFolderDialog& dialog = m_program->destinationDialog();
        dialog.folderTree().selectPath(m_environment.home());
        QVERIFY(DestinationFolderPage(dialog).newFolderButton()->isEnabled());
        m_interaction.dialogScripts.push_back([&](QDialog& prompt) {
            static_cast<QInputDialog&>(prompt).setTextValue(typed);
            return int(QDialog::Accepted);
        });
        DestinationFolderPage(dialog).newFolderButton()->click();
        if (message.isEmpty()) {
            QVERIFY(m_interaction.messages.empty());
            QVERIFY(QFileInfo(m_environment.home() + '/' + typed).isDir());
            QCOMPARE(dialog.selectedPath(), m_environment.home() + '/' + typed);
        } else {
            QCOMPARE(m_interaction.messages.size(), std::size_t(1));
            QCOMPARE(m_interaction.messages[0].text, message.arg(m_environment.home()));
            QCOMPARE(dialog.selectedPath(), m_environment.home());
        }
        QCOMPARE(m_interaction.calls.filter(dialogCall(DestinationFolderControls::newFolderPrompt)).size(), 1);
    }

    void aLongPathIsElidedInTheMiddleWithTheWholePathInTheTooltip()
    {
        const QString deep = m_environment.home() + QStringLiteral("/") + QString(60, QLatin1Char('a')) +
                             QStringLiteral("/") + QString(60, QLatin1Char('b')) + QStringLiteral("/job 2024-117");
        QDir().mkpath(deep);
        folderTree()->selectPath(deep);
        auto* path = FileSelectionPage(*m_window).folderPathLabel();
        QVERIFY2(path->text().contains(QChar(0x2026)), qPrintable(path->text()));
        QVERIFY(path->text().startsWith(m_environment.home().left(4)));
        QVERIFY(path->text().endsWith(QStringLiteral("job 2024-117")));
        QCOMPARE(path->toolTip(), deep);
    }

    void choosingAnotherTypeChangesTheMask()
    {
        auto* types = FileSelectionPage(*m_window).fileTypeList();
        types->setFocus();
        QTest::keyClick(types, Qt::Key_Down);
        QCOMPARE(types->currentIndex(), 1);
        QCOMPARE(listed(*fileList()), QStringList{"d.xls"});
        QCOMPARE(m_window->currentExtensionsText(), QStringLiteral("xls"));
    }

    void autoSelectSelectsEveryListedFile()
    {
        FileSelectionPage(*m_window).autoSelectBox()->click();
        QCOMPARE(m_window->selectedFiles(), (QStringList{"a.txt", "B.TXT", "c.asc"}));
        QCOMPARE(FileSelectionPage(*m_window).selectedCountLabel()->text(), QStringLiteral("3 selected."));
        folderTree()->selectPath(m_other);
        QCOMPARE(m_window->selectedFiles(), (QStringList{"f.txt", "g.pts"}));
        QCOMPARE(FileSelectionPage(*m_window).selectedCountLabel()->text(), QStringLiteral("2 selected."));
        // Unchecking changes no selection.
        fileList()->setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
        FileSelectionPage(*m_window).autoSelectBox()->click();
        QCOMPARE(m_window->selectedFiles(), QStringList{"f.txt"});
    }

    void clickingWithCtrlAddsToTheSelectionAndTheCount()
    {
        QListWidget* list = fileList();
        const QRect third = list->visualItemRect(list->item(2));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, third.center());
        QCOMPARE(m_window->selectedFiles(), (QStringList{"a.txt", "c.asc"}));
        QCOMPARE(FileSelectionPage(*m_window).selectedCountLabel()->text(), QStringLiteral("2 selected."));
    }

    void aVirtualNodeEmptiesTheListAndDisablesTheCommands()
    {
        FolderTreeView* tree = folderTree();
        tree->setCurrentIndex(tree->folderModel().computerIndex());
        QCOMPARE(fileList()->count(), 0);
        QVERIFY(!MainWindowPage(*m_window).createButton()->isEnabled());
        QVERIFY(!FileSelectionPage(*m_window).previewAction()->isEnabled());
        QCOMPARE(FileSelectionPage(*m_window).selectedCountLabel()->text(), QStringLiteral("0 selected."));
    }

    void aFolderWithoutMatchingFilesDisablesCreate()
    {
        folderTree()->selectPath(m_empty);
        QCOMPARE(fileList()->count(), 0);
        QVERIFY(!MainWindowPage(*m_window).createButton()->isEnabled());
        folderTree()->selectPath(m_other);
        QVERIFY(MainWindowPage(*m_window).createButton()->isEnabled());
    }

    void aFolderThatVanishedShowsNothingAndDisablesTheCommands()
    {
        // Never the previous folder's files under the new path, with "Create DXF Files..." on.
        QVERIFY(QDir(m_survey).removeRecursively());
        FileSelectionPage(*m_window).refreshFolderAction()->trigger();
        QCOMPARE(fileList()->count(), 0);
        QVERIFY(!MainWindowPage(*m_window).createButton()->isEnabled());
        folderTree()->selectPath(m_other);
        QVERIFY(MainWindowPage(*m_window).createButton()->isEnabled());
        QVERIFY(QDir(m_other).removeRecursively());
        emit folderTree()->folderSelected(m_other);
        QCOMPARE(fileList()->count(), 0);
        QVERIFY(!MainWindowPage(*m_window).createButton()->isEnabled());
        QVERIFY(!FileSelectionPage(*m_window).previewAction()->isEnabled());
        QCOMPARE(m_interaction.messages.size(), std::size_t(0));
    }

    void refreshFolderRereadsItAndSelectsTheFirstFile()
    {
        writeFile(m_survey + QStringLiteral("/0new.txt"));
        FileSelectionPage(*m_window).refreshFolderAction()->trigger();
        QCOMPARE(listed(*fileList()), (QStringList{"0new.txt", "a.txt", "B.TXT", "c.asc"}));
        QCOMPARE(m_window->selectedFiles(), QStringList{"0new.txt"});
    }

    void aRightClickSelectsTheFileUnderThePointerAndOpensTheMenu()
    {
        QListWidget* list = fileList();
        list->selectAll();
        const QPoint second = list->visualItemRect(list->item(1)).center();
        QTest::mouseRelease(list->viewport(), Qt::RightButton, {}, second);
        QCOMPARE(m_window->selectedFiles(), QStringList{"B.TXT"});
        auto* menu = FileSelectionPage(*m_window).fileMenu();
        QTRY_VERIFY(menu->isVisible());
        QVERIFY(FileSelectionPage(*m_window).previewAction()->isEnabled());
        QCOMPARE(FileSelectionPage(*m_window).previewAction()->text(), QStringLiteral("View/Edit file"));
        menu->hide();
    }

    void whileLockedTheDestinationFollowsTheInputFolder()
    {
        auto* locked = FileSelectionPage(*m_window).lockedButton();
        auto* unlocked = FileSelectionPage(*m_window).unlockedButton();
        auto* browse = FileSelectionPage(*m_window).browseButton();
        auto* destination = FileSelectionPage(*m_window).destinationEdit();
        QVERIFY(!locked->isVisible() && unlocked->isVisible() && browse->isEnabled());

        unlocked->click();
        QVERIFY(locked->isVisible() && !unlocked->isVisible() && !browse->isEnabled());
        QVERIFY(locked->isChecked());
        QCOMPARE(destination->text(), m_survey);
        folderTree()->selectPath(m_other);
        QCOMPARE(destination->text(), m_other);

        locked->click();
        QVERIFY(!locked->isVisible() && unlocked->isVisible() && browse->isEnabled());
        QVERIFY(!unlocked->isChecked());
        QCOMPARE(destination->text(), m_other);
        folderTree()->selectPath(m_survey);
        QCOMPARE(destination->text(), m_other);
    }

    void lockedAtStartShowsTheInputFolder()
    {
        m_program.reset();
        storeValue("locked", 1);
        m_program = startProgram(m_interaction);
        m_window = &m_program->mainWindow();
        QCOMPARE(FileSelectionPage(*m_window).destinationEdit()->text(), m_survey);
        QVERIFY(!FileSelectionPage(*m_window).browseButton()->isEnabled());
    }

    void theDestinationDialogSetsTheChosenFolder()
    {
        m_interaction.dialogScripts.push_back([this](QDialog& dialog) {
            [&] {
                QCOMPARE(dialog.windowTitle(), QStringLiteral(" Destination Directory for DXF Files"));
                auto* tree = DestinationFolderPage(dialog).folderTree();
                auto* select = DestinationFolderPage(dialog).selectButton();
                QCOMPARE(select->text(), QStringLiteral("Select "));
                QCOMPARE(DestinationFolderPage(dialog).cancelButton()->text(), QStringLiteral("Cancel "));
                tree->setCurrentIndex(tree->folderModel().computerIndex());
                QVERIFY(!select->isEnabled());
                tree->selectPath(m_other);
                QCOMPARE(DestinationFolderPage(dialog).pathLabel()->text(), m_other);
                QVERIFY(select->isEnabled());
                select->click();
            }();
            return dialog.result();
        });
        FileSelectionPage(*m_window).browseButton()->click();
        QCOMPARE(m_interaction.calls, QStringList{dialogCall(DestinationFolderControls::window)});
        QCOMPARE(FileSelectionPage(*m_window).destinationEdit()->text(), m_other);
    }

    void cancellingTheDestinationDialogChangesNothingAndItReopensWhereLeft()
    {
        m_interaction.dialogScripts.push_back([this](QDialog& dialog) {
            DestinationFolderPage(dialog).folderTree()->selectPath(m_empty);
            DestinationFolderPage(dialog).cancelButton()->click();
            return dialog.result();
        });
        QString reopenedOn;
        m_interaction.dialogScripts.push_back([&reopenedOn](QDialog& dialog) {
            reopenedOn = DestinationFolderPage(dialog).folderTree()->selectedPath();
            return int(QDialog::Rejected);
        });
        FileSelectionPage(*m_window).browseButton()->click();
        QCOMPARE(FileSelectionPage(*m_window).destinationEdit()->text(), QStringLiteral("/var/tmp"));
        FileSelectionPage(*m_window).browseButton()->click();
        QCOMPARE(reopenedOn, m_empty);
    }

    void theFolderTreeReachesNestedFoldersAndStopsAtMissingOnes()
    {
        const QString deep = m_survey + QStringLiteral("/a/b/c");
        QDir().mkpath(deep);
        folderTree()->selectPath(deep);
        QCOMPARE(folderTree()->selectedPath(), deep);
        folderTree()->selectPath(m_survey + QStringLiteral("/a/missing/x"));
        QCOMPARE(folderTree()->selectedPath(), m_survey + QStringLiteral("/a"));
        folderTree()->selectPath(QStringLiteral("/"));
        QCOMPARE(folderTree()->selectedPath(), QStringLiteral("/"));
    }

  private:
    QListWidget* fileList() const { return FileSelectionPage(*m_window).fileList(); }
    FolderTreeView* folderTree() const { return FileSelectionPage(*m_window).folderTree(); }

    TestEnvironment& m_environment;
    FakeInteraction m_interaction;
    std::unique_ptr<Program> m_program;
    MainWindow* m_window = nullptr;
    QString m_survey;
    QString m_other;
    QString m_empty;
};

MERVALON_APP_TEST_MAIN(FileSelectionTest)
#include "FileSelection_test.moc"
