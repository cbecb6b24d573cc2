#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "link/transfer_report.h"

namespace torvane {

class TransferSession;

struct DownloadRequest {
    std::string imagePath;     // a flash image file, its name ending in "bin" or "abs"
    bool defaultChunk = true;  // send the image's default-database chunk
    bool userChunk = false;    // send the image's user-database chunk
};

// A chunk as the download put it into the receiver's SDRAM.
struct SentChunk {
    std::uint32_t id = 0;
    std::vector<std::uint8_t> bytes;
};

// Replaces the receiver's default-database and/or user-database chunk with the image's: the
// receiver's flash is rebuilt in its SDRAM chunk by chunk in its own order (the chosen chunks
// sent, the others kept with "move"), burnt and the receiver rebooted.
//
// A chunk is sent in the receiver's extent for it, so the rebuilt chain keeps the receiver's
// layout: the image's chunk comes first, the rest is erased (FF), and the chunk's next-chunk
// offset is set to the receiver's, which the chunk's check value doesn't cover.
class DownloadProcedure final {
public:
    DownloadProcedure(TransferSession& session, DownloadRequest request);

    TransferOutcome Run();

    // What the last good run sent, in the receiver's order.
    std::vector<SentChunk> SentChunks() const;

private:
    // Checks the image against the receiver's chunks and reads the chunks to send.
    bool ReadDatabase();
    bool DownloadToSdram();
    bool BurnFlash();
    TransferOutcome Fail();

    TransferSession& m_session;
    DownloadRequest m_request;
    std::optional<std::size_t> m_defaultIndex; // in the receiver's chunk list
    std::optional<std::size_t> m_userIndex;
    // Per receiver chunk: the bytes to send, or nothing to keep the receiver's own.
    std::vector<std::optional<std::vector<std::uint8_t>>> m_buffers;
};

} // namespace torvane
