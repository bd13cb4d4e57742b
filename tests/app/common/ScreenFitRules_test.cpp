#include "app/common/ScreenFitRules.h"

#include <QTest>

using namespace mervalon::app;

using OptionalInt = std::optional<int>;
Q_DECLARE_METATYPE(OptionalInt)

namespace {

/// 1366 x 768 at 150 %, as the program sees it.
const QRect kScaledScreen(0, 0, 910, 512);
/// The frame openbox draws there, in logical pixels.
const QMargins kOpenboxFrame(1, 13, 1, 1);

} // namespace

class ScreenFitRulesTest : public QObject {
    Q_OBJECT
  private slots:
    void theWindowIsCompactAndLowerOnlyWithLittleRoom_data()
    {
        QTest::addColumn<int>("designed");
        QTest::addColumn<int>("minimum");
        QTest::addColumn<int>("available");
        QTest::addColumn<bool>("compact");
        QTest::addColumn<int>("height");
        QTest::newRow("100 %, 768 high") << 496 << 489 << 768 << false << 496;
        QTest::newRow("100 %, under a panel") << 496 << 489 << 740 << false << 496;
        QTest::newRow("the widget tests' screen") << 496 << 489 << 600 << false << 496;
        QTest::newRow("just room for frame and spare") << 496 << 489 << 552 << false << 496;
        QTest::newRow("one pixel less") << 496 << 489 << 551 << true << 495;
        QTest::newRow("150 %: the compact layout's minimum") << 496 << 464 << 512 << true << 464;
        QTest::newRow("150 %: what leaves the room") << 496 << 440 << 512 << true << 456;
        QTest::newRow("200 %: never below the minimum") << 496 << 464 << 384 << true << 464;
        QTest::newRow("large fonts grow the window") << 496 << 520 << 768 << false << 520;
        QTest::newRow("large fonts on a small screen: the minimum") << 496 << 520 << 560 << false << 520;
        QTest::newRow("no screen known") << 496 << 489 << 0 << false << 496;
    }
    void theWindowIsCompactAndLowerOnlyWithLittleRoom()
    {
        QFETCH(int, designed);
        QFETCH(int, minimum);
        QFETCH(int, available);
        QFETCH(bool, compact);
        QFETCH(int, height);
        QCOMPARE(compactLayout(designed, available), compact);
        QCOMPARE(fittedWindowHeight(designed, minimum, available), height);
    }

    void anUnknownFrameIsReckonedAsTheAllowance()
    {
        QCOMPARE(reckonedFrameMargins(QMargins()), kFrameAllowance);
        QCOMPARE(reckonedFrameMargins(kOpenboxFrame), kOpenboxFrame);
    }

    void theFrameIsMovedOnTheScreen_data()
    {
        QTest::addColumn<QRect>("client");
        QTest::addColumn<QMargins>("margins");
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QPoint>("position"); // (-1, -1): it stays
        QTest::newRow("whole on the screen")
            << QRect(100, 40, 699, 464) << kOpenboxFrame << kScaledScreen << QPoint(-1, -1);
        QTest::newRow("title bar 5 px above the top")
            << QRect(162, 8, 699, 496) << kOpenboxFrame << kScaledScreen << QPoint(162, 13);
        QTest::newRow("frame not known yet: the allowance")
            << QRect(162, 8, 699, 464) << kFrameAllowance << kScaledScreen << QPoint(162, 32);
        QTest::newRow("past the bottom right")
            << QRect(300, 100, 699, 464) << kOpenboxFrame << kScaledScreen << QPoint(210, 47);
        QTest::newRow("larger than the screen: top left kept")
            << QRect(50, 50, 1000, 600) << QMargins(1, 20, 1, 1) << kScaledScreen << QPoint(1, 20);
        QTest::newRow("below a panel") << QRect(10, 20, 699, 496) << QMargins(1, 20, 1, 1) << QRect(0, 30, 1366, 738)
                                       << QPoint(10, 50);
        QTest::newRow("on the second screen")
            << QRect(2000, 700, 699, 496) << QMargins(1, 20, 1, 1) << QRect(1366, 0, 1280, 1024) << QPoint(1946, 527);
    }
    void theFrameIsMovedOnTheScreen()
    {
        QFETCH(QRect, client);
        QFETCH(QMargins, margins);
        QFETCH(QRect, available);
        QFETCH(QPoint, position);
        QCOMPARE(fittedClientPosition(client, margins, available).value_or(QPoint(-1, -1)), position);
    }

