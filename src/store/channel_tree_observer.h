#pragma once

namespace torvane {

class TreeItem;

// Told of every change of a ChannelTree, so that a view can follow it exactly. A parent of nullptr
// stands for the top level. Rows are positions among the parent's children, first … last inclusive.
// Each "about to" call is followed by its matching call once the tree has changed.
class ChannelTreeObserver {
public:
    virtual ~ChannelTreeObserver() = default;

    virtual void ItemsAboutToBeInserted(const TreeItem* parent, int first, int last) = 0;
    virtual void ItemsInserted(const TreeItem* parent, int first, int last) = 0;
    virtual void ItemsAboutToBeRemoved(const TreeItem* parent, int first, int last) = 0;
    virtual void ItemsRemoved(const TreeItem* parent, int first, int last) = 0;
    // Rows first … last of parent move so that they stand before the child that was at destination
    // (as QAbstractItemModel::beginMoveRows counts it).
    virtual void ItemsAboutToBeMoved(const TreeItem* parent, int first, int last, int destination) = 0;
    virtual void ItemsMoved(const TreeItem* parent, int first, int last, int destination) = 0;
    // The item's label changed; its position did not.
    virtual void ItemChanged(const TreeItem* item) = 0;
    virtual void AboutToBeReset() = 0;
    virtual void WasReset() = 0;
};

} // namespace torvane
