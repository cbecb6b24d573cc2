#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace torvane {

// The most characters of a value a message quotes.
inline constexpr std::size_t kQuotedTextLimit = 80;

// text in double quotes, as the messages name values. A value of more than kQuotedTextLimit
// characters is cut after that many (on a UTF-8 character boundary) and ends in "…", so that a
// huge cell makes no huge message.
std::string QuotedText(std::string_view text);

} // namespace torvane
