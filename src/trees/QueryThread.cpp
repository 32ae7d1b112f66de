#include "trees/QueryThread.h"

#include "frame/EventGuard.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

namespace {
std::atomic<int> liveThreads{0};
}

TQueryThread::TQueryThread(bool createSuspended, std::unique_ptr<TMemDataSet> query)
    : query_(std::move(query)) {
    ++liveThreads;
    // The thread object lives in the creating (user-interface) thread: the finished signal
    // arrives there.
    connect(this, &QThread::finished, this, &TQueryThread::Finished, Qt::QueuedConnection);
    if (!createSuspended) start();
}

TQueryThread::~TQueryThread() {
    wait();
    --liveThreads;
}

void TQueryThread::run() {
    if (!terminated_) {
        try {
            query_->Open();
        } catch (...) {
            failed_ = true;
        }
    }
    // The user-interface thread reads the rows while this one waits.
    if (!terminated_ && !failed_)
        QMetaObject::invokeMethod(this, [this] { DoQueryDone(); }, Qt::BlockingQueuedConnection);
}

void TQueryThread::DoQueryDone() {
    if (terminated_ || !OnQueryDone) return;
    GuardedEvent(this, [this] { OnQueryDone(this, query_.get()); });
}

void TQueryThread::Finished() {
    wait();
    if (OnTerminate) GuardedEvent(this, [this] { OnTerminate(this); });
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
