// The configuration commands against a temporary installation: apply and capture through every
// control, load, save with the ".rp4" rule, the "has changed" question and its answers.

#include "app/AppTestSupport.h"
#include "app/common/MultiRowTabStrip.h"
#include "app/configuration/ConfigurationCommands.h"
#include "app/configuration/ConfigurationPage.h"
#include "app/entities/ColorPicker.h"
#include "app/entities/EntityPages.h"
#include "app/files/FilePages.h"
#include "app/mainwindow/MainWindowPage.h"
#include "core/config/Configuration.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QToolButton>
#include <QtEndian>
#include <cstring>

Q_DECLARE_METATYPE(mervalon::app::MessageAnswer)

using namespace mervalon;
using namespace mervalon::app;
using namespace mervalon::app::testing;
using mervalon::config::EntityKind;
using mervalon::formats::PointValue;

namespace {

/// A record in which every field differs from the default one, and that the window shows
/// unchanged: each created entity has its values and a colour, and its format exists.
config::Configuration distinctRecord()
{
    config::Configuration c;
    c.entity(EntityKind::Point).create = 1;
    c.entity(EntityKind::Point).flat = 1;
    c.entity(EntityKind::Point).layer = "PTS";
    c.entity(EntityKind::Point).color = 5;
    c.entity(EntityKind::Number).create = 1;
    c.entity(EntityKind::Number).flat = 0;
    c.entity(EntityKind::Number).height = "2.500";
    c.entity(EntityKind::Number).layer = "NUM";
    c.entity(EntityKind::Number).color = 12;
    c.entity(EntityKind::X).create = 1;
    c.entity(EntityKind::X).flat = 1;
    c.entity(EntityKind::X).height = "0.250";
    c.entity(EntityKind::X).decimals = 4;
    c.entity(EntityKind::X).layer = "XC";
    c.entity(EntityKind::X).color = 255;
    c.entity(EntityKind::Y).create = 0;
    c.entity(EntityKind::Y).flat = 0;
    c.entity(EntityKind::Y).height = "7";
    c.entity(EntityKind::Y).decimals = 1;
    c.entity(EntityKind::Y).layer = "YC";
    c.entity(EntityKind::Y).color = 9;
    c.entity(EntityKind::Elevation).create = 1;
    c.entity(EntityKind::Elevation).flat = 0;
    c.entity(EntityKind::Elevation).height = "1.125";
    c.entity(EntityKind::Elevation).decimals = 5;
    c.entity(EntityKind::Elevation).layer = "Z_TXT";
    c.entity(EntityKind::Elevation).color = 8;
    c.entity(EntityKind::Description).create = 0;
    c.entity(EntityKind::Description).flat = 1;
    c.entity(EntityKind::Description).height = "3.000";
    c.entity(EntityKind::Description).layer = "DESC";
    c.entity(EntityKind::Description).color = 6;
    c.entity(EntityKind::Polyline).create = 1;
    c.entity(EntityKind::Polyline).flat = 0;
    c.entity(EntityKind::Polyline).layer = "LINES";
    c.entity(EntityKind::Polyline).color = 2;
    c.formatIndex = 3;
    c.formatName = "penzd semicolon";
    c.modifiers = {1, 0, 100, 5, 1000, 1, 10.5, -20.25, 0.125, 1, 99.5};
    c.fileTypeIndex = 1;
    c.autoSelect = 1;
    c.layout.slot = {3, 1, 0, -1, -1};
    c.layout.distance = "1.250";
    return c;
}

QString configurationsFolder(const Program& program)
{
    return program.installDir() + QStringLiteral("/configurations");
}

void writeRecord(const QString& path, const config::Configuration& record)
{
    config::writeConfigurationFile(path.toStdString(), record);
}

/// Loads `path` through the load button, answering the question with `answer` if it is asked.
void loadThroughButton(FakeInteraction& interaction, MainWindow& window, const QString& path)
{
    interaction.chosenPaths.push_back(path);
    ConfigurationPage(window).loadButton()->click();
}

qint32 int32At(const QByteArray& bytes, int offset)
{
    return qFromLittleEndian<qint32>(bytes.constData() + offset);
}

double doubleAt(const QByteArray& bytes, int offset)
{
    double value = 0;
    const auto bits = qFromLittleEndian<quint64>(bytes.constData() + offset);
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

QByteArray textAt(const QByteArray& bytes, int offset)
{
    return bytes.mid(offset + 1, static_cast<unsigned char>(bytes.at(offset)));
}

/// Commands whose "has changed" question goes on at once, for tests of other steps.
Program::CommandsFactory goOn()
{
    struct Commands : ConfigurationCommands {
        using ConfigurationCommands::ConfigurationCommands;
        bool confirmConfigurationChanges(ConfigurationView&) override { return true; }
    };
    return [](Interaction& interaction, const QString& installDir) -> std::unique_ptr<ConfigurationCommands> {
        return std::make_unique<Commands>(interaction, installDir);
    };
}

} // namespace

class ConfigurationCommandsTest : public QObject {
    Q_OBJECT
  public:
    explicit ConfigurationCommandsTest(TestEnvironment& environment) : m_environment(environment) {}

