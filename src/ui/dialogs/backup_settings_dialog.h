#pragma once

#include <string_view>

#include <QDialog>

#include "util/backup_store.h"

class QCheckBox;
class QSpinBox;

namespace torvane {

// Setting → "Backups…": whether saves keep copies, the two limits, whether a download first backs
// up the receiver's flash, and where the copies are; OK and Cancel.
class BackupSettingsDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BackupSettingsDialog)

public:
    static constexpr std::string_view kCaption = "Backups";

    BackupSettingsDialog(const BackupSettings& settings, std::string_view folder, QWidget* parent);

    // The settings as the controls hold them.
    BackupSettings Settings() const;

    QCheckBox* EnabledBox() const { return m_enabled; }
    QSpinBox* PerFileBox() const { return m_perFile; }
    QSpinBox* TotalBox() const { return m_total; }
    QCheckBox* ReceiverBox() const { return m_receiver; }

private:
    QCheckBox* m_enabled;
    QSpinBox* m_perFile;
    QSpinBox* m_total;
    QCheckBox* m_receiver;
};

} // namespace torvane
