#include "editing/lists/list_compare.h"

#include <algorithm>
#include <optional>
#include <tuple>

#include "editing/lists/service_matching.h"
#include "exchange/service_csv.h"
#include "util/longest_increasing.h"

namespace torvane {
namespace {

struct Entry {
    const ServiceRecord* service = nullptr;
    ListDifference difference;
    int fieldRank = 0;
};

ListDifference Describe(DifferenceKind kind, const ServiceRecord& service)
{
    ListDifference difference;
    difference.kind = kind;
    difference.satellite = service.satellite;
    difference.tp = service.TpText();
    difference.serviceId = service.serviceId ? std::to_string(*service.serviceId) : std::string();
    difference.name = service.name;
    return difference;
}

auto SortKey(const Entry& entry)
{
    const ServiceRecord& s = *entry.service;
    return std::make_tuple(s.orbit.value_or(-1), std::cref(s.satellite), s.frequency, s.polarisation, s.symbolRate,
                           s.serviceId.value_or(-1), std::cref(s.name), entry.difference.kind, entry.fieldRank);
}

} // namespace

std::vector<ListDifference> CompareLists(const ServiceTable& first, const ServiceTable& second)
{
    const ServicePairing pairing = PairServices(first.services, second.services);
    std::vector<Entry> entries;
    for (std::size_t i = 0; i < first.services.size(); ++i) {
        if (!pairing.ofFirst[i])
            entries.push_back({&first.services[i], Describe(DifferenceKind::OnlyInFirst, first.services[i]), 0});
    }
    for (std::size_t j = 0; j < second.services.size(); ++j) {
        if (!pairing.ofSecond[j])
            entries.push_back({&second.services[j], Describe(DifferenceKind::OnlyInSecond, second.services[j]), 0});
    }

    std::vector<std::pair<std::size_t, std::size_t>> columns;  // (A's cell, B's cell) of a shared caption
    for (std::size_t c = 0; c < first.captions.size(); ++c) {
        if (const std::optional<std::size_t> other = second.Column(first.captions[c]))
            columns.emplace_back(c, *other);
    }
    std::vector<std::size_t> paired;  // A's paired services in A's order
    std::vector<int> placesInSecond;
    for (std::size_t i = 0; i < first.services.size(); ++i) {
        if (pairing.ofFirst[i]) {
            paired.push_back(i);
            placesInSecond.push_back(second.services[pairing.ofFirst[i]->index].position);
        }
    }
    const std::vector<bool> inPlace = LongestIncreasing(placesInSecond);
    for (std::size_t k = 0; k < paired.size(); ++k) {
        const ServiceRecord& a = first.services[paired[k]];
        const ServiceRecord& b = second.services[pairing.ofFirst[paired[k]]->index];
        const auto changed = [&](std::string_view field, std::string aValue, std::string bValue, int rank) {
            ListDifference difference = Describe(DifferenceKind::Changed, a);
            difference.field = std::string(field);
            difference.first = std::move(aValue);
            difference.second = std::move(bValue);
            entries.push_back({&a, std::move(difference), rank});
        };
        if (std::string tp = a.TpText(), otherTp = b.TpText(); tp != otherTp)
            changed(kCsvTpCaption, std::move(tp), std::move(otherTp), -1);
        for (std::size_t c = 0; c < columns.size(); ++c) {
            const auto [ac, bc] = columns[c];
            if (ac < a.cells.size() && bc < b.cells.size() && a.cells[ac] != b.cells[bc])
                changed(first.captions[ac], a.cells[ac], b.cells[bc], static_cast<int>(c));
        }
        if (!inPlace[k])
            changed(kOrderField, std::to_string(a.position + 1), std::to_string(b.position + 1),
                    static_cast<int>(columns.size()));
    }

    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& x, const Entry& y) { return SortKey(x) < SortKey(y); });
    std::vector<ListDifference> differences;
    differences.reserve(entries.size());
    for (Entry& entry : entries)
        differences.push_back(std::move(entry.difference));
    return differences;
}

std::string DifferenceLine(const ListDifference& difference)
{
    static constexpr std::string_view kKinds[] = {"only in A", "only in B", "changed"};
    std::string line = std::string(kKinds[static_cast<int>(difference.kind)]) + '\t' + difference.satellite + '\t'
        + difference.tp + '\t' + difference.serviceId + '\t' + difference.name;
    if (difference.kind == DifferenceKind::Changed)
        line += '\t' + difference.field + '\t' + difference.first + '\t' + difference.second;
    return line;
}

} // namespace torvane
