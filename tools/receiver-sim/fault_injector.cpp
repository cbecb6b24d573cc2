#include "fault_injector.h"

namespace torvane::sim {

FaultInjector::FaultInjector(const FaultSettings& settings)
    : m_settings(settings)
    , m_random(settings.seed)
{
}

bool FaultInjector::Active() const
{
    return m_settings.noAnswer || m_settings.flipRate > 0 || m_settings.dropRate > 0
        || m_settings.garbageRate > 0 || (m_settings.stallRate > 0 && m_settings.stallMs > 0);
}

bool FaultInjector::Chance(double rate)
{
    if (rate <= 0)
        return false;
    return std::uniform_real_distribution<double>(0.0, 1.0)(m_random) < rate;
}

ReplyFault FaultInjector::ForReply(std::size_t length)
{
    ReplyFault fault;
    if (Chance(m_settings.dropRate)) {
        fault.drop = true;
        return fault;
    }
    if (Chance(m_settings.stallRate))
        fault.stallMs = m_settings.stallMs;
    if (Chance(m_settings.garbageRate)) {
        // Stray bytes rich in the letters of "HEAD" exercise the hunt for a packet start, but never
        // spell a whole "HEAD", which would be a packet start of its own.
        static constexpr std::uint8_t kAlphabet[] = {'H', 'H', 'E', 'A', 0x00, 0xFF, 0x0D, '@', 'x'};
        const std::size_t count = 1 + m_random() % 8;
        for (std::size_t i = 0; i < count; ++i)
            fault.garbage.push_back(kAlphabet[m_random() % std::size(kAlphabet)]);
    }
    if (length > 0 && Chance(m_settings.flipRate)) {
        fault.flip = true;
        fault.flipBit = static_cast<std::size_t>(m_random() % (length * 8));
    }
    return fault;
}

} // namespace torvane::sim
