// A Refresh whose statement runs long: the window goes on answering, the panel's "取消" button
// and Esc stop the database's work and put back the sheet shown before, and closing the window
// during the statement stops and joins its thread. On both backends, with a view that is slow on
// purpose (a long recursive count on SQLite, pg_sleep on PostgreSQL).
#include "query/QueryWindow.h"

#include "data/QueryJob.h"
#include "report/ReportSheet.h"

#include <QComboBox>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace {

const char *kSlowSqlite =
    "create view vwSlowBudget as select * from vwBudgetAdj where (with recursive c(x) as (select 1 union all "
    "select x+1 from c where x<2000000000) select count(*) from c) > 0";
const char *kSlowPg = "create or replace view vwSlowBudget as select * from vwBudgetAdj "
                      "where (select count(*) from pg_sleep(60)) > 0";

class ApportionCancelTest : public TQueryWindowTest, public ::testing::WithParamInterface<TBackend> {
protected:
    // The window on a database that also holds the slow view, its first Refresh done on the
    // ordinary one.
    void OpenWithSlowView() {
        OpenWithObjects(GetParam(), {QString::fromLatin1(kSlowSqlite)},
                        {QString::fromLatin1(kSlowPg), QStringLiteral("grant select on vwSlowBudget to public")});
        if (!w) return;
        ASSERT_TRUE(w);
        Refresh();
        before_ = w->SheetTabText();
        ASSERT_GT(RowCount(), 8);
        w->FSourceView = QStringLiteral(" vwSlowBudget ");
        Click(w->tbtnRefresh);
        Pump(300);
        ASSERT_TRUE(w->Busy());
        EXPECT_FALSE(w->tbtnRefresh->isEnabled() || w->tbtnExcel->isEnabled() || w->gbxNum->isEnabled());
        EXPECT_TRUE(w->lblRunning->text().startsWith(QStringLiteral("正在查询…")));
        EXPECT_EQ(w->lblRunningWhat->text(), w->cmbNum[0]->currentText().trimmed());  // after "正在提取数据："
    }
    static void Pump(int msecs) {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < msecs) QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    // Waits for the window to be idle again; how long that took after the cancel, in ms.
    qint64 IdleAfterCancel() {
        QElapsedTimer t;
        t.start();
        while (w->Busy() && t.elapsed() < 10000) QApplication::processEvents(QEventLoop::AllEvents, 5);
        return t.elapsed();
    }
    void ExpectTheOldSheet() {
        EXPECT_FALSE(w->Busy());
        EXPECT_EQ(w->SheetTabText(), before_);
        EXPECT_EQ(w->lblRunning->text(), QStringLiteral("查询已取消"));
        EXPECT_TRUE(answers.boxes.isEmpty()) << answers.boxes.value(0).text.toStdString();
        EXPECT_TRUE(w->tbtnRefresh->isEnabled() && w->gbxNum->isEnabled());
    }
    QString before_;
};

TEST_P(ApportionCancelTest, TheCancelButtonStopsTheStatementAndPutsBackTheSheet) {
    OpenWithSlowView();
    if (!w) return;
    QTest::mouseClick(w->btnCancelRun, Qt::LeftButton);
    EXPECT_LT(IdleAfterCancel(), 1000);
    ExpectTheOldSheet();
}

TEST_P(ApportionCancelTest, EscPressesCancel) {
    OpenWithSlowView();
    if (!w) return;
    QTest::keyClick(w->cllBudget, Qt::Key_Escape);
    EXPECT_LT(IdleAfterCancel(), 1000);
    ExpectTheOldSheet();
}

TEST_P(ApportionCancelTest, ClosingTheWindowStopsAndJoinsTheStatement) {
    OpenWithSlowView();
    if (!w) return;
    QElapsedTimer t;
    t.start();
    QTest::mouseClick(w->tbnExit, Qt::LeftButton);
    QApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    w = nullptr;
    EXPECT_LT(t.elapsed(), 2000);
    EXPECT_EQ(TQueryJob::LiveCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(Backends, ApportionCancelTest, ::testing::Values(TBackend::SQLite, TBackend::PostgreSQL),
                         [](const auto &info) { return BackendName(info.param); });

}  // namespace
