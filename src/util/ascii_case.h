#pragma once

#include <string_view>

namespace torvane {

// File extensions, paths and names the system compares "without regard to case" differ only in the
// ASCII letters; other bytes (such as UTF-8 sequences) must match exactly.
constexpr char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr bool EqualsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    }
    return true;
}

} // namespace torvane
