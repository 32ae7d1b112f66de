// A drill-down's reads on its worker thread: the window opens at once and says what runs, its
// "取消" button and Esc stop the database's work and keep the rows it had (also the rows of a read
// cancelled while they are being written), closing it or its query window during a read stops and
// joins the thread, and a first page that fails is said by the drill-down, which closes. Each test
// gives the budget rows a row id of its own making, which only the drill-down reads: a slow one (a
// long recursive count on SQLite, pg_sleep on PostgreSQL), a failing one, or ten rows per row.
#include "query/QueryWindow.h"

#include "data/QueryJob.h"
#include "report/ReportSheet.h"
#include "report/SheetView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace {

const QString kSlowSqlite = QStringLiteral(
    "id + 0*(with recursive c(x) as (select 1 union all select x+1 from c where x<2000000000) select count(*) from c)");
// Not volatile, so that the summary's statement leaves the column out.
const QString kSlowPgFunction = QStringLiteral(
    "create or replace function drill_wait() returns bigint language sql stable as 'select count(*) from pg_sleep(60)'");

class ApportionDrillCancelTest : public TQueryWindowDbTest {
protected:
    // The query window, refreshed, over vwDrill: the budget rows with the row id given (`from`
    // joined in), which the summary does not read.
    void OpenOnView(const QString &sqliteId, const QString &pgId, const QString &sqliteFrom = {}, const QString &pgFrom = {}) {
        // A view of this test's own: tests of other processes use the same demo at the same time.
        const QString name = QStringLiteral("vwDrill%1").arg(qHash(QString::fromUtf8(
                                 ::testing::UnitTest::GetInstance()->current_test_info()->name()), 0));
        const QString view = QStringLiteral(
            "view %1 as select %2 as id, datayear, eid, ename, bkid, btype, btypechild, issecret, mid, mname, ipid, "
            "ipname, pid, pname, bid, bname, iid, iname, budgmoney from vwBudgetAdj").arg(name);
        OpenWithObjects(GetParam(), {"create " + view.arg(sqliteId) + sqliteFrom},
                        {kSlowPgFunction, "drop view if exists " + name, "create " + view.arg(pgId) + pgFrom,
                         "grant select on " + name + " to public"});
        if (!w) return;
        w->FSourceView = QLatin1Char(' ') + name + QLatin1Char(' ');
        Refresh();
    }
    // The drill-down a row of the query window opens (the first result row unless said), as soon
    // as it is shown.
    TbfrmApportionDetail *DoubleClickRow(int row = 7) {
        w->Show();
        QApplication::processEvents();
        const QList<QWidget *> before = QApplication::allWidgets();
        const QRect cell = w->ShowSheetCell(2, row);
        QTest::mouseDClick(w->cllBudget->View()->viewport(), Qt::LeftButton, {}, cell.center());
        for (QWidget *widget : QApplication::allWidgets())
            if (auto *d = qobject_cast<TbfrmApportionDetail *>(widget); d && !before.contains(widget)) return d;
        return nullptr;
    }
    // Its first page still being read after a while, and what the window says meanwhile.
    TbfrmApportionDetail *OpenReading() {
        TbfrmApportionDetail *d = DoubleClickRow();
        if (!d) return nullptr;
        Pump(300, [] { return true; });
        EXPECT_TRUE(d->Busy() && d->btnCancelRead->isVisible());
        EXPECT_TRUE(d->lblRows->text().startsWith(QStringLiteral("正在读取…"))) << d->lblRows->text().toStdString();
        EXPECT_FALSE(d->tbtnExcel->isEnabled() || d->tbnPrintView->isEnabled() || d->tbnPrint->isEnabled());
        rowsBefore_ = d->cllBudget->SheetRowCount(0);
        return d;
    }
    // Processes events (and deletions) while `more` says so, at most msecs; how long that took.
    static qint64 Pump(int msecs, const std::function<bool()> &more) {
        QElapsedTimer t;
        t.start();
        while (more() && t.elapsed() < msecs) {
            QApplication::processEvents(QEventLoop::AllEvents, 5);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        return t.elapsed();
    }
    void ExpectCancelledWithNoRows(TbfrmApportionDetail *d) {
        EXPECT_LT(Pump(10000, [d] { return d->Busy(); }), 1000);
        EXPECT_EQ(d->FetchedRows(), 0);
        EXPECT_EQ(d->cllBudget->SheetRowCount(0), rowsBefore_);
        EXPECT_TRUE(d->lblRows->text().startsWith(QStringLiteral("读取已取消"))) << d->lblRows->text().toStdString();
        EXPECT_TRUE(d->tbtnExcel->isEnabled() && !d->btnCancelRead->isVisible());
        EXPECT_TRUE(answers.boxes.isEmpty()) << answers.boxes.value(0).text.toStdString();
    }
    int rowsBefore_ = 0;
};

TEST_P(ApportionDrillCancelTest, TheCancelButtonAndEscStopTheFirstPage) {
    OpenOnView(kSlowSqlite, QStringLiteral("id + 0*drill_wait()"));
    if (!w) return;
    TbfrmApportionDetail *d = OpenReading();
    ASSERT_NE(d, nullptr);
    QTest::mouseClick(d->btnCancelRead, Qt::LeftButton);
    ExpectCancelledWithNoRows(d);
    d->close();

    d = OpenReading();
    ASSERT_NE(d, nullptr);
    d->cllBudget->View()->setFocus();
    QTest::keyClick(d->cllBudget->View(), Qt::Key_Escape);
    ExpectCancelledWithNoRows(d);
    // The outputs read the rest first: closed meanwhile, the window stops the read, answers no,
    // and goes once it has answered.
    QTimer::singleShot(300, d, [d] { QTest::mouseClick(d->tbnExit, Qt::LeftButton); });
    const QPointer<TbfrmApportionDetail> closed = d;
    EXPECT_FALSE(d->FetchAll());
    EXPECT_EQ(d->FetchedRows(), 0);
    Pump(2000, [&closed] { return !closed.isNull(); });
    EXPECT_TRUE(closed.isNull());
    EXPECT_TRUE(answers.boxes.isEmpty());
}

TEST_P(ApportionDrillCancelTest, ClosingTheDrillDownOrItsQueryWindowStopsAndJoinsTheRead) {
    OpenOnView(kSlowSqlite, QStringLiteral("id + 0*drill_wait()"));
    if (!w) return;
    // Two drill-downs read; the second closes, then the query window, while the first waits for
    // the rest of its rows.
    const QPointer<TbfrmApportionDetail> first = OpenReading();
    ASSERT_TRUE(first);
    QTest::mouseClick(OpenReading()->tbnExit, Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(TQueryJob::LiveCount(), 1);
    QElapsedTimer t;
    t.start();
    QTimer::singleShot(300, w, [this] { w->close(); });
    EXPECT_FALSE(first->FetchAll());
    w = nullptr;
    Pump(2000, [&first] { return !first.isNull(); });
    EXPECT_LT(t.elapsed(), 2000);
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(TQueryJob::LiveCount(), 0);
}

// The rest of a large group cancelled while its rows are being written: the rows written so far go
// again; read again, the rest follows the same rows, to the figure's total.
TEST_P(ApportionDrillCancelTest, ARestCancelledWhileWrittenLeavesTheRowsItHad) {
    OpenOnView(QStringLiteral("cast(id*10+k as integer)"), QStringLiteral("id*10+k"),
               QStringLiteral(", (with recursive t(k) as (select 0 union all select k+1 from t where k<9) select k from t)"),
               QStringLiteral(", generate_series(0,9) as t(k)"));
    if (!w) return;
    TbfrmApportionDetail *d = DoubleClickRow(RowCount() - 1);
    ASSERT_NE(d, nullptr);
    WaitIdle(d);
    const int rows = d->cllBudget->SheetRowCount(0), read = d->FetchedRows();
    const QString last = d->cllBudget->SheetCellText(11, rows - 1);
    ASSERT_FALSE(d->Complete());
    QTimer writing;
    QObject::connect(&writing, &QTimer::timeout, d, [d] {
        if (d->lblRows->text().startsWith(QStringLiteral("正在写入报表"))) d->btnCancelRead->click();
    });
    writing.start(1);
    EXPECT_FALSE(d->FetchAll());
    EXPECT_EQ(d->FetchedRows(), read);
    EXPECT_EQ(d->cllBudget->SheetRowCount(0), rows);
    EXPECT_EQ(d->cllBudget->SheetCellText(11, rows - 1), last);
    writing.stop();
    ASSERT_TRUE(d->FetchAll());
    EXPECT_EQ(d->cllBudget->SheetCellText(14, d->cllBudget->SheetRowCount(0) - 1), Cell(14, RowCount() - 1));
    EXPECT_TRUE(answers.boxes.isEmpty());
}

TEST_P(ApportionDrillCancelTest, AFirstPageThatFailsIsSaidByTheDrillDownWhichCloses) {
    OpenOnView(QStringLiteral("id + (select abs(-9223372036854775807-1))"), QStringLiteral("id + 1/(id-id)"));
    if (!w) return;
    const QPointer<TbfrmApportionDetail> d = DoubleClickRow();
    ASSERT_TRUE(d && d->isVisible());
    Pump(10000, [&d] { return !d.isNull(); });
    EXPECT_TRUE(d.isNull());
    ASSERT_EQ(answers.boxes.size(), 1);
    EXPECT_FALSE(answers.boxes[0].text.isEmpty());
}

}  // namespace

AUTHPAY_ON_BOTH_BACKENDS(ApportionDrillCancelTest);
