#pragma once
// Stopping a statement that another thread is running, by the database's own means: SQLite's
// interrupt on the connection's handle, a PostgreSQL cancel request (which a coordinator passes on
// to the servers it asked). Backends without such means are not interrupted: their statement runs
// to its end and its rows are dropped.
//
// The running thread arms the canceller on its open connection and disarms it before it closes the
// connection; any thread may call Cancel in between, as often as it likes.
#include <QSqlDatabase>
#include <mutex>

class TStatementCanceller {
public:
    TStatementCanceller() = default;
    ~TStatementCanceller() { Disarm(); }
    TStatementCanceller(const TStatementCanceller &) = delete;
    TStatementCanceller &operator=(const TStatementCanceller &) = delete;

    // On the thread that owns the open connection. False when its backend cannot be interrupted.
    bool Arm(const QSqlDatabase &db);
    void Disarm();
    // Asks the database to stop the statement now running on the armed connection; false when
    // nothing is armed or the request could not be sent.
    bool Cancel();

private:
    std::mutex mutex_;
    void *sqlite_ = nullptr;  // sqlite3*
    void *pgCancel_ = nullptr;  // PGcancel*
};
