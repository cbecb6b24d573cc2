#pragma once

#include <memory>

#include <QTreeView>

#include "editing/session/navigator_commands.h"

class QMenu;

namespace torvane {

class TreeItem;

// The navigator: the tree of "All Services", "Satellite Information", satellites and TPs. A right
// click on an item's icon or label selects it and shows the context menu the core describes for it.
class NavigatorView final : public QTreeView {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NavigatorView)

public:
    explicit NavigatorView(QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* model) override;

    // The selected item, or nullptr.
    TreeItem* SelectedItem() const;
    void SelectItem(const TreeItem* item);

    // The context menu for a right click at pos (viewport coordinates), after selecting the item
    // hit; nullptr when the click hits no item's icon or label or the item has no menu.
    std::unique_ptr<QMenu> ContextMenuAt(const QPoint& pos);

signals:
    // A command chosen in the context menu, for the selected item.
    void CommandChosen(torvane::NavigatorCommand command);
    // Another item was selected (nullptr when none is).
    void ItemSelected(torvane::TreeItem* item);

protected:
    void rowsInserted(const QModelIndex& parent, int start, int end) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
};

} // namespace torvane
