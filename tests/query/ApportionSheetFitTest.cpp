// The texts the window and its drill-down write fit their cells: grouped four deep with
// "显示小计", every label, name and amount is shown whole in the font the painter draws it with,
// the drill-down's heading line too, and the drill-down's amount column lies inside a 1024×768
// host's window.
#include "query/QueryWindow.h"
#include "report/ReportSheet.h"
#include "report/SheetFit.h"
#include "report/SheetView.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include "platform/Panel.h"
#include <QLabel>
#include <QStyleOptionComboBox>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

using sheet_fit::ClippedTexts;
using sheet_fit::Describe;

namespace {

void SavePicture(QWidget *widget, const QString &name) {
    if (qEnvironmentVariableIsSet("AUTHPAY_SCREENSHOT_DIR"))
        widget->grab().save(qEnvironmentVariable("AUTHPAY_SCREENSHOT_DIR") + QLatin1Char('/') + name);
}

class ApportionSheetFitTest : public TQueryWindowTest {
protected:
    void SetUp() override {
        Open(TBackend::SQLite);
        if (IsSkipped()) return;
        Choose(w->cmbNum[1], QStringLiteral("资金性质"));
        Choose(w->cmbNum[2], QStringLiteral("预算科目"));
        Choose(w->cmbNum[3], QStringLiteral("支出类型"));
        Click(w->chbSubtotal);
        Refresh();
    }
    // The drill-down a double-click on the row's name opened, every page read.
    TbfrmApportionDetail *Drill(int row) {
        w->Show();
        QApplication::processEvents();
        const QRect cell = w->ShowSheetCell(3, row);
        const QList<QWidget *> before = QApplication::allWidgets();
        QTest::mouseDClick(w->cllBudget->View()->viewport(), Qt::LeftButton, {}, cell.center());
        QApplication::processEvents();
        for (QWidget *widget : QApplication::allWidgets())
            if (auto *d = qobject_cast<TbfrmApportionDetail *>(widget); d && !before.contains(widget)) {
                WaitIdle(d);
                EXPECT_TRUE(d->FetchAll());
                return d;
            }
        return nullptr;
    }
};

TEST_F(ApportionSheetFitTest, SubtotalLabelsNamesAndAmountsFitTheirCells) {
    const TSheetModel &m = w->cllBudget->Model();
    int deepest = 0;
    for (int r = 7; r < RowCount(); ++r) deepest = std::max(deepest, int(Cell(1, r).count(QChar(0x3000))) + 1);
    ASSERT_EQ(deepest, 3);  // four groupings: subtotals of the first three
    // Running numbers and subtotal labels are never broken over lines.
    const auto clipped = ClippedTexts(m, {1}, 7);
    EXPECT_TRUE(clipped.empty()) << Describe(clipped);
    int label = 7;
    while (Cell(1, label) != QStringLiteral("\u3000\u3000小计")) ++label;
    w->ShowSheetCell(1, label);
    SavePicture(w, QStringLiteral("query-subtotals.png"));
}

TEST_F(ApportionSheetFitTest, DrillDownHeadingAndAmountsFitIn1024By768) {
    main_->resize(1024, 768);
    QApplication::processEvents();
    // The row with the longest subject name: the drill-down's heading line names all four groups.
    int longest = 7;
    for (int r = 7; r < RowCount() - 1; ++r)
        if (!Cell(1, r).endsWith(QStringLiteral("小计")) && Cell(7, r).size() > Cell(7, longest).size()) longest = r;
    TbfrmApportionDetail *d = Drill(longest);
    ASSERT_NE(d, nullptr);
    QApplication::processEvents();
    const TSheetModel &m = d->cllBudget->Model();
    EXPECT_GT(m.RowHeight(2), m.DefaultRowHeight());  // the heading line takes two
    const auto clipped = ClippedTexts(m, {1, 11, 14}, 7);
    EXPECT_TRUE(clipped.empty()) << Describe(clipped);
    // The amount column, right of the others, lies inside the sheet's view and the host's area.
    TSheetView *view = d->cllBudget->View();
    EXPECT_EQ(view->horizontalScrollBar()->maximum(), 0);
    const QRect amount = view->CellRect(14, 7);
    const QWidget *area = main_->centralWidget();
    const QPoint right = view->viewport()->mapTo(main_.get(), amount.topRight());
    EXPECT_LE(amount.right(), view->viewport()->width());
    EXPECT_LE(right.x(), area->geometry().right()) << area->width();
    SavePicture(main_.get(), QStringLiteral("drill-1024.png"));
    delete d;
}

}  // namespace

namespace {

// Every filter drop-down shows its longest entry whole ("一般公共预算资金" in 资金性质 included), and
// no box runs into the next column's label.
TEST_F(ApportionSheetFitTest, FilterDropDownsShowTheirLongestEntryWhole) {
    w->Show();
    QApplication::processEvents();
    QList<QRect> taken;
    for (QComboBox *box : {w->cobType, w->cobMid, w->cobPid, w->cobIPid, w->cobSecret, w->cobClass}) {
        QStyleOptionComboBox option;
        option.initFrom(box);
        const QRect text = box->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, box);
        for (int i = 0; i < box->count(); ++i)
            EXPECT_LE(box->fontMetrics().horizontalAdvance(box->itemText(i)), text.width())
                << box->objectName().toStdString() << ": " << box->itemText(i).toStdString();
        taken << box->geometry();
    }
    for (QLabel *label : w->pnlTopMessage->findChildren<QLabel *>())
        for (const QRect &box : taken)
            EXPECT_FALSE(label->isVisible() && label->geometry().intersects(box)) << label->text().toStdString();
    SavePicture(w, QStringLiteral("query-filters.png"));
}

}  // namespace
