#include "lzma_unpacker.h"

#include <functional>

#include <lzma.h>

#include <gtest/gtest.h>

#include "support/lzma_pack.h"
#include "support/flash_image_builder.h"

namespace torvane::sim {
namespace {

using torvane::test::PackAlone;

std::vector<std::uint8_t> PackXz(const std::vector<std::uint8_t>& data)
{
    std::vector<std::uint8_t> out(data.size() + 1024);
    std::size_t used = 0;
    EXPECT_EQ(lzma_easy_buffer_encode(6, LZMA_CHECK_CRC32, nullptr, data.data(), data.size(), out.data(), &used,
                                      out.size()),
              LZMA_OK);
    out.resize(used);
    return out;
}

TEST(UnpackLzma, RoundTripsBothFormats)
{
    const std::vector<std::uint8_t> data = torvane::test::PatternBytes(40000, 9, true);
    for (const auto& packed : {PackAlone(data), PackXz(data)}) {
        ASSERT_LT(packed.size(), data.size());
        const auto unpacked = UnpackLzma(packed, data.size());
        ASSERT_TRUE(unpacked);
        EXPECT_EQ(*unpacked, data);
    }
}

struct DamageCase {
    const char* name;
    std::function<void(std::vector<std::uint8_t>&)> damage;
    long lengthDelta;
};

class UnpackDamaged : public ::testing::TestWithParam<DamageCase> {};

TEST_P(UnpackDamaged, GivesNothing)
{
    const std::vector<std::uint8_t> data = torvane::test::PatternBytes(20000, 5);
    std::vector<std::uint8_t> packed = PackAlone(data);
    GetParam().damage(packed);
    EXPECT_FALSE(UnpackLzma(packed, static_cast<std::size_t>(static_cast<long>(data.size()) + GetParam().lengthDelta)));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UnpackDamaged,
    ::testing::Values(DamageCase{"Truncated", [](auto& p) { p.resize(p.size() / 2); }, 0},
                      DamageCase{"Empty", [](auto& p) { p.clear(); }, 0},
                      DamageCase{"NotLzma", [](auto& p) { std::fill(p.begin(), p.end(), 0x42); }, 0},
                      // Announced one byte shorter or longer than what the stream holds.
                      DamageCase{"UnpacksLonger", [](auto&) {}, -1},
                      DamageCase{"UnpacksShorter", [](auto&) {}, 1}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace torvane::sim
