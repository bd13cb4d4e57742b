// Not a test by itself: the real program (QtInteraction, real message boxes) on a real X server,
// for scripts/desktop-session-test.sh, which drives it with xdotool under a window manager.
// The probe prepares a private home like the widget tests, then writes what a user would see
// into a state file every 100 ms: the message boxes open, the widget with the focus and its
// selected text, whether the progress window is shown, and the last lines of the report.
//
//   app_desktop_probe STATE_FILE layer   the Point tab's layer field has the focus
//   app_desktop_probe STATE_FILE run     a long run is started (a file of 1,500,000 points, which
//                                        takes seconds even with its lines formatted ahead)
//   app_desktop_probe STATE_FILE help    Active Help is on from the start
//   app_desktop_probe STATE_FILE workbook BOOK
//                                        BOOK is copied into the folder shown, its type and the
//                                        workbook format chosen: the script opens it from the
//                                        file list's menu, edits, saves and converts it

#include "app/AppTestSupport.h"
#include "app/entities/EntityPages.h"
#include "app/files/FilePages.h"
#include "app/help/ActiveHelp.h"
#include "app/help/ActiveHelpWindow.h"
#include "app/mainwindow/MainWindowPage.h"
#include "app/run/ProgressWindow.h"
#include "app/run/RunCommand.h"
#include "app/shell/QtInteraction.h"
#include "app/spreadsheet/SpreadsheetPreviewPage.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QSaveFile>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <cstdio>

using namespace mervalon::app;
using namespace mervalon::app::testing;
using mervalon::config::EntityKind;

namespace {

QByteArray pointLines(int points)
{
    QByteArray lines;
    for (int i = 1; i <= points; ++i) {
        lines += QByteArray::number(i) + ',' + QByteArray::number(1000 + i) + ".250," + QByteArray::number(2000 + i) +
                 ".500,15.25,PT\r\n";
    }
    return lines;
}

// "x,y": where on the screen the middle of `rect` of `widget` is, for the script's clicks.
QByteArray screenPoint(const QWidget& widget, const QRect& rect)
{
    const QPoint point = widget.mapToGlobal(rect.center());
    return QByteArray::number(point.x()) + ',' + QByteArray::number(point.y());
}

void choose(QComboBox& list, const QString& text)
{
    const int index = list.findText(text);
    list.setCurrentIndex(index);
    emit list.activated(index);
}

// What the script needs of the file list and the spreadsheet preview to drive them.
QByteArray workbookState(const Program& program)
{
    QByteArray state;
    const MainWindow& window = program.mainWindow();
    QListWidget* files = FileSelectionPage(window).fileList();
    if (files->count() > 0) {
        state += "first-file=" + screenPoint(*files->viewport(), files->visualItemRect(files->item(0))) + '\n';
    }
    state += "file-menu=" + QByteArray(FileSelectionPage(window).fileMenu()->isVisible() ? "shown" : "hidden") + '\n';
    const QToolButton* create = MainWindowPage(window).createButton();
    state += "create-button=" + screenPoint(*create, create->rect()) + '\n';
    const SpreadsheetPreview& preview = program.spreadsheetPreview();
    const SpreadsheetPreviewPage page(preview);
    state += "preview=" + QByteArray(preview.isVisible() ? "shown" : "hidden") + '\n';
    state += "row-menu=" + QByteArray(page.rowMenu()->isVisible() ? "shown" : "hidden") + '\n';
    const QPushButton* save = page.saveButton();
    state += "save-button=" + screenPoint(*save, save->rect()) + '\n';
    const SheetGridView& grid = *page.grid();
    const QModelIndex current = grid.currentIndex();
    state += "cell=" + QByteArray::number(current.row() + 1) + ',' + QByteArray::number(current.column() + 1) + '\n';
    for (const auto& [name, step] : {std::pair{"cell-above", -1}, std::pair{"cell-below", 1}}) {
        if (const QModelIndex next = current.siblingAtRow(current.row() + step); next.isValid()) {
            state += name + QByteArray("=") + screenPoint(*grid.viewport(), grid.visualRect(next)) + '\n';
        }
    }
    state += "editor=" + QByteArray(grid.openEditor() != nullptr ? "open" : "closed") + '\n';
    const QHeaderView& rows = *grid.verticalHeader();
    if (rows.count() > 0) {
        const int last = rows.count() - 1;
        state += "last-row-number=" +
                 screenPoint(*rows.viewport(),
                             QRect(0, rows.sectionViewportPosition(last), rows.width(), rows.sectionSize(last))) +
                 '\n';
    }
    const QTabBar& tabs = *page.sheetTabs();
    state += "tab=" + QByteArray::number(tabs.currentIndex() + 1) + '\n';
    for (int tab = 0; tab < tabs.count(); ++tab) {
        state += "tab-" + QByteArray::number(tab + 1) + '=' + screenPoint(tabs, tabs.tabRect(tab)) + '\n';
    }
    return state;
}

void writeState(const QString& path, const Program& program, const QString& report, const QString& home)
{
    QByteArray state;
    int boxes = 0;
    QStringList boxTexts;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(widget); box != nullptr && box->isVisible()) {
            ++boxes;
            boxTexts << box->text();
        }
    }
    QWidget* focus = QApplication::focusWidget();
    auto* edit = qobject_cast<QLineEdit*>(focus);
    state += "boxes=" + QByteArray::number(boxes) + '\n';
    state += "box-texts=" + boxTexts.join(QLatin1Char('|')).toUtf8() + '\n';
    state += "focus=" + (focus != nullptr ? focus->objectName().toUtf8() : QByteArray()) + '\n';
    state += "selected=" + (edit != nullptr ? edit->selectedText().toUtf8() : QByteArray()) + '\n';
    state += "text=" + (edit != nullptr ? edit->text().toUtf8() : QByteArray()) + '\n';
    const QRect frame = program.mainWindow().frameGeometry();
    const QRect available = program.mainWindow().screen()->availableGeometry();
    state += QStringLiteral("main-frame=%1,%2 %3x%4\n")
                 .arg(frame.x())
                 .arg(frame.y())
                 .arg(frame.width())
                 .arg(frame.height())
                 .toUtf8();
    state += QStringLiteral("available=%1,%2 %3x%4\n")
                 .arg(available.x())
                 .arg(available.y())
                 .arg(available.width())
                 .arg(available.height())
                 .toUtf8();
    const QWidget& help = program.activeHelp().window();
    state += "help=" + QByteArray(help.isVisible() ? "shown" : "hidden") + '\n';
    state += "progress=" + QByteArray(program.progressWindow().isVisible() ? "shown" : "hidden") + '\n';
    QFile log(report);
    const QByteArray tail = log.open(QIODevice::ReadOnly) ? log.readAll().right(40).simplified() : QByteArray();
    state += "report-end=" + tail + '\n';
    state += "home=" + home.toUtf8() + '\n';
    state += workbookState(program);
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(state);
        file.commit();
    }
}

} // namespace

