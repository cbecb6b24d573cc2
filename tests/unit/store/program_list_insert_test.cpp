#include <vector>

#include <gtest/gtest.h>

#include "store/program_list.h"

namespace torvane {
namespace {

std::vector<std::int32_t> Entries(const ProgramList& list)
{
    std::vector<std::int32_t> entries;
    for (int i = 0; i < list.Count(); ++i)
        entries.push_back(list.At(i));
    return entries;
}

ProgramList ListOf(const std::vector<std::int32_t>& slots, int count)
{
    ProgramList list = ProgramList::WithCount(count);
    for (std::size_t i = 0; i < slots.size(); ++i)
        list.Set(static_cast<int>(i), slots[i]);
    return list;
}

struct InsertCase {
    const char* name;
    std::vector<std::int32_t> slots;
    int count;
    int index;
    bool inserted;
    std::vector<std::int32_t> entries;  // the first entries after the insert
    int countAfter;
};

class ProgramListInsert : public ::testing::TestWithParam<InsertCase> {};

TEST_P(ProgramListInsert, ShiftsUpToTheFirstFreeEntry)
{
    const InsertCase& c = GetParam();
    ProgramList list = ListOf(c.slots, c.count);
    EXPECT_EQ(list.Insert(c.index, 99), c.inserted);
    EXPECT_EQ(list.Count(), c.countAfter);
    std::vector<std::int32_t> entries = Entries(list);
    entries.resize(c.entries.size());
    EXPECT_EQ(entries, c.entries);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, ProgramListInsert,
    ::testing::Values(InsertCase{"Front", {1, 2, 3}, 4, 0, true, {99, 1, 2, 3}, 4},
                      InsertCase{"Middle", {1, 2, 3}, 4, 1, true, {1, 99, 2, 3}, 4},
                      InsertCase{"AtTheEnd", {1, 2, 3}, 4, 3, true, {1, 2, 3, 99}, 4},
                      InsertCase{"FullListGrowsBy64", {1, 2, 3}, 3, 1, true, {1, 99, 2, 3, -1}, 67},
                      InsertCase{"EmptyList", {}, 0, 0, true, {99, -1}, 64},
                      InsertCase{"BeyondTheEnd", {1, 2}, 4, 3, false, {1, 2, -1, -1}, 4},
                      InsertCase{"Negative", {1, 2}, 4, -1, false, {1, 2, -1, -1}, 4}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace torvane
