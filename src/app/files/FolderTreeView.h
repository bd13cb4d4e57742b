#pragma once
// A tree of folders (FolderTreeModel) that reports the path of the selected folder. Used by the
// main window's input folder tree and by the destination folder dialog.

#include <QString>
#include <QTreeView>

namespace mervalon::app {

class FolderTreeModel;

class FolderTreeView : public QTreeView {
    Q_OBJECT
  public:
    explicit FolderTreeView(QWidget* parent = nullptr, const QString& homePath = {});

    /// Selects the folder (or its nearest reachable ancestor; the top node for an empty path),
    /// expands the way to it and the node itself, and scrolls it into view.
    void selectPath(const QString& path);

    /// Path of the selected folder; empty when a virtual node or nothing is selected.
    [[nodiscard]] QString selectedPath() const;

    [[nodiscard]] FolderTreeModel& folderModel() const { return *m_model; }

    /// F5: lists again every folder shown open, so that folders made or removed since appear
    /// or leave. Expanding a folder lists it again too.
    void refreshShown();

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  signals:
    /// Emitted whenever another node becomes the selected one; `path` is empty for a virtual node.
    void folderSelected(const QString& path);

  private:
    FolderTreeModel* m_model;
};

} // namespace mervalon::app
