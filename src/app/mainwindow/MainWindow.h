#pragma once
// The main window " Mervalon 4.0": the page control with the "DXF Creation", "Options" and
// "About" tabs, and the configuration strip below it. It is the frame: the panels inside it
// (files, entities, format) are rooms of their own, and the window gathers them into the view
// of the configuration that the configuration commands apply and capture. It binds the
// Options tab to the settings store and the run options.

#include "app/common/ChoiceButtons.h"
#include "app/configuration/ConfigurationView.h"
#include "app/settings/RunOptions.h"
#include "core/formats/FormatDefinition.h"
#include "core/formats/TextDialect.h"
#include "platform/AppSettings.h"

#include <QStringList>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QToolButton;

namespace mervalon::app {

class ActiveHelp;
class CodeLibraryPanel;
class ConfigurationCommands;
class DataModifiersDialog;
class DestinationFolderDialog;
class ElidedLabel;
class EntitiesOrderDialog;
class EntityPanels;
class ExtensionListDialog;
class FileSelectionPanel;
class FormatEditorDialog;
class HintSwitch;
class Interaction;

class MainWindow : public QWidget, public ConfigurationView {
    Q_OBJECT
  public:
    MainWindow(Interaction& interaction, platform::AppSettings& settings, HintSwitch& hints, QWidget* parent = nullptr);
    ~MainWindow() override;

    /// The parts the program creates after the window: the folder they work in, the configuration
    /// commands and the dialogs this window opens. Must be called before the window is shown.
    void attach(const QString& installDir, ConfigurationCommands& commands, DestinationFolderDialog& destination,
                ExtensionListDialog& extensions);

    /// The Active Help that "Show Active Help window." switches; must be given before the window is shown.
    void attachHelp(ActiveHelp& help)
    {
        Q_ASSERT(!isVisible());
        m_help = &help;
    }

    /// The format editor this window opens with "Format Editor...".
    void attachFormatEditor(FormatEditorDialog& editor) { m_formatEditor = &editor; }

    /// Fills the format list anew from the "formats" folder (the names of the *.rpf files,
    /// sorted), keeping the chosen format when it is still listed, else choosing "!default",
    /// else the first.
    void fillFormatList();

    /// "Format Editor...": the editor opens on the chosen format; afterwards both lists are
    /// filled anew and the format the editor showed last becomes the choice.
    void openFormatEditor();

    /// The window start, run once when the window is first shown. Returns false when a step
    /// failed; the failure has been reported and the later steps did not run.
    bool startMainWindow();

    /// True once the window start, run when the window was first shown, went through.
    [[nodiscard]] bool startSucceeded() const { return m_startSucceeded; }

    /// Leaving the program: writes the last folders and the lock, asks whether to save a changed
    /// configuration and, unless cancelled, ends the program (emits programEnded and closes).
    void exitProgram();

    void selectErrorPolicy(ErrorPolicy policy);
    void selectReportPolicy(ReportPolicy policy);

    [[nodiscard]] FileSelectionPanel& files() const { return *m_files; }
    [[nodiscard]] QStringList selectedFiles() const;
    [[nodiscard]] QString currentExtensionsText() const;
    [[nodiscard]] const RunOptions& runOptions() const { return m_options; }
    [[nodiscard]] bool useInternalViewer() const;

    void focusFormatList();

    /// While a run goes on, the window takes no command: no second run, no configuration change.
    void setRunning(bool running);
    /// Asked first whenever the window is to close or the program to end; false keeps it open.
    void setCloseGuard(std::function<bool()> guard) { m_closeGuard = std::move(guard); }

    // The configuration's view: every panel in turn.
    void showConfiguration(const config::Configuration& configuration) override;
    void captureConfiguration(config::Configuration& configuration) const override;
    [[nodiscard]] int fileTypeCount() const override;
    [[nodiscard]] bool hasFormat(const QString& name) const override;
    void showConfigurationName(const QString& name) override;
    bool checkEntitiesCreation() override;

