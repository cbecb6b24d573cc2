#include "link/packet_layer.h"

#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "link/memory_line.h"
#include "util/crc32_mpeg2.h"

namespace torvane {
namespace {

using namespace std::chrono_literals;

struct SinkRecord {
    int level;
    std::string text;
};

class PacketLayerTest : public ::testing::Test {
protected:
    PacketLayerTest()
    {
        auto [a, b] = MemoryLine::CreatePair();
        m_pc = std::move(a);
        m_receiver = std::move(b);
        m_pcLayer = std::make_unique<PacketLayer>(*m_pc);
        m_receiverLayer = std::make_unique<PacketLayer>(*m_receiver);
        m_receiverLayer->SetDiagnosticSink([this](int level, std::string_view text) {
            m_sink.push_back({level, std::string(text)});
        });
    }

    void Raw(const std::vector<std::uint8_t>& bytes) { m_pc->Write(bytes); }
    void Raw(std::string_view text) { m_pc->Write({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}); }

    std::unique_ptr<MemoryLine> m_pc;
    std::unique_ptr<MemoryLine> m_receiver;
    std::unique_ptr<PacketLayer> m_pcLayer;
    std::unique_ptr<PacketLayer> m_receiverLayer;
    std::vector<SinkRecord> m_sink;
};

struct RoundTripCase {
    const char* name;
    Packet packet;
};

class PacketRoundTrip : public PacketLayerTest, public ::testing::WithParamInterface<RoundTripCase> {};

TEST_P(PacketRoundTrip, ArrivesUnchanged)
{
    const Packet& sent = GetParam().packet;
    ASSERT_EQ(m_pcLayer->SendPacket(sent), link_status::kSuccess);
    Packet got;
    ASSERT_EQ(m_receiverLayer->ReceivePacket(got, 100), link_status::kSuccess);
    EXPECT_EQ(got.kind, sent.kind);
    EXPECT_EQ(got.blank, sent.blank);
    EXPECT_EQ(got.sequence, sent.sequence);
    EXPECT_EQ(got.resendCount, sent.resendCount);
    EXPECT_EQ(got.length, sent.length);
    EXPECT_TRUE(std::equal(sent.Bytes().begin(), sent.Bytes().end(), got.Bytes().begin(), got.Bytes().end()));
    EXPECT_EQ(m_receiver->InQueue(), 0u);
    EXPECT_TRUE(m_sink.empty());
}

std::vector<std::uint8_t> Pattern(std::size_t n)
{
    std::vector<std::uint8_t> bytes(n);
    for (std::size_t i = 0; i < n; ++i)
        bytes[i] = static_cast<std::uint8_t>(i ^ (i >> 8));
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(Kinds, PacketRoundTrip,
                         ::testing::Values(RoundTripCase{"Command", MakeCommandPacket(17, 3, "dump 0 0\r")},
                                           RoundTripCase{"Data1024", MakeDataPacket(1, 0, 3, Pattern(1024))},
                                           RoundTripCase{"DataLargest", MakeDataPacket(1, 0, 3, Pattern(2040))},
                                           RoundTripCase{"Request", MakeRequestPacket(0xFFFFFFFF, 255, 7)},
                                           RoundTripCase{"Status", MakeStatusPacket(4, 0, 2, 0x12345678)},
                                           RoundTripCase{"Empty", MakeCommandPacket(4, 0, "")}),
                         [](const auto& info) { return std::string(info.param.name); });

// At 115200 8E1 the data of a full-size packet takes about 196 ms on the wire, so the wait for it
// must grow with the packet's length.
TEST(PacketLayerAtLineRate, FullSizePacketArrives)
{
    auto [pc, receiver] = MemoryLine::CreatePair(115200);
    PacketLayer sender(*pc);
    PacketLayer taker(*receiver);
    const Packet sent = MakeDataPacket(1, 0, 3, Pattern(kPacketMaxLength - kPacketIndexSize));
    ASSERT_EQ(sent.length, 2044u);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(sender.SendPacket(sent), link_status::kSuccess);
    Packet got;
    ASSERT_EQ(taker.ReceivePacket(got, 100), link_status::kSuccess);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 190ms) << "the line did not run at its rate";
    EXPECT_TRUE(std::equal(sent.Bytes().begin(), sent.Bytes().end(), got.Bytes().begin(), got.Bytes().end()));
}

TEST_F(PacketLayerTest, BlankPacketOf1028ArrivesAsFourBytesAndIsFilled)
{
    ASSERT_EQ(m_receiverLayer->SendPacket(MakeBlankPacket(9, 0, 5, 1024)), link_status::kSuccess);
    EXPECT_EQ(m_receiver->BytesWritten(), kPacketHeaderSize + 4 + 4);
    Packet got;
    ASSERT_EQ(m_pcLayer->ReceivePacket(got, 100), link_status::kSuccess);
    EXPECT_TRUE(got.IsBlank());
    EXPECT_EQ(got.length, 1028u);
    EXPECT_EQ(got.Index(), 5u);
    ASSERT_EQ(got.Payload().size(), 1024u);
    for (std::size_t i = 0; i < got.Payload().size(); ++i)
        ASSERT_EQ(got.Payload()[i], 0xFF) << i;
}

TEST_F(PacketLayerTest, GarbageBeforeHeadIsSkipped)
{
    const std::string prefixes[] = {"", "H", "HE", "HEA", "HH", "HHH", "xHEHEA", "HEAH", "\xFF\x00HEAx"};
    std::uint32_t sequence = 0;
    for (const std::string& prefix : prefixes) {
        Raw(prefix);
        ASSERT_EQ(m_pcLayer->SendPacket(MakeStatusPacket(++sequence, 0, 0, 1)), link_status::kSuccess);
        Packet got;
        ASSERT_EQ(m_receiverLayer->ReceivePacket(got, 100), link_status::kSuccess) << prefix;
        EXPECT_EQ(got.sequence, sequence) << prefix;
    }
}

TEST_F(PacketLayerTest, NothingArrivingIsNoPacketWithoutDiagnostic)
{
    Raw("HEA garbage HE");
    Packet got;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(m_receiverLayer->ReceivePacket(got, 30), link_status::kNoPacket);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 30ms);
    EXPECT_TRUE(m_sink.empty());
}

struct DamageCase {
    const char* name;
    std::size_t byteAt; // into the wire bytes
    LinkStatus status;
    const char* diagnostic;
};

class PacketDamage : public PacketLayerTest, public ::testing::WithParamInterface<DamageCase> {};

TEST_P(PacketDamage, IsRejectedWithItsStatus)
{
    auto wire = EncodePacket(MakeDataPacket(3, 0, 1, Pattern(16)));
    wire[GetParam().byteAt] ^= 0x40;
    Raw(wire);
    Packet got;
    EXPECT_EQ(m_receiverLayer->ReceivePacket(got, 100), GetParam().status);
    ASSERT_EQ(m_sink.size(), 1u);
    EXPECT_EQ(m_sink[0].level, 0);
    EXPECT_EQ(m_sink[0].text, "\r\n->Error:" + std::string(GetParam().diagnostic));
}

INSTANTIATE_TEST_SUITE_P(Places, PacketDamage,
                         ::testing::Values(DamageCase{"Kind", 4, 29, "Check packet head CRC error!"},
                                           DamageCase{"Sequence", 9, 29, "Check packet head CRC error!"},
                                           DamageCase{"HeaderCrc", 18, 29, "Check packet head CRC error!"},
                                           DamageCase{"FirstData", 19, 31, "Check packet data CRC error!"},
                                           DamageCase{"LastData", 19 + 19, 31, "Check packet data CRC error!"},
                                           DamageCase{"DataCrc", 19 + 20 + 3, 31, "Check packet data CRC error!"}),
                         [](const auto& info) { return std::string(info.param.name); });

struct TruncationCase {
    const char* name;
    std::size_t keep; // wire bytes that arrive
    LinkStatus status;
    const char* diagnostic;
};

class PacketTruncation : public PacketLayerTest, public ::testing::WithParamInterface<TruncationCase> {};

TEST_P(PacketTruncation, IsRejectedWithItsStatus)
{
    const auto wire = EncodePacket(MakeDataPacket(3, 0, 1, Pattern(16)));
    Raw(std::vector<std::uint8_t>(wire.begin(), wire.begin() + static_cast<std::ptrdiff_t>(GetParam().keep)));
    Packet got;
    EXPECT_EQ(m_receiverLayer->ReceivePacket(got, 50), GetParam().status);
    ASSERT_EQ(m_sink.size(), 1u);
    EXPECT_EQ(m_sink[0].text, "\r\n->Error:" + std::string(GetParam().diagnostic));
}

INSTANTIATE_TEST_SUITE_P(Places, PacketTruncation,
                         ::testing::Values(TruncationCase{"Header", 18, 28, "Receive packet head error!"},
                                           TruncationCase{"Data", 19 + 10, 30, "Receive packet data error!"},
                                           TruncationCase{"DataCrc", 19 + 20 + 3, 30, "Receive packet data error!"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PacketLayerTest, LengthBeyondTheDataAreaIsRefused)
{
    struct Case {
        std::uint8_t kind;
        std::uint8_t blank;
        std::uint32_t length;
        LinkStatus status;
    };
    const Case cases[] = {
        {1, 0, 2045, link_status::kReceivePacketHead},
        {1, 0, 0xFFFFFFFF, link_status::kReceivePacketHead},
        {1, 1, 2045, link_status::kReceivePacketHead},
        {1, 1, 3, link_status::kReceivePacketHead},
        {3, 0, 60, link_status::kReceivePacketData}, // fits, but its data never comes
    };
    for (const Case& c : cases) {
        Packet packet;
        packet.kind = static_cast<PacketKind>(c.kind);
        packet.blank = c.blank;
        packet.length = c.length;
        const auto header = EncodePacketHeader(packet);
        Raw(std::vector<std::uint8_t>(header.begin(), header.end()));
        Packet got;
        EXPECT_EQ(m_receiverLayer->ReceivePacket(got, 50), c.status) << c.length;
        m_receiver->PurgeInput();
    }
}

TEST_F(PacketLayerTest, SendRefusesTooLongPacketBeforeWriting)
{
    const Packet packet = MakeDataPacket(1, 0, 1, Pattern(kPacketMaxLength));
    EXPECT_EQ(m_receiverLayer->SendPacket(packet), link_status::kSendPacketData);
    EXPECT_EQ(m_receiver->BytesWritten(), 0u);
    ASSERT_EQ(m_sink.size(), 1u);
    EXPECT_EQ(m_sink[0].text, "\r\n->Error:Send Packet Data Error!");
}

// A line that writes fully only its first `m_goodWrites` times, then short.
class ShortWriteLine final : public SerialLine {
public:
    explicit ShortWriteLine(int goodWrites)
        : m_goodWrites(goodWrites)
    {
    }
    bool Open(const std::string&, const LineSettings&) override { return true; }
    void Close() override {}
    bool IsOpen() const override { return true; }
    std::size_t Write(std::span<const std::uint8_t> bytes) override
    {
        return m_goodWrites-- > 0 ? bytes.size() : bytes.size() / 2;
    }
    std::size_t InQueue() override { return 0; }
    std::size_t ReadAvailable(std::span<std::uint8_t>) override { return 0; }
    bool PurgeInput() override { return true; }
    bool PurgeOutput() override { return true; }

private:
    int m_goodWrites;
};

TEST(PacketLayerSend, ShortWritesGiveTheirStatus)
{
    struct Case {
        int goodWrites;
        LinkStatus status;
        const char* diagnostic;
    };
    const Case cases[] = {{0, 24, "\r\n->Error:Send Packet Header Error!"},
                          {1, 25, "\r\n->Error:Send Packet Data Error!"},
                          {2, 26, "\r\n->Error:Send Packet Data CRC Error!"},
                          {3, 0, ""}};
    for (const Case& c : cases) {
        ShortWriteLine line(c.goodWrites);
        PacketLayer layer(line);
        std::string seen;
        layer.SetDiagnosticSink([&](int, std::string_view text) { seen = text; });
        EXPECT_EQ(layer.SendRequestPacket(1), c.status) << c.goodWrites;
        EXPECT_EQ(seen, c.diagnostic) << c.goodWrites;
    }
}

TEST_F(PacketLayerTest, SequenceAndResendCount)
{
    EXPECT_EQ(m_pcLayer->Sequence(), 0u);
    ASSERT_EQ(m_pcLayer->SendCommandPacket("chunk\r", false), link_status::kSuccess);
    EXPECT_EQ(m_pcLayer->Sequence(), 1u);
    EXPECT_EQ(m_pcLayer->ResendCount(), 0);
    for (int i = 1; i <= 255; ++i)
        ASSERT_EQ(m_pcLayer->SendCommandPacket("chunk\r", true), link_status::kSuccess);
    EXPECT_EQ(m_pcLayer->ResendCount(), 255);
    ASSERT_EQ(m_pcLayer->SendCommandPacket("chunk\r", true), link_status::kSuccess);
    EXPECT_EQ(m_pcLayer->Sequence(), 1u);
    EXPECT_EQ(m_pcLayer->ResendCount(), 0);
    ASSERT_EQ(m_pcLayer->SendDataPacket(2, Pattern(3)), link_status::kSuccess);
    ASSERT_EQ(m_pcLayer->SendCommandPacket("burn\r", false), link_status::kSuccess);

    // The last four packets on the line: the 256th resend, the data packet and the new command.
    Packet got;
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(m_receiverLayer->ReceivePacket(got, 100), link_status::kSuccess);
    EXPECT_EQ(got.resendCount, 255);
    ASSERT_EQ(m_receiverLayer->ReceivePacket(got, 100), link_status::kSuccess);
    EXPECT_EQ(got.sequence, 1u);
    EXPECT_EQ(got.resendCount, 0);
    ASSERT_EQ(m_receiverLayer->ReceivePacket(got, 100), link_status::kSuccess);
    EXPECT_EQ(got.kind, PacketKind::Data);
    EXPECT_EQ(got.sequence, 1u);
    EXPECT_EQ(got.resendCount, 0);
    ASSERT_EQ(m_receiverLayer->ReceivePacket(got, 100), link_status::kSuccess);
    EXPECT_EQ(got.sequence, 2u);
    EXPECT_EQ(got.resendCount, 0);
    EXPECT_EQ(std::string(got.Bytes().begin(), got.Bytes().end()), "burn\r");
}

TEST_F(PacketLayerTest, ClosedLineCannotSend)
{
    m_pc->Close();
    EXPECT_EQ(m_pcLayer->SendStatusPacket(4, 0), link_status::kSendPacketHead);
}

} // namespace
} // namespace torvane
