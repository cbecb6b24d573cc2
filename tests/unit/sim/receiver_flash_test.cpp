#include "receiver_flash.h"

#include <filesystem>
#include <fstream>

#include <unistd.h>

#include <gtest/gtest.h>

#include "support/flash_image_builder.h"
#include "util/byte_order.h"
#include "util/crc32_mpeg2.h"

namespace torvane::sim {
namespace {

using test::ChunkSpec;
using test::FlashImageBuilder;

TEST(ReceiverFlash, ListsTheChainAsBuilt)
{
    const FlashImageBuilder builder = test::TypicalFlashImage();
    const ReceiverFlash flash(builder.Build(0x200000), {});
    const std::vector<test::BuiltChunk> layout = builder.Layout();
    const std::vector<FlashChunk> chunks = flash.Chunks();
    ASSERT_EQ(chunks.size(), layout.size());
    for (std::size_t i = 0; i < chunks.size(); ++i) {
        EXPECT_EQ(chunks[i].offset, layout[i].offset);
        EXPECT_EQ(chunks[i].id, layout[i].id);
        EXPECT_EQ(chunks[i].length, layout[i].length);
        EXPECT_EQ(chunks[i].next, layout[i].next);
        EXPECT_EQ(chunks[i].crc, layout[i].crc);
    }
    // The last chunk occupies its header and data only.
    EXPECT_EQ(chunks.back().extent, chunks.back().length + 16u);
    EXPECT_EQ(chunks.front().crc, test::kNoCrcMark);
}

TEST(FlashImageBuilder, HeadersCarryTheirChecksAndTexts)
{
    const FlashImageBuilder builder = test::TypicalFlashImage();
    const std::vector<std::uint8_t> image = builder.Build(0x80000);
    for (const test::BuiltChunk& chunk : builder.Layout()) {
        const std::uint8_t* header = image.data() + chunk.offset;
        EXPECT_EQ(ReadBe32(header), chunk.id);
        EXPECT_EQ(ReadBe32(header + 4), chunk.length);
        EXPECT_EQ(ReadBe32(header + 8), chunk.next);
        const std::uint32_t crc = ReadBe32(header + 12);
        if (chunk.id == test::kBootChunkId)
            EXPECT_EQ(crc, test::kNoCrcMark);
        else
            EXPECT_EQ(crc, Crc32Mpeg2(std::span(image).subspan(chunk.offset + 16, chunk.length)));
    }
    // Texts end in a zero and are padded with FF; the user chunk reserves one 64 KiB unit.
    const std::size_t user = builder.Layout()[3].offset;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(image.data() + user + 16)), "user db");
    EXPECT_EQ(image[user + 16 + 8], 0xFF);
    EXPECT_EQ(image[user + 64], 0x01);
    // Builder refuses an image too small for its chunks.
    EXPECT_TRUE(builder.Build(0x1000).empty());
}

struct BrokenChainCase {
    const char* name;
    std::uint32_t secondId;
    std::uint32_t firstExtent;   // 0: the builder's own
    std::size_t expectedChunks;
};

class BrokenChain : public ::testing::TestWithParam<BrokenChainCase> {};

TEST_P(BrokenChain, StopsWhereTheChainBreaks)
{
    const BrokenChainCase& c = GetParam();
    FlashImageBuilder builder;
    builder.AddChunk({test::kCodeChunkId, test::PatternBytes(300, 1), 0, true, {}});
    builder.AddChunk({c.secondId, test::PatternBytes(300, 2), 0, true, {}});
    builder.AddChunk({test::kUserChunkId, test::PatternBytes(300, 3), 0, true, {}});
    std::vector<std::uint8_t> image = builder.Build(0x80000);
    if (c.firstExtent != 0)
        WriteBe32(image.data() + 8, c.firstExtent);
    const ReceiverFlash flash(std::move(image), {});
    EXPECT_EQ(flash.Chunks().size(), c.expectedChunks);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BrokenChain,
    ::testing::Values(BrokenChainCase{"Sound", test::kDefaultChunkId, 0, 3},
                      // 0x05 + 0xFB is not 0xFF.
                      BrokenChainCase{"IdentifierRule", 0x05FB0100u, 0, 1},
                      // A next-chunk offset shorter than the chunk itself.
                      BrokenChainCase{"NextInsideChunk", test::kDefaultChunkId, 128 + 300 - 1, 0},
                      // A next-chunk offset leading out of the flash.
                      BrokenChainCase{"NextBeyondFlash", test::kDefaultChunkId, 0x80001, 0}),
    [](const auto& info) { return std::string(info.param.name); });

