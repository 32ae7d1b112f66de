// "对比年度" on the real databases: the years offered, one statement for both years whose columns
// equal each year's own grouped sums, rows of one year only, the rate's empty cells, the heading,
// the drill-down's year, the stale line, recalled sets, and the sheet as before without a year.
#include "data/AdoConn.h"
#include "data/DefaultConn.h"
#include "query/QueryWindow.h"
#include "query/ResultRows.h"
#include "report/AmountText.h"
#include "report/ReportSheet.h"

#include <QCheckBox>
#include <QAbstractItemView>
#include <QComboBox>
#include <QHash>
#include <QSqlQuery>
#include <QTest>

namespace {

class ApportionCompareTest : public TQueryWindowDbTest {
protected:
    void SetUp() override {
        Open(GetParam());
        if (IsSkipped()) return;
        // The years are read once the box is first used, not while the window opens.
        EXPECT_FALSE(w->CompareYearsPending());
        EXPECT_EQ(w->cobCompareYear->count(), 1);
        QTest::keyClick(w->cobCompareYear, Qt::Key_Shift);
        // A list opened before the years come says they are being read, and fills in place.
        const bool opened = w->CompareYearsPending();
        if (opened) {
            EXPECT_EQ(w->cobCompareYear->itemText(1), QStringLiteral("正在读取…"));
            w->cobCompareYear->showPopup();
        }
        for (int i = 0; i < 600 && w->CompareYearsPending(); ++i) QTest::qWait(10);
        if (opened) {
            EXPECT_TRUE(w->cobCompareYear->view()->isVisible());
            EXPECT_EQ(w->cobCompareYear->findText(QStringLiteral("正在读取…")), -1);
            w->cobCompareYear->hidePopup();
        }
        Choose(w->cobClass, QStringLiteral("<全部>"));
        Choose(w->cmbNum[1], QStringLiteral("预算科目"));
    }
    // Each unit and subject's sum in one year, by the plain grouped statement.
    QHash<QString, double> YearSums(int year) {
        QSqlQuery q(GetDefaultConn()->Database());
        const QString sql = QStringLiteral("select eid, bid, sum(budgmoney) from vwBudgetAdj where datayear=%1 and "
                                           "btype='0' group by eid, bid").arg(year);
        EXPECT_TRUE(q.exec(sql));
        QHash<QString, double> sums;
        while (q.next()) sums[q.value(0).toString() + '|' + q.value(1).toString()] = q.value(2).toDouble();
        return sums;
    }
};

TEST_P(ApportionCompareTest, BothYearsSummedInOneStatementMatchEachYearsOwnSums) {
    EXPECT_EQ(w->cobCompareYear->count(), 3);
    EXPECT_EQ(w->cobCompareYear->itemText(0), QString());
    EXPECT_EQ(w->cobCompareYear->itemText(1), QStringLiteral("2011"));
    Choose(w->cobCompareYear, QStringLiteral("2009"));
    TracedSql();
    Refresh();
    const QStringList sql = TracedSql();
    ASSERT_EQ(sql.size(), 1);
    EXPECT_TRUE(sql[0].contains(QStringLiteral("where datayear in (2010,2009)")));
    // The chart's series are named by the years.
    EXPECT_EQ(w->cllBudget->Model().Chart.layout.amountCaption, QStringLiteral("2010年"));
    EXPECT_EQ(w->cllBudget->Model().Chart.layout.compareCaption, QStringLiteral("2009年"));
    const QHash<QString, double> now = YearSums(2010), then = YearSums(2009);
    QSet<QString> groups;
    for (auto it = now.begin(); it != now.end(); ++it) groups << it.key();
    for (auto it = then.begin(); it != then.end(); ++it) groups << it.key();
    ASSERT_EQ(RowCount() - 8, groups.size());
    int onlyThen = 0, noRate = 0;
    for (int r = 7; r < RowCount() - 1; ++r) {
        const QString key = Cell(2, r) + '|' + Cell(4, r);
        const double a = now.value(key), c = then.value(key);
        EXPECT_EQ(Cell(14, r), FormatAmountText(a)) << key.toStdString();
        EXPECT_EQ(Cell(15, r), FormatAmountText(c)) << key.toStdString();
        EXPECT_EQ(Cell(16, r), FormatAmountText(a - c));
        EXPECT_EQ(Cell(17, r), ChangeRateText(a, c));
        onlyThen += !now.contains(key);
        noRate += !then.contains(key) && Cell(17, r).isEmpty() && Cell(15, r) == QStringLiteral("0.00");
    }
    EXPECT_GT(onlyThen, 0);
    EXPECT_GT(noRate, 0);
    const int t = RowCount() - 1;
    EXPECT_EQ(Cell(15, t), FormatAmountText(DbValue("select sum(budgmoney) from vwBudgetAdj where datayear=2009 and btype='0'")));
    EXPECT_EQ(QStringList({Cell(15, 4), Cell(15, 5), Cell(16, 4), Cell(17, 4)}),
              QStringList({"对比年度金额", "2009年", "增减额", "增减率"}));
    const TSheetModel &m = w->cllBudget->Model();
    EXPECT_TRUE(m.IsAmountColumn(15) && m.IsAmountColumn(16) && !m.IsAmountColumn(17));
    EXPECT_NE(m.Style(17, t).borders, 0);
    EXPECT_EQ(Cell(3, 4), QString());  // the dimension headings written again over the fresh template
    EXPECT_EQ(Cell(2, 4), QStringLiteral("预算单位"));
    // A drill-down reads the data year's rows only.
    const auto request = w->DrillRequestAt(7);
    ASSERT_TRUE(request.has_value());
    EXPECT_TRUE(request->Base.WhereClause.startsWith(QStringLiteral(" where datayear=2010 ")));
}

TEST_P(ApportionCompareTest, TheYearIsAConditionAndWithoutItTheSheetIsAsBefore) {
    Refresh();
    const QList<QStringList> plain = w->SheetCells();
    Choose(w->cobCompareYear, QStringLiteral("2011"));
    EXPECT_TRUE(w->SheetStale());
    Refresh();
    EXPECT_EQ(w->cllBudget->SheetColumnCount(), 17);
    Choose(w->cobCompareYear, QString());
    EXPECT_TRUE(w->SheetStale());
    Refresh();
    EXPECT_EQ(w->cllBudget->SheetColumnCount(), 16);
    EXPECT_EQ(w->SheetCells(), plain);

    TConditionSet set = w->CurrentConditionSet();
    set.compareYear = 2011;
    EXPECT_TRUE(w->ApplyConditionSet(set).isEmpty());
    EXPECT_EQ(w->cobCompareYear->currentText(), QStringLiteral("2011"));
    set.compareYear = 1999;
    EXPECT_EQ(w->ApplyConditionSet(set), QStringList{QStringLiteral("对比年度“1999”")});
    EXPECT_EQ(w->cobCompareYear->currentText(), QString());
}

// With 显示小计 each unit's subtotal row carries both years' sums of that unit, its change and
// its rate, as the database sums them on its own.
TEST_P(ApportionCompareTest, SubtotalRowsCarryTheComparedSumChangeAndRateOfTheirGroup) {
    Choose(w->cobCompareYear, QStringLiteral("2009"));
    w->chbSubtotal->setChecked(true);
    Refresh();
    QHash<QString, double> now, then;
    for (auto [sums, year] : {std::pair{&now, 2010}, std::pair{&then, 2009}}) {
        const QHash<QString, double> groups = YearSums(year);
        for (auto it = groups.begin(); it != groups.end(); ++it) (*sums)[it.key().section('|', 0, 0)] += it.value();
    }
    int subtotals = 0;
    for (int r = 8; r < RowCount() - 1; ++r) {
        if (!Cell(1, r).endsWith(QStringLiteral("小计"))) continue;
        const QString unit = Cell(2, r);
        const double a = now.value(unit), c = then.value(unit);
        EXPECT_EQ(QStringList({Cell(14, r), Cell(15, r), Cell(16, r), Cell(17, r)}),
                  QStringList({FormatAmountText(a), FormatAmountText(c), FormatAmountText(a - c), ChangeRateText(a, c)}))
            << unit.toStdString();
        ++subtotals;
    }
    EXPECT_EQ(subtotals, QSet<QString>(now.keyBegin(), now.keyEnd()).unite(QSet<QString>(then.keyBegin(), then.keyEnd())).size());
}

AUTHPAY_ON_BOTH_BACKENDS(ApportionCompareTest);
}  // namespace