    void theManagersOffsetIsTakenOff_data()
    {
        QTest::addColumn<QPoint>("asked");
        QTest::addColumn<QPoint>("landed");
        QTest::addColumn<QPoint>("toAsk"); // for (162, 40)
        QTest::newRow("landed where asked") << QPoint(162, 32) << QPoint(162, 32) << QPoint(162, 40);
        QTest::newRow("a title bar lower") << QPoint(162, 32) << QPoint(162, 45) << QPoint(162, 27);
        QTest::newRow("a border and a title bar") << QPoint(5, 5) << QPoint(6, 18) << QPoint(161, 27);
        QTest::newRow("higher") << QPoint(162, 32) << QPoint(162, 19) << QPoint(162, 53);
        QTest::newRow("64 px: still an offset") << QPoint(162, 32) << QPoint(162, 96) << QPoint(162, -24);
        QTest::newRow("65 px: moved by someone else") << QPoint(162, 32) << QPoint(162, 97) << QPoint(162, 40);
        QTest::newRow("far sideways") << QPoint(162, 32) << QPoint(600, 32) << QPoint(162, 40);
    }
    void theManagersOffsetIsTakenOff()
    {
        QFETCH(QPoint, asked);
        QFETCH(QPoint, landed);
        QFETCH(QPoint, toAsk);
        QCOMPARE(positionToAsk(QPoint(162, 40), asked, landed), toAsk);
    }

    /// A manager that lands the window `offset` off where it was asked to, with a frame the
    /// program may not know: the fits, made on each move it reports, put the whole frame on the
    /// screen within three moves, and it stays there.
    void aManagerLandingOffIsMadeUpFor_data()
    {
        QTest::addColumn<QPoint>("offset");
        QTest::addColumn<bool>("frameKnown");
        QTest::addColumn<QRect>("start");
        QTest::newRow("title bar 8 px above, frame not known") << QPoint(0, 0) << false << QRect(162, 8, 699, 464);
        QTest::newRow("position read as the frame's, frame not known")
            << QPoint(0, 13) << false << QRect(162, 8, 699, 464);
        QTest::newRow("position read as the frame's, frame known") << QPoint(1, 13) << true << QRect(162, 8, 699, 464);
        QTest::newRow("placed higher, past the bottom") << QPoint(0, -13) << false << QRect(100, 60, 699, 464);
        QTest::newRow("where asked, frame known") << QPoint(0, 0) << true << QRect(162, 40, 699, 496);
    }
    void aManagerLandingOffIsMadeUpFor()
    {
        QFETCH(QPoint, offset);
        QFETCH(bool, frameKnown);
        QFETCH(QRect, start);
        const QMargins known = frameKnown ? kOpenboxFrame : QMargins();
        QRect client = start;
        std::optional<QPoint> asked;
        int moves = 0;
        for (; moves < 6; ++moves) {
            const std::optional<QPoint> wanted =
                fittedClientPosition(client, reckonedFrameMargins(known), kScaledScreen);
            if (!wanted) {
                break;
            }
            const QPoint ask = asked ? positionToAsk(*wanted, *asked, client.topLeft()) : *wanted;
            asked = ask;
            client.moveTopLeft(ask + offset);
        }
        QVERIFY2(moves <= 3, qPrintable(QString::number(moves)));
        QVERIFY(kScaledScreen.contains(client.marginsAdded(kOpenboxFrame)));
    }

    void theFitGoesOnUntilTheFrameHasBeenKnownAWhile_data()
    {
        QTest::addColumn<int>("sinceShown");
        QTest::addColumn<OptionalInt>("sinceFramed");
        QTest::addColumn<bool>("goesOn");
        QTest::newRow("just shown") << 0 << OptionalInt() << true;
        QTest::newRow("no frame after 14 s") << 14999 << OptionalInt() << true;
        QTest::newRow("no frame after 15 s") << 15000 << OptionalInt() << false;
        QTest::newRow("framed a moment ago") << 5000 << OptionalInt(2999) << true;
        QTest::newRow("framed 3 s ago") << 5000 << OptionalInt(3000) << false;
        QTest::newRow("framed late") << 15000 << OptionalInt(100) << false;
    }
    void theFitGoesOnUntilTheFrameHasBeenKnownAWhile()
    {
        QFETCH(int, sinceShown);
        QFETCH(OptionalInt, sinceFramed);
        QFETCH(bool, goesOn);
        QCOMPARE(keepsFitting(sinceShown, sinceFramed), goesOn);
    }
};

QTEST_GUILESS_MAIN(ScreenFitRulesTest)
#include "ScreenFitRules_test.moc"
