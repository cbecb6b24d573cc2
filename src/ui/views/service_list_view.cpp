#include "ui/views/service_list_view.h"

#include <algorithm>
#include <optional>

#include <QContextMenuEvent>
#include <QDragMoveEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>

#include "ui/models/service_list_model.h"

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
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows.push_back(index.row());
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

void ServiceListView::keyPressEvent(QKeyEvent* event)
{
    if (const std::optional<ListKey> key = ListKeyOf(*event)) {
        emit KeyPressed(*key);
        event->accept();
        return;
    }
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (plain && (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down)) {
        const std::vector<int> rows = SelectedRows();
        const int selected = rows.empty() ? -1 : rows.front();
        const int row = RowAfterArrow(event->key() == Qt::Key_Up, selected, model() ? model()->rowCount() : 0);
        if (row >= 0) {
            const QModelIndex index = model()->index(row, 0);
            selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            scrollTo(index);
        }
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
    if (m_selecting)
        return;
    const std::vector<int> rows = SelectedRows();
    emit SelectedRowChanged(rows.empty() ? -1 : rows.front());
}

} // namespace torvane
