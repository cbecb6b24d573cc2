#include "text/quoted_text.h"

namespace torvane {

std::string QuotedText(std::string_view text)
{
    // A character starts at any byte but a UTF-8 continuation byte (10xxxxxx), so a cut never
    // splits a sequence. Bytes that are no UTF-8 count one a character, a run of continuation
    // bytes one per four, as long as the longest sequence.
    constexpr std::size_t kLongestSequence = 4;
    std::size_t characters = 0;
    std::size_t width = 0;
    std::size_t end = 0;
    for (; end < text.size(); ++end) {
        const bool continuation = (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80;
        if (!continuation || width == 0 || width == kLongestSequence) {
            if (++characters > kQuotedTextLimit)
                break;
            width = 0;
        }
        ++width;
    }
    std::string quoted(1, '"');
    quoted.append(text.substr(0, end));
    if (end < text.size())
        quoted += "\u2026";
    quoted += '"';
    return quoted;
}

} // namespace torvane
