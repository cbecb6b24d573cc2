#include "store/order_numbers.h"

#include <gtest/gtest.h>

namespace torvane {
namespace {

struct FreeCase {
    std::vector<std::int16_t> orders;
    int free;
    int highest;
};

class FindFreeOrderCases : public ::testing::TestWithParam<FreeCase> {};

TEST_P(FindFreeOrderCases, LowestGapAndHighest)
{
    const auto& c = GetParam();
    const FreeOrder result = FindFreeOrder(c.orders);
    EXPECT_EQ(result.free, c.free);
    EXPECT_EQ(result.highest, c.highest);
}

INSTANTIATE_TEST_SUITE_P(
    Orders, FindFreeOrderCases,
    ::testing::Values(FreeCase{{0, 1, 3}, 2, 3}, FreeCase{{0, 1, 2}, -1, 2}, FreeCase{{2, 0, 1}, -1, 2},
                      FreeCase{{}, 0, 0},          // empty table: number 0 is free
                      FreeCase{{0}, -1, 0},        // the one number in use
                      FreeCase{{5}, 0, 5},         // gap at the start
                      FreeCase{{1, 1, 0}, -1, 1},         // a shared number
                      FreeCase{{-4, 0}, -1, 0},    // a negative number takes no place
                      FreeCase{{32767, 0}, 1, 32767}));

struct CompactCase {
    std::vector<std::int16_t> orders;
    std::vector<std::int16_t> expected;
};

class CompactedOrdersCases : public ::testing::TestWithParam<CompactCase> {};

TEST_P(CompactedOrdersCases, KeepsRelativeOrder)
{
    EXPECT_EQ(CompactedOrders(GetParam().orders), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Orders, CompactedOrdersCases,
                         ::testing::Values(CompactCase{{0, 2, 5}, {0, 1, 2}}, CompactCase{{5, 0, 2}, {2, 0, 1}},
                                           CompactCase{{}, {}}, CompactCase{{3}, {0}},
                                           CompactCase{{0, 1, 2}, {0, 1, 2}},
                                           CompactCase{{4, 4, 9}, {0, 0, 1}},  // shared numbers stay shared
                                           CompactCase{{-1, 3, 7}, {-1, 0, 1}}));

} // namespace
} // namespace torvane
