#include "link/upload_procedure.h"

#include <algorithm>
#include <vector>

#include "link/transfer_session.h"
#include "link/upgrade_lib.h"
#include "util/atomic_file.h"

namespace torvane {

UploadProcedure::UploadProcedure(TransferSession& session, std::string outputPath)
    : m_session(session)
    , m_outputPath(std::move(outputPath))
{
}

TransferOutcome UploadProcedure::Run()
{
    m_length = 0;
    m_walk = {};
    m_session.Pause(m_session.Pauses().beforeOpen);
    if (!m_session.OpenLink())
        return Fail();
    if (!m_session.TestPort() || !m_session.CollectInfo(transfer_text::kUploadCaption, false) || !DumpAndSave())
        return Fail();
    m_session.ShowStep(TransferStep::ParseUserDatabase, transfer_text::kParseStep);
    m_walk = WalkChunks(m_outputPath, kOpenWalkLimit);
    m_session.Pause(m_session.Pauses().afterWalk);
    m_session.FinishStep(TransferStep::ParseUserDatabase);
    m_session.CloseLink();
    m_session.DisableCancel();
    return TransferOutcome::Succeeded;
}

TransferOutcome UploadProcedure::RunBeforeDownload()
{
    m_length = 0;
    m_walk = {};
    if (!m_session.OpenLink())
        return Fail();
    if (!m_session.TestPort() || !m_session.CollectInfo(transfer_text::kDownloadCaption, false) || !DumpAndSave())
        return Fail();
    m_session.CloseLink();
    return TransferOutcome::Succeeded;
}

TransferOutcome UploadProcedure::Fail()
{
    m_session.CloseLink();
    return m_session.Cancelled() ? TransferOutcome::Cancelled : TransferOutcome::Failed;
}

bool UploadProcedure::DumpAndSave()
{
    if (m_session.Cancelled())
        return false;
    const std::uint32_t flashSize = m_session.Receiver().flashSize;
    const std::uint64_t expected = flashSize != 0 ? flashSize : kTransferFlashSize;
    m_session.ShowStep(TransferStep::Upload, transfer_text::kUploadStep);
    m_session.Progress(kTransferBar, 0, expected);
    std::vector<std::uint8_t> buffer(kTransferFlashSize);
    std::uint32_t length = kTransferFlashSize;
    const TransferSession::Stopwatch watch = m_session.StartStopwatch(false);
    if (m_session.Lib().Dump(buffer, length, m_session.BarProgress(kTransferBar, expected), m_session.CancelCheck(),
                             0, 0)
        != link_status::kSuccess) {
        m_session.MessageUnlessCancelled(transfer_text::kUploadFail);
        return false;
    }
    length = std::min<std::uint32_t>(length, kTransferFlashSize);
    m_session.ReportSpeed(watch, "Dumped", length);
    // The flash is on the PC; the receiver goes back to work whether or not it answers.
    m_session.Lib().Reboot();
    if (!WriteFileAtomically(m_outputPath, std::span(buffer).first(length))) {
        m_session.Message(transfer_text::kCannotOpenFile, transfer_text::kWarningCaption);
        m_outputPath.clear();
        return false;
    }
    m_length = length;
    m_session.FinishStep(TransferStep::Upload);
    return true;
}

} // namespace torvane
