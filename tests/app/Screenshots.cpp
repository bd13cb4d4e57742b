// Saves a picture of each window, each entity tab included, and of the spreadsheet preview with
// its row menu open, for the manual (scripts/help-screenshots.sh copies them into
// data/help/images) and for looking at the layout under other fonts or scale factors:
//   app_screenshots <output folder>
// Run it with a temporary HOME: it makes a per-user installation there. A window that the
// program does not have (yet) is left out; every picture taken is listed on the output. The row
// menu is a window of its own, so its picture is taken from the screen: run under Xvfb
// (xvfb-run) for that one.

#include "app/AppTestSupport.h"
#include "app/codes/CodeLibraryEditor.h"
#include "app/codes/CodeLibraryPages.h"
#include "app/entities/EntityPages.h"
#include "app/entities/EntityPanels.h"
#include "app/entities/EntityPanelsControls.h"
#include "app/files/DestinationFolderDialog.h"
#include "app/files/ExtensionListDialog.h"
#include "app/files/FilePages.h"
#include "app/files/FileSelectionControls.h"
#include "app/files/FileSelectionPanel.h"
#include "app/help/ActiveHelp.h"
#include "app/help/ActiveHelpWindow.h"
#include "app/mainwindow/MainWindowControls.h"
#include "app/mainwindow/MainWindowPage.h"
#include "app/run/ProgressWindow.h"
#include "app/settings/RunOptions.h"
#include "app/spreadsheet/SpreadsheetPreview.h"
#include "app/spreadsheet/SpreadsheetPreviewPage.h"
#include "app/viewers/Viewers.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QHeaderView>
#include <QInputDialog>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTextBrowser>
#include <QToolButton>

using namespace mervalon::app;
using namespace mervalon::app::testing;
using mervalon::config::EntityKind;

