#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace torvane {

// The "Configuration" dialog of the serial settings: the "COM Port" list (COM1 to COM12, then
// whatever devices the machine has, or a typed device path), the line's fixed settings shown in
// disabled lists, and the hidden "Trans Format" list.
struct ConfigurationForm {
    static constexpr std::string_view kCaption = "Configuration";
    static constexpr std::string_view kPortLabel = "COM Port";
    static constexpr std::string_view kFormatLabel = "Trans Format";
    static constexpr int kComPortCount = 12;
    static constexpr std::array<std::string_view, 2> kFormatItems{"Format 1", "Format 2"};

    // A list that always shows the line's one setting.
    struct FixedList {
        std::string_view label;
        std::vector<std::string_view> items;
        int selected = 0;
    };
    // "Bits Rate", "Parity", "Data Bits", "Stop Bits", in the dialog's order.
    static const std::vector<FixedList>& FixedLists();

    // "COM1" … "COM12".
    static std::vector<std::string> ComPortItems();

    // What the "COM Port" list stands for.
    struct PortChoice {
        std::int32_t portNumber = 1;
        std::string devicePath; // empty for a port number

        bool operator==(const PortChoice&) const = default;
    };
    // The list's text as it first appears: the device path when one is chosen, else "COM<n>".
    static std::string InitialText(const PortChoice& current);
    // The list's text at OK: nothing chosen is port 1; "COM" followed by a number from 1 is that
    // port; any other text is a device path, which keeps the current port number beside it.
    static PortChoice Accept(std::string_view text, std::int32_t currentPort);
};

} // namespace torvane
