#pragma once
// TQueryJob: work that talks to the database, run on a thread of its own so that the
// user-interface thread never waits on a statement. The work runs with a connection opened for
// that thread alone (a copy of the default connection's string, feeding the same SQL trace), which
// every statement opened there through the default road uses: OpenDefaultQuery, the lookups.
// When it ends, Finished is delivered in the thread that made the job.
//
// Cancel asks the database to stop the statement that runs (see TStatementCanceller) and marks
// the job cancelled; the work sees that through Cancelled() between rows. Destroying the job
// cancels it and waits for its thread, with a bound: a thread that does not end in time is left
// to end by itself and delivers nothing.
#include "authpay/Outcome.h"
#include "platform/WorkThread.h"

#include <QObject>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>

class TDbManager;

// How a job ended. Cancelled wins over a failure that the cancel itself caused.
// How a job ended: done, cancelled, or failed with the failure's text as the window shows it.
using TJobOutcome = authpay::Outcome;

class TQueryJob : public QObject {
    Q_OBJECT
public:
    // The work, called on the job's thread with the job's cancel flag (it must not touch the job
    // itself, which may be gone); it throws (Exception, std::exception) to fail.
    using TWork = std::function<void(const std::atomic<bool> &cancelled)>;

    // connectionString: the connection to copy; manager: whose SQL trace the statements feed
    // (may be null).
    TQueryJob(QString connectionString, TDbManager *manager, QObject *parent = nullptr);
    ~TQueryJob() override;

    // Starts the work; false when a work is still running. EOutOfMemory when no thread can be had.
    bool Start(TWork work);
    // A call the work may make, from its thread, to say it has something for the job's owner:
    // Progress follows in the job's thread, once for any number of calls made before it comes.
    std::function<void()> Notifier() const;
    // The connection the next Start copies.
    void SetConnectionString(const QString &connectionString) { connectionString_ = connectionString; }
    void Cancel();
    bool Running() const;
    bool Cancelled() const;
    // Waits (processing no events) until the thread has ended or msecs have passed; true when ended.
    bool Wait(int msecs);

    // Jobs whose thread has not ended yet, in this process.
    static int LiveCount();
    // Cancels every running job and waits for their threads, at most msecs in all.
    static bool CancelAll(int msecs);

    // What the job shares with its thread (internal).
    struct TState;

signals:
    // In the job's own thread of creation, after the work has ended; not after the job was
    // destroyed.
    void Finished(const TJobOutcome &outcome);
    // The work has called its notifier (see Notifier); always before Finished.
    void Progress();

private:
    void Deliver(const TJobOutcome &outcome);
    void DeliverProgress();

    std::shared_ptr<TState> state_;
    TWorkThread thread_;
    QString connectionString_;
    TDbManager *manager_;
};
