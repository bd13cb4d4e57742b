// Saves a picture of each window, each entity tab included, and of the spreadsheet preview with
// its row menu open, for the manual (scripts/help-screenshots.sh copies them into
// data/help/images) and for looking at the layout under other fonts or scale factors:
//   app_screenshots <output folder>
// Run it with a temporary HOME: it makes a per-user installation there. A window that the
// program does not have (yet) is left out; every picture taken is listed on the output. The row
// menu is a window of its own, so its picture is taken from the screen: run under Xvfb
// (xvfb-run) for that one.

#include "app/AppTestSupport.h"
#include "app/entities/EntityPanels.h"
#include "app/help/ActiveHelp.h"
#include "app/help/ActiveHelpWindow.h"
#include "app/files/DestinationFolderDialog.h"
#include "app/files/ExtensionListDialog.h"
#include "app/spreadsheet/SpreadsheetPreview.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDialog>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QToolButton>
#include <QTableView>
#include <QTextBrowser>

using namespace mervalon::app;
using namespace mervalon::app::testing;

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
    auto* pages = control<QTabWidget>(window, "PageControl1");
    const char* names[] = {"main", "options", "about"};
    for (int i = 0; i < pages->count(); ++i) {
        pages->setCurrentIndex(i);
        save(window, output + QStringLiteral("/tab-%1.png").arg(QLatin1String(names[i])));
    }
    pages->setCurrentIndex(0);

    saveDialogOf(interaction, window, "SpeedButton15", output + QStringLiteral("/dialog-extensions.png"));
    // "Browse disk ..." works only with the destination unlocked.
    if (auto* locked = window.findChild<QAbstractButton*>(QStringLiteral("SpeedButton1")); locked && locked->isVisible()) {
        locked->click();
    }
    saveDialogOf(interaction, window, "SpeedButton4", output + QStringLiteral("/dialog-destination.png"));

    // Each entity tab, with one created entity switched off to show its disabled look.
    control<QCheckBox>(window, "x_cr")->click();
    auto* entities = control<EntityPanels>(window, "pagecontrol2");
    for (int i = 0; i < entities->count(); ++i) {
        entities->setCurrentIndex(i);
        save(window, output + QStringLiteral("/entity-%1.png").arg(entities->widget(i)->objectName()));
    }
    entities->setCurrentIndex(0);
    saveDialogOf(interaction, window, "SpeedButton3", output + QStringLiteral("/dialog-color.png"));
    saveDialogOf(interaction, window, "SpeedButton17", output + QStringLiteral("/dialog-modifiers.png"));
    saveDialogOf(interaction, window, "Button2", output + QStringLiteral("/dialog-order.png"));

    // The Active Help window, showing the topic of the folder tree.
    control<QCheckBox>(window, "CheckBox3")->click();
    QWidget* tree = control<QWidget>(window, "sh1");
    QMouseEvent move(QEvent::MouseMove, QPointF(4, 4), tree->mapToGlobal(QPointF(4, 4)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(tree, &move);
    save(program->activeHelp().window(), output + QStringLiteral("/active-help.png"));
    control<QCheckBox>(window, "CheckBox3")->click();

    // The preview with a real point sheet, the row menu opened on row 6's header.
    const QString workbooks = QDir::homePath() + QStringLiteral("/workbooks");
    QProcess::execute(QStringLiteral("/usr/bin/python3"),
                      {QStringLiteral(MERVALON_SOURCE_DIR "/tests/app/spreadsheet/make_preview_workbooks.py"), workbooks});
    interaction.dialogScripts.clear();
    interaction.dialogScripts.push_back([&](QDialog& dialog) {
        dialog.show();
        save(dialog, output + QStringLiteral("/dialog-spreadsheet.png"));
        auto* header = control<QTableView>(dialog, "StringGrid1")->verticalHeader();
        const QPoint at(header->width() / 2, header->sectionViewportPosition(5) + 6);
        QTest::mouseRelease(header->viewport(), Qt::RightButton, {}, at);
        QTest::qWait(300);
        auto* menu = control<QMenu>(dialog, "PopupMenu1");
        const QRect area = dialog.frameGeometry().united(menu->geometry()).adjusted(-4, -4, 4, 4);
        dialog.screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height())
            .save(output + QStringLiteral("/dialog-spreadsheet-rowmenu.png"));
        menu->hide();
        return int(QDialog::Accepted);
    });
    program->spreadsheetPreview().previewWorkbook(workbooks + QStringLiteral("/survey.xls"));
    // The format editor on a text format and on a workbook format. A dialog that did not open
    // above leaves its script behind; it must not picture the editor.
    interaction.dialogScripts.clear();
    auto* format = control<QComboBox>(window, "format");
    for (const char* name : {"penzd comma", "excel penzdc"}) {
        format->setCurrentIndex(format->findText(QLatin1String(name)));
        interaction.dialogScripts.push_back([&output, name](QDialog& dialog) {
            dialog.show();
            QTest::qWait(200);
            const QString kind = QLatin1String(name).startsWith(QLatin1String("excel")) ? QStringLiteral("excel")
                                                                                          : QStringLiteral("text");
            dialog.grab().save(output + QStringLiteral("/dialog-format-editor-%1.png").arg(kind));
            qInfo("format editor %dx%d", dialog.frameGeometry().width(), dialog.frameGeometry().height());
            dialog.hide();
            return int(QDialog::Accepted);
        });
        control<QToolButton>(window, "SpeedButton14")->click();
    }

    for (const QString& line : interaction.calls) {
        qInfo("%s", qPrintable(line));
    }
    return 0;
}
