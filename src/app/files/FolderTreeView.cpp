#include "app/files/FolderTreeView.h"

#include "app/files/FolderTreeModel.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <vector>

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
    // A folder opened again shows what it holds now, not what it held when first opened.
    connect(this, &QTreeView::expanded, this, [this](const QModelIndex& index) {
        if (m_model->isListed(index)) {
            m_model->refresh(index);
        }
    });
}

void FolderTreeView::refreshShown()
{
    std::vector<QModelIndex> pending{m_model->computerIndex()};
    while (!pending.empty()) {
        const QModelIndex index = pending.back();
        pending.pop_back();
        if (!isExpanded(index)) {
            continue;
        }
        if (m_model->isListed(index)) {
            m_model->refresh(index);
        }
        for (int row = 0; row < m_model->rowCount(index); ++row) {
            pending.push_back(m_model->index(row, 0, index));
        }
    }
}

void FolderTreeView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F5 && event->modifiers() == Qt::NoModifier) {
        refreshShown();
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
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
