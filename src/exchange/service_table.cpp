#include "exchange/service_table.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <utility>

#include "store/node_store.h"
#include "store/tp_label.h"
#include "store/tree_item.h"
#include "store/tree_node_info.h"

namespace torvane {
namespace {

struct SatelliteInfo {
    std::string name;
    std::optional<int> orbit;
    std::map<int, TpValues> tps;  // by tp_id
};

std::optional<int> Number(std::string_view text)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

} // namespace

std::string ServiceRecord::TpText() const
{
    return TpLabelValues(frequency, polarisation != 0, symbolRate);
}

std::optional<std::size_t> ServiceTable::Column(std::string_view caption) const
{
    const auto it = std::find(captions.begin(), captions.end(), caption);
    if (it == captions.end())
        return std::nullopt;
    return static_cast<std::size_t>(it - captions.begin());
}

ServiceTable ReadServiceTable(const NodeStore& store, const std::vector<ServiceColumn>& columns)
{
    ServiceTable table;
    std::vector<const ServiceColumn*> fieldColumns;
    for (const ServiceColumn& column : columns) {
        if (column.fieldIndex >= 0) {
            table.captions.push_back(column.caption);
            fieldColumns.push_back(&column);
        }
    }

    std::map<int, SatelliteInfo> satellites;  // by sat_id; the first of twins wins, as in the tree
    std::vector<std::pair<std::int16_t, int>> programs;  // (order number, slot)
    const TreeItem* root = store.Tree().FindRoot(TreeKind::SatelliteRoot);
    for (int s = 0; root && s < root->ChildCount(); ++s) {
        const TreeItem* satellite = root->Child(s);
        const int satId = satellite->Info()->satId;
        if (satellites.contains(satId))
            continue;
        SatelliteInfo& info = satellites[satId];
        info.name = satellite->Label();
        info.orbit = store.ReadNamedNumber(NodeKind::Satellite, satellite->Info()->slot, "sat_orbit");
        for (int t = 0; t < satellite->ChildCount(); ++t) {
            const TreeNodeInfo& tp = *satellite->Child(t)->Info();
            const TpValues values{store.ReadNamedNumber(NodeKind::Tp, tp.slot, "frq").value_or(0),
                                store.ReadNamedNumber(NodeKind::Tp, tp.slot, "pol").value_or(0),
                                store.ReadNamedNumber(NodeKind::Tp, tp.slot, "sym").value_or(0)};
            info.tps.try_emplace(tp.tpId, values);
            table.tps.push_back({info.name, info.orbit, values.frequency, values.polarisation, values.symbolRate});
        }
        for (const std::int32_t slot : store.ProgramSlots(satId, std::nullopt))
            programs.emplace_back(store.OrderOf(slot).value_or(0), slot);
    }
    std::sort(programs.begin(), programs.end());

    table.services.reserve(programs.size());
    for (const auto& [order, slot] : programs) {
        ServiceRecord record;
        record.slot = slot;
        record.position = static_cast<int>(table.services.size());
        const int satId = store.ReadNamedNumber(NodeKind::Program, slot, "sat_id").value_or(0);
        const SatelliteInfo& satellite = satellites[satId];
        record.satellite = satellite.name;
        record.orbit = satellite.orbit;
        const std::optional<int> tpId = store.ReadNamedNumber(NodeKind::Program, slot, "tp_id");
        if (const auto tp = tpId ? satellite.tps.find(*tpId) : satellite.tps.end(); tp != satellite.tps.end()) {
            record.frequency = tp->second.frequency;
            record.polarisation = tp->second.polarisation;
            record.symbolRate = tp->second.symbolRate;
        }
        record.serviceId = store.ReadNamedNumber(NodeKind::Program, slot, "Service ID");
        record.name = store.ReadNamedText(NodeKind::Program, slot, "Service Name").value_or("");
        record.favorite = store.ReadNamedNumber(NodeKind::Program, slot, "Favorite Group");
        record.cells.reserve(fieldColumns.size());
        for (const ServiceColumn* column : fieldColumns) {
            std::string raw;
            record.cells.push_back(store.Fields().ReadField(NodeKind::Program, slot, column->fieldIndex, raw, 0)
                                       ? ServiceCellText(column->pos, raw)
                                       : std::string());
        }
        table.services.push_back(std::move(record));
    }
    return table;
}

std::optional<TpValues> ParseTpText(std::string_view text)
{
    if (!text.starts_with("TP_"))
        return std::nullopt;
    text.remove_prefix(3);
    const std::size_t first = text.find('_');
    if (first == std::string_view::npos || first + 3 > text.size() || text[first + 2] != '_')
        return std::nullopt;
    const char pol = text[first + 1];
    const std::optional<int> frequency = Number(text.substr(0, first));
    const std::optional<int> symbolRate = Number(text.substr(first + 3));
    if (!frequency || !symbolRate || (pol != 'H' && pol != 'V'))
        return std::nullopt;
    return TpValues{*frequency, pol == 'V' ? 1 : 0, *symbolRate};
}

} // namespace torvane
