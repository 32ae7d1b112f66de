// "列维度" in the window on the real databases: the box offers what no grouping holds; a Refresh
// spreads the codes across the sheet, whose row totals, subtotal rows and totals row add up and
// whose total is the list's; a double-click on a cell opens that row and code's budget rows; the
// list comes back byte for byte; with 对比年度 the Refresh says why it does not run; sets keep it.
#include "chart/ChartBuild.h"
#include "query/CrossTab.h"
#include "query/QueryBuild.h"
#include "query/QueryWindow.h"
#include "report/AmountText.h"
#include "report/ChartData.h"
#include "report/ReportSheet.h"
#include "report/SheetView.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QTest>
#include <numeric>

namespace {

class ApportionSpreadTest : public TQueryWindowDbTest {
protected:
    void SetUp() override {
        Open(GetParam());
        if (IsSkipped()) return;
        Choose(w->cobClass, QStringLiteral("1"));
    }
    void TearDown() override {
        for (TbfrmApportionDetail *d : opened_) delete d;
        TQueryWindowTest::TearDown();
    }
    QStringList Entries(const QComboBox *box) const {
        QStringList e;
        for (int i = 0; i < box->count(); ++i) e << box->itemText(i);
        return e;
    }
    qint64 Cents(int col, int row) const { return w->cllBudget->Model().Amount(col, row).value_or(0); }
    QList<QPointer<TbfrmApportionDetail>> opened_;
};

TEST_P(ApportionSpreadTest, TheCodesSpreadAcrossTheSheetAddUpAndOpenTheirRows) {
    EXPECT_EQ(Entries(w->cobColumnDim).first(), QString());
    EXPECT_FALSE(Entries(w->cobColumnDim).contains(QStringLiteral("预算单位")));
    Choose(w->cmbNum[1], QStringLiteral("支出类型"));
    EXPECT_FALSE(Entries(w->cobColumnDim).contains(QStringLiteral("支出类型")));
    Click(w->chbSubtotal);
    Refresh();
    const QList<QStringList> list = w->SheetCells();
    const QString listTotal = Cell(14, RowCount() - 1);

    Choose(w->cobColumnDim, QStringLiteral("资金性质"));
    EXPECT_TRUE(w->SheetStale());
    Refresh();
    const int codes = w->SpreadColumns(), total = 14 + codes;
    ASSERT_GT(codes, 1);
    EXPECT_EQ(w->FoldedColumns(), 0);
    EXPECT_EQ(Cell(total, 4), QStringLiteral("合计"));
    EXPECT_EQ(Cell(total, RowCount() - 1), listTotal);  // the totals row's total is the list's
    // Every row's cells add up to its total; a subtotal row's cells are its group's sums.
    std::vector<qint64> group(size_t(codes + 1), 0);
    int empty = 0;
    for (int r = 7; r < RowCount(); ++r) {
        const bool subtotal = w->cllBudget->Model().RowKind(r) == TRowKind::Subtotal;
        const bool totals = r == RowCount() - 1;
        qint64 sum = 0;
        for (int c = 14; c < total; ++c) {
            empty += Cell(c, r).isEmpty();
            sum += Cents(c, r);
            if (subtotal) EXPECT_EQ(Cents(c, r), group[size_t(c - 14)]) << r << "," << c;
            else if (!totals) group[size_t(c - 14)] += Cents(c, r);
        }
        EXPECT_EQ(sum, Cents(total, r)) << r;
        if (subtotal) std::fill(group.begin(), group.end(), 0);
    }
    EXPECT_GT(empty, 0);  // none is not 0.00
    // The chart: bars of the units stacked by the fund natures, each bar its rows' total.
    const TChartLayout layout = w->cllBudget->Model().Chart.layout;
    EXPECT_EQ(layout.compareColumn, 0);
    EXPECT_EQ(layout.amountColumn, total);
    const TChartData chart = ChartDataOfSheet(w->cllBudget->Model(), layout);
    EXPECT_EQ(chart.stackLabels.size(), std::min(codes, 8) + (codes > 8));
    EXPECT_NEAR(chart.total * 100, double(Cents(total, RowCount() - 1)), 0.5);
    for (const TChartGroup &g : chart.groups)
        EXPECT_NEAR(std::accumulate(g.stack.begin(), g.stack.end(), 0.0), g.amount, 0.005) << g.label.toStdString();

    // A cell opens the rows of its row and its column's code, the row total the row.
    const std::optional<TDrillRequest> whole = w->DrillRequestAt(7, total);
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->Values.size(), 4);
    EXPECT_EQ(whole->Figure, Cell(total, 7));
    int col = 14;
    while (Cell(col, 7).isEmpty()) ++col;
    w->Show();
    QApplication::processEvents();
    const QRect cell = w->ShowSheetCell(col, 7);
    TbfrmApportionDetail *d = DetailOpenedBy(
        [&] { QTest::mouseDClick(w->cllBudget->View()->viewport(), Qt::LeftButton, {}, cell.center()); }, opened_);
    ASSERT_NE(d, nullptr);
    ASSERT_TRUE(d->FetchAll());
    EXPECT_EQ(d->cllBudget->SheetCellText(14, d->cllBudget->SheetRowCount(0) - 1), Cell(col, 7));
    const QString cut = GetParam() == TBackend::SQLite ? "substr" : "substring";
    const QString where = QStringLiteral(" from vwBudgetAdj where datayear=2010 and btype='0' and %1(eid,1,3)='%2' and "
                                         "ipid='%3' and mid='%4'").arg(cut, Cell(2, 7), Cell(4, 7), Cell(col, 4));
    EXPECT_EQ(d->FetchedRows(), int(DbValue("select count(*)" + where)));
    for (int c = 14; c < total; ++c) {
        if (Cell(c, 7).isEmpty()) {
            EXPECT_FALSE(w->DrillRequestAt(7, c));
        }
    }
    // A chart segment: the unit within that fund nature, every expenditure type.
    TbfrmApportionDetail *segment = DetailOpenedBy(
        [&] { w->OpenChartPick({{Cell(2, 7), Cell(3, 7), Cell(col, 4), Cell(col, 5)}, 0}); }, opened_);
    ASSERT_NE(segment, nullptr);
    ASSERT_TRUE(segment->FetchAll());
    EXPECT_EQ(segment->FetchedRows(), int(DbValue(QStringLiteral("select count(*) from vwBudgetAdj where datayear=2010 and "
                                                                 "btype='0' and %1(eid,1,3)='%2' and mid='%3'")
                                                      .arg(cut, Cell(2, 7), Cell(col, 4)))));

