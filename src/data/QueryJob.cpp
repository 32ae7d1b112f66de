#include "data/QueryJob.h"

#include "authpay/Exception.h"
#include "data/StatementCancel.h"
#include "platform/PlatformErrors.h"
#include "data/WorkerConnection.h"

#include <QMetaObject>
#include <mutex>

namespace {
constexpr const char *kFamily = "query";
}

struct TQueryJob::TState {
    std::mutex mutex;
    TQueryJob *owner = nullptr;  // null once the job is gone: nothing is delivered then
    TStatementCanceller canceller;
    bool progressPosted = false;  // a Progress is on its way
};

TQueryJob::TQueryJob(QString connectionString, TDbManager *manager, QObject *parent)
    : QObject(parent), state_(std::make_shared<TState>()),
      thread_(kFamily, [s = state_] { s->canceller.Cancel(); }), connectionString_(std::move(connectionString)),
      manager_(manager) {
    state_->owner = this;
}

TQueryJob::~TQueryJob() {
    {
        std::lock_guard lock(state_->mutex);
        state_->owner = nullptr;
    }
    // The thread's destruction waits for it, with a bound: a statement that the database could
    // not stop is left to end by itself, and the module's detach step joins it.
    thread_.Cancel();
}

namespace {
// Runs the work on a connection of its own and says how it ended.
TJobOutcome RunOnWorker(TStatementCanceller &canceller, const QString &cs, TDbManager *manager,
                        const TQueryJob::TWork &work, const std::atomic<bool> &cancelled) {
    TJobOutcome outcome = TJobOutcome::Success();
    try {
        TWorkerConnection connection(cs, manager);
        canceller.Arm(connection.Database());
        // A cancel that came before the connection could be interrupted is seen here.
        if (!cancelled) work(cancelled);
        canceller.Disarm();
    } catch (const Exception &e) {
        outcome = TJobOutcome::Failure(e.Message);
    } catch (const std::bad_alloc &) {
        outcome = TJobOutcome::Failure(SOutOfMemory());
    } catch (const std::exception &e) {
        outcome = TJobOutcome::Failure(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        outcome = TJobOutcome::Failure(QStringLiteral("查询时发生未知错误"));
    }
    canceller.Disarm();
    if (cancelled) outcome = TJobOutcome::Stop();
    return outcome;
}
}  // namespace

bool TQueryJob::Start(TWork work) {
    return thread_.Start([s = state_, cs = connectionString_, manager = manager_,
                          work = std::move(work)](const std::atomic<bool> &cancelled) {
        const TJobOutcome outcome = RunOnWorker(s->canceller, cs, manager, work, cancelled);
        std::lock_guard lock(s->mutex);
        if (s->owner)
            QMetaObject::invokeMethod(
                s->owner, [owner = s->owner, outcome] { owner->Deliver(outcome); }, Qt::QueuedConnection);
    });
}

void TQueryJob::Deliver(const TJobOutcome &outcome) {
    // The thread is at its last step: once it has ended, the job is idle for whoever hears it.
    thread_.Wait(-1);
    emit Finished(outcome);
}

std::function<void()> TQueryJob::Notifier() const {
    return [s = state_] {
        std::lock_guard lock(s->mutex);
        if (!s->owner || s->progressPosted) return;
        s->progressPosted = true;
        QMetaObject::invokeMethod(s->owner, [owner = s->owner] { owner->DeliverProgress(); }, Qt::QueuedConnection);
    };
}

void TQueryJob::DeliverProgress() {
    {
        std::lock_guard lock(state_->mutex);
        state_->progressPosted = false;
    }
    emit Progress();
}

void TQueryJob::Cancel() { thread_.Cancel(); }
bool TQueryJob::Running() const { return thread_.Running(); }
bool TQueryJob::Cancelled() const { return thread_.Cancelled(); }
bool TQueryJob::Wait(int msecs) { return thread_.Wait(msecs); }
int TQueryJob::LiveCount() { return TWorkThread::LiveCount(kFamily); }
bool TQueryJob::CancelAll(int msecs) { return TWorkThread::StopAll(msecs, kFamily); }
