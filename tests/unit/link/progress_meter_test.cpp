#include "link/progress_meter.h"

#include <gtest/gtest.h>

namespace torvane {
namespace {

using namespace std::chrono_literals;

// One bar through a transfer: first heard of at 10 %, then a new chunk of another size, then back
// to 0 %; rates count only what moved since the measurement began.
TEST(ProgressMeter, MeasuresFromWhereTheBarWasFirstHeardOf)
{
    const ProgressMeter::Clock::time_point t0{};
    ProgressMeter meter;
    EXPECT_TRUE(meter.Update(10, 100000, t0));
    EXPECT_FALSE(meter.Estimate()) << "no time has passed";
    EXPECT_FALSE(meter.Update(30, 100000, t0 + 2s));
    ASSERT_TRUE(meter.Estimate());
    EXPECT_DOUBLE_EQ(meter.Estimate()->bytesPerSecond, 10000.0); // 20 000 bytes in 2 s
    EXPECT_DOUBLE_EQ(meter.Estimate()->secondsLeft, 7.0);         // 70 000 bytes to go

    EXPECT_TRUE(meter.Update(50, 4000, t0 + 3s)) << "another size is another measurement";
    EXPECT_FALSE(meter.Estimate());
    EXPECT_FALSE(meter.Update(100, 4000, t0 + 4s));
    EXPECT_DOUBLE_EQ(meter.Estimate()->bytesPerSecond, 2000.0);
    EXPECT_DOUBLE_EQ(meter.Estimate()->secondsLeft, 0.0);

    EXPECT_TRUE(meter.Update(0, 4000, t0 + 5s)) << "back to 0 % starts again";
    EXPECT_FALSE(meter.Estimate()) << "nothing moved";
    meter.Update(25, 0, t0 + 7s);
    EXPECT_FALSE(meter.Estimate()) << "unknown size";
}

TEST(ProgressMeter, RateAndMinutesTexts)
{
    EXPECT_EQ(FormatRate(9876.0), "9.88 kB/s");
    EXPECT_EQ(FormatRate(0.0), "0.00 kB/s");
    const std::pair<double, const char*> cases[] = {{0.0, "0:00"}, {0.49, "0:00"}, {59.5, "1:00"}, {187.0, "3:07"},
                                                    {3700.0, "61:40"}};
    for (const auto& [seconds, text] : cases)
        EXPECT_EQ(FormatMinutes(seconds), text) << seconds;
}

} // namespace
} // namespace torvane
