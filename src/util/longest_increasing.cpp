#include "util/longest_increasing.h"

#include <algorithm>
#include <cstddef>
#include <optional>

namespace torvane {

std::vector<bool> LongestIncreasing(const std::vector<int>& values)
{
    std::vector<std::size_t> tails;  // tails[k]: index of the smallest end of a run of length k + 1
    std::vector<std::optional<std::size_t>> previous(values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        const auto at = std::lower_bound(tails.begin(), tails.end(), values[i],
                                         [&](std::size_t t, int value) { return values[t] < value; });
        if (at != tails.begin())
            previous[i] = *(at - 1);
        if (at == tails.end())
            tails.push_back(i);
        else
            *at = i;
    }
    std::vector<bool> kept(values.size(), false);
    for (std::optional<std::size_t> i = tails.empty() ? std::nullopt : std::optional(tails.back()); i; i = previous[*i])
        kept[*i] = true;
    return kept;
}

} // namespace torvane
