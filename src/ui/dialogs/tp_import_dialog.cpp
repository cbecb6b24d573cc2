#include "ui/dialogs/tp_import_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include "ui/dialogs/dialog_support.h"

namespace torvane {

namespace {

enum Column { kDelete, kAction, kFrequency, kPolarization, kSymbolRate, kNotes, kColumnCount };

QString Joined(const std::vector<std::string>& notes)
{
    QStringList texts;
    for (const std::string& note : notes)
        texts << ToQString(note);
    return texts.join(QStringLiteral(", "));
}

} // namespace

TpImportDialog::TpImportDialog(TpImportPreview& preview, const QString& caption, const QString& source,
                               bool update, QWidget* parent)
    : QDialog(parent), m_preview(preview)
{
    setWindowTitle(caption);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Table: %1").arg(source), this));
    if (update) {
        auto* row = new QHBoxLayout;
        row->addWidget(new QLabel(tr("Same TP: same polarization, frequency within \u00b1"), this));
        m_tolerance = new QSpinBox(this);
        m_tolerance->setRange(0, kLargestTpToleranceMhz);
        m_tolerance->setSuffix(tr(" MHz"));
        m_tolerance->setValue(m_preview.Tolerance());
        row->addWidget(m_tolerance);
        row->addStretch();
        layout->addLayout(row);
        connect(m_tolerance, &QSpinBox::valueChanged, this, [this](int mhz) {
            m_preview.SetTolerance(mhz);
            Fill();
        });
    }
    m_table = new QTableWidget(0, kColumnCount, this);
    m_table->setHorizontalHeaderLabels(
        {tr("Delete"), tr("Action"), tr("Frequency (MHz)"), tr("Polarization"), tr("Symbol Rate (KsPs)"), tr("Notes")});
    m_table->verticalHeader()->hide();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->installEventFilter(this);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setWordWrap(false);
    // A new satellite has no TP of its own to delete.
    m_table->setColumnHidden(kDelete, !update);
    layout->addWidget(m_table);
    connect(m_table, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (item->column() == kDelete && m_preview.SetTicked(static_cast<std::size_t>(item->row()),
                                                             item->checkState() == Qt::Checked))
            ShowSummary();
    });

    m_circular = new QLabel(
        tr("Circular polarization is taken as linear: left \u2192 horizontal, right \u2192 vertical."), this);
    layout->addWidget(m_circular);
    m_summary = new QLabel(this);
    layout->addWidget(m_summary);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    Fill();
    m_table->resizeColumnsToContents();
    resize(900, 560);
}

void TpImportDialog::Fill()
{
    const QSignalBlocker blocker(m_table);
    const std::vector<TpImportRow>& rows = m_preview.Rows();
    m_table->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const TpImportRow& row = rows[static_cast<std::size_t>(r)];
        auto* tick = new QTableWidgetItem;
        if (row.action == TpImportAction::OnlyHere) {
            tick->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
            tick->setCheckState(row.deleteTicked ? Qt::Checked : Qt::Unchecked);
        } else {
            tick->setFlags(Qt::NoItemFlags);
        }
        m_table->setItem(r, kDelete, tick);
        const QString texts[] = {ToQString(ActionName(row.action)), QString::number(row.frequency),
                                 row.polarization == 0 ? tr("Horizontal") : tr("Vertical"),
                                 QString::number(row.symbolRate), Joined(TpImportPreview::RowNotes(row))};
        for (int c = kAction; c < kColumnCount; ++c)
            m_table->setItem(r, c, new QTableWidgetItem(texts[c - kAction]));
    }
    if (!m_table->currentIndex().isValid() && !rows.empty())
        m_table->setCurrentCell(0, kAction);
    m_circular->setVisible(m_preview.MapsCircular());
    ShowSummary();
}

bool TpImportDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_table || event->type() != QEvent::KeyPress
        || static_cast<QKeyEvent*>(event)->key() != Qt::Key_Space)
        return QDialog::eventFilter(watched, event);
    // Space ticks the current row whichever of its cells is current (itemChanged tells the preview).
    if (QTableWidgetItem* tick = m_table->item(m_table->currentRow(), kDelete);
        tick && (tick->flags() & Qt::ItemIsUserCheckable) && !m_table->isColumnHidden(kDelete))
        tick->setCheckState(tick->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    return true;
}

void TpImportDialog::ShowSummary()
{
    m_summary->setText(ToQString(m_preview.Summary()));
}

} // namespace torvane
