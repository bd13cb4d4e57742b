// The main window on a 1366 x 768 screen at 150 % (910 x 512 logical pixels): the offscreen
// screen is given that size, and the scale factor set, before the application exists.

#include "app/AppTestSupport.h"
#include "app/common/ScreenFit.h"
#include "app/common/ScreenFitRules.h"
#include "app/mainwindow/MainWindowPage.h"

#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QScreen>

using namespace mervalon::app;
using namespace mervalon::app::testing;

class ScaledMainWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void theScreenIsTheScaledOne()
    {
        const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY2(available.height() == 512 && available.width() >= 910 && available.width() <= 911,
                 qPrintable(QStringLiteral("%1 x %2").arg(available.width()).arg(available.height())));
    }

    void theDataModifiersStandBesideTheFormat()
    {
        FakeInteraction interaction;
        auto program = startProgram(interaction);
        const MainWindowPage page(program->mainWindow());
        const QRect format = page.formatList()->geometry();
        const QRect modifiers = page.dataModifiersButton()->geometry();
        QVERIFY(modifiers.left() > format.right());
        QVERIFY(modifiers.top() < format.bottom() && modifiers.bottom() > format.top());
    }

    void theWindowLeavesRoomForItsFrame()
    {
        FakeInteraction interaction;
        auto program = startProgram(interaction);
        MainWindow& window = program->mainWindow();
        const QRect available = window.screen()->availableGeometry();
        QVERIFY(window.height() < 496);
        QCOMPARE(window.height(), fittedWindowHeight(496, window.minimumSizeHint().height(), available.height()));
        QVERIFY2(window.height() + kFrameAllowance.top() + kFrameAllowance.bottom() <= available.height(),
                 qPrintable(QString::number(window.height())));
        QVERIFY(window.width() + kFrameAllowance.left() + kFrameAllowance.right() <= available.width());
        // Placed past the bottom, it is brought whole onto the screen.
        window.move(window.x(), available.bottom() - 100);
        fitOnScreen(window);
        QVERIFY(available.contains(window.frameGeometry()));
    }
};

int main(int argc, char** argv)
{
    TestEnvironment environment;
    const QString config = environment.root() + QStringLiteral("/screens.json");
    writeFile(config, R"({"screens": [{"name": "laptop", "x": 0, "y": 0, "width": 1366, "height": 768,
                          "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
    qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config).toLocal8Bit());
    qputenv("QT_SCALE_FACTOR", "1.5");
    QApplication application(argc, argv);
    ScaledMainWindowTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "ScaledMainWindow_test.moc"
