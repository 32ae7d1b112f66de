#pragma once
// TQueryThread: opens one child query of a dynamic tree on a background thread (a TWorkThread)
// and hands the rows to the user-interface thread. The statement runs on a connection opened for the thread
// alone (see TMemDataSet); OnQueryDone is then raised in the user-interface thread while the
// background thread waits, and the termination handler runs there once the thread has finished,
// after which the thread frees itself.
//
// Terminate only asks: the thread finishes what it is doing, skips what is left and delivers
// nothing; a thread that waits to hand its rows over stops waiting, unless the hand-over has
// begun. Every handler is called in the user-interface thread.
#include "data/MemDataSet.h"
#include "platform/WorkThread.h"

#include <QObject>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

class TNodeItem;

class TQueryThread : public QObject {
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

    // Starts the query (once).
    void start();
    // Waits, taking no event, until the thread has ended or msecs have passed; true when ended
    // (or never started).
    bool wait(int msecs);
    void Terminate();
    bool IsTerminated() const { return terminated_; }
    // Whether its query failed (its rows are then not delivered).
    bool Failed() const { return failed_; }

    // Query threads not yet freed, in this process.
    static int LiveCount();
    // Lets pending deliveries and self-frees run until no query thread is left, or the time is up
    // (milliseconds). Answers whether none is left. For tests.
    static bool WaitForAll(int msecs);
    // For the module's unload: asks every query thread to terminate, joins each within the bound
    // (milliseconds, for all together) and frees those that ended, their pending deliveries with
    // them. Takes no event. Answers whether none is left.
    static bool StopAll(int msecs);

private:
    void run();
    void DoQueryDone();
    void Finished();

    std::unique_ptr<TMemDataSet> query_;
    std::atomic<bool> terminated_{false};
    std::atomic<bool> failed_{false};
    // The hand-over of the rows: begun and ended in the user-interface thread, waited for here.
    std::mutex handOver_;
    std::condition_variable handedOver_;
    bool deliveryBegun_ = false;
    bool deliveryEnded_ = false;
    TWorkThread thread_;
};
