#include "exchange/enigma2_settings.h"

#include <algorithm>
#include <array>

namespace torvane {

E2ServiceKind ServiceKindOf(int type)
{
    static constexpr std::array kTv = {1, 17, 22, 25, 31, 32, 134, 195};
    if (std::find(kTv.begin(), kTv.end(), type) != kTv.end())
        return E2ServiceKind::Tv;
    return type == 2 || type == 10 ? E2ServiceKind::Radio : E2ServiceKind::Other;
}

std::optional<std::string> E2Settings::SatelliteName(int position) const
{
    for (const auto& [at, name] : satelliteNames) {
        if (at == position)
            return name;
    }
    return std::nullopt;
}

} // namespace torvane
