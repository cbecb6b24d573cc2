#pragma once

#include <QAbstractTableModel>

#include "store/service_list_observer.h"

namespace torvane {

class ServiceList;

// The service list's model: a read-only table over the core's rows ("%3d" number, then the cells)
// and columns (captions; widths for the view). It follows the list through its notifications and
// passes the core's selection changes on as a signal for the view.
class ServiceListModel final : public QAbstractTableModel, public ServiceListObserver {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ServiceListModel)

public:
    explicit ServiceListModel(const ServiceList& list, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Rows are dragged within the list only; the drag carries no data of its own.
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDropActions() const override;

    // The width in pixels the list's column asks for.
    int ColumnWidth(int column) const;

    void RowsAboutToBeInserted(int first, int last) override;
    void RowsInserted(int first, int last) override;
    void RowsAboutToBeRemoved(int first, int last) override;
    void RowsRemoved(int first, int last) override;
    void RowsAboutToBeMoved(int first, int last, int destination) override;
    void RowsMoved(int first, int last, int destination) override;
    void RowsChanged(int first, int last) override;
    void AboutToBeReset() override;
    void WasReset() override;
    void SelectionChanged() override;

    static constexpr const char* kRowsMimeType = "application/x-torvane-service-rows";

signals:
    // The core selected another row (a command moved, inserted or deleted rows).
    void CoreSelectionChanged();

private:
    const ServiceList& m_list;
    int m_columnsShown = 0;  // the column count the views were last told of
};

} // namespace torvane
