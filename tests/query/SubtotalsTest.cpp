// Subtotals of an ordered result in one pass: groups end where a code at their level or an outer
// one changes, inner subtotals come first, and every row counts into each open group.
#include "query/ResultRows.h"
#include "query/Subtotals.h"

#include <gtest/gtest.h>

namespace {
QString Trace(const std::vector<TSubtotal> &closed) {
    QStringList parts;
    for (const TSubtotal &s : closed) parts << QStringLiteral("%1:%2=%3").arg(s.level).arg(s.values.join('/')).arg(s.sum);
    return parts.join(' ');
}
}  // namespace

TEST(Subtotals, GroupsCloseInnerFirstWithTheirSums) {
    TSubtotalTracker t(2);  // three dimensions: subtotals of the first two
    EXPECT_EQ(Trace(t.Add({"001", "教育局", "11", "一般", "201", "x"}, 1)), "");
    EXPECT_EQ(Trace(t.Add({"001", "教育局", "11", "一般", "202", "y"}, 2)), "");
    EXPECT_EQ(Trace(t.Add({"001", "教育局", "21", "基金", "201", "x"}, 4)), "2:001/教育局/11/一般=3");
    // The outer code changes while the inner one stays: both groups end.
    EXPECT_EQ(Trace(t.Add({"002", "财政局", "21", "基金", "201", "x"}, 8)),
              "2:001/教育局/21/基金=4 1:001/教育局=7");
    EXPECT_EQ(Trace(t.Finish()), "2:002/财政局/21/基金=8 1:002/财政局=8");
    EXPECT_EQ(Trace(t.Finish()), "");
}

TEST(Subtotals, OneDimensionOrNoRowsGiveNone) {
    TSubtotalTracker none(0);
    EXPECT_EQ(Trace(none.Add({"001", "a"}, 1)), "");
    EXPECT_EQ(Trace(none.Finish()), "");
    TSubtotalTracker empty(3);
    EXPECT_EQ(Trace(empty.Finish()), "");
}

// Two groups with the same name under different codes are two groups; the compared year's sums
// go with their group, a net reduction too.
TEST(Subtotals, GroupsAreTheirCodesNotTheirNamesAndCarryTheComparedSums) {
    TSubtotalTracker t(1);
    t.Add({"001001", "办公室", "201", "x"}, 5, -3);
    t.Add({"001001", "办公室", "202", "y"}, 1, -4);
    const std::vector<TSubtotal> first = t.Add({"002001", "办公室", "201", "x"}, 7, 2);
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].values, QStringList({"001001", "办公室"}));
    EXPECT_EQ(first[0].sum, 6);
    EXPECT_EQ(first[0].compared, -7);
    const std::vector<TSubtotal> last = t.Finish();
    ASSERT_EQ(last.size(), 1u);
    EXPECT_EQ(last[0].values[0], "002001");
    EXPECT_EQ(last[0].compared, 2);
    // A negative compared sum has a rate: the change over the compared amount.
    EXPECT_EQ(ChangeRateText(6, -7), QStringLiteral("-185.71%"));
}
