#include "receiver_flash.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "util/byte_order.h"

namespace torvane::sim {
namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

} // namespace

std::optional<ReceiverFlash> ReceiverFlash::Load(const std::string& path, std::string& error)
{
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[65536];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
        bytes.insert(bytes.end(), buffer, buffer + got);
        if (bytes.size() > 0x200000)
            break;
    }
    if (std::ferror(file.get())) {
        error = "cannot read " + path;
        return std::nullopt;
    }
    if (bytes.size() != 0x80000 && bytes.size() != 0x100000 && bytes.size() != 0x200000) {
        error = path + ": a flash image is 524288, 1048576 or 2097152 bytes long";
        return std::nullopt;
    }
    return ReceiverFlash(std::move(bytes), path);
}

ReceiverFlash::ReceiverFlash(std::vector<std::uint8_t> bytes, std::string path)
    : m_bytes(std::move(bytes))
    , m_path(std::move(path))
{
}

std::uint8_t ReceiverFlash::KindCode() const
{
    switch (m_bytes.size()) {
    case 0x80000:
        return 1;
    case 0x100000:
        return 3;
    case 0x200000:
        return 5;
    default:
        return 0;
    }
}

std::vector<FlashChunk> ReceiverFlash::Chunks() const
{
    std::vector<FlashChunk> chunks;
    std::size_t offset = 0;
    while (offset <= m_bytes.size() && m_bytes.size() - offset >= kChunkHeaderSize) {
        const std::uint8_t* header = m_bytes.data() + offset;
        FlashChunk chunk;
        chunk.offset = offset;
        chunk.id = ReadBe32(header);
        chunk.length = ReadBe32(header + 4);
        chunk.next = ReadBe32(header + 8);
        chunk.crc = ReadBe32(header + 12);
        if (!chunks.empty() && ((chunk.id >> 24) + ((chunk.id >> 16) & 0xFFu)) != 0xFFu)
            break;
        const std::uint64_t used = std::uint64_t{chunk.length} + 16;
        if (chunk.next != 0 && chunk.next < used)
            break;
        chunk.extent = chunk.next != 0 ? chunk.next : static_cast<std::size_t>(used);
        if (chunk.extent > m_bytes.size() - offset)
            break;
        chunks.push_back(chunk);
        if (chunk.next == 0)
            break;
        offset += chunk.next;
    }
    return chunks;
}

std::optional<FlashChunk> ReceiverFlash::FindChunk(std::uint32_t id) const
{
    for (const FlashChunk& chunk : Chunks()) {
        if (chunk.id == id)
            return chunk;
    }
    return std::nullopt;
}

std::vector<std::uint8_t> ReceiverFlash::InfoBlock(std::uint8_t secondByte) const
{
    std::vector<std::uint8_t> block{KindCode(), secondByte};
    const std::vector<FlashChunk> chunks = Chunks();
    const std::size_t count = std::min(chunks.size(), kMaxInfoChunks);
    for (std::size_t i = 0; i < count; ++i) {
        const auto header = m_bytes.begin() + static_cast<std::ptrdiff_t>(chunks[i].offset);
        block.insert(block.end(), header, header + kChunkHeaderSize);
    }
    return block;
}

void ReceiverFlash::Write(std::size_t offset, std::span<const std::uint8_t> bytes)
{
    if (offset >= m_bytes.size())
        return;
    const std::size_t n = std::min(bytes.size(), m_bytes.size() - offset);
    std::copy_n(bytes.begin(), n, m_bytes.begin() + static_cast<std::ptrdiff_t>(offset));
}

bool ReceiverFlash::Save(std::string& error) const
{
    if (m_path.empty())
        return true;
    const std::string temporary = m_path + ".tmp";
    FilePtr file(std::fopen(temporary.c_str(), "wb"));
    if (!file) {
        error = "cannot write " + temporary + ": " + std::strerror(errno);
        return false;
    }
    const bool written = std::fwrite(m_bytes.data(), 1, m_bytes.size(), file.get()) == m_bytes.size();
    const bool closed = std::fclose(file.release()) == 0;
    if (!written || !closed || std::rename(temporary.c_str(), m_path.c_str()) != 0) {
        error = "cannot write " + m_path + ": " + std::strerror(errno);
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace torvane::sim