struct KindCase {
    std::size_t size;
    std::uint8_t code;
};

class FlashKind : public ::testing::TestWithParam<KindCase> {};

TEST_P(FlashKind, InfoBlockStartsWithKindAndSecondByte)
{
    const FlashImageBuilder builder = test::TypicalFlashImage();
    const ReceiverFlash flash(builder.Build(GetParam().size), {});
    const std::vector<std::uint8_t> block = flash.InfoBlock(0x5A);
    ASSERT_EQ(block.size(), 2 + 128 * builder.Layout().size());
    EXPECT_EQ(block[0], GetParam().code);
    EXPECT_EQ(block[1], 0x5A);
    // Each record is the chunk's header as it stands in flash.
    for (std::size_t i = 0; i < builder.Layout().size(); ++i) {
        const std::size_t at = builder.Layout()[i].offset;
        EXPECT_TRUE(std::equal(block.begin() + 2 + 128 * i, block.begin() + 2 + 128 * (i + 1),
                               flash.Bytes().begin() + static_cast<std::ptrdiff_t>(at)));
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, FlashKind,
                         ::testing::Values(KindCase{0x80000, 1}, KindCase{0x100000, 3}, KindCase{0x200000, 5}));

TEST(ReceiverFlash, InfoBlockHoldsAtMostFifteenChunks)
{
    FlashImageBuilder builder;
    builder.AddChunk({test::kCodeChunkId, {}, 0x1000, true, {}});
    for (int i = 0; i < 16; ++i)
        builder.AddChunk({test::kDefaultChunkId, {}, 0x1000, true, {}});
    const ReceiverFlash flash(builder.Build(0x80000), {});
    EXPECT_EQ(flash.Chunks().size(), 17u);
    EXPECT_EQ(flash.InfoBlock(0).size(), 2u + 15 * 128);
}

class FlashFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = std::filesystem::temp_directory_path()
            / ("torvane_flash_" + std::to_string(::getpid()) + "_"
               + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes)
    {
        const std::string path = (m_dir / name).string();
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    std::filesystem::path m_dir;
};

TEST_F(FlashFile, LoadRefusesOddSizesWithReason)
{
    std::string error;
    EXPECT_FALSE(ReceiverFlash::Load(Write("short.bin", std::vector<std::uint8_t>(0x7FFFF, 0xFF)), error));
    EXPECT_NE(error.find("524288, 1048576 or 2097152 bytes"), std::string::npos) << error;
    error.clear();
    EXPECT_FALSE(ReceiverFlash::Load((m_dir / "missing.bin").string(), error));
    EXPECT_NE(error.find("cannot open"), std::string::npos) << error;
}

TEST_F(FlashFile, SaveWritesBackWithoutLeavingATemporary)
{
    const std::vector<std::uint8_t> image = test::TypicalFlashImage().Build(0x80000);
    const std::string path = Write("flash.bin", image);
    std::string error;
    std::optional<ReceiverFlash> flash = ReceiverFlash::Load(path, error);
    ASSERT_TRUE(flash) << error;
    const std::uint8_t patch[] = {1, 2, 3};
    flash->Write(0x7FFFE, patch); // cut at the end of the flash
    ASSERT_TRUE(flash->Save(error)) << error;
    std::optional<ReceiverFlash> again = ReceiverFlash::Load(path, error);
    ASSERT_TRUE(again);
    std::vector<std::uint8_t> expected = image;
    expected[0x7FFFE] = 1;
    expected[0x7FFFF] = 2;
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), again->Bytes().begin(), again->Bytes().end()));
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
}

} // namespace
} // namespace torvane::sim
