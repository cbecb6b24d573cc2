#include "database/zlib_codec.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <zlib.h>

#include "support/flash_test_images.h"
#include "support/recording_prompts.h"

namespace torvane {
namespace {

using test::PatternBytes;
using test::RecordingPrompts;

// A default-database-like stream: records that repeat with small differences.
std::vector<std::uint8_t> Compressible(std::size_t size)
{
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>((i % 97) < 60 ? 0 : i / 97);
    return bytes;
}

std::vector<std::uint8_t> Compressed(const std::vector<std::uint8_t>& stream, std::size_t room = 0x70000)
{
    std::vector<std::uint8_t> out(room);
    RecordingPrompts prompts;
    const std::optional<std::size_t> size = CompressDefaultDatabase(stream, out, prompts);
    EXPECT_TRUE(size.has_value());
    out.resize(size.value_or(0));
    return out;
}

class DefaultDatabaseRoundTrip : public ::testing::TestWithParam<std::size_t> {};

TEST_P(DefaultDatabaseRoundTrip, CompressedAtLevel9AndBackUnchanged)
{
    const std::vector<std::uint8_t> stream = Compressible(GetParam());
    const std::vector<std::uint8_t> packed = Compressed(stream, 0xFF00);
    ASSERT_GE(packed.size(), 2u);
    // zlib header: deflate with a 32 KiB window, and the level bits of the best compression.
    EXPECT_EQ(packed[0], 0x78);
    EXPECT_EQ(packed[1], 0xDA);

    RecordingPrompts prompts;
    EXPECT_EQ(UncompressDefaultDatabase(packed, prompts), stream);
    EXPECT_TRUE(prompts.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Sizes, DefaultDatabaseRoundTrip, ::testing::Values(0, 1, 1024, 0x2FF00, 0x60000));

struct UncompressCase {
    const char* name;
    std::function<std::vector<std::uint8_t>()> input;
    std::string message;
};

const UncompressCase kUncompressCases[] = {
    {"CutShort",
     [] {
         std::vector<std::uint8_t> packed = Compressed(Compressible(0x8000));
         packed.resize(packed.size() / 2);
         return packed;
     },
     "invalid or incomplete default data\n"},
    {"LastByteMissing",
     [] {
         std::vector<std::uint8_t> packed = Compressed(Compressible(0x8000));
         packed.pop_back();
         return packed;
     },
     "invalid or incomplete default data\n"},
    {"WrongAdler32",
     [] {
         std::vector<std::uint8_t> packed = Compressed(Compressible(0x8000));
         packed.back() ^= 0x01;
         return packed;
     },
     "invalid or incomplete default data\n"},
    {"NotZlibAtAll", [] { return PatternBytes(500, 3); }, "invalid or incomplete default data\n"},
    {"ErasedFlash", [] { return std::vector<std::uint8_t>(0xFF00, 0xFF); }, "invalid or incomplete default data\n"},
    {"Empty", [] { return std::vector<std::uint8_t>{}; }, "invalid or incomplete default data\n"},
    {"StreamOneByteLargerThanTheWorkBuffer", [] { return Compressed(Compressible(0x60001)); },
     "ERROR: uncompress failed!\n"},
};

class UncompressFailure : public ::testing::TestWithParam<UncompressCase> {};

TEST_P(UncompressFailure, ShowsItsMessageAndGivesNothing)
{
    RecordingPrompts prompts;
    EXPECT_EQ(UncompressDefaultDatabase(GetParam().input(), prompts), std::nullopt);
    EXPECT_EQ(prompts.messages, std::vector<std::string>{GetParam().message});
}

INSTANTIATE_TEST_SUITE_P(Inputs, UncompressFailure, ::testing::ValuesIn(kUncompressCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ZlibUncompress, TrailingBytesAfterTheStreamAreIgnored)
{
    // A chunk's data area holds the compressed stream followed by the zero fill.
    const std::vector<std::uint8_t> stream = Compressible(5000);
    std::vector<std::uint8_t> area = Compressed(stream);
    area.resize(area.size() + 300, 0);
    std::vector<std::uint8_t> out;
    EXPECT_EQ(ZlibUncompress(area, kDefaultStreamCapacity, out), Z_OK);
    EXPECT_EQ(out, stream);
}

struct MessageCase {
    int code;
    const char* message;
};

class UncompressMessage : public ::testing::TestWithParam<MessageCase> {};

TEST_P(UncompressMessage, ForEveryZlibResult)
{
    EXPECT_EQ(UncompressFailureMessage(GetParam().code), GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(Codes, UncompressMessage,
                         ::testing::Values(MessageCase{Z_VERSION_ERROR, "zlib version mismatch!\n"},
                                           MessageCase{Z_MEM_ERROR, "out of memory\n"},
                                           MessageCase{Z_DATA_ERROR, "invalid or incomplete default data\n"},
                                           MessageCase{Z_STREAM_ERROR, "invalid compression level\n"},
                                           MessageCase{Z_BUF_ERROR, "ERROR: uncompress failed!\n"},
                                           MessageCase{Z_NEED_DICT, "ERROR: uncompress failed!\n"},
                                           MessageCase{Z_ERRNO, "ERROR: uncompress failed!\n"}));

TEST(CompressDefaultDatabase, OutputThatDoesNotFitShowsTheZlibCodeInHex)
{
    const std::vector<std::uint8_t> noise = PatternBytes(0x10000, 11);
    std::vector<std::uint8_t> destination(0xFF00);
    RecordingPrompts prompts;
    EXPECT_EQ(CompressDefaultDatabase(noise, destination, prompts), std::nullopt);
    EXPECT_EQ(prompts.messages, std::vector<std::string>{"Compressed ERROR FFFFFFFB\n"});
}

TEST(ZlibCompress, BadLevelIsAStreamError)
{
    std::vector<std::uint8_t> destination(100);
    std::size_t written = 99;
    const int code = ZlibCompress(Compressible(10), destination, 10, written);
    EXPECT_EQ(code, Z_STREAM_ERROR);
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(CompressFailureMessage(code), "Compressed ERROR FFFFFFFE\n");
}

} // namespace
} // namespace torvane
