#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace torvane {

// The whole content of the file at path, or nothing when it cannot be opened or read.
std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path);

// Writes bytes to a temporary file in the folder of path and renames it over path, so that a
// failure never leaves a half-written file behind. False when anything fails; path is then as before.
bool WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes);

} // namespace torvane
