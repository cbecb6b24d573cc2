#include "packet_receiver.h"

#include <gtest/gtest.h>

#include "link/packet_layer.h"
#include "support/lzma_pack.h"
#include "sim_on_memory_line.h"
#include "util/byte_order.h"
#include "util/crc32_mpeg2.h"

namespace torvane::sim {
namespace {

using torvane::test::BuiltChunk;
using torvane::test::TypicalFlashImage;
using torvane::test::PackAlone;

constexpr std::size_t kFlash = 0x80000;

class PacketReceiverTest : public ::testing::Test, protected test::SimOnMemoryLine {
protected:
    explicit PacketReceiverTest(SimSetup setup = {})
        : SimOnMemoryLine(setup, kFlash)
        , m_layer(*m_pc)
    {
    }

    // Sends a command as the PC does and returns the first reply with its sequence number.
    Packet Command(std::string_view text, bool resend = false, int timeoutMs = 1000)
    {
        EXPECT_EQ(m_layer.SendCommandPacket(text, resend), link_status::kSuccess);
        return Next(timeoutMs);
    }

    Packet Next(int timeoutMs = 1000)
    {
        Packet packet;
        m_lastReceive = m_layer.ReceivePacket(packet, timeoutMs);
        return packet;
    }

    void ExpectStatus(const Packet& packet, std::uint8_t status, std::uint32_t value)
    {
        EXPECT_EQ(m_lastReceive, link_status::kSuccess);
        EXPECT_EQ(packet.kind, PacketKind::Status);
        EXPECT_EQ(packet.sequence, m_layer.Sequence());
        EXPECT_EQ(packet.length, 5u);
        EXPECT_EQ(packet.StatusByte(), status);
        EXPECT_EQ(packet.StatusValue(), value);
    }

    // Reads the burn's reports up to its last one and returns that.
    Packet BurnEnd()
    {
        for (;;) {
            const Packet p = Next(2000);
            if (m_lastReceive != link_status::kSuccess
                || (p.kind == PacketKind::Status && p.StatusByte() != packet_status::kWorking))
                return p;
        }
    }

    Packet SendData(std::uint32_t index, std::span<const std::uint8_t> bytes)
    {
        EXPECT_EQ(m_layer.SendDataPacket(index, bytes), link_status::kSuccess);
        return Next();
    }

    Packet Request(std::uint32_t index)
    {
        EXPECT_EQ(m_layer.SendRequestPacket(index), link_status::kSuccess);
        return Next();
    }

