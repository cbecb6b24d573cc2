#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "link/link_status.h"

namespace torvane {

// Compresses transfer data with an external LZMA encoder run on temporary files, the way the
// receiver expects it: e "temp.in" "temp.7z" -lc0 -lp2.
class ExternalCompressor final {
public:
    // The encoder: `lzma` (`lzma.exe` on Windows) in the program's own folder when present,
    // else `lzma_alone` from the search path.
    static std::string FindTool();

    explicit ExternalCompressor(std::string toolPath = FindTool());

    // 0 with the encoder's output in `compressed`; 36 when a temporary file can't be opened or
    // written, 37 when the output can't be read, 41 when the encoder can't be started. Waits for
    // the encoder without a time limit; its exit code is not examined. Each call works in a
    // temporary folder of its own, removed afterwards, so that two runs never share files.
    LinkStatus CompressForTransfer(std::span<const std::uint8_t> data, std::vector<std::uint8_t>& compressed) const;

private:
    std::string m_toolPath;
};

} // namespace torvane
