#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace torvane {

// The order-number arithmetic of the store, on the order numbers of the live programs in slot
// order. Negative numbers take no place in the channel order and are left as they are.

struct FreeOrder {
    int free = -1;    // the lowest number in 0..highest that no program has, or -1 when all are taken
    int highest = 0;  // the largest number in use, 0 for no programs
};

FreeOrder FindFreeOrder(std::span<const std::int16_t> orders);

// New numbers, one per input in the same order: a program at number k gets k less the number of
// unused numbers below k, so the relative order stays and distinct numbers become 0..n-1.
std::vector<std::int16_t> CompactedOrders(std::span<const std::int16_t> orders);

} // namespace torvane
