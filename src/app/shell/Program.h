#pragma once
// The program's start: the settings store, the installation folder, the main window and every
// dialog, created once for the whole run. startProgram() is the entry used by main(); tests
// build a Program with their own Interaction and drive the window without an event loop.

#include "platform/AppSettings.h"

#include <QString>
#include <functional>
#include <memory>

class QApplication;
class QObject;

namespace mervalon::app {

class ActiveHelp;
class ConfigurationCommands;
class DestinationFolderDialog;
class ExtensionListDialog;
class FormatEditorDialog;
class FormatNamePrompt;
class HintSwitch;
class Interaction;
class MainWindow;
class ProgressWindow;
class ReportViewer;
class RunCommand;
class TextViewer;
class Viewers;
class SpreadsheetPreview;

class Program {
  public:
    /// Runs the start steps up to, not including, the event loop: number formatting with ".",
    /// the settings store, the application title, the windows, the caption, InstallDir (making
    /// the per-user installation when there is none yet; a failure is reported), the format
    /// list and the tooltip timing. Showing mainWindow() then runs the window start.
    /// Makes the configuration commands for InstallDir; the default makes ConfigurationCommands.
    using CommandsFactory = std::function<std::unique_ptr<ConfigurationCommands>(Interaction&, const QString&)>;

    explicit Program(Interaction& interaction, CommandsFactory commandsFactory = {});
    ~Program();

    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    /// Loads the configuration file given on the command line, once the window has started, as
    /// the load command would load it. False when the window's start failed (already reported)
    /// or the file could not be read (reported).
    bool loadGivenConfiguration(const QString& path);

    [[nodiscard]] MainWindow& mainWindow() const { return *m_mainWindow; }
    [[nodiscard]] DestinationFolderDialog& destinationDialog() const { return *m_destinationDialog; }
    [[nodiscard]] ExtensionListDialog& extensionListDialog() const { return *m_extensionDialog; }
    [[nodiscard]] ProgressWindow& progressWindow() const { return *m_progressWindow; }
    [[nodiscard]] TextViewer& textViewer() const { return *m_textViewer; }
    [[nodiscard]] ReportViewer& reportViewer() const { return *m_reportViewer; }
    [[nodiscard]] Viewers& viewers() const { return *m_viewers; }
    [[nodiscard]] RunCommand& runCommand() const { return *m_runCommand; }
    [[nodiscard]] ConfigurationCommands& configurationCommands() const { return *m_commands; }
    [[nodiscard]] FormatEditorDialog& formatEditor() const { return *m_formatEditor; }
    [[nodiscard]] SpreadsheetPreview& spreadsheetPreview() const { return *m_spreadsheetPreview; }
    [[nodiscard]] ActiveHelp& activeHelp() const { return *m_activeHelp; }
    [[nodiscard]] const QString& installDir() const { return m_installDir; }
    [[nodiscard]] platform::AppSettings& settings() { return m_settings; }

  private:
    Interaction& m_interaction;
    platform::AppSettings m_settings;
    std::unique_ptr<HintSwitch> m_hints;
    std::unique_ptr<MainWindow> m_mainWindow;
    std::unique_ptr<ProgressWindow> m_progressWindow;
    std::unique_ptr<DestinationFolderDialog> m_destinationDialog;
    std::unique_ptr<TextViewer> m_textViewer;
    std::unique_ptr<ReportViewer> m_reportViewer;
    std::unique_ptr<ExtensionListDialog> m_extensionDialog;
    std::unique_ptr<FormatEditorDialog> m_formatEditor;
    std::unique_ptr<FormatNamePrompt> m_newFormatPrompt;
    std::unique_ptr<FormatNamePrompt> m_renamePrompt;
    std::unique_ptr<SpreadsheetPreview> m_spreadsheetPreview;
    std::unique_ptr<ActiveHelp> m_activeHelp;
    std::unique_ptr<ConfigurationCommands> m_commands;
    std::unique_ptr<Viewers> m_viewers;
    std::unique_ptr<RunCommand> m_runCommand;
    std::unique_ptr<QObject> m_helpKey;
    QString m_installDir;
};

/// Answers --help and --version (printed on stdout; the process then ends) before anything needs
/// a display, so that they work on a text console too. Returns when neither is asked for.
void answerTextRequests(int argc, char** argv);

/// The program entry: reads the command line ("mervalon [CONFIGURATION.rp4]", --help,
/// --version), starts the program with the desktop's Interaction, shows the main window, loads
/// the configuration given and runs the event loop until the user leaves. Returns the exit code.
int startProgram(QApplication& application);

} // namespace mervalon::app
