#include "app/files/FolderTreeModel.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QStyle>

namespace mervalon::app {

struct FolderTreeModel::Node {
    QString name;
    QString path; // empty: virtual
    Node* parent = nullptr;
    std::vector<std::unique_ptr<Node>> children;
    bool listed = false;

    Node* add(QString childName, QString childPath)
    {
        auto child = std::make_unique<Node>();
        child->name = std::move(childName);
        child->path = std::move(childPath);
        child->parent = this;
        children.push_back(std::move(child));
        return children.back().get();
    }
    int row() const
    {
        if (parent == nullptr) {
            return 0;
        }
        for (std::size_t i = 0; i < parent->children.size(); ++i) {
            if (parent->children[i].get() == this) {
                return static_cast<int>(i);
            }
        }
        return 0;
    }
};

FolderTreeModel::FolderTreeModel(QString homePath, QString rootPath, QObject* parent)
    : QAbstractItemModel(parent), m_root(std::make_unique<Node>())
{
    m_root->listed = true;
    Node* computer = m_root->add(QStringLiteral("Computer"), {});
    computer->listed = true;
    computer->add(QStringLiteral("Home"), QDir::cleanPath(homePath.isEmpty() ? QDir::homePath() : homePath));
    computer->add(QStringLiteral("File System"), QDir::cleanPath(rootPath.isEmpty() ? QDir::rootPath() : rootPath));
}

FolderTreeModel::~FolderTreeModel() = default;

FolderTreeModel::Node* FolderTreeModel::nodeOf(const QModelIndex& index) const
{
    return index.isValid() ? static_cast<Node*>(index.internalPointer()) : m_root.get();
}

QModelIndex FolderTreeModel::indexOf(Node* node) const
{
    if (node == nullptr || node == m_root.get()) {
        return {};
    }
    return createIndex(node->row(), 0, node);
}

void FolderTreeModel::listChildren(Node* node) const
{
    if (node->listed) {
        return;
    }
    node->listed = true;
    if (node->path.isEmpty()) {
        return;
    }
    const QDir dir(node->path);
    // An unreadable folder lists as empty; hidden folders stay out of the way as in a file manager.
    const QStringList names = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString& name : names) {
        node->add(name, QDir::cleanPath(dir.filePath(name)));
    }
}

QModelIndex FolderTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    Node* node = nodeOf(parent);
    listChildren(node);
    if (column != 0 || row < 0 || row >= static_cast<int>(node->children.size())) {
        return {};
    }
    return createIndex(row, 0, node->children[static_cast<std::size_t>(row)].get());
}

QModelIndex FolderTreeModel::parent(const QModelIndex& child) const
{
    if (!child.isValid()) {
        return {};
    }
    return indexOf(nodeOf(child)->parent);
}

int FolderTreeModel::rowCount(const QModelIndex& parent) const
{
    if (parent.column() > 0) {
        return 0;
    }
    Node* node = nodeOf(parent);
    listChildren(node);
    return static_cast<int>(node->children.size());
}

int FolderTreeModel::columnCount(const QModelIndex&) const
{
    return 1;
}

bool FolderTreeModel::hasChildren(const QModelIndex& parent) const
{
    Node* node = nodeOf(parent);
    // Not listed yet: promise children so that the expander shows without reading the disk.
    return !node->listed || !node->children.empty();
}

QVariant FolderTreeModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid()) {
        return {};
    }
    const Node* node = nodeOf(index);
    switch (role) {
    case Qt::DisplayRole:
        return node->name;
    case Qt::ToolTipRole:
        return node->path;
    case Qt::DecorationRole:
        return QApplication::style()->standardIcon(node->path.isEmpty() ? QStyle::SP_ComputerIcon : QStyle::SP_DirIcon);
    default:
        return {};
    }
}

QString FolderTreeModel::pathOf(const QModelIndex& index) const
{
    return index.isValid() ? nodeOf(index)->path : QString();
}

QModelIndex FolderTreeModel::computerIndex() const
{
    return indexOf(m_root->children.front().get());
}

FolderTreeModel::Node* FolderTreeModel::childOnTheWay(Node* node, const QString& target) const
{
    listChildren(node);
    for (const auto& child : node->children) {
        if (target == child->path || target.startsWith(child->path + '/')) {
            return child.get();
        }
    }
    return nullptr;
}

QModelIndex FolderTreeModel::indexForPath(const QString& path)
{
    Node* computer = m_root->children.front().get();
    if (path.isEmpty()) {
        return indexOf(computer);
    }
    const QString target = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    // Start from the place that holds the path most closely: home before the file-system root.
    Node* best = nullptr;
    for (const auto& place : computer->children) {
        const QString& base = place->path;
        const bool inside = target == base || target.startsWith(base.endsWith(QLatin1Char('/')) ? base : base + '/');
        if (inside && (best == nullptr || base.size() > best->path.size())) {
            best = place.get();
        }
    }
    if (best == nullptr) {
        return indexOf(computer);
    }
    Node* node = best;
    while (node->path != target) {
        Node* next = childOnTheWay(node, target);
        if (next == nullptr && QFileInfo(target).isDir()) {
            relist(node);
            next = childOnTheWay(node, target);
        }
        if (next == nullptr) {
            break;
        }
        node = next;
    }
    return indexOf(node);
}

void FolderTreeModel::refresh(const QModelIndex& index)
{
    Node* node = nodeOf(index);
    if (!node->path.isEmpty()) {
        relist(node);
    }
}

bool FolderTreeModel::isListed(const QModelIndex& index) const
{
    return nodeOf(index)->listed;
}

void FolderTreeModel::relist(Node* node)
{
    // Merged with what is listed already, so that the folders still there keep their nodes (and
    // the view its expanded branches and its current folder): gone ones leave, new ones come in
    // at their place in the order.
    const QModelIndex index = indexOf(node);
    const QDir dir(node->path);
    const QStringList names = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (auto row = static_cast<int>(node->children.size()) - 1; row >= 0; --row) {
        if (!names.contains(node->children[static_cast<std::size_t>(row)]->name)) {
            beginRemoveRows(index, row, row);
            node->children.erase(node->children.begin() + row);
            endRemoveRows();
        }
    }
    for (int row = 0; row < names.size(); ++row) {
        const auto at = static_cast<std::size_t>(row);
        if (at < node->children.size() && node->children[at]->name == names[row]) {
            continue;
        }
        beginInsertRows(index, row, row);
        auto child = std::make_unique<Node>();
        child->name = names[row];
        child->path = QDir::cleanPath(dir.filePath(names[row]));
        child->parent = node;
        node->children.insert(node->children.begin() + row, std::move(child));
        endInsertRows();
    }
    node->listed = true;
}

} // namespace mervalon::app
