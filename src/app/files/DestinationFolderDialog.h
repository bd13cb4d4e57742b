#pragma once
// " Destination Directory for DXF Files": picks the folder the DXF files are written to. It
// only collects the choice; the main window takes selectedPath() when the dialog is accepted.
// Created once, so it opens again on the folder selected when it was last closed.

#include <QDialog>

class QLabel;
class QPushButton;

namespace mervalon::app {

class FolderTreeView;
class Interaction;

class DestinationFolderDialog : public QDialog {
    Q_OBJECT
  public:
    explicit DestinationFolderDialog(Interaction& interaction, QWidget* parent = nullptr);

    /// The path of the folder selected in the tree; empty for a virtual node.
    [[nodiscard]] QString selectedPath() const;

    [[nodiscard]] FolderTreeView& folderTree() const { return *m_tree; }

    /// "New folder...": asks a name and makes the folder in the selected one, then selects it.
    /// A refused name or a failure is said; false then, or when the question is cancelled.
    bool createFolder();

  private:
    void folderSelected(const QString& path);

    Interaction& m_interaction;
    QPushButton* m_newFolderButton = nullptr;
    FolderTreeView* m_tree;
    QLabel* m_pathLabel;
    QPushButton* m_selectButton;
};

} // namespace mervalon::app
