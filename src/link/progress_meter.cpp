#include "link/progress_meter.h"

#include <cstdio>

namespace torvane {

bool ProgressMeter::Update(int percent, std::uint64_t totalBytes, Clock::time_point now)
{
    const bool restart = !m_started || percent == 0 || totalBytes != m_total;
    if (restart) {
        m_start = now;
        m_startPercent = percent;
        m_total = totalBytes;
        m_started = true;
    }
    m_last = now;
    m_percent = percent;
    return restart;
}

std::optional<ProgressEstimate> ProgressMeter::Estimate() const
{
    const double seconds = std::chrono::duration<double>(m_last - m_start).count();
    if (!m_started || m_total == 0 || seconds <= 0 || m_percent <= m_startPercent)
        return std::nullopt;
    // Only what moved since the measurement began counts: a bar may first be heard of halfway.
    const double total = static_cast<double>(m_total);
    ProgressEstimate estimate;
    estimate.bytesPerSecond = total * (m_percent - m_startPercent) / 100.0 / seconds;
    estimate.secondsLeft = total * (100 - m_percent) / 100.0 / estimate.bytesPerSecond;
    return estimate;
}

std::string FormatRate(double bytesPerSecond)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f kB/s", bytesPerSecond / 1000.0);
    return text;
}

std::string FormatMinutes(double seconds)
{
    const auto whole = static_cast<long long>(seconds + 0.5);
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld", whole / 60, whole % 60);
    return text;
}

} // namespace torvane
