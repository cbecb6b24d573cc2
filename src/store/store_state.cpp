#include "store/store_state.h"

namespace torvane {

bool StoreState::SameContent(const StoreState& other) const
{
    return region.SharesAll(other.region) && tables == other.tables && satIds == other.satIds
        && tpIds == other.tpIds && tree == other.tree && freeOffset == other.freeOffset;
}

std::size_t StoreState::BytesNotSharedWith(const StoreState& other) const
{
    std::size_t bytes = region.BytesNotSharedWith(other.region);
    if (tables != other.tables) {
        for (const TableHeader& table : *tables)
            bytes += sizeof(TableHeader) + table.offsets.size() * sizeof(std::int32_t) + table.extra.size();
    }
    bytes += (satIds != other.satIds ? sizeof(IdPool) : 0) + (tpIds != other.tpIds ? sizeof(IdPool) : 0);
    if (tree != other.tree) {
        for (const TreeItemState& item : *tree)
            bytes += sizeof(TreeItemState) + item.label.size()
                + static_cast<std::size_t>(item.programs.Count() + 1) * sizeof(std::int32_t);
    }
    return bytes;
}

} // namespace torvane
