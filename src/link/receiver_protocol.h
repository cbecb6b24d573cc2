#pragma once

#include <cstdint>
#include <span>

#include "link/link_callbacks.h"
#include "link/link_status.h"
#include "link/receiver_info.h"

namespace torvane {

// The receiver commands of one protocol generation: framed packets (48 and up) or the older byte
// protocol. The upgrade library picks one when the generation is settled.
class ReceiverProtocol {
public:
    virtual ~ReceiverProtocol() = default;

    virtual LinkStatus GetReceiverInfo(std::uint32_t& version, ReceiverInfo& info) = 0;
    virtual LinkStatus SetAddress(std::uint32_t address) = 0;
    virtual LinkStatus MoveChunk(std::uint32_t chunkId, std::uint32_t size) = 0;
    virtual LinkStatus Transfer(std::span<const std::uint8_t> data, const ProgressCallback& progress,
                                const CancelPredicate& cancel) = 0;
    virtual LinkStatus Burn(std::uint32_t flashSize, const ProgressCallback& progress) = 0;
    // Fills the buffer from its start and sets `length` to the total the receiver announced; a
    // total larger than the buffer is refused with 14.
    virtual LinkStatus Dump(std::span<std::uint8_t> buffer, std::uint32_t& length, const ProgressCallback& progress,
                            const CancelPredicate& cancel, std::uint32_t start, std::uint32_t lengthAsked) = 0;
    virtual LinkStatus Reboot() = 0;

protected:
    ReceiverProtocol() = default;
    ReceiverProtocol(const ReceiverProtocol&) = default;
    ReceiverProtocol& operator=(const ReceiverProtocol&) = default;
};

} // namespace torvane
