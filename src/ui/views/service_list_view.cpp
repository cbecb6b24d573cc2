#include "ui/views/service_list_view.h"

#include <algorithm>
#include <optional>

#include <QContextMenuEvent>
#include <QDragMoveEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>

#include "ui/models/service_list_model.h"
#include "ui/views/popup_menu.h"
#include "ui/views/reading_direction_delegate.h"

namespace torvane {
namespace {

// The list key of a key press; only plain keys count (Shift+Delete, Ctrl+Insert and the like are
// the clipboard's).
std::optional<ListKey> ListKeyOf(const QKeyEvent& event)
{
    const Qt::KeyboardModifiers modifiers = event.modifiers() & ~Qt::KeypadModifier;
    if (modifiers != Qt::NoModifier)
        return std::nullopt;
    const bool keypad = event.modifiers().testFlag(Qt::KeypadModifier);
    switch (event.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return ListKey::Enter;
    case Qt::Key_Insert:
        return ListKey::Insert;
    case Qt::Key_Delete:
        return ListKey::Delete;
    case Qt::Key_F3:
        return ListKey::F3;
    case Qt::Key_Minus:
        return keypad ? std::optional(ListKey::KeypadMinus) : std::nullopt;
    case Qt::Key_Plus:
        return keypad ? std::optional(ListKey::KeypadPlus) : std::nullopt;
    case Qt::Key_Slash:
        return keypad ? std::optional(ListKey::KeypadSlash) : std::nullopt;
    default:
        return std::nullopt;
    }
}

} // namespace

ServiceListView::ServiceListView(QWidget* parent) : QTableView(parent)
{
    setShowGrid(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setTabKeyNavigation(false);
    setCornerButtonEnabled(false);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::MoveAction);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setSectionsClickable(false);
    setItemDelegate(new ReadingDirectionDelegate(ReadingDirectionDelegate::Cells::RightAligned, this));
}

void ServiceListView::setModel(QAbstractItemModel* model)
{
    QTableView::setModel(model);
    if (auto* listModel = qobject_cast<ServiceListModel*>(model)) {
        connect(listModel, &QAbstractItemModel::modelReset, this, &ServiceListView::ApplyColumnWidths);
        ApplyColumnWidths();
    }
}

void ServiceListView::ApplyColumnWidths()
{
    const auto* listModel = qobject_cast<const ServiceListModel*>(model());
    for (int column = 0; listModel && column < listModel->columnCount(); ++column)
        setColumnWidth(column, listModel->ColumnWidth(column));
}

std::vector<int> ServiceListView::SelectedRows() const
{
    std::vector<int> rows;
    if (!selectionModel())
        return rows;
    for (const QModelIndex& index : selectionModel()->selectedRows()) {
        if (!isRowHidden(index.row()))
            rows.push_back(index.row());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

void ServiceListView::SelectRowAlone(int row)
{
    if (!selectionModel())
        return;
    m_selecting = true;
    if (row < 0 || row >= model()->rowCount()) {
        selectionModel()->clearSelection();
    } else {
        const QModelIndex index = model()->index(row, 0);
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        scrollTo(index);
    }
    m_selecting = false;
}

void ServiceListView::SelectRows(const std::vector<int>& rows)
{
    if (!selectionModel())
        return;
    SelectRowAlone(rows.empty() ? -1 : rows.front());
    // One range per run of neighbouring rows: a selection of many single rows is slow to ask.
    QItemSelection selection;
    const int lastColumn = model()->columnCount() - 1;
    for (std::size_t i = 0; i < rows.size();) {
        std::size_t end = i + 1;
        while (end < rows.size() && rows[end] == rows[end - 1] + 1)
            ++end;
        selection.select(model()->index(rows[i], 0), model()->index(rows[end - 1], lastColumn));
        i = end;
    }
    selectionModel()->select(selection, QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void ServiceListView::ShowRowsWhere(const std::function<bool(int)>& shows)
{
    const int rows = model() ? model()->rowCount() : 0;
    std::vector<int> changed;
    for (int row = 0; row < rows; ++row) {
        if (isRowHidden(row) == shows(row))
            changed.push_back(row);
    }
    // Most list changes leave every row as it was: then nothing is laid out or painted again.
    if (changed.empty())
        return;
    setUpdatesEnabled(false);
    for (int row : changed)
        setRowHidden(row, !isRowHidden(row));
    if (selectionModel())
        DeselectHidden(selectionModel()->selection());
    setUpdatesEnabled(true);
}

bool ServiceListView::DeselectHidden(const QItemSelection& rows)
{
    if (!selectionModel())
        return false;
    // One range per run of neighbouring hidden rows: Ctrl+A over thousands of rows stays quick.
    QItemSelection hidden;
    for (const QItemSelectionRange& range : rows) {
        for (int row = range.top(); row <= range.bottom(); ++row) {
            if (!isRowHidden(row))
                continue;
            int last = row;
            while (last < range.bottom() && isRowHidden(last + 1))
                ++last;
            hidden.select(model()->index(row, 0), model()->index(last, 0));
            row = last;
        }
    }
    if (hidden.isEmpty())
        return false;
    selectionModel()->select(hidden, QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    return true;
}

void ServiceListView::KeySelect(int row)
{
    const QModelIndex index = model()->index(row, 0);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(index);
}

int ServiceListView::EndRow(bool last) const
{
    const int rows = model() ? model()->rowCount() : 0;
    for (int i = 0; i < rows; ++i) {
        const int row = last ? rows - 1 - i : i;
        if (!isRowHidden(row))
            return row;
    }
    return -1;
}

void ServiceListView::keyPressEvent(QKeyEvent* event)
{
    if (OpenContextMenuForKey(*this, *event))
        return;
    if (const std::optional<ListKey> key = ListKeyOf(*event)) {
        emit KeyPressed(*key);
        event->accept();
        return;
    }
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    const int pressed = event->key();
    const std::vector<int> rows = SelectedRows();
    // With no row selected the moving keys select the first row (End the last), as a list
    // control does, also when the focus came from the navigator or F6.
    if (plain && rows.empty()
        && (pressed == Qt::Key_Down || pressed == Qt::Key_Up || pressed == Qt::Key_Home || pressed == Qt::Key_End
            || pressed == Qt::Key_PageDown || pressed == Qt::Key_PageUp)) {
        if (const int row = EndRow(pressed == Qt::Key_End); row >= 0)
            KeySelect(row);
        event->accept();
        return;
    }
    if (plain && (pressed == Qt::Key_Up || pressed == Qt::Key_Down)) {
        // The next row the filter shows; the selected row stays on the first / last one.
        const int count = model() ? model()->rowCount() : 0;
        int row = rows.front();
        for (int next = RowAfterArrow(pressed == Qt::Key_Up, row, count); next >= 0 && next != row;
             next = RowAfterArrow(pressed == Qt::Key_Up, row, count)) {
            row = next;
            if (!isRowHidden(row))
                break;
        }
        if (row >= 0 && !isRowHidden(row))
            KeySelect(row);
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void ServiceListView::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTableView::mouseDoubleClickEvent(event);
    emit DoubleClicked();
}

void ServiceListView::contextMenuEvent(QContextMenuEvent* event)
{
    QPoint pos = event->pos();
    QModelIndex hit = indexAt(pos);
    if (event->reason() == QContextMenuEvent::Keyboard && currentIndex().isValid()) {
        hit = currentIndex();
        pos = visualRect(hit).center();
    }
    emit ContextMenuRequested(pos, hit.isValid());
}

void ServiceListView::dragEnterEvent(QDragEnterEvent* event)
{
    // Only rows of this list are dropped here; anything else (a file) is the window's.
    if (event->source() != this) {
        event->ignore();
        return;
    }
    QTableView::dragEnterEvent(event);
}

void ServiceListView::dragMoveEvent(QDragMoveEvent* event)
{
    if (event->source() != this) {
        event->ignore();
        return;
    }
    QTableView::dragMoveEvent(event);
    event->setDropAction(Qt::MoveAction);
    event->accept();
}

void ServiceListView::dropEvent(QDropEvent* event)
{
    if (event->source() != this) {
        event->ignore();
        return;
    }
    // The rows are moved by the window; the view must not remove them itself as it would after
    // a move, so the drop is reported back as a copy.
    event->setDropAction(Qt::CopyAction);
    event->accept();
    setState(QAbstractItemView::NoState);
    viewport()->update();
    emit RowsDropped(DropRow(event->position().toPoint()));
}

int ServiceListView::DropRow(const QPoint& pos) const
{
    const QModelIndex index = indexAt(pos);
    if (!index.isValid())
        return model() ? model()->rowCount() : 0;
    const QRect rect = visualRect(index);
    return pos.y() > rect.center().y() ? index.row() + 1 : index.row();
}

void ServiceListView::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected)
{
    QTableView::selectionChanged(selected, deselected);
    // The selection that is left is reported by the change the deselection makes.
    if (DeselectHidden(selected) || m_selecting)
        return;
    const std::vector<int> rows = SelectedRows();
    emit SelectedRowChanged(rows.empty() ? -1 : rows.front());
}

} // namespace torvane
