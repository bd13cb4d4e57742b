#include "app/files/FolderTreeView.h"

#include "app/files/FolderTreeModel.h"

#include <QHeaderView>

namespace mervalon::app {

FolderTreeView::FolderTreeView(QWidget* parent, const QString& homePath)
    : QTreeView(parent), m_model(new FolderTreeModel(homePath, {}, this))
{
    setModel(m_model);
    setHeaderHidden(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformRowHeights(true);
    // Long folder names scroll sideways instead of being cut off.
    header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    header()->setStretchLastSection(false);
    expand(m_model->computerIndex());
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { emit folderSelected(m_model->pathOf(current)); });
}

void FolderTreeView::selectPath(const QString& path)
{
    const QModelIndex target = m_model->indexForPath(path);
    for (QModelIndex up = target.parent(); up.isValid(); up = up.parent()) {
        expand(up);
    }
    expand(target);
    setCurrentIndex(target);
    scrollTo(target);
}

QString FolderTreeView::selectedPath() const
{
    return m_model->pathOf(currentIndex());
}

} // namespace mervalon::app
