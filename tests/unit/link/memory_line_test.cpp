#include "link/memory_line.h"

#include <chrono>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace torvane {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::vector<std::uint8_t> Sequence(std::size_t n)
{
    std::vector<std::uint8_t> bytes(n);
    for (std::size_t i = 0; i < n; ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 37 + 11);
    return bytes;
}

TEST(MemoryLine, CarriesBytesBothWaysInOrder)
{
    auto [a, b] = MemoryLine::CreatePair();
    const auto forward = Sequence(300);
    const std::vector<std::uint8_t> backward{'O', 'E', 'B'};
    ASSERT_EQ(a->Write(forward), forward.size());
    ASSERT_EQ(b->Write(backward), backward.size());

    EXPECT_EQ(b->InQueue(), forward.size());
    std::vector<std::uint8_t> got(forward.size());
    ASSERT_TRUE(b->ReadExact(got, 10));
    EXPECT_EQ(got, forward);
    EXPECT_EQ(b->InQueue(), 0u);

    std::vector<std::uint8_t> back(8);
    EXPECT_EQ(a->ReadAvailable(back), backward.size());
    back.resize(backward.size());
    EXPECT_EQ(back, backward);
}

TEST(MemoryLine, ReadExactOfNothingSucceedsAtOnce)
{
    auto [a, b] = MemoryLine::CreatePair();
    const auto start = Clock::now();
    EXPECT_TRUE(b->ReadExact({}, 500));
    EXPECT_LT(Clock::now() - start, 100ms);
}

TEST(MemoryLine, PartialArrivalFailsAtTimeOutAndStaysQueued)
{
    auto [a, b] = MemoryLine::CreatePair();
    const auto bytes = Sequence(5);
    a->Write(bytes);
    std::vector<std::uint8_t> got(8);
    const auto start = Clock::now();
    EXPECT_FALSE(b->ReadExact(got, 30));
    EXPECT_GE(Clock::now() - start, 30ms);
    EXPECT_EQ(b->InQueue(), 5u);
    got.resize(5);
    EXPECT_TRUE(b->ReadExact(got, 10));
    EXPECT_EQ(got, bytes);
}

TEST(MemoryLine, ReadExactWaitsForAnotherThread)
{
    auto [a, b] = MemoryLine::CreatePair();
    const auto bytes = Sequence(64);
    std::thread writer([&, line = a.get()] {
        for (std::size_t i = 0; i < bytes.size(); i += 16) {
            std::this_thread::sleep_for(2ms);
            line->Write(std::span(bytes).subspan(i, 16));
        }
    });
    std::vector<std::uint8_t> got(bytes.size());
    const bool ok = b->ReadExact(got, 2000);
    writer.join();
    ASSERT_TRUE(ok);
    EXPECT_EQ(got, bytes);
}

TEST(MemoryLine, ClosedEndRefusesEverythingAndReopenDiscardsInput)
{
    auto [a, b] = MemoryLine::CreatePair();
    b->Close();
    EXPECT_FALSE(b->IsOpen());
    const auto bytes = Sequence(4);
    EXPECT_EQ(b->Write(bytes), 0u);
    a->Write(bytes);
    EXPECT_EQ(b->InQueue(), 0u);
    std::vector<std::uint8_t> got(4);
    EXPECT_EQ(b->ReadAvailable(got), 0u);
    EXPECT_FALSE(b->ReadExact(got, 5));
    EXPECT_FALSE(b->PurgeInput());
    EXPECT_FALSE(b->Flush());
    EXPECT_EQ(a->InQueue(), 0u);

    ASSERT_TRUE(b->Open("/dev/ttyUSB3", LineSettings{9600, 0, 2}));
    EXPECT_EQ(b->InQueue(), 0u);
    EXPECT_EQ(b->DevicePath(), "/dev/ttyUSB3");
    EXPECT_EQ(b->Settings().baudRate, 9600);
    EXPECT_EQ(b->Settings().parity, 0);
    EXPECT_EQ(b->Settings().stopBits, 2);
}

TEST(MemoryLine, PortNumberNamesTheDevice)
{
    auto [a, b] = MemoryLine::CreatePair();
    struct Case {
        int port;
        std::string device;
    };
#ifdef _WIN32
    const Case cases[] = {{1, "COM1"}, {9, "COM9"}, {12, "COM12"}};
#else
    const Case cases[] = {{1, "/dev/ttyS0"}, {9, "/dev/ttyS8"}, {12, "/dev/ttyS11"}};
#endif
    for (const Case& c : cases) {
        ASSERT_TRUE(a->Open(c.port, LineSettings{}));
        EXPECT_EQ(a->DevicePath(), c.device) << c.port;
    }
}

