// Saves a picture of each tab of the main window, of each entity tab and of the dialogs, for
// the documentation and for looking at the layout under other fonts or scale factors:
//   app_screenshots <output folder>
// Run it with a temporary HOME: it makes a per-user installation there.

#include "app/AppTestSupport.h"
#include "app/files/DestinationFolderDialog.h"
#include "app/files/ExtensionListDialog.h"
#include "app/entities/EntityPanels.h"

#include <QCheckBox>
#include <QPushButton>

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

    // A dialog that did not open leaves its script behind; it must not take another's picture.
    interaction.dialogScripts.clear();

    // Each entity tab, with one created entity switched off to show its disabled look.
    control<QCheckBox>(window, "x_cr")->click();
    auto* entities = control<EntityPanels>(window, "pagecontrol2");
    for (int i = 0; i < entities->count(); ++i) {
        entities->setCurrentIndex(i);
        QTest::qWait(100);
        window.grab().save(output + QStringLiteral("/entity-%1.png").arg(entities->widget(i)->objectName()));
    }
    const std::pair<const char*, const char*> dialogs[] = {
        {"SpeedButton3", "dialog-color"}, {"SpeedButton17", "dialog-modifiers"}, {"Button2", "dialog-order"}};
    entities->setCurrentIndex(0);
    for (const auto& [button, picture] : dialogs) {
        const QString file = output + '/' + QLatin1String(picture) + QStringLiteral(".png");
        interaction.dialogScripts.push_back([file](QDialog& dialog) {
            dialog.show();
            QTest::qWait(200);
            dialog.grab().save(file);
            return int(QDialog::Rejected);
        });
        if (auto* push = window.findChild<QPushButton*>(QLatin1String(button))) {
            push->click();
        } else {
            control<QToolButton>(window, button)->click();
        }
    }
    for (const QString& line : interaction.calls) {
        qInfo("%s", qPrintable(line));
    }
    return 0;
}
