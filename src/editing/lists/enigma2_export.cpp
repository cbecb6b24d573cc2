#include "editing/lists/enigma2_export.h"

#include <algorithm>
#include <array>
#include <map>
#include <tuple>
#include <set>

#include "document/document.h"
#include "editing/forms/choice_tables.h"
#include "exchange/service_table.h"
#include "store/node_store.h"

namespace torvane {

namespace {

constexpr int kHalfCircle = 1800;
constexpr int kFullCircle = 3600;
constexpr std::int32_t kLowestPid = 32;
constexpr std::int32_t kHighestPid = 8191;
constexpr int kTvType = 1;
constexpr int kRadioType = 2;

// The cache entries of video, audio 1–3 and PCR.
constexpr std::array<std::pair<std::string_view, E2Cache>, 5> kPidFields = {{
    {"Video Pid", E2Cache::VideoPid},
    {"Audio Pid1", E2Cache::MpegAudioPid},
    {"Audio Pid2", E2Cache::Ac3AudioPid},
    {"Audio Pid3", E2Cache::Eac3AudioPid},
    {"PCR Pid", E2Cache::PcrPid},
}};

std::optional<int> SignedPosition(std::optional<int> orbit)
{
    if (!orbit || *orbit < 0 || *orbit > kFullCircle)
        return std::nullopt;
    return *orbit <= kHalfCircle ? *orbit : *orbit - kFullCircle;
}

} // namespace

std::uint32_t E2Namespace(int position, int frequencyMhz, int polarization)
{
    const auto unsignedPosition = static_cast<std::uint32_t>(position < 0 ? kFullCircle + position : position);
    const std::uint32_t low = (static_cast<std::uint32_t>(frequencyMhz) & 0xFFFF) | ((polarization & 1) ? 0x8000 : 0);
    return (unsignedPosition << 16) | low;
}

Enigma2Export BuildEnigma2Export(const Document& document)
{
    const NodeStore& store = document.Store();
    const ServiceTable table = ReadServiceTable(store, {});
    Enigma2Export result;
    E2Lamedb& lamedb = result.settings.lamedb;

    // TPs by satellite name and values, as the services name them.
    std::map<std::tuple<std::string, int, int, int>, E2TpKey> keys;
    std::map<std::uint32_t, std::uint32_t> namespaceUse;
    for (const TpRecord& tp : table.tps) {
        const std::optional<int> position = SignedPosition(tp.orbit);
        if (!position || keys.contains({tp.satellite, tp.frequency, tp.polarisation, tp.symbolRate}))
            continue;
        if (!result.settings.SatelliteName(*position))
            result.settings.satelliteNames.emplace_back(*position, tp.satellite);
        E2Transponder e2;
        e2.key.ns = E2Namespace(*position, tp.frequency, tp.polarisation);
        e2.key.tsid = namespaceUse[e2.key.ns]++;
        e2.frequencyKhz = std::int64_t{tp.frequency} * 1000;
        e2.symbolRate = std::int64_t{tp.symbolRate} * 1000;
        e2.polarization = tp.polarisation & 1;
        e2.position = *position;
        keys.emplace(std::tuple{tp.satellite, tp.frequency, tp.polarisation, tp.symbolRate}, e2.key);
        lamedb.tps.push_back(e2);
    }

    std::set<E2ServiceKey> written;
    std::map<int, std::vector<std::size_t>> groups;
    E2Bouquet all{"All Services", "userbouquet.all_services.tv", false, {}};
    for (const ServiceRecord& record : table.services) {
        const auto key = keys.find({record.satellite, record.frequency, record.polarisation, record.symbolRate});
        if (key == keys.end()) {
            ++result.withoutPosition;
            continue;
        }
        const auto number = [&](std::string_view field) {
            return store.ReadNamedNumber(NodeKind::Program, record.slot, field).value_or(0);
        };
        const bool radio = number("Service Type") == 0;
        E2Service service;
        service.key = {key->second, static_cast<std::uint32_t>(record.serviceId.value_or(0)) & 0xFFFF,
                       radio ? kRadioType : kTvType};
        if (!written.insert(service.key).second) {
            ++result.sameKey;
            continue;
        }
        service.rawName = service.name = record.name;
        for (const auto& [field, index] : kPidFields) {
            const int pid = number(field);
            if (pid >= kLowestPid && pid <= kHighestPid && !(radio && index == E2Cache::VideoPid))
                service.cache[static_cast<std::size_t>(index)] = static_cast<std::uint32_t>(pid);
        }
        if (number("Scramble") != 0)
            service.caIds.push_back(0);
        const std::size_t index = lamedb.services.size();
        all.services.push_back(index);
        if (const int group = record.favorite.value_or(0); group != 0 && RowOfValue(FavoriteGroupChoices(), group))
            groups[group].push_back(index);
        lamedb.services.push_back(std::move(service));
    }
    result.settings.bouquets.push_back(std::move(all));
    for (const Choice& choice : FavoriteGroupChoices()) {
        const auto group = groups.find(choice.value);
        if (group == groups.end())
            continue;
        std::string file = "userbouquet." + choice.text + ".tv";
        std::replace(file.begin(), file.end(), ' ', '_');
        result.settings.bouquets.push_back({choice.text, file, false, group->second});
    }
    return result;
}

std::string Enigma2ExportSummary(const Enigma2Export& exported)
{
    const E2Settings& settings = exported.settings;
    return "written " + std::to_string(settings.satelliteNames.size()) + " satellites, "
        + std::to_string(settings.lamedb.tps.size()) + " TPs, " + std::to_string(settings.lamedb.services.size())
        + " services, " + std::to_string(settings.bouquets.size()) + " bouquets; not written "
        + std::to_string(exported.withoutPosition) + " services (no position), " + std::to_string(exported.sameKey)
        + " (same key)";
}

} // namespace torvane
