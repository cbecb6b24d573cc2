#include "ui/dialogs/backup_settings_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

#include "ui/dialogs/dialog_support.h"

namespace torvane {

BackupSettingsDialog::BackupSettingsDialog(const BackupSettings& settings, std::string_view folder, QWidget* parent)
    : QDialog(parent)
    , m_enabled(new QCheckBox(tr("Keep a backup of every file before a save replaces it"), this))
    , m_perFile(new QSpinBox(this))
    , m_total(new QSpinBox(this))
    , m_receiver(new QCheckBox(tr("Back up the receiver's flash before each download"), this))
{
    setWindowTitle(ToQString(kCaption));
    auto* layout = new QVBoxLayout(this);
    m_enabled->setChecked(settings.enabled);
    layout->addWidget(m_enabled);

    auto* limits = new QFormLayout;
    m_perFile->setRange(BackupSettings::kMinPerFile, BackupSettings::kMaxPerFile);
    m_perFile->setValue(settings.perFile);
    limits->addRow(tr("Backups kept of each file:"), m_perFile);
    m_total->setRange(BackupSettings::kMinTotalMiB, BackupSettings::kMaxTotalMiB);
    m_total->setSuffix(tr(" MiB"));
    m_total->setValue(settings.totalMiB);
    limits->addRow(tr("All backups together at most:"), m_total);
    layout->addLayout(limits);
    // The limits matter only while copies are kept.
    const auto enableLimits = [this](bool on) {
        m_perFile->setEnabled(on);
        m_total->setEnabled(on);
    };
    enableLimits(settings.enabled);
    connect(m_enabled, &QCheckBox::toggled, this, enableLimits);

    m_receiver->setChecked(settings.receiverFlash);
    m_receiver->setToolTip(tr("Reading the flash takes minutes at 115200 bit/s"));
    layout->addWidget(m_receiver);

    auto* where = new QLabel(tr("The oldest backups go first, never the newest of a file. They are kept in\n%1")
                                 .arg(ToQString(folder)),
                             this);
    where->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(where);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    FixDialogSize(*this);
}

BackupSettings BackupSettingsDialog::Settings() const
{
    return {m_enabled->isChecked(), m_perFile->value(), m_total->value(), m_receiver->isChecked()};
}

} // namespace torvane
