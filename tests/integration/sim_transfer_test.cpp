// End-to-end runs of the PC's upgrade library against the simulated receiver over the in-memory
// line: every generation, compression, keep-alives, cancel, and injected faults.

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "link/external_compressor.h"
#include "link/memory_line.h"
#include "receiver_sim.h"
#include "sim_session.h"
#include "support/lzma_pack.h"

namespace torvane::test {
namespace {

using namespace std::chrono_literals;
using sim::ReceiverSim;
using sim::SimSetup;

constexpr std::size_t kFlash = 0x80000;

LinkStatus PackWithLiblzma(std::span<const std::uint8_t> data, std::vector<std::uint8_t>& packed, const CancelPredicate&)
{
    packed = PackAlone(std::vector<std::uint8_t>(data.begin(), data.end()));
    return packed.empty() || packed.size() >= data.size() ? link_status::kToolNotStarted : link_status::kSuccess;
}

// A receiver on one end of a memory line holding a flash file, the PC's library on the other.
class SimSession {
public:
    SimSession(const SimSetup& setup, std::int32_t lineRate = 0, std::size_t userBytes = 0x6000,
               std::size_t defaultBytes = 0x3000)
        : m_receiverImage(TypicalFlashImage(userBytes, defaultBytes, 0).Build(kFlash))
        , m_fileImage(TypicalFlashImage(userBytes, defaultBytes, 1).Build(kFlash))
        , m_layout(TypicalFlashImage(userBytes, defaultBytes, 0).Layout())
        , m_file(m_receiverImage)
    {
        auto [pc, receiver] = MemoryLine::CreatePair(lineRate);
        m_pc = std::move(pc);
        m_receiverEnd = std::move(receiver);
        m_trace.Open((m_file.Folder() / "trace.txt").string());
        m_sim = std::make_unique<ReceiverSim>(m_file.Load(), *m_receiverEnd, setup, &m_trace);
        m_sim->Start();
        m_lib = std::make_unique<UpgradeLib>(*m_pc);
        m_lib->SetCommandPause(10ms);
        m_lib->SetCompression(PackWithLiblzma);
    }

    std::string Trace()
    {
        std::ifstream in((m_file.Folder() / "trace.txt").string());
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::vector<std::uint8_t> m_receiverImage;
    std::vector<std::uint8_t> m_fileImage;
    std::vector<BuiltChunk> m_layout;
    FlashFile m_file;
    sim::TraceLog m_trace;
    std::unique_ptr<MemoryLine> m_pc;
    std::unique_ptr<MemoryLine> m_receiverEnd;
    std::unique_ptr<ReceiverSim> m_sim;
    std::unique_ptr<UpgradeLib> m_lib;
};

std::size_t Count(const std::string& text, const std::string& what)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

struct GenerationCase {
    int generation;
    std::uint32_t greetingVersion;
    std::uint32_t reportedVersion;
};

class Generations : public ::testing::TestWithParam<GenerationCase> {};

TEST_P(Generations, InformationDownloadBurnAndUpload)
{
    const GenerationCase& g = GetParam();
    SimSession s(SimSetup{g.generation, {}, 0, 0, 0x21});
    const Connection c = Connect(*s.m_lib);
    ASSERT_EQ(c.status, link_status::kSuccess);
    EXPECT_EQ(c.greetingVersion, g.greetingVersion);
    EXPECT_EQ(c.reportedVersion, g.reportedVersion);
    EXPECT_EQ(c.info.flashSize, kFlash);
    EXPECT_EQ(c.info.secondByte, 0x21u);
    ASSERT_EQ(c.info.chunks.size(), s.m_layout.size());
    for (std::size_t i = 0; i < s.m_layout.size(); ++i) {
        const BuiltChunk& built = s.m_layout[i];
        EXPECT_EQ(c.info.chunks[i].id, built.id);
        EXPECT_EQ(c.info.chunks[i].length, built.length);
        EXPECT_EQ(c.info.chunks[i].nextOffset, built.next);
        const bool unchecked = built.id == kBootChunkId || built.id == kUserChunkId;
        EXPECT_EQ(c.info.chunks[i].crc, unchecked ? kNoCrcMark : built.crc);
    }
    EXPECT_EQ(c.info.chunks[3].texts[0], "user db");

    std::vector<int> burnt;
    ASSERT_EQ(Download(*s.m_lib, c.info, s.m_fileImage, s.m_layout, true, true, {}, &burnt), link_status::kSuccess);
    ASSERT_FALSE(burnt.empty());
    EXPECT_EQ(burnt.back(), 100);
    EXPECT_TRUE(std::is_sorted(burnt.begin(), burnt.end()));
    EXPECT_EQ(s.m_lib->Reboot(), link_status::kSuccess);
    const std::vector<std::uint8_t> expected
        = ExpectedAfterDownload(s.m_receiverImage, s.m_fileImage, s.m_layout, true, true);
    EXPECT_TRUE(s.m_file.Contents() == expected);

    const Connection again = Connect(*s.m_lib);
    ASSERT_EQ(again.status, link_status::kSuccess);
    std::vector<std::uint8_t> buffer(kPcFlashBuffer);
    std::uint32_t length = 0;
    std::vector<int> progress;
    ASSERT_EQ(s.m_lib->Dump(buffer, length, [&](int p) { progress.push_back(p); }, {}, 0, 0), link_status::kSuccess);
    ASSERT_EQ(length, kFlash);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), buffer.begin()));
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), 100);
}

