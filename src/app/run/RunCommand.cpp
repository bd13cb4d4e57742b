#include "app/run/RunCommand.h"

#include "app/configuration/ConfigurationCommands.h"
#include "app/entities/EntityPanels.h"
#include "app/files/FileSelectionPanel.h"
#include "app/mainwindow/MainWindow.h"
#include "app/run/FormatFitCheck.h"
#include "app/run/ProgressWindow.h"
#include "app/run/RunRules.h"
#include "app/shell/Interaction.h"
#include "app/viewers/Viewers.h"
#include "core/engine/RunLog.h"

#include <exception>

namespace mervalon::app {

RunCommand::RunCommand(Interaction& interaction, MainWindow& window, ConfigurationCommands& commands,
                       ProgressWindow& progress, Viewers& viewers, QString installDir)
    : timestamp(engine::reportTimestamp), m_interaction(interaction), m_window(window), m_commands(commands),
      m_progress(progress), m_viewers(viewers), m_installDir(std::move(installDir)),
      m_fitCheck(std::make_unique<FormatFitCheck>(interaction, window, m_installDir))
{
}

RunCommand::~RunCommand() = default;

void RunCommand::createDxfFiles()
{
    if (m_running) {
        return;
    }
    RunInputs inputs;
    inputs.format = m_window.currentFormat();
    inputs.dialect = m_window.currentDialect();
    if (const auto message = formatMismatchMessage(inputs.format.isExcel != 0, m_window.currentExtensionsText())) {
        m_interaction.showMessage(MessageIcon::Information, MessageButtons::Ok, *message);
        m_window.focusFormatList();
        return;
    }
    // A layer name or text height the entity tabs refuse is refused here too, with the same one
    // message and the focus in its field; nothing is written.
    if (!m_window.entityPanels().checkFields()) {
        return;
    }
    // Shows its own message, and on OK the entities order.
    if (!m_window.checkEntitiesCreation()) {
        return;
    }
    // A format that does not fit the files is said before anything is written; the user may
    // take the layout detected in them instead, which becomes the current format.
    if (!m_fitCheck->confirm()) {
        return;
    }
    inputs.format = m_window.currentFormat();
    inputs.dialect = m_window.currentDialect();
    inputs.configuration = m_commands.captureConfiguration(m_window);
    const FileSelectionPanel& files = m_window.files();
    inputs.fileNames = files.selectedFiles();
    inputs.sourceFolder = files.inputFolder();
    inputs.destinationFolder = files.destinationFolder();
    inputs.errorPolicy = effectiveErrorPolicy(m_window.runOptions().errorPolicy());
    inputs.installDir = m_installDir;
    run(inputs);
}

void RunCommand::run(const RunInputs& inputs)
{
    RunInputs stamped = inputs;
    stamped.timestamp = timestamp();
    engine::RunRequest request = buildRunRequest(stamped);
    if (const auto refusal = runRefusal(stamped, request)) {
        m_interaction.showMessage(MessageIcon::Information, MessageButtons::Ok, *refusal);
        return;
    }
    // A faulty code library stops the run before anything is written, as on the command line.
    if (const auto fault = attachCodeLibrary(request, stamped.configuration)) {
        m_interaction.showMessage(MessageIcon::Error, MessageButtons::Ok, *fault);
        return;
    }

    m_running = true;
    m_leaveAfterRun = false;
    m_window.setRunning(true);
    m_progress.begin();
    bool errorsOccurred = false;
    QString failure;
    try {
        errorsOccurred = engine::runBatch(request, m_progress);
    } catch (const std::exception& error) {
        // The report could not be created or completed: the run must not look like a success.
        failure = QString::fromUtf8(error.what());
    }
    m_progress.end();
    m_window.setRunning(false);
    m_running = false;

    if (!failure.isEmpty()) {
        m_interaction.showMessage(MessageIcon::Error, MessageButtons::Ok, failure);
    }
    if (m_leaveAfterRun) {
        m_window.exitProgram();
        return;
    }
    if (failure.isEmpty() && reportShownAfterRun(m_window.runOptions().reportPolicy(), errorsOccurred)) {
        m_viewers.showReport();
    }
}

bool RunCommand::mayCloseMainWindow()
{
    if (!m_running) {
        return true;
    }
    if (!m_leaveAfterRun && m_interaction.showMessage(MessageIcon::Confirmation, MessageButtons::YesNo,
                                                      kRunInProgressOnExit) == MessageAnswer::Yes) {
        m_leaveAfterRun = true;
        m_progress.requestStop();
    }
    return false;
}

} // namespace mervalon::app
