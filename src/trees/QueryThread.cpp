#include "trees/QueryThread.h"

#include "frame/EventGuard.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QList>
#include <QThread>

namespace {
std::atomic<int> liveThreads{0};
// Every query thread not yet freed. Threads are made and freed in the user-interface thread only.
QList<TQueryThread *> &LiveThreads() {
    static QList<TQueryThread *> threads;
    return threads;
}
}  // namespace

TQueryThread::TQueryThread(bool createSuspended, std::unique_ptr<TMemDataSet> query)
    : query_(std::move(query)), thread_("tree-load", [this] { Terminate(); }) {
    ++liveThreads;
    LiveThreads().append(this);
    if (!createSuspended) start();
}

TQueryThread::~TQueryThread() {
    // The work reads this object: it must have ended before the object goes.
    thread_.Wait(-1);
    LiveThreads().removeOne(this);
    --liveThreads;
}

void TQueryThread::start() {
    // The end is heard in the creating (user-interface) thread, where this object lives.
    thread_.Start([this](const std::atomic<bool> &) {
        run();
        QMetaObject::invokeMethod(this, [this] { Finished(); }, Qt::QueuedConnection);
    });
}

bool TQueryThread::wait(int msecs) { return thread_.Wait(msecs); }

void TQueryThread::Terminate() {
    {
        std::lock_guard lock(handOver_);
        terminated_ = true;
    }
    handedOver_.notify_all();
}

void TQueryThread::run() {
    if (!terminated_) {
        try {
            query_->Open();
        } catch (...) {
            failed_ = true;
        }
    }
    if (terminated_ || failed_) return;
    // The user-interface thread reads the rows while this one waits; a termination before the
    // hand-over has begun ends the wait (the pending call goes with the thread object).
    QMetaObject::invokeMethod(this, [this] { DoQueryDone(); }, Qt::QueuedConnection);
    std::unique_lock lock(handOver_);
    handedOver_.wait(lock, [this] { return deliveryEnded_ || (terminated_ && !deliveryBegun_); });
}

void TQueryThread::DoQueryDone() {
    {
        std::lock_guard lock(handOver_);
        deliveryBegun_ = !terminated_;
    }
    // A copy: the handler may be replaced (a tree's deactivation clears it) while it runs.
    if (const TQueryDoneEvent done = OnQueryDone; deliveryBegun_ && done)
        GuardedEvent(this, [&] { done(this, query_.get()); });
    {
        std::lock_guard lock(handOver_);
        deliveryEnded_ = true;
    }
    handedOver_.notify_all();
}

void TQueryThread::Finished() {
    thread_.Wait(-1);
    if (const TNotifyEvent terminate = OnTerminate) GuardedEvent(this, [&] { terminate(this); });
    deleteLater();
}

int TQueryThread::LiveCount() { return liveThreads.load(); }

bool TQueryThread::WaitForAll(int msecs) {
    QDeadlineTimer deadline(msecs);
    while (liveThreads.load() > 0 && !deadline.hasExpired()) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (liveThreads.load() > 0) QThread::msleep(1);
    }
    return liveThreads.load() == 0;
}

bool TQueryThread::StopAll(int msecs) {
    const QList<TQueryThread *> threads = LiveThreads();
    for (TQueryThread *thread : threads) thread->Terminate();
    QDeadlineTimer deadline(msecs);
    for (TQueryThread *thread : threads)
        if (thread->wait(int(deadline.remainingTime()))) delete thread;
    return liveThreads.load() == 0;
}
