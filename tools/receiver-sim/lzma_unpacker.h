#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace torvane::sim {

// Unpacks the data of a "transfer -z" (an LZMA stream as the PC's encoder writes it, .lzma or .xz).
// Nothing when the stream is damaged or does not unpack to exactly expectedLength bytes.
std::optional<std::vector<std::uint8_t>> UnpackLzma(std::span<const std::uint8_t> packed, std::size_t expectedLength);

} // namespace torvane::sim
