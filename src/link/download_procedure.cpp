#include "link/download_procedure.h"

#include <algorithm>

#include "database/chunk_chain.h"
#include "link/transfer_session.h"
#include "link/upgrade_lib.h"
#include "util/byte_order.h"
#include "util/file_reader.h"

namespace torvane {

namespace {

constexpr std::size_t kNextOffsetField = 8;

// Bytes a chunk occupies: up to the next chunk, or its covered data when it is the last.
std::uint64_t Extent(std::uint32_t length, std::uint32_t nextOffset)
{
    return nextOffset != 0 ? nextOffset : std::uint64_t{length} + kChunkStartSize;
}

bool HasImageSuffix(const std::string& path)
{
    return path.ends_with("bin") || path.ends_with("abs");
}

std::optional<std::size_t> FindChunk(const ReceiverInfo& info, std::uint32_t id)
{
    for (std::size_t i = 0; i < info.chunks.size(); ++i) {
        if (info.chunks[i].id == id)
            return i;
    }
    return std::nullopt;
}

// The receiver's chunk filled with FF, the image's chunk (count bytes from its header on) at its
// start, carrying the receiver's next-chunk offset.
std::optional<std::vector<std::uint8_t>> ReadChunkInto(FileReader& file, const WalkedChunk& chunk,
                                                        std::uint64_t count, std::uint64_t size,
                                                        std::uint32_t receiverNextOffset)
{
    if (count > size || count < kChunkStartSize)
        return std::nullopt;
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(size), 0xFF);
    if (!file.ReadAt(chunk.offset, std::span(buffer).first(static_cast<std::size_t>(count))))
        return std::nullopt;
    WriteBe32(buffer.data() + kNextOffsetField, receiverNextOffset);
    return buffer;
}

} // namespace

DownloadProcedure::DownloadProcedure(TransferSession& session, DownloadRequest request)
    : m_session(session)
    , m_request(std::move(request))
{
}

TransferOutcome DownloadProcedure::Run()
{
    m_buffers.clear();
    if (!m_session.OpenLink())
        return Fail();
    if (!m_session.TestPort() || !m_session.CollectInfo(transfer_text::kDownloadCaption, true))
        return Fail();
    if (!ReadDatabase()) {
        m_session.Message(transfer_text::kReadDatabaseFail);
        return Fail();
    }
    if (m_session.Lib().SetAddress(0) != link_status::kSuccess) {
        m_session.Message(transfer_text::kSetAddressFail);
        return Fail();
    }
    if (!DownloadToSdram()) {
        m_session.MessageUnlessCancelled(transfer_text::kDownloadFail);
        return Fail();
    }
    if (!BurnFlash()) {
        m_session.MessageUnlessCancelled(transfer_text::kBurnFail);
        return Fail();
    }
    m_session.DisableCancel();
    m_session.Pause(m_session.Pauses().beforeReboot);
    // The new flash is burnt; a reboot that goes unanswered changes nothing.
    m_session.Lib().Reboot();
    m_session.CloseLink();
    return TransferOutcome::Succeeded;
}

TransferOutcome DownloadProcedure::Fail()
{
    m_buffers.clear();
    m_session.CloseLink();
    return m_session.Cancelled() ? TransferOutcome::Cancelled : TransferOutcome::Failed;
}

std::vector<SentChunk> DownloadProcedure::SentChunks() const
{
    std::vector<SentChunk> sent;
    const ReceiverInfo& receiver = m_session.Receiver();
    for (std::size_t i = 0; i < m_buffers.size() && i < receiver.chunks.size(); ++i) {
        if (m_buffers[i])
            sent.push_back({receiver.chunks[i].id, *m_buffers[i]});
    }
    return sent;
}

