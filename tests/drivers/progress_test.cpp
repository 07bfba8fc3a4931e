#include "imagefile/progress.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

TEST(ComputePercentTest, IsTheIntegerShareOfTheTotal) {
    EXPECT_EQ(0, ComputePercent(0, 1000));
    EXPECT_EQ(42, ComputePercent(429, 1000));
    EXPECT_EQ(99, ComputePercent(999, 1000));
    EXPECT_EQ(100, ComputePercent(1000, 1000));
}

TEST(ComputePercentTest, DoesNotOverflowAbove2GiBOrForHugeTotals) {
    EXPECT_EQ(50, ComputePercent(0x80000000ull, 0x100000000ull));
    EXPECT_EQ(75, ComputePercent(3ull << 40, 4ull << 40));
    EXPECT_EQ(49, ComputePercent(UINT64_MAX / 2, UINT64_MAX));
    EXPECT_EQ(50, ComputePercent(UINT64_MAX / 2 + 1, UINT64_MAX));
    EXPECT_EQ(99, ComputePercent(UINT64_MAX - 1, UINT64_MAX));
}

TEST(ComputePercentTest, UnknownTotalGivesZeroAndOvershootGivesHundred) {
    EXPECT_EQ(0, ComputePercent(0, 0));
    EXPECT_EQ(0, ComputePercent(500, 0));
    EXPECT_EQ(100, ComputePercent(1500, 1000));
}

}  // namespace
