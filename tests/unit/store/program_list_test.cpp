#include "store/program_list.h"

#include <vector>

#include <gtest/gtest.h>

namespace torvane {
namespace {

std::vector<std::int32_t> programsOf(const ProgramList& list)
{
    const auto span = list.Programs();
    return {span.begin(), span.end()};
}

TEST(ProgramList, BuiltListHasCountAndNoPrograms)
{
    const ProgramList list = ProgramList::WithCount(3);
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Size(), 0);
    EXPECT_TRUE(list.IsEmpty());
    for (int i = -1; i <= 3; ++i)
        EXPECT_EQ(list.At(i), -1) << i;
}

TEST(ProgramList, ZeroOrNegativeCountGivesEmptyList)
{
    for (int count : {0, -5}) {
        const ProgramList list = ProgramList::WithCount(count);
        EXPECT_EQ(list.Count(), 0);
        EXPECT_TRUE(list.Programs().empty());
    }
}

TEST(ProgramList, AppendFillsFreeEntriesThenGrowsBy64)
{
    ProgramList list = ProgramList::WithCount(2);
    list.Append(7);
    list.Append(9);
    EXPECT_EQ(list.Count(), 2);
    list.Append(11);  // no -1 left inside the count: grows
    EXPECT_EQ(list.Count(), 66);
    EXPECT_EQ(programsOf(list), (std::vector<std::int32_t>{7, 9, 11}));
    EXPECT_EQ(list.At(3), -1);
    EXPECT_EQ(list.At(65), -1);
    EXPECT_EQ(list.At(66), -1);
}

TEST(ProgramList, AppendToAbsentListGrowsFromZero)
{
    ProgramList list;
    list.Append(4);
    EXPECT_EQ(list.Count(), 64);
    EXPECT_EQ(programsOf(list), (std::vector<std::int32_t>{4}));
}

TEST(ProgramList, ReadersStopAtFirstHoleAndAppendReusesIt)
{
    ProgramList list = ProgramList::WithCount(4);
    for (int slot : {1, 2, 3, 4})
        list.Append(slot);
    ASSERT_TRUE(list.Set(1, -1));
    EXPECT_EQ(programsOf(list), (std::vector<std::int32_t>{1}));
    list.Append(8);
    EXPECT_EQ(programsOf(list), (std::vector<std::int32_t>{1, 8, 3, 4}));
    EXPECT_EQ(list.Count(), 4);
}

TEST(ProgramList, SetOutsideCountFails)
{
    ProgramList list = ProgramList::WithCount(2);
    EXPECT_FALSE(list.Set(2, 5));  // the spare entry beyond the count is not readable
    EXPECT_FALSE(list.Set(-1, 5));
    EXPECT_TRUE(list.Set(0, 5));
    EXPECT_EQ(programsOf(list), (std::vector<std::int32_t>{5}));
}

} // namespace
} // namespace torvane
