// Saves a picture of each tab of the main window, and of the two dialogs, for the
// documentation and for looking at the layout under other fonts or scale factors:
//   app_screenshots <output folder>
// Run it with a temporary HOME: it makes a per-user installation there.

#include "app/AppTestSupport.h"
#include "app/files/DestinationFolderDialog.h"
#include "app/files/ExtensionListDialog.h"
#include "app/run/ProgressWindow.h"
#include "app/settings/RunOptions.h"
#include "app/viewers/Viewers.h"

#include <QComboBox>
#include <QDir>
#include <QListWidget>
#include <QTabWidget>
#include <QToolButton>

using namespace mervalon::app;
using namespace mervalon::app::testing;

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
        QTest::qWait(200);
        window.grab().save(output + QStringLiteral("/tab-%1.png").arg(QLatin1String(names[i])));
    }
    pages->setCurrentIndex(0);

    interaction.dialogScripts.push_back([&](QDialog& dialog) {
        dialog.show();
        QTest::qWait(200);
        dialog.grab().save(output + QStringLiteral("/dialog-extensions.png"));
        return int(QDialog::Rejected);
    });
    control<QToolButton>(window, "SpeedButton15")->click();
    interaction.dialogScripts.push_back([&](QDialog& dialog) {
        dialog.show();
        QTest::qWait(200);
        dialog.grab().save(output + QStringLiteral("/dialog-destination.png"));
        return int(QDialog::Rejected);
    });
    control<QToolButton>(window, "SpeedButton4")->click();
    // A script left over from a dialog that did not open must not picture the next one.
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
    window.selectReportPolicy(ReportPolicy::Always);
    control<QComboBox>(window, "format")->setCurrentText(QStringLiteral("!default"));
    control<QListWidget>(window, "fl1")->selectAll();
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
    control<QToolButton>(window, "BitBtn1")->click();

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

    for (const QString& line : interaction.calls) {
        qInfo("%s", qPrintable(line));
    }
    return 0;
}
