// A sheet whose conditions have changed since its Refresh is marked, dimmed and asks before it is
// written out; a Refresh without rows says so; the conditions scroll in a narrow window.
#include "query/CodeEdit.h"
#include "query/QueryWindow.h"
#include "report/ReportSheet.h"
#include "report/SheetView.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>

namespace {

const QString kAsk = QStringLiteral("查询条件已改变，报表中仍是上次刷新的结果。\n仍要输出这份结果吗？");

class ApportionSheetStateTest : public TQueryWindowTest {
protected:
    void SetUp() override { Open(TBackend::SQLite); }
    void RefreshByFund() {
        Choose(w->cmbNum[1], QStringLiteral("资金性质"));
        Refresh();
        ASSERT_GT(RowCount(), 8);
    }
    bool LineShows(const QString &text) const { return w->lblSheetState->isVisible() && w->lblSheetState->text() == text; }
    // Pixels of the sheet view darker than mid grey: the text and rules of a sheet painted in full.
    int DarkPixels(const QString &picture) const {
        // Drawn by its parent, as on screen: the view's effect applies to what the parent paints.
        QWidget *view = w->cllBudget->View();
        const QImage image = w->cllBudget->grab(view->geometry()).toImage();
        if (qEnvironmentVariableIsSet("AUTHPAY_SCREENSHOT_DIR"))
            w->window()->grab().save(qEnvironmentVariable("AUTHPAY_SCREENSHOT_DIR") + QLatin1Char('/') + picture);
        int dark = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) dark += qGray(image.pixel(x, y)) < 80;
        return dark;
    }
};

TEST_F(ApportionSheetStateTest, AChangedConditionMarksTheSheetUntilItIsBackOrRefreshed) {
    RefreshByFund();
    EXPECT_FALSE(w->lblSheetState->isVisible());
    EXPECT_FALSE(w->SheetStale());
    const QString fund = w->cobMid->currentText();
    Choose(w->cobMid, w->cobMid->itemText(1) == fund ? w->cobMid->itemText(2) : w->cobMid->itemText(1));
    EXPECT_TRUE(w->SheetStale());
    EXPECT_TRUE(LineShows(QStringLiteral("条件已改变，请刷新")));
    EXPECT_EQ(DarkPixels(QStringLiteral("sheet-stale.png")), 0);
    // Back to what the sheet was made with: current again, painted as before.
    Choose(w->cobMid, fund);
    EXPECT_FALSE(w->SheetStale());
    EXPECT_FALSE(w->lblSheetState->isVisible());
    EXPECT_GT(DarkPixels(QStringLiteral("sheet-current.png")), 1000);
    // A box clicked and a Refresh: the sheet answers the new conditions.
    Click(w->chbSubtotal);
    EXPECT_TRUE(LineShows(QStringLiteral("条件已改变，请刷新")));
    Refresh();
    EXPECT_FALSE(w->SheetStale());
    EXPECT_FALSE(w->lblSheetState->isVisible());
}

TEST_F(ApportionSheetStateTest, AStaleSheetAsksBeforeItIsExportedOrPreviewed) {
    RefreshByFund();
    Click(w->chbSubtotal);
    const QString file = tmp.filePath(QStringLiteral("stale.xls"));
    answers.saveAs = file;
    Click(w->tbtnExcel);  // the question's default is No: nothing is asked for or written
    ASSERT_EQ(answers.boxes.size(), 1);
    EXPECT_EQ(answers.boxes[0].text, kAsk);
    EXPECT_EQ(answers.boxes[0].icon, QMessageBox::Question);
    EXPECT_EQ(answers.saveDialogs, 0);
    EXPECT_FALSE(QFileInfo::exists(file));

    answers.yesTo << kAsk;
    answers.boxes.clear();
    Click(w->tbtnExcel);
    EXPECT_EQ(answers.saveDialogs, 1);
    EXPECT_TRUE(QFileInfo::exists(file));

    const QString pdf = tmp.filePath(QStringLiteral("stale.pdf"));
    w->SetPrintFile(pdf);
    answers.yesTo.clear();
    answers.boxes.clear();
    Click(w->tbnPrintView);
    ASSERT_EQ(answers.boxes.size(), 1);
    EXPECT_FALSE(QFileInfo::exists(pdf));
    // A current sheet is written without a question.
    Click(w->chbSubtotal);
    answers.boxes.clear();
    Click(w->tbnPrintView);
    EXPECT_TRUE(answers.boxes.isEmpty());
    EXPECT_TRUE(QFileInfo::exists(pdf));
}

TEST_F(ApportionSheetStateTest, ARefreshWithoutRowsSaysSoAndAGroupingChangeClearsTheLine) {
    OpenWithObjects(TBackend::SQLite, {QStringLiteral("delete from BusiBudgetAdj where eid like '001006%'")}, {});
    TypeAndLeave(w->edtEid, QStringLiteral("001006"));
    Refresh();
    EXPECT_EQ(RowCount(), 7);
    EXPECT_TRUE(LineShows(QStringLiteral("没有符合条件的数据")));
    EXPECT_EQ(w->cllBudget->View()->graphicsEffect(), nullptr);
    w->edtEid->clear();
    EXPECT_TRUE(LineShows(QStringLiteral("条件已改变，请刷新")));
    Refresh();
    EXPECT_FALSE(w->lblSheetState->isVisible());
    // A new grouping takes the rows away: there is no result to call old.
    Choose(w->cmbNum[1], w->cmbNum[1]->itemText(0));
    EXPECT_EQ(RowCount(), 7);
    EXPECT_FALSE(w->lblSheetState->isVisible());
}

// Failures are told with the warning icon, the window's other messages with the information icon.
TEST_F(ApportionSheetStateTest, AFailureIsToldWithTheWarningIcon) {
    TypeAndLeave(w->edtEid, QStringLiteral("003999"));
    ASSERT_EQ(answers.boxes.size(), 1);
    EXPECT_EQ(answers.boxes[0].icon, QMessageBox::Information);  // a wrong code is the user's to mend
    answers.boxes.clear();
    RefreshByFund();
    w->SetPrintFile(tmp.filePath(QStringLiteral("no/such/folder/x.pdf")));
    Click(w->tbnPrintView);
    ASSERT_EQ(answers.boxes.size(), 1);
    EXPECT_EQ(answers.boxes[0].icon, QMessageBox::Warning);
}

TEST_F(ApportionSheetStateTest, ANarrowWindowScrollsItsConditionsInsteadOfCuttingThem) {
    RefreshByFund();
    auto *scroll = w->findChild<QScrollArea *>(QStringLiteral("scrConditions"));
    ASSERT_NE(scroll, nullptr);
    QWidget *frame = w->parentWidget() ? w->parentWidget() : w;
    EXPECT_LT(frame->minimumSizeHint().width(), 700);
    frame->resize(700, frame->height());
    QApplication::processEvents();
    EXPECT_LE(w->width(), 700);
    EXPECT_TRUE(scroll->horizontalScrollBar()->isVisible());
    EXPECT_GT(scroll->horizontalScrollBar()->maximum(), 0);
    // The unit box, rightmost of the filters, is reached by scrolling.
    scroll->ensureWidgetVisible(w->chbEidType);
    QApplication::processEvents();
    const QPoint right = w->chbEidType->mapTo(scroll->viewport(), QPoint(w->chbEidType->width() - 1, 0));
    EXPECT_LE(right.x(), scroll->viewport()->width());
    frame->resize(1300, frame->height());
    QApplication::processEvents();
    EXPECT_FALSE(scroll->horizontalScrollBar()->isVisible());
}

}  // namespace
