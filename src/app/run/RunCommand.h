#pragma once
// "Create DXF Files...": checks that the format fits the file type and the layout fits the
// texts, captures the configuration, converts every selected file with the progress window as
// the run's sink, and shows the report as the report policy says. While a run goes on the
// main window takes no command, so no second run starts and the configuration stays as
// captured; closing the main window then asks to stop the run and leaves once it has stopped.

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <string>

namespace mervalon::app {

class ConfigurationCommands;
class FormatFitCheck;
class Interaction;
class MainWindow;
class ProgressWindow;
class Viewers;
struct RunInputs;

class RunCommand : public QObject {
    Q_OBJECT
  public:
    RunCommand(Interaction& interaction, MainWindow& window, ConfigurationCommands& commands, ProgressWindow& progress,
               Viewers& viewers, QString installDir);
    ~RunCommand() override;

    /// The click on "Create DXF Files...".
    void createDxfFiles();

    [[nodiscard]] bool isRunning() const { return m_running; }

    /// Asked when the main window is to close: true when it may. During a run the user is asked
    /// whether to stop it; on Yes the run stops and the program's exit follows it.
    bool mayCloseMainWindow();

    /// The check that the chosen format fits the selected files, asked before every run.
    [[nodiscard]] FormatFitCheck& fitCheck() const { return *m_fitCheck; }

    /// The date and time written into the report's header; tests fix it.
    std::function<std::string()> timestamp;

  private:
    void run(const RunInputs& inputs);

    Interaction& m_interaction;
    MainWindow& m_window;
    ConfigurationCommands& m_commands;
    ProgressWindow& m_progress;
    Viewers& m_viewers;
    QString m_installDir;
    bool m_running = false;
    bool m_leaveAfterRun = false;
    std::unique_ptr<FormatFitCheck> m_fitCheck;
};

} // namespace mervalon::app
