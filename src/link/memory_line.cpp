#include "link/memory_line.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <random>

namespace torvane {

using Clock = std::chrono::steady_clock;

// The bytes travelling one way, each with the time it has fully arrived.
struct MemoryLine::Direction {
    struct Entry {
        std::uint8_t byte;
        Clock::time_point arrival;
    };

    std::mutex mutex;
    std::condition_variable arrived;
    std::deque<Entry> bytes;
    Clock::time_point lastArrival{};
    std::uint64_t writes = 0;
    Clock::duration byteTime{};
    LineFaults faults;
    std::mt19937 random{1};

    // Number of entries at the front that have arrived by `now`; arrivals never decrease.
    std::size_t ArrivedCount(Clock::time_point now) const
    {
        const auto end = std::upper_bound(bytes.begin(), bytes.end(), now,
                                          [](Clock::time_point t, const Entry& e) { return t < e.arrival; });
        return static_cast<std::size_t>(end - bytes.begin());
    }
};

std::pair<std::unique_ptr<MemoryLine>, std::unique_ptr<MemoryLine>> MemoryLine::CreatePair(
    std::int32_t lineRate)
{
    auto aToB = std::make_shared<Direction>();
    auto bToA = std::make_shared<Direction>();
    if (lineRate > 0) {
        const auto byteTime = std::chrono::duration_cast<Clock::duration>(
            std::chrono::duration<double>(11.0 / static_cast<double>(lineRate)));
        aToB->byteTime = byteTime;
        bToA->byteTime = byteTime;
    }
    std::unique_ptr<MemoryLine> a(new MemoryLine(bToA, aToB));
    std::unique_ptr<MemoryLine> b(new MemoryLine(aToB, bToA));
    return {std::move(a), std::move(b)};
}

MemoryLine::MemoryLine(std::shared_ptr<Direction> incoming, std::shared_ptr<Direction> outgoing)
    : m_incoming(std::move(incoming))
    , m_outgoing(std::move(outgoing))
{
}

MemoryLine::~MemoryLine() = default;

bool MemoryLine::Open(const std::string& devicePath, const LineSettings& settings)
{
    m_devicePath = devicePath;
    m_settings = settings;
    {
        std::lock_guard lock(m_incoming->mutex);
        m_incoming->bytes.clear();
    }
    m_open = true;
    return true;
}

void MemoryLine::Close()
{
    m_open = false;
}

bool MemoryLine::IsOpen() const
{
    return m_open;
}

std::size_t MemoryLine::Write(std::span<const std::uint8_t> bytes)
{
    if (!m_open)
        return 0;
    Direction& out = *m_outgoing;
    {
        std::lock_guard lock(out.mutex);
        std::uniform_real_distribution<double> chance(0.0, 1.0);
        const auto now = Clock::now();
        auto at = std::max(now, out.lastArrival);
        if (out.faults.delayRate > 0 && chance(out.random) < out.faults.delayRate)
            at += out.faults.delay;
        for (std::uint8_t byte : bytes) {
            at += out.byteTime;
            if (out.faults.dropRate > 0 && chance(out.random) < out.faults.dropRate)
                continue;
            if (out.faults.bitFlipRate > 0 && chance(out.random) < out.faults.bitFlipRate)
                byte ^= static_cast<std::uint8_t>(1u << std::uniform_int_distribution<int>(0, 7)(out.random));
            out.bytes.push_back({byte, at});
        }
        out.lastArrival = at;
        ++out.writes;
    }
    out.arrived.notify_all();
    m_bytesWritten += bytes.size();
    return bytes.size();
}

std::size_t MemoryLine::InQueue()
{
    if (!m_open)
        return 0;
    std::lock_guard lock(m_incoming->mutex);
    return m_incoming->ArrivedCount(Clock::now());
}

std::size_t MemoryLine::ReadAvailable(std::span<std::uint8_t> buffer)
{
    if (!m_open)
        return 0;
    Direction& in = *m_incoming;
    std::lock_guard lock(in.mutex);
    const std::size_t n = std::min(in.ArrivedCount(Clock::now()), buffer.size());
    for (std::size_t i = 0; i < n; ++i)
        buffer[i] = in.bytes[i].byte;
    in.bytes.erase(in.bytes.begin(), in.bytes.begin() + static_cast<std::ptrdiff_t>(n));
    return n;
}

bool MemoryLine::PurgeInput()
{
    if (!m_open)
        return false;
    Direction& in = *m_incoming;
    std::lock_guard lock(in.mutex);
    const std::size_t n = in.ArrivedCount(Clock::now());
    in.bytes.erase(in.bytes.begin(), in.bytes.begin() + static_cast<std::ptrdiff_t>(n));
    return true;
}

bool MemoryLine::PurgeOutput()
{
    if (!m_open)
        return false;
    Direction& out = *m_outgoing;
    std::lock_guard lock(out.mutex);
    const auto now = Clock::now();
    out.bytes.erase(out.bytes.begin() + static_cast<std::ptrdiff_t>(out.ArrivedCount(now)), out.bytes.end());
    out.lastArrival = std::min(out.lastArrival, now);
    return true;
}

void MemoryLine::WaitForInput(std::chrono::milliseconds maxWait)
{
    Direction& in = *m_incoming;
    std::unique_lock lock(in.mutex);
    const auto now = Clock::now();
    auto until = now + maxWait;
    const std::size_t arrived = in.ArrivedCount(now);
    if (arrived < in.bytes.size())
        until = std::min(until, in.bytes[arrived].arrival);
    const std::uint64_t writes = in.writes;
    in.arrived.wait_until(lock, until, [&] { return in.writes != writes; });
}

void MemoryLine::SetFaults(const LineFaults& faults)
{
    std::lock_guard lock(m_outgoing->mutex);
    m_outgoing->faults = faults;
    m_outgoing->random.seed(faults.seed);
}

} // namespace torvane
