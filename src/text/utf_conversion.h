#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace torvane {

// Text is UTF-8 outside the stored records and UTF-16 inside them.

// UTF-16 to UTF-8; a surrogate without its partner becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

// UTF-8 to UTF-16; nothing for malformed UTF-8 (bad or cut sequences, overlong forms, encoded
// surrogates, values past U+10FFFF).
std::optional<std::u16string> Utf8ToUtf16(std::string_view text);

} // namespace torvane
