#include "legacy_receiver.h"

#include <gtest/gtest.h>

#include "sim_on_memory_line.h"
#include "util/byte_order.h"
#include "util/crc32_mpeg2.h"

namespace torvane::sim {
namespace {

using torvane::test::BuiltChunk;
using torvane::test::TypicalFlashImage;

constexpr std::size_t kFlash = 0x80000;

std::vector<std::uint8_t> Be32(std::uint32_t value)
{
    std::vector<std::uint8_t> bytes(4);
    WriteBe32(bytes.data(), value);
    return bytes;
}

std::uint32_t LeCrc(std::uint32_t value)
{
    std::uint8_t bytes[4];
    WriteLe32(bytes, value);
    return Crc32Mpeg2(bytes);
}

// The PC's 9-byte answer to a dump block.
std::vector<std::uint8_t> BlockReply(char letter, std::uint32_t index)
{
    std::vector<std::uint8_t> reply{static_cast<std::uint8_t>(letter)};
    const auto i = Be32(index);
    reply.insert(reply.end(), i.begin(), i.end());
    const auto crc = Be32(Crc32Mpeg2(reply));
    reply.insert(reply.end(), crc.begin(), crc.end());
    return reply;
}

class LegacyReceiverTest : public ::testing::TestWithParam<int>, protected test::SimOnMemoryLine {
protected:
    LegacyReceiverTest()
        : SimOnMemoryLine(SimSetup{GetParam(), {}, 0, 0, 0x07}, kFlash)
    {
    }
    int Generation() const { return GetParam(); }
};

TEST_P(LegacyReceiverTest, GreetingIsEchoedUnchanged)
{
    ASSERT_TRUE(Echo("comtest 18\r"));
    Raw("@ZUV PROTOCOL 3.0+");
    EXPECT_EQ(Read(18), test::Bytes("@ZUV PROTOCOL 3.0+"));
}

TEST_P(LegacyReceiverTest, VersionBlockWithItsVersionWordAndCrc)
{
    ASSERT_TRUE(Echo("version -r\r"));
    std::vector<std::uint8_t> reply;
    if (Generation() >= 33) {
        reply = Read(2);
        EXPECT_EQ(reply, (std::vector<std::uint8_t>{0xB7, static_cast<std::uint8_t>(Generation())}));
    }
    const std::vector<std::uint8_t> length = Read(2);
    ASSERT_EQ(length.size(), 2u);
    const std::size_t n = ReadBe16(length.data());
    const std::vector<BuiltChunk> layout = TypicalFlashImage().Layout();
    ASSERT_EQ(n, 2 + 128 * layout.size());
    const std::vector<std::uint8_t> block = Read(n);
    const std::vector<std::uint8_t> crc = Read(4);
    ASSERT_EQ(crc.size(), 4u);
    EXPECT_EQ(ReadBe32(crc.data()), Crc32Mpeg2(block));
    EXPECT_EQ(block[0], 1);
    EXPECT_EQ(block[1], 0x07);
    EXPECT_TRUE(std::equal(block.begin() + 2 + 128, block.begin() + 2 + 256,
                           m_image.begin() + static_cast<std::ptrdiff_t>(layout[1].offset)));
}

TEST_P(LegacyReceiverTest, CommandsAnswerOneLetter)
{
    const std::pair<const char*, char> cases[] = {
        {"move 50135552 0\r", 'E'},  // no address yet
        {"address 524288\r", 'E'},   // beyond the flash
        {"address 0\r", 'O'},
        {"move 50135552 0\r", 'O'},
        {"move 100335872 0\r", 'E'}, // no such chunk
        {"transfer 10\r", 'E'},      // a packet command
        {"nonsense\r", 'E'},
    };
    for (const auto& [command, letter] : cases) {
        ASSERT_TRUE(Echo(command)) << command;
        EXPECT_EQ(Read(1), std::vector<std::uint8_t>{static_cast<std::uint8_t>(letter)}) << command;
    }
}

TEST_P(LegacyReceiverTest, RawTransferChecksEveryPieceThenBurns)
{
    const std::vector<std::uint8_t> data = torvane::test::PatternBytes(2500, 17);
    ASSERT_TRUE(Echo("address 8192\r"));
    ASSERT_EQ(Read(1), test::Bytes("O"));
    ASSERT_TRUE(Echo("transferraw 2500\r"));
    ASSERT_EQ(Read(1), test::Bytes("O"));
    for (std::size_t at = 0; at < data.size(); at += 1024) {
        const std::size_t n = std::min<std::size_t>(1024, data.size() - at);
        std::vector<std::uint8_t> piece(data.begin() + static_cast<std::ptrdiff_t>(at),
                                        data.begin() + static_cast<std::ptrdiff_t>(at + n));
        const auto crc = Be32(Crc32Mpeg2(piece));
        piece.insert(piece.end(), crc.begin(), crc.end());
        if (at == 1024) {
            // A damaged piece is refused and taken again.
            piece[5] ^= 0x20;
            Raw(piece);
            ASSERT_EQ(Read(1), test::Bytes("E"));
            piece[5] ^= 0x20;
        }
        Raw(piece);
        ASSERT_EQ(Read(1), test::Bytes("O")) << at;
    }
    ASSERT_TRUE(Echo("burn\r"));
    ASSERT_EQ(Read(1), test::Bytes("O"));
    std::string reports;
    for (int i = 0; i < 8; ++i) {
        const std::vector<std::uint8_t> report = Read(7);
        reports.append(report.begin(), report.end());
    }
    EXPECT_EQ(reports, "B0064\r\nB0128\r\nB0192\r\nB0256\r\nB0320\r\nB0384\r\nB0448\r\nB0512\r\n");
    EXPECT_EQ(Read(1), test::Bytes("F"));
    const auto flash = StoppedFlash().Bytes();
    EXPECT_TRUE(std::equal(data.begin(), data.end(), flash.begin() + 8192));
}

TEST_P(LegacyReceiverTest, BurnWithNothingLoadedIsRefused)
{
    ASSERT_TRUE(Echo("burn\r"));
    EXPECT_EQ(Read(1), test::Bytes("E"));
}

TEST_P(LegacyReceiverTest, DumpInBlocks)
{
    const std::vector<BuiltChunk> layout = TypicalFlashImage().Layout();
    const std::size_t start = layout[3].offset; // the user chunk: header, then an erased unit
    const std::uint32_t total = 2048 + 100;
    ASSERT_TRUE(Echo("dump " + std::to_string(start) + " " + std::to_string(total) + "\r"));
    if (Generation() < 32) {
        EXPECT_EQ(Read(1), test::Bytes("E")); // this generation only streams
        return;
    }
    // With the length named, generation 33 and up leave the total out.
    if (Generation() <= 32) {
        EXPECT_EQ(Read(4), Be32(total));
    }
    const std::size_t headerSize = Generation() >= 33 ? 16 : 8;
    const auto header = [&](std::uint32_t index, std::uint32_t size) {
        Raw("H");
        const std::vector<std::uint8_t> got = Read(headerSize);
        std::vector<std::uint8_t> expected = Be32(index);
        const auto s = Be32(size);
        expected.insert(expected.end(), s.begin(), s.end());
        if (Generation() >= 33) {
            for (const std::uint32_t v : {LeCrc(index), LeCrc(size)}) {
                const auto c = Be32(v);
                expected.insert(expected.end(), c.begin(), c.end());
            }
        }
        EXPECT_EQ(got, expected) << index;
    };
    // Block 0 holds the chunk header: data and its CRC; asked for twice, then refused once.
    header(0, 1024);
    header(0, 1024); // "H" again instead of "G": the header once more
    Raw("G");
    const std::vector<std::uint8_t> block0 = Read(1024 + 4);
    ASSERT_EQ(block0.size(), 1028u);
    EXPECT_TRUE(std::equal(block0.begin(), block0.begin() + 1024, m_image.begin() + static_cast<std::ptrdiff_t>(start)));
    EXPECT_EQ(ReadBe32(block0.data() + 1024), Crc32Mpeg2(std::span(block0).first(1024)));
    Raw(BlockReply('E', 0));
    header(0, 1024);
    Raw("G");
    EXPECT_EQ(Read(1028), block0);
    Raw(BlockReply('O', 0));
    // Block 1 lies in the erased unit: the blank marker and its CRC.
    header(1, 1024);
    Raw("G");
    std::vector<std::uint8_t> marker = test::Bytes("BLANKPCK");
    const auto markerCrc = Be32(Crc32Mpeg2(marker));
    marker.insert(marker.end(), markerCrc.begin(), markerCrc.end());
    EXPECT_EQ(Read(12), marker);
    // A reply whose CRC does not match counts as "E".
    std::vector<std::uint8_t> damaged = BlockReply('O', 1);
    damaged[8] ^= 1;
    Raw(damaged);
    header(1, 1024);
    Raw("G");
    EXPECT_EQ(Read(12), marker);
    Raw(BlockReply('O', 1));
    header(2, 100);
    Raw("G");
    EXPECT_EQ(Read(12), marker);
    Raw(BlockReply('O', 2));
    // The dump is over: the command line echoes again.
    EXPECT_TRUE(Echo("address 0\r"));
}

TEST_P(LegacyReceiverTest, WholeFlashAsOneStream)
{
    ASSERT_TRUE(Echo("dump\r"));
    EXPECT_EQ(Read(4), Be32(kFlash));
    Raw("O");
    const std::vector<std::uint8_t> stream = Read(kFlash, 5000);
    ASSERT_EQ(stream.size(), kFlash);
    EXPECT_TRUE(stream == m_image);
    EXPECT_EQ(Read(4), Be32(Crc32Mpeg2(m_image)));
}

TEST_P(LegacyReceiverTest, ImpossibleDumpIsRefused)
{
    ASSERT_TRUE(Echo("dump 524287 2\r"));
    if (Generation() < 32) {
        EXPECT_EQ(Read(1), test::Bytes("E"));
        return;
    }
    if (Generation() == 32) {
        EXPECT_EQ(Read(4), Be32(0xFFFFFFFFu));
        return;
    }
    // A PC that named the length reads no total: the receiver stays at its command line, so the
    // "H" asking for a block is only echoed and no block header comes.
    Raw("H");
    EXPECT_EQ(Read(5, 300), test::Bytes("H"));
}

INSTANTIATE_TEST_SUITE_P(Generations, LegacyReceiverTest, ::testing::Values(16, 32, 33),
                         [](const auto& info) { return "Generation" + std::to_string(info.param); });

} // namespace
} // namespace torvane::sim
