#include "data/QueryJob.h"

#include "authpay/Exception.h"
#include "data/StatementCancel.h"
#include "platform/PlatformErrors.h"
#include "data/WorkerConnection.h"

#include <QMetaObject>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <system_error>
#include <thread>
#include <vector>

struct TQueryJob::TState {
    std::mutex mutex;
    std::condition_variable ended;
    bool done = true;
    TQueryJob *owner = nullptr;  // null once the job is gone: nothing is delivered then
    std::atomic<bool> cancelled{false};
    TStatementCanceller canceller;
    std::thread thread;
};

namespace {
// Every job thread not yet joined, so that the module can stop them all before it goes (the
// module's start-up makes the list first, so that it outlives the detach step that reads it).
std::mutex registryMutex;
std::vector<std::shared_ptr<TQueryJob::TState>> &Registry() {
    static std::vector<std::shared_ptr<TQueryJob::TState>> states;
    return states;
}

// Joins the state's thread when it has ended within the deadline; true when joined.
template <typename State>
bool JoinBy(State &s, std::chrono::steady_clock::time_point deadline) {
    std::unique_lock lock(s.mutex);
    if (!s.ended.wait_until(lock, deadline, [&s] { return s.done; })) return false;
    lock.unlock();
    if (s.thread.joinable()) s.thread.join();
    return true;
}

template <typename State> void Unregister(const State *s) {
    std::lock_guard lock(registryMutex);
    auto &r = Registry();
    r.erase(std::remove_if(r.begin(), r.end(), [s](const auto &p) { return p.get() == s; }), r.end());
}
}  // namespace

TQueryJob::TQueryJob(QString connectionString, TDbManager *manager, QObject *parent)
    : QObject(parent), state_(std::make_shared<TState>()), connectionString_(std::move(connectionString)),
      manager_(manager) {
    state_->owner = this;
}

TQueryJob::~TQueryJob() {
    {
        std::lock_guard lock(state_->mutex);
        state_->owner = nullptr;
    }
    Cancel();
    // A statement that the database could not stop is left to end by itself; the module's detach
    // step waits for it.
    if (JoinBy(*state_, std::chrono::steady_clock::now() + std::chrono::seconds(5))) Unregister(state_.get());
}

bool TQueryJob::Start(TWork work) {
    if (Running()) return false;
    if (state_->thread.joinable()) state_->thread.join();
    state_->cancelled = false;
    state_->done = false;
    {
        std::lock_guard lock(registryMutex);
        if (std::find(Registry().begin(), Registry().end(), state_) == Registry().end()) Registry().push_back(state_);
    }
    try {
        Launch(std::move(work));
    } catch (const std::system_error &) {
        // No thread to be had (the process is out of memory or threads): nothing runs, and the
        // caller hears why.
        {
            std::lock_guard lock(state_->mutex);
            state_->done = true;
        }
        Unregister(state_.get());
        throw EOutOfMemory(SOutOfMemory());
    }
    return true;
}

void TQueryJob::Launch(TWork work) {
    state_->thread = std::thread([s = state_, cs = connectionString_, manager = manager_, work = std::move(work)] {
        TJobOutcome outcome;
        try {
            TWorkerConnection connection(cs, manager);
            s->canceller.Arm(connection.Database());
            // A cancel that came before the connection could be interrupted is seen here.
            if (!s->cancelled) work(s->cancelled);
            s->canceller.Disarm();
            outcome.ok = true;
        } catch (const Exception &e) {
            outcome.error = e.Message;
        } catch (const std::bad_alloc &) {
            outcome.error = SOutOfMemory();
        } catch (const std::exception &e) {
            outcome.error = QString::fromLocal8Bit(e.what());
        } catch (...) {
            outcome.error = QStringLiteral("查询时发生未知错误");
        }
        s->canceller.Disarm();
        if (s->cancelled) outcome = {false, true, QString()};
        std::lock_guard lock(s->mutex);
        if (s->owner)
            QMetaObject::invokeMethod(
                s->owner, [owner = s->owner, outcome] { emit owner->Finished(outcome); }, Qt::QueuedConnection);
        s->done = true;
        s->ended.notify_all();
    });
}

void TQueryJob::Cancel() {
    state_->cancelled = true;
    state_->canceller.Cancel();
}

bool TQueryJob::Running() const {
    std::lock_guard lock(state_->mutex);
    return !state_->done;
}

bool TQueryJob::Cancelled() const { return state_->cancelled; }

bool TQueryJob::Wait(int msecs) {
    return JoinBy(*state_, std::chrono::steady_clock::now() + std::chrono::milliseconds(msecs));
}

int TQueryJob::LiveCount() {
    std::lock_guard lock(registryMutex);
    int live = 0;
    for (const auto &s : Registry()) {
        std::lock_guard stateLock(s->mutex);
        live += s->done ? 0 : 1;
    }
    return live;
}

bool TQueryJob::CancelAll(int msecs) {
    std::vector<std::shared_ptr<TState>> states;
    {
        std::lock_guard lock(registryMutex);
        states = Registry();
    }
    for (const auto &s : states) {
        s->cancelled = true;
        s->canceller.Cancel();
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(msecs);
    bool all = true;
    for (const auto &s : states) {
        if (JoinBy(*s, deadline)) Unregister(s.get());
        else all = false;
    }
    return all;
}
