#include "link/receiver_probe.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fake_receiver.h"
#include "util/byte_order.h"
#include "util/crc32_mpeg2.h"

namespace torvane {
namespace {

using test::Be32Bytes;
using test::FakeReceiver;
using test::TextOf;

std::vector<std::uint8_t> InfoBlock()
{
    std::vector<std::uint8_t> block{14, 0};
    const struct {
        std::uint32_t id;
        std::uint32_t length;
        std::uint32_t next;
        std::uint32_t crc;
        std::string text;
    } chunks[] = {{0xE3000010, 0x100, 0x10000, 0x1234, "boot"},
                  {0x03FC0100, 0x8000, 0x8010, 0xABCDEF01, "default \"db\""},
                  {0x04FB0100, 0x20000, 0x20010, 0x5555, "user"}};
    for (const auto& c : chunks) {
        std::vector<std::uint8_t> record(128, 0xFF);
        WriteBe32(&record[0], c.id);
        WriteBe32(&record[4], c.length);
        WriteBe32(&record[8], c.next);
        WriteBe32(&record[12], c.crc);
        std::copy(c.text.begin(), c.text.end(), record.begin() + 16);
        record[16 + c.text.size()] = 0;
        record[32] = 0;
        block.insert(block.end(), record.begin(), record.end());
    }
    return block;
}

// Answers one greeting as the given generation (echo for legacy, inverted for packets).
void Greet(FakeReceiver& self, bool inverted)
{
    self.ReadEchoedCommand();
    auto greeting = self.ReadBytes(18);
    for (auto& b : greeting)
        b = inverted ? static_cast<std::uint8_t>(~b) : b;
    self.WriteBytes(greeting);
}

const std::vector<std::string> kChunkLines{
    "Chunk 1: id 0xE3000010 length 0x100 next 0x10000 crc 0x4E435243 \"boot\" \"\" "
    "\"\\xFF\\xFF\\xFF\\xFF\\xFF\\xFF\\xFF\\xFF\\xFF\\xFF\\xFF\\xFF\\xFF\\xFF\\xFF\\xFF\"",
    "Chunk 2: id 0x03FC0100 length 0x8000 next 0x8010 crc 0xABCDEF01 \"default \\x22db\\x22\" \"\" "
    "\"\\xFF\\xFF\\xFF\\xFF\\xFF\\xFF\\xFF\\xFF\\xFF\\xFF\\xFF\\xFF\\xFF\\xFF\\xFF\\xFF\"",
    "Chunk 3: id 0x04FB0100 length 0x20000 next 0x20010 crc 0x4E435243 \"user\" \"\" "
    "\"\\xFF\\xFF\\xFF\\xFF\\xFF\\xFF\\xFF\\xFF\\xFF\\xFF\\xFF\\xFF\\xFF\\xFF\\xFF\\xFF\""};

std::vector<std::string> Expected(const std::string& version)
{
    std::vector<std::string> lines{"Transfer protocol version: " + version, "Flash size: 0x200000"};
    lines.insert(lines.end(), kChunkLines.begin(), kChunkLines.end());
    return lines;
}

TEST(ReceiverProbe, PacketGeneration)
{
    FakeReceiver r;
    r.Lib().SetProtocolVersion(16);
    r.Start([](FakeReceiver& self) {
        Greet(self, true);
        self.Serve([&](const Packet& p) {
            self.ReplyData(p, 0, TextOf(p) == "version\r" ? Be32Bytes(48) : InfoBlock());
        });
    });
    const ProbeResult result = ProbeReceiver(r.Lib(), {});
    r.Stop();
    ASSERT_EQ(result.status, link_status::kSuccess);
    EXPECT_EQ(result.message, "");
    EXPECT_EQ(r.Lib().ProtocolVersion(), 48u);
    EXPECT_EQ(DescribeReceiver(result.version, result.info), Expected("3.0"));
}

struct LegacyCase {
    std::vector<std::uint8_t> word;
    std::uint32_t version;
    std::string shown;
};

TEST(ReceiverProbe, LegacyGenerations)
{
    const auto block = InfoBlock();
    const LegacyCase cases[] = {{{0xB7, 0x21}, 33, "2.1"}, {{}, 16, "1.0"}};
    for (const LegacyCase& c : cases) {
        FakeReceiver r;
        r.Lib().SetProtocolVersion(16);
        std::string command;
        r.Start([&](FakeReceiver& self) {
            Greet(self, false);
            command = self.ReadEchoedCommand();
            std::vector<std::uint8_t> reply = c.word;
            reply.push_back(static_cast<std::uint8_t>(block.size() >> 8));
            reply.push_back(static_cast<std::uint8_t>(block.size()));
            reply.insert(reply.end(), block.begin(), block.end());
            const auto crc = Be32Bytes(Crc32Mpeg2(block));
            reply.insert(reply.end(), crc.begin(), crc.end());
            self.WriteBytes(reply);
        });
        const ProbeResult result = ProbeReceiver(r.Lib(), {});
        r.Stop();
        EXPECT_EQ(command, "version -r\r");
        ASSERT_EQ(result.status, link_status::kSuccess);
        EXPECT_EQ(result.version, c.version);
        EXPECT_EQ(r.Lib().ProtocolVersion(), c.version);
        EXPECT_EQ(DescribeReceiver(result.version, result.info), Expected(c.shown));
    }
}

TEST(ReceiverProbe, Failures)
{
    {
        FakeReceiver r;
        r.Start([](FakeReceiver&) {});
        const ProbeResult result = ProbeReceiver(r.Lib(), [] { return true; });
        EXPECT_EQ(result.status, link_status::kCancelled);
        EXPECT_EQ(result.message, "Fail to test port.");
    }
    {
        FakeReceiver r;
        r.Start([](FakeReceiver& self) {
            Greet(self, true);
            self.Serve([&](const Packet& p) { self.ReplyStatus(p, 1, 0x10000); });
        });
        const ProbeResult result = ProbeReceiver(r.Lib(), {});
        EXPECT_EQ(result.status, 0x10000u);
        EXPECT_EQ(result.message, "Fail to get version.");
    }
}

TEST(ReceiverProbe, DescribesNoChunks)
{
    ReceiverInfo info;
    EXPECT_EQ(DescribeReceiver(0x21, info),
              (std::vector<std::string>{"Transfer protocol version: 2.1", "Flash size: 0x0"}));
}

} // namespace
} // namespace torvane