    // A heading click sorts the rows of each group by a code's column as by the amounts.
    const QRect heading = w->ShowSheetCell(col, 4);
    QTest::mouseClick(w->cllBudget->View()->viewport(), Qt::LeftButton, {}, heading.center());
    for (int r = 8; r < RowCount() - 1; ++r) {
        if (w->cllBudget->Model().RowKind(r) == TRowKind::Result && w->cllBudget->Model().RowKind(r - 1) == TRowKind::Result) {
            EXPECT_LE(w->cllBudget->Model().Amount(col, r - 1).value_or(INT64_MIN),
                      w->cllBudget->Model().Amount(col, r).value_or(INT64_MIN)) << r;
        }
    }
    Choose(w->cobColumnDim, QString());
    Refresh();
    EXPECT_EQ(w->SheetCells(), list);  // the list as before, heading and all
    EXPECT_EQ(w->SpreadColumns(), 0);
}

TEST_P(ApportionSpreadTest, AComparedYearIsRefusedAndSetsKeepTheColumnDimension) {
    Choose(w->cobColumnDim, QStringLiteral("预算科目"));
    TConditionSet set = w->CurrentConditionSet();
    EXPECT_EQ(set.columnDimension, QStringLiteral("预算科目"));
    Choose(w->cobColumnDim, QString());
    EXPECT_TRUE(w->ApplyConditionSet(set).isEmpty());
    EXPECT_EQ(w->cobColumnDim->currentText(), QStringLiteral("预算科目"));
    set.columnDimension = QStringLiteral("预算单位");  // a grouping: not offered
    EXPECT_EQ(w->ApplyConditionSet(set), QStringList{QStringLiteral("列维度“预算单位”")});
    EXPECT_EQ(w->cobColumnDim->currentText(), QString());

    // Many codes: the largest 30 keep their columns, "其他" the rest, and the window says so.
    Choose(w->cobColumnDim, QStringLiteral("预算科目"));
    Refresh();
    const int codes = int(DbValue("select count(distinct bid) from vwBudgetAdj where datayear=2010 and btype='0'"));
    if (codes > 30) {
        EXPECT_EQ(w->SpreadColumns(), 31);
        EXPECT_EQ(w->FoldedColumns(), codes - 30);
        EXPECT_EQ(Cell(44, 4), kOtherColumnName);
        EXPECT_TRUE(w->lblResultRows->text().endsWith(QStringLiteral("“其他”列含 %1 个编码").arg(codes - 30)));
    }
    const QList<QStringList> spread = w->SheetCells();

    w->StartCompareYears();
    for (int i = 0; i < 600 && w->CompareYearsPending(); ++i) QTest::qWait(10);
    Choose(w->cobCompareYear, QStringLiteral("2009"));
    answers.boxes.clear();
    Click(w->tbtnRefresh);
    WaitIdle();
    ASSERT_FALSE(answers.boxes.isEmpty());
    EXPECT_EQ(answers.boxes.last().text, kColumnsWithCompareYear);
    EXPECT_NE(w->SheetCells(), spread);  // no report from conditions that cannot run together
}

// A spread result cancelled while its rows are written: the list comes back with its heading and
// the columns it kept in sight.
TEST_P(ApportionSpreadTest, ACancelWhileTheRowsAreWrittenPutsBackTheList) {
    for (int i = 1; i < 5; ++i) Choose(w->cmbNum[size_t(i)], w->cmbNum[size_t(i)]->itemText(0));
    Refresh();
    const QList<QStringList> list = w->SheetCells();
    const int frozen = w->cllBudget->View()->Frozen().cols;
    Choose(w->cobColumnDim, QStringLiteral("预算项目"));
    Click(w->tbtnRefresh);
    // Writing: the bar counts the rows.
    for (int i = 0; i < 10000 && !(w->Busy() && w->ProgressBar1->maximum() > 0); ++i) QTest::qWait(1);
    ASSERT_TRUE(w->Busy()) << "the rows were written before the cancel";
    w->CancelRun();
    EXPECT_FALSE(w->Busy());
    EXPECT_EQ(w->SheetCells(), list);
    EXPECT_EQ(w->SpreadColumns(), 0);
    EXPECT_EQ(w->cllBudget->View()->Frozen().cols, frozen);
}

INSTANTIATE_TEST_SUITE_P(Backends, ApportionSpreadTest, ::testing::Values(TBackend::SQLite, TBackend::PostgreSQL),
                         [](const auto &info) { return BackendName(info.param); });

}  // namespace
