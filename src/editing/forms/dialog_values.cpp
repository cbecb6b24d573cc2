#include "editing/forms/dialog_values.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace torvane {

namespace {

std::string_view TrimBlanks(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The trimmed text without a leading '+'; nothing when a second sign follows it.
std::optional<std::string_view> Unsigned(std::string_view text)
{
    text = TrimBlanks(text);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-')
            return std::nullopt;
    }
    if (text.empty())
        return std::nullopt;
    return text;
}

// A whole signed decimal number in 64 bits (a leading '+' allowed), or nothing.
std::optional<std::int64_t> ParseWhole(std::string_view whole)
{
    const std::optional<std::string_view> number = Unsigned(whole);
    if (!number)
        return std::nullopt;
    const std::string_view text = *number;
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// Bytes of the UTF-8 sequence that starts with lead (1 for a byte that starts none).
int SequenceLength(unsigned char lead)
{
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    if (lead >= 0xE0)
        return lead <= 0xEF ? 3 : 1;
    if (lead >= 0xC2)
        return 2;
    return 1;
}

} // namespace

std::optional<std::int32_t> ParseDialogInteger(std::string_view text)
{
    const std::optional<std::int64_t> value = ParseWhole(text);
    if (!value || *value < std::numeric_limits<std::int32_t>::min() || *value > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(*value);
}

std::optional<std::uint32_t> ParseDialogUnsigned(std::string_view text)
{
    const std::string_view trimmed = TrimBlanks(text);
    if (!trimmed.empty() && trimmed.front() == '-')
        return std::nullopt;
    const std::optional<std::int64_t> value = ParseWhole(trimmed);
    if (!value || *value > std::numeric_limits<std::uint32_t>::max())
        return std::nullopt;
    return static_cast<std::uint32_t>(*value);
}

std::optional<double> ParseDialogDouble(std::string_view whole)
{
    const std::optional<std::string_view> number = Unsigned(whole);
    if (!number)
        return std::nullopt;
    const std::string_view text = *number;
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::string DialogText(std::int32_t value)
{
    return std::to_string(value);
}

std::string DialogText(std::uint32_t value)
{
    return std::to_string(value);
}

std::string DialogText(double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.15g", value);
    return text;
}

std::string LimitTextUnits(std::string_view text, int units)
{
    std::size_t at = 0;
    int used = 0;
    while (at < text.size()) {
        const int length = SequenceLength(static_cast<unsigned char>(text[at]));
        // Characters beyond the basic plane take a surrogate pair.
        const int needs = length == 4 ? 2 : 1;
        if (used + needs > units || at + static_cast<std::size_t>(length) > text.size())
            break;
        used += needs;
        at += static_cast<std::size_t>(length);
    }
    return std::string(text.substr(0, at));
}

} // namespace torvane
