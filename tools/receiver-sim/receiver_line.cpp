#include "receiver_line.h"

#include <algorithm>
#include <thread>
#include <vector>

#include "link/serial_line.h"

namespace torvane::sim {
namespace {

using Clock = std::chrono::steady_clock;
// A byte on the wire: start bit, 8 data bits, parity, stop bit.
constexpr std::uint32_t kBitsPerByte = 11;
// Longest single wait, so that a stop request is seen soon.
constexpr std::chrono::milliseconds kWaitSlice{20};

} // namespace

ReceiverLine::ReceiverLine(SerialLine& line, FaultInjector& faults, TraceLog& trace, const std::atomic<bool>& stop,
                           std::uint32_t bitsPerSecond)
    : m_line(line)
    , m_faults(faults)
    , m_trace(trace)
    , m_stop(stop)
    , m_bitsPerSecond(bitsPerSecond)
{
}

bool ReceiverLine::Fill()
{
    std::uint8_t buffer[4096];
    const std::size_t got = m_line.ReadAvailable(buffer);
    m_pending.insert(m_pending.end(), buffer, buffer + got);
    return got > 0;
}

bool ReceiverLine::ReadExact(std::span<std::uint8_t> out, int timeoutMs)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (m_pending.size() < out.size()) {
        if (Fill())
            continue;
        const auto now = Clock::now();
        if (now >= deadline || Stopping())
            return false;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now);
        m_line.WaitForInput(std::min(left, kWaitSlice));
    }
    std::copy_n(m_pending.begin(), out.size(), out.begin());
    m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<std::ptrdiff_t>(out.size()));
    return true;
}

std::optional<std::uint8_t> ReceiverLine::ReadByte(int timeoutMs)
{
    std::uint8_t byte = 0;
    if (!ReadExact(std::span(&byte, 1), timeoutMs))
        return std::nullopt;
    return byte;
}

void ReceiverLine::DiscardInput()
{
    m_pending.clear();
    m_line.PurgeInput();
}

void ReceiverLine::WriteRaw(std::span<const std::uint8_t> bytes)
{
    if (bytes.empty())
        return;
    if (m_bitsPerSecond > 0) {
        // The bytes leave one after another: wait until the line has sent what came before.
        const auto now = Clock::now();
        if (m_lineFreeAt > now)
            std::this_thread::sleep_until(m_lineFreeAt);
        const auto airTime = std::chrono::nanoseconds(
            static_cast<std::int64_t>(bytes.size()) * kBitsPerByte * 1'000'000'000 / m_bitsPerSecond);
        m_lineFreeAt = std::max(now, m_lineFreeAt) + airTime;
    }
    m_line.Write(bytes);
}

void ReceiverLine::Send(std::span<const std::uint8_t> bytes, std::string_view what)
{
    if (m_faults.Silent())
        return;
    const ReplyFault fault = m_faults.ForReply(bytes.size());
    std::string note;
    if (fault.drop) {
        m_trace.Line("-> " + std::string(what) + " [dropped]");
        return;
    }
    if (fault.stallMs > 0) {
        m_trace.Line("   stall " + std::to_string(fault.stallMs) + " ms");
        std::this_thread::sleep_for(std::chrono::milliseconds(fault.stallMs));
    }
    if (!fault.garbage.empty()) {
        note += " [after garbage " + Printable(fault.garbage) + "]";
        WriteRaw(fault.garbage);
    }
    if (fault.flip) {
        std::vector<std::uint8_t> damaged(bytes.begin(), bytes.end());
        damaged[fault.flipBit / 8] ^= static_cast<std::uint8_t>(1u << (fault.flipBit % 8));
        note += " [bit " + std::to_string(fault.flipBit) + " flipped]";
        m_trace.Line("-> " + std::string(what) + note);
        WriteRaw(damaged);
        return;
    }
    if (m_trace.Enabled() && (what != "echo" || !note.empty()))
        m_trace.Line("-> " + std::string(what) + note);
    WriteRaw(bytes);
}

void ReceiverLine::SendByte(std::uint8_t byte, std::string_view what)
{
    Send(std::span(&byte, 1), what);
}

} // namespace torvane::sim
