#pragma once

#include <functional>
#include <vector>

#include <QTableView>

#include "editing/session/channel_menu.h"

namespace torvane {

// The service list: grid lines, full-row and multi-row selection, the core's column widths. Keys,
// double clicks and right clicks become requests the window answers; rows dragged within the list
// are dropped as one request.
class ServiceListView final : public QTableView {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ServiceListView)

public:
    explicit ServiceListView(QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* model) override;

    // The selected rows in ascending order: the rows the commands on the selection act on. A row
    // the filter hides is never among them.
    std::vector<int> SelectedRows() const;
    // Selects row alone, makes it current and scrolls to it; -1 clears the selection.
    void SelectRowAlone(int row);
    // Selects the rows together (the first one current), clearing any other selection.
    void SelectRows(const std::vector<int>& rows);
    // Hides the rows for which shows answers false and shows the others (the filter box); a row
    // hidden leaves the selection.
    void ShowRowsWhere(const std::function<bool(int)>& shows);

signals:
    // A key of the list (Enter, Insert, Delete, keypad - + /, F3) was pressed.
    void KeyPressed(torvane::ListKey key);
    // A double click on the list.
    void DoubleClicked();
    // A right click at pos (viewport coordinates); onRow when it hit a row.
    void ContextMenuRequested(const QPoint& pos, bool onRow);
    // The selected rows were dropped before row destination (the row count for the end).
    void RowsDropped(int destination);
    // The user changed the selection; the first selected row, -1 for none.
    void SelectedRowChanged(int row);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;

private:
    void ApplyColumnWidths();
    // The row a drop at pos lands before.
    int DropRow(const QPoint& pos) const;
    // Selects row alone as the keyboard does.
    void KeySelect(int row);
    // The first or last row the filter shows, -1 when it shows none.
    int EndRow(bool last) const;
    // Takes the hidden rows among rows out of the selection (Ctrl+A and Shift ranges select the
    // rows shown only); false when none was hidden.
    bool DeselectHidden(const QItemSelection& rows);

    bool m_selecting = false;  // the selection is being set for the core, not by the user
};

} // namespace torvane
