#include "link/verify_procedure.h"

#include <algorithm>
#include <cstdio>

#include "database/chunk_chain.h"
#include "link/transfer_session.h"
#include "link/upgrade_lib.h"
#include "link/upload_procedure.h"

namespace torvane {

namespace {

std::string ChunkName(std::uint32_t id)
{
    if (id == kUserChunkId)
        return "user database chunk";
    if (id == kDefaultChunkId)
        return "default database chunk";
    char name[32];
    std::snprintf(name, sizeof name, "chunk %08X", static_cast<unsigned>(id));
    return name;
}

} // namespace

VerifyProcedure::VerifyProcedure(TransferSession& session, std::vector<SentChunk> expected)
    : m_session(session)
    , m_expected(std::move(expected))
{
}

VerifyProcedure::ChunkResult VerifyProcedure::CompareChunk(std::span<const std::uint8_t> flash, const SentChunk& expected)
{
    const std::string name = ChunkName(expected.id);
    const ChunkWalk walk = WalkChunks(flash, std::nullopt);
    const WalkedChunk* found = nullptr;
    for (const WalkedChunk& chunk : walk.chunks) {
        if (chunk.header.identifier == expected.id) {
            found = &chunk;
            break;
        }
    }
    if (found == nullptr)
        return {false, "Verify failed: no " + name + " in the receiver's flash"};
    const std::span<const std::uint8_t> actual =
        flash.subspan(static_cast<std::size_t>(found->offset),
                      std::min<std::size_t>(expected.bytes.size(), flash.size() - static_cast<std::size_t>(found->offset)));
    const auto [sentAt, flashAt] = std::mismatch(expected.bytes.begin(), expected.bytes.end(), actual.begin(), actual.end());
    if (sentAt == expected.bytes.end())
        return {true, "Verified: the " + name + " matches what was sent (" + std::to_string(expected.bytes.size())
                          + " bytes)"};
    const auto at = static_cast<std::size_t>(sentAt - expected.bytes.begin());
    if (flashAt == actual.end())
        return {false, "Verify failed: the " + name + " ends " + std::to_string(at) + " bytes into what was sent"};
    return {false, "Verify failed: the " + name + " differs from what was sent at byte " + std::to_string(at)};
}

TransferOutcome VerifyProcedure::Run()
{
    if (!m_session.OpenLink())
        return Fail();
    if (!m_session.TestPort() || !m_session.CollectInfo(kCaption, true) || m_session.Cancelled())
        return Fail();
    const std::uint32_t flashSize = m_session.Receiver().flashSize;
    const std::uint64_t expected = flashSize != 0 ? flashSize : kTransferFlashSize;
    m_session.ShowStep(TransferStep::ReadBack, kReadBackStep);
    m_session.Progress(kTransferBar, 0, expected);
    std::vector<std::uint8_t> flash(kTransferFlashSize);
    std::uint32_t length = kTransferFlashSize;
    const TransferSession::Stopwatch watch = m_session.StartStopwatch(false);
    if (m_session.Lib().Dump(flash, length, m_session.BarProgress(kTransferBar, expected), m_session.CancelCheck(), 0, 0)
        != link_status::kSuccess) {
        m_session.MessageUnlessCancelled(transfer_text::kUploadFail);
        return Fail();
    }
    flash.resize(std::min<std::size_t>(length, flash.size()));
    m_session.ReportSpeed(watch, "Dumped", flash.size());
    m_session.Lib().Reboot();
    m_session.FinishStep(TransferStep::ReadBack);
    m_session.CloseLink();
    bool allMatch = true;
    for (const SentChunk& chunk : m_expected) {
        const ChunkResult result = CompareChunk(flash, chunk);
        allMatch = allMatch && result.matches;
        m_session.Message(result.text);
    }
    return allMatch ? TransferOutcome::Succeeded : TransferOutcome::Failed;
}

TransferOutcome VerifyProcedure::Fail()
{
    m_session.CloseLink();
    return m_session.Cancelled() ? TransferOutcome::Cancelled : TransferOutcome::Failed;
}

TransferOutcome DownloadAndVerify(TransferSession& session, const DownloadRequest& request,
                                  const std::function<bool()>& verify, const std::string& backupPath)
{
    if (!backupPath.empty()) {
        const TransferOutcome kept = UploadProcedure(session, backupPath).RunBeforeDownload();
        if (kept != TransferOutcome::Succeeded)
            return kept;
    }
    DownloadProcedure download(session, request);
    const TransferOutcome downloaded = download.Run();
    if (downloaded != TransferOutcome::Succeeded || !verify())
        return downloaded;
    // The rebooted receiver greets again before its flash is read back.
    return VerifyProcedure(session, download.SentChunks()).Run();
}

} // namespace torvane
