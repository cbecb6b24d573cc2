#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace torvane {

class UserPrompts;

// The navigator's "Move Information" prompt (dialog 161): one unsigned number edit labelled
// "Another order", starting at 0, OK and Cancel. The number is a 1-based place among the siblings.
struct MoveInformation {
    static constexpr std::string_view kCaption = "Move Information";
    static constexpr std::string_view kLabel = "Another order";

    std::uint32_t initial = 0;

    std::string InitialText() const;
    // The number on OK, or nothing after "Please enter a positive integer.".
    std::optional<std::uint32_t> Accept(std::string_view text, UserPrompts& prompts) const;
};

} // namespace torvane
