// The entity tabs' rules apart from their widgets: which controls can be used, which kinds a
// run uses, and what a tab switched on fills in.

#include "app/AppTestSupport.h"
#include "app/entities/EntityRules.h"

using namespace mervalon::app;
using mervalon::app::testing::TestEnvironment;
using mervalon::config::EntityKind;

Q_DECLARE_METATYPE(mervalon::config::EntityKind)

class EntityRulesTest : public QObject {
    Q_OBJECT
  public:
    explicit EntityRulesTest(TestEnvironment& environment) : m_environment(environment) {}

  private slots:
    void enabling_data()
    {
        QTest::addColumn<EntityKind>("kind");
        QTest::addColumn<bool>("created");
        QTest::addColumn<bool>("elevationShown");
        QTest::addColumn<bool>("controls");
        QTest::addColumn<bool>("spatial");
        QTest::newRow("point off") << EntityKind::Point << false << true << false << false;
        QTest::newRow("point on") << EntityKind::Point << true << true << true << true;
        QTest::newRow("point on, no elevation") << EntityKind::Point << true << false << true << false;
        QTest::newRow("number on, no elevation") << EntityKind::Number << true << false << true << false;
        QTest::newRow("polyline off, no elevation") << EntityKind::Polyline << false << false << false << false;
        QTest::newRow("elevation on") << EntityKind::Elevation << true << true << true << true;
        QTest::newRow("elevation on, its tab hidden") << EntityKind::Elevation << true << false << true << true;
        QTest::newRow("elevation off") << EntityKind::Elevation << false << true << false << false;
    }
    void enabling()
    {
        QFETCH(EntityKind, kind);
        QFETCH(bool, created);
        QFETCH(bool, elevationShown);
        QFETCH(bool, controls);
        QFETCH(bool, spatial);
        QCOMPARE(entityTabEnabling(kind, created, elevationShown), (EntityTabEnabling{controls, spatial}));
    }

    void aKindIsUsedWhenCreatedOnAShownTab()
    {
        QVERIFY(entityTabIsUsed(true, true));
        QVERIFY(!entityTabIsUsed(true, false));
        QVERIFY(!entityTabIsUsed(false, true));
        QVERIFY(!entityTabIsUsed(false, false));
    }

    void switchingOn_data()
    {
        QTest::addColumn<EntityKind>("kind");
        QTest::addColumn<QString>("height");
        QTest::addColumn<QString>("layer");
        QTest::addColumn<int>("precision");
        QTest::addColumn<int>("color");
        QTest::addColumn<QString>("filledHeight");
        QTest::addColumn<QString>("filledLayer");
        QTest::addColumn<int>("filledPrecision");
        QTest::addColumn<int>("filledColor");
        QTest::newRow("point, empty") << EntityKind::Point << ""
                                      << "" << -1 << 0 << ""
                                      << "Points" << -1 << 1;
        QTest::newRow("number, empty") << EntityKind::Number << ""
                                       << "" << -1 << 0 << "1.000"
                                       << "Numbers" << -1 << 1;
        QTest::newRow("x, empty") << EntityKind::X << ""
                                  << "" << -1 << 0 << "1.000"
                                  << "Coordinates" << 0 << 1;
        QTest::newRow("y, empty") << EntityKind::Y << ""
                                  << "" << -1 << 0 << "1.000"
                                  << "Coordinates" << 0 << 1;
        QTest::newRow("elevation, empty") << EntityKind::Elevation << ""
                                          << "" << -1 << 0 << "1.000"
                                          << "Elevations" << 0 << 1;
        QTest::newRow("description, empty") << EntityKind::Description << ""
                                            << "" << -1 << 0 << "1.000"
                                            << "Description" << -1 << 1;
        QTest::newRow("polyline, empty") << EntityKind::Polyline << ""
                                         << "" << -1 << 0 << ""
                                         << "Polylines" << -1 << 1;
        QTest::newRow("x, typed values stay") << EntityKind::X << "0.5"
                                              << "MINE" << 3 << 12 << "0.5"
                                              << "MINE" << 3 << 12;
        QTest::newRow("number, blank layer is not empty") << EntityKind::Number << "2"
                                                          << " " << -1 << 7 << "2"
                                                          << " " << -1 << 7;
    }
    void switchingOn()
    {
        QFETCH(EntityKind, kind);
        QFETCH(QString, height);
        QFETCH(QString, layer);
        QFETCH(int, precision);
        QFETCH(int, color);
        QFETCH(QString, filledHeight);
        QFETCH(QString, filledLayer);
        QFETCH(int, filledPrecision);
        QFETCH(int, filledColor);
        const EntityTabValues filled = filledOnSwitchingOn(kind, {height, layer, precision, color});
        QCOMPARE(filled.height, filledHeight);
        QCOMPARE(filled.layer, filledLayer);
        QCOMPARE(filled.precision, filledPrecision);
        QCOMPARE(filled.color, filledColor);
    }

    void precisionItem_data()
    {
        QTest::addColumn<int>("decimals");
        QTest::addColumn<int>("item");
        QTest::newRow("none") << 0 << 0;
        QTest::newRow("last") << 5 << 5;
        QTest::newRow("past the items") << 6 << -1;
        QTest::newRow("negative") << -1 << -1;
        QTest::newRow("huge") << 2147483647 << -1;
    }
    void precisionItem()
    {
        QFETCH(int, decimals);
        QFETCH(int, item);
        QCOMPARE(mervalon::app::precisionItem(decimals, 6), item);
    }

  private:
    TestEnvironment& m_environment;
};

MERVALON_APP_TEST_MAIN(EntityRulesTest)
#include "EntityRules_test.moc"
