#include "editing/organise/duplicate_finder.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <tuple>

#include "store/node_store.h"
#include "store/service_list.h"
#include "store/tree_node_info.h"

namespace torvane {

namespace {

constexpr std::array<std::string_view, 5> kPidFields = {"Video Pid", "Audio Pid1", "Audio Pid2", "Audio Pid3",
                                                         "PCR Pid"};

// What makes two programs of one TP the same service.
using Identity = std::tuple<std::int32_t, std::int32_t, std::int64_t, std::string, std::array<std::int64_t, 5>>;

std::optional<Identity> IdentityOf(const NodeStore& store, std::int32_t slot)
{
    const auto read = [&](std::string_view field) -> std::int64_t {
        const std::optional<int> value = store.ReadNamedNumber(NodeKind::Program, slot, field);
        return value ? *value : -1;
    };
    const std::optional<int> sat = store.ReadNamedNumber(NodeKind::Program, slot, "sat_id");
    const std::optional<int> tp = store.ReadNamedNumber(NodeKind::Program, slot, "tp_id");
    if (!sat || !tp)
        return std::nullopt;
    const std::optional<int> id = store.ReadNamedNumber(NodeKind::Program, slot, "Service ID");
    if (!id)
        return std::nullopt;
    Identity identity{*sat, *tp, static_cast<std::uint32_t>(*id), {}, {}};
    if (*id == 0) {
        std::get<3>(identity) = store.ReadNamedText(NodeKind::Program, slot, "Service Name").value_or("");
        for (std::size_t i = 0; i < kPidFields.size(); ++i)
            std::get<4>(identity)[i] = read(kPidFields[i]);
    }
    return identity;
}

} // namespace

std::vector<DuplicateGroup> FindDuplicateGroups(const NodeStore& store, const ServiceList& list)
{
    std::map<Identity, std::size_t> firstOf;
    std::vector<DuplicateGroup> groups;
    for (int row = 0; row < list.RowCount(); ++row) {
        const ListRowInfo* info = list.RowInfo(row);
        if (!info || !info->owner)
            continue;
        const std::int32_t slot = info->owner->programs.At(info->position);
        if (slot < 0)
            continue;
        const std::optional<Identity> identity = IdentityOf(store, slot);
        if (!identity)
            continue;
        const auto [found, added] = firstOf.try_emplace(*identity, groups.size());
        if (added)
            groups.push_back({{row}});
        else
            groups[found->second].rows.push_back(row);
    }
    std::erase_if(groups, [](const DuplicateGroup& group) { return group.rows.size() < 2; });
    return groups;
}

std::vector<int> RepeatedRows(const std::vector<DuplicateGroup>& groups)
{
    std::vector<int> rows;
    for (const DuplicateGroup& group : groups)
        rows.insert(rows.end(), group.rows.begin() + 1, group.rows.end());
    std::sort(rows.begin(), rows.end());
    return rows;
}

std::string DuplicatesFoundText(std::size_t repeated)
{
    if (repeated == 0)
        return "No duplicate services found.";
    return std::to_string(repeated) + (repeated == 1 ? " duplicate service found." : " duplicate services found.");
}

} // namespace torvane
