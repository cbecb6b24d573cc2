#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <span>

namespace torvane {

// Callbacks the long link operations take; each may be empty. They run on the thread of the
// operation.
using ProgressCallback = std::function<void(int percent)>; // 0 to 100
using CancelPredicate = std::function<bool()>;            // true when the user asked to stop
using NotifyCallback = std::function<void(int attempt)>;  // greeting attempts

inline void ReportProgress(const ProgressCallback& progress, int percent)
{
    if (progress)
        progress(percent);
}

inline bool IsCancelled(const CancelPredicate& cancel)
{
    return cancel && cancel();
}

// part × 100 / whole, at most 100; 100 for an empty whole.
inline int PercentOf(std::uint64_t part, std::uint64_t whole)
{
    return whole == 0 ? 100 : static_cast<int>(std::min<std::uint64_t>(100, part * 100 / whole));
}

// Percentage of a burn report: its leading decimal digits are the KiB burnt so far.
inline int BurnPercent(std::span<const std::uint8_t> digits, std::uint32_t flashSize)
{
    std::uint64_t kib = 0;
    for (std::uint8_t c : digits) {
        if (c < '0' || c > '9')
            break;
        kib = kib * 10 + (c - '0');
    }
    return PercentOf(kib * 1024, flashSize);
}

} // namespace torvane