TEST_P(Generations, OnlyTheChosenChunkIsSent)
{
    SimSession s(SimSetup{GetParam().generation, {}, 0, 0, 0});
    const Connection c = Connect(*s.m_lib);
    ASSERT_EQ(c.status, link_status::kSuccess);
    ASSERT_EQ(Download(*s.m_lib, c.info, s.m_fileImage, s.m_layout, true, false), link_status::kSuccess);
    EXPECT_TRUE(s.m_file.Contents() == ExpectedAfterDownload(s.m_receiverImage, s.m_fileImage, s.m_layout, true, false));
    const std::string trace = s.Trace();
    EXPECT_EQ(Count(trace, "move 67846400 "), 0u) << "default chunk moved instead of sent";
    EXPECT_EQ(Count(trace, "move 83558656 0"), 1u) << "user chunk not kept";
}

TEST_P(Generations, ReceiverErrorEndsMoveAtOnce)
{
    SimSession s(SimSetup{GetParam().generation, {}, 0, 0, 0});
    ASSERT_EQ(Connect(*s.m_lib).status, link_status::kSuccess);
    ASSERT_EQ(s.m_lib->SetAddress(0), link_status::kSuccess);
    const LinkStatus status = s.m_lib->MoveChunk(0x05FA0100u, 0);
    // Packets carry the receiver's own code; the byte protocol only says "E".
    EXPECT_EQ(status, GetParam().generation >= 48 ? link_status::kChunkNotFound : link_status::kTargetError);
    EXPECT_EQ(Count(s.Trace(), "move 100270336 0"), 1u);
}

INSTANTIATE_TEST_SUITE_P(All, Generations,
                         ::testing::Values(GenerationCase{48, 48, 48}, GenerationCase{33, 32, 33},
                                           GenerationCase{40, 32, 40}, GenerationCase{32, 32, 0},
                                           GenerationCase{16, 32, 0}),
                         [](const auto& info) { return "Generation" + std::to_string(info.param.generation); });

TEST(SimTransfer, DumpOfNothingEndsWithStatusOne)
{
    SimSession s(SimSetup{});
    ASSERT_EQ(Connect(*s.m_lib).status, link_status::kSuccess);
    std::vector<std::uint8_t> buffer(kPcFlashBuffer, 0x5A);
    std::uint32_t length = 0;
    // From the end of the flash to its end: the receiver announces a total of 0.
    EXPECT_EQ(s.m_lib->Dump(buffer, length, {}, {}, kFlash, 0), link_status::kGenericError);
    EXPECT_EQ(buffer[0], 0x5A);
    // Beyond the end the receiver refuses the command itself.
    EXPECT_EQ(s.m_lib->Dump(buffer, length, {}, {}, kFlash + 1, 0), 0x10000u);
}

TEST(SimTransfer, PlainTransferGoesInPiecesOf1024)
{
    SimSession s(SimSetup{});
    s.m_lib->SetCompression([](auto, auto&, auto&) { return link_status::kToolNotStarted; });
    ASSERT_EQ(Connect(*s.m_lib).status, link_status::kSuccess);
    ASSERT_EQ(s.m_lib->SetAddress(0x40000), link_status::kSuccess);
    const std::vector<std::uint8_t> data = PatternBytes(2500, 8);
    ASSERT_EQ(s.m_lib->Transfer(data, {}, {}), link_status::kSuccess);
    const std::string trace = s.Trace();
    EXPECT_NE(trace.find("\"transfer 2500\\r\""), std::string::npos);
    EXPECT_NE(trace.find("index 1, 1024 bytes"), std::string::npos);
    EXPECT_NE(trace.find("index 2, 1024 bytes"), std::string::npos);
    EXPECT_NE(trace.find("index 3, 452 bytes"), std::string::npos);
    EXPECT_EQ(Count(trace, "<- Data"), 3u);
}

