#include "ui/dialogs/enigma2_import_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include "editing/forms/choice_tables.h"
#include "editing/lists/enigma2_import.h"
#include "exchange/tp_table.h"
#include "ui/dialogs/dialog_support.h"

namespace torvane {

namespace {

enum Column { kAction, kName, kSatellite, kTp, kServiceId, kGroup, kNotes, kColumnCount };

QString GroupText(int value)
{
    const std::optional<int> row = value > 0 ? RowOfValue(FavoriteGroupChoices(), value) : std::nullopt;
    return row ? ToQString(FavoriteGroupChoices()[static_cast<std::size_t>(*row)].text) : QString();
}

} // namespace

Enigma2ImportDialog::Enigma2ImportDialog(Enigma2ImportPreview& preview, const QString& source, QWidget* parent)
    : QDialog(parent), m_preview(preview)
{
    setWindowTitle(ToQString(kImportEnigma2Step));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Folder: %1").arg(source), this));
    m_merge = new QCheckBox(tr("Merge: keep the list's services, update those with the same satellite, TP and "
                               "service ID, add the others (else the folder's satellites are replaced)"),
                            this);
    m_merge->setChecked(preview.Import().Options().merge);
    layout->addWidget(m_merge);
    connect(m_merge, &QCheckBox::toggled, this, [this](bool merge) {
        m_preview.SetMerge(merge);
        Fill();
    });
    m_table = new QTableWidget(0, kColumnCount, this);
    m_table->setHorizontalHeaderLabels({tr("Action"), tr("Channel Name"), tr("Satellite"), tr("TP"), tr("Service ID"),
                                        tr("Favorite Group"), tr("Notes")});
    m_table->verticalHeader()->hide();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionMode(QAbstractItemView::NoSelection);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setWordWrap(false);
    layout->addWidget(m_table);
    m_summary = new QLabel(this);
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_summary);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    Fill();
    m_table->resizeColumnsToContents();
    resize(980, 600);
}

void Enigma2ImportDialog::Fill()
{
    const Enigma2Import& import = m_preview.Import();
    const std::vector<Enigma2ImportRow>& rows = import.Rows();
    m_table->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const Enigma2ImportRow& row = rows[static_cast<std::size_t>(r)];
        QString notes = ToQString(row.note);
        if (row.nameCut)
            notes = tr("name cut to fit") + (notes.isEmpty() ? QString() : QStringLiteral(", ") + notes);
        const QString tp = QStringLiteral("TP_%1_%2_%3")
                               .arg(row.frequency)
                               .arg(row.polarization == 0 ? QLatin1Char('H') : QLatin1Char('V'))
                               .arg(row.symbolRate);
        const QString texts[] = {ToQString(ActionName(row.action)),
                                 ToQString(row.name),
                                 ToQString(OrbitalPositionText(row.position)),
                                 tp,
                                 QString::number(row.serviceId),
                                 GroupText(row.favorite),
                                 notes};
        for (int c = 0; c < kColumnCount; ++c)
            m_table->setItem(r, c, new QTableWidgetItem(texts[c]));
    }
    QStringList lines;
    for (const std::string& line : import.SummaryLines())
        lines << ToQString(line);
    m_summary->setText(lines.join(QLatin1Char('\n')));
    QStringList unresolved;
    for (const std::string& line : import.Unresolved())
        unresolved << ToQString(line);
    m_summary->setToolTip(unresolved.join(QLatin1Char('\n')));
}

} // namespace torvane
