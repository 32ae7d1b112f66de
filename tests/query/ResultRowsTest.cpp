// Narrowing the drill-down's name columns: a pixel at a time from the widest, never below the
// least width, and no more than there is to take.
#include "query/ResultRows.h"

#include <gtest/gtest.h>

TEST(NarrowedWidths, TakesFromTheWidestDownToTheLeast) {
    EXPECT_EQ(NarrowedWidths({130, 110, 100, 112}, 40, 64), (std::vector<int>{104, 104, 100, 104}));
    EXPECT_EQ(NarrowedWidths({130, 0, 70}, 1000, 64), (std::vector<int>{64, 0, 64}));
    EXPECT_EQ(NarrowedWidths({90, 90}, -5, 64), (std::vector<int>{90, 90}));
    EXPECT_TRUE(NarrowedWidths({}, 10, 64).empty());
}
