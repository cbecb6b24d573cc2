#include "util/crc32_mpeg2.h"

#include <string_view>
#include <vector>

#include <gtest/gtest.h>

namespace torvane {
namespace {

std::span<const std::uint8_t> bytesOf(std::string_view text)
{
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

struct CrcCase {
    std::string_view input;
    std::uint32_t expected;
};

class Crc32Mpeg2Check : public ::testing::TestWithParam<CrcCase> {};

TEST_P(Crc32Mpeg2Check, MatchesCheckValue)
{
    EXPECT_EQ(Crc32Mpeg2(bytesOf(GetParam().input)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(KnownValues, Crc32Mpeg2Check,
                         ::testing::Values(CrcCase{"123456789", 0x0376E6E7u}, CrcCase{"abc", 0x9B73448Cu},
                                           CrcCase{"", 0xFFFFFFFFu}));

TEST(Crc32Mpeg2, PiecewiseUpdateEqualsWholeRun)
{
    std::vector<std::uint8_t> data(3000);
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<std::uint8_t>(i * 7 + 3);
    std::uint32_t crc = kCrc32Mpeg2Initial;
    for (std::size_t at = 0; at < data.size(); at += 1024) {
        const std::size_t n = std::min<std::size_t>(1024, data.size() - at);
        crc = Crc32Mpeg2Update(crc, std::span(data).subspan(at, n));
    }
    EXPECT_EQ(crc, Crc32Mpeg2(data));
}

// Every length and alignment of a run against the definition, one bit at a time.
TEST(Crc32Mpeg2, AgreesWithTheBitwiseDefinition)
{
    const auto bitwise = [](std::span<const std::uint8_t> bytes) {
        std::uint32_t crc = kCrc32Mpeg2Initial;
        for (std::uint8_t b : bytes) {
            crc ^= std::uint32_t{b} << 24;
            for (int bit = 0; bit < 8; ++bit)
                crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : (crc << 1);
        }
        return crc;
    };
    std::vector<std::uint8_t> data(80);
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<std::uint8_t>(i * 151 + 89);
    for (std::size_t start = 0; start < 8; ++start) {
        for (std::size_t length = 0; start + length <= data.size(); ++length) {
            const std::span<const std::uint8_t> run = std::span(data).subspan(start, length);
            ASSERT_EQ(Crc32Mpeg2(run), bitwise(run)) << start << " " << length;
        }
    }
}

TEST(Crc32Mpeg2, SingleBitFlipChangesResult)
{
    std::vector<std::uint8_t> data(64, 0x5A);
    const std::uint32_t before = Crc32Mpeg2(data);
    data[40] ^= 0x10;
    EXPECT_NE(Crc32Mpeg2(data), before);
}

} // namespace
} // namespace torvane