  private slots:
    void init() { m_environment.reset(); }

    void theDefaultConfigurationIsShownAtStartAndCountsAsUnchanged()
    {
        FakeInteraction interaction;
        auto program = startProgram(interaction);
        MainWindow& window = program->mainWindow();
        QVERIFY(EntityPanelsPage(window).createBox(EntityKind::Point)->isChecked());
        QVERIFY(EntityPanelsPage(window).spatialButton(EntityKind::Point)->isChecked());
        QCOMPARE(EntityPanelsPage(window).layerEdit(EntityKind::Point)->text(), QStringLiteral("POINTS"));
        QCOMPARE(EntityPanelsPage(window).colorPanel(EntityKind::Point)->text(), QStringLiteral("White"));
        QCOMPARE(EntityPanelsPage(window).colorPanel(EntityKind::Point)->colorNumber(), 7);
        QCOMPARE(EntityPanelsPage(window).precisionList(EntityKind::Elevation)->currentIndex(), 2);
        QVERIFY(!EntityPanelsPage(window).createBox(EntityKind::X)->isChecked());
        QVERIFY(!EntityPanelsPage(window).layerEdit(EntityKind::X)->isEnabled());
        QCOMPARE(MainWindowPage(window).formatList()->currentText(), QStringLiteral("!default"));
        QVERIFY(MainWindowPage(window).formatDescription()->text().startsWith(QStringLiteral("Number, East (X)")));
        QCOMPARE(MainWindowPage(window).dataModifiersButton()->text(), QStringLiteral("Data modifiers ( OFF ) ..."));
        QCOMPARE(window.currentFormat().value(PointValue::Z).column, 4);
        QCOMPARE(interaction.messages.size(), std::size_t(0));
        QSignalSpy ended(&window, &MainWindow::programEnded);
        QVERIFY(window.close());
        QCOMPARE(ended.count(), 1);
        QCOMPARE(interaction.messages.size(), std::size_t(0));
    }

