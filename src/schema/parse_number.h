#pragma once

#include <cstdint>
#include <string_view>

namespace torvane {

// The one reader of numbers written as text (template attributes, field writes, dialog values).
// Skips leading tabs, line feeds, carriage returns, spaces and ';', then reads hexadecimal after
// "0x" (any case) and decimal otherwise. The digits are the leading run of 0-9 and a-f (any case),
// worth 0-15 in either base; the first other character ends the number, so "-3" reads as 0 and an
// empty run as 0. The value wraps modulo 2^32 and is returned as a signed 32-bit number.
std::int32_t ParseNumber(std::string_view text);

} // namespace torvane
