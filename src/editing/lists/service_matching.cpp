#include "editing/lists/service_matching.h"

#include <cstdlib>
#include <map>
#include <string>
#include <tuple>

namespace torvane {
namespace {

// The satellite a service stands on for pairing within one pass: its orbital position when both
// lists know it, else its name. Lists are keyed by name, then looked over for the orbit, so that a
// list read from a CSV file (names only) still pairs with an opened one.
bool SameSatellite(const ServiceRecord& a, const ServiceRecord& b)
{
    if (a.orbit && b.orbit)
        return *a.orbit == *b.orbit;
    return a.satellite == b.satellite;
}

// The candidates of first for one service of second, by a key that is exact in what it holds;
// the remaining rules (satellite, frequency) are checked on each candidate.
template <typename Key>
class Candidates final {
public:
    void Add(Key key, std::size_t index) { m_map[std::move(key)].push_back(index); }

    // The first candidate of the key that is unpaired and passes accept.
    template <typename Accept>
    std::optional<std::size_t> Take(const Key& key, const std::vector<std::optional<ServicePairing::Partner>>& pairs,
                                    Accept accept) const
    {
        const auto it = m_map.find(key);
        if (it == m_map.end())
            return std::nullopt;
        for (const std::size_t index : it->second) {
            if (!pairs[index] && accept(index))
                return index;
        }
        return std::nullopt;
    }

private:
    std::map<Key, std::vector<std::size_t>> m_map;
};

} // namespace

int ServicePairing::Count(MatchKind kind) const
{
    int count = 0;
    for (const std::optional<Partner>& partner : ofFirst)
        count += partner && partner->kind == kind ? 1 : 0;
    return count;
}

bool SameTp(const ServiceRecord& a, const ServiceRecord& b, const MatchRules& rules)
{
    return SameSatellite(a, b) && (!rules.samePolarisation || a.polarisation == b.polarisation)
        && std::abs(a.frequency - b.frequency) <= rules.frequencyTolerance;
}

ServicePairing PairServices(std::span<const ServiceRecord> first, std::span<const ServiceRecord> second,
                            const MatchRules& rules)
{
    ServicePairing pairing;
    pairing.ofFirst.resize(first.size());
    pairing.ofSecond.resize(second.size());

    Candidates<int> byId;
    Candidates<std::string> byName;
    for (std::size_t i = 0; i < first.size(); ++i) {
        if (first[i].serviceId)
            byId.Add(*first[i].serviceId, i);
        if (!first[i].name.empty())
            byName.Add(first[i].name, i);
    }
    const auto pass = [&](MatchKind kind, auto& candidates, auto key) {
        for (std::size_t j = 0; j < second.size(); ++j) {
            if (pairing.ofSecond[j])
                continue;
            const auto wanted = key(second[j]);
            if (!wanted)
                continue;
            const std::optional<std::size_t> i = candidates.Take(*wanted, pairing.ofFirst, [&](std::size_t index) {
                return kind == MatchKind::ById ? SameTp(first[index], second[j], rules)
                                               : SameSatellite(first[index], second[j]);
            });
            if (i) {
                pairing.ofFirst[*i] = ServicePairing::Partner{j, kind};
                pairing.ofSecond[j] = ServicePairing::Partner{*i, kind};
            }
        }
    };
    pass(MatchKind::ById, byId, [](const ServiceRecord& s) { return s.serviceId; });
    if (rules.thenByName)
        pass(MatchKind::ByName, byName, [](const ServiceRecord& s) {
        return s.name.empty() ? std::nullopt : std::optional<std::string>(s.name);
    });
    return pairing;
}

} // namespace torvane