TEST(SimTransfer, ExternalEncoderOutputIsUnpackedByTheReceiver)
{
    SimSession s(SimSetup{});
    s.m_lib->SetCompression(ExternalCompressor());
    ASSERT_EQ(Connect(*s.m_lib).status, link_status::kSuccess);
    ASSERT_EQ(s.m_lib->SetAddress(0x40000), link_status::kSuccess);
    const std::vector<std::uint8_t> data = PatternBytes(40000, 3, true);
    ASSERT_EQ(s.m_lib->Transfer(data, {}, {}), link_status::kSuccess);
    ASSERT_EQ(s.m_lib->Burn(kPcFlashBuffer, {}), link_status::kSuccess);
    EXPECT_NE(s.Trace().find("\"transfer -z 40000 "), std::string::npos);
    const std::vector<std::uint8_t> flash = s.m_file.Contents();
    EXPECT_TRUE(std::equal(data.begin(), data.end(), flash.begin() + 0x40000));
}

TEST(SimTransfer, LongBurnIsWaitedForThroughKeepAlives)
{
    // 2.4 s of burning: longer than five reports' worth of waiting without keep-alives.
    SimSession s(SimSetup{48, {}, 0, 2400, 0});
    ASSERT_EQ(Connect(*s.m_lib).status, link_status::kSuccess);
    ASSERT_EQ(s.m_lib->SetAddress(0), link_status::kSuccess);
    ASSERT_EQ(s.m_lib->MoveChunk(kBootChunkId, 0), link_status::kSuccess);
    std::vector<int> progress;
    EXPECT_EQ(s.m_lib->Burn(kPcFlashBuffer, [&](int p) { progress.push_back(p); }), link_status::kSuccess);
    // 512 KiB of a 2 MiB buffer: the reports climb to 25, the end gives 100.
    EXPECT_EQ(progress, (std::vector<int>{3, 6, 9, 12, 15, 18, 21, 25, 100}));
    EXPECT_EQ(Count(s.Trace(), "\"burn\\r\""), 1u) << "the burn command was repeated";
}

TEST(SimTransfer, CancelledDumpEndsWithinAPacketsTime)
{
    SimSession s(SimSetup{}, 115200);
    ASSERT_EQ(Connect(*s.m_lib).status, link_status::kSuccess);
    std::vector<std::uint8_t> buffer(kPcFlashBuffer);
    std::uint32_t length = 0;
    std::atomic<bool> cancel{false};
    std::chrono::steady_clock::time_point cancelledAt;
    const auto progress = [&](int percent) {
        if (percent >= 2 && !cancel.exchange(true))
            cancelledAt = std::chrono::steady_clock::now();
    };
    EXPECT_EQ(s.m_lib->Dump(buffer, length, progress, [&] { return cancel.load(); }, 0, 0), link_status::kCancelled);
    const auto took = std::chrono::steady_clock::now() - cancelledAt;
    // One packet of 1024 bytes takes about 100 ms on the line; the rest is room for a busy machine.
    // Not honoured, the dump would run on for minutes.
    EXPECT_LT(took, 500ms);
    // The receiver took the abort and goes on answering.
    std::uint32_t version = 0;
    ReceiverInfo info;
    EXPECT_EQ(s.m_lib->GetReceiverInfo(version, info), link_status::kSuccess);
    EXPECT_EQ(version, 48u);
}

TEST(SimTransfer, CancelledTransferEndsWithinAPacketsTime)
{
    SimSession s(SimSetup{}, 115200);
    s.m_lib->SetCompression([](auto, auto&, auto&) { return link_status::kToolNotStarted; });
    ASSERT_EQ(Connect(*s.m_lib).status, link_status::kSuccess);
    ASSERT_EQ(s.m_lib->SetAddress(0), link_status::kSuccess);
    std::atomic<bool> cancel{false};
    std::chrono::steady_clock::time_point cancelledAt;
    const auto progress = [&](int percent) {
        if (percent >= 10 && !cancel.exchange(true))
            cancelledAt = std::chrono::steady_clock::now();
    };
    EXPECT_EQ(s.m_lib->Transfer(PatternBytes(30000, 2), progress, [&] { return cancel.load(); }),
              link_status::kCancelled);
    EXPECT_LT(std::chrono::steady_clock::now() - cancelledAt, 500ms);
    // Nothing was placed: burning has nothing to do.
    EXPECT_EQ(s.m_lib->Burn(kPcFlashBuffer, {}), 0x10004u);
}

