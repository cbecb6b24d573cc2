#include "support/flash_test_images.h"

#include <algorithm>

#include "database/chunk_chain.h"
#include "util/byte_order.h"
#include "util/crc32_mpeg2.h"

namespace torvane::test {

std::vector<std::uint8_t> PatternBytes(std::size_t size, std::uint32_t seed)
{
    std::vector<std::uint8_t> bytes(size);
    std::uint32_t state = seed * 2654435761u + 1;
    for (auto& b : bytes) {
        state = state * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>(state >> 16);
    }
    return bytes;
}

void PutBe32(std::vector<std::uint8_t>& image, std::size_t offset, std::uint32_t value)
{
    WriteBe32(image.data() + offset, value);
}

std::uint32_t GetBe32(std::span<const std::uint8_t> image, std::size_t offset)
{
    return ReadBe32(image.data() + offset);
}

std::vector<std::uint8_t> BuildFlashImage(const std::vector<TestChunk>& chunks, std::size_t fileSize)
{
    // Built in a buffer that holds every chunk whole, then cut to the file size.
    std::size_t chainSize = 0;
    for (const TestChunk& c : chunks)
        chainSize += std::max<std::size_t>(c.extent, kChunkHeaderSize);
    std::vector<std::uint8_t> image(std::max(chainSize, fileSize), 0xFF);

    std::size_t offset = 0;
    for (std::size_t i = 0; i < chunks.size(); ++i) {
        const TestChunk& c = chunks[i];
        const std::size_t extent = std::max<std::size_t>(c.extent, kChunkHeaderSize);
        const std::vector<std::uint8_t> body = PatternBytes(extent, static_cast<std::uint32_t>(i + 1));
        std::copy(body.begin(), body.end(), image.begin() + static_cast<long>(offset));
        image[offset + kReservedSizeByte] = c.reservedByte;
        std::copy(c.data.begin(), c.data.end(), image.begin() + static_cast<long>(offset + kChunkHeaderSize));

        const bool last = i + 1 == chunks.size();
        const std::uint32_t length = c.length.value_or(static_cast<std::uint32_t>(extent - kChunkStartSize));
        std::uint32_t check = kNoCheckValue;
        if (!c.noCheck) {
            const std::size_t available = image.size() - (offset + kChunkStartSize);
            const std::size_t covered = std::min<std::size_t>(length, available);
            check = Crc32Mpeg2(std::span(image).subspan(offset + kChunkStartSize, covered));
        }
        PutBe32(image, offset, c.identifier);
        PutBe32(image, offset + 4, length);
        PutBe32(image, offset + 8, c.nextOffset.value_or(last ? 0 : static_cast<std::uint32_t>(extent)));
        PutBe32(image, offset + 12, c.checkValue.value_or(check));
        offset += extent;
    }
    image.resize(fileSize);
    return image;
}

std::vector<TestChunk> ReceiverChunks()
{
    using L = ReceiverLayout;
    return {
        TestChunk{.identifier = 0x2A2A0000, .extent = L::kCodeOffset - L::kBootOffset},
        TestChunk{.identifier = 0x01FE0100, .extent = L::kDefaultOffset - L::kCodeOffset},
        TestChunk{.identifier = 0x03FC0100, .extent = L::kDefaultExtent},
        TestChunk{.identifier = 0x04FB0100, .extent = L::kUserExtent, .noCheck = true},
        TestChunk{.identifier = 0x02FD0100, .extent = L::kFileSize - L::kTailOffset},
    };
}

} // namespace torvane::test
