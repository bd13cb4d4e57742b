#pragma once
// Folders only, as a tree with one virtual top node, "Computer", over the places a user
// starts from: the home folder and the file-system root. Virtual nodes have no path. Folders
// are listed synchronously the first time their children are asked for, so a selection made
// in code is there at once; a folder that cannot be listed simply has no children.

#include <QAbstractItemModel>
#include <QString>
#include <memory>
#include <vector>

namespace mervalon::app {

class FolderTreeModel : public QAbstractItemModel {
    Q_OBJECT
  public:
    /// `homePath` and `rootPath` are the two real places under "Computer" (defaults: the user's
    /// home folder and "/").
    explicit FolderTreeModel(QString homePath = {}, QString rootPath = {}, QObject* parent = nullptr);
    ~FolderTreeModel() override;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    /// The file-system path of a node; empty for a virtual node or an invalid index.
    [[nodiscard]] QString pathOf(const QModelIndex& index) const;

    /// The node of the virtual top, "Computer".
    [[nodiscard]] QModelIndex computerIndex() const;

    /// The deepest node on the way to `path` (listing folders as needed, and listing again a
    /// folder whose listing lacks the next step, as it may have been made since): the folder
    /// itself when it can be reached, else its nearest reachable ancestor; the top node for an
    /// empty path.
    [[nodiscard]] QModelIndex indexForPath(const QString& path);

    /// Lists the node's folder again: folders made since appear, folders gone leave; the others
    /// keep their nodes.
    void refresh(const QModelIndex& index);
    /// True once the node's folder has been listed.
    [[nodiscard]] bool isListed(const QModelIndex& index) const;

  private:
    struct Node;
    Node* nodeOf(const QModelIndex& index) const;
    QModelIndex indexOf(Node* node) const;
    void listChildren(Node* node) const;
    void relist(Node* node);
    Node* childOnTheWay(Node* node, const QString& target) const;

    std::unique_ptr<Node> m_root;
};

} // namespace mervalon::app
