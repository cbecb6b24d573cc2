#include "link/receiver_info.h"

#include <algorithm>

#include "util/byte_order.h"

namespace torvane {

std::uint32_t FlashSizeForKind(std::uint8_t kindCode)
{
    switch (kindCode) {
    case 1:
    case 2:
    case 7:
    case 10:
        return 0x80000;
    case 3:
    case 4:
    case 8:
    case 9:
    case 11:
    case 13:
        return 0x100000;
    case 5:
    case 6:
    case 12:
    case 14:
    case 15:
    case 16:
        return 0x200000;
    default:
        return 0;
    }
}

int KnownChunkKind(std::uint32_t chunkId)
{
    constexpr std::uint32_t kKnownIds[] = {0xE3000010, 0x02FD0200, kDefaultChunkId, kUserChunkId};
    for (int kind = 1; kind <= 4; ++kind) {
        if ((chunkId >> 16) == (kKnownIds[kind - 1] >> 16))
            return kind;
    }
    return 0;
}

namespace {

std::string ChunkText(std::span<const std::uint8_t> field)
{
    const auto end = std::find(field.begin(), field.end(), 0);
    return std::string(field.begin(), end);
}

} // namespace

std::optional<ReceiverInfo> ParseReceiverInfo(std::span<const std::uint8_t> block)
{
    if (block.size() < 2)
        return std::nullopt;
    ReceiverInfo info;
    info.flashSize = FlashSizeForKind(block[0]);
    info.secondByte = block[1];
    const std::size_t count = std::min((block.size() - 2) / kChunkRecordSize, kMaxReceiverChunks);
    for (std::size_t i = 0; i < count; ++i) {
        const auto record = block.subspan(2 + i * kChunkRecordSize, kChunkRecordSize);
        ChunkInfo chunk;
        chunk.id = ReadBe32(&record[0]);
        chunk.length = ReadBe32(&record[4]);
        chunk.nextOffset = ReadBe32(&record[8]);
        chunk.crc = ReadBe32(&record[12]);
        for (std::size_t t = 0; t < chunk.texts.size(); ++t)
            chunk.texts[t] = ChunkText(record.subspan(16 + t * kChunkTextSize, kChunkTextSize));
        const int kind = KnownChunkKind(chunk.id);
        if (kind == 1 || kind == 4)
            chunk.crc = kNoCheckValue;
        info.chunks.push_back(std::move(chunk));
    }
    return info;
}

} // namespace torvane
