#pragma once
// The " Coordinates Files " and " Destination Directory " groups of the main window: the
// folder tree, the file list filtered by the file type, AutoSelect, the selection count, and
// the destination folder with its lock. The file type and AutoSelect are fields of the
// configuration, so the panel is one part of the configuration's view.

#include "app/configuration/ConfigurationView.h"
#include "core/config/ExtensionList.h"

#include <QStringList>
#include <QWidget>

class QAction;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QMenu;
class QLabel;
class QToolButton;

namespace mervalon::app {

class DestinationFolderDialog;
class ElidedLabel;
class ExtensionListDialog;
class FolderTreeView;
class Interaction;

class FileSelectionPanel : public QWidget, public ConfigurationPart {
    Q_OBJECT
  public:
    explicit FileSelectionPanel(Interaction& interaction, QWidget* parent = nullptr);
    ~FileSelectionPanel() override;

    /// The folder the file types are stored in and the dialogs the panel opens.
    void attach(const QString& installDir, DestinationFolderDialog& destination, ExtensionListDialog& extensions);

    /// Reads mervalon40.ext and fills the file types; false (reported) when it cannot be read.
    bool loadExtensionList();

    /// The folders of the last session: the input folder shown in the tree (its node expanded),
    /// the destination, and whether the destination follows the input folder.
    void restoreFolders(const QString& inputFolder, const QString& destination, bool locked);
    void focusFolderTree();

    void fileTypeChanged();
    void inputFolderChanged();
    void lockDestination();
    void unlockDestination();
    void openExtensionListDialog();
    void openDestinationDialog();

    [[nodiscard]] int extensionCount() const;
    void selectFileType(int index);
    void setAutoSelect(bool on);

    /// Selects the stored file type and AutoSelect, then runs the file type change.
    void showConfiguration(const config::Configuration& configuration) override;
    void captureConfiguration(config::Configuration& configuration) const override;

    /// Read by the run command: the selected file names, the destination folder, the extensions
    /// text of the selected file type.
    [[nodiscard]] QStringList selectedFiles() const;
    [[nodiscard]] QString destinationFolder() const;
    [[nodiscard]] QString inputFolder() const;
    [[nodiscard]] QString currentExtensionsText() const;
    [[nodiscard]] bool isDestinationLocked() const { return m_locked; }
    [[nodiscard]] const config::ExtensionList& extensionList() const { return m_extensions; }
    /// The file the context menu was opened on (the current item of the list); empty when none.
    [[nodiscard]] QString currentFile() const;

  signals:
    /// "Create DXF Files..." and "View/Edit file" can act (a real folder with listed files) or not.
    void fileCommandsEnabledChanged(bool enabled);
    /// "View/Edit file" was chosen for the file under the pointer.
    void viewFileRequested(const QString& filePath);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* buildFilesGroup();
    QWidget* buildDestinationGroup();
    void refreshSelectionCount();
    /// Lists the input folder's matching files; false when the folder cannot be listed, and the
    /// list is then empty.
    bool refreshFileList();
    void selectFirstFile();
    void setFileCommandsEnabled(bool enabled);
    void fileListReleased(const QPoint& position);
    void showFileTypes();
    void reportError(const QString& text);

    Interaction& m_interaction;
    DestinationFolderDialog* m_destinationDialog = nullptr;
    ExtensionListDialog* m_extensionDialog = nullptr;
    QString m_installDir;
    config::ExtensionList m_extensions;
    QStringList m_patterns;
    bool m_locked = false;
    bool m_destinationDialogUsed = false;
    bool m_fileCommandsEnabled = false;

    FolderTreeView* m_folderTree = nullptr;
    QListWidget* m_fileList = nullptr;
    QComboBox* m_fileType = nullptr;
    QCheckBox* m_autoSelect = nullptr;
    QLabel* m_countLabel = nullptr;
    ElidedLabel* m_pathLabel = nullptr;
    QMenu* m_popup = nullptr;
    QAction* m_previewAction = nullptr;
    QLineEdit* m_destination = nullptr;
    QToolButton* m_lockedButton = nullptr;
    QToolButton* m_unlockedButton = nullptr;
    QToolButton* m_browseButton = nullptr;
};

} // namespace mervalon::app
