#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace torvane {

// Names are stored in node records as big-endian UTF-16, Arabic shaped and in visual order, up to
// the first zero unit or the end of the field. The editor shows them as UTF-8 logical text.

// Stored names shorter than this many bytes are decoded; longer fields read as empty text.
inline constexpr std::size_t kDecodableNameBytes = 64;

// The whole name of a field of 2 to 63 bytes as text; nothing for other field sizes. An odd last
// byte is the high byte of a unit whose low byte is 0.
std::optional<std::string> DecodeName(std::span<const std::uint8_t> stored);

// Writes text (up to its first NUL) into a field of at least 2 bytes, zero-filled after it.
// Fails, leaving the field as it was, when the field is shorter, the text is not UTF-8 or its
// shaped form does not fit.
bool EncodeName(std::span<std::uint8_t> stored, std::string_view text);

} // namespace torvane
