// Subtotals of an ordered result in one pass: groups end where a code at their level or an outer
// one changes, inner subtotals come first, and every row counts into each open group.
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
