#include "ui/transfer/download_dialog.h"

#include <QCheckBox>

#include "link/verify_procedure.h"

namespace torvane {

DownloadDialog::DownloadDialog(const QString& imagePath, bool defaultChunk, bool userChunk, UserPrompts& prompts,
                               const SerialSettings& settings, QWidget* parent)
    : TransferDialog(transfer_text::kDownloadCaption, prompts, settings, parent)
    , m_request{imagePath.toStdString(), defaultChunk, userChunk}
{
    QStringList chunks;
    if (defaultChunk)
        chunks << tr("default database");
    if (userChunk)
        chunks << tr("user database");
    SetSubject(tr("%1 of %2").arg(chunks.join(tr(" and ")), imagePath));
    AddStep(TransferStep::TestPort);
    AddStep(TransferStep::CollectInfo);
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
}

TransferRunner::Job DownloadDialog::MakeJob()
{
    return [request = m_request, verify = m_verify](TransferSession& session) {
        return DownloadAndVerify(session, request, [verify] { return verify->load(); });
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
