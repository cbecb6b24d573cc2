#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace torvane {

class UserPrompts;

// The small number prompt of the service list's "Move Channel" and "Switch Channel": a caption set
// by the caller, the label "Enter another index", one signed number edit starting at 1 with the
// caret at its start, OK and Cancel. The number entered is a 1-based row number.
struct IndexPrompt {
    static constexpr std::string_view kMoveCaption = "Move Service Information";
    static constexpr std::string_view kSwitchCaption = "Switch Service Information";
    static constexpr std::string_view kLabel = "Enter another index";

    std::string caption;
    std::int32_t initial = 1;
    bool caretAtStart = true;

    // The edit's text as it first appears.
    std::string InitialText() const;
    // The number typed into the edit on OK, or nothing after "Please enter an integer." (the
    // prompt then stays open).
    std::optional<std::int32_t> Accept(std::string_view text, UserPrompts& prompts) const;
};

} // namespace torvane
