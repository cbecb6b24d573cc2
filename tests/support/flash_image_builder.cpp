#include "support/flash_image_builder.h"

#include <algorithm>

#include "util/byte_order.h"
#include "util/crc32_mpeg2.h"

namespace torvane::test {
namespace {

constexpr std::uint32_t kExtentRounding = 0x1000;

std::uint32_t ExtentOf(const ChunkSpec& wanted)
{
    if (wanted.extent != 0)
        return wanted.extent;
    const auto used = static_cast<std::uint32_t>(kChunkHeaderSize + wanted.data.size());
    return (used + kExtentRounding - 1) / kExtentRounding * kExtentRounding;
}

void WriteText(std::uint8_t* field, const std::string& text)
{
    std::fill(field, field + 16, 0xFF);
    const std::size_t n = std::min<std::size_t>(text.size(), 16);
    std::copy_n(text.begin(), n, field);
    if (n < 16)
        field[n] = 0;
}

// The chunk's header with its check value still 0.
std::array<std::uint8_t, kChunkHeaderSize> HeaderOf(const ChunkSpec& wanted, const BuiltChunk& chunk)
{
    std::array<std::uint8_t, kChunkHeaderSize> header{};
    std::fill(header.begin() + 16, header.end(), 0xFF);
    WriteBe32(header.data(), wanted.id);
    WriteBe32(header.data() + 4, chunk.length);
    WriteBe32(header.data() + 8, chunk.next);
    for (std::size_t t = 0; t < wanted.texts.size(); ++t)
        WriteText(header.data() + 16 + 16 * t, wanted.texts[t]);
    header[64] = wanted.reservedUnits;
    return header;
}

} // namespace

FlashImageBuilder& FlashImageBuilder::AddChunk(ChunkSpec wanted)
{
    m_chunks.push_back(std::move(wanted));
    return *this;
}

std::vector<BuiltChunk> FlashImageBuilder::Layout() const
{
    std::vector<BuiltChunk> layout;
    std::size_t offset = 0;
    for (std::size_t i = 0; i < m_chunks.size(); ++i) {
        const ChunkSpec& wanted = m_chunks[i];
        BuiltChunk chunk;
        chunk.id = wanted.id;
        chunk.offset = offset;
        chunk.length = static_cast<std::uint32_t>(kChunkHeaderSize - 16 + wanted.data.size());
        chunk.extent = ExtentOf(wanted);
        chunk.next = i + 1 < m_chunks.size() ? chunk.extent : 0;
        const std::array<std::uint8_t, kChunkHeaderSize> header = HeaderOf(wanted, chunk);
        chunk.crc = wanted.checked
            ? Crc32Mpeg2Update(Crc32Mpeg2(std::span(header).subspan(16)), wanted.data)
            : kNoCrcMark;
        layout.push_back(chunk);
        offset += chunk.extent;
    }
    return layout;
}

std::vector<std::uint8_t> FlashImageBuilder::Build(std::size_t flashSize) const
{
    std::vector<BuiltChunk> layout = Layout();
    if (!layout.empty() && layout.back().offset + layout.back().extent > flashSize)
        return {};
    std::vector<std::uint8_t> image(flashSize, 0xFF);
    for (std::size_t i = 0; i < layout.size(); ++i) {
        std::array<std::uint8_t, kChunkHeaderSize> header = HeaderOf(m_chunks[i], layout[i]);
        WriteBe32(header.data() + 12, layout[i].crc);
        const auto at = image.begin() + static_cast<std::ptrdiff_t>(layout[i].offset);
        std::copy(header.begin(), header.end(), at);
        std::copy(m_chunks[i].data.begin(), m_chunks[i].data.end(), at + kChunkHeaderSize);
    }
    return image;
}

std::vector<std::uint8_t> PatternBytes(std::size_t count, std::uint32_t seed, bool withBlankRuns)
{
    std::vector<std::uint8_t> bytes(count);
    std::uint32_t state = seed * 2654435761u + 0x9E3779B9u;
    for (std::size_t i = 0; i < count; ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        // Runs of FF of 1.5 KiB in every 4 KiB make whole erased dump pieces.
        const bool blank = withBlankRuns && (i % 4096) >= 2560;
        bytes[i] = blank ? 0xFF : static_cast<std::uint8_t>(state >> 24);
    }
    return bytes;
}

FlashImageBuilder TypicalFlashImage(std::size_t userDataBytes, std::size_t defaultDataBytes, std::uint32_t seed)
{
    FlashImageBuilder builder;
    builder.AddChunk({kBootChunkId, PatternBytes(0x700, 1 + 16 * seed), 0, false, {"boot", "1.02", "2004-03-11"}});
    builder.AddChunk({kCodeChunkId, PatternBytes(0x2400, 2 + 16 * seed), 0, true, {"code", "4.7.1", "2004-05-02"}});
    builder.AddChunk({kDefaultChunkId, PatternBytes(defaultDataBytes, 3 + 16 * seed), 0, true,
                      {"default db", "1", "2004-05-02"}});
    std::vector<std::uint8_t> user(0x10000, 0xFF); // the reserved unit, erased
    const std::vector<std::uint8_t> records = PatternBytes(userDataBytes, 4 + 16 * seed, true);
    user.insert(user.end(), records.begin(), records.end());
    builder.AddChunk({kUserChunkId, std::move(user), 0, true, {"user db", "2", "2004-05-02"}, 0x01});
    return builder;
}

} // namespace torvane::test
