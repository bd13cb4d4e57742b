#include "app/shell/Program.h"

#include "app/configuration/ConfigurationCommands.h"
#include "app/files/DestinationFolderDialog.h"
#include "app/files/ExtensionListDialog.h"
#include "app/files/FileSelectionPanel.h"
#include "app/formats/FormatEditorDialog.h"
#include "app/formats/FormatNamePrompt.h"
#include "app/help/ActiveHelp.h"
#include "app/help/HelpTopicsRules.h"
#include "app/help/HintSwitch.h"
#include "app/mainwindow/MainWindow.h"
#include "app/run/ProgressWindow.h"
#include "app/run/RunCommand.h"
#include "app/shell/Interaction.h"
#include "app/shell/QtInteraction.h"
#include "app/spreadsheet/SpreadsheetPreview.h"
#include "app/viewers/ReportViewer.h"
#include "app/viewers/TextViewer.h"
#include "app/viewers/Viewers.h"
#include "platform/Installation.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QIcon>
#include <QKeyEvent>
#include <QLocale>
#include <QStringList>
#include <clocale>
#include <iostream>

// Resources compiled into a static library are registered only when asked for; the macro
// must be used outside any namespace.
static void initResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace mervalon::app {

namespace {

/// F1 in any window of the program shows the manual (its dialogs' Help buttons do the same).
class HelpKey : public QObject {
  public:
    HelpKey(Interaction& interaction, QString installDir)
        : m_interaction(interaction), m_installDir(std::move(installDir))
    {
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // A key goes to the window first, then to its focused widget: taken there, once.
        if (event->type() != QEvent::KeyPress || !watched->isWidgetType() ||
            static_cast<QKeyEvent*>(event)->key() != Qt::Key_F1) {
            return false;
        }
        showHelpFile(m_interaction, m_installDir);
        return true;
    }

  private:
    Interaction& m_interaction;
    QString m_installDir;
};

} // namespace

Program::Program(Interaction& interaction, CommandsFactory commandsFactory) : m_interaction(interaction)
{
    // Every number the program writes or reads uses "." whatever the user's locale.
    std::setlocale(LC_NUMERIC, "C");
    QLocale::setDefault(QLocale::c());

    initResources();
    // The application title is "Mervalon 4.0"; it is not set as Qt's display name, which the
    // desktop would append to every window's own title.
    QGuiApplication::setWindowIcon(QIcon(QStringLiteral(":/mervalon/mervalon.png")));
    m_hints = std::make_unique<HintSwitch>();
    m_mainWindow = std::make_unique<MainWindow>(interaction, m_settings, *m_hints);
    m_progressWindow = std::make_unique<ProgressWindow>(m_mainWindow.get());
    m_destinationDialog = std::make_unique<DestinationFolderDialog>(interaction, m_mainWindow.get());
    m_textViewer = std::make_unique<TextViewer>(interaction, m_mainWindow.get());
    m_reportViewer = std::make_unique<ReportViewer>(interaction, m_mainWindow.get());
    m_extensionDialog = std::make_unique<ExtensionListDialog>(interaction, m_mainWindow.get());
    m_formatEditor = std::make_unique<FormatEditorDialog>(interaction, m_mainWindow.get());
    m_newFormatPrompt =
        std::make_unique<FormatNamePrompt>(FormatNamePrompt::Kind::NewFormat, interaction, m_formatEditor.get());
    m_renamePrompt =
        std::make_unique<FormatNamePrompt>(FormatNamePrompt::Kind::Rename, interaction, m_formatEditor.get());
    m_spreadsheetPreview = std::make_unique<SpreadsheetPreview>(interaction, m_mainWindow.get());
    m_activeHelp = std::make_unique<ActiveHelp>(interaction, *m_mainWindow);
    m_mainWindow->setWindowTitle(QStringLiteral(" Mervalon 4.0"));

    try {
        QStringList notices;
        m_installDir = platform::ensureInstallation(m_settings, &notices);
        // A shipped file the user changed was kept; say once where this version's one was put.
        for (const QString& notice : notices) {
            m_interaction.showMessage(MessageIcon::Information, MessageButtons::Ok, notice);
        }
    } catch (const std::exception& error) {
        // The window still opens; its start reports what it cannot read.
        m_interaction.showMessage(MessageIcon::Error, MessageButtons::Ok, QString::fromUtf8(error.what()));
        m_installDir = m_settings.read(platform::keys::installPath);
    }
    m_commands = commandsFactory ? commandsFactory(interaction, m_installDir)
                                 : std::make_unique<ConfigurationCommands>(interaction, m_installDir);
    m_mainWindow->attach(m_installDir, *m_commands, *m_destinationDialog, *m_extensionDialog);
    m_formatEditor->attach(m_installDir, *m_newFormatPrompt, *m_renamePrompt);
    m_mainWindow->attachFormatEditor(*m_formatEditor);
    m_formatEditor->attachPreviewSource([window = m_mainWindow.get()] {
        const FileSelectionPanel& files = window->files();
        return PreviewSource{
            FormatPreviewRules::previewFile(files.selectedFiles(), files.currentFile(), files.inputFolder()),
            window->dataModifiers()};
    });
    m_activeHelp->setInstallDir(m_installDir);
    m_mainWindow->attachHelp(*m_activeHelp);
    // Closing the Active Help window is refused until the user leaves the program.
    QObject::connect(m_mainWindow.get(), &MainWindow::programEnded, m_activeHelp.get(), &ActiveHelp::allowClosing);
    m_mainWindow->fillFormatList();

    MainWindow* window = m_mainWindow.get();
    m_viewers = std::make_unique<Viewers>(
        interaction, m_installDir, [window] { return window->useInternalViewer(); }, *m_textViewer, *m_reportViewer,
        *m_spreadsheetPreview);
    m_runCommand =
        std::make_unique<RunCommand>(interaction, *window, *m_commands, *m_progressWindow, *m_viewers, m_installDir);
    QObject::connect(window, &MainWindow::createDxfFilesRequested, m_runCommand.get(), &RunCommand::createDxfFiles);
    Viewers* viewers = m_viewers.get();
    QObject::connect(window, &MainWindow::lastReportRequested, window, [viewers] { viewers->showLastReport(); });
    QObject::connect(&window->files(), &FileSelectionPanel::viewFileRequested, window,
                     [viewers](const QString& path) { viewers->viewFile(path); });
    window->setCloseGuard([run = m_runCommand.get()] { return run->mayCloseMainWindow(); });
    m_helpKey = std::make_unique<HelpKey>(interaction, m_installDir);
    QApplication::instance()->installEventFilter(m_helpKey.get());
    // The tooltip delays are set by HintSwitch: shown after 100 ms, for 8000 ms.
}

Program::~Program()
{
    // The dialogs are children of the main window; release them first so each is deleted once.
    m_mainWindow->setCloseGuard({});
    m_runCommand.reset();
    m_viewers.reset();
    m_spreadsheetPreview.reset();
    m_renamePrompt.reset();
    m_newFormatPrompt.reset();
    m_formatEditor.reset();
    m_activeHelp.reset();
    m_extensionDialog.reset();
    m_reportViewer.reset();
    m_textViewer.reset();
    m_destinationDialog.reset();
    m_progressWindow.reset();
    m_mainWindow.reset();
}

bool Program::loadGivenConfiguration(const QString& path)
{
    if (!m_mainWindow->startSucceeded()) {
        return false;
    }
    return m_commands->loadConfigurationFrom(*m_mainWindow, QFileInfo(path).absoluteFilePath());
}

namespace {

void describeCommandLine(QCommandLineParser& parser)
{
    QCoreApplication::setApplicationVersion(QStringLiteral(MERVALON_VERSION));
    parser.setApplicationDescription(QStringLiteral("Converts surveyors' point files into DXF drawings. "
                                                    "A configuration file given is loaded at start."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("configuration"),
                                 QStringLiteral("The configuration file (.rp4) to load."),
                                 QStringLiteral("[CONFIGURATION.rp4]"));
}

} // namespace

void answerTextRequests(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    describeCommandLine(parser);
    // Qt's own options (-platform ...) are unknown here; the full start judges them.
    if (!parser.parse(QCoreApplication::arguments())) {
        return;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        parser.showVersion();
    }
    if (parser.isSet(QStringLiteral("help"))) {
        parser.showHelp();
    }
}

int startProgram(QApplication& application)
{
    QCommandLineParser parser;
    describeCommandLine(parser);
    parser.process(application);
    const QStringList given = parser.positionalArguments();
    if (given.size() > 1) {
        std::cerr << "mervalon: one configuration file at most, not " << given.size() << " (see --help)\n";
        return 2;
    }

    QtInteraction interaction;
    Program program(interaction);
    QObject::connect(&program.mainWindow(), &MainWindow::programEnded, &application, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    application.setQuitOnLastWindowClosed(false);
    program.mainWindow().show();
    if (!given.isEmpty()) {
        program.loadGivenConfiguration(given.front());
    }
    return application.exec();
}

} // namespace mervalon::app
