// The receiver's information block (ParseReceiverInfo) and the digits of a burn report
// (BurnPercent), the two replies of the receiver that are read without a line. A parsed block
// written out again must parse to the same information.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "fuzz/fuzz_target.h"
#include "link/link_callbacks.h"
#include "link/receiver_info.h"
#include "util/byte_order.h"

namespace torvane::fuzz {

namespace {

// The block as the receiver sends it: flash kind, second byte, 128-byte chunk records.
Input WriteInfoBlock(std::uint8_t kindCode, std::uint8_t secondByte, const std::vector<ChunkInfo>& chunks)
{
    Input block = {kindCode, secondByte};
    for (const ChunkInfo& chunk : chunks) {
        Input record(kChunkRecordSize, 0);
        WriteBe32(&record[0], chunk.id);
        WriteBe32(&record[4], chunk.length);
        WriteBe32(&record[8], chunk.nextOffset);
        WriteBe32(&record[12], chunk.crc);
        for (std::size_t t = 0; t < chunk.texts.size(); ++t)
            std::copy_n(chunk.texts[t].begin(), std::min(chunk.texts[t].size(), kChunkTextSize),
                        record.begin() + static_cast<std::ptrdiff_t>(16 + t * kChunkTextSize));
        block.insert(block.end(), record.begin(), record.end());
    }
    return block;
}

bool SameInfo(const ReceiverInfo& a, const ReceiverInfo& b)
{
    return a.flashSize == b.flashSize && a.secondByte == b.secondByte
        && std::ranges::equal(a.chunks, b.chunks, [](const ChunkInfo& x, const ChunkInfo& y) {
               return x.id == y.id && x.length == y.length && x.nextOffset == y.nextOffset && x.crc == y.crc
                   && x.texts == y.texts;
           });
}

} // namespace

std::vector<Input> Seeds()
{
    const ChunkInfo boot{0xE3000010, 0xFF80, 0x10000, 0x11223344, {"boot", "v1.0", ""}};
    const ChunkInfo defaults{
        kDefaultChunkId, 0x1FF80, 0x20000, 0x55667788, {"default db", "", "0123456789abcdef"}};
    const ChunkInfo user{kUserChunkId, 0xA0070, 0, kNoCheckValue, {"user db", "", ""}};
    return {
        WriteInfoBlock(5, 1, {}),
        WriteInfoBlock(3, 0, {boot, defaults, user}),
        WriteInfoBlock(12, 7, {user}),
        {'1', '2', '8', ' ', 'K'},
    };
}

} // namespace torvane::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace torvane;
    const std::span<const std::uint8_t> block(data, size);

    const int percent = BurnPercent(block, size > 0 ? 0x80000u * data[0] : 0);
    fuzz::Check(percent >= 0 && percent <= 100, "a burn report gives a percentage outside 0 to 100");

    const std::optional<ReceiverInfo> info = ParseReceiverInfo(block);
    fuzz::Check(info.has_value() == (size >= 2), "a block is refused or taken against its length");
    if (!info)
        return 0;
    fuzz::Check(info->chunks.size() == std::min((size - 2) / kChunkRecordSize, kMaxReceiverChunks),
                "the chunk count does not follow the block length");
    for (const ChunkInfo& chunk : info->chunks)
        for (const std::string& text : chunk.texts)
            fuzz::Check(text.size() <= kChunkTextSize && text.find('\0') == std::string::npos,
                        "a chunk text runs past its field or holds its terminator");
    const fuzz::Input rewritten = fuzz::WriteInfoBlock(data[0], data[1], info->chunks);
    const std::optional<ReceiverInfo> again = ParseReceiverInfo(rewritten);
    fuzz::Check(again && fuzz::SameInfo(*info, *again), "a block written from parsed information parses otherwise");
    return 0;
}
