#include "fault_injector.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "trace_log.h"

namespace torvane::sim {
namespace {

std::vector<ReplyFault> Draw(const FaultSettings& settings, int count, std::size_t length)
{
    FaultInjector faults(settings);
    std::vector<ReplyFault> drawn;
    for (int i = 0; i < count; ++i)
        drawn.push_back(faults.ForReply(length));
    return drawn;
}

TEST(FaultInjector, SameSeedSameFaults)
{
    FaultSettings settings;
    settings.seed = 42;
    settings.flipRate = settings.dropRate = settings.garbageRate = settings.stallRate = 0.3;
    settings.stallMs = 5;
    const auto a = Draw(settings, 200, 30);
    const auto b = Draw(settings, 200, 30);
    settings.seed = 43;
    const auto c = Draw(settings, 200, 30);
    const auto same = [](const ReplyFault& x, const ReplyFault& y) {
        return x.drop == y.drop && x.stallMs == y.stallMs && x.garbage == y.garbage && x.flip == y.flip
            && x.flipBit == y.flipBit;
    };
    EXPECT_TRUE(std::equal(a.begin(), a.end(), b.begin(), same));
    EXPECT_FALSE(std::equal(a.begin(), a.end(), c.begin(), same));
}

TEST(FaultInjector, RatesZeroAndOne)
{
    FaultSettings none;
    for (const ReplyFault& f : Draw(none, 100, 10))
        EXPECT_TRUE(!f.drop && f.stallMs == 0 && f.garbage.empty() && !f.flip);
    EXPECT_FALSE(FaultInjector(none).Active());

    FaultSettings all;
    all.flipRate = all.garbageRate = all.stallRate = 1;
    all.stallMs = 7;
    EXPECT_TRUE(FaultInjector(all).Active());
    for (const ReplyFault& f : Draw(all, 300, 3)) {
        EXPECT_FALSE(f.drop);
        EXPECT_EQ(f.stallMs, 7);
        EXPECT_TRUE(f.flip);
        EXPECT_LT(f.flipBit, 24u);
        ASSERT_GE(f.garbage.size(), 1u);
        EXPECT_LE(f.garbage.size(), 8u);
        // Never a whole packet start of its own.
        EXPECT_EQ(std::find(f.garbage.begin(), f.garbage.end(), 'D'), f.garbage.end());
    }
    all.dropRate = 1;
    for (const ReplyFault& f : Draw(all, 20, 3))
        EXPECT_TRUE(f.drop && !f.flip && f.garbage.empty());
    // Nothing to flip in an empty reply.
    all.dropRate = 0;
    EXPECT_FALSE(Draw(all, 1, 0)[0].flip);
}

TEST(FaultInjector, RateIsRoughlyKept)
{
    FaultSettings settings;
    settings.seed = 7;
    settings.dropRate = 0.1;
    const auto drawn = Draw(settings, 10000, 10);
    const auto drops = std::count_if(drawn.begin(), drawn.end(), [](const ReplyFault& f) { return f.drop; });
    EXPECT_GT(drops, 800);
    EXPECT_LT(drops, 1200);
}

TEST(Printable, EscapesAndCuts)
{
    const std::pair<std::string, std::string> cases[] = {
        {"comtest 18\r", "comtest 18\\r"},
        {std::string("a\nb\\\x00\xFF", 6), "a\\nb\\\\\\x00\\xFF"},
        {"", ""},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(Printable(in), out);
    EXPECT_EQ(Printable(std::string(50, 'x'), 4), "xxxx... (50 bytes)");
}

} // namespace
} // namespace torvane::sim