TEST(SimTransfer, SilentReceiverLeavesTheGreetingToCancel)
{
    SimSetup setup;
    setup.faults.noAnswer = true;
    SimSession s(setup);
    int polls = 0;
    std::uint32_t version = 0;
    EXPECT_EQ(s.m_lib->TestPort(version, {}, [&] { return ++polls > 4; }), link_status::kCancelled);
    EXPECT_EQ(polls, 5);
    EXPECT_EQ(s.m_pc->InQueue(), 0u);
}

// Faults on both directions; each operation either completes with the right data or ends with a
// status, and a download that failed never leaves a half-built flash.
struct FaultCase {
    int generation;
    std::uint64_t seed;
};

class WithFaults : public ::testing::TestWithParam<FaultCase> {};

TEST_P(WithFaults, OperationsCompleteOrEndWithTheirStatus)
{
    SimSetup setup;
    setup.generation = GetParam().generation;
    setup.faults.seed = GetParam().seed;
    const bool packets = setup.generation >= 48;
    setup.faults.flipRate = packets ? 0.02 : 0.0005;
    setup.faults.garbageRate = packets ? 0.05 : 0;
    setup.faults.dropRate = packets ? 0.005 : 0;
    setup.faults.stallRate = packets ? 0.005 : 0;
    setup.faults.stallMs = 2500;
    SimSession s(setup, 0, 0x2000, 0x1000);
    LineFaults pcFaults;
    pcFaults.seed = static_cast<std::uint32_t>(GetParam().seed);
    pcFaults.bitFlipRate = packets ? 2e-5 : 2e-6;
    pcFaults.dropRate = packets ? 1e-5 : 0;
    s.m_pc->SetFaults(pcFaults);

    const Connection c = Connect(*s.m_lib);
    if (c.status != link_status::kSuccess) {
        EXPECT_FALSE(LinkStatusText(c.status).empty()) << c.status;
        return;
    }
    ASSERT_EQ(c.info.chunks.size(), s.m_layout.size());
    const LinkStatus download = Download(*s.m_lib, c.info, s.m_fileImage, s.m_layout, true, true);
    // The reboot, like any command, is only taken once the receiver has finished burning. Its
    // result is not looked at, as in the download procedure: a burn that ended its waiting on a late
    // keep-alive leaves that burn's reports queued, and they can use up the reboot's attempts.
    s.m_lib->Reboot();
    const Connection again = Connect(*s.m_lib);
    const std::size_t start = s.m_layout[3].offset;
    std::vector<std::uint8_t> buffer(kPcFlashBuffer);
    std::uint32_t length = 0;
    const LinkStatus dump = again.status != link_status::kSuccess
        ? again.status
        : s.m_lib->Dump(buffer, length, {}, {}, static_cast<std::uint32_t>(start), 0x20000);
    s.m_sim->Stop();

    const std::vector<std::uint8_t> expected
        = ExpectedAfterDownload(s.m_receiverImage, s.m_fileImage, s.m_layout, true, true);
    const std::vector<std::uint8_t> flash = s.m_file.Contents();
    if (download == link_status::kSuccess) {
        EXPECT_TRUE(flash == expected);
    } else {
        EXPECT_FALSE(LinkStatusText(download).empty()) << download;
        // Nothing is burnt unless every chunk went in.
        EXPECT_TRUE(flash == s.m_receiverImage);
    }
    if (dump == link_status::kSuccess) {
        ASSERT_EQ(length, 0x20000u);
        EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + 0x20000,
                               flash.begin() + static_cast<std::ptrdiff_t>(start)));
    } else {
        EXPECT_FALSE(LinkStatusText(dump).empty()) << dump;
    }
    // Packets are sent again until they get through.
    if (packets) {
        EXPECT_EQ(download, link_status::kSuccess);
        EXPECT_EQ(dump, link_status::kSuccess);
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, WithFaults,
                         ::testing::Values(FaultCase{48, 1}, FaultCase{48, 2}, FaultCase{48, 3}, FaultCase{33, 4}),
                         [](const auto& info) {
                             return "Generation" + std::to_string(info.param.generation) + "Seed"
                                 + std::to_string(info.param.seed);
                         });

} // namespace
} // namespace torvane::test
