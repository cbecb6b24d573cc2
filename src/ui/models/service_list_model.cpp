#include "ui/models/service_list_model.h"

#include <QMimeData>

#include "store/service_list.h"

namespace torvane {

ServiceListModel::ServiceListModel(const ServiceList& list, QObject* parent)
    : QAbstractTableModel(parent), m_list(list), m_columnsShown(static_cast<int>(list.Columns().size()))
{
}

int ServiceListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_list.RowCount();
}

int ServiceListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_columnsShown;
}

QVariant ServiceListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_list.RowCount())
        return {};
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    const ServiceRow& row = m_list.Rows()[static_cast<std::size_t>(index.row())];
    if (index.column() == 0)
        return QString::fromStdString(row.number);
    const auto cell = static_cast<std::size_t>(index.column() - 1);
    return cell < row.cells.size() ? QString::fromStdString(row.cells[cell]) : QString();
}

QVariant ServiceListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= m_columnsShown)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return QString::fromStdString(m_list.Columns()[static_cast<std::size_t>(section)].caption);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags ServiceListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;
}

QStringList ServiceListModel::mimeTypes() const
{
    return {QString::fromLatin1(kRowsMimeType)};
}

QMimeData* ServiceListModel::mimeData(const QModelIndexList&) const
{
    // The rows moved are the list's selected rows, which the view knows when they are dropped.
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(kRowsMimeType), QByteArray());
    return data;
}

Qt::DropActions ServiceListModel::supportedDropActions() const
{
    return Qt::MoveAction;
}

int ServiceListModel::ColumnWidth(int column) const
{
    return column >= 0 && column < m_columnsShown ? m_list.Columns()[static_cast<std::size_t>(column)].width : 0;
}

void ServiceListModel::RowsAboutToBeInserted(int first, int last)
{
    beginInsertRows({}, first, last);
}

void ServiceListModel::RowsInserted(int, int)
{
    endInsertRows();
}

void ServiceListModel::RowsAboutToBeRemoved(int first, int last)
{
    beginRemoveRows({}, first, last);
}

void ServiceListModel::RowsRemoved(int, int)
{
    endRemoveRows();
}

void ServiceListModel::RowsAboutToBeMoved(int first, int last, int destination)
{
    beginMoveRows({}, first, last, {}, destination);
}

void ServiceListModel::RowsMoved(int, int, int)
{
    endMoveRows();
}

void ServiceListModel::RowsChanged(int first, int last)
{
    if (m_columnsShown > 0)
        emit dataChanged(index(first, 0), index(last, m_columnsShown - 1), {Qt::DisplayRole});
}

void ServiceListModel::AboutToBeReset()
{
    beginResetModel();
}

void ServiceListModel::WasReset()
{
    m_columnsShown = static_cast<int>(m_list.Columns().size());
    endResetModel();
}

void ServiceListModel::SelectionChanged()
{
    emit CoreSelectionChanged();
}

} // namespace torvane