namespace {

void save(QWidget& widget, const QString& path)
{
    QTest::qWait(200);
    if (widget.grab().save(path)) {
        qInfo("picture: %s", qPrintable(path));
    } else {
        qWarning("cannot save %s", qPrintable(path));
    }
}

/// Clicks the main window's button `name` and takes the picture of the dialog it opens, if any.
void saveDialogOf(FakeInteraction& interaction, QWidget& window, const char* name, const QString& path)
{
    auto* button = window.findChild<QAbstractButton*>(QLatin1String(name));
    if (button == nullptr || !button->isEnabled()) {
        return;
    }
    interaction.dialogScripts.clear();
    interaction.dialogScripts.push_back([path](QDialog& dialog) {
        dialog.show();
        save(dialog, path);
        return int(QDialog::Rejected);
    });
    button->click();
    interaction.dialogScripts.clear();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    const QString output = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(output);

    const QString survey = QDir::homePath() + QStringLiteral("/Survey/2024 site");
    for (const char* name : {"boundary.txt", "levels.asc", "stakeout.txt", "topo.xls", "notes.doc"}) {
        writeFile(survey + '/' + QLatin1String(name), "1,100.0,200.0,10.0,PT\r\n");
    }
    (void)TestEnvironment::install();
    storeValue("lastpath", survey);

    FakeInteraction interaction;
    auto program = startProgram(interaction);
    MainWindow& window = program->mainWindow();
    auto* pages = MainWindowPage(window).pages();
    const char* names[] = {"main", "options", "about"};
    for (int i = 0; i < pages->count(); ++i) {
        pages->setCurrentIndex(i);
        save(window, output + QStringLiteral("/tab-%1.png").arg(QLatin1String(names[i])));
    }
    pages->setCurrentIndex(0);

    saveDialogOf(interaction, window, FileSelectionControls::extensionsButton,
                 output + QStringLiteral("/dialog-extensions.png"));
    // "Browse disk ..." works only with the destination unlocked.
    if (auto* locked = window.findChild<QAbstractButton*>(QLatin1String(FileSelectionControls::lockedButton));
        locked && locked->isVisible()) {
        locked->click();
    }
    saveDialogOf(interaction, window, FileSelectionControls::browseButton,
                 output + QStringLiteral("/dialog-destination.png"));

    // Each entity tab, with one created entity switched off to show its disabled look.
    EntityPanelsPage(window).createBox(EntityKind::X)->click();
    auto* entities = EntityPanelsPage(window).tabs();
    for (int i = 0; i < entities->count(); ++i) {
        entities->setCurrentIndex(i);
        save(window, output + QStringLiteral("/entity-%1.png").arg(entities->widget(i)->objectName()));
    }
    entities->setCurrentIndex(0);
    saveDialogOf(interaction, window, EntityPanelsControls::colorButton(EntityKind::Point),
                 output + QStringLiteral("/dialog-color.png"));
    saveDialogOf(interaction, window, MainWindowControls::dataModifiersButton,
                 output + QStringLiteral("/dialog-modifiers.png"));
    saveDialogOf(interaction, window, MainWindowControls::entitiesOrderButton,
                 output + QStringLiteral("/dialog-order.png"));

    // The Active Help window, showing the topic of the folder tree.
    MainWindowPage(window).activeHelpBox()->click();
    QWidget* tree = FileSelectionPage(window).folderTree();
    QMouseEvent move(QEvent::MouseMove, QPointF(4, 4), tree->mapToGlobal(QPointF(4, 4)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(tree, &move);
    save(program->activeHelp().window(), output + QStringLiteral("/active-help.png"));
    MainWindowPage(window).activeHelpBox()->click();

    // The preview with a real point sheet, the row menu opened on row 6's header.
    const QString workbooks = QDir::homePath() + QStringLiteral("/workbooks");
    QProcess::execute(
        QStringLiteral("/usr/bin/python3"),
        {QStringLiteral(MERVALON_SOURCE_DIR "/tests/app/spreadsheet/make_preview_workbooks.py"), workbooks});
    interaction.dialogScripts.clear();
    interaction.dialogScripts.push_back([&](QDialog& dialog) {
        dialog.show();
        save(dialog, output + QStringLiteral("/dialog-spreadsheet.png"));
        auto* header = SpreadsheetPreviewPage(dialog).grid()->verticalHeader();
        const QPoint at(header->width() / 2, header->sectionViewportPosition(5) + 6);
        QTest::mouseRelease(header->viewport(), Qt::RightButton, {}, at);
        QTest::qWait(300);
        auto* menu = SpreadsheetPreviewPage(dialog).rowMenu();
        const QRect area = dialog.frameGeometry().united(menu->geometry()).adjusted(-4, -4, 4, 4);
        dialog.screen()
            ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
            .save(output + QStringLiteral("/dialog-spreadsheet-rowmenu.png"));
        menu->hide();
        return int(QDialog::Accepted);
    });
    program->spreadsheetPreview().previewWorkbook(workbooks + QStringLiteral("/survey.xls"));
    // The format editor on a text format and on a workbook format, and its preview of a stakeout
    // with a letter O for a zero, a line cut short and a line without its code, selected in the
    // main window. A dialog that did not open above leaves its script behind; it must not picture
    // the editor.
    interaction.dialogScripts.clear();
    const QString stakeout = survey + QStringLiteral("/stakeout.txt");
    writeFile(stakeout, "101,512010.125,6712004.500,12.75,KERB,1\r\n102,5120O4.250,6712006.125,12.81,KERB,2\r\n"
                        "103,512018.375\r\n104,512020.000,6712020.000,13.05,MANHOLE\r\n"
                        "105,512031.500,6712011.250,12.66,TREE,0\r\n");
    auto* fileList = FileSelectionPage(window).fileList();
    if (const auto items = fileList->findItems(QStringLiteral("stakeout.txt"), Qt::MatchExactly); !items.isEmpty()) {
        fileList->clearSelection();
        items.front()->setSelected(true);
        fileList->setCurrentItem(items.front());
    }
    auto* format = MainWindowPage(window).formatList();
    for (const char* name : {"penzd comma", "excel penzdc", "!default"}) {
        format->setCurrentIndex(format->findText(QLatin1String(name)));
        interaction.dialogScripts.push_back([&output, name](QDialog& dialog) {
            dialog.show();
            QTest::qWait(200);
            const QLatin1String shown(name);
            const QString kind = shown.startsWith(QLatin1String("excel")) ? QStringLiteral("excel")
                                 : shown == QLatin1String("!default")     ? QStringLiteral("preview")
                                                                          : QStringLiteral("text");
            dialog.grab().save(output + QStringLiteral("/dialog-format-editor-%1.png").arg(kind));
            qInfo("format editor %dx%d", dialog.frameGeometry().width(), dialog.frameGeometry().height());
            dialog.hide();
            return int(QDialog::Accepted);
        });
        MainWindowPage(window).formatEditorButton()->click();
    }
    writeFile(stakeout, "1,100.0,200.0,10.0,PT\r\n");

    // The code library beside the format, and its editor on the tree's row, then on a faulty row.
    interaction.dialogScripts.clear();
    auto* library = CodeLibraryPanelPage(window).libraryList();
    library->setCurrentText(QStringLiteral("road-and-building"));
    save(*control<QWidget>(window, MainWindowControls::formatGroup),
         output + QStringLiteral("/code-library-choice.png"));
    interaction.dialogScripts.push_back([&output](QDialog& dialog) {
        auto& editor = dynamic_cast<CodeLibraryEditor&>(dialog);
        auto* grid = CodeLibraryEditorPage(editor).grid();
        dialog.show();
        grid->setCurrentCell(grid->findItems(QStringLiteral("TREE"), Qt::MatchExactly).front()->row(), 0);
        QTest::qWait(200);
        dialog.grab().save(output + QStringLiteral("/dialog-code-library.png"));
        grid->setCurrentCell(grid->findItems(QStringLiteral("MH"), Qt::MatchExactly).front()->row(), 0);
        editor.addRow();
        const int row = grid->currentRow();
        const char* cells[] = {"HYD", "UTILITIES", "300", "HYDRANT", "none", "number"};
        for (int c = 0; c < 6; ++c) {
            grid->item(row, c)->setText(QLatin1String(cells[c]));
        }
        grid->setCurrentCell(row, 2);
        QTest::qWait(200);
        dialog.grab().save(output + QStringLiteral("/dialog-code-library-fault.png"));
        dialog.hide();
        return int(QDialog::Rejected);
    });
    interaction.answers.push_back(MessageAnswer::No); // not saved
    CodeLibraryPanelPage(window).editorButton()->click();
    library->setCurrentText(QStringLiteral("(none)"));
    // A new library (none chosen), and the name its first save asks for.
    interaction.dialogScripts.push_back([&output, &interaction](QDialog& dialog) {
        auto& editor = dynamic_cast<CodeLibraryEditor&>(dialog);
        dialog.show();
        QTest::qWait(200);
        dialog.grab().save(output + QStringLiteral("/dialog-code-library-new.png"));
        interaction.dialogScripts.push_back([&output](QDialog& ask) {
            dynamic_cast<QInputDialog&>(ask).setTextValue(QStringLiteral("site-2026"));
            ask.show();
            QTest::qWait(200);
            ask.grab().save(output + QStringLiteral("/dialog-code-library-name.png"));
            ask.hide();
            return int(QDialog::Rejected);
        });
        editor.saveAs();
        dialog.hide();
        return int(QDialog::Rejected);
    });
    CodeLibraryPanelPage(window).editorButton()->click();

    interaction.dialogScripts.clear();
    // A run with errors: the progress window half-way, then the report it shows.
    QByteArray points;
    for (int i = 1; i <= 40000; ++i) {
        points += QByteArray::number(i) + ',' + QByteArray::number(512000 + i) + ".125," +
                  QByteArray::number(6712000 + i) + ".500,12.75,TREE,\r\n";
        if (i % 9000 == 0) {
            points += QByteArray::number(i) + ",,6712000.5,12.75,TREE\r\n";
        }
    }
    writeFile(survey + "/boundary.txt", points);
    EntityPanelsPage(window).createBox(EntityKind::X)->click(); // the X texts again, as the layout expects
    window.selectReportPolicy(ReportPolicy::Always);
    MainWindowPage(window).formatList()->setCurrentText(QStringLiteral("!default"));
    window.formatChange();
    FileSelectionPage(window).fileList()->selectAll();
    ProgressWindow& progress = program->progressWindow();
    progress.setPumpInterval(0);
    bool grabbed = false;
    QObject::connect(&progress, &ProgressWindow::pumping, [&](qint64 position) {
        if (!grabbed && position >= 16000) {
            grabbed = true;
            QTest::qWait(200);
            progress.grab().save(output + QStringLiteral("/progress-window.png"));
        }
    });
    interaction.dialogScripts.push_back([&](QDialog& dialog) {
        dialog.show();
        QTest::qWait(200);
        dialog.grab().save(output + QStringLiteral("/report-viewer.png"));
        return int(QDialog::Rejected);
    });
    MainWindowPage(window).createButton()->click();

    interaction.dialogScripts.push_back([&](QDialog& dialog) {
        dialog.show();
        QTest::qWait(200);
        dialog.grab().save(output + QStringLiteral("/text-viewer.png"));
        return int(QDialog::Rejected);
    });
    writeFile(survey + QStringLiteral("/stakeout.txt"),
              "101,512010.125,6712004.500,12.75,KERB,1\r\n102,512014.250,6712006.125,12.81,KERB,2\r\n"
              "103,512018.375,6712007.750,12.90,KERB,3\r\n104,512020.000,6712020.000,13.05,MANHOLE\r\n"
              "105,512031.500,6712011.250,12.66,TREE\r\n");
    program->viewers().viewFile(survey + QStringLiteral("/stakeout.txt"));

    // The message of a format that does not fit the file, as the desktop's message box shows it.
    QByteArray export2024 = "Nr;Rechtswert;Hochwert;Hoehe;Beschreibung\r\n";
    for (int i = 1; i <= 20; ++i) {
        export2024 += QByteArray::number(i) + ';' + QByteArray::number(512000 + 3 * i) + ",25;" +
                      QByteArray::number(6712000 + 2 * i) + ",5;12,75;Baum\r\n";
    }
    writeFile(survey + QStringLiteral("/export 2024.txt"), export2024);
    window.files().inputFolderChanged();
    if (const auto items = fileList->findItems(QStringLiteral("export 2024.txt"), Qt::MatchExactly); !items.isEmpty()) {
        fileList->clearSelection();
        items.front()->setSelected(true);
        interaction.messages.clear();
        interaction.answers = {MessageAnswer::Cancel};
        MainWindowPage(window).createButton()->click();
        if (!interaction.messages.empty()) {
            QMessageBox box(QMessageBox::Warning, messageTitle(MessageIcon::Warning), interaction.messages.back().text,
                            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, &window);
            box.show();
            save(box, output + QStringLiteral("/message-format-misfit.png"));
        }
    }

    for (const QString& line : interaction.calls) {
        qInfo("%s", qPrintable(line));
    }
    return 0;
}
