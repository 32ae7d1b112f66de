// Statements on a worker thread: the user-interface thread keeps running while they run, a cancel
// stops the database's work (not just the wait), failures come back with the default road's text
// and leave the manager's last error alone, and a job destroyed while it runs is stopped and joined.
#include "authpay/DbManager.h"
#include "data/DatabaseError.h"
#include "data/DefaultConn.h"
#include "data/QueryJob.h"
#include "DemoDb.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThread>
#include <optional>
#include <gtest/gtest.h>

namespace {
class QueryJobTest : public TBackendTest {
protected:
    // A statement that runs for many seconds unless it is stopped.
    QString Slow() const {
        return GetParam() == TBackend::PostgreSQL
                   // The test process's own marker: tests of other processes sleep on the same server.
                   ? QStringLiteral("select count(*) from pg_sleep(30) as sleep_%1").arg(QCoreApplication::applicationPid())
                   : QStringLiteral("with recursive c(x) as (select 1 union all select x+1 from c where x<2000000000) "
                                    "select count(*) from c");
    }
    // Runs one statement through the default road in the job's thread; the first value in `value`.
    static TQueryJob::TWork Statement(const QString &sql, QString *value) {
        return [sql, value](const std::atomic<bool> &) {
            IARQueryPtr q;
            if (!OpenDefaultQuery(sql, q)) throw EDatabaseError(LastDbError());
            *value = q.Query()->Fields(0).AsString();
        };
    }
    // Processes events until the job has finished or the time is up; the outcome, or none.
    std::optional<authpay::Outcome> WaitFor(TQueryJob &job, int msecs) {
        std::optional<authpay::Outcome> outcome;
        QObject::connect(&job, &TQueryJob::Finished, &job, [&outcome](const authpay::Outcome &o) { outcome = o; });
        QElapsedTimer t;
        t.start();
        while (!outcome && t.elapsed() < msecs) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        return outcome;
    }
    TDbManager *Manager() { return &ctx_->Manager; }
};
}  // namespace

TEST_P(QueryJobTest, RunsOnItsOwnConnectionAndDeliversInTheCallersThread) {
    QString value;
    TQueryJob job(Manager()->ConnectionString, Manager());
    ASSERT_TRUE(job.Start(Statement(QStringLiteral("select count(*) from vwBudgetAdj"), &value)));
    const auto outcome = WaitFor(job, 30000);
    ASSERT_TRUE(outcome && outcome->Ok()) << (outcome ? outcome->message.toStdString() : "no outcome");
    EXPECT_GT(value.toInt(), 0);
    EXPECT_EQ(TQueryJob::LiveCount(), 0);
}

TEST_P(QueryJobTest, FailureCarriesTheDefaultRoadsTextAndLeavesTheManagersAlone) {
    Manager()->SetLastError(QStringLiteral("earlier"));
    QString value;
    TQueryJob job(Manager()->ConnectionString, Manager());
    job.Start(Statement(QStringLiteral("select nosuchcolumn from vwBudgetAdj"), &value));
    const auto outcome = WaitFor(job, 30000);
    ASSERT_TRUE(outcome);
    EXPECT_FALSE(outcome->Ok() || outcome->Stopped());
    EXPECT_TRUE(outcome->message.startsWith(QStringLiteral("SQL语句执行失败："))) << outcome->message.toStdString();
    EXPECT_EQ(Manager()->LastError(), QStringLiteral("earlier"));
}

// Cancelled 200 ms in, the job ends within a quarter of a second of the cancel, and on PostgreSQL
// the server runs no statement of it a second later.
TEST_P(QueryJobTest, CancelStopsTheDatabasesWork) {
    QString value;
    TQueryJob job(Manager()->ConnectionString, Manager());
    job.Start(Statement(Slow(), &value));
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 200) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    t.restart();
    job.Cancel();
    const auto outcome = WaitFor(job, 5000);
    ASSERT_TRUE(outcome);
    EXPECT_TRUE(outcome->Stopped());
    EXPECT_LT(t.elapsed(), 250);
    if (GetParam() != TBackend::PostgreSQL) return;
    while (t.elapsed() < 1000) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QString running;
    TQueryJob probe(Manager()->ConnectionString, Manager());
    probe.Start(Statement(QStringLiteral("select count(*) from pg_stat_activity where query like '%sleep_%1%' "
                                         "and query not like '%pg_stat_activity%'")
                              .arg(QCoreApplication::applicationPid()),
                          &running));
    ASSERT_TRUE(WaitFor(probe, 30000));
    EXPECT_EQ(running, "0");
}

// Destroyed while its statement runs: stopped and joined at once, nothing delivered.
TEST_P(QueryJobTest, DestroyingARunningJobStopsAndJoinsIt) {
    QString value;
    bool delivered = false;
    QElapsedTimer t;
    {
        TQueryJob job(Manager()->ConnectionString, Manager());
        QObject::connect(&job, &TQueryJob::Finished, [&delivered] { delivered = true; });
        job.Start(Statement(Slow(), &value));
        QThread::msleep(150);
        t.start();
    }
    EXPECT_LT(t.elapsed(), 1000);
    EXPECT_EQ(TQueryJob::LiveCount(), 0);
    QCoreApplication::processEvents();
    EXPECT_FALSE(delivered);
}


// The module's detach step: every running job is cancelled and joined within the bound, with no
// event processed.
TEST_P(QueryJobTest, CancelAllStopsEveryRunningJob) {
    QString first, second;
    auto a = std::make_unique<TQueryJob>(Manager()->ConnectionString, Manager());
    auto b = std::make_unique<TQueryJob>(Manager()->ConnectionString, Manager());
    a->Start(Statement(Slow(), &first));
    b->Start(Statement(Slow(), &second));
    QThread::msleep(200);
    ASSERT_EQ(TQueryJob::LiveCount(), 2);
    EXPECT_TRUE(TQueryJob::CancelAll(5000));
    EXPECT_EQ(TQueryJob::LiveCount(), 0);
    EXPECT_TRUE(a->Cancelled() && b->Cancelled());
}

AUTHPAY_ON_BOTH_BACKENDS(QueryJobTest);
