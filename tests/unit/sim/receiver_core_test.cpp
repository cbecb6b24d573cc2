#include "receiver_core.h"

#include <functional>

#include <gtest/gtest.h>

#include "support/flash_image_builder.h"
#include "util/byte_order.h"

namespace torvane::sim {
namespace {

constexpr std::size_t kFlashSize = 0x80000;

ReceiverCore MakeCore(const test::FlashImageBuilder& builder)
{
    return ReceiverCore(ReceiverFlash(builder.Build(kFlashSize), {}));
}

// A chunk image (header + data) with the given next-chunk offset, as a PC would send it.
std::vector<std::uint8_t> ChunkBytes(std::uint32_t id, std::size_t dataBytes, std::uint32_t next, std::uint32_t seed)
{
    test::FlashImageBuilder one;
    one.AddChunk({id, test::PatternBytes(dataBytes, seed), next, true, {}});
    std::vector<std::uint8_t> image = one.Build(kFlashSize);
    image.resize(128 + dataBytes);
    WriteBe32(image.data() + 8, next);
    return image;
}

struct ErrorCase {
    const char* name;
    std::function<ReceiverError(ReceiverCore&)> action;
    ReceiverError expected;
};

class CoreErrors : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(CoreErrors, ReportTheReceiverCode)
{
    ReceiverCore core = MakeCore(test::TypicalFlashImage());
    EXPECT_EQ(GetParam().action(core), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CoreErrors,
    ::testing::Values(
        ErrorCase{"AddressAtEnd", [](ReceiverCore& c) { return c.SetAddress(kFlashSize); }, kAddressOverflow},
        ErrorCase{"AddressLast", [](ReceiverCore& c) { return c.SetAddress(kFlashSize - 1); }, kReceiverOk},
        ErrorCase{"MoveWithoutAddress", [](ReceiverCore& c) { return c.Move(test::kCodeChunkId, 0); },
                  kAddressNotInit},
        ErrorCase{"TransferWithoutAddress", [](ReceiverCore& c) { return c.CheckTransfer(10); }, kAddressNotInit},
        ErrorCase{"MoveUnknownChunk",
                  [](ReceiverCore& c) {
                      c.SetAddress(0);
                      return c.Move(0x05FA0100u, 0);
                  },
                  kChunkNotFound},
        ErrorCase{"MoveLongerThanFlash",
                  [](ReceiverCore& c) {
                      c.SetAddress(0);
                      return c.Move(test::kBootChunkId, kFlashSize + 1);
                  },
                  kParameterError},
        ErrorCase{"TransferFillsSdramExactly",
                  [](ReceiverCore& c) {
                      c.SetAddress(0x1000);
                      return c.CheckTransfer(kFlashSize - 0x1000);
                  },
                  kReceiverOk},
        ErrorCase{"TransferOneByteTooMany",
                  [](ReceiverCore& c) {
                      c.SetAddress(0x1000);
                      return c.CheckTransfer(kFlashSize - 0x1000 + 1);
                  },
                  kNotEnoughBuffer}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReceiverCore, BuildsTheNewFlashFromMovedAndTransferredChunks)
{
    const test::FlashImageBuilder builder = test::TypicalFlashImage();
    ReceiverCore core = MakeCore(builder);
    const std::vector<test::BuiltChunk> layout = builder.Layout();
    const std::vector<std::uint8_t> before(core.Flash().Bytes().begin(), core.Flash().Bytes().end());
    ASSERT_EQ(layout.size(), 4u);

    // The PC keeps boot and code, sends a new default database and keeps the user database.
    ASSERT_EQ(core.SetAddress(0), kReceiverOk);
    ASSERT_EQ(core.Move(test::kBootChunkId, layout[0].next), kReceiverOk);
    ASSERT_EQ(core.Move(test::kCodeChunkId, layout[1].next), kReceiverOk);
    const std::vector<std::uint8_t> fresh = ChunkBytes(test::kDefaultChunkId, 0x1800, layout[2].next, 77);
    ASSERT_EQ(core.PlaceTransfer(fresh), kReceiverOk);
    ASSERT_EQ(core.Move(test::kUserChunkId, 0), kReceiverOk);
    ASSERT_TRUE(core.HasSomethingToBurn());
    std::string error;
    ASSERT_TRUE(core.Burn(error)) << error;

    std::vector<std::uint8_t> expected = before;
    std::fill(expected.begin() + static_cast<std::ptrdiff_t>(layout[2].offset),
              expected.begin() + static_cast<std::ptrdiff_t>(layout[3].offset), 0xFF);
    std::copy(fresh.begin(), fresh.end(), expected.begin() + static_cast<std::ptrdiff_t>(layout[2].offset));
    const auto after = core.Flash().Bytes();
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), after.begin(), after.end()));
    // Burning leaves SDRAM empty until the next address.
    EXPECT_FALSE(core.HasSomethingToBurn());
    EXPECT_EQ(core.CheckTransfer(1), kAddressNotInit);
}

TEST(ReceiverCore, TransferWithoutChunkHeaderAdvancesByItsLength)
{
    ReceiverCore core = MakeCore(test::TypicalFlashImage());
    ASSERT_EQ(core.SetAddress(0x40000), kReceiverOk);
    const std::vector<std::uint8_t> a(10, 0x11);
    const std::vector<std::uint8_t> b(6, 0x22);
    ASSERT_EQ(core.PlaceTransfer(a), kReceiverOk);
    ASSERT_EQ(core.PlaceTransfer(b), kReceiverOk);
    std::string error;
    ASSERT_TRUE(core.Burn(error));
    const auto flash = core.Flash().Bytes();
    EXPECT_EQ(flash[0x40000 + 9], 0x11);
    EXPECT_EQ(flash[0x40000 + 10], 0x22);
    EXPECT_EQ(flash[0x40000 + 15], 0x22);
    EXPECT_EQ(flash[0x40000 + 16], 0xFF);
}

struct DumpCase {
    std::uint64_t start;
    std::uint64_t length;
    bool valid;
    std::size_t expectedStart;
    std::size_t expectedLength;
};

class DumpRanges : public ::testing::TestWithParam<DumpCase> {};

TEST_P(DumpRanges, AreBoundedByTheFlash)
{
    const ReceiverCore core = MakeCore(test::TypicalFlashImage());
    const DumpCase& c = GetParam();
    const std::optional<DumpRange> range = core.Dump(c.start, c.length);
    ASSERT_EQ(range.has_value(), c.valid);
    if (c.valid) {
        EXPECT_EQ(range->start, c.expectedStart);
        EXPECT_EQ(range->length, c.expectedLength);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, DumpRanges,
                         ::testing::Values(DumpCase{0, 0, true, 0, kFlashSize},
                                           DumpCase{0x1000, 0, true, 0x1000, kFlashSize - 0x1000},
                                           DumpCase{0x1000, 0x400, true, 0x1000, 0x400},
                                           DumpCase{kFlashSize - 1, 1, true, kFlashSize - 1, 1},
                                           DumpCase{kFlashSize - 1, 2, false, 0, 0},
                                           DumpCase{kFlashSize + 1, 0, false, 0, 0}));

TEST(BurnProgressDigits, AreFourDigitsClamped)
{
    const std::pair<std::size_t, const char*> cases[] = {{0, "0000"}, {7, "0007"}, {2048, "2048"},
                                                         {9999, "9999"}, {10000, "9999"}};
    for (const auto& [kib, digits] : cases)
        EXPECT_EQ(BurnProgressDigits(kib), digits) << kib;
}

} // namespace
} // namespace torvane::sim
