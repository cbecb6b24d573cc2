#include "store/id_pool.h"

#include <gtest/gtest.h>

namespace torvane {
namespace {

TEST(IdPool, EmptyPoolHandsOutZeroThenOne)
{
    IdPool pool;
    EXPECT_EQ(pool.Alloc(), 0);
    EXPECT_EQ(pool.Alloc(), 1);
    EXPECT_TRUE(pool.IsUsed(0));
    EXPECT_TRUE(pool.IsUsed(1));
    EXPECT_FALSE(pool.IsUsed(2));
}

TEST(IdPool, AllocTakesLowestGapLeftByMarks)
{
    IdPool pool;
    pool.Mark(0);
    pool.Mark(2);
    EXPECT_EQ(pool.Alloc(), 1);
    EXPECT_EQ(pool.Alloc(), 3);
}

TEST(IdPool, MarkIgnoresValuesOutsideRange)
{
    IdPool pool;
    for (int id : {-1, 65536, 70000})
        pool.Mark(id);
    EXPECT_EQ(pool.Alloc(), 0);
    EXPECT_FALSE(pool.IsUsed(-1));
    EXPECT_FALSE(pool.IsUsed(65536));
}

TEST(IdPool, FullPoolAnswersNoneWithoutMarking)
{
    IdPool pool;
    for (int id = 0; id < IdPool::kSize - 1; ++id)
        pool.Mark(id);
    EXPECT_EQ(pool.Alloc(), 65535);
    EXPECT_EQ(pool.Alloc(), IdPool::kNone);
    EXPECT_EQ(IdPool::kNone, 65536);
    pool.Clear();
    EXPECT_EQ(pool.Alloc(), 0);
}

TEST(IdPool, CounterWrapsAfter255Uses)
{
    IdPool pool;
    for (int i = 0; i < 255; ++i)
        pool.Mark(5);
    EXPECT_TRUE(pool.IsUsed(5));
    pool.Mark(5);
    EXPECT_FALSE(pool.IsUsed(5));
}

} // namespace
} // namespace torvane