bool DownloadProcedure::ReadDatabase()
{
    const ReceiverInfo& receiver = m_session.Receiver();
    m_defaultIndex = FindChunk(receiver, kDefaultChunkId);
    m_userIndex = FindChunk(receiver, kUserChunkId);
    m_buffers.assign(receiver.chunks.size(), std::nullopt);

    if (!HasImageSuffix(m_request.imagePath))
        return false;
    const ChunkWalk walk = WalkChunks(m_request.imagePath, std::nullopt);
    if (walk.count == 0)
        return false;

    // Chunk extents are compared with extents and lengths with lengths; a chunk the receiver
    // doesn't have counts as 0 bytes there.
    const std::uint64_t fileDefaultExtent =
        walk.defaultChunk ? Extent(walk.defaultChunk->header.length, walk.defaultChunk->header.nextOffset) : 0;
    const ChunkInfo* receiverDefault = m_defaultIndex ? &receiver.chunks[*m_defaultIndex] : nullptr;
    const std::uint64_t receiverDefaultExtent =
        receiverDefault != nullptr ? Extent(receiverDefault->length, receiverDefault->nextOffset) : 0;
    if (fileDefaultExtent > receiverDefaultExtent)
        return false;
    const std::uint64_t fileUserLength = walk.userChunk ? walk.userChunk->header.length : 0;
    const ChunkInfo* receiverUser = m_userIndex ? &receiver.chunks[*m_userIndex] : nullptr;
    const std::uint64_t receiverUserLength = receiverUser != nullptr ? receiverUser->length : 0;
    if (fileUserLength > receiverUserLength)
        return false;

    // What the receiver reports sizes the buffers, so it must fit the flash.
    const std::uint64_t flashLimit = receiver.flashSize != 0 ? receiver.flashSize : kTransferFlashSize;
    FileReader file;
    if (!file.Open(m_request.imagePath))
        return false;
    if (m_request.defaultChunk) {
        if (!walk.defaultChunk || receiverDefault == nullptr || receiverDefaultExtent > flashLimit)
            return false;
        m_buffers[*m_defaultIndex] = ReadChunkInto(file, *walk.defaultChunk, fileDefaultExtent, receiverDefaultExtent,
                                                   receiverDefault->nextOffset);
        if (!m_buffers[*m_defaultIndex])
            return false;
    }
    if (m_request.userChunk) {
        const std::uint64_t size = receiverUserLength + kChunkStartSize;
        if (!walk.userChunk || receiverUser == nullptr || size > flashLimit)
            return false;
        m_buffers[*m_userIndex] = ReadChunkInto(file, *walk.userChunk, fileUserLength + kChunkStartSize, size,
                                                receiverUser->nextOffset);
        if (!m_buffers[*m_userIndex])
            return false;
    }
    return true;
}

bool DownloadProcedure::DownloadToSdram()
{
    m_session.ShowStep(TransferStep::DownloadToSdram, transfer_text::kDownloadStep);
    m_session.Progress(kTransferBar, 0, 0);
    const TransferSession::Stopwatch watch = m_session.StartStopwatch(true);
    std::uint64_t sentBytes = 0;
    const ReceiverInfo& receiver = m_session.Receiver();
    for (std::size_t i = 0; i < receiver.chunks.size(); ++i) {
        if (m_session.Cancelled())
            return false;
        const ChunkInfo& chunk = receiver.chunks[i];
        const bool isUser = m_userIndex && *m_userIndex == i;
        LinkStatus status = link_status::kSuccess;
        if (const std::optional<std::vector<std::uint8_t>>& buffer = m_buffers[i]) {
            m_session.ShowStep(TransferStep::DownloadToSdram,
                               isUser ? transfer_text::kDownloadUserStep : transfer_text::kDownloadDefaultStep);
            status = m_session.Lib().Transfer(*buffer, m_session.BarProgress(kTransferBar, buffer->size()),
                                              m_session.CancelCheck());
            sentBytes += buffer->size();
        } else {
            // Size 0 keeps the user chunk whole, whatever its extent.
            status = m_session.Lib().MoveChunk(chunk.id, isUser ? 0 : chunk.nextOffset);
        }
        if (status != link_status::kSuccess)
            return false;
    }
    // A cancel during the last chunk must still keep the receiver from burning.
    if (m_session.Cancelled())
        return false;
    if (sentBytes > 0)
        m_session.ReportSpeed(watch, "Sent", sentBytes);
    m_session.FinishStep(TransferStep::DownloadToSdram);
    return true;
}

bool DownloadProcedure::BurnFlash()
{
    m_session.ShowStep(TransferStep::BurnFlash, transfer_text::kBurnStep);
    m_session.Progress(kBurnBar, 0, kTransferFlashSize);
    if (m_session.Lib().Burn(kTransferFlashSize, m_session.BarProgress(kBurnBar, kTransferFlashSize))
        != link_status::kSuccess)
        return false;
    m_session.FinishStep(TransferStep::BurnFlash);
    return true;
}

} // namespace torvane
