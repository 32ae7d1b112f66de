// Sorting the result by a click on a heading: the result rows within their groups, the subtotal
// rows and the totals row where they were, the running numbers in the new order, and the sheet
// (hence exports and print) as shown.
#include "query/QueryWindow.h"
#include "report/ReportLayout.h"
#include "report/ReportSheet.h"
#include "report/SheetView.h"

#include <QCheckBox>
#include <QTest>

namespace {

using namespace ReportLayout;

class ApportionSortTest : public TQueryWindowTest {
protected:
    void SetUp() override {
        Open(TBackend::SQLite);
        if (IsSkipped()) return;
        Choose(w->cmbNum[1], QStringLiteral("资金性质"));
    }
    void ClickHeading(int col, int row) {
        TSheetView *view = w->cllBudget->View();
        const QPoint at = w->ShowSheetCell(col, row).center();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    }
    struct TBody {
        std::vector<TRowKind> kinds;
        std::vector<qint64> cents;
        QStringList numbers, codes;
    };
    TBody Body() const {
        TBody b;
        const TSheetModel &m = w->cllBudget->Model();
        for (int row = kFirstDataRow; row <= m.RowCount(); ++row) {
            b.kinds.push_back(m.RowKind(row));
            b.cents.push_back(m.Amount(kAmountColumn, row).value_or(-1));
            b.numbers << m.Text(kNumberColumn, row).toString();
            b.codes << m.Text(DimensionColumn(1), row).toString();
        }
        return b;
    }
};

TEST_F(ApportionSortTest, AmountsSortTheWholeListBothWaysAndCodesToo) {
    Refresh();
    const TBody before = Body();
    ASSERT_GT(before.kinds.size(), 5u);
    ClickHeading(kAmountColumn, kHeadingRow);
    TBody up = Body();
    EXPECT_EQ(up.kinds, before.kinds);
    EXPECT_EQ(up.kinds.back(), TRowKind::Totals);
    EXPECT_EQ(up.cents.back(), before.cents.back());  // the same total, last
    const size_t results = up.kinds.size() - 1;
    for (size_t i = 0; i + 1 < results; ++i) EXPECT_LE(up.cents[i], up.cents[i + 1]) << i;
    for (size_t i = 0; i < results; ++i) EXPECT_EQ(up.numbers[qsizetype(i)], QString::number(i + 1));
    ClickHeading(kAmountColumn, kHeadingRow);
    const TBody down = Body();
    for (size_t i = 0; i + 1 < results; ++i) EXPECT_GE(down.cents[i], down.cents[i + 1]) << i;
    // The unit codes (the statement's own order rising): a second click on them, falling.
    ClickHeading(DimensionColumn(1), kSubHeadingRow);
    ClickHeading(DimensionColumn(1), kSubHeadingRow);
    const TBody codes = Body();
    for (qsizetype i = 0; i + 1 < qsizetype(results); ++i) EXPECT_GE(codes.codes[i], codes.codes[i + 1]) << i;
    EXPECT_NE(codes.codes, before.codes);
    std::vector<qint64> sorted = before.cents, again = codes.cents;
    std::sort(sorted.begin(), sorted.end());
    std::sort(again.begin(), again.end());
    EXPECT_EQ(again, sorted);  // the same rows, only their order changed
    Refresh();  // a new result comes in the statement's order
    EXPECT_EQ(Body().cents, before.cents);
}

TEST_F(ApportionSortTest, WithSubtotalsEachGroupSortsUnderItsOwnSubtotal) {
    Click(w->chbSubtotal);
    Refresh();
    const TBody before = Body();
    ClickHeading(kAmountColumn, kHeadingRow);
    ClickHeading(kAmountColumn, kHeadingRow);  // falling
    const TBody after = Body();
    ASSERT_EQ(after.kinds, before.kinds);
    size_t start = 0;
    for (size_t i = 0; i <= after.kinds.size(); ++i) {
        if (i < after.kinds.size() && after.kinds[i] == TRowKind::Result) continue;
        // rows start..i-1 are one group: the same amounts, falling
        std::vector<qint64> was(before.cents.begin() + qsizetype(start), before.cents.begin() + qsizetype(i));
        std::vector<qint64> now(after.cents.begin() + qsizetype(start), after.cents.begin() + qsizetype(i));
        for (size_t k = 1; k < now.size(); ++k) EXPECT_GE(now[k - 1], now[k]);
        std::sort(was.begin(), was.end());
        std::sort(now.begin(), now.end());
        EXPECT_EQ(now, was);
        if (i < after.kinds.size()) {
            EXPECT_EQ(after.cents[i], before.cents[i]);  // a subtotal where it was
        }
        start = i + 1;
    }
}

}  // namespace
