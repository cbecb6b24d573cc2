#pragma once

#include <cstdint>
#include <vector>

#include <lzma.h>

namespace torvane::test {

// Packs like the PC's encoder: the .lzma format with literal context bits 0 and position bits 2.
inline std::vector<std::uint8_t> PackAlone(const std::vector<std::uint8_t>& data)
{
    lzma_options_lzma options;
    lzma_lzma_preset(&options, 6);
    options.lc = 0;
    options.lp = 2;
    lzma_stream stream = LZMA_STREAM_INIT;
    if (lzma_alone_encoder(&stream, &options) != LZMA_OK)
        return {};
    std::vector<std::uint8_t> out(data.size() + 1024);
    stream.next_in = data.data();
    stream.avail_in = data.size();
    stream.next_out = out.data();
    stream.avail_out = out.size();
    lzma_ret result = LZMA_OK;
    while (result == LZMA_OK)
        result = lzma_code(&stream, LZMA_FINISH);
    out.resize(result == LZMA_STREAM_END ? stream.total_out : 0);
    lzma_end(&stream);
    return out;
}

} // namespace torvane::test
