#pragma once
// TDbManager: the host's database manager. It keeps the named connections of one database (the
// module reads through the one named "Def"), gives every connection it creates the manager's
// connection string, and can write a trace of every statement opened through its connections.
//
// The host constructs it with the ADO-style connection string of its database, e.g.
//   Provider=SQLite;Data Source=/srv/budget.sqlite;Mode=Read
//   Provider=PostgreSQL;Host=127.0.0.1;Port=5432;Initial Catalog=budget;User ID=u;Password=p
// and hands it to the module inside the user context. The module calls the same operations on
// the host's object: the class lives in libauthpay-base.so, which the host and the module both
// link, so there is one copy of its code in the process.
//
// The host may unload the module and free the manager later. The manager's code (and that of its
// connections) stays loaded with the base library, so nothing the manager keeps refers to code
// that has gone; the two operations that create or register a connection stay virtual for hosts
// that build managers of their own kind.
#include "authpay/Exception.h"
#include "authpay/Outcome.h"

#include <QObject>
#include <QString>
#include <memory>

class TAdoConn;
class TObjectStringList;
class TSqlTrace;

AUTHPAY_EXCEPTION_CLASS(TExceptDbManager, Exception);

class TDbManager : public QObject {
public:
    explicit TDbManager(QString connectionString = QString(), QObject *owner = nullptr);
    ~TDbManager() override;
    TDbManager(const TDbManager &) = delete;
    TDbManager &operator=(const TDbManager &) = delete;

    // Copied into every connection that the manager creates.
    bool LoginPrompt = false;
    QString ConnectionString;

    // Name -> TAdoConn. The list's own lock guards each operation.
    TObjectStringList &Connections() const { return *connections_; }

    // Position of the name among the registered connections, -1 when absent (letter case ignored).
    int IndexOfConnection(const QString &name) const;
    // Registers the connection under the name; TExceptDbManager when the name is taken. A
    // registered connection that is freed leaves the registry by itself.
    virtual void AddConnection(TAdoConn *connection, const QString &name);
    // A new, closed connection with the manager's LoginPrompt and ConnectionString; the owner
    // (may be null) becomes its QObject parent.
    virtual TAdoConn *CreateConnection(QObject *owner = nullptr);
    // The registered connection of that name; created, registered and owned by the manager on the
    // first request.
    TAdoConn *GetConnection(const QString &name);

    // Switches the statement trace on (appending to the file) or off (empty path). Every
    // statement opened through a connection of this manager is written exactly as sent, one per
    // line, line breaks written as \n and \r. A failure with its reason when the file cannot be
    // opened; the trace is then off.
    authpay::Outcome SetSqlTrace(const QString &path);
    // Called for every statement opened through a connection of this manager.
    void TraceSql(const QString &sql);
    // Why a statement could not be written to the trace (the first failure); empty while every
    // one was, or without a trace.
    QString TraceError() const;

    // The text of the most recent failure met while opening a statement of this manager's
    // connections through the module's Boolean road (OpenDefaultQuery), which shows nothing and
    // answers only false: kept for the host until the next failure; a success does not clear it.
    QString LastError() const { return lastError_; }
    // Keeps a copy of its own: the text may point into the module's constant data.
    void SetLastError(const QString &text) { lastError_ = QString(text.constData(), text.size()); }

private:
    void ConnectionFreed(QObject *connection);

    std::unique_ptr<TObjectStringList> connections_;
    std::unique_ptr<TSqlTrace> trace_;
    QString lastError_;
};
