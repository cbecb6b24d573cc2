#pragma once

#include <vector>

namespace torvane {

// Marks the entries of a longest strictly increasing subsequence of values: everything else is
// the fewest entries that must move to put values in ascending order.
std::vector<bool> LongestIncreasing(const std::vector<int>& values);

} // namespace torvane
