#pragma once

#include <array>
#include <string_view>

#include "exchange/tp_table.h"

namespace torvane {

// When a table's transponder is one the satellite already has: the same polarisation (after the
// mapping below) and a frequency within the tolerance; the user may widen or narrow it.
inline constexpr int kDefaultTpToleranceMhz = 2;
inline constexpr int kLargestTpToleranceMhz = 20;

// How a table's polarisation becomes the TP's pol value (0 horizontal, 1 vertical): the receiver
// knows only the two linear ones, so circular left and right take their places, and the preview
// says so with the note.
struct PolarizationMapping {
    TablePolarization table;
    int pol;
    std::string_view note;
};
inline constexpr std::array<PolarizationMapping, 4> kPolarizationMappings = {{
    {TablePolarization::Horizontal, 0, ""},
    {TablePolarization::Vertical, 1, ""},
    {TablePolarization::Left, 0, "circular left taken as horizontal"},
    {TablePolarization::Right, 1, "circular right taken as vertical"},
}};

constexpr const PolarizationMapping& MappingOf(TablePolarization polarization)
{
    return kPolarizationMappings[static_cast<std::size_t>(polarization)];
}

} // namespace torvane