    void anAppliedRecordIsReadBackFromEveryControl()
    {
        FakeInteraction interaction;
        auto program = startProgram(interaction, goOn());
        MainWindow& window = program->mainWindow();
        const config::Configuration record = distinctRecord();
        const QString path = configurationsFolder(*program) + QStringLiteral("/distinct.rp4");
        writeRecord(path, record);
        loadThroughButton(interaction, window, path);
        QCOMPARE(interaction.messages.size(), std::size_t(0));
        QCOMPARE(ConfigurationPage(window).nameLabel()->text(), QStringLiteral("distinct.rp4"));
        QCOMPARE(readFile(program->installDir() + QStringLiteral("/mervalon40.ini")), QByteArray("distinct.rp4"));
        QCOMPARE(EntityPanelsPage(window).heightEdit(EntityKind::Number)->text(), QStringLiteral("2.500"));
        QCOMPARE(EntityPanelsPage(window).colorPanel(EntityKind::Number)->text(), QStringLiteral("Color 12"));
        QCOMPARE(EntityPanelsPage(window).colorPanel(EntityKind::Elevation)->text(), QStringLiteral("Grey"));
        QCOMPARE(EntityPanelsPage(window).precisionList(EntityKind::X)->currentIndex(), 4);
        QVERIFY(EntityPanelsPage(window).flatButton(EntityKind::Point)->isChecked());
        QVERIFY(EntityPanelsPage(window).spatialButton(EntityKind::Number)->isChecked());
        QCOMPARE(FileSelectionPage(window).fileTypeList()->currentIndex(), 1);
        QVERIFY(FileSelectionPage(window).autoSelectBox()->isChecked());
        QCOMPARE(MainWindowPage(window).dataModifiersButton()->text(), QStringLiteral("Data modifiers ( ON ) ..."));
        QVERIFY(!EntityPanelsPage(window).heightEdit(EntityKind::Y)->isEnabled()); // Y text not created

        // Every stored byte comes back from the window.
        config::Configuration captured =
            ConfigurationCommands(interaction, program->installDir()).captureConfiguration(window);
        QCOMPARE(captured.formatIndex, 3);
        QVERIFY(config::encodeConfiguration(captured) == config::encodeConfiguration(record));
    }

    void everyControlIsCapturedAndTextsAreCutToTheirCapacity()
    {
        FakeInteraction interaction;
        auto program = startProgram(interaction);
        MainWindow& window = program->mainWindow();
        const QString longLayer = QString(60, QLatin1Char('L'));
        EntityPanelsPage(window).layerEdit(EntityKind::Number)->setText(longLayer);
        EntityPanelsPage(window).heightEdit(EntityKind::Number)->setText(QStringLiteral("123456789012"));
        EntityPanelsPage(window).createBox(EntityKind::X)->click();
        EntityPanelsPage(window).flatButton(EntityKind::X)->click();
        EntityPanelsPage(window).precisionList(EntityKind::Y)->setCurrentIndex(5);
        EntityPanelsPage(window).colorPanel(EntityKind::Polyline)->showColorNumber(200);
        auto* format = MainWindowPage(window).formatList();
        format->setCurrentIndex(format->findText(QStringLiteral("penzd tab")));
        const config::Configuration captured =
            ConfigurationCommands(interaction, program->installDir()).captureConfiguration(window);
        QCOMPARE(captured.entity(EntityKind::Number).layer, std::string(50, 'L'));
        QCOMPARE(captured.entity(EntityKind::Number).height, std::string("1234567890"));
        QCOMPARE(captured.entity(EntityKind::X).create, std::uint8_t(1));
        QCOMPARE(captured.entity(EntityKind::X).flat, std::uint8_t(1));
        // Switched on with the stored values kept: the default record holds them all.
        QCOMPARE(captured.entity(EntityKind::X).layer, std::string("X_COORD"));
        QCOMPARE(captured.entity(EntityKind::X).decimals, 3);
        QCOMPARE(captured.entity(EntityKind::Y).decimals, 5);
        QCOMPARE(captured.entity(EntityKind::Polyline).color, 200);
        QCOMPARE(captured.formatName, std::string("penzd tab"));
        QCOMPARE(captured.formatIndex, format->currentIndex());
        QCOMPARE(captured.alwaysPolyline, std::uint8_t(0));
        QCOMPARE(captured.layout.slot, (std::array<std::int32_t, 5>{0, 3, 4, -1, -1}));
    }

