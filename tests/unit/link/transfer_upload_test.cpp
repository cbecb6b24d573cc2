#include "link/upload_procedure.h"

#include <chrono>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fake_receiver.h"
#include "sim_peer.h"
#include "support/scratch_folder.h"
#include "support/transfer_recorder.h"

namespace torvane {
namespace {

using namespace std::chrono_literals;
using test::MakeTestImage;
using test::PcSide;
using test::ScratchFolder;
using test::SimPeer;
using test::TransferRecorder;

std::vector<std::string> UploadEvents(const std::string& version)
{
    return {"show TestPort Test serial port status",
            "finish TestPort Finished",
            "title Upload (STB --> PC) (Transfer protocol version: " + version + ")",
            "show Upload Start uploading",
            "finish Upload Finished",
            "show ParseUserDatabase Parsing user database ...",
            "finish ParseUserDatabase Finished",
            "cancel off"};
}

struct UploadCase {
    int generation;
    std::size_t flashSize;
    const char* version;
};

void PrintTo(const UploadCase& c, std::ostream* os)
{
    *os << c.generation << " " << c.flashSize;
}

class Upload : public ::testing::TestWithParam<UploadCase> {};

TEST_P(Upload, WritesTheReceiversFlashExactly)
{
    const UploadCase& c = GetParam();
    // Erased stretches inside the user chunk travel as blank packets or blocks.
    const std::vector<std::uint8_t> flash = MakeTestImage({40, 0x3000, 0x9000}).Build(c.flashSize);
    ScratchFolder folder;
    SimPeer peer(flash, test::Setup(c.generation));
    TransferRecorder record;
    PcSide pc(peer.PcLine(), record.Callbacks());
    UploadProcedure upload(pc.session, folder.Path("out.bin"));
    EXPECT_EQ(upload.Run(), TransferOutcome::Succeeded) << ::testing::PrintToString(record.events);
    EXPECT_FALSE(peer.PcLine().IsOpen());
    EXPECT_EQ(record.events, UploadEvents(c.version));
    EXPECT_TRUE(folder.Read("out.bin") == flash);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"out.bin"});
    EXPECT_EQ(upload.DumpedLength(), c.flashSize);
    EXPECT_EQ(upload.OutputPath(), folder.Path("out.bin"));
    // The walk of the saved file found the four chunks.
    EXPECT_EQ(upload.Walk().count, 4);
    ASSERT_TRUE(upload.Walk().userChunk.has_value());
    EXPECT_EQ(upload.Walk().userChunk->offset, test::ChunkOf(MakeTestImage({0, 0x3000, 0x9000}),
                                                             test::kUserChunkId).offset);
    ASSERT_EQ(record.speeds.size(), 1u);
    EXPECT_EQ(record.speeds[0].verb, "Dumped");
    EXPECT_EQ(record.speeds[0].bytes, c.flashSize);
    ASSERT_FALSE(record.progress.empty());
    EXPECT_EQ(record.progress.front().percent, 0);
    EXPECT_EQ(record.progress.back().percent, 100);
    EXPECT_EQ(record.progress.back().total, c.flashSize);
}

INSTANTIATE_TEST_SUITE_P(Generations, Upload,
                         ::testing::Values(UploadCase{48, 0x80000, "3.0"}, UploadCase{48, 0x200000, "3.0"},
                                           UploadCase{33, 0x80000, "2.1"}, UploadCase{32, 0x80000, "1.0"},
                                           UploadCase{16, 0x80000, "1.0"}),
                         [](const auto& info) {
                             return "Generation" + std::to_string(info.param.generation) + "Flash"
                                 + std::to_string(info.param.flashSize / 1024) + "K";
                         });

TEST(UploadFile, ReplacesALongerFileWhole)
{
    const std::vector<std::uint8_t> flash = MakeTestImage({}).Build(0x80000);
    ScratchFolder folder;
    folder.Write("out.bin", std::vector<std::uint8_t>(0x90000, 0x5A));
    SimPeer peer(flash, test::Setup(48));
    TransferRecorder record;
    PcSide pc(peer.PcLine(), record.Callbacks());
    ASSERT_EQ(UploadProcedure(pc.session, folder.Path("out.bin")).Run(), TransferOutcome::Succeeded);
    EXPECT_TRUE(folder.Read("out.bin") == flash);
}

