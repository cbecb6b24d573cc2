#include "lzma_unpacker.h"

#include <lzma.h>

namespace torvane::sim {
namespace {

struct StreamEnd {
    lzma_stream* stream;
    ~StreamEnd() { lzma_end(stream); }
};

constexpr std::uint64_t kMemoryLimit = 256u << 20;

} // namespace

std::optional<std::vector<std::uint8_t>> UnpackLzma(std::span<const std::uint8_t> packed, std::size_t expectedLength)
{
    lzma_stream stream = LZMA_STREAM_INIT;
    if (lzma_auto_decoder(&stream, kMemoryLimit, 0) != LZMA_OK)
        return std::nullopt;
    const StreamEnd guard{&stream};
    // One spare byte catches a stream that unpacks to more than announced.
    std::vector<std::uint8_t> out(expectedLength + 1);
    stream.next_in = packed.data();
    stream.avail_in = packed.size();
    stream.next_out = out.data();
    stream.avail_out = out.size();
    lzma_ret result = LZMA_OK;
    while (result == LZMA_OK && stream.avail_out > 0)
        result = lzma_code(&stream, LZMA_FINISH);
    if (result != LZMA_STREAM_END || stream.total_out != expectedLength)
        return std::nullopt;
    out.resize(expectedLength);
    return out;
}

} // namespace torvane::sim
