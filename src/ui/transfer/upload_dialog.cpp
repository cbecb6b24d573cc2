#include "ui/transfer/upload_dialog.h"

#include "link/upload_procedure.h"

namespace torvane {

UploadDialog::UploadDialog(const QString& outputPath, UserPrompts& prompts, const SerialSettings& settings,
                           QWidget* parent)
    : TransferDialog(transfer_text::kUploadCaption, prompts, settings, parent)
    , m_outputPath(outputPath.toStdString())
{
    SetSubject(tr("Into %1").arg(outputPath));
    AddStep(TransferStep::TestPort);
    AddStep(TransferStep::Upload, kTransferBar);
    AddStep(TransferStep::ParseUserDatabase);
}

TransferRunner::Job UploadDialog::MakeJob()
{
    return [path = m_outputPath](TransferSession& session) { return UploadProcedure(session, path).Run(); };
}

} // namespace torvane