TEST(UploadFile, UnwritableFileIsAWarningAndLeavesNothing)
{
    const std::vector<std::uint8_t> flash = MakeTestImage({}).Build(0x80000);
    ScratchFolder folder;
    SimPeer peer(flash, test::Setup(48));
    TransferRecorder record;
    PcSide pc(peer.PcLine(), record.Callbacks());
    UploadProcedure upload(pc.session, folder.Path("missing-folder/out.bin"));
    EXPECT_EQ(upload.Run(), TransferOutcome::Failed);
    EXPECT_EQ(record.events.back(), "message Warning: Can not open file!");
    EXPECT_EQ(std::count(record.events.begin(), record.events.end(), "finish Upload Finished"), 0);
    EXPECT_TRUE(upload.OutputPath().empty());
    EXPECT_TRUE(folder.Names().empty());
    EXPECT_FALSE(pc.counting.IsOpen());
}

TEST(UploadRefused, DumpRefusedIsUploadFail)
{
    const std::vector<std::uint8_t> flash = MakeTestImage({}).Build(0x80000);
    const std::vector<std::uint8_t> info = sim::ReceiverFlash(flash, {}).InfoBlock(0);
    test::FakeReceiver r;
    r.Start([&](test::FakeReceiver& self) {
        while (!self.Stopping()) {
            if (self.ReadEchoedCommand(20) != "comtest 18\r")
                continue;
            std::vector<std::uint8_t> greeting = self.ReadBytes(18, 500);
            for (auto& b : greeting)
                b = static_cast<std::uint8_t>(~b);
            self.WriteBytes(greeting);
            break;
        }
        self.Serve([&](const Packet& packet) {
            const std::string text = test::TextOf(packet);
            if (text == "version\r")
                self.ReplyData(packet, 0, test::Be32Bytes(0));
            else if (text == "chunk\r")
                self.ReplyData(packet, 0, info);
            else
                self.ReplyStatus(packet, 1, 0x10000);
        });
    });
    ScratchFolder folder;
    TransferRecorder record;
    TransferSession session(r.Lib(), nullptr, PcSide::Settings(), record.Callbacks(), {}, PcSide::NoPauses());
    UploadProcedure upload(session, folder.Path("out.bin"));
    EXPECT_EQ(upload.Run(), TransferOutcome::Failed);
    r.Stop();
    // A receiver that reports version 0 is driven as 16 (and then answers in packets no more, here).
    EXPECT_EQ(record.events, (std::vector<std::string>{"show TestPort Test serial port status", "finish TestPort Finished",
                                                       "title Upload (STB --> PC) (Transfer protocol version: 1.0)",
                                                       "show Upload Start uploading", "message Upload fail"}));
    EXPECT_TRUE(folder.Names().empty());
}

class UploadCancel : public ::testing::TestWithParam<int> {};

TEST_P(UploadCancel, MidDumpEndsQuietlyAndKeepsTheOldFile)
{
    const std::vector<std::uint8_t> flash = MakeTestImage({50}).Build(0x80000);
    ScratchFolder folder;
    const std::vector<std::uint8_t> old(1000, 0x33);
    folder.Write("out.bin", old);
    auto [pcEnd, receiverEnd] = MemoryLine::CreatePair(115200);
    sim::ReceiverSim sim(sim::ReceiverFlash(flash, {}), *receiverEnd, test::Setup(GetParam()));
    sim.Start();
    TransferRecorder record;
    bool cancelled = false;
    std::chrono::steady_clock::time_point cancelledAt;
    auto callbacks = record.Callbacks();
    callbacks.progress = [&](int, int percent, std::uint64_t) {
        if (percent >= 1 && !cancelled) {
            cancelled = true;
            cancelledAt = std::chrono::steady_clock::now();
        }
    };
    PcSide pc(*pcEnd, callbacks, [&] { return cancelled; });
    UploadProcedure upload(pc.session, folder.Path("out.bin"));
    EXPECT_EQ(upload.Run(), TransferOutcome::Cancelled);
    ASSERT_TRUE(cancelled);
    EXPECT_LT(std::chrono::steady_clock::now() - cancelledAt, 1s);
    EXPECT_FALSE(pcEnd->IsOpen());
    EXPECT_TRUE(record.Messages().empty());
    EXPECT_EQ(record.events.back(), "show Upload Start uploading");
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"out.bin"});
    EXPECT_TRUE(folder.Read("out.bin") == old);
}

