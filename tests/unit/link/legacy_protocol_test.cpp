#include "link/legacy_protocol.h"

#include <array>
#include <chrono>
#include <thread>
#include <map>
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
using test::PatternBytes;

std::vector<std::uint8_t> WithCrc(std::vector<std::uint8_t> bytes)
{
    const auto crc = Be32Bytes(Crc32Mpeg2(bytes));
    bytes.insert(bytes.end(), crc.begin(), crc.end());
    return bytes;
}

std::vector<std::uint8_t> Concat(std::initializer_list<std::vector<std::uint8_t>> parts)
{
    std::vector<std::uint8_t> all;
    for (const auto& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

class Legacy : public ::testing::Test {
protected:
    void Use(std::uint32_t version) { m_r.Lib().SetProtocolVersion(version); }
    FakeReceiver m_r;
};

// --- receiver information -------------------------------------------------------------------

struct InfoCase {
    const char* name;
    std::vector<std::uint8_t> reply;
    LinkStatus status;
    std::uint32_t version;
    std::size_t chunks;
};

class LegacyInfo : public Legacy, public ::testing::WithParamInterface<InfoCase> {};

std::vector<std::uint8_t> InfoBlock(std::size_t records)
{
    std::vector<std::uint8_t> block{3, 1};
    for (std::size_t i = 0; i < records; ++i) {
        std::vector<std::uint8_t> record(128, 0xFF);
        WriteBe32(record.data(), 0x04FB0100);
        record[16] = 'u';
        record[17] = 0;
        block.insert(block.end(), record.begin(), record.end());
    }
    return block;
}

TEST_P(LegacyInfo, VersionWordAndBlock)
{
    Use(16);
    std::string command;
    m_r.Start([&](FakeReceiver& self) {
        command = self.ReadEchoedCommand();
        self.WriteBytes(GetParam().reply);
    });
    std::uint32_t version = 77;
    ReceiverInfo info;
    EXPECT_EQ(m_r.Lib().GetReceiverInfo(version, info), GetParam().status);
    m_r.Stop();
    EXPECT_EQ(command, "version -r\r");
    EXPECT_EQ(version, GetParam().version);
    EXPECT_EQ(info.chunks.size(), GetParam().chunks);
}

const auto kBlock130 = InfoBlock(1);

INSTANTIATE_TEST_SUITE_P(
    Replies, LegacyInfo,
    ::testing::Values(
        InfoCase{"B721CarriesVersion33", Concat({{0xB7, 0x21, 0x00, 0x82}, WithCrc(kBlock130)}), 0, 0x21, 1},
        InfoCase{"B730CarriesVersion48", Concat({{0xB7, 0x30, 0x00, 0x82}, WithCrc(kBlock130)}), 0, 0x30, 1},
        InfoCase{"PlainLengthLeavesVersion0", Concat({{0x00, 0x82}, WithCrc(kBlock130)}), 0, 0, 1},
        InfoCase{"FifteenChunksFill2048", Concat({{0xB7, 0x21, 0x07, 0x82}, WithCrc(InfoBlock(15))}), 0, 0x21, 15},
        InfoCase{"B720IsALengthTooLong", {0xB7, 0x20}, link_status::kNotRecognised, 77, 0},
        InfoCase{"AnnouncedBeyond2048", {0xB7, 0x21, 0x08, 0x01}, link_status::kNotRecognised, 77, 0},
        InfoCase{"WrongCrc", Concat({{0x00, 0x82}, kBlock130, {0, 0, 0, 0}}), link_status::kReadData, 77, 0},
        InfoCase{"MissingCrc", Concat({{0x00, 0x82}, kBlock130}), link_status::kReadTimeout, 77, 0},
        InfoCase{"BlockTooShortForItsBytes", Concat({{0x00, 0x01}, WithCrc({3})}), link_status::kNotRecognised, 77, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// --- one-letter commands --------------------------------------------------------------------

TEST_F(Legacy, CommandReplies)
{
    struct Case {
        std::vector<std::uint8_t> reply;
        LinkStatus status;
    };
    const Case cases[] = {{{'O'}, 0}, {{'E'}, 10}, {{}, 8}};
    Use(32);
    for (const Case& c : cases) {
        FakeReceiver r;
        r.Lib().SetProtocolVersion(32);
        std::string command;
        r.Start([&](FakeReceiver& self) {
            command = self.ReadEchoedCommand();
            self.WriteBytes(c.reply);
        });
        EXPECT_EQ(r.Lib().SetAddress(65536), c.status);
        r.Stop();
        EXPECT_EQ(command, "address 65536\r");
    }
}

TEST_F(Legacy, WrongEchoIsASendCommandError)
{
    Use(32);
    m_r.Start([](FakeReceiver& self) {
        self.ReadBytes(1);
        self.WriteBytes({'x'});
    });
    EXPECT_EQ(m_r.Lib().MoveChunk(1, 2), link_status::kSendCommand);
}

TEST_F(Legacy, SendEchoStatuses)
{
    struct Case {
        std::vector<std::uint8_t> echo;
        LinkStatus status;
    };
    const Case cases[] = {{{'a', 'b'}, 0}, {{'a', 'c'}, 4}, {{'a'}, 23}};
    for (const Case& c : cases) {
        FakeReceiver r;
        r.Start([&](FakeReceiver& self) {
            for (std::uint8_t b : c.echo) {
                self.ReadBytes(1);
                self.WriteBytes({b});
            }
        });
        EXPECT_EQ(r.Lib().Legacy().SendEcho("ab", 30), c.status);
    }
}

TEST_F(Legacy, RebootOnlyEchoes)
{
    Use(16);
    std::string command;
    m_r.Start([&](FakeReceiver& self) { command = self.ReadEchoedCommand(); });
    EXPECT_EQ(m_r.Lib().Reboot(), link_status::kSuccess);
    m_r.Stop();
    EXPECT_EQ(command, "reboot\r");
}

// --- transfer -------------------------------------------------------------------------------

struct TransferCase {
    const char* name;
    std::size_t length;
    std::string replies; // one letter per piece received
    LinkStatus status;
    std::vector<std::size_t> pieces; // sizes the receiver saw
};

class LegacyTransfer : public Legacy, public ::testing::WithParamInterface<TransferCase> {};

TEST_P(LegacyTransfer, PiecesWithCrc)
{
    Use(32);
    const auto data = PatternBytes(GetParam().length);
    std::string command;
    std::vector<std::size_t> pieces;
    std::vector<std::uint8_t> stored;
    m_r.Start([&](FakeReceiver& self) {
        command = self.ReadEchoedCommand();
        self.WriteBytes({'O'});
        std::size_t at = 0;
        for (char reply : GetParam().replies) {
            const std::size_t n = std::min<std::size_t>(1024, data.size() - at);
            auto piece = self.ReadBytes(n + 4);
            if (piece.empty())
                return;
            const std::vector<std::uint8_t> body(piece.begin(), piece.end() - 4);
            EXPECT_EQ(ReadBe32(&piece[n]), Crc32Mpeg2(body));
            pieces.push_back(n);
            if (reply == 'O') {
                stored.insert(stored.end(), body.begin(), body.end());
                at += n;
            }
            self.WriteBytes({static_cast<std::uint8_t>(reply)});
        }
    });
    EXPECT_EQ(m_r.Lib().Transfer(data, {}, {}), GetParam().status);
    m_r.Stop();
    EXPECT_EQ(command, "transferraw " + std::to_string(GetParam().length) + "\r");
    EXPECT_EQ(pieces, GetParam().pieces);
    if (GetParam().status == 0) {
        EXPECT_EQ(stored, data);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Replies, LegacyTransfer,
    ::testing::Values(TransferCase{"AllGood", 2500, "OOO", 0, {1024, 1024, 452}},
                      TransferCase{"ErrorResendsThePiece", 2500, "OEOO", 0, {1024, 1024, 1024, 452}},
                      TransferCase{"FourErrorsStillRecover", 1500, "EEEEOO", 0, {1024, 1024, 1024, 1024, 1024, 476}},
                      TransferCase{"FiveErrorsGiveUp", 1500, "EEEEE", 12, {1024, 1024, 1024, 1024, 1024}},
                      TransferCase{"UnknownLetter", 1500, "X", 11, {1024}},
                      TransferCase{"Empty", 0, "", 0, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Legacy, TransferRefusedOrCancelled)
{
    Use(32);
    m_r.Start([](FakeReceiver& self) {
        self.ReadEchoedCommand();
        self.WriteBytes({'E'});
    });
    EXPECT_EQ(m_r.Lib().Transfer(PatternBytes(10), {}, {}), link_status::kTargetError);
    m_r.Stop();

    FakeReceiver r;
    r.Lib().SetProtocolVersion(32);
    r.Start([](FakeReceiver& self) {
        self.ReadEchoedCommand();
        self.WriteBytes({'O'});
    });
    EXPECT_EQ(r.Lib().Transfer(PatternBytes(10), {}, [] { return true; }), link_status::kCancelled);
}

// --- burn -----------------------------------------------------------------------------------

TEST_F(Legacy, BurnReports)
{
    struct Case {
        std::string reports;
        LinkStatus status;
        std::vector<int> progress;
    };
    const Case cases[] = {{"B0512xxzB1024..B9999..F", 0, {25, 50, 100, 100}},
                          {"B0256..E12345678", 13, {12}},
                          {"?!B2048..F", 0, {100, 100}}};
    for (const Case& c : cases) {
        FakeReceiver r;
        r.Lib().SetProtocolVersion(32);
        r.Start([&](FakeReceiver& self) {
            self.ReadEchoedCommand();
            self.WriteText("O" + c.reports);
        });
        std::vector<int> progress;
        EXPECT_EQ(r.Lib().Burn(0x200000, [&](int p) { progress.push_back(p); }), c.status) << c.reports;
        EXPECT_EQ(progress, c.progress) << c.reports;
    }
}

// --- dump, one stream -----------------------------------------------------------------------

struct StreamCase {
    const char* name;
    std::uint32_t total;
    std::size_t bufferSize;
    int crcMode; // 0 right, 1 wrong, 2 none
    LinkStatus status;
};

class LegacyStream : public Legacy, public ::testing::WithParamInterface<StreamCase> {};

TEST_P(LegacyStream, TotalBytesAndCrc)
{
    Use(16);
    const StreamCase c = GetParam();
    const auto flash = PatternBytes(c.total > 100000 ? 0 : c.total);
    std::string command;
    std::vector<std::uint8_t> answer;
    m_r.Start([&](FakeReceiver& self) {
        command = self.ReadEchoedCommand();
        self.WriteBytes(Be32Bytes(c.total));
        answer = self.ReadBytes(1, 300);
        if (answer.empty())
            return;
        self.WriteBytes(flash);
        if (c.crcMode == 0)
            self.WriteBytes(Be32Bytes(Crc32Mpeg2(flash)));
        else if (c.crcMode == 1)
            self.WriteBytes(Be32Bytes(Crc32Mpeg2(flash) ^ 1));
    });
    std::vector<std::uint8_t> buffer(c.bufferSize);
    std::uint32_t length = 0;
    std::vector<int> progress;
    EXPECT_EQ(m_r.Lib().Dump(buffer, length, [&](int p) { progress.push_back(p); }, {}, 0, 0), c.status);
    m_r.Stop();
    EXPECT_EQ(command, "dump\r");
    const bool accepted = c.status != link_status::kDumpLength;
    EXPECT_EQ(answer, accepted ? std::vector<std::uint8_t>{'O'} : std::vector<std::uint8_t>{});
    if (c.status == 0) {
        EXPECT_EQ(length, c.total);
        EXPECT_TRUE(std::equal(flash.begin(), flash.end(), buffer.begin()));
    }
    if (c.total == 3000 && c.status == 0) {
        EXPECT_EQ(progress, (std::vector<int>{0, 34, 68, 100}));
    }
}

INSTANTIATE_TEST_SUITE_P(Totals, LegacyStream,
                         ::testing::Values(StreamCase{"Good", 3000, 4096, 0, 0},
                                           StreamCase{"WrongCrc", 3000, 4096, 1, link_status::kReadData},
                                           StreamCase{"NoCrcIsAccepted", 3000, 4096, 2, 0},
                                           StreamCase{"ZeroWaitsForCrc", 0, 4096, 0, 0},
                                           StreamCase{"FillsTheBuffer", 4096, 4096, 0, 0},
                                           StreamCase{"LargerThanBuffer", 4097, 4096, 0, link_status::kDumpLength},
                                           StreamCase{"Negative", 0x80000000u, 4096, 0, link_status::kDumpLength}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- dump, blocks ---------------------------------------------------------------------------

enum class BlockFault { None, BadHeaderCrc, BadBlankCrc, TooLong, TooShort, OutOfPlace };

// Serves "dump %u %u\r" in blocks of 1024 from `flash`; blank where a block is all FF. Each block's
// first attempts suffer the faults listed for it. `seen` gets every letter the PC wrote.
void ServeBlocks(FakeReceiver& self, const std::vector<std::uint8_t>& flash, std::uint32_t version, bool sendTotal,
                 std::map<std::uint32_t, std::vector<BlockFault>> faults, std::string& seen, std::string& command)
{
    command = self.ReadEchoedCommand();
    if (sendTotal)
        self.WriteBytes(Be32Bytes(static_cast<std::uint32_t>(flash.size())));
    const std::uint32_t blocks = static_cast<std::uint32_t>((flash.size() + 1023) / 1024);
    auto readLetter = [&]() -> char {
        std::vector<std::uint8_t> b;
        while (b.empty() && !self.Stopping())
            b = self.ReadBytes(1, 20);
        if (b.empty())
            return 0;
        seen.push_back(static_cast<char>(b[0]));
        return static_cast<char>(b[0]);
    };
    for (std::uint32_t index = 0; index < blocks; ++index) {
        const std::size_t at = index * 1024;
        const std::vector<std::uint8_t> block(flash.begin() + at,
                                              flash.begin() + std::min<std::size_t>(at + 1024, flash.size()));
        const bool blank = std::all_of(block.begin(), block.end(), [](std::uint8_t b) { return b == 0xFF; });
        auto& pending = faults[index];
        for (;;) {
            if (readLetter() != 'H')
                return;
            const BlockFault fault = pending.empty() ? BlockFault::None : pending.front();
            if (!pending.empty())
                pending.erase(pending.begin());
            std::uint32_t sentIndex = index;
            std::uint32_t sentSize = static_cast<std::uint32_t>(block.size());
            if (fault == BlockFault::TooLong)
                sentSize = 1025;
            else if (fault == BlockFault::TooShort)
                sentSize = 5;
            else if (fault == BlockFault::OutOfPlace)
                sentIndex = blocks + 3;
            auto header = Concat({Be32Bytes(sentIndex), Be32Bytes(sentSize)});
            if (version >= 33) {
                std::array<std::uint8_t, 4> le{};
                WriteLe32(le.data(), sentIndex);
                std::uint32_t indexCrc = Crc32Mpeg2(le);
                WriteLe32(le.data(), sentSize);
                const std::uint32_t sizeCrc = Crc32Mpeg2(le);
                if (fault == BlockFault::BadHeaderCrc)
                    indexCrc ^= 0x100;
                header = Concat({header, Be32Bytes(indexCrc), Be32Bytes(sizeCrc)});
            }
            self.WriteBytes(header);
            const char next = readLetter();
            if (next == 'H')
                continue; // header refused; the PC asks once more
            if (next != 'G')
                return;
            if (fault == BlockFault::BadBlankCrc) {
                self.WriteText("BLANKPCK");
                self.WriteBytes(Be32Bytes(0x12345678));
            } else if (blank && fault == BlockFault::None) {
                self.WriteText("BLANKPCK");
                self.WriteBytes(Be32Bytes(Crc32Mpeg2(std::vector<std::uint8_t>{'B', 'L', 'A', 'N', 'K', 'P', 'C', 'K'})));
            } else {
                std::vector<std::uint8_t> body = block;
                body.resize(sentSize, 0x5A);
                self.WriteBytes(WithCrc(body));
            }
            const auto reply = self.ReadBytes(9);
            if (reply.size() != 9)
                return;
            seen.push_back(static_cast<char>(reply[0]));
            EXPECT_EQ(ReadBe32(&reply[1]), sentIndex);
            EXPECT_EQ(ReadBe32(&reply[5]), Crc32Mpeg2(std::span(reply).first(5)));
            if (reply[0] == 'O')
                break;
        }
    }
}

std::vector<std::uint8_t> FlashWithBlank()
{
    auto flash = PatternBytes(3000, 4);
    std::fill(flash.begin() + 1024, flash.begin() + 2048, 0xFF);
    return flash;
}

struct BlocksCase {
    const char* name;
    std::uint32_t version;
    std::uint32_t lengthAsked;
    std::map<std::uint32_t, std::vector<BlockFault>> faults;
    std::string seen;
};

class LegacyBlocks : public Legacy, public ::testing::WithParamInterface<BlocksCase> {};

TEST_P(LegacyBlocks, HandshakeAndBlocks)
{
    const BlocksCase c = GetParam();
    Use(c.version);
    const auto flash = FlashWithBlank();
    std::string seen;
    std::string command;
    const bool sendTotal = c.lengthAsked == 0 || c.version <= 32;
    m_r.Start([&](FakeReceiver& self) { ServeBlocks(self, flash, c.version, sendTotal, c.faults, seen, command); });
    std::vector<std::uint8_t> buffer(0x10000, 0);
    std::uint32_t length = 0;
    std::vector<int> progress;
    ASSERT_EQ(m_r.Lib().Dump(buffer, length, [&](int p) { progress.push_back(p); }, {}, 0, c.lengthAsked),
              link_status::kSuccess);
    m_r.Stop();
    EXPECT_EQ(command, "dump 0 " + std::to_string(c.lengthAsked) + "\r");
    EXPECT_EQ(seen, c.seen);
    EXPECT_EQ(length, 3000u);
    EXPECT_TRUE(std::equal(flash.begin(), flash.end(), buffer.begin()));
    EXPECT_EQ(buffer[3000], 0);
    EXPECT_EQ(progress.back(), 100);
}

INSTANTIATE_TEST_SUITE_P(
    Generations, LegacyBlocks,
    ::testing::Values(
        BlocksCase{"Version32", 32, 0, {}, "HGOHGOHGO"},
        BlocksCase{"Version32ReadsTheTotalEvenWhenAsked", 32, 3000, {}, "HGOHGOHGO"},
        BlocksCase{"Version33TakesTheLengthAsked", 33, 3000, {}, "HGOHGOHGO"},
        BlocksCase{"Version33HeaderCrcAsksTwice", 33, 0, {{1, {BlockFault::BadHeaderCrc}}}, "HGOHHHGOHGO"},
        BlocksCase{"BlankWithWrongCrc", 33, 0, {{1, {BlockFault::BadBlankCrc}}}, "HGOHGEHGOHGO"},
        BlocksCase{"TooLong", 32, 0, {{0, {BlockFault::TooLong}}}, "HGEHGOHGOHGO"},
        BlocksCase{"OutOfPlace", 33, 0, {{2, {BlockFault::OutOfPlace}}}, "HGOHGOHGEHGO"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Legacy, TooShortBlockIsRefused)
{
    Use(33);
    const auto flash = FlashWithBlank();
    std::string seen;
    std::string command;
    m_r.Start([&](FakeReceiver& self) {
        ServeBlocks(self, flash, 33, true, {{2, {BlockFault::TooShort}}}, seen, command);
    });
    std::vector<std::uint8_t> buffer(4096);
    std::uint32_t length = 0;
    ASSERT_EQ(m_r.Lib().Dump(buffer, length, {}, {}, 0, 0), link_status::kSuccess);
    m_r.Stop();
    EXPECT_EQ(seen, "HGOHGOHGEHGO");
    EXPECT_TRUE(std::equal(flash.begin(), flash.end(), buffer.begin()));
}

TEST_F(Legacy, BlockDumpTotalChecks)
{
    struct Case {
        std::uint32_t total;
        std::size_t bufferSize;
        LinkStatus status;
    };
    const Case cases[] = {{4097, 4096, 14}, {0x80000001u, 4096, 14}};
    for (const Case& c : cases) {
        FakeReceiver r;
        r.Lib().SetProtocolVersion(33);
        r.Start([&](FakeReceiver& self) {
            self.ReadEchoedCommand();
            self.WriteBytes(Be32Bytes(c.total));
        });
        std::vector<std::uint8_t> buffer(c.bufferSize);
        std::uint32_t length = 0;
        EXPECT_EQ(r.Lib().Dump(buffer, length, {}, {}, 0, 0), c.status);
    }
}

TEST_F(Legacy, BlockDumpCancel)
{
    Use(33);
    const auto flash = FlashWithBlank();
    std::string seen;
    std::string command;
    m_r.Start([&](FakeReceiver& self) { ServeBlocks(self, flash, 33, true, {}, seen, command); });
    std::vector<std::uint8_t> buffer(4096);
    std::uint32_t length = 0;
    int calls = 0;
    EXPECT_EQ(m_r.Lib().Dump(buffer, length, [&](int) { ++calls; }, [&] { return calls == 1; }, 0, 0),
              link_status::kCancelled);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    m_r.Stop();
    EXPECT_EQ(seen, "HGO");
}

} // namespace
} // namespace torvane
