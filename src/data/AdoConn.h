#pragma once
// TAdoConn: one database connection, described by an ADO connection string and opened on demand,
// with the dialect operations by which SQL text is adapted to the backend behind its provider.
#include "data/DatabaseOpener.h"

#include <QObject>
#include <QPointer>
#include <QSqlDatabase>
#include <QString>
#include <functional>

class TAdoConn : public QObject {
public:
    explicit TAdoConn(QObject *owner = nullptr);
    ~TAdoConn() override;
    TAdoConn(const TAdoConn &) = delete;
    TAdoConn &operator=(const TAdoConn &) = delete;

    QString ConnectionString;  // used at the next opening
    bool LoginPrompt = false;  // kept for the host; the module never prompts
    // The provider name in upper case, rewritten by every dialect test.
    QString ProviderUpper;

    // Where this connection's statements are traced and its failures recorded: its manager's
    // trace and last error, attached by the manager (AttachToManager); none until then.
    using TErrorFn = std::function<void(const QString &message)>;
    void SetSink(TSqlTraceFn trace, TErrorFn lastError);
    bool HasSink() const { return bool(trace_); }
    void TraceSql(const QString &sql) const;
    // Records a failure as the manager's last error, unless the connection keeps its failures.
    void RecordError(const QString &message) const;
    // Whether its failures are recorded as the manager's last error (true); a connection of a
    // worker thread keeps them to itself, since the manager's text belongs to the user-interface
    // thread.
    bool KeepsLastError() const { return keepsLastError_; }
    void SetKeepsLastError(bool keep) { keepsLastError_ = keep; }

    // The open connection's provider, or the "Provider" entry of the connection string.
    QString Provider() const;

    bool Connected() const;
    // Opens the connection when it is closed; EDatabaseError (also recorded as the manager's last
    // error) when it cannot be opened.
    void Open();
    void Close();
    // The open Qt database, opened first when it is closed.
    QSqlDatabase Database();
    // The Qt connection name under which this connection is registered.
    QString ConnectionName() const { return name_; }
    // Registers and opens a copy of this connection under the given name for the calling thread
    // (a Qt database serves only the thread that registered it). The caller removes it with
    // RemoveConfiguredDatabase when done. EDatabaseError when it cannot be opened.
    QSqlDatabase OpenThreadCopy(const QString &connectionName) const;

    // A long statement's own transaction, begun with the connection's statement settings (see
    // BeginTunedStatement; nothing without them) and ended; both traced. BeginTuned answers whether
    // a transaction was begun, and only then is EndTuned called.
    bool BeginTuned();
    void EndTuned();
    // Rolls back a tuned transaction that a failed statement spoilt (nothing outside one).
    void AbandonTuned();

    bool IsOracle();
    bool IsAccess();
    QString GetConcatOperator();
    QString GetSubstringFunction();
    int GetShardUnitLevel() const;  // ShardUnitLevelOf the connection string

private:
    void ReadProvider();
    TSqlTraceFn TraceFn() const;

    QString name_;
    QString openProvider_;
    TSqlTraceFn trace_;
    TErrorFn lastError_;
    bool keepsLastError_ = true;
    TDriverConfig config_;  // the configuration the connection was opened with
    bool inTuned_ = false;
};

// A long statement (a summary, a drill-down's rows) run inside its connection's tuned transaction
// for as long as this object lives; a connection that cannot open runs it untuned, and the
// statement itself then says why.
class TTunedStatement {
public:
    explicit TTunedStatement(TAdoConn *conn);
    ~TTunedStatement();
    TTunedStatement(const TTunedStatement &) = delete;
    TTunedStatement &operator=(const TTunedStatement &) = delete;

private:
    TAdoConn *conn_ = nullptr;
};