struct FaultCase {
    const char* name;
    LineFaults faults;
};

class MemoryLineFaults : public ::testing::TestWithParam<FaultCase> {};

// The same seed gives the same damage, so a failing run can be repeated.
TEST_P(MemoryLineFaults, SameSeedSameDamage)
{
    const auto bytes = Sequence(2000);
    std::vector<std::vector<std::uint8_t>> runs;
    for (int run = 0; run < 2; ++run) {
        auto [a, b] = MemoryLine::CreatePair();
        a->SetFaults(GetParam().faults);
        a->Write(bytes);
        std::vector<std::uint8_t> got(b->InQueue());
        b->ReadAvailable(got);
        runs.push_back(got);
    }
    EXPECT_EQ(runs[0], runs[1]);
    EXPECT_NE(runs[0], bytes);
}

INSTANTIATE_TEST_SUITE_P(Kinds, MemoryLineFaults,
                         ::testing::Values(FaultCase{"flips", LineFaults{7, 0.01, 0.0, 0.0, {}}},
                                           FaultCase{"drops", LineFaults{7, 0.0, 0.01, 0.0, {}}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(MemoryLine, EveryFlipChangesExactlyOneBit)
{
    auto [a, b] = MemoryLine::CreatePair();
    a->SetFaults(LineFaults{3, 1.0, 0.0, 0.0, {}});
    const auto bytes = Sequence(256);
    a->Write(bytes);
    std::vector<std::uint8_t> got(bytes.size());
    ASSERT_TRUE(b->ReadExact(got, 10));
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const unsigned diff = bytes[i] ^ got[i];
        EXPECT_TRUE(diff != 0 && (diff & (diff - 1)) == 0) << i;
    }
}

TEST(MemoryLine, DropEverythingLeavesNothing)
{
    auto [a, b] = MemoryLine::CreatePair();
    a->SetFaults(LineFaults{3, 0.0, 1.0, 0.0, {}});
    EXPECT_EQ(a->Write(Sequence(100)), 100u);
    EXPECT_EQ(a->BytesWritten(), 100u);
    EXPECT_EQ(b->InQueue(), 0u);
}

TEST(MemoryLine, DelayedWriteArrivesLateAndKeepsOrder)
{
    auto [a, b] = MemoryLine::CreatePair();
    a->SetFaults(LineFaults{3, 0.0, 0.0, 1.0, 40ms});
    a->Write(std::vector<std::uint8_t>{1, 2});
    a->SetFaults(LineFaults{});
    a->Write(std::vector<std::uint8_t>{3});
    EXPECT_EQ(b->InQueue(), 0u);
    std::vector<std::uint8_t> got(3);
    const auto start = Clock::now();
    ASSERT_TRUE(b->ReadExact(got, 1000));
    EXPECT_GE(Clock::now() - start, 25ms);
    EXPECT_EQ(got, (std::vector<std::uint8_t>{1, 2, 3}));
}

TEST(MemoryLine, LineRateTakesElevenBitsPerByte)
{
    // 11000 baud: one byte per millisecond.
    auto [a, b] = MemoryLine::CreatePair(11000);
    const auto bytes = Sequence(40);
    const auto start = Clock::now();
    a->Write(bytes);
    EXPECT_LT(b->InQueue(), bytes.size());
    std::vector<std::uint8_t> got(bytes.size());
    ASSERT_TRUE(b->ReadExact(got, 1000));
    EXPECT_GE(Clock::now() - start, 39ms);
    EXPECT_EQ(got, bytes);
}

TEST(MemoryLine, PurgeOutputTakesBackBytesOnTheWire)
{
    auto [a, b] = MemoryLine::CreatePair(11000);
    a->Write(Sequence(200));
    std::this_thread::sleep_for(5ms);
    EXPECT_TRUE(a->PurgeOutput());
    std::this_thread::sleep_for(15ms);
    const std::size_t arrived = b->InQueue();
    EXPECT_GT(arrived, 0u);
    EXPECT_LT(arrived, 50u);
}

} // namespace
} // namespace torvane