int main(int argc, char** argv)
{
    TestEnvironment environment;
    QApplication application(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: app_desktop_probe STATE_FILE layer|run|help|workbook BOOK\n");
        return 2;
    }
    const QString statePath = QString::fromLocal8Bit(argv[1]);
    const QString mode = QString::fromLocal8Bit(argv[2]);
    const QString survey = environment.home() + QStringLiteral("/survey");
    const QString destination = environment.home() + QStringLiteral("/drawings");
    const bool workbook = mode == QLatin1String("workbook");
    if (workbook) {
        QDir().mkpath(survey);
        if (argc < 4 || !QFile::copy(QString::fromLocal8Bit(argv[3]), survey + QStringLiteral("/site.xlsx"))) {
            std::fprintf(stderr, "app_desktop_probe: workbook mode needs a readable BOOK\n");
            return 2;
        }
    } else {
        writeFile(survey + QStringLiteral("/site.txt"), pointLines(mode == QLatin1String("run") ? 1500000 : 3));
    }
    QDir().mkpath(destination);
    const QString installDir = TestEnvironment::install();
    storeValue(QStringLiteral("lastpath"), survey);
    storeValue(QStringLiteral("lastpath2"), destination);
    storeValue(QStringLiteral("locked"), 0);
    storeValue(QStringLiteral("achelp"), mode == QLatin1String("help") ? 1 : 0);

    QtInteraction interaction;
    Program program(interaction);
    MainWindow& window = program.mainWindow();
    window.show();
    const QString report = installDir + QStringLiteral("/mervalon40.log");
    QTimer states;
    QObject::connect(&states, &QTimer::timeout, [&] { writeState(statePath, program, report, environment.home()); });
    states.start(100);
    // The run pumps events itself: the state keeps being written during it.
    QObject::connect(&program.progressWindow(), &ProgressWindow::pumping,
                     [&] { writeState(statePath, program, report, environment.home()); });

    QTimer::singleShot(500, [&] {
        if (mode == QLatin1String("layer")) {
            auto* edit = EntityPanelsPage(window).layerEdit(EntityKind::Point);
            window.activateWindow();
            edit->setFocus();
            edit->selectAll();
        } else if (workbook) {
            // Two lists chosen as a user would (what follows a choice hangs on `activated`).
            choose(*MainWindowPage(window).formatList(), QStringLiteral("excel penzdc"));
            choose(*FileSelectionPage(window).fileTypeList(), QStringLiteral("Spreadsheets"));
            window.activateWindow();
            FileSelectionPage(window).fileList()->setFocus();
        } else if (mode == QLatin1String("run")) {
            // The run holds this call until it ends: it starts once "ready" is out.
            QTimer::singleShot(0, [&window] {
                FileSelectionPage(window).fileList()->selectAll();
                MainWindowPage(window).createButton()->click();
            });
        }
        std::printf("ready\n");
        std::fflush(stdout);
    });
    return QApplication::exec();
}
