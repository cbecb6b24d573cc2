#pragma once

#include <QDialog>

#include "editing/tables/tp_import_preview.h"

class QLabel;
class QSpinBox;
class QTableWidget;

namespace torvane {

// The preview of a table import: one row per TP with what happens to it, a tick to delete each TP
// only the satellite has, the matching tolerance (for an update), the counts, how many new TPs fit
// and how circular polarisations are taken; OK applies, Cancel changes nothing. The table has a
// current row from the start: the arrow keys move it, Space ticks or clears its Delete.
class TpImportDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TpImportDialog)

public:
    // caption such as "Update TPs from Table", source such as "Hotbird-13.0E: Hotbird (13.0E)"; an
    // update shows the tolerance and the ticks, a new satellite has nothing to match or delete.
    TpImportDialog(TpImportPreview& preview, const QString& caption, const QString& source, bool update,
                   QWidget* parent);

    QTableWidget* Table() const { return m_table; }
    QSpinBox* ToleranceBox() const { return m_tolerance; }
    QLabel* SummaryLabel() const { return m_summary; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Fill();
    void ShowSummary();

    TpImportPreview& m_preview;
    QTableWidget* m_table;
    QSpinBox* m_tolerance = nullptr;
    QLabel* m_summary;
    QLabel* m_circular;
};

} // namespace torvane
