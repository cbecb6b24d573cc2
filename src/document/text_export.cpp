#include "document/text_export.h"

#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>

#include "database/flash_image.h"
#include "store/node_store.h"
#include "store/service_list.h"
#include "store/tree_item.h"
#include "store/tree_node_info.h"
#include "util/saved_file.h"
#include "util/user_prompts.h"

namespace torvane {
namespace {

struct TpValues {
    int frequency = 0;
    int polarisation = 0;
    int symbolRate = 0;
};

// The TP item of the program's satellite whose tp_id is the program's.
const TreeNodeInfo* TpOfProgram(const NodeStore& store, int slot)
{
    const std::optional<int> satId = store.ReadNamedNumber(NodeKind::Program, slot, "sat_id");
    const std::optional<int> tpId = store.ReadNamedNumber(NodeKind::Program, slot, "tp_id");
    const TreeItem* root = store.Tree().FindRoot(TreeKind::SatelliteRoot);
    if (!satId || !tpId || !root)
        return nullptr;
    for (int s = 0; s < root->ChildCount(); ++s) {
        const TreeItem* satellite = root->Child(s);
        if (satellite->Info()->satId != *satId)
            continue;
        for (int t = 0; t < satellite->ChildCount(); ++t) {
            const TreeNodeInfo* tp = satellite->Child(t)->Info();
            if (tp->tpId == *tpId)
                return tp;
        }
        return nullptr;
    }
    return nullptr;
}

} // namespace

std::string FormatTextListingLine(int number, std::string_view name, int frequency, int polarisation,
                                  int symbolRate)
{
    char numbers[64];
    std::snprintf(numbers, sizeof numbers, " #%d #%c #%d \r\n", frequency, polarisation == 0 ? 'H' : 'V', symbolRate);
    return std::to_string(number) + " #" + std::string(name) + numbers;
}

std::string BuildTextListing(const NodeStore& store, const TreeNodeInfo* item, ServiceFilter filter)
{
    std::string text(kTextListingHeader);
    if (!item)
        return text;
    TpValues values;
    int number = 1;
    for (int p = 0; p < item->programs.Count() && item->programs.At(p) != -1; ++p) {
        const int slot = item->programs.At(p);
        if (filter != ServiceFilter::TvAndRadio
            && store.ReadNamedNumber(NodeKind::Program, slot, "Service Type") != static_cast<int>(filter))
            continue;
        std::string name;
        if (!store.Fields().ReadField(NodeKind::Program, slot, 0, name, 0))
            continue;
        std::string second;
        const bool secondRead = store.Fields().ReadField(NodeKind::Program, slot, 1, second, 0);

        if (const TreeNodeInfo* tp = TpOfProgram(store, slot)) {
            values.frequency = store.ReadNamedNumber(NodeKind::Tp, tp->slot, "frq").value_or(values.frequency);
            values.polarisation = store.ReadNamedNumber(NodeKind::Tp, tp->slot, "pol").value_or(values.polarisation);
            values.symbolRate = store.ReadNamedNumber(NodeKind::Tp, tp->slot, "sym").value_or(values.symbolRate);
        }
        if (secondRead && second == "0")
            continue;
        text += FormatTextListingLine(number++, name, values.frequency, values.polarisation, values.symbolRate);
    }
    return text;
}

bool ExportText(const ServiceList& list, const std::string& path)
{
    const NodeStore& store = list.Store();
    const TreeItem* current = list.CurrentItem();
    const std::string text = BuildTextListing(store, current ? current->Info() : nullptr, list.Filter());
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    return WriteSavedFile(path, bytes, store.Prompts());
}

} // namespace torvane
