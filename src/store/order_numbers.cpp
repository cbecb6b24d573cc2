#include "store/order_numbers.h"

#include <algorithm>

namespace torvane {

namespace {

int Highest(std::span<const std::int16_t> orders)
{
    int highest = 0;
    for (std::int16_t order : orders)
        highest = std::max<int>(highest, order);
    return highest;
}

// taken[k]: some program has number k, for k in 0..highest.
std::vector<bool> TakenNumbers(std::span<const std::int16_t> orders, int highest)
{
    std::vector<bool> taken(static_cast<std::size_t>(highest) + 1, false);
    for (std::int16_t order : orders) {
        if (order >= 0)
            taken[static_cast<std::size_t>(order)] = true;
    }
    return taken;
}

} // namespace

FreeOrder FindFreeOrder(std::span<const std::int16_t> orders)
{
    FreeOrder result;
    result.highest = Highest(orders);
    const auto taken = TakenNumbers(orders, result.highest);
    const auto it = std::find(taken.begin(), taken.end(), false);
    if (it != taken.end())
        result.free = static_cast<int>(it - taken.begin());
    return result;
}

std::vector<std::int16_t> CompactedOrders(std::span<const std::int16_t> orders)
{
    const int highest = Highest(orders);
    const auto taken = TakenNumbers(orders, highest);
    std::vector<std::int16_t> emptiesBelow(taken.size());
    std::int16_t empties = 0;
    for (std::size_t k = 0; k < taken.size(); ++k) {
        emptiesBelow[k] = empties;
        if (!taken[k])
            ++empties;
    }
    std::vector<std::int16_t> result(orders.begin(), orders.end());
    for (auto& order : result) {
        if (order >= 0)
            order = static_cast<std::int16_t>(order - emptiesBelow[static_cast<std::size_t>(order)]);
    }
    return result;
}

} // namespace torvane
