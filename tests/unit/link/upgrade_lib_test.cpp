#include "link/upgrade_lib.h"

#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fake_receiver.h"
#include "util/byte_order.h"

namespace torvane {
namespace {

using test::Be32Bytes;
using test::FakeReceiver;
using test::PatternBytes;
using test::TextOf;

// --- greeting -------------------------------------------------------------------------------

enum class Answer { Echo, Inverted, Garbage, OneByteWrong };

void AnswerGreetings(FakeReceiver& r, Answer answer, int& attempts)
{
    while (!r.Stopping()) {
        if (r.ReadEchoedCommand(20) != "comtest 18\r")
            continue;
        auto bytes = r.ReadBytes(18, 500);
        if (bytes.size() != 18)
            continue;
        ++attempts;
        for (auto& b : bytes) {
            if (answer == Answer::Inverted || answer == Answer::OneByteWrong)
                b = static_cast<std::uint8_t>(~b);
            else if (answer == Answer::Garbage)
                b = 'x';
        }
        if (answer == Answer::OneByteWrong)
            bytes[17] = static_cast<std::uint8_t>(~bytes[17]);
        r.WriteBytes(bytes);
    }
}

struct GreetingCase {
    const char* name;
    Answer answer;
    LinkStatus status;
    std::uint32_t version;
    int attempts;
};

class Greeting : public ::testing::TestWithParam<GreetingCase> {};

TEST_P(Greeting, SettlesTheGeneration)
{
    FakeReceiver r;
    int attempts = 0;
    r.Start([&](FakeReceiver& self) { AnswerGreetings(self, GetParam().answer, attempts); });
    std::uint32_t version = 99;
    std::vector<int> notified;
    const LinkStatus status = r.Lib().TestPort(version, [&](int attempt) { notified.push_back(attempt); }, {});
    r.Stop();
    EXPECT_EQ(status, GetParam().status);
    EXPECT_EQ(version, GetParam().version);
    EXPECT_EQ(attempts, GetParam().attempts);
    // Every fifth attempt is announced, starting with the first.
    std::vector<int> expected;
    for (int a = 0; a < GetParam().attempts; a += 5)
        expected.push_back(a);
    EXPECT_EQ(notified, expected);
}

INSTANTIATE_TEST_SUITE_P(Answers, Greeting,
                         ::testing::Values(GreetingCase{"EchoIs32", Answer::Echo, 0, 32, 1},
                                           GreetingCase{"InvertedIs48", Answer::Inverted, 0, 48, 1},
                                           GreetingCase{"GarbageGivesUpAfter200", Answer::Garbage, 7, 99, 200},
                                           GreetingCase{"AlmostInvertedIsNoAnswer", Answer::OneByteWrong, 7, 99, 200}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(GreetingCancel, EndsBeforeTheNextAttempt)
{
    FakeReceiver r;
    int attempts = 0;
    r.Start([&](FakeReceiver& self) { AnswerGreetings(self, Answer::Garbage, attempts); });
    int asked = 0;
    std::uint32_t version = 0;
    const LinkStatus status = r.Lib().TestPort(version, {}, [&] { return ++asked > 3; });
    r.Stop();
    EXPECT_EQ(status, link_status::kCancelled);
    // Cancel is asked once before every attempt: three attempts ran, the fourth never began. The
    // receiver may have seen fewer of them when an echo was slow on a loaded machine.
    EXPECT_EQ(asked, 4);
    EXPECT_LE(attempts, 3);
    EXPECT_GE(attempts, 1);
}

TEST(GreetingEcho, BrokenEchoEndsTheLineWithCarriageReturn)
{
    FakeReceiver r;
    std::vector<std::uint8_t> seen;
    r.Start([&](FakeReceiver& self) {
        // Echo the first byte wrongly, then take what follows.
        auto first = self.ReadBytes(1);
        self.WriteBytes({'?'});
        seen = self.ReadBytes(1, 1000);
    });
    std::uint32_t version = 0;
    int asked = 0;
    r.Lib().TestPort(version, {}, [&] { return ++asked > 1; });
    r.Stop();
    EXPECT_EQ(seen, (std::vector<std::uint8_t>{'\r'}));
}

// --- commands -------------------------------------------------------------------------------

struct CommandCase {
    const char* name;
    std::vector<std::pair<std::uint8_t, std::uint32_t>> replies; // status byte and value per attempt
    LinkStatus status;
    std::size_t commandsSent;
};

class Command : public ::testing::TestWithParam<CommandCase> {};

TEST_P(Command, RepliesAndResends)
{
    FakeReceiver r;
    const auto replies = GetParam().replies;
    r.Start([replies](FakeReceiver& self) {
        for (const auto& [byte, value] : replies) {
            auto command = self.Receive();
            if (!command)
                return;
            self.ReplyStatus(*command, byte, value);
        }
        // Anything more the PC sends is recorded, not answered.
        while (!self.Stopping())
            self.Receive(20);
    });
    std::uint8_t statusByte = 0xEE;
    const LinkStatus status = r.Lib().ExecuteCommand("move 1 2\r", 200, &statusByte);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    r.Stop();
    EXPECT_EQ(status, GetParam().status);
    ASSERT_EQ(r.received.size(), GetParam().commandsSent);
    for (std::size_t i = 0; i < r.received.size(); ++i) {
        EXPECT_EQ(TextOf(r.received[i]), "move 1 2\r");
        EXPECT_EQ(r.received[i].sequence, 1u);
        EXPECT_EQ(r.received[i].resendCount, i);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Replies, Command,
    ::testing::Values(CommandCase{"Accepted", {{0, 0}}, 0, 1}, CommandCase{"Working", {{2, 0}}, 0, 1},
                      CommandCase{"Finished", {{3, 0}}, 0, 1},
                      CommandCase{"ChunkNotFoundEndsAtOnce", {{1, 0x10003}}, 0x10003, 1},
                      CommandCase{"SmallErrorIsResent", {{1, 9}, {0, 0}}, 0, 2},
                      CommandCase{"FiveSmallErrorsGiveTheLast", {{1, 9}, {1, 9}, {1, 9}, {1, 9}, {1, 11}}, 11, 5},
                      CommandCase{"FailureWithoutCodeIsNoSuccess", {{1, 0}, {1, 0}, {1, 0}, {1, 0}, {1, 0}}, 10, 5},
                      CommandCase{"NoReplyAtAll", {}, 27, 5}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Command, MoveChunkErrorEndsWithoutResend)
{
    FakeReceiver r;
    r.Start([](FakeReceiver& self) {
        if (auto command = self.Receive())
            self.ReplyStatus(*command, 1, link_status::kChunkNotFound);
        while (!self.Stopping())
            self.Receive(20);
    });
    EXPECT_EQ(r.Lib().MoveChunk(0x04FB0100, 0), link_status::kChunkNotFound);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    r.Stop();
    ASSERT_EQ(r.received.size(), 1u);
    EXPECT_EQ(TextOf(r.received[0]), "move 83558656 0\r");
}

TEST(Command, ReplyToAnotherCommandIsNotTakenAndDiagnosed)
{
    FakeReceiver r;
    std::vector<std::pair<int, std::string>> sink;
    r.Lib().SetDiagnosticSink([&](int level, std::string_view text) { sink.emplace_back(level, text); });
    r.Start([](FakeReceiver& self) {
        auto first = self.Receive();
        self.Send(MakeStatusPacket(first->sequence + 7, 0, 0, 0));
        auto second = self.Receive();
        self.ReplyStatus(*second, 0, 0);
    });
    EXPECT_EQ(r.Lib().SetAddress(4096), link_status::kSuccess);
    r.Stop();
    ASSERT_EQ(r.received.size(), 2u);
    EXPECT_EQ(TextOf(r.received[0]), "address 4096\r");
    EXPECT_EQ(r.received[1].resendCount, 1);
    ASSERT_EQ(sink.size(), 2u);
    EXPECT_EQ(sink[0].second, "\r\n->Error:Packet not recognize!\r\n in execute command:address 4096\r Retry.");
    EXPECT_EQ(sink[1].second, "OK");
}

TEST(Command, QueryAnsweredFinishedIsSentAgainAsNewCommand)
{
    FakeReceiver r;
    r.Start([](FakeReceiver& self) {
        auto first = self.Receive();
        self.ReplyStatus(*first, 3, 0);
        auto second = self.Receive();
        self.ReplyData(*second, 0, Be32Bytes(0x30));
    });
    std::uint8_t statusByte = 0;
    Packet reply;
    EXPECT_EQ(r.Lib().ExecuteQuery("version\r", 500, statusByte, reply), link_status::kSuccess);
    r.Stop();
    ASSERT_EQ(r.received.size(), 2u);
    EXPECT_EQ(r.received[1].sequence, r.received[0].sequence + 1);
    EXPECT_EQ(r.received[1].resendCount, 0);
    EXPECT_EQ(statusByte, 3);
    EXPECT_EQ(reply.length, 8u);
}

TEST(Command, QueryWithoutDataReplyGivesUp)
{
    struct Case {
        std::uint8_t byte;
        std::uint32_t value;
        LinkStatus status;
    };
    const Case cases[] = {{0, 0, 32}, {2, 0, 32}, {1, 0x10002, 0x10002}, {1, 9, 9}, {3, 0, 42}};
    for (const Case& c : cases) {
        FakeReceiver r;
        r.Start([c](FakeReceiver& self) {
            self.Serve([&](const Packet& p) { self.ReplyStatus(p, c.byte, c.value); });
        });
        std::uint8_t statusByte = 0;
        Packet reply;
        EXPECT_EQ(r.Lib().ExecuteQuery("chunk\r", 300, statusByte, reply), c.status) << int(c.byte);
        r.Stop();
        EXPECT_EQ(r.received.size(), IsReceiverError(c.value) ? 1u : 5u) << int(c.byte);
    }
}

// --- receiver information -------------------------------------------------------------------

std::vector<std::uint8_t> ChunkRecord(std::uint32_t id, std::uint32_t length, std::uint32_t next, std::uint32_t crc,
                                      const std::string& text)
{
    std::vector<std::uint8_t> record(128, 0xFF);
    WriteBe32(&record[0], id);
    WriteBe32(&record[4], length);
    WriteBe32(&record[8], next);
    WriteBe32(&record[12], crc);
    std::copy(text.begin(), text.end(), record.begin() + 16);
    record[16 + text.size()] = 0;
    return record;
}

TEST(ReceiverInformation, VersionThenChunks)
{
    std::vector<std::uint8_t> block{5, 9};
    for (const auto& record : {ChunkRecord(0x03FC0100, 0x10000, 0x10010, 0x11223344, "default"),
                               ChunkRecord(0x04FB0100, 0x8000, 0x8010, 0x55667788, "user")}) {
        block.insert(block.end(), record.begin(), record.end());
    }
    FakeReceiver r;
    r.Start([&](FakeReceiver& self) {
        auto version = self.Receive();
        self.ReplyData(*version, 0, Be32Bytes(48));
        auto chunk = self.Receive();
        self.ReplyData(*chunk, 0, block);
    });
    std::uint32_t version = 0;
    ReceiverInfo info;
    ASSERT_EQ(r.Lib().GetReceiverInfo(version, info), link_status::kSuccess);
    r.Stop();
    ASSERT_EQ(r.received.size(), 2u);
    EXPECT_EQ(TextOf(r.received[0]), "version\r");
    EXPECT_EQ(TextOf(r.received[1]), "chunk\r");
    EXPECT_EQ(r.received[1].length, 6u);
    EXPECT_EQ(version, 48u);
    EXPECT_EQ(info.flashSize, 0x200000u);
    EXPECT_EQ(info.secondByte, 9u);
    ASSERT_EQ(info.chunks.size(), 2u);
    EXPECT_EQ(info.chunks[0].crc, 0x11223344u);
    EXPECT_EQ(info.chunks[1].crc, kNoCheckValue);
    EXPECT_EQ(info.chunks[1].texts[0], "user");
}

TEST(ReceiverInformation, ShortRepliesAreNotRecognised)
{
    struct Case {
        std::vector<std::uint8_t> version;
        std::vector<std::uint8_t> chunk;
    };
    const Case cases[] = {{{0, 0, 0}, {1, 2}}, {{0, 0, 0, 48}, {}}, {{0, 0, 0, 48}, {1}}};
    for (const Case& c : cases) {
        FakeReceiver r;
        r.Start([&](FakeReceiver& self) {
            self.Serve([&](const Packet& p) {
                self.ReplyData(p, 0, TextOf(p) == "version\r" ? c.version : c.chunk);
            });
        });
        std::uint32_t version = 0;
        ReceiverInfo info;
        EXPECT_EQ(r.Lib().GetReceiverInfo(version, info), link_status::kPacketNotRecognised);
    }
}

// --- transfer -------------------------------------------------------------------------------

LinkStatus NoCompression(std::span<const std::uint8_t>, std::vector<std::uint8_t>&, const CancelPredicate&)
{
    return link_status::kToolNotStarted;
}

// Accepts every data piece by naming its index; Request packets are answered with the index of
// the last piece stored.
void AcceptPieces(FakeReceiver& self, std::vector<std::uint8_t>& stored, std::uint32_t dropReplyTo = 0)
{
    std::uint32_t last = 0;
    bool dropped = false;
    self.Serve([&](const Packet& p) {
        if (p.kind == PacketKind::Command) {
            self.ReplyStatus(p, 0, 0);
        } else if (p.kind == PacketKind::Data) {
            if (p.Index() == last + 1) {
                stored.insert(stored.end(), p.Payload().begin(), p.Payload().end());
                last = p.Index();
            }
            if (p.Index() == dropReplyTo && !dropped) {
                dropped = true;
                return;
            }
            self.ReplyStatus(p, 0, p.Index());
        } else if (p.kind == PacketKind::Request) {
            self.ReplyStatus(p, 0, last);
        }
    });
}

TEST(Transfer, UncompressedPiecesOf1024And452)
{
    FakeReceiver r;
    r.Lib().SetCompression(NoCompression);
    const auto data = PatternBytes(2500);
    std::vector<std::uint8_t> stored;
    r.Start([&](FakeReceiver& self) { AcceptPieces(self, stored); });
    std::vector<int> progress;
    EXPECT_EQ(r.Lib().Transfer(data, [&](int p) { progress.push_back(p); }, {}), link_status::kSuccess);
    r.Stop();
    ASSERT_EQ(r.received.size(), 4u);
    EXPECT_EQ(TextOf(r.received[0]), "transfer 2500\r");
    const std::size_t sizes[] = {1024, 1024, 452};
    for (std::size_t i = 0; i < 3; ++i) {
        const Packet& piece = r.received[i + 1];
        EXPECT_EQ(piece.kind, PacketKind::Data);
        EXPECT_EQ(piece.Index(), i + 1);
        EXPECT_EQ(piece.length, sizes[i] + 4);
        EXPECT_EQ(piece.sequence, r.received[0].sequence);
    }
    EXPECT_EQ(stored, data);
    EXPECT_EQ(progress, (std::vector<int>{40, 81, 100}));
}

TEST(Transfer, CompressedWhenSmaller)
{
    struct Case {
        std::size_t packedSize;
        std::string command;
    };
    // An empty result (an encoder that wrote nothing) goes plain too.
    const Case cases[] = {{700, "transfer -z 2500 700\r"}, {2499, "transfer -z 2500 2499\r"},
                          {2500, "transfer 2500\r"}, {3000, "transfer 2500\r"}, {0, "transfer 2500\r"}};
    for (const Case& c : cases) {
        FakeReceiver r;
        const auto packed = PatternBytes(c.packedSize, 7);
        r.Lib().SetCompression([&](std::span<const std::uint8_t>, std::vector<std::uint8_t>& out, const CancelPredicate&) {
            out = packed;
            return link_status::kSuccess;
        });
        const auto data = PatternBytes(2500);
        std::vector<std::uint8_t> stored;
        r.Start([&](FakeReceiver& self) { AcceptPieces(self, stored); });
        EXPECT_EQ(r.Lib().Transfer(data, {}, {}), link_status::kSuccess);
        r.Stop();
        ASSERT_FALSE(r.received.empty());
        EXPECT_EQ(TextOf(r.received[0]), c.command);
        EXPECT_EQ(stored, c.packedSize > 0 && c.packedSize < 2500 ? packed : data) << c.packedSize;
    }
}

TEST(Transfer, LostReplyIsFollowedByRequestAndNotResent)
{
    FakeReceiver r;
    r.Lib().SetCompression(NoCompression);
    const auto data = PatternBytes(3000);
    std::vector<std::uint8_t> stored;
    r.Start([&](FakeReceiver& self) { AcceptPieces(self, stored, 2); });
    EXPECT_EQ(r.Lib().Transfer(data, {}, {}), link_status::kSuccess);
    r.Stop();
    std::vector<std::pair<PacketKind, std::uint32_t>> seen;
    for (std::size_t i = 1; i < r.received.size(); ++i)
        seen.emplace_back(r.received[i].kind, r.received[i].Index());
    const std::vector<std::pair<PacketKind, std::uint32_t>> expected{
        {PacketKind::Data, 1}, {PacketKind::Data, 2}, {PacketKind::Request, 2}, {PacketKind::Data, 3}};
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(stored, data);
}

TEST(Transfer, ReceiverVerdicts)
{
    struct Case {
        std::uint8_t byte;
        std::uint32_t value;
        LinkStatus status;
    };
    const Case cases[] = {{3, 0, 0}, {1, 0x10005, 0x10005}};
    for (const Case& c : cases) {
        FakeReceiver r;
        r.Lib().SetCompression(NoCompression);
        r.Start([c](FakeReceiver& self) {
            self.Serve([&](const Packet& p) {
                if (p.kind == PacketKind::Command)
                    self.ReplyStatus(p, 0, 0);
                else
                    self.ReplyStatus(p, c.byte, c.value);
            });
        });
        std::vector<int> progress;
        EXPECT_EQ(r.Lib().Transfer(PatternBytes(5000), [&](int p) { progress.push_back(p); }, {}), c.status);
        r.Stop();
        EXPECT_EQ(r.received.size(), 2u);
        EXPECT_EQ(progress, c.status == 0 ? std::vector<int>{100} : std::vector<int>{});
    }
}

TEST(Transfer, CancelSendsAbort)
{
    FakeReceiver r;
    r.Lib().SetCompression(NoCompression);
    std::vector<std::uint8_t> stored;
    r.Start([&](FakeReceiver& self) { AcceptPieces(self, stored); });
    int pieces = 0;
    EXPECT_EQ(r.Lib().Transfer(PatternBytes(5000), [&](int) { ++pieces; }, [&] { return pieces == 2; }),
              link_status::kCancelled);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    r.Stop();
    ASSERT_FALSE(r.received.empty());
    const Packet& last = r.received.back();
    EXPECT_EQ(last.kind, PacketKind::Status);
    EXPECT_EQ(last.StatusByte(), packet_status::kAbort);
    EXPECT_EQ(last.StatusValue(), 0u);
    EXPECT_EQ(stored.size(), 2048u);
}

TEST(Transfer, CancelWhileCompressingSendsNothing)
{
    FakeReceiver r;
    bool cancelled = false;
    r.Lib().SetCompression([&](std::span<const std::uint8_t>, std::vector<std::uint8_t>&, const CancelPredicate&) {
        cancelled = true;
        return link_status::kCancelled;
    });
    std::vector<std::uint8_t> stored;
    r.Start([&](FakeReceiver& self) { AcceptPieces(self, stored); });
    EXPECT_EQ(r.Lib().Transfer(PatternBytes(5000), {}, [&] { return cancelled; }), link_status::kCancelled);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    r.Stop();
    EXPECT_TRUE(r.received.empty());
}

TEST(Transfer, EmptyDataEndsAfterTheCommand)
{
    FakeReceiver r;
    r.Start([](FakeReceiver& self) { self.Serve([&](const Packet& p) { self.ReplyStatus(p, 0, 0); }); });
    EXPECT_EQ(r.Lib().Transfer({}, {}, {}), link_status::kSuccess);
    r.Stop();
    ASSERT_EQ(r.received.size(), 1u);
    EXPECT_EQ(TextOf(r.received[0]), "transfer 0\r");
}

// --- burn -----------------------------------------------------------------------------------

Packet BurnReport(const Packet& to, const std::string& text)
{
    return MakeDataPacket(to.sequence, to.resendCount, 0, std::vector<std::uint8_t>(text.begin(), text.end()));
}

TEST(Burn, KeepAlivesKeepThePcWaiting)
{
    FakeReceiver r;
    r.Start([](FakeReceiver& self) {
        auto burn = self.Receive();
        self.ReplyStatus(*burn, 0, 0);
        // Four reports, a keep-alive, four more: never five quiet ones in a row.
        for (const char* kib : {"0256", "0512", "0768", "1024"})
            self.Send(BurnReport(*burn, std::string("B") + kib));
        self.ReplyStatus(*burn, 2, 0);
        for (const char* kib : {"1280", "1536", "1792", "2048"})
            self.Send(BurnReport(*burn, std::string("B") + kib));
        self.ReplyStatus(*burn, 3, 0);
    });
    std::vector<int> progress;
    EXPECT_EQ(r.Lib().Burn(0x200000, [&](int p) { progress.push_back(p); }), link_status::kSuccess);
    r.Stop();
    EXPECT_EQ(progress, (std::vector<int>{12, 25, 37, 50, 62, 75, 87, 100, 100}));
    EXPECT_EQ(r.received.size(), 1u);
}

TEST(Burn, FiveQuietReportsLeadToTheRepeatedBurn)
{
    FakeReceiver r;
    r.Start([](FakeReceiver& self) {
        auto burn = self.Receive();
        self.ReplyStatus(*burn, 0, 0);
        for (int i = 0; i < 5; ++i)
            self.Send(BurnReport(*burn, "B0100"));
        auto again = self.Receive();
        self.ReplyStatus(*again, 0, 0);
    });
    std::vector<int> progress;
    EXPECT_EQ(r.Lib().Burn(0x80000, [&](int p) { progress.push_back(p); }), link_status::kSuccess);
    r.Stop();
    ASSERT_EQ(r.received.size(), 2u);
    EXPECT_EQ(TextOf(r.received[1]), "burn\r");
    EXPECT_EQ(r.received[1].sequence, r.received[0].sequence);
    EXPECT_EQ(r.received[1].resendCount, 1);
    EXPECT_EQ(progress, (std::vector<int>{19, 19, 19, 19, 19, 100}));
}

// A repeated burn answered "still working" means the burn goes on: the PC waits for its end
// instead of taking the answer as success.
TEST(Burn, StillWorkingAfterTheRepeatedBurnWaitsForTheEnd)
{
    struct Case {
        const char* name;
        const char* ending;  // the report after the "still working" answer
        LinkStatus status;
    };
    for (const Case& c : {Case{"Finished", "F", link_status::kSuccess}, Case{"Failed", "E", link_status::kBurn}}) {
        FakeReceiver r;
        r.Start([&](FakeReceiver& self) {
            auto burn = self.Receive();
            self.ReplyStatus(*burn, 0, 0);
            for (int i = 0; i < 5; ++i)
                self.Send(BurnReport(*burn, "B0100"));
            auto again = self.Receive();
            self.ReplyStatus(*again, 2, 0);
            self.Send(BurnReport(*again, c.ending));
        });
        EXPECT_EQ(r.Lib().Burn(0x80000, {}), c.status) << c.name;
        r.Stop();
        EXPECT_EQ(r.received.size(), 2u) << c.name;
    }
}

TEST(Burn, Endings)
{
    struct Case {
        const char* name;
        std::function<void(FakeReceiver&, const Packet&)> report;
        LinkStatus status;
    };
    const Case cases[] = {
        {"DataF", [](FakeReceiver& s, const Packet& b) { s.Send(BurnReport(b, "F")); }, 0},
        {"DataE", [](FakeReceiver& s, const Packet& b) { s.Send(BurnReport(b, "E1234567")); }, 13},
        {"Failed", [](FakeReceiver& s, const Packet& b) { s.ReplyStatus(b, 1, 0x10004); }, 0x10004},
        {"FailedWithoutCode", [](FakeReceiver& s, const Packet& b) { s.ReplyStatus(b, 1, 0); }, 13},
    };
    for (const Case& c : cases) {
        FakeReceiver r;
        r.Start([&](FakeReceiver& self) {
            auto burn = self.Receive();
            self.ReplyStatus(*burn, 0, 0);
            // A report for another command doesn't count.
            self.Send(MakeStatusPacket(burn->sequence + 1, 0, 3, 0));
            c.report(self, *burn);
        });
        EXPECT_EQ(r.Lib().Burn(0x200000, {}), c.status) << c.name;
    }
}

// --- dump -----------------------------------------------------------------------------------

// Answers Requests: index 0 with the total, later indexes with 1024-byte pieces of `flash`,
// blank where the piece is all FF.
void ServeDump(FakeReceiver& self, const std::vector<std::uint8_t>& flash, std::uint32_t total,
               std::uint32_t wrongIndex = 0, int wrongTimes = 1)
{
    int misled = 0;
    self.Serve([&](const Packet& p) {
        if (p.kind == PacketKind::Command) {
            self.ReplyStatus(p, 0, 0);
            return;
        }
        if (p.kind != PacketKind::Request)
            return;
        const std::uint32_t index = p.Index();
        if (index == 0) {
            self.ReplyData(p, 0, Be32Bytes(total));
            return;
        }
        if (index == wrongIndex && misled < wrongTimes) {
            ++misled;
            self.ReplyData(p, index + 1, {1, 2, 3});
            return;
        }
        const std::size_t at = (index - 1) * 1024;
        const std::size_t n = std::min<std::size_t>(1024, flash.size() - at);
        const std::vector<std::uint8_t> piece(flash.begin() + at, flash.begin() + at + n);
        if (std::all_of(piece.begin(), piece.end(), [](std::uint8_t b) { return b == 0xFF; }))
            self.Send(MakeBlankPacket(p.sequence, p.resendCount, index, static_cast<std::uint32_t>(n)));
        else
            self.ReplyData(p, index, piece);
    });
}

std::vector<std::uint8_t> FlashWithBlankStretch(std::size_t size)
{
    auto flash = PatternBytes(size, 3);
    std::fill(flash.begin() + 1024, flash.begin() + 3072, 0xFF);
    return flash;
}

TEST(Dump, CollectsPiecesAndBlankStretches)
{
    const auto flash = FlashWithBlankStretch(5000);
    FakeReceiver r;
    r.Start([&](FakeReceiver& self) { ServeDump(self, flash, 5000); });
    std::vector<std::uint8_t> buffer(0x200000, 0);
    std::uint32_t length = 0;
    std::vector<int> progress;
    ASSERT_EQ(r.Lib().Dump(buffer, length, [&](int p) { progress.push_back(p); }, {}, 0, 0), link_status::kSuccess);
    r.Stop();
    EXPECT_EQ(TextOf(r.received[0]), "dump 0 0\r");
    EXPECT_EQ(length, 5000u);
    EXPECT_TRUE(std::equal(flash.begin(), flash.end(), buffer.begin()));
    EXPECT_EQ(buffer[5000], 0);
    EXPECT_EQ(progress, (std::vector<int>{20, 40, 61, 81, 100}));
}

TEST(Dump, WrongIndexIsAskedForAgain)
{
    const auto flash = PatternBytes(3000, 5);
    FakeReceiver r;
    r.Start([&](FakeReceiver& self) { ServeDump(self, flash, 3000, 2); });
    std::vector<std::uint8_t> buffer(4096);
    std::uint32_t length = 0;
    ASSERT_EQ(r.Lib().Dump(buffer, length, {}, {}, 0, 0), link_status::kSuccess);
    r.Stop();
    std::vector<std::uint32_t> asked;
    for (const Packet& p : r.received) {
        if (p.kind == PacketKind::Request)
            asked.push_back(p.Index());
    }
    EXPECT_EQ(asked, (std::vector<std::uint32_t>{0, 1, 2, 2, 3}));
    EXPECT_TRUE(std::equal(flash.begin(), flash.end(), buffer.begin()));
}

TEST(Dump, RepeatedFailuresAreReportedAsWarnings)
{
    const auto flash = PatternBytes(3000, 5);
    FakeReceiver r;
    std::vector<std::pair<int, std::string>> sink;
    r.Lib().SetDiagnosticSink([&](int level, std::string_view text) { sink.emplace_back(level, text); });
    r.Start([&](FakeReceiver& self) { ServeDump(self, flash, 3000, 2, 5); });
    std::vector<std::uint8_t> buffer(3000);
    std::uint32_t length = 0;
    ASSERT_EQ(r.Lib().Dump(buffer, length, {}, {}, 0, 0), link_status::kSuccess);
    r.Stop();
    const std::vector<std::pair<int, std::string>> expected{
        {2, "\r\n->Warning:dump packet:2 Error! Retry."}, {2, "."}, {2, "."}};
    EXPECT_EQ(sink, expected);
    EXPECT_EQ(buffer, flash);
}

TEST(Dump, TotalEndings)
{
    struct Case {
        std::uint32_t total;
        std::size_t bufferSize;
        LinkStatus status;
    };
    const Case cases[] = {{0, 4096, 1}, {4097, 4096, 14}};
    for (const Case& c : cases) {
        FakeReceiver r;
        r.Start([&](FakeReceiver& self) { ServeDump(self, {}, c.total); });
        std::vector<std::uint8_t> buffer(c.bufferSize);
        std::uint32_t length = 0;
        EXPECT_EQ(r.Lib().Dump(buffer, length, {}, {}, 0, 0), c.status) << c.total;
    }
}

TEST(Dump, LongLastPieceStopsAtTheTotal)
{
    const auto flash = PatternBytes(2048, 9);
    FakeReceiver r;
    // Announces 1500 bytes but sends whole 1024-byte pieces.
    r.Start([&](FakeReceiver& self) { ServeDump(self, flash, 1500); });
    std::vector<std::uint8_t> buffer(1500);
    std::uint32_t length = 0;
    ASSERT_EQ(r.Lib().Dump(buffer, length, {}, {}, 0, 0), link_status::kSuccess);
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.end(), flash.begin()));
}

TEST(Dump, ReceiverStatuses)
{
    struct Case {
        std::uint8_t byte;
        std::uint32_t value;
        LinkStatus status;
    };
    const Case cases[] = {{3, 0, 0x10006}, {1, 0x10002, 0x10002}, {1, 0, 21}};
    for (const Case& c : cases) {
        FakeReceiver r;
        r.Start([&](FakeReceiver& self) {
            self.Serve([&](const Packet& p) {
                if (p.kind == PacketKind::Command)
                    self.ReplyStatus(p, 0, 0);
                else if (p.Index() == 0)
                    self.ReplyData(p, 0, Be32Bytes(3000));
                else
                    self.ReplyStatus(p, c.byte, c.value);
            });
        });
        std::vector<std::uint8_t> buffer(4096);
        std::uint32_t length = 0;
        EXPECT_EQ(r.Lib().Dump(buffer, length, {}, {}, 0, 0), c.status);
    }
}

TEST(Dump, CancelSendsAbort)
{
    const auto flash = PatternBytes(8000, 5);
    FakeReceiver r;
    r.Start([&](FakeReceiver& self) { ServeDump(self, flash, 8000); });
    std::vector<std::uint8_t> buffer(8192);
    std::uint32_t length = 0;
    int progressCalls = 0;
    EXPECT_EQ(r.Lib().Dump(buffer, length, [&](int) { ++progressCalls; }, [&] { return progressCalls == 3; }, 0, 0),
              link_status::kCancelled);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    r.Stop();
    EXPECT_EQ(r.received.back().kind, PacketKind::Status);
    EXPECT_EQ(r.received.back().StatusByte(), packet_status::kAbort);
}

// --- link -----------------------------------------------------------------------------------

TEST(Link, OpenCloseAndVersion)
{
    FakeReceiver r;
    EXPECT_EQ(UpgradeLib::GetLibVersion(), "3.0.0d");
    EXPECT_EQ(r.Lib().OpenLink("/dev/ttyUSB0", LineSettings{115200, 2, 1}), link_status::kSuccess);
    EXPECT_TRUE(r.PcLine().IsOpen());
    EXPECT_EQ(r.PcLine().DevicePath(), "/dev/ttyUSB0");
    EXPECT_EQ(r.Lib().CloseLink(), link_status::kSuccess);
    EXPECT_FALSE(r.PcLine().IsOpen());
    EXPECT_EQ(r.Lib().SetAddress(0), link_status::kSendPacketHead);
}

} // namespace
} // namespace torvane

namespace torvane {
namespace {

// Replies damaged on the way to the PC (bit flips, lost bytes) must cost retries, never data.
TEST(LineFaults, TransferAndDumpStillDeliverTheRightBytes)
{
    const auto data = PatternBytes(16 * 1024, 4);
    const LineFaults transferFaults[] = {{1, 0.006, 0.0, 0.0, {}}, {2, 0.0, 0.006, 0.0, {}}};
    for (const LineFaults& faults : transferFaults) {
        FakeReceiver r;
        r.Lib().SetCompression(NoCompression);
        r.Line().SetFaults(faults);
        std::vector<std::uint8_t> stored;
        r.Start([&](FakeReceiver& self) { AcceptPieces(self, stored); });
        EXPECT_EQ(r.Lib().Transfer(data, {}, {}), link_status::kSuccess) << faults.seed;
        r.Stop();
        EXPECT_EQ(stored, data) << faults.seed;
        // 1 command and 16 pieces without faults; the asking after each damaged reply comes on top.
        EXPECT_GT(r.received.size(), 17u) << faults.seed;
    }

    // A lost byte in a data packet costs its full time-out, so the dump gets bit flips only.
    const auto flash = FlashWithBlankStretch(data.size());
    FakeReceiver r;
    r.Line().SetFaults(LineFaults{3, 0.0003, 0.0, 0.0, {}});
    r.Start([&](FakeReceiver& self) { ServeDump(self, flash, static_cast<std::uint32_t>(flash.size())); });
    std::vector<std::uint8_t> buffer(flash.size());
    std::uint32_t length = 0;
    EXPECT_EQ(r.Lib().Dump(buffer, length, {}, {}, 0, 0), link_status::kSuccess);
    r.Stop();
    EXPECT_EQ(buffer, flash);
    EXPECT_GT(r.received.size(), 18u);
}

} // namespace
} // namespace torvane
