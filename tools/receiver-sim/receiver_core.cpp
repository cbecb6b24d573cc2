#include "receiver_core.h"

#include <algorithm>

#include "util/byte_order.h"

namespace torvane::sim {

std::string BurnProgressDigits(std::size_t kib)
{
    std::string digits = std::to_string(std::min<std::size_t>(kib, 9999));
    return std::string(4 - digits.size(), '0') + digits;
}

ReceiverCore::ReceiverCore(ReceiverFlash flash)
    : m_flash(std::move(flash))
    , m_sdram(m_flash.Size(), 0xFF)
{
}

ReceiverError ReceiverCore::SetAddress(std::uint64_t address)
{
    if (address >= m_sdram.size())
        return kAddressOverflow;
    if (!HasSomethingToBurn())
        m_low = m_high = static_cast<std::size_t>(address);
    m_pointer = static_cast<std::size_t>(address);
    return kReceiverOk;
}

ReceiverError ReceiverCore::Move(std::uint32_t id, std::uint64_t size)
{
    if (!m_pointer)
        return kAddressNotInit;
    const std::optional<FlashChunk> chunk = m_flash.FindChunk(id);
    if (!chunk)
        return kChunkNotFound;
    const std::uint64_t count = size == 0 ? chunk->extent : size;
    if (count > m_flash.Size() - chunk->offset)
        return kParameterError;
    if (count > m_sdram.size() - *m_pointer)
        return kNotEnoughBuffer;
    return PlaceTransfer(m_flash.Bytes().subspan(chunk->offset, static_cast<std::size_t>(count)));
}

ReceiverError ReceiverCore::CheckTransfer(std::uint64_t length) const
{
    if (!m_pointer)
        return kAddressNotInit;
    if (length > m_sdram.size() - *m_pointer)
        return kNotEnoughBuffer;
    return kReceiverOk;
}

ReceiverError ReceiverCore::PlaceTransfer(std::span<const std::uint8_t> data)
{
    if (const ReceiverError check = CheckTransfer(data.size()); check != kReceiverOk)
        return check;
    const std::size_t at = *m_pointer;
    std::copy(data.begin(), data.end(), m_sdram.begin() + static_cast<std::ptrdiff_t>(at));
    std::size_t advance = data.size();
    if (data.size() >= 16) {
        // A chunk's next-chunk offset says where the one after it starts.
        const std::uint32_t next = ReadBe32(data.data() + 8);
        if (next > advance && next <= m_sdram.size() - at)
            advance = next;
    }
    m_low = std::min(m_low, at);
    m_high = std::max(m_high, at + data.size());
    m_pointer = at + advance;
    return kReceiverOk;
}

bool ReceiverCore::Burn(std::string& error)
{
    m_flash.Write(m_low, std::span<const std::uint8_t>(m_sdram).subspan(m_low, m_high - m_low));
    Reboot();
    return m_flash.Save(error);
}

std::optional<DumpRange> ReceiverCore::Dump(std::uint64_t start, std::uint64_t length) const
{
    if (start > m_flash.Size())
        return std::nullopt;
    const std::uint64_t available = m_flash.Size() - start;
    if (length > available)
        return std::nullopt;
    return DumpRange{static_cast<std::size_t>(start), static_cast<std::size_t>(length == 0 ? available : length)};
}

void ReceiverCore::Reboot()
{
    std::fill(m_sdram.begin(), m_sdram.end(), 0xFF);
    m_pointer.reset();
    m_low = m_high = 0;
}

} // namespace torvane::sim
