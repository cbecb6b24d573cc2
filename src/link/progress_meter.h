#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace torvane {

// Rate and time left of one progress bar.
struct ProgressEstimate {
    double bytesPerSecond = 0;
    double secondsLeft = 0;
};

// Measures one progress bar from the moment it was last heard of first: a bar that goes back to
// 0 % or measures something of another size starts a new measurement.
class ProgressMeter final {
public:
    using Clock = std::chrono::steady_clock;

    // True when this update started a new measurement.
    bool Update(int percent, std::uint64_t totalBytes, Clock::time_point now);
    // Nothing while the size, the elapsed time or the bytes done are still unknown.
    std::optional<ProgressEstimate> Estimate() const;

private:
    Clock::time_point m_start;
    Clock::time_point m_last;
    std::uint64_t m_total = 0;
    int m_startPercent = 0;
    int m_percent = 0;
    bool m_started = false;
};

// "9.88 kB/s"; a kB is 1000 bytes.
std::string FormatRate(double bytesPerSecond);
// Minutes and seconds, rounded to the second: "3:07", "61:40".
std::string FormatMinutes(double seconds);

} // namespace torvane