    void aSavedConfigurationHasTheRecordLayoutAndReloadsUnchanged()
    {
        QString folder;
        {
            FakeInteraction interaction;
            auto program = startProgram(interaction);
            MainWindow& window = program->mainWindow();
            folder = configurationsFolder(*program);
            EntityPanelsPage(window).layerEdit(EntityKind::Point)->setText(QStringLiteral("SURVEY_POINTS"));
            EntityPanelsPage(window).colorPanel(EntityKind::Point)->showColorNumber(4);
            interaction.chosenPaths.push_back(folder + QStringLiteral("/site"));
            ConfigurationPage(window).saveButton()->click();
            QCOMPARE(interaction.calls.filter(QStringLiteral("save: ")),
                     QStringList{"save: Save current configuration."});
            QCOMPARE(ConfigurationPage(window).nameLabel()->text(), QStringLiteral("site.rp4"));
            QCOMPARE(readFile(program->installDir() + QStringLiteral("/mervalon40.ini")), QByteArray("site.rp4"));

            const QByteArray bytes = readFile(folder + QStringLiteral("/site.rp4"));
            QCOMPARE(bytes.size(), 672);
            QCOMPARE(int32At(bytes, 0), 0);
            QCOMPARE(bytes.at(4), char(1)); // pointCreate
            QCOMPARE(bytes.at(5), char(0)); // point2D
            QCOMPARE(textAt(bytes, 6), QByteArray("SURVEY_POINTS"));
            QCOMPARE(int32At(bytes, 60), 4);                      // pointColor
            QCOMPARE(textAt(bytes, 66), QByteArray("0.5"));       // numberHeight
            QCOMPARE(int32At(bytes, 148), 3);                     // xDecimals
            QCOMPARE(int32At(bytes, 300), 2);                     // elevationDecimals
            QCOMPARE(int32At(bytes, 484), 1);                     // polylineColor
            QCOMPARE(textAt(bytes, 492), QByteArray("!default")); // formatName
            QCOMPARE(bytes.at(561), char(1));                     // useNewStartNumber
            QCOMPARE(int32At(bytes, 564), 1);                     // startNumber
            QCOMPARE(doubleAt(bytes, 616), 0.0);                  // defaultZ
            QCOMPARE(int32At(bytes, 628), 0);                     // fileTypeIndex
            QCOMPARE(int32At(bytes, 640), 0);
            QCOMPARE(int32At(bytes, 644), 3);
            QCOMPARE(int32At(bytes, 648), 4);
            QCOMPARE(int32At(bytes, 652), -1);
            QCOMPARE(textAt(bytes, 660), QByteArray("0.5")); // distance
            for (int gap : {57, 58, 59, 145, 203, 553, 562, 577, 609, 625, 633, 671}) {
                QCOMPARE(bytes.at(gap), char(0));
            }
            // Saved, so nothing is asked on leaving.
            QVERIFY(window.close());
            QCOMPARE(interaction.calls.filter(QStringLiteral("message: ")), QStringList());
        }
        FakeInteraction interaction;
        auto program = startProgram(interaction);
        QCOMPARE(ConfigurationPage(program->mainWindow()).nameLabel()->text(), QStringLiteral("site.rp4"));
        QCOMPARE(EntityPanelsPage(program->mainWindow()).layerEdit(EntityKind::Point)->text(),
                 QStringLiteral("SURVEY_POINTS"));
        QCOMPARE(EntityPanelsPage(program->mainWindow()).colorPanel(EntityKind::Point)->text(), QStringLiteral("Cyan"));
        QVERIFY(program->mainWindow().close());
        QCOMPARE(interaction.messages.size(), std::size_t(0));
    }

    void theSuffixRuleLooksAtTheFileNameOnly_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("written");
        QTest::newRow("no suffix") << "/c/site"
                                   << "/c/site.rp4";
        QTest::newRow("suffix typed") << "/c/site.rp4"
                                      << "/c/site.rp4";
        QTest::newRow("suffix inside") << "/c/site.rp4.bak"
                                       << "/c/site.rp4.bak";
        QTest::newRow("other case") << "/c/SITE.RP4"
                                    << "/c/SITE.RP4.rp4";
        QTest::newRow("folder named .rp4") << "/c/old.rp4/site"
                                           << "/c/old.rp4/site.rp4";
    }

