#include "link/serial_line.h"

#include <chrono>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace torvane {
namespace {

using namespace std::chrono_literals;

// A line whose bytes arrive during its first wait, and whose waits overrun like a thread that wasn't
// scheduled in time.
class LateLine final : public SerialLine {
public:
    LateLine(std::size_t arriving, std::chrono::milliseconds stall)
        : m_arriving(arriving)
        , m_stall(stall)
    {
    }
    bool Open(const std::string&, const LineSettings&) override { return true; }
    void Close() override {}
    bool IsOpen() const override { return true; }
    std::size_t Write(std::span<const std::uint8_t> bytes) override { return bytes.size(); }
    std::size_t InQueue() override { return m_queued; }
    std::size_t ReadAvailable(std::span<std::uint8_t> buffer) override
    {
        const std::size_t n = std::min(buffer.size(), m_queued);
        std::fill_n(buffer.begin(), n, 0x42);
        m_queued -= n;
        return n;
    }
    bool PurgeInput() override { return m_failPurgeInput ? false : (m_queued = 0, true); }
    bool PurgeOutput() override
    {
        ++m_outputPurges;
        return true;
    }
    void WaitForInput(std::chrono::milliseconds) override
    {
        ++m_waits;
        std::this_thread::sleep_for(m_stall);
        m_queued += m_arriving;
        m_arriving = 0;
    }

    std::size_t m_queued = 0;
    std::size_t m_arriving;
    std::chrono::milliseconds m_stall;
    int m_waits = 0;
    int m_outputPurges = 0;
    bool m_failPurgeInput = false;
};

TEST(SerialLine, BytesThatArrivedWhileStalledStillCount)
{
    LateLine line(4, 5ms);
    std::vector<std::uint8_t> got(4);
    EXPECT_TRUE(line.ReadExact(got, 1));
    EXPECT_EQ(got, std::vector<std::uint8_t>(4, 0x42));
    EXPECT_EQ(line.m_waits, 1);
}

TEST(SerialLine, ReadExactNeedsTheWholeCount)
{
    struct Case {
        std::size_t arriving;
        std::size_t count;
        bool ok;
        std::size_t leftQueued;
    };
    const Case cases[] = {{2, 3, false, 0}, {3, 3, true, 0}, {5, 3, true, 2}, {0, 0, true, 0}};
    for (const Case& c : cases) {
        LateLine line(c.arriving, 3ms);
        std::vector<std::uint8_t> got(c.count);
        EXPECT_EQ(line.ReadExact(got, 5), c.ok) << c.arriving;
        if (!c.ok) {
            EXPECT_GT(line.m_queued, 0u) << "a partial arrival stays queued";
        } else {
            EXPECT_EQ(line.m_queued, c.leftQueued) << c.arriving;
        }
    }
}

TEST(SerialLine, FlushPurgesOutputOnlyWhenInputPurgeFails)
{
    LateLine line(0, 0ms);
    line.m_queued = 3;
    EXPECT_TRUE(line.Flush());
    EXPECT_EQ(line.m_queued, 0u);
    EXPECT_EQ(line.m_outputPurges, 0);
    line.m_failPurgeInput = true;
    EXPECT_TRUE(line.Flush());
    EXPECT_EQ(line.m_outputPurges, 1);
}

} // namespace
} // namespace torvane