    PacketLayer m_layer;
    LinkStatus m_lastReceive = 0;
};

TEST_F(PacketReceiverTest, GreetingIsAnsweredInverted)
{
    const std::string_view greeting = "@ZUV PROTOCOL 3.0+";
    ASSERT_TRUE(Echo("comtest 18\r"));
    Raw(greeting);
    const std::vector<std::uint8_t> answer = Read(18);
    ASSERT_EQ(answer.size(), 18u);
    for (std::size_t i = 0; i < 18; ++i)
        EXPECT_EQ(answer[i], static_cast<std::uint8_t>(~greeting[i])) << i;
}

TEST_F(PacketReceiverTest, StrayBytesAreNotEchoed)
{
    Raw("xyz\r");
    EXPECT_EQ(Read(1, 100), std::vector<std::uint8_t>{'\r'});
    EXPECT_TRUE(Read(1, 50).empty());
}

TEST_F(PacketReceiverTest, VersionAndChunkQueries)
{
    const Packet version = Command("version\r");
    ASSERT_EQ(m_lastReceive, link_status::kSuccess);
    EXPECT_EQ(version.kind, PacketKind::Data);
    EXPECT_EQ(version.sequence, m_layer.Sequence());
    ASSERT_EQ(version.length, 8u);
    EXPECT_EQ(version.Index(), 0u);
    EXPECT_EQ(ReadBe32(version.data.data() + 4), 48u);

    const Packet chunk = Command("chunk\r");
    ASSERT_EQ(chunk.kind, PacketKind::Data);
    const std::vector<BuiltChunk> layout = TypicalFlashImage().Layout();
    ASSERT_EQ(chunk.length, 4 + 2 + 128 * layout.size());
    const auto block = chunk.Payload();
    EXPECT_EQ(block[0], 1); // 512 KiB
    for (std::size_t i = 0; i < layout.size(); ++i) {
        EXPECT_TRUE(std::equal(block.begin() + 2 + 128 * i, block.begin() + 2 + 128 * (i + 1),
                               m_image.begin() + static_cast<std::ptrdiff_t>(layout[i].offset)));
    }
}

TEST_F(PacketReceiverTest, ResentQueryIsAnsweredAlreadyExecuted)
{
    ASSERT_EQ(Command("version\r").kind, PacketKind::Data);
    ExpectStatus(Command("version\r", true), packet_status::kFinished, 0);
    // As a new command it is answered again.
    EXPECT_EQ(Command("version\r").kind, PacketKind::Data);
}

TEST_F(PacketReceiverTest, ResentCommandIsAnsweredAgainNotRedone)
{
    ExpectStatus(Command("address 0\r"), packet_status::kDone, 0);
    ExpectStatus(Command("move 3808428048 0\r"), packet_status::kDone, 0);
    // Had the move been done twice, the code chunk would land where the boot chunk's copy ends.
    ExpectStatus(Command("move 3808428048 0\r", true), packet_status::kDone, 0);
    ExpectStatus(Command("move 50135552 0\r"), packet_status::kDone, 0);
    ExpectStatus(Command("burn\r"), packet_status::kDone, 0);
    ExpectStatus(BurnEnd(), packet_status::kFinished, 0);
    const auto flash = StoppedFlash().Bytes();
    EXPECT_TRUE(std::equal(flash.begin(), flash.end(), m_image.begin(), m_image.end()));
}

struct ErrorCase {
    const char* name;
    std::vector<std::string> before;
    std::string command;
    std::uint32_t code;
};

class PacketReceiverErrors : public PacketReceiverTest, public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(PacketReceiverErrors, FailWithTheReceiverCode)
{
    for (const std::string& text : GetParam().before)
        ExpectStatus(Command(text), packet_status::kDone, 0);
    ExpectStatus(Command(GetParam().command), packet_status::kFailed, GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PacketReceiverErrors,
    ::testing::Values(ErrorCase{"Unknown", {}, "format\r", 0x10000},
                      ErrorCase{"BadNumber", {}, "address x\r", 0x10000},
                      ErrorCase{"LegacyCommand", {}, "transferraw 10\r", 0x10000},
                      ErrorCase{"AddressOverflow", {}, "address 524288\r", 0x10001},
                      ErrorCase{"MoveBeforeAddress", {}, "move 50135552 0\r", 0x10002},
                      ErrorCase{"TransferBeforeAddress", {}, "transfer 10\r", 0x10002},
                      ErrorCase{"ChunkNotFound", {"address 0\r"}, "move 100335872 0\r", 0x10003},
                      ErrorCase{"NothingToBurn", {"address 0\r"}, "burn\r", 0x10004},
                      ErrorCase{"TransferTooLong", {"address 4096\r"}, "transfer 520193\r", 0x10005},
                      ErrorCase{"DumpBeyondFlash", {}, "dump 524287 2\r", 0x10000},
                      ErrorCase{"PackedOfNothing", {"address 0\r"}, "transfer -z 100 0\r", 0x10000},
                      ErrorCase{"PackedTooLong", {"address 0\r"}, "transfer -z 100 4294967295\r", 0x10005}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PacketReceiverTest, TransferPiecesRequestsAndBurn)
{
    std::vector<std::uint8_t> data = torvane::test::PatternBytes(2500, 21);
    ExpectStatus(Command("address 4096\r"), packet_status::kDone, 0);
    ExpectStatus(Command("transfer 2500\r"), packet_status::kDone, 0);
    const auto piece = [&](std::size_t i) {
        return std::span(data).subspan(1024 * i, std::min<std::size_t>(1024, 2500 - 1024 * i));
    };
    ExpectStatus(SendData(1, piece(0)), packet_status::kDone, 1);
    // Asking: piece 1 is there, piece 2 is not yet (the answer names the last one held).
    ExpectStatus(Request(1), packet_status::kDone, 1);
    ExpectStatus(Request(2), packet_status::kDone, 1);
    // A piece out of order is refused by naming the last one held.
    ExpectStatus(SendData(3, piece(2)), packet_status::kDone, 1);
    ExpectStatus(SendData(2, piece(1)), packet_status::kDone, 2);
    // A piece sent twice (its answer lost) is acknowledged without being stored twice.
    ExpectStatus(SendData(2, piece(1)), packet_status::kDone, 2);
    ExpectStatus(SendData(3, piece(2)), packet_status::kDone, 3);
    ExpectStatus(Request(3), packet_status::kDone, 3);

    ExpectStatus(Command("burn\r"), packet_status::kDone, 0);
    ExpectStatus(BurnEnd(), packet_status::kFinished, 0);
    std::vector<std::uint8_t> expected = m_image;
    std::copy(data.begin(), data.end(), expected.begin() + 4096);
    const auto flash = StoppedFlash().Bytes();
    EXPECT_TRUE(std::equal(flash.begin(), flash.end(), expected.begin(), expected.end()));
}

TEST_F(PacketReceiverTest, PieceLongerThanAnnouncedIsRefused)
{
    ExpectStatus(Command("address 0\r"), packet_status::kDone, 0);
    ExpectStatus(Command("transfer 100\r"), packet_status::kDone, 0);
    const std::vector<std::uint8_t> piece(101, 1);
    ExpectStatus(SendData(1, piece), packet_status::kFailed, 0x10005);
}

TEST_F(PacketReceiverTest, DamagedPiecesAndHeaders)
{
    ExpectStatus(Command("address 0\r"), packet_status::kDone, 0);
    ExpectStatus(Command("transfer 10\r"), packet_status::kDone, 0);
    const std::vector<std::uint8_t> piece(10, 0x33);
    std::vector<std::uint8_t> wire = EncodePacket(MakeDataPacket(m_layer.Sequence(), 0, 1, piece));
    wire[19 + 6] ^= 0x01; // data damaged: the receiver asks for it again
    Raw(wire);
    ExpectStatus(Next(), packet_status::kFailed, 9);
    wire[19 + 6] ^= 0x01;
    wire[8] ^= 0x80; // header damaged: nothing can be trusted, no answer
    Raw(wire);
    Next(400);
    EXPECT_EQ(m_lastReceive, link_status::kNoPacket);
    // A stray "H" before the packet start is skipped.
    wire[8] ^= 0x80;
    Raw("HH");
    Raw(std::span(wire).subspan(1));
    ExpectStatus(Next(), packet_status::kDone, 1);
}

TEST_F(PacketReceiverTest, CompressedTransferIsUnpacked)
{
    const std::vector<std::uint8_t> data = torvane::test::PatternBytes(9000, 4, true);
    const std::vector<std::uint8_t> packed = PackAlone(data);
    ExpectStatus(Command("address 65536\r"), packet_status::kDone, 0);
    ExpectStatus(Command("transfer -z 9000 " + std::to_string(packed.size()) + "\r"), packet_status::kDone, 0);
    std::uint32_t index = 1;
    for (std::size_t at = 0; at < packed.size(); at += 1024, ++index)
        ExpectStatus(SendData(index, std::span(packed).subspan(at, std::min<std::size_t>(1024, packed.size() - at))),
                     packet_status::kDone, index);
    ExpectStatus(Command("burn\r"), packet_status::kDone, 0);
    ExpectStatus(BurnEnd(), packet_status::kFinished, 0);
    const auto flash = StoppedFlash().Bytes();
    EXPECT_TRUE(std::equal(data.begin(), data.end(), flash.begin() + 65536));
}

TEST_F(PacketReceiverTest, CompressedTransferThatDoesNotUnpackFails)
{
    const std::vector<std::uint8_t> packed = PackAlone(std::vector<std::uint8_t>(3000, 0x41));
    ExpectStatus(Command("address 0\r"), packet_status::kDone, 0);
    // Announced one byte longer than the stream unpacks to.
    ExpectStatus(Command("transfer -z 3001 " + std::to_string(packed.size()) + "\r"), packet_status::kDone, 0);
    ExpectStatus(SendData(1, packed), packet_status::kFailed, 0x10000);
}

TEST_F(PacketReceiverTest, DumpSendsTotalPiecesAndBlankPackets)
{
    const std::vector<BuiltChunk> layout = TypicalFlashImage().Layout();
    const std::size_t start = layout[3].offset; // the user chunk: its reserved unit is erased
    ExpectStatus(Command("dump " + std::to_string(start) + " 3000\r"), packet_status::kDone, 0);
    const Packet total = Request(0);
    ASSERT_EQ(total.kind, PacketKind::Data);
    EXPECT_EQ(total.length, 8u);
    EXPECT_EQ(ReadBe32(total.data.data() + 4), 3000u);
    // Piece 1 holds the chunk header, piece 2 lies in the erased unit: a blank packet on the wire.
    const Packet first = Request(1);
    ASSERT_EQ(first.kind, PacketKind::Data);
    EXPECT_FALSE(first.IsBlank());
    EXPECT_TRUE(std::equal(first.Payload().begin(), first.Payload().end(),
                           m_image.begin() + static_cast<std::ptrdiff_t>(start)));
    ASSERT_EQ(m_layer.SendRequestPacket(2), link_status::kSuccess);
    const std::vector<std::uint8_t> wire = Read(19 + 4 + 4);
    ASSERT_EQ(wire.size(), 27u);
    Packet blank;
    ASSERT_TRUE(DecodePacketHeader(std::span(wire).subspan<4, 15>(), blank));
    EXPECT_EQ(blank.blank, 1);
    EXPECT_EQ(blank.length, 1028u);
    EXPECT_EQ(ReadBe32(wire.data() + 19), 2u);
    EXPECT_EQ(ReadBe32(wire.data() + 23), Crc32Mpeg2(std::span(wire).subspan(19, 4)));
    EXPECT_TRUE(Read(1, 50).empty());
    // The last piece is what is left of the 3000 bytes.
    const Packet last = Request(3);
    EXPECT_EQ(last.length, 4u + 3000 - 2048);
    ExpectStatus(Request(4), packet_status::kFailed, 0x10000);
}

TEST_F(PacketReceiverTest, AbortEndsTheDump)
{
    ExpectStatus(Command("dump 0 0\r"), packet_status::kDone, 0);
    EXPECT_EQ(ReadBe32(Request(0).data.data() + 4), kFlash);
    ASSERT_EQ(m_layer.SendStatusPacket(packet_status::kAbort, 0), link_status::kSuccess);
    ASSERT_EQ(m_layer.SendRequestPacket(1), link_status::kSuccess);
    Next(300);
    EXPECT_EQ(m_lastReceive, link_status::kNoPacket);
}

class PacketReceiverBurn : public PacketReceiverTest {
protected:
    PacketReceiverBurn()
        : PacketReceiverTest(SimSetup{48, {}, 0, 80, 0})
    {
    }
};

TEST_F(PacketReceiverBurn, ReportsProgressBetweenKeepAlivesAndFinishes)
{
    ExpectStatus(Command("address 0\r"), packet_status::kDone, 0);
    ExpectStatus(Command("move 3808428048 0\r"), packet_status::kDone, 0);
    ExpectStatus(Command("burn\r"), packet_status::kDone, 0);
    std::vector<std::string> reports;
    int othersInARow = 0;
    int mostInARow = 0;
    for (;;) {
        const Packet p = Next(2000);
        ASSERT_EQ(m_lastReceive, link_status::kSuccess);
        ASSERT_EQ(p.sequence, m_layer.Sequence());
        if (p.kind == PacketKind::Status && p.StatusByte() == packet_status::kFinished)
            break;
        if (p.kind == PacketKind::Status && p.StatusByte() == packet_status::kWorking) {
            othersInARow = 0;
            continue;
        }
        ASSERT_EQ(p.kind, PacketKind::Data);
        reports.emplace_back(p.Payload().begin(), p.Payload().end());
        mostInARow = std::max(mostInARow, ++othersInARow);
    }
    EXPECT_EQ(reports, (std::vector<std::string>{"B0064", "B0128", "B0192", "B0256", "B0320", "B0384", "B0448",
                                                 "B0512"}));
    // The PC gives up waiting after five reports without a keep-alive between them.
    EXPECT_LT(mostInARow, 5);
    // The repeated burn command is told it is done.
    ExpectStatus(Command("burn\r", true), packet_status::kFinished, 0);
}

TEST_F(PacketReceiverTest, RebootForgetsSdram)
{
    ExpectStatus(Command("address 0\r"), packet_status::kDone, 0);
    ExpectStatus(Command("move 3808428048 0\r"), packet_status::kDone, 0);
    ExpectStatus(Command("reboot\r"), packet_status::kDone, 0);
    ExpectStatus(Command("burn\r"), packet_status::kFailed, 0x10004);
}

} // namespace
} // namespace torvane::sim
