// Spreading a result across the column dimension's codes: rows by the row dimensions in the
// statement's order, columns in code order, empty cells told from zero, the largest codes kept and
// the rest in "其他".
#include "query/CrossTab.h"

#include <gtest/gtest.h>

namespace {
QStringList Row(const QString &unit, const QString &code) { return {unit, unit + QStringLiteral("名"), code, QStringLiteral("性质") + code}; }
}  // namespace

TEST(CrossTab, RowsByGroupColumnsByCodeEmptyIsNotZero) {
    const std::vector<QStringList> values = {Row("A", "3"), Row("A", "10"), Row("B", "2"), Row("C", "3"), Row("C", "2")};
    const std::vector<double> amounts = {5, 10, 7, 0, -1.25};
    const TCrossTab tab = SpreadColumns(values, amounts, 2, 30);
    ASSERT_EQ(tab.columns.size(), 3u);
    EXPECT_EQ(tab.columns[0].code, "10");  // codes are texts: in the order of their characters
    EXPECT_EQ(tab.columns[1].code, "2");
    EXPECT_EQ(tab.columns[2].name, QStringLiteral("性质3"));
    EXPECT_EQ(tab.folded, 0);
    ASSERT_EQ(tab.rows.size(), 3u);
    EXPECT_EQ(tab.rows[1], QStringList({"B", QStringLiteral("B名")}));
    EXPECT_EQ(tab.Cell(0, 0), 10.0);
    EXPECT_EQ(tab.Cell(0, 1), std::nullopt);
    EXPECT_EQ(tab.Cell(2, 2), 0.0);  // a sum of zero is a figure
    EXPECT_EQ(tab.Cell(1, 0), std::nullopt);
    EXPECT_EQ(tab.rowTotals, (std::vector<double>{15, 7, -1.25}));
    EXPECT_EQ(tab.columns[1].total, 5.75);
    EXPECT_EQ(tab.total, 20.75);
    EXPECT_EQ(tab.Cell(3, 0), std::nullopt);
}

TEST(CrossTab, BeyondTheLimitTheLargestKeepTheirColumnsAndOtherHoldsTheRest) {
    std::vector<QStringList> values;
    std::vector<double> amounts;
    for (int i = 0; i < 35; ++i) {
        values.push_back(Row("A", QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0'))));
        amounts.push_back(i < 5 ? 1 : 100 + i);  // codes 00 to 04 are the smallest
    }
    values.push_back(Row("B", "20"));
    amounts.push_back(3);
    const TCrossTab tab = SpreadColumns(values, amounts, 2, 30);
    ASSERT_EQ(tab.columns.size(), 31u);
    EXPECT_EQ(tab.folded, 5);
    EXPECT_EQ(tab.columns.front().code, "05");
    EXPECT_EQ(tab.columns.back().name, kOtherColumnName);
    EXPECT_EQ(tab.columns.back().total, 5);
    EXPECT_EQ(tab.Cell(0, 30), 5.0);
    EXPECT_EQ(tab.Cell(1, 30), std::nullopt);
    EXPECT_EQ(tab.Cell(1, 15), 3.0);  // code 20
    double columns = 0;
    for (const TCrossColumn &c : tab.columns) columns += c.total;
    EXPECT_EQ(columns, tab.total);
    EXPECT_EQ(SpreadColumns(values, amounts, 2, 0).columns.size(), 35u);
    EXPECT_TRUE(SpreadColumns({}, {}, 2, 30).rows.empty());
}
