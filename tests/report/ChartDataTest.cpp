// The chart figures of a result sheet read back from its rows.
#include "report/ChartData.h"
#include "report/ResultSheetBuilder.h"

#include <gtest/gtest.h>

namespace {
QStringList Labels(const TChartData &d) {
    QStringList out;
    for (const TChartGroup &g : d.groups) out << g.label;
    return out;
}
}  // namespace

TEST(ChartData, TopGroupsLargestFirstTiesByCodeThenTheRestAsOther) {
    TResultSheetBuilder s;
    s.Add("B", "x", 100, {}, {}, 8);
    s.Add("A", "", 300, {}, {}, -4.25);
    s.Add("B", "x", 250, {}, {}, 1);  // the same group further down
    s.Add("A", "w", 350);             // same code, another name: another group, tied with "B x"
    s.Add("C", "z", 20.5, {}, {}, 2);
    s.Footer(QString(QChar(0x3000)) + "小计", 999);  // subtotal and totals rows are not counted
    s.Footer("合  计", 999);
    TChartLayout layout;
    layout.top = 3;
    layout.compareColumn = 15;
    const TChartData d = ChartDataOfSheet(s.model, layout);
    EXPECT_EQ(Labels(d), (QStringList{"A w", "B x", "A", "其他"}));
    EXPECT_EQ(d.groups[1].amount, 350);
    EXPECT_EQ(d.groups[1].compare, 9);
    EXPECT_TRUE(d.groups[3].other && d.groups[3].code.isEmpty());
    EXPECT_EQ(d.groups[3].amount, 20.5);
    EXPECT_EQ(d.groups[3].compare, 2);
    EXPECT_EQ(d.total, 1020.5);
    EXPECT_EQ(d.resultRows, 5);
    layout.top = 4;  // room for every group: no "其他"
    EXPECT_EQ(Labels(ChartDataOfSheet(s.model, layout)).last(), "C z");
}

TEST(ChartData, StacksSplitEachGroupByTheSecondDimensionsTopGroups) {
    TResultSheetBuilder s;
    s.Add("01", "甲", 100, "k1", "一");
    s.Add("01", "甲", 40, "k2", "二");
    s.Add("01", "甲", 5, "k3", "三");
    s.Add("02", "乙", 60, "k1", "一");
    s.Add("03", "丙", 7, "k2", "二");
    TChartLayout layout = StackedLayout();
    layout.top = 1;
    layout.stackTop = 2;
    const TChartData d = ChartDataOfSheet(s.model, layout);
    EXPECT_EQ(d.stackLabels, (QStringList{"k1 一", "k2 二", "其他"}));
    EXPECT_TRUE(d.stackOther);
    ASSERT_EQ(d.groups.size(), 2u);
    EXPECT_EQ(d.groups[0].stack, (std::vector<double>{100, 40, 5}));
    EXPECT_EQ(d.groups[1].stack, (std::vector<double>{60, 7, 0}));  // "其他" of the first dimension
}

TEST(ChartData, EmptyResultAndRowsThatAreNoResultRows) {
    TResultSheetBuilder s;
    s.model.SetText(1, 6, u"1");  // above the first result row
    s.model.SetText(14, 6, u"5.00");
    for (const char *first : {"", "-1", " 2", "1a"}) s.model.SetText(14, s.Row(first), u"3.00");
    const TChartData d = ChartDataOfSheet(s.model, StackedLayout());
    EXPECT_TRUE(d.groups.empty() && d.stackLabels.isEmpty());
    EXPECT_EQ(d.resultRows + d.total, 0);
}
