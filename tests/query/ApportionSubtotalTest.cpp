// "显示小计" ticked with the mouse: after each group of the first dimensions a bold, filled
// "小计" row with the group's codes, names and sum, equal to the database's own group sums;
// the running numbers and the totals row stay as without subtotals; unticked, nothing changes.
#include "query/QueryWindow.h"
#include "report/AmountText.h"
#include "report/ReportSheet.h"

#include <QCheckBox>
#include <QComboBox>
#include <gtest/gtest.h>

namespace {

class ApportionSubtotalTest : public TQueryWindowDbTest {
protected:
    void SetUp() override {
        Open(GetParam());
        if (IsSkipped()) return;
        Choose(w->cmbNum[1], QStringLiteral("资金性质"));
        Choose(w->cmbNum[2], QStringLiteral("预算科目"));
        Choose(w->cobClass, QStringLiteral("1"));
    }
    double Amount(int row) const {
        double v = 0;
        EXPECT_TRUE(ParseAmountText(Cell(14, row), &v)) << Cell(14, row).toStdString();
        return v;
    }
    QStringList Sheet() const {
        QStringList rows;
        for (int r = 7; r < RowCount(); ++r) {
            QStringList cells;
            for (int c = 1; c <= 14; ++c) cells << Cell(c, r);
            rows << cells.join('|');
        }
        return rows;
    }
};

TEST_P(ApportionSubtotalTest, SubtotalRowsFollowTheirGroupsWithTheDatabasesSums) {
    EXPECT_FALSE(w->chbSubtotal->isChecked());
    Refresh();
    const QStringList plain = Sheet();
    Click(w->chbSubtotal);
    ASSERT_TRUE(w->chbSubtotal->isChecked());
    Refresh();
    const QStringList withSubtotals = Sheet();
    ASSERT_GT(withSubtotals.size(), plain.size());

    // Without the subtotal rows the sheet is the plain one: numbers, rows and totals alike.
    QStringList stripped;
    for (const QString &row : withSubtotals)
        if (!row.section('|', 0, 0).endsWith(QStringLiteral("小计"))) stripped << row;
    EXPECT_EQ(stripped, plain);

    const QString where = QStringLiteral(" from vwBudgetAdj where datayear=2010 and btype='0'");
    const QString unitCut = GetParam() == TBackend::SQLite ? "substr(eid,1,3)" : "substring(eid,1,3)";
    int units = 0, funds = 0;
    const TReportSheet *s = w->cllBudget;
    for (int r = 7; r < RowCount() - 1; ++r) {
        const QString label = Cell(1, r);
        if (label == QStringLiteral("小计")) {  // level 1: the unit
            ++units;
            EXPECT_TRUE(Cell(4, r).isEmpty());
            EXPECT_NEAR(Amount(r), DbValue("select sum(budgmoney)" + where + " and " + unitCut + "='" + Cell(2, r) + "'"), 0.005);
        } else if (label == QStringLiteral("\u3000小计")) {  // level 2: unit and fund nature
            ++funds;
            EXPECT_EQ(Cell(2, r), Cell(2, r - 1));
            EXPECT_NEAR(Amount(r), DbValue("select sum(budgmoney)" + where + " and " + unitCut + "='" + Cell(2, r) +
                                           "' and mid='" + Cell(4, r) + "'"), 0.005);
        } else {
            continue;
        }
        const TCellStyle &style = s->Model().Style(14, r);
        EXPECT_TRUE(style.filled) << r;
        EXPECT_TRUE(s->Model().Fonts()[style.font].bold) << r;
    }
    EXPECT_GT(units, 1);
    EXPECT_GT(funds, units);
    EXPECT_EQ(Cell(1, RowCount() - 1), QStringLiteral("合  计"));
    EXPECT_EQ(Cell(1, RowCount() - 2), QStringLiteral("小计"));  // the last unit's, just above
}

AUTHPAY_ON_BOTH_BACKENDS(ApportionSubtotalTest);

}  // namespace
