#include "exchange/tp_table.h"

#include <charconv>
#include <cstdio>

namespace torvane {

namespace {

constexpr int kHalfCircle = 1800;

} // namespace

std::optional<int> ParseOrbitalPosition(std::string_view text)
{
    if (text.size() < 2)
        return std::nullopt;
    const char side = text.back();
    if (side != 'E' && side != 'W')
        return std::nullopt;
    text.remove_suffix(1);
    const std::size_t dot = text.find('.');
    const std::string_view whole = text.substr(0, dot);
    const std::string_view tenth = dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
    if (whole.empty() || whole.size() > 3 || (dot != std::string_view::npos && tenth.size() != 1))
        return std::nullopt;
    int degrees = 0;
    int tenths = 0;
    if (std::from_chars(whole.data(), whole.data() + whole.size(), degrees).ptr != whole.data() + whole.size())
        return std::nullopt;
    if (!tenth.empty() && (tenth[0] < '0' || tenth[0] > '9'))
        return std::nullopt;
    if (!tenth.empty())
        tenths = tenth[0] - '0';
    const int position = degrees * 10 + tenths;
    if (degrees < 0 || position > kHalfCircle)
        return std::nullopt;
    return side == 'E' ? position : -position;
}

std::string OrbitalPositionText(int tenths)
{
    const int magnitude = tenths < 0 ? -tenths : tenths;
    char text[24];
    std::snprintf(text, sizeof text, "%d.%d%c", magnitude / 10, magnitude % 10, tenths < 0 ? 'W' : 'E');
    return text;
}

const TableSatellite* FindTableSatellite(const std::vector<TableSatellite>& satellites, std::optional<int> position)
{
    for (const TableSatellite& satellite : satellites) {
        if (position && satellite.position == position)
            return &satellite;
    }
    return satellites.size() == 1 ? &satellites.front() : nullptr;
}

} // namespace torvane
