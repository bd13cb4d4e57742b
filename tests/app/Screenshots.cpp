// Saves a picture of each tab of the main window, and of the two dialogs, for the
// documentation and for looking at the layout under other fonts or scale factors:
//   app_screenshots <output folder>
// Run it with a temporary HOME: it makes a per-user installation there.

#include "app/AppTestSupport.h"
#include "app/files/DestinationFolderDialog.h"
#include "app/files/ExtensionListDialog.h"

#include <QComboBox>
#include <QDir>
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
