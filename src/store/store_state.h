#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "database/table_header.h"
#include "store/id_pool.h"
#include "store/tree_item_state.h"
#include "util/paged_bytes.h"

namespace torvane {

// The content of a NodeStore at one moment, kept to go back to it (undo and redo): the region
// bytes, the three tables, the free offset, the id pools, the tree with its program lists and the
// modified flag. The parts that did not change since the state it was captured after are shared
// with that state.
struct StoreState {
    PagedBytes region;
    std::shared_ptr<const std::array<TableHeader, 3>> tables;
    std::shared_ptr<const IdPool> satIds;
    std::shared_ptr<const IdPool> tpIds;
    std::shared_ptr<const TreeState> tree;
    std::int32_t freeOffset = 0;
    bool modified = false;

    // Whether both hold the same content (the modified flag aside): every part shared.
    bool SameContent(const StoreState& other) const;
    // Roughly the bytes of the parts not shared with other.
    std::size_t BytesNotSharedWith(const StoreState& other) const;
};

} // namespace torvane
