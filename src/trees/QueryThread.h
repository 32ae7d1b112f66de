#pragma once
// TQueryThread: opens one child query of a dynamic tree on a background thread and hands the
// rows to the user-interface thread. The statement runs on a connection opened for the thread
// alone (see TMemDataSet); OnQueryDone is then raised in the user-interface thread while the
// background thread waits, and the termination handler runs there once the thread has finished,
// after which the thread frees itself.
//
// Terminate only asks: the thread finishes what it is doing, skips what is left and delivers
// nothing. Every handler is called in the user-interface thread.
#include "data/MemDataSet.h"

#include <QThread>
#include <atomic>
#include <functional>
#include <memory>

class TNodeItem;

class TQueryThread : public QThread {
    Q_OBJECT
public:
    using TQueryDoneEvent = std::function<void(TQueryThread *thread, TMemDataSet *dataSet)>;
    using TNotifyEvent = std::function<void(TQueryThread *thread)>;

    // Unless createSuspended, the thread starts at once.
    TQueryThread(bool createSuspended, std::unique_ptr<TMemDataSet> query);
    ~TQueryThread() override;

    TMemDataSet *Query() const { return query_.get(); }
    TQueryDoneEvent OnQueryDone;
    TNotifyEvent OnTerminate;
    TNodeItem *ParentNode = nullptr;

    void Terminate() { terminated_ = true; }
    bool IsTerminated() const { return terminated_; }
    // Whether its query failed (its rows are then not delivered).
    bool Failed() const { return failed_; }

    // Query threads not yet freed, in this process.
    static int LiveCount();
    // Lets pending deliveries and self-frees run until no query thread is left, or the time is up
    // (milliseconds). Answers whether none is left. For shut-down and tests.
    static bool WaitForAll(int msecs);

protected:
    void run() override;

private:
    void DoQueryDone();
    void Finished();

    std::unique_ptr<TMemDataSet> query_;
    std::atomic<bool> terminated_{false};
    std::atomic<bool> failed_{false};
};
