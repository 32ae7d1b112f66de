#include "data/DefaultConn.h"

#include "authpay/DbManager.h"
#include "data/AdoConn.h"
#include "frame/ModuleGlobals.h"

namespace {

// Used only while there is no manager to keep the text.
QString &NoManagerError() {
    static QString text;
    return text;
}

// A worker thread's own connection and its last failure (see TWorkerConnection).
thread_local TAdoConn *threadConn = nullptr;
thread_local QString threadError;

TDbManager *DefaultManager() {
    return authpay::UserContext ? authpay::UserContext->DbManager : nullptr;
}

void KeepError(const QString &text) {
    if (threadConn) threadError = text;
    else if (TDbManager *manager = DefaultManager()) manager->SetLastError(text);
    else NoManagerError() = text;
}

}  // namespace

IARQueryPtr OpenQuery(TAdoConn *connection, const QString &sql) {
    IARQueryPtr ref(new TARQuery);
    TARQuery *query = ref.Query();
    query->SQL = sql;
    query->Connection = connection;
    query->Open();
    return ref;
}

void ReleaseQuery(TARQuery *query) { IARQueryPtr hold(query); }

TAdoConn *SetThreadDefaultConn(TAdoConn *connection) {
    threadError.clear();
    return std::exchange(threadConn, connection);
}

TAdoConn *GetDefaultConn() {
    if (threadConn) return threadConn;
    TDbManager *manager = DefaultManager();
    if (!manager) throw TExceptDbManager(QStringLiteral("没有可用的数据库管理器"));
    return manager->GetConnection(QStringLiteral("Def"));
}

TSqlBackend DefaultSqlBackend() {
    try {
        return SqlBackendOf(GetDefaultConn()->Provider());
    } catch (const Exception &) {
        return SqlBackendOf(QString());
    }
}

authpay::Outcome TryOpenDefaultQuery(const QString &sql, IARQueryPtr &query) {
    QString failure;
    try {
        query = OpenQuery(GetDefaultConn(), sql);
        return authpay::Outcome::Success();
    } catch (const Exception &e) {
        failure = e.Message;
    } catch (const std::exception &e) {
        failure = QString::fromLocal8Bit(e.what());
    } catch (...) {
        failure = QStringLiteral("打开查询时发生未知错误");
    }
    KeepError(failure);
    return authpay::Outcome::Failure(failure);
}

bool OpenDefaultQuery(const QString &sql, IARQueryPtr &query) { return TryOpenDefaultQuery(sql, query).Ok(); }

void SetLastDbError(const QString &text) { KeepError(text); }

QString LastDbError() {
    if (threadConn) return threadError;
    if (TDbManager *manager = DefaultManager()) return manager->LastError();
    return NoManagerError();
}
