#pragma once

#include <array>

#include <QAbstractItemModel>
#include <QIcon>

#include "store/channel_tree_observer.h"

namespace torvane {

class ChannelTree;
class TreeItem;

// The navigator's model: a read-only view of the channel tree, one column, the TreeItem as each
// index's internal pointer. It follows the tree through its notifications, change by change.
class ChannelTreeModel final : public QAbstractItemModel, public ChannelTreeObserver {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ChannelTreeModel)

public:
    explicit ChannelTreeModel(const ChannelTree& tree, QObject* parent = nullptr);

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // The item of an index, nullptr for the invalid index.
    static TreeItem* ItemAt(const QModelIndex& index);
    // The index of an item; the invalid index for nullptr.
    QModelIndex IndexOf(const TreeItem* item) const;

    void ItemsAboutToBeInserted(const TreeItem* parent, int first, int last) override;
    void ItemsInserted(const TreeItem* parent, int first, int last) override;
    void ItemsAboutToBeRemoved(const TreeItem* parent, int first, int last) override;
    void ItemsRemoved(const TreeItem* parent, int first, int last) override;
    void ItemsAboutToBeMoved(const TreeItem* parent, int first, int last, int destination) override;
    void ItemsMoved(const TreeItem* parent, int first, int last, int destination) override;
    void ItemChanged(const TreeItem* item) override;
    void AboutToBeReset() override;
    void WasReset() override;

private:
    const ChannelTree& m_tree;
    // By tree kind ("All Services", reserved, "Satellite Information", satellite, TP), made once:
    // looking an icon up again for every item painted costs more than the rest of the paint.
    std::array<QIcon, 5> m_icons;
};

} // namespace torvane
