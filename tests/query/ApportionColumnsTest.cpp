// The column dimension read from the database: the window's statement grouped also by 资金性质,
// spread into one column per fund nature; every cell, row total, column total and the total equal
// the database's own sums, a cell without budget rows is empty, and the total is the list's.
#include "query/CrossTab.h"
#include "query/QueryWindow.h"
#include "query/SummaryRun.h"

#include <QComboBox>
#include <gtest/gtest.h>

namespace {

class ApportionColumnsTest : public TQueryWindowDbTest {};

TEST_P(ApportionColumnsTest, EveryCellIsTheDatabasesSumOfItsRowAndColumn) {
    Open(GetParam());
    if (IsSkipped()) return;
    Choose(w->cmbNum[1], QStringLiteral("支出类型"));
    Choose(w->cobClass, QStringLiteral("1"));
    TQueryConditions conditions = w->Conditions();
    conditions.ColumnDimension = QStringLiteral("资金性质");
    const std::atomic<bool> never{false};
    TSummaryRows rows, plain;
    ReadSummary(conditions, rows, never);
    ReadSummary(w->Conditions(), plain, never);
    const int rowFields = int(rows.built.FieldNames().size());
    ASSERT_EQ(rowFields, 4);
    const TCrossTab tab = SpreadColumns(rows.values, rows.amounts, rowFields, 30);
    ASSERT_EQ(tab.rows.size(), plain.values.size());  // one row per group of the list without it
    ASSERT_GT(tab.columns.size(), 1u);

    const QString from = QStringLiteral("select coalesce(sum(budgmoney),0) from vwBudgetAdj where datayear=2010 and btype='0'");
    const QString cut = GetParam() == TBackend::SQLite ? "substr(eid,1,3)" : "substring(eid,1,3)";
    int empty = 0;
    double plainTotal = 0;
    for (size_t r = 0; r < tab.rows.size(); ++r) {
        ASSERT_EQ(tab.rows[r], plain.values[r]);
        plainTotal += plain.amounts[r];
        const QString row = " and " + cut + "='" + tab.rows[r][0] + "' and ipid='" + tab.rows[r][2] + "'";
        EXPECT_NEAR(tab.rowTotals[r], plain.amounts[r], 0.005);
        for (size_t c = 0; c < tab.columns.size(); ++c) {
            const QString where = row + " and mid='" + tab.columns[c].code + "'";
            const std::optional<double> cell = tab.Cell(r, c);
            if (!cell) {
                ++empty;
                EXPECT_EQ(DbValue("select count(*) from vwBudgetAdj where datayear=2010 and btype='0'" + where), 0);
                continue;
            }
            EXPECT_NEAR(*cell, DbValue(from + where), 0.005) << r << "," << c;
        }
    }
    for (const TCrossColumn &c : tab.columns) EXPECT_NEAR(c.total, DbValue(from + " and mid='" + c.code + "'"), 0.005);
    EXPECT_GT(empty, 0);
    EXPECT_NEAR(tab.total, plainTotal, 0.005);
    EXPECT_NEAR(tab.total, DbValue(from), 0.005);
}

INSTANTIATE_TEST_SUITE_P(Backends, ApportionColumnsTest, ::testing::Values(TBackend::SQLite, TBackend::PostgreSQL),
                         [](const auto &info) { return BackendName(info.param); });

}  // namespace
