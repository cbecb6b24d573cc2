#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "link/link_callbacks.h"
#include "link/link_status.h"

namespace torvane {

// Compresses transfer data with an external LZMA encoder run on temporary files, the way the
// receiver expects it: e "temp.in" "temp.7z" -lc0 -lp2.
class ExternalCompressor final {
public:
    // The encoder packs the largest chunk (2 MiB) in a second or two; one that runs much longer
    // is stuck, and sending plain is then faster than waiting.
    static constexpr std::chrono::milliseconds kDefaultTimeLimit{30000};

    // The encoder: `lzma` (`lzma.exe` on Windows) in the program's own folder when present,
    // else `lzma_alone` from the search path.
    static std::string FindTool();

    explicit ExternalCompressor(std::string toolPath = FindTool(),
                                std::chrono::milliseconds timeLimit = kDefaultTimeLimit);

    // 0 with the encoder's output in `compressed`. Otherwise `compressed` is left as it was and
    // the data goes plain: 36 when a temporary file can't be opened or written, 37 when the output
    // can't be read or is empty, 41 when the encoder can't be started, 1 when it failed (exit code
    // not 0, crash) or ran past the time limit, 6 when cancelled. An encoder still running at the
    // time limit or at a cancel (looked at every 50 ms) is killed. Each call works in a temporary
    // folder of its own, removed afterwards, so that two runs never share files.
    LinkStatus CompressForTransfer(std::span<const std::uint8_t> data, std::vector<std::uint8_t>& compressed,
                                   const CancelPredicate& cancel) const;
    // The compressor as the transfer's compression function.
    LinkStatus operator()(std::span<const std::uint8_t> data, std::vector<std::uint8_t>& compressed,
                          const CancelPredicate& cancel) const
    {
        return CompressForTransfer(data, compressed, cancel);
    }

private:
    std::string m_toolPath;
    std::chrono::milliseconds m_timeLimit;
};

} // namespace torvane
