#include "database/chunk_chain.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>

#include "util/byte_order.h"
#include "util/crc32_mpeg2.h"
#include "util/file_reader.h"

namespace torvane {
namespace {

using ReadAt = std::function<bool(std::uint64_t offset, std::span<std::uint8_t> out)>;

// True when the file holds length bytes from offset and their CRC, taken in pieces of at most
// 1024 bytes, equals expected.
bool CheckCrc(const ReadAt& read, std::uint64_t fileSize, std::uint64_t offset, std::uint64_t length,
              std::uint32_t expected)
{
    if (offset > fileSize || length > fileSize - offset)
        return false;
    std::array<std::uint8_t, kChunkCrcPiece> piece{};
    std::uint32_t crc = kCrc32Mpeg2Initial;
    for (std::uint64_t done = 0; done < length;) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(kChunkCrcPiece, length - done));
        if (!read(offset + done, std::span(piece).first(n)))
            return false;
        crc = Crc32Mpeg2Update(crc, std::span(piece).first(n));
        done += n;
    }
    return crc == expected;
}

ChunkWalk Walk(const ReadAt& read, std::uint64_t fileSize, std::optional<std::uint32_t> limit)
{
    ChunkWalk walk;
    std::uint64_t offset = 0;
    const auto stop = [&walk](WalkStop why) {
        walk.stop = why;
        walk.count = 0;
        return walk;
    };
    for (;;) {
        if (offset > fileSize || fileSize - offset < kChunkHeaderSize)
            return stop(WalkStop::ShortHeader);
        std::array<std::uint8_t, kChunkStartSize> start{};
        if (!read(offset, start))
            return stop(WalkStop::ShortHeader);
        WalkedChunk chunk{offset, ChunkHeader::Read(start), ChunkCheck::NotRead};
        const ChunkHeader& h = chunk.header;
        walk.rejected = chunk;

        if (!walk.chunks.empty() && ((h.identifier >> 24) + ((h.identifier >> 16) & 0xFFu)) != 0xFFu)
            return stop(WalkStop::BadIdentifier);
        if (limit && h.nextOffset > *limit)
            return stop(WalkStop::NextOverLimit);
        if (h.nextOffset != 0 && h.nextOffset < std::uint64_t{h.length} + kChunkStartSize)
            return stop(WalkStop::NextTooSmall);
        if (h.checkValue == kNoCheckValue) {
            chunk.check = ChunkCheck::NoCheck;
        } else if (CheckCrc(read, fileSize, offset + kChunkStartSize, h.length, h.checkValue)) {
            chunk.check = ChunkCheck::Ok;
        } else {
            walk.rejected->check = ChunkCheck::Bad;
            return stop(WalkStop::BadCheck);
        }

        walk.rejected.reset();
        walk.chunks.push_back(chunk);
        if (h.identifier == kDefaultChunkId)
            walk.defaultChunk = chunk;
        else if (h.identifier == kUserChunkId)
            walk.userChunk = chunk;

        if (h.nextOffset == 0) {
            walk.stop = WalkStop::ChainEnd;
            walk.count = static_cast<int>(walk.chunks.size());
            return walk;
        }
        offset += h.nextOffset;
    }
}

} // namespace

ChunkHeader ChunkHeader::Read(std::span<const std::uint8_t, kChunkStartSize> bytes)
{
    return {ReadBe32(bytes.data()), ReadBe32(bytes.data() + 4), ReadBe32(bytes.data() + 8),
            ReadBe32(bytes.data() + 12)};
}

std::optional<std::uint64_t> ReservedSizeOf(std::uint8_t byte64)
{
    if (byte64 == 0xFF)
        return 0;
    if (byte64 >= 0x80)
        return std::nullopt;
    return std::uint64_t{byte64} * kReservedSizeUnit;
}

std::uint64_t ChunkWalk::UserDataOffset() const
{
    return (userChunk ? userChunk->offset : 0) + kChunkHeaderSize;
}

std::uint64_t ChunkWalk::UserLength() const
{
    return userChunk ? std::uint64_t{userChunk->header.length} + kChunkStartSize : 0;
}

std::uint64_t ChunkWalk::DefaultChunkSize() const
{
    return defaultChunk ? defaultChunk->header.nextOffset : 0;
}

ChunkWalk WalkChunks(std::span<const std::uint8_t> file, std::optional<std::uint32_t> limit)
{
    const ReadAt read = [file](std::uint64_t offset, std::span<std::uint8_t> out) {
        if (offset > file.size() || out.size() > file.size() - offset)
            return false;
        std::memcpy(out.data(), file.data() + offset, out.size());
        return true;
    };
    return Walk(read, file.size(), limit);
}

ChunkWalk WalkChunks(const std::string& path, std::optional<std::uint32_t> limit)
{
    FileReader reader;
    if (!reader.Open(path))
        return ChunkWalk{};
    const ReadAt read = [&reader](std::uint64_t offset, std::span<std::uint8_t> out) {
        return reader.ReadAt(offset, out);
    };
    return Walk(read, reader.Size(), limit);
}

} // namespace torvane
