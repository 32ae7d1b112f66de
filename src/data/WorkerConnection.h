#pragma once
// TWorkerConnection: for its lifetime, the calling thread's own database connection. A Qt database
// serves only the thread that opened it, so a worker thread opens a copy of the default
// connection's string; GetDefaultConn answers it in this thread, so every statement opened there
// through the default road (OpenDefaultQuery, the lookups) runs on it. Its failures are kept for
// this thread's LastDbError, not in the manager, whose text the user-interface thread reads; its
// statements still feed the manager's SQL trace.
#include <QSqlDatabase>
#include <QString>
#include <memory>

class TAdoConn;
class TDbManager;

class TWorkerConnection {
public:
    // Opens the connection at once; EDatabaseError (the same text as the default road gives) when
    // it cannot be opened.
    TWorkerConnection(const QString &connectionString, TDbManager *manager);
    ~TWorkerConnection();
    TWorkerConnection(const TWorkerConnection &) = delete;
    TWorkerConnection &operator=(const TWorkerConnection &) = delete;

    QSqlDatabase Database();
    TAdoConn *Connection() const { return connection_.get(); }

private:
    std::unique_ptr<TAdoConn> connection_;
    TAdoConn *previous_ = nullptr;
};
