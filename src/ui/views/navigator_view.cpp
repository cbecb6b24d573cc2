#include "ui/views/navigator_view.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>

#include "store/tree_item.h"
#include "ui/models/channel_tree_model.h"
#include "ui/views/popup_menu.h"
#include "ui/views/reading_direction_delegate.h"

namespace torvane {

NavigatorView::NavigatorView(QWidget* parent) : QTreeView(parent)
{
    setHeaderHidden(true);
    setRootIsDecorated(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragDropMode(QAbstractItemView::NoDragDrop);
    setUniformRowHeights(true);
    setFocusPolicy(Qt::StrongFocus);
    // Long labels widen the column and bring a horizontal scroll bar rather than being cut.
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    setItemDelegate(new ReadingDirectionDelegate(ReadingDirectionDelegate::Cells::KeepLayout, this));
}

void NavigatorView::setModel(QAbstractItemModel* model)
{
    QTreeView::setModel(model);
    // The roots start expanded, so that the satellites are in sight.
    connect(model, &QAbstractItemModel::modelReset, this, [this] {
        for (int row = 0; row < this->model()->rowCount(); ++row)
            expand(this->model()->index(row, 0));
    });
}

void NavigatorView::rowsInserted(const QModelIndex& parent, int start, int end)
{
    QTreeView::rowsInserted(parent, start, end);
    for (int row = start; !parent.isValid() && row <= end; ++row)
        expand(model()->index(row, 0, parent));
}

TreeItem* NavigatorView::SelectedItem() const
{
    return ChannelTreeModel::ItemAt(currentIndex());
}

void NavigatorView::SelectItem(const TreeItem* item)
{
    const auto* treeModel = qobject_cast<const ChannelTreeModel*>(model());
    if (!treeModel)
        return;
    const QModelIndex index = treeModel->IndexOf(item);
    setCurrentIndex(index);
    if (index.isValid())
        scrollTo(index);
}

std::unique_ptr<QMenu> NavigatorView::ContextMenuAt(const QPoint& pos)
{
    const QModelIndex index = indexAt(pos);
    if (!index.isValid())
        return nullptr;
    // Only the icon and the label count, not the blank space right of them.
    const QRect rect = visualRect(index);
    const int labelEnd = rect.left() + iconSize().width() + fontMetrics().horizontalAdvance(index.data().toString()) + 16;
    if (pos.x() > labelEnd)
        return nullptr;
    setCurrentIndex(index);
    const TreeItem* item = ChannelTreeModel::ItemAt(index);
    return BuildPopupMenu(NavigatorContextMenu(), NavigatorContextMenuState(item), this);
}

void NavigatorView::contextMenuEvent(QContextMenuEvent* event)
{
    QPoint pos = event->pos();
    // From the keyboard the menu opens on the selected item's icon.
    if (event->reason() == QContextMenuEvent::Keyboard && currentIndex().isValid()) {
        const QRect rect = visualRect(currentIndex());
        pos = QPoint(rect.left() + iconSize().width() / 2 + 2, rect.center().y());
    }
    const std::unique_ptr<QMenu> menu = ContextMenuAt(pos);
    if (!menu)
        return;
    const QAction* chosen = menu->exec(viewport()->mapToGlobal(pos));
    if (const std::optional<NavigatorCommand> command = PopupMenuCommand(NavigatorContextMenu(), chosen))
        emit CommandChosen(*command);
}

void NavigatorView::keyPressEvent(QKeyEvent* event)
{
    if (OpenContextMenuForKey(*this, *event))
        return;
    QTreeView::keyPressEvent(event);
}

void NavigatorView::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTreeView::currentChanged(current, previous);
    emit ItemSelected(ChannelTreeModel::ItemAt(current));
}

} // namespace torvane
