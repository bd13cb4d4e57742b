#pragma once
// The main window " Mervalon 4.0": the page control with the "DXF Creation", "Options" and
// "About" tabs, and the configuration strip below it. It binds its controls to the settings
// store, the run options, the file types and the folders; the rules live in MainWindowRules,
// RunOptions and ExtensionList, the questions in Interaction.

#include "app/RunOptions.h"
#include "core/config/ExtensionList.h"
#include "platform/AppSettings.h"

#include <QStringList>
#include <QWidget>

#include <array>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QRadioButton;
class QTabWidget;
class QToolButton;

namespace mervalon::app {

class ConfigurationCommands;
class DestinationFolderDialog;
class ExtensionListDialog;
class FolderTreeView;
class HintSwitch;
class Interaction;

class MainWindow : public QWidget {
    Q_OBJECT
public:
    MainWindow(Interaction& interaction, platform::AppSettings& settings, HintSwitch& hints,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    /// The parts the program creates after the window: the folder they work in, the configuration
    /// commands and the dialogs this window opens. Must be called before the window is shown.
    void attach(const QString& installDir, ConfigurationCommands& commands, DestinationFolderDialog& destination,
                ExtensionListDialog& extensions);

    /// Fills the format list from the "formats" folder: the names of the *.rpf files, sorted.
    void fillFormatList();

    /// The window start, run once when the window is first shown. Returns false when a step
    /// failed; the failure has been reported and the later steps did not run.
    bool startMainWindow();

    /// Leaving the program: writes the last folders and the lock, asks whether to save a changed
    /// configuration and, unless cancelled, ends the program (emits programEnded and closes).
    void exitProgram();

    void selectErrorPolicy(ErrorPolicy policy);
    void selectReportPolicy(ReportPolicy policy);

    /// Reads mervalon40.ext and fills the file types; false (reported) when it cannot be read.
    bool loadExtensionList();
    void fileTypeChanged();
    void inputFolderChanged();
    void lockDestination();
    void unlockDestination();
    void openExtensionListDialog();
    void openDestinationDialog();

    [[nodiscard]] int extensionCount() const;
    void selectFileType(int index);
    void setAutoSelect(bool on);

    /// Read by the run command: the selected file names, the destination folder, the extensions
    /// text of the selected file type.
    [[nodiscard]] QStringList selectedFiles() const;
    [[nodiscard]] QString destinationFolder() const;
    [[nodiscard]] QString inputFolder() const;
    [[nodiscard]] QString currentExtensionsText() const;
    [[nodiscard]] bool isDestinationLocked() const { return m_locked; }
    [[nodiscard]] const RunOptions& runOptions() const { return m_options; }
    [[nodiscard]] bool useInternalViewer() const;
    [[nodiscard]] const config::ExtensionList& extensionList() const { return m_extensions; }

signals:
    /// The user confirmed leaving the program.
    void programEnded();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildCreationTab();
    QWidget* buildOptionsTab();
    QWidget* buildAboutTab();
    QWidget* buildConfigurationStrip();
    QWidget* buildGlyphColumn(const char* create, const char* exit, const char* help, const char* log,
                              bool createEnabled);
    /// Steps of the exit before the program ends; true when it may end.
    bool confirmExit();
    void tabChanged(int index);
    void refreshSelectionCount();
    void refreshFileList();
    void selectFirstFile();
    void setFileCommandsEnabled(bool enabled);
    void fileListReleased(const QPoint& position);
    void closeExtensionList();
    void writeBoolSetting(const char* name, bool value);
    void reportError(const QString& text);

    Interaction& m_interaction;
    platform::AppSettings& m_settings;
    HintSwitch& m_hints;
    RunOptions m_options;
    ConfigurationCommands* m_commands = nullptr;
    DestinationFolderDialog* m_destinationDialog = nullptr;
    ExtensionListDialog* m_extensionDialog = nullptr;
    QString m_installDir;
    config::ExtensionList m_extensions;
    QStringList m_patterns;
    bool m_locked = false;
    bool m_started = false;
    bool m_ending = false;
    bool m_destinationDialogUsed = false;

    QTabWidget* m_pages = nullptr;
    FolderTreeView* m_folderTree = nullptr;
    QListWidget* m_fileList = nullptr;
    QComboBox* m_fileType = nullptr;
    QCheckBox* m_autoSelect = nullptr;
    QLabel* m_countLabel = nullptr;
    QLabel* m_pathLabel = nullptr;
    QMenu* m_popup = nullptr;
    QAction* m_previewAction = nullptr;
    QLineEdit* m_destination = nullptr;
    QToolButton* m_lockedButton = nullptr;
    QToolButton* m_unlockedButton = nullptr;
    QToolButton* m_browseButton = nullptr;
    QComboBox* m_format = nullptr;
    QToolButton* m_createButton = nullptr;
    QToolButton* m_loadButton = nullptr;
    QToolButton* m_saveButton = nullptr;
    QLabel* m_inUseLabel = nullptr;
    QLabel* m_nameLabel = nullptr;
    std::array<QRadioButton*, 3> m_errorButtons{};
    std::array<QRadioButton*, 3> m_reportButtons{};
    QCheckBox* m_hintBox = nullptr;
    QCheckBox* m_activeHelpBox = nullptr;
    QRadioButton* m_internalViewer = nullptr;
    QRadioButton* m_notepad = nullptr;
};

} // namespace mervalon::app
