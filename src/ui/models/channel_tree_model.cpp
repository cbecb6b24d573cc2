#include "ui/models/channel_tree_model.h"

#include <QApplication>
#include <QStyle>

#include "store/channel_tree.h"
#include "store/tree_item.h"

namespace torvane {

ChannelTreeModel::ChannelTreeModel(const ChannelTree& tree, QObject* parent) : QAbstractItemModel(parent), m_tree(tree)
{
    QStyle* style = QApplication::style();
    m_icons = {style->standardIcon(QStyle::SP_FileDialogDetailedView), QIcon(),
               style->standardIcon(QStyle::SP_DriveNetIcon), style->standardIcon(QStyle::SP_DirIcon),
               style->standardIcon(QStyle::SP_FileIcon)};
}

QModelIndex ChannelTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    if (column != 0 || (parent.isValid() && parent.column() != 0))
        return {};
    const TreeItem* parentItem = ItemAt(parent);
    TreeItem* item = parentItem ? parentItem->Child(row) : m_tree.TopLevel(row);
    return item ? createIndex(row, 0, item) : QModelIndex();
}

QModelIndex ChannelTreeModel::parent(const QModelIndex& child) const
{
    const TreeItem* item = ItemAt(child);
    return item ? IndexOf(item->Parent()) : QModelIndex();
}

int ChannelTreeModel::rowCount(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return m_tree.TopLevelCount();
    return parent.column() == 0 ? ItemAt(parent)->ChildCount() : 0;
}

int ChannelTreeModel::columnCount(const QModelIndex&) const
{
    return 1;
}

QVariant ChannelTreeModel::data(const QModelIndex& index, int role) const
{
    const TreeItem* item = ItemAt(index);
    if (!item)
        return {};
    if (role == Qt::DisplayRole)
        return QString::fromStdString(item->Label());
    if (role == Qt::DecorationRole && item->Info()) {
        const auto kind = static_cast<std::size_t>(item->Info()->treeKind);
        if (kind < m_icons.size() && !m_icons[kind].isNull())
            return m_icons[kind];
    }
    return {};
}

TreeItem* ChannelTreeModel::ItemAt(const QModelIndex& index)
{
    return index.isValid() ? static_cast<TreeItem*>(index.internalPointer()) : nullptr;
}

QModelIndex ChannelTreeModel::IndexOf(const TreeItem* item) const
{
    // The model never hands the item out for writing; the const_cast only stores the handle.
    return item ? createIndex(item->Row(), 0, const_cast<TreeItem*>(item)) : QModelIndex();
}

void ChannelTreeModel::ItemsAboutToBeInserted(const TreeItem* parent, int first, int last)
{
    beginInsertRows(IndexOf(parent), first, last);
}

void ChannelTreeModel::ItemsInserted(const TreeItem*, int, int)
{
    endInsertRows();
}

void ChannelTreeModel::ItemsAboutToBeRemoved(const TreeItem* parent, int first, int last)
{
    beginRemoveRows(IndexOf(parent), first, last);
}

void ChannelTreeModel::ItemsRemoved(const TreeItem*, int, int)
{
    endRemoveRows();
}

void ChannelTreeModel::ItemsAboutToBeMoved(const TreeItem* parent, int first, int last, int destination)
{
    const QModelIndex parentIndex = IndexOf(parent);
    beginMoveRows(parentIndex, first, last, parentIndex, destination);
}

void ChannelTreeModel::ItemsMoved(const TreeItem*, int, int, int)
{
    endMoveRows();
}

void ChannelTreeModel::ItemChanged(const TreeItem* item)
{
    const QModelIndex changed = IndexOf(item);
    emit dataChanged(changed, changed, {Qt::DisplayRole});
}

void ChannelTreeModel::AboutToBeReset()
{
    beginResetModel();
}

void ChannelTreeModel::WasReset()
{
    endResetModel();
}

} // namespace torvane
