#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace torvane {

// One row of a drop-down list of an edit dialog: the text shown and the value stored in the node.
struct Choice {
    std::string text;
    int value = 0;

    bool operator==(const Choice&) const = default;
};

// The program dialog's lists; the same pairs the service list shows in its columns.
std::span<const Choice> ServiceTypeChoices();    // "TV" = 1, "Radio" = 0
std::span<const Choice> FavoriteGroupChoices();  // "None" = 0, "Favorite Group 1" = 1 … "Favorite Group 8" = 128
std::span<const Choice> YesNoChoices();          // "No" = 0, "Yes" = 1

// The satellite dialog's lists.
std::span<const Choice> LnbTypeChoices();        // "Standard" = 0, "User" = 16, "Universal" = 32
std::span<const Choice> LnbFrequencyChoices();   // "5150 MHz" = 5150 … "11300 MHz" = 11300, twelve rows
std::span<const Choice> EastWestChoices();       // "East" = 0, "West" = 1
// "Disable" = 0, then port k of n ports ("k/n" for n = 2, 4, 8, 16) = t × 65536 + (k − 1), with
// t = 1, 2, 3, 4 for the four port counts: 31 rows.
std::span<const Choice> DiseqcChoices();
std::span<const Choice> Tone22kChoices();        // "OFF" = 0, "ON" = 1
std::span<const Choice> VoltageChoices();        // "0 V" = 0, "12 V" = 1
std::span<const Choice> ToneburstChoices();      // "OFF" = 0, "A" = 1, "B" = 2

// The TP dialog's list.
std::span<const Choice> PolarizationChoices();   // "Horizontal" = 0, "Vertical" = 1

// The first row of choices whose value is value, or nothing.
std::optional<int> RowOfValue(std::span<const Choice> choices, int value);
// The first row of choices whose text is text, or nothing.
std::optional<int> RowOfText(std::span<const Choice> choices, std::string_view text);

} // namespace torvane