    void theSuffixRuleLooksAtTheFileNameOnly()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, written);
        QCOMPARE(configurationSavePath(chosen), written);
    }

    void aFileThatGetsTheSuffixIsNotReplacedWithoutAsking_data()
    {
        QTest::addColumn<MessageAnswer>("answer");
        QTest::addColumn<bool>("replaced");
        QTest::newRow("yes") << MessageAnswer::Yes << true;
        QTest::newRow("no") << MessageAnswer::No << false;
    }

    void aFileThatGetsTheSuffixIsNotReplacedWithoutAsking()
    {
        QFETCH(MessageAnswer, answer);
        QFETCH(bool, replaced);
        FakeInteraction interaction;
        auto program = startProgram(interaction);
        const QString site = configurationsFolder(*program) + QStringLiteral("/site.rp4");
        writeFile(site, QByteArray(672, '\x01'));
        EntityPanelsPage(program->mainWindow()).layerEdit(EntityKind::Point)->setText(QStringLiteral("OTHER"));
        interaction.chosenPaths.push_back(configurationsFolder(*program) + QStringLiteral("/site"));
        interaction.answers.push_back(answer);
        ConfigurationPage(program->mainWindow()).saveButton()->click();
        QCOMPARE(interaction.messages.size(), std::size_t(1));
        QCOMPARE(interaction.messages[0].text,
                 QStringLiteral("\"site.rp4\" already exists. Do you want to replace it?"));
        QCOMPARE(interaction.messages[0].buttons, MessageButtons::YesNo);
        QCOMPARE(readFile(site) != QByteArray(672, '\x01'), replaced);
        QCOMPARE(ConfigurationPage(program->mainWindow()).nameLabel()->text(),
                 replaced ? QStringLiteral("site.rp4") : QStringLiteral("!Default.rp4"));
    }

    void aFailedWriteIsReportedAndChangesNothing()
    {
        FakeInteraction interaction;
        auto program = startProgram(interaction);
        EntityPanelsPage(program->mainWindow()).layerEdit(EntityKind::Point)->setText(QStringLiteral("OTHER"));
        interaction.chosenPaths.push_back(m_environment.root() + QStringLiteral("/missing/folder/site"));
        ConfigurationPage(program->mainWindow()).saveButton()->click();
        QCOMPARE(interaction.messages.size(), std::size_t(1));
        QCOMPARE(interaction.messages[0].icon, MessageIcon::Error);
        QVERIFY(interaction.messages[0].text.contains(QStringLiteral("site.rp4")));
        QCOMPARE(ConfigurationPage(program->mainWindow()).nameLabel()->text(), QStringLiteral("!Default.rp4"));
        QCOMPARE(readFile(program->installDir() + QStringLiteral("/mervalon40.ini")), QByteArray("!Default.rp4"));
        QVERIFY(ConfigurationCommands(interaction, program->installDir())
                    .captureConfiguration(program->mainWindow())
                    .entity(EntityKind::Point)
                    .layer == "OTHER");
    }

    // The question guards loading: what each answer does to the load that asked it.
    void theQuestionsAnswers_data()
    {
        QTest::addColumn<QList<MessageAnswer>>("answers");
        QTest::addColumn<bool>("saveDialogAnswered");
        QTest::addColumn<bool>("breakLayout");
        QTest::addColumn<bool>("loadGoesOn");
        QTest::addColumn<bool>("saved");
        QTest::newRow("yes, saved") << QList<MessageAnswer>{MessageAnswer::Yes} << true << false << true << true;
        QTest::newRow("no") << QList<MessageAnswer>{MessageAnswer::No} << false << false << true << false;
        QTest::newRow("cancel") << QList<MessageAnswer>{MessageAnswer::Cancel} << false << false << false << false;
        QTest::newRow("yes, dialog cancelled")
            << QList<MessageAnswer>{MessageAnswer::Yes} << false << false << false << false;
        // The layout check refuses: the load stops so that the user can mend and save.
        QTest::newRow("yes, check fails")
            << QList<MessageAnswer>{MessageAnswer::Yes, MessageAnswer::Cancel} << false << true << false << false;
    }

    void theQuestionsAnswers()
    {
        QFETCH(QList<MessageAnswer>, answers);
        QFETCH(bool, saveDialogAnswered);
        QFETCH(bool, breakLayout);
        QFETCH(bool, loadGoesOn);
        QFETCH(bool, saved);
        FakeInteraction interaction;
        auto program = startProgram(interaction);
        MainWindow& window = program->mainWindow();
        const QString folder = configurationsFolder(*program);
        writeRecord(folder + QStringLiteral("/other.rp4"), distinctRecord());
        EntityPanelsPage(window).layerEdit(EntityKind::Number)->setText(QStringLiteral("CHANGED"));
        if (breakLayout) {
            EntityPanelsPage(window).createBox(EntityKind::X)->click(); // four texts created, three places filled
        }
        for (MessageAnswer answer : answers) {
            interaction.answers.push_back(answer);
        }
        if (answers.first() == MessageAnswer::Yes && !breakLayout) {
            // The save dialog comes first: answered with a name, or cancelled.
            interaction.chosenPaths.push_back(saveDialogAnswered ? folder + QStringLiteral("/mine.rp4") : QString());
        }
        interaction.chosenPaths.push_back(folder + QStringLiteral("/other.rp4"));
        ConfigurationPage(window).loadButton()->click();

        QCOMPARE(interaction.messages.at(0).text,
                 QStringLiteral("Current configuration has changed, do you want to save it ?"));
        QCOMPARE(interaction.messages.at(0).buttons, MessageButtons::YesNoCancel);
        QCOMPARE(interaction.messages.at(0).icon, MessageIcon::Information);
        if (breakLayout) {
            QCOMPARE(interaction.messages.at(1).text, QStringLiteral("Please check entities creation."));
            QCOMPARE(interaction.calls.filter(QStringLiteral("save: ")).size(), 0);
        }
        QCOMPARE(QFileInfo::exists(folder + QStringLiteral("/mine.rp4")), saved);
        QCOMPARE(interaction.calls.filter(QStringLiteral("open: Load a configuration file")).size(),
                 loadGoesOn ? 1 : 0);
        QCOMPARE(ConfigurationPage(window).nameLabel()->text(),
                 loadGoesOn ? QStringLiteral("other.rp4") : QStringLiteral("!Default.rp4"));
        QCOMPARE(EntityPanelsPage(window).layerEdit(EntityKind::Number)->text(),
                 loadGoesOn ? QStringLiteral("NUM") : QStringLiteral("CHANGED"));
    }

    void aShortFileIsRefusedAndNothingChanges()
    {
        FakeInteraction interaction;
        auto program = startProgram(interaction);
        MainWindow& window = program->mainWindow();
        const QString shortFile = configurationsFolder(*program) + QStringLiteral("/short.rp4");
        writeFile(shortFile, QByteArray(671, '\0'));
        EntityPanelsPage(window).layerEdit(EntityKind::Point)->setText(QStringLiteral("TYPED"));
        interaction.answers.push_back(MessageAnswer::No);
        loadThroughButton(interaction, window, shortFile);
        QCOMPARE(interaction.messages.size(), std::size_t(2));
        QCOMPARE(interaction.messages[1].text, QStringLiteral("This is not a Mervalon 4.0 configuration file. "));
        QCOMPARE(interaction.messages[1].icon, MessageIcon::Error);
        QCOMPARE(EntityPanelsPage(window).layerEdit(EntityKind::Point)->text(), QStringLiteral("TYPED"));
        QCOMPARE(ConfigurationPage(window).nameLabel()->text(), QStringLiteral("!Default.rp4"));
        QCOMPARE(readFile(program->installDir() + QStringLiteral("/mervalon40.ini")), QByteArray("!Default.rp4"));
    }

    void substitutesAreAnnouncedAndCountAsChanges_data()
    {
        QTest::addColumn<QString>("formatName");
        QTest::addColumn<int>("fileTypeIndex");
        QTest::addColumn<QString>("shownFormat");
        QTest::addColumn<int>("shownFileType");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("all known") << "penzd tab" << 1 << "penzd tab" << 1 << QStringList();
        QTest::newRow("format in other case") << "PENZD Tab" << 1 << "penzd tab" << 1 << QStringList();
        QTest::newRow("format gone")
            << "roads" << 1 << "!default" << 1
            << QStringList{"Format named \"roads\" no longer exists. !Default format will be used instead"};
        QTest::newRow("file type out of range")
            << "penzd tab" << 3 << "penzd tab" << 0
            << QStringList{"File extension does not exist in the extension list, default will be used."};
        QTest::newRow("both") << "roads" << 7 << "!default" << 0
                              << QStringList{
                                     "Format named \"roads\" no longer exists. !Default format will be used instead",
                                     "File extension does not exist in the extension list, default will be used."};
    }

    void substitutesAreAnnouncedAndCountAsChanges()
    {
        QFETCH(QString, formatName);
        QFETCH(int, fileTypeIndex);
        QFETCH(QString, shownFormat);
        QFETCH(int, shownFileType);
        QFETCH(QStringList, messages);
        FakeInteraction interaction;
        auto program = startProgram(interaction);
        MainWindow& window = program->mainWindow();
        config::Configuration record = distinctRecord();
        record.formatName = formatName.toStdString();
        record.fileTypeIndex = fileTypeIndex;
        const QString path = configurationsFolder(*program) + QStringLiteral("/stored.rp4");
        writeRecord(path, record);
        loadThroughButton(interaction, window, path);
        QStringList shown;
        for (const ShownMessage& message : interaction.messages) {
            QCOMPARE(message.icon, MessageIcon::Information);
            shown << message.text;
        }
        QCOMPARE(shown, messages);
        QCOMPARE(MainWindowPage(window).formatList()->currentText(), shownFormat);
        QCOMPARE(FileSelectionPage(window).fileTypeList()->currentIndex(), shownFileType);
        const bool substituted = shownFormat != formatName || shownFileType != fileTypeIndex;
        interaction.answers.push_back(MessageAnswer::Cancel);
        QCOMPARE(window.close(), !substituted);
    }

    void aMissingConfigurationFallsBackToTheDefault()
    {
        const QString installDir = TestEnvironment::install();
        writeFile(installDir + QStringLiteral("/mervalon40.ini"), "gone.rp4");
        QFile::remove(installDir + QStringLiteral("/configurations/!Default.rp4"));
        FakeInteraction interaction;
        auto program = startProgram(interaction);
        QCOMPARE(interaction.messages.size(), std::size_t(1));
        QCOMPARE(interaction.messages[0].text, QStringLiteral("Mervalon cannot find \"gone.rp4\" configuration file, "
                                                              "\"!Default.rp4\" will be used instead. "));
        QVERIFY(QFileInfo::exists(installDir + QStringLiteral("/configurations/!Default.rp4")));
        QCOMPARE(ConfigurationPage(program->mainWindow()).nameLabel()->text(), QStringLiteral("!Default.rp4"));
        QVERIFY(EntityPanelsPage(program->mainWindow()).createBox(EntityKind::Point)->isChecked());
        QCOMPARE(readFile(installDir + QStringLiteral("/mervalon40.ini")), QByteArray("gone.rp4"));
    }

  private:
    TestEnvironment& m_environment;
};

MERVALON_APP_TEST_MAIN(ConfigurationCommandsTest)
#include "ConfigurationCommands_test.moc"