INSTANTIATE_TEST_SUITE_P(Generations, UploadCancel, ::testing::Values(48, 33, 16));

TEST(UploadCancelEarly, CancelBeforeTheDumpSkipsIt)
{
    const std::vector<std::uint8_t> flash = MakeTestImage({}).Build(0x80000);
    SimPeer peer(flash, test::Setup(48));
    ScratchFolder folder;
    TransferRecorder record;
    bool cancel = false;
    auto callbacks = record.Callbacks();
    const auto recordTitle = callbacks.titleChanged;
    // The user cancels while the receiver's information is read, which doesn't look at the flag.
    callbacks.titleChanged = [&](std::string_view title) {
        recordTitle(title);
        cancel = true;
    };
    PcSide pc(peer.PcLine(), callbacks, [&] { return cancel; });
    EXPECT_EQ(UploadProcedure(pc.session, folder.Path("out.bin")).Run(), TransferOutcome::Cancelled);
    EXPECT_EQ(record.events.back(), "title Upload (STB --> PC) (Transfer protocol version: 3.0)");
    EXPECT_TRUE(folder.Names().empty());
}

struct UploadFaultCase {
    const char* name;
    int generation;
    sim::FaultSettings faults;
};

void PrintTo(const UploadFaultCase& c, std::ostream* os)
{
    *os << c.name;
}

class UploadFaults : public ::testing::TestWithParam<UploadFaultCase> {};

TEST_P(UploadFaults, ExactFileOrUploadFail)
{
    const UploadFaultCase& c = GetParam();
    const std::vector<std::uint8_t> flash = MakeTestImage({60}).Build(0x80000);
    ScratchFolder folder;
    SimPeer peer(flash, test::Setup(c.generation, c.faults));
    TransferRecorder record;
    PcSide pc(peer.PcLine(), record.Callbacks());
    const TransferOutcome outcome = UploadProcedure(pc.session, folder.Path("out.bin")).Run();
    EXPECT_FALSE(pc.counting.IsOpen());
    if (outcome == TransferOutcome::Succeeded) {
        EXPECT_TRUE(record.Messages().empty());
        EXPECT_TRUE(folder.Read("out.bin") == flash);
        return;
    }
    EXPECT_EQ(outcome, TransferOutcome::Failed);
    ASSERT_EQ(record.Messages().size(), 1u);
    const std::string message = record.Messages()[0];
    EXPECT_TRUE(message == "Upload fail" || message == "Fail to test port." || message == "Fail to get version.")
        << message;
    EXPECT_TRUE(folder.Names().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Faults, UploadFaults,
    ::testing::Values(UploadFaultCase{"PacketBitFlips", 48, test::Faults(11, 0.01, 0, 0)},
                      UploadFaultCase{"PacketGarbage", 48, test::Faults(12, 0, 0, 0.05)},
                      UploadFaultCase{"PacketLostReplies", 48, test::Faults(13, 0, 0.002, 0)},
                      UploadFaultCase{"PacketStalls", 48, test::Faults(14, 0, 0, 0, 0.01, 300)},
                      UploadFaultCase{"Legacy33BitFlips", 33, test::Faults(15, 0.002, 0, 0)},
                      UploadFaultCase{"Legacy33Stalls", 33, test::Faults(16, 0, 0, 0, 0.002, 50)},
                      UploadFaultCase{"OldestBitFlips", 16, test::Faults(18, 0.004, 0, 0)}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace torvane
