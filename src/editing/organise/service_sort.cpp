#include "editing/organise/service_sort.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <numeric>
#include <utility>
#include <vector>

#include "editing/organise/name_collation.h"
#include "store/node_store.h"
#include "store/service_list.h"
#include "store/tree_item.h"
#include "store/tree_node_info.h"
#include "util/user_prompts.h"

namespace torvane {

namespace {

constexpr std::array<std::pair<SortKey, std::string_view>, 4> kWords{{
    {SortKey::Name, "name"}, {SortKey::ServiceId, "sid"}, {SortKey::Type, "type"}, {SortKey::Tp, "tp"}}};

// A value that sorts after every value read: fields that cannot be read go last.
constexpr std::int64_t kUnreadable = std::int64_t{1} << 40;

// Where a TP sorts: its satellite's place in the navigator, its frequency and polarisation.
using TpPlace = std::array<std::int64_t, 3>;

std::map<std::pair<std::int32_t, std::int32_t>, TpPlace> TpPlaces(const NodeStore& store)
{
    std::map<std::pair<std::int32_t, std::int32_t>, TpPlace> places;
    const TreeItem* satellites = store.Tree().FindRoot(TreeKind::SatelliteRoot);
    for (int s = 0; satellites && s < satellites->ChildCount(); ++s) {
        const TreeItem* satellite = satellites->Child(s);
        for (int t = 0; t < satellite->ChildCount(); ++t) {
            const TreeNodeInfo* tp = satellite->Child(t)->Info();
            if (!tp)
                continue;
            const auto read = [&](std::string_view field) -> std::int64_t {
                const std::optional<int> value = store.ReadNamedNumber(NodeKind::Tp, tp->slot, field);
                return value ? *value : kUnreadable;
            };
            // The first TP of an id owns its programs, as when the tree was built.
            places.try_emplace({tp->satId, tp->tpId}, TpPlace{s, read("frq"), read("pol")});
        }
    }
    return places;
}

// The sort keys of the programs, by the request's key.
class Keys final {
public:
    Keys(const NodeStore& store, SortKey key, std::span<const std::int32_t> slots) : m_key(key)
    {
        if (key == SortKey::Name) {
            for (std::int32_t slot : slots)
                m_names.push_back(NaturalSortKey(store.ReadNamedText(NodeKind::Program, slot, "Service Name").value_or("")));
            return;
        }
        const auto places = key == SortKey::Tp ? TpPlaces(store) : decltype(TpPlaces(store)){};
        for (std::int32_t slot : slots) {
            const auto read = [&](std::string_view field) { return store.ReadNamedNumber(NodeKind::Program, slot, field); };
            TpPlace value{kUnreadable, 0, 0};
            if (key == SortKey::ServiceId) {
                if (const std::optional<int> id = read("Service ID"))
                    value[0] = static_cast<std::uint32_t>(*id);
            } else if (key == SortKey::Type) {
                // TV (1) before radio (0).
                if (const std::optional<int> type = read("Service Type"); type == 1 || type == 0)
                    value[0] = 1 - *type;
            } else {
                const std::optional<int> sat = read("sat_id");
                const std::optional<int> tp = read("tp_id");
                if (sat && tp) {
                    if (const auto found = places.find({*sat, *tp}); found != places.end())
                        value = found->second;
                }
            }
            m_numbers.push_back(value);
        }
    }

    bool Less(std::size_t a, std::size_t b) const
    {
        return m_key == SortKey::Name ? m_names[a] < m_names[b] : m_numbers[a] < m_numbers[b];
    }

private:
    SortKey m_key;
    std::vector<std::vector<std::uint32_t>> m_names;
    std::vector<TpPlace> m_numbers;
};

} // namespace

std::string_view SortKeyWord(SortKey key)
{
    for (const auto& [k, word] : kWords) {
        if (k == key)
            return word;
    }
    return {};
}

std::optional<SortKey> SortKeyOfWord(std::string_view word)
{
    for (const auto& [key, w] : kWords) {
        if (w == word)
            return key;
    }
    return std::nullopt;
}

bool SortServices(NodeStore& store, ServiceList& list, const SortRequest& request, std::span<const int> rows)
{
    std::vector<int> chosen(rows.begin(), rows.end());
    if (chosen.empty()) {
        chosen.resize(static_cast<std::size_t>(list.RowCount()));
        std::iota(chosen.begin(), chosen.end(), 0);
    }
    std::sort(chosen.begin(), chosen.end());
    chosen.erase(std::unique(chosen.begin(), chosen.end()), chosen.end());

    // Every row of the list stands for a position of the shown item's list.
    const TreeNodeInfo* owner = nullptr;
    std::vector<int> positions;
    std::vector<std::int32_t> slots;
    for (int row : chosen) {
        const ListRowInfo* info = list.RowInfo(row);
        if (!info || !info->owner || (owner && info->owner != owner))
            return false;
        owner = info->owner;
        const std::int32_t slot = owner->programs.At(info->position);
        if (slot < 0)
            return false;
        positions.push_back(info->position);
        slots.push_back(slot);
    }
    if (slots.size() < 2)
        return false;

    std::vector<std::int16_t> orders;
    for (std::int32_t slot : slots) {
        const std::optional<std::int16_t> order = store.OrderOf(slot);
        if (!order)
            return false;
        orders.push_back(*order);
    }
    std::sort(orders.begin(), orders.end());
    if (std::adjacent_find(orders.begin(), orders.end()) != orders.end()) {
        store.Prompts().Message("Order Error!");
        return false;
    }

    const Keys keys(store, request.key, slots);
    std::vector<std::size_t> sorted(slots.size());
    std::iota(sorted.begin(), sorted.end(), std::size_t{0});
    std::stable_sort(sorted.begin(), sorted.end(), [&](std::size_t a, std::size_t b) {
        return request.descending ? keys.Less(b, a) : keys.Less(a, b);
    });

    std::size_t unmoved = 0;
    while (unmoved < sorted.size() && sorted[unmoved] == unmoved)
        ++unmoved;
    if (unmoved == sorted.size())
        return false;
    ProgramList sortedList = owner->programs;
    for (std::size_t i = 0; i < sorted.size(); ++i) {
        const std::int32_t slot = slots[sorted[i]];
        sortedList.Set(positions[i], slot);
        store.SetOrder(slot, orders[i]);
    }
    store.Tree().SetPrograms(store.Tree().ItemOf(*owner), std::move(sortedList));
    list.RefreshRows(positions.front(), positions.back(), chosen.front(), owner);
    store.SetModified(true);
    return true;
}

} // namespace torvane
