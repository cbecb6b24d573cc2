#include "link/transfer_report.h"

#include <algorithm>
#include <cstdio>

namespace torvane {

namespace {

double KilobytesPerSecond(std::uint64_t bytes, double seconds)
{
    // A transfer too short to time is shown at the rate of one millisecond.
    return static_cast<double>(bytes) / std::max(seconds, 0.001) / 1000.0;
}

} // namespace

std::string FormatTransferSpeed(const TransferSpeed& speed)
{
    char text[160];
    std::snprintf(text, sizeof text, "%s %llu bytes in %.1f s (%.2f kB/s), %llu bytes on the wire (%.2f kB/s)",
                  speed.verb.c_str(), static_cast<unsigned long long>(speed.bytes), speed.seconds,
                  KilobytesPerSecond(speed.bytes, speed.seconds), static_cast<unsigned long long>(speed.wireBytes),
                  KilobytesPerSecond(speed.wireBytes, speed.seconds));
    return text;
}

std::string FormatTransferTitle(std::string_view caption, std::uint32_t version)
{
    char text[64];
    std::snprintf(text, sizeof text, " (Transfer protocol version: %d.%d)", static_cast<int>(version / 16),
                  static_cast<int>(version % 16));
    return std::string(caption) + text;
}

std::string ProgressLabel(int percent)
{
    return std::to_string(percent) + "%";
}

} // namespace torvane
