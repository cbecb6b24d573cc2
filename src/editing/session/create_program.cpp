#include "editing/session/create_program.h"

#include <algorithm>

#include "store/node_store.h"
#include "store/tree_node_info.h"
#include "util/user_prompts.h"

namespace torvane {

std::array<std::uint8_t, 256> NewProgramImage()
{
    std::array<std::uint8_t, 256> image{};
    image[2] = 0xA0;
    image[3] = 0x20;
    image[7] = 0x01;
    image[11] = 0x02;
    image[12] = 0xA0;
    image[18] = 0xFF;
    image[19] = 0x1F;
    image[20] = 0x50;
    image[32] = 0x30;
    return image;
}

namespace {

// The number a new program at position gets before the renumbering pass. A free number is only
// taken when the program would sort to its place with it; otherwise the new program would show
// up elsewhere than where it was put in.
std::int16_t NewOrder(const NodeStore& store, const ProgramList& list, int position, FreeOrder free)
{
    const std::int16_t fresh = static_cast<std::int16_t>(free.highest + 1);
    if (free.free < 0)
        return fresh;
    const std::optional<std::int16_t> before = position > 0 ? store.OrderOf(list.At(position - 1)) : std::nullopt;
    const std::optional<std::int16_t> after = store.OrderOf(list.At(position + 1));
    const bool fitsBefore = !before || *before < free.free;
    const bool fitsAfter = !after || free.free < *after;
    return fitsBefore && fitsAfter ? static_cast<std::int16_t>(free.free) : fresh;
}

} // namespace

int CreateProgram(NodeStore& store, const TreeNodeInfo& owner, int position)
{
    const ProgramList& list = owner.programs;
    TreeItem* item = store.Tree().ItemOf(owner);
    if (!item || position < 0 || position > list.Size())
        return -1;
    const FreeOrder free = store.FirstFreeOrder();
    const int slot = store.AllocNode(NodeKind::Program);
    if (slot < 0)
        return -1;
    const std::span<std::uint8_t> record = store.Record(NodeKind::Program, slot);
    const std::array<std::uint8_t, 256> image = NewProgramImage();
    std::copy_n(image.begin(), std::min(record.size(), image.size()), record.begin());
    store.Tree().InsertProgram(item, position, slot);
    store.SetOrder(slot, NewOrder(store, list, position, free));

    for (int k = position; k + 1 < list.Count() && list.At(k) != -1 && list.At(k + 1) != -1; ++k) {
        const std::optional<std::int16_t> first = store.OrderOf(list.At(k));
        const std::optional<std::int16_t> second = store.OrderOf(list.At(k + 1));
        if (!first || !second)
            break;
        if (*first == *second) {
            store.Prompts().Message("Order Error!");
            break;
        }
        if (*second < *first)
            store.SwapOrders(list.At(k), list.At(k + 1));
    }
    return slot;
}

} // namespace torvane
