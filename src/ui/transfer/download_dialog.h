#pragma once

#include <atomic>
#include <memory>
#include <optional>
#include <string>

#include "link/download_procedure.h"
#include "util/backup_store.h"
#include "ui/transfer/transfer_dialog.h"

class QCheckBox;

namespace torvane {

// "Download (PC --> STB)": replaces the receiver's default-database and/or user-database chunk
// with the image's, burns the rebuilt flash and reboots the receiver. "Verify after download"
// (off at first, open until the burn begins) then reads the flash back and compares what was sent;
// the check can be cancelled, and its results end up in the summary, or as messages when it fails.
// "Back up the flash first" shows the choice of Setting → "Backups…": when set (and
// backups are on) the flash is first dumped into the backup folder, with the upload's progress.
class DownloadDialog final : public TransferDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DownloadDialog)

public:
    DownloadDialog(const QString& imagePath, bool defaultChunk, bool userChunk, UserPrompts& prompts,
                   const SerialSettings& settings, QWidget* parent = nullptr);

    QCheckBox* VerifyBox() const { return m_verifyBox; }
    QCheckBox* BackupBox() const { return m_backupBox; }

private:
    TransferRunner::Job MakeJob() override;
    void OnStepShown(TransferStep step) override;
    void OnStepFinished(TransferStep step) override;
    void OnCancelDisabled() override;

    DownloadRequest m_request;
    QCheckBox* m_verifyBox = nullptr;
    QCheckBox* m_backupBox = nullptr;
    // The backup folder the receiver's flash goes into, when it is to be backed up.
    std::optional<BackupStore> m_backups;
    std::string m_port;
    // Read by the transfer's thread once the download has succeeded.
    std::shared_ptr<std::atomic<bool>> m_verify = std::make_shared<std::atomic<bool>>(false);
};

} // namespace torvane
