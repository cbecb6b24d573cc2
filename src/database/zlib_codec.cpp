#include "database/zlib_codec.h"

#include <cstdio>
#include <limits>

#include <zlib.h>

#include "util/user_prompts.h"

namespace torvane {

int ZlibUncompress(std::span<const std::uint8_t> input, std::size_t capacity, std::vector<std::uint8_t>& out)
{
    out.assign(capacity, 0);
    if (input.size() > std::numeric_limits<uLong>::max() || capacity > std::numeric_limits<uLongf>::max())
        return Z_BUF_ERROR;
    uLongf produced = static_cast<uLongf>(capacity);
    // zlib wants valid pointers even for empty buffers.
    static const Bytef kEmpty = 0;
    Bytef scratch = 0;
    const int code = ::uncompress(out.empty() ? &scratch : out.data(), &produced,
                                  input.empty() ? &kEmpty : input.data(), static_cast<uLong>(input.size()));
    out.resize(code == Z_OK ? static_cast<std::size_t>(produced) : 0);
    return code;
}

int ZlibCompress(std::span<const std::uint8_t> input, std::span<std::uint8_t> destination, int level,
                 std::size_t& written)
{
    written = 0;
    if (input.size() > std::numeric_limits<uLong>::max()
        || destination.size() > std::numeric_limits<uLongf>::max())
        return Z_BUF_ERROR;
    static const Bytef kEmpty = 0;
    Bytef scratch = 0;
    uLongf size = static_cast<uLongf>(destination.size());
    const int code = ::compress2(destination.empty() ? &scratch : destination.data(), &size,
                                 input.empty() ? &kEmpty : input.data(), static_cast<uLong>(input.size()), level);
    if (code == Z_OK)
        written = static_cast<std::size_t>(size);
    return code;
}

std::string_view UncompressFailureMessage(int zlibCode)
{
    switch (zlibCode) {
    case Z_VERSION_ERROR:
        return "zlib version mismatch!\n";
    case Z_MEM_ERROR:
        return "out of memory\n";
    case Z_DATA_ERROR:
        return "invalid or incomplete default data\n";
    case Z_STREAM_ERROR:
        return "invalid compression level\n";
    default:
        return "ERROR: uncompress failed!\n";
    }
}

std::string CompressFailureMessage(int zlibCode)
{
    char text[32];
    std::snprintf(text, sizeof text, "Compressed ERROR %02X\n", static_cast<unsigned>(zlibCode));
    return text;
}

std::optional<std::vector<std::uint8_t>> UncompressDefaultDatabase(std::span<const std::uint8_t> input,
                                                                   UserPrompts& prompts)
{
    std::vector<std::uint8_t> stream;
    const int code = ZlibUncompress(input, kDefaultStreamCapacity, stream);
    if (code != Z_OK) {
        prompts.Message(UncompressFailureMessage(code));
        return std::nullopt;
    }
    return stream;
}

std::optional<std::size_t> CompressDefaultDatabase(std::span<const std::uint8_t> stream,
                                                   std::span<std::uint8_t> destination, UserPrompts& prompts)
{
    std::size_t written = 0;
    const int code = ZlibCompress(stream, destination, kDefaultCompressionLevel, written);
    if (code != Z_OK) {
        prompts.Message(CompressFailureMessage(code));
        return std::nullopt;
    }
    return written;
}

} // namespace torvane
