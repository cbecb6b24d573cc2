#include "receiver_line.h"

#include <atomic>
#include <chrono>

#include <gtest/gtest.h>

#include "link/memory_line.h"

namespace torvane::sim {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

struct LineRig {
    explicit LineRig(std::uint32_t bitsPerSecond, const FaultSettings& settings = {})
        : faults(settings)
    {
        auto [a, b] = MemoryLine::CreatePair();
        pc = std::move(a);
        receiverEnd = std::move(b);
        line = std::make_unique<ReceiverLine>(*receiverEnd, faults, trace, stop, bitsPerSecond);
    }
    FaultInjector faults;
    TraceLog trace;
    std::atomic<bool> stop{false};
    std::unique_ptr<MemoryLine> pc;
    std::unique_ptr<MemoryLine> receiverEnd;
    std::unique_ptr<ReceiverLine> line;
};

TEST(ReceiverLine, PacedSendingTakesElevenBitsAByte)
{
    // 11,000 bit/s: 1,000 bytes a second, so three replies of 50 bytes leave over at least 100 ms
    // (the first goes at once, each later one waits for the line).
    LineRig rig(11000);
    const std::vector<std::uint8_t> reply(50, 0x55);
    const auto start = Clock::now();
    for (int i = 0; i < 3; ++i)
        rig.line->Send(reply, "reply");
    EXPECT_GE(Clock::now() - start, 100ms);
    EXPECT_EQ(rig.pc->InQueue(), 150u);
}

TEST(ReceiverLine, ReadsWithTimeOutsAndGivesUpOnStop)
{
    LineRig rig(0);
    const std::uint8_t bytes[] = {1, 2, 3};
    rig.pc->Write(bytes);
    std::uint8_t two[2];
    ASSERT_TRUE(rig.line->ReadExact(two, 100));
    EXPECT_EQ(two[0], 1);
    EXPECT_EQ(two[1], 2);
    // One byte is there, two are asked for: the time-out passes and the byte stays to be read.
    EXPECT_FALSE(rig.line->ReadExact(two, 30));
    EXPECT_EQ(rig.line->ReadByte(10), std::optional<std::uint8_t>(3));
    rig.pc->Write(bytes);
    rig.line->DiscardInput();
    EXPECT_FALSE(rig.line->ReadByte(10).has_value());
    rig.stop = true;
    const auto start = Clock::now();
    EXPECT_FALSE(rig.line->ReadByte(5000).has_value());
    EXPECT_LT(Clock::now() - start, 1000ms);
}

TEST(ReceiverLine, FaultsChangeWhatIsSent)
{
    const std::vector<std::uint8_t> reply{0x10, 0x20, 0x30};
    FaultSettings flip;
    flip.flipRate = 1;
    LineRig flipped(0, flip);
    flipped.line->Send(reply, "reply");
    std::uint8_t got[3];
    ASSERT_EQ(flipped.pc->ReadAvailable(got), 3u);
    int bitsChanged = 0;
    for (int i = 0; i < 3; ++i)
        bitsChanged += __builtin_popcount(got[i] ^ reply[i]);
    EXPECT_EQ(bitsChanged, 1);

    FaultSettings silent;
    silent.noAnswer = true;
    LineRig mute(0, silent);
    mute.line->Send(reply, "reply");
    FaultSettings drop;
    drop.dropRate = 1;
    LineRig dropped(0, drop);
    dropped.line->Send(reply, "reply");
    EXPECT_EQ(mute.pc->InQueue(), 0u);
    EXPECT_EQ(dropped.pc->InQueue(), 0u);

    FaultSettings garbage;
    garbage.garbageRate = 1;
    LineRig noisy(0, garbage);
    noisy.line->Send(reply, "reply");
    const std::size_t n = noisy.pc->InQueue();
    ASSERT_GT(n, 3u);
    std::vector<std::uint8_t> all(n);
    noisy.pc->ReadAvailable(all);
    EXPECT_TRUE(std::equal(reply.begin(), reply.end(), all.end() - 3));
}

} // namespace
} // namespace torvane::sim
