#pragma once

namespace torvane {

// Told of every change of a ServiceList's rows, so that a view can follow it exactly. Rows are
// first … last inclusive; each "about to" call is followed by its matching call.
class ServiceListObserver {
public:
    virtual ~ServiceListObserver() = default;

    virtual void RowsAboutToBeInserted(int first, int last) = 0;
    virtual void RowsInserted(int first, int last) = 0;
    virtual void RowsAboutToBeRemoved(int first, int last) = 0;
    virtual void RowsRemoved(int first, int last) = 0;
    // Rows first … last move so that they stand before the row that was at destination (as
    // QAbstractItemModel::beginMoveRows counts it).
    virtual void RowsAboutToBeMoved(int first, int last, int destination) = 0;
    virtual void RowsMoved(int first, int last, int destination) = 0;
    virtual void RowsChanged(int first, int last) = 0;
    // The list now shows another item, another filter or other columns: everything may differ.
    virtual void AboutToBeReset() = 0;
    virtual void WasReset() = 0;
    // The selected rows changed (after a command moved, inserted or deleted rows).
    virtual void SelectionChanged() = 0;
};

} // namespace torvane
