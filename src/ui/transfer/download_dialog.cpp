#include "ui/transfer/download_dialog.h"

#include <QCheckBox>

#include "link/verify_procedure.h"
#include "link/transfer_session.h"
#include "util/saved_file.h"

namespace torvane {

DownloadDialog::DownloadDialog(const QString& imagePath, bool defaultChunk, bool userChunk, UserPrompts& prompts,
                               const SerialSettings& settings, QWidget* parent)
    : TransferDialog(transfer_text::kDownloadCaption, prompts, settings, parent)
    , m_request{imagePath.toStdString(), defaultChunk, userChunk}
    , m_port(settings.DeviceName())
{
    QStringList chunks;
    if (defaultChunk)
        chunks << tr("default database");
    if (userChunk)
        chunks << tr("user database");
    SetSubject(tr("%1 of %2").arg(chunks.join(tr(" and ")), imagePath));
    AddStep(TransferStep::TestPort);
    AddStep(TransferStep::CollectInfo);
    AddStep(TransferStep::Upload, kTransferBar);
    AddStep(TransferStep::DownloadToSdram, kTransferBar);
    AddStep(TransferStep::BurnFlash, kBurnBar);
    AddStep(TransferStep::ReadBack, kTransferBar);
    // The check's rows take room only when it is wanted.
    ReserveStep(TransferStep::ReadBack, false);
    m_verifyBox = new QCheckBox(tr("Verify after download"), this);
    connect(m_verifyBox, &QCheckBox::toggled, this, [this](bool checked) {
        m_verify->store(checked);
        ReserveStep(TransferStep::ReadBack, checked);
        adjustSize();
    });
    AddOption(m_verifyBox);

    if (const BackupStore* backups = SaveBackups(); backups && backups->Settings().receiverFlash)
        m_backups = *backups;
    m_backupBox = new QCheckBox(tr("Back up the flash first"), this);
    m_backupBox->setChecked(m_backups.has_value());
    m_backupBox->setEnabled(false);
    m_backupBox->setToolTip(tr("Chosen in Setting → Backups..."));
    ReserveStep(TransferStep::Upload, m_backupBox->isChecked());
    AddOption(m_backupBox);
}

TransferRunner::Job DownloadDialog::MakeJob()
{
    if (!m_backups) {
        return [request = m_request, verify = m_verify](TransferSession& session) {
            return DownloadAndVerify(session, request, [verify] { return verify->load(); });
        };
    }
    const std::optional<std::string> copy = m_backups->NewReceiverCopy(m_port);
    if (!copy) {
        return [folder = m_backups->ReceiverFolder(m_port)](TransferSession& session) {
            session.Message(ReceiverBackupFailedMessage(folder));
            return TransferOutcome::Failed;
        };
    }
    return [request = m_request, verify = m_verify, backups = *m_backups, copy = *copy](TransferSession& session) {
        const TransferOutcome outcome =
            DownloadAndVerify(session, request, [verify] { return verify->load(); }, copy);
        backups.ApplyRetention();
        return outcome;
    };
}

void DownloadDialog::OnStepShown(TransferStep step)
{
    // The choice is taken once the flash is being burnt, and a burn cannot stop safely: Cancel
    // waits until it is over (then OnCancelDisabled decides).
    if (step == TransferStep::BurnFlash) {
        m_verifyBox->setEnabled(false);
        SetCancelEnabled(false);
        SetNote(tr("Burning cannot be interrupted"));
    }
}

void DownloadDialog::OnStepFinished(TransferStep step)
{
    if (step == TransferStep::BurnFlash)
        SetNote({});
    if (step == TransferStep::ReadBack)
        KeepMessagesBack(true);
}

void DownloadDialog::OnCancelDisabled()
{
    // The download can no longer be stopped, but the check that follows can.
    m_verifyBox->setEnabled(false);
    SetCancelEnabled(m_verify->load());
}

} // namespace torvane
