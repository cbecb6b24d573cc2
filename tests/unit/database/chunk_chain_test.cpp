#include "database/chunk_chain.h"

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/flash_test_images.h"
#include "support/scratch_folder.h"
#include "util/crc32_mpeg2.h"

namespace torvane {
namespace {

using test::BuildFlashImage;
using test::ReceiverChunks;
using test::ReceiverLayout;
using test::TestChunk;

struct WalkCase {
    const char* name;
    std::function<std::vector<std::uint8_t>()> image;
    std::optional<std::uint32_t> limit;
    int count;                                  // the walk's result
    WalkStop stop;
    std::size_t accepted;                       // chunks accepted before the walk ended
    std::optional<std::uint64_t> userOffset;
    std::optional<std::uint64_t> defaultOffset;
    std::optional<std::uint64_t> rejectedOffset;
    ChunkCheck rejectedCheck = ChunkCheck::NotRead;
};

std::vector<std::uint8_t> Receiver(const std::function<void(std::vector<TestChunk>&)>& change)
{
    std::vector<TestChunk> chunks = ReceiverChunks();
    change(chunks);
    return BuildFlashImage(chunks, ReceiverLayout::kFileSize);
}

std::vector<std::uint8_t> Chain(std::vector<TestChunk> chunks, std::size_t fileSize)
{
    return BuildFlashImage(chunks, fileSize);
}

using L = ReceiverLayout;

const WalkCase kWalkCases[] = {
    {"WholeReceiverChain", [] { return Receiver([](auto&) {}); }, kOpenWalkLimit, 5, WalkStop::ChainEnd, 5,
     L::kUserOffset, L::kDefaultOffset, std::nullopt},
    {"SecondIdentifierNotPairedStopsTheWalk",
     [] { return Receiver([](auto& c) { c[1].identifier = 0x05FB0100; }); }, kOpenWalkLimit, 0,
     WalkStop::BadIdentifier, 1, std::nullopt, std::nullopt, L::kCodeOffset},
    {"UnpairedIdentifierAfterTheDatabasesKeepsThemFound",
     [] { return Receiver([](auto& c) { c[4].identifier = 0x02FC0100; }); }, kOpenWalkLimit, 0,
     WalkStop::BadIdentifier, 4, L::kUserOffset, L::kDefaultOffset, L::kTailOffset},
    {"FirstChunkIsExemptFromThePairingRule",
     [] { return Chain({{.identifier = 0xFFFF0000, .extent = 0x200}, {.identifier = kUserChunkId, .extent = 0x300}},
                       0x500); },
     kOpenWalkLimit, 2, WalkStop::ChainEnd, 2, 0x200, std::nullopt, std::nullopt},
    {"NextOffsetAboveTheLimit",
     [] { return Chain({{.identifier = kDefaultChunkId, .extent = 0x200, .nextOffset = 0x200001},
                        {.identifier = kUserChunkId, .extent = 0x200}}, 0x400); },
     kOpenWalkLimit, 0, WalkStop::NextOverLimit, 0, std::nullopt, std::nullopt, 0},
    {"NextOffsetAboveTheLimitIsFineWithoutOne",
     [] { return Chain({{.identifier = kDefaultChunkId, .extent = 0x200, .nextOffset = 0x200001}}, 0x400); },
     std::nullopt, 0, WalkStop::ShortHeader, 1, std::nullopt, 0, std::nullopt},
    {"NextOffsetEqualToTheLimitIsAccepted",
     [] { return Chain({{.identifier = kDefaultChunkId, .extent = 0x200, .nextOffset = 0x200000}}, 0x400); },
     kOpenWalkLimit, 0, WalkStop::ShortHeader, 1, std::nullopt, 0, std::nullopt},
    {"NextOffsetSmallerThanLengthPlus16",
     [] { return Chain({{.identifier = kDefaultChunkId, .extent = 0x200, .length = 0x1F1, .nextOffset = 0x200}},
                       0x400); },
     kOpenWalkLimit, 0, WalkStop::NextTooSmall, 0, std::nullopt, std::nullopt, 0},
    {"NextOffsetEqualToLengthPlus16",
     [] { return Chain({{.identifier = kDefaultChunkId, .extent = 0x200, .length = 0x1F0},
                        {.identifier = kUserChunkId, .extent = 0x200}}, 0x400); },
     kOpenWalkLimit, 2, WalkStop::ChainEnd, 2, 0x200, 0, std::nullopt},
    {"WrongCrcEndsTheWalkButEarlierChunksStayFound",
     [] { return Receiver([](auto& c) { c[3].noCheck = false; c[3].checkValue = 0x12345678; }); }, kOpenWalkLimit,
     0, WalkStop::BadCheck, 3, std::nullopt, L::kDefaultOffset, L::kUserOffset, ChunkCheck::Bad},
    {"OneFlippedBitInTheCoveredData",
     [] {
         std::vector<std::uint8_t> image = Receiver([](auto&) {});
         image[L::kCodeOffset + 0x2FFFF] ^= 0x01;  // the last covered byte of the code chunk
         return image;
     },
     kOpenWalkLimit, 0, WalkStop::BadCheck, 1, std::nullopt, std::nullopt, L::kCodeOffset, ChunkCheck::Bad},
    {"HeaderBytesBefore16AreNotCovered",
     [] {
         std::vector<std::uint8_t> image = Receiver([](auto&) {});
         image[L::kCodeOffset + 3] ^= 0x01;  // identifier 0x01FE0101 still pairs
         return image;
     },
     kOpenWalkLimit, 5, WalkStop::ChainEnd, 5, L::kUserOffset, L::kDefaultOffset, std::nullopt},
    {"NcrcChunkIsAcceptedWithoutReadingItsData",
     [] { return Chain({{.identifier = kUserChunkId, .extent = 0x200, .noCheck = true, .length = 0x7FFFFFF0,
                         .nextOffset = 0}}, 0x200); },
     kOpenWalkLimit, 1, WalkStop::ChainEnd, 1, 0, std::nullopt, std::nullopt},
    {"CoveredLengthPastTheEndOfTheFile",
     [] { return Chain({{.identifier = kUserChunkId, .extent = 0x200, .length = 0x1F1, .nextOffset = 0}}, 0x200); },
     kOpenWalkLimit, 0, WalkStop::BadCheck, 0, std::nullopt, std::nullopt, 0, ChunkCheck::Bad},
    {"LengthZeroHasTheInitialCrc",
     [] { return Chain({{.identifier = kUserChunkId, .extent = 0x80, .length = 0, .nextOffset = 0,
                         .checkValue = 0xFFFFFFFF}}, 0x80); },
     kOpenWalkLimit, 1, WalkStop::ChainEnd, 1, 0, std::nullopt, std::nullopt},
    {"CrcPiecesAroundTheLast1024Bytes",
     [] { return Chain({{.identifier = 0x01FE0100, .extent = 0x410},
                        {.identifier = 0x01FE0100, .extent = 0x411},
                        {.identifier = kUserChunkId, .extent = 0x40F}}, 0xC30); },
     kOpenWalkLimit, 3, WalkStop::ChainEnd, 3, 0x821, std::nullopt, std::nullopt},
    {"NextChunkStartsTooCloseToTheEnd",
     [] { return Chain({{.identifier = kDefaultChunkId, .extent = 0x200}, {.identifier = kUserChunkId, .extent = 0x7F}},
                       0x27F); },
     kOpenWalkLimit, 0, WalkStop::ShortHeader, 1, std::nullopt, 0, std::nullopt},
    {"NextOffsetPointsExactlyAtTheEnd",
     [] { return Chain({{.identifier = kDefaultChunkId, .extent = 0x200, .nextOffset = 0x200}}, 0x200); },
     kOpenWalkLimit, 0, WalkStop::ShortHeader, 1, std::nullopt, 0, std::nullopt},
    {"HugeNextOffsetWithoutLimitLeavesTheFile",
     [] { return Chain({{.identifier = kDefaultChunkId, .extent = 0x200, .nextOffset = 0xFFFFFFFF}}, 0x200); },
     std::nullopt, 0, WalkStop::ShortHeader, 1, std::nullopt, 0, std::nullopt},
    {"FileShorterThanOneHeader", [] { return std::vector<std::uint8_t>(127, 0); }, kOpenWalkLimit, 0,
     WalkStop::ShortHeader, 0, std::nullopt, std::nullopt, std::nullopt},
    {"EmptyFile", [] { return std::vector<std::uint8_t>{}; }, kOpenWalkLimit, 0, WalkStop::ShortHeader, 0,
     std::nullopt, std::nullopt, std::nullopt},
    {"AllErasedFlash", [] { return std::vector<std::uint8_t>(0x1000, 0xFF); }, kOpenWalkLimit, 0,
     WalkStop::NextOverLimit, 0, std::nullopt, std::nullopt, 0},
    {"SecondUserChunkReplacesTheFirst",
     [] { return Chain({{.identifier = kUserChunkId, .extent = 0x100}, {.identifier = kUserChunkId, .extent = 0x100}},
                       0x200); },
     kOpenWalkLimit, 2, WalkStop::ChainEnd, 2, 0x100, std::nullopt, std::nullopt},
};

void ExpectWalk(const ChunkWalk& walk, const WalkCase& c)
{
    EXPECT_EQ(walk.count, c.count);
    EXPECT_EQ(walk.stop, c.stop);
    EXPECT_EQ(walk.chunks.size(), c.accepted);
    EXPECT_EQ(walk.userChunk ? std::optional(walk.userChunk->offset) : std::nullopt, c.userOffset);
    EXPECT_EQ(walk.defaultChunk ? std::optional(walk.defaultChunk->offset) : std::nullopt, c.defaultOffset);
    EXPECT_EQ(walk.rejected ? std::optional(walk.rejected->offset) : std::nullopt, c.rejectedOffset);
    if (walk.rejected) {
        EXPECT_EQ(walk.rejected->check, c.rejectedCheck);
    }
    EXPECT_EQ(walk.Recognized(), c.userOffset.has_value() || c.defaultOffset.has_value());
}

class WalkChunksCase : public ::testing::TestWithParam<WalkCase> {};

TEST_P(WalkChunksCase, InMemory)
{
    ExpectWalk(WalkChunks(GetParam().image(), GetParam().limit), GetParam());
}

TEST_P(WalkChunksCase, FromFile)
{
    test::ScratchFolder folder;
    folder.Write("image.bin", GetParam().image());
    ExpectWalk(WalkChunks(folder.Path("image.bin"), GetParam().limit), GetParam());
}

INSTANTIATE_TEST_SUITE_P(Chains, WalkChunksCase, ::testing::ValuesIn(kWalkCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(WalkChunks, RecordsEveryHeaderWordAndCheckKind)
{
    const std::vector<std::uint8_t> image = BuildFlashImage(ReceiverChunks(), ReceiverLayout::kFileSize);
    const ChunkWalk walk = WalkChunks(image, kOpenWalkLimit);
    ASSERT_EQ(walk.chunks.size(), 5u);
    const WalkedChunk& user = walk.chunks[3];
    EXPECT_EQ(user.header.identifier, kUserChunkId);
    EXPECT_EQ(user.header.length, ReceiverLayout::kUserExtent - 16);
    EXPECT_EQ(user.header.nextOffset, ReceiverLayout::kUserExtent);
    EXPECT_EQ(user.header.checkValue, kNoCheckValue);
    EXPECT_EQ(user.check, ChunkCheck::NoCheck);
    EXPECT_EQ(walk.chunks[1].check, ChunkCheck::Ok);
    EXPECT_EQ(walk.chunks[1].header.checkValue,
              Crc32Mpeg2(std::span(image).subspan(ReceiverLayout::kCodeOffset + 16, 0x30000 - 16)));

    EXPECT_EQ(walk.UserDataOffset(), ReceiverLayout::kUserOffset + 128u);
    EXPECT_EQ(walk.UserLength(), ReceiverLayout::kUserExtent);
    EXPECT_EQ(walk.DefaultChunkSize(), ReceiverLayout::kDefaultExtent);
}

TEST(WalkChunks, UserDataOffsetIs128WithOnlyADefaultChunk)
{
    const ChunkWalk walk = WalkChunks(BuildFlashImage({{.identifier = kDefaultChunkId, .extent = 0x300}}, 0x300),
                                      kOpenWalkLimit);
    ASSERT_TRUE(walk.Recognized());
    EXPECT_EQ(walk.UserDataOffset(), 128u);
    EXPECT_EQ(walk.UserLength(), 0u);
}

TEST(WalkChunks, MissingFileCannotBeOpened)
{
    test::ScratchFolder folder;
    const ChunkWalk walk = WalkChunks(folder.Path("none.bin"), kOpenWalkLimit);
    EXPECT_EQ(walk.stop, WalkStop::CantOpen);
    EXPECT_EQ(walk.count, 0);
    EXPECT_FALSE(walk.Recognized());
}

struct ReservedCase {
    std::uint8_t byte;
    std::optional<std::uint64_t> size;
};

class ReservedSize : public ::testing::TestWithParam<ReservedCase> {};

TEST_P(ReservedSize, FromHeaderByte64)
{
    EXPECT_EQ(ReservedSizeOf(GetParam().byte), GetParam().size);
}

INSTANTIATE_TEST_SUITE_P(Bytes, ReservedSize,
                         ::testing::Values(ReservedCase{0x00, 0}, ReservedCase{0x01, 0x10000},
                                           ReservedCase{0x02, 131072}, ReservedCase{0x7F, 0x7F0000},
                                           ReservedCase{0xFF, 0}, ReservedCase{0x80, std::nullopt},
                                           ReservedCase{0xFE, std::nullopt}));

} // namespace
} // namespace torvane
