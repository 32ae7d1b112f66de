// The chart figures of a result sheet read back from its rows.
#include "report/ChartData.h"
#include "report/ResultSheetBuilder.h"

#include <gtest/gtest.h>

namespace {
using TResultSheet = TResultSheetBuilder;

QStringList Labels(const TChartData &d) {
    QStringList out;
    for (const TChartGroup &g : d.groups) out << g.label;
    return out;
}
}  // namespace

TEST(ChartData, TopGroupsLargestFirstThenTheRestAsOther) {
    TResultSheet s;
    s.Add("001", "教育局", 100);
    s.Add("002", "", 300);
    s.Add("001", "教育局", 250);  // the same group again, further down
    s.Add("003", "卫生局", 50);
    s.Add("004", "财政局", 20.5);
    s.Footer(QString(1, QChar(0x3000)) + "小计", 999);  // subtotal and totals rows are not counted
    s.Footer("合  计", 999);
    TChartLayout layout;
    layout.top = 2;
    const TChartData d = ChartDataOfSheet(s.model, layout);
    EXPECT_EQ(Labels(d), (QStringList{"001 教育局", "002", "其他"}));
    EXPECT_DOUBLE_EQ(d.groups[0].amount, 350);
    EXPECT_DOUBLE_EQ(d.groups[2].amount, 70.5);
    EXPECT_TRUE(d.groups[2].other && d.groups[2].code.isEmpty());
    EXPECT_DOUBLE_EQ(d.total, 720.5);
    EXPECT_EQ(d.resultRows, 5);
    EXPECT_FALSE(d.compared);
    EXPECT_TRUE(d.stackLabels.isEmpty() && d.groups[0].stack.empty());
    // With room for every group there is no "其他".
    layout.top = 4;
    EXPECT_EQ(Labels(ChartDataOfSheet(s.model, layout)), (QStringList{"001 教育局", "002", "003 卫生局", "004 财政局"}));
}

TEST(ChartData, EqualSumsOrderedByCodeAndGroupsKeyedByCodeAndName) {
    TResultSheet s;
    s.Add("B", "x", 10);
    s.Add("A", "y", 10);
    s.Add("C", "z", 10);
    s.Add("A", "w", 10);  // same code, another name: another group
    TChartLayout layout;
    layout.top = 3;
    EXPECT_EQ(Labels(ChartDataOfSheet(s.model, layout)), (QStringList{"A w", "A y", "B x", "其他"}));
}

TEST(ChartData, StacksSplitEachGroupByTheSecondDimensionsTopGroups) {
    TResultSheet s;
    s.Add("01", "甲", 100, "k1", "一", 0);
    s.Add("01", "甲", 40, "k2", "二", 0);
    s.Add("01", "甲", 5, "k3", "三", 0);
    s.Add("02", "乙", 60, "k1", "一", 0);
    s.Add("03", "丙", 7, "k2", "二", 0);
    TChartLayout layout;
    layout.secondCode = 4;
    layout.secondName = 5;
    layout.top = 1;
    layout.stackTop = 2;
    const TChartData d = ChartDataOfSheet(s.model, layout);
    EXPECT_EQ(d.stackLabels, (QStringList{"k1 一", "k2 二", "其他"}));
    EXPECT_EQ(d.stackCodes, (QStringList{"k1", "k2", ""}));
    ASSERT_EQ(d.groups.size(), 2u);
    EXPECT_EQ(d.groups[0].stack, (std::vector<double>{100, 40, 5}));
    EXPECT_EQ(d.groups[1].stack, (std::vector<double>{60, 7, 0}));  // "其他" of the first dimension
    for (const TChartGroup &g : d.groups) {
        double sum = 0;
        for (double part : g.stack) sum += part;
        EXPECT_DOUBLE_EQ(sum, g.amount);
    }
}

TEST(ChartData, ComparedSumsFollowTheirGroups) {
    TResultSheet s;
    s.Add("01", "甲", 10, {}, {}, 8);
    s.Add("02", "乙", 30, {}, {}, -4.25);
    s.Add("01", "甲", 5, {}, {}, 1);
    s.Add("03", "丙", 1, {}, {}, 2);
    TChartLayout layout;
    layout.compareColumn = 15;
    layout.top = 2;
    const TChartData d = ChartDataOfSheet(s.model, layout);
    EXPECT_TRUE(d.compared);
    ASSERT_EQ(d.groups.size(), 3u);
    EXPECT_DOUBLE_EQ(d.groups[0].compare, -4.25);
    EXPECT_DOUBLE_EQ(d.groups[1].compare, 9);
    EXPECT_DOUBLE_EQ(d.groups[2].compare, 2);
}

TEST(ChartData, EmptyResultAndRowsThatAreNoResultRows) {
    TResultSheet s;
    EXPECT_TRUE(ChartDataOfSheet(s.model, {}).groups.empty());
    // Headings above the first row, a blank first cell and a number with a sign or blank are no
    // result rows; a stacked chart of nothing has no stacks either.
    s.model.SetText(1, 6, u"1");
    s.model.SetText(14, 6, u"5.00");
    for (const char *first : {"", "-1", " 2", "1a"}) s.model.SetText(14, s.Row(first), u"3.00");
    TChartLayout layout;
    layout.secondCode = 4;
    const TChartData d = ChartDataOfSheet(s.model, layout);
    EXPECT_TRUE(d.groups.empty() && d.stackLabels.isEmpty());
    EXPECT_EQ(d.resultRows, 0);
    EXPECT_EQ(d.total, 0);
}

TEST(ChartData, AmountsReadAsParseAmountTextReadsThem) {
    std::vector<QString> texts = {"0.00", "-0.00", "01.00", "0,123.00", ",123.00", "1,23.00", "12,345.6",
                                  "1234.00", "1,234.5x", "-", "", ".00", "1.000", "-5.00", "999,999,999,999.99",
                                  "9,999,999,999,999.99", "99,999,999,999,999.99", "１.00", "1,234,567.891"};
    for (double v = -3e6; v < 3e13; v = v * -1.7 + 12.345) texts.push_back(FormatAmountText(v));
    for (const QString &text : texts) {
        double parsed = -1, read = -1;
        const bool p = ParseAmountText(text, &parsed);
        EXPECT_EQ(ReadAmountText(text, &read), p) << text.toStdString();
        if (p) {
            EXPECT_EQ(read, parsed) << text.toStdString();
        }
    }
}
