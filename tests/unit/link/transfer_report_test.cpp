#include "link/transfer_report.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "link/cancel_flag.h"
#include "link/counting_line.h"
#include "link/memory_line.h"

namespace torvane {
namespace {

TEST(TransferSpeedLine, FormatsRatesInKilobytesOfAThousand)
{
    struct Case {
        TransferSpeed speed;
        std::string text;
    };
    const Case cases[] = {
        {{"Dumped", 2097152, 212.3, 2236417},
         "Dumped 2097152 bytes in 212.3 s (9.88 kB/s), 2236417 bytes on the wire (10.53 kB/s)"},
        {{"Sent", 106624, 10.0, 53000}, "Sent 106624 bytes in 10.0 s (10.66 kB/s), 53000 bytes on the wire (5.30 kB/s)"},
        // Too short to time: counted as one millisecond.
        {{"Sent", 5, 0.0, 0}, "Sent 5 bytes in 0.0 s (5.00 kB/s), 0 bytes on the wire (0.00 kB/s)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatTransferSpeed(c.speed), c.text);
}

TEST(TransferTitle, ShowsTheVersionAsMajorDotMinor)
{
    const std::pair<std::uint32_t, std::string> cases[] = {
        {48, "Download (PC --> STB) (Transfer protocol version: 3.0)"},
        {33, "Download (PC --> STB) (Transfer protocol version: 2.1)"},
        {16, "Download (PC --> STB) (Transfer protocol version: 1.0)"},
        {47, "Download (PC --> STB) (Transfer protocol version: 2.15)"},
        {0xFFFFFFFF, "Download (PC --> STB) (Transfer protocol version: 268435455.15)"},
    };
    for (const auto& [version, title] : cases)
        EXPECT_EQ(FormatTransferTitle(transfer_text::kDownloadCaption, version), title);
}

TEST(ProgressLabel, PercentWithSign)
{
    EXPECT_EQ(ProgressLabel(0), "0%");
    EXPECT_EQ(ProgressLabel(57), "57%");
    EXPECT_EQ(ProgressLabel(100), "100%");
}

TEST(CountingLine, CountsBothWaysAndStartsAgainOnOpen)
{
    auto [a, b] = MemoryLine::CreatePair();
    CountingLine line(*a);
    const std::vector<std::uint8_t> out{1, 2, 3, 4, 5};
    EXPECT_EQ(line.Write(out), 5u);
    b->Write(std::vector<std::uint8_t>{9, 8, 7});
    std::vector<std::uint8_t> in(2);
    ASSERT_TRUE(line.ReadExact(in, 1000));
    EXPECT_EQ(line.BytesWritten(), 5u);
    EXPECT_EQ(line.BytesRead(), 2u);
    // What arrived but wasn't read isn't counted.
    EXPECT_EQ(line.InQueue(), 1u);
    ASSERT_TRUE(line.Open("again", {}));
    EXPECT_EQ(line.BytesWritten(), 0u);
    EXPECT_EQ(line.BytesRead(), 0u);
    line.Close();
    EXPECT_FALSE(a->IsOpen());
    // A closed line writes nothing, and nothing is counted.
    EXPECT_EQ(line.Write(out), 0u);
    EXPECT_EQ(line.BytesWritten(), 0u);
}

TEST(CancelFlag, PredicateFollowsTheFlag)
{
    CancelFlag flag;
    const CancelPredicate cancelled = flag.Predicate();
    EXPECT_FALSE(cancelled());
    flag.Set();
    EXPECT_TRUE(cancelled());
    EXPECT_TRUE(flag.IsSet());
    flag.Clear();
    EXPECT_FALSE(cancelled());
}

} // namespace
} // namespace torvane