    /// The format chosen in the format list, as last loaded from its file: the one a run reads.
    [[nodiscard]] const formats::FormatDefinition& currentFormat() const { return m_currentFormat; }
    /// The dialect beside the current format (the default when it has none).
    [[nodiscard]] const formats::TextDialect& currentDialect() const { return m_currentDialect; }
    /// The data modifiers and the entity layout the configuration holds now.
    [[nodiscard]] const config::DataModifiers& dataModifiers() const { return m_modifiers; }
    [[nodiscard]] const config::EntityLayout& entityLayout() const { return m_layout; }
    [[nodiscard]] EntityPanels& entityPanels() const { return *m_entities; }
    [[nodiscard]] CodeLibraryPanel& codeLibraryPanel() const { return *m_codeLibrary; }
    [[nodiscard]] DataModifiersDialog& dataModifiersDialog() const { return *m_modifiersDialog; }
    [[nodiscard]] EntitiesOrderDialog& entitiesOrderDialog() const { return *m_orderDialog; }

    /// Loads the format chosen in the format list into the current format, shows its
    /// description and the entity tabs it can feed.
    void formatChange();
    /// The data modifiers button: the dialog, then the tabs and the button's caption.
    void openDataModifiers();
    /// The entities order button: the dialog on the texts created on shown tabs.
    void openEntitiesOrder();

  signals:
    /// The user confirmed leaving the program.
    void programEnded();
    /// "Create DXF Files..." was clicked.
    void createDxfFilesRequested();
    /// One of the "Show last Log File" buttons was clicked.
    void lastReportRequested();

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    QWidget* buildCreationTab();
    QWidget* buildOptionsTab();
    QWidget* buildAboutTab();
    QWidget* buildConfigurationStrip();
    QWidget* buildGlyphColumn(const char* create, const char* exit, const char* help, const char* log,
                              bool createEnabled);
    bool readOptions();
    /// Steps of the exit before the program ends; true when it may end.
    bool confirmExit();
    void saveFolders();
    void tabChanged(int index);
    void switchActiveHelp(bool on, int offset);
    void writeBoolSetting(platform::BoolKey key, bool value);
    void reportError(const QString& text);
    /// The data modifiers button's caption and colour say whether any modifier is on.
    void refreshModifiersButton();
    void openHelpFile();

    Interaction& m_interaction;
    platform::AppSettings& m_settings;
    HintSwitch& m_hints;
    RunOptions m_options;
    ConfigurationCommands* m_commands = nullptr;
    FormatEditorDialog* m_formatEditor = nullptr;
    ActiveHelp* m_help = nullptr;
    QString m_installDir;
    bool m_started = false;
    bool m_startSucceeded = false;
    /// The folders were read at the window start, so the exit may write them back; after a
    /// failed start the stored folders are kept as they are.
    bool m_foldersRestored = false;
    /// Set when the entities check opened the entities order dialog (its OK).
    bool m_orderOpenedByCheck = false;
    bool m_ending = false;
    std::function<bool()> m_closeGuard;

    QTabWidget* m_pages = nullptr;
    FileSelectionPanel* m_files = nullptr;
    QComboBox* m_format = nullptr;
    ElidedLabel* m_formatDescription = nullptr;
    QPushButton* m_modifiersButton = nullptr;
    QCheckBox* m_alwaysPolyline = nullptr;
    CodeLibraryPanel* m_codeLibrary = nullptr;
    EntityPanels* m_entities = nullptr;
    DataModifiersDialog* m_modifiersDialog = nullptr;
    EntitiesOrderDialog* m_orderDialog = nullptr;
    formats::FormatDefinition m_currentFormat;
    formats::TextDialect m_currentDialect;
    config::DataModifiers m_modifiers;
    config::EntityLayout m_layout;
    QToolButton* m_createButton = nullptr;
    QWidget* m_strip = nullptr;
    QToolButton* m_loadButton = nullptr;
    QToolButton* m_saveButton = nullptr;
    QLabel* m_inUseLabel = nullptr;
    QLabel* m_nameLabel = nullptr;
    std::unique_ptr<ChoiceButtons<ErrorPolicy, 3>> m_errorChoice;
    std::unique_ptr<ChoiceButtons<ReportPolicy, 3>> m_reportChoice;
    QCheckBox* m_hintBox = nullptr;
    QCheckBox* m_activeHelpBox = nullptr;
    QRadioButton* m_internalViewer = nullptr;
    QRadioButton* m_notepad = nullptr;
};

} // namespace mervalon::app
