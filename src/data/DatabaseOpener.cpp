#include "data/DatabaseOpener.h"

#include "data/DatabaseError.h"

#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <algorithm>

namespace {

QString ProviderText(const TDriverConfig &cfg) {
    QString text = QStringLiteral("提供者%1").arg(cfg.Provider.isEmpty() ? QStringLiteral("(空)") : cfg.Provider);
    if (!cfg.OdbcDriver.isEmpty()) text += QStringLiteral("，ODBC驱动%1").arg(cfg.OdbcDriver);
    return text;
}

}  // namespace

QSqlDatabase AddConfiguredDatabase(const TDriverConfig &cfg, const QString &connectionName) {
    if (!cfg.Error.isEmpty()) throw EDatabaseError(cfg.Error);
    if (!QSqlDatabase::isDriverAvailable(cfg.QtDriver))
        throw EDatabaseError(QStringLiteral("数据库驱动%1没有安装，无法使用%2")
                                 .arg(cfg.QtDriver, ProviderText(cfg)));
    RemoveConfiguredDatabase(connectionName);
    QSqlDatabase db = QSqlDatabase::addDatabase(cfg.QtDriver, connectionName);
    db.setDatabaseName(cfg.DatabaseName);
    if (!cfg.HostName.isEmpty()) db.setHostName(cfg.HostName);
    if (cfg.Port > 0) db.setPort(cfg.Port);
    if (!cfg.UserName.isEmpty()) db.setUserName(cfg.UserName);
    if (!cfg.Password.isEmpty()) db.setPassword(cfg.Password);
    db.setConnectOptions(cfg.ConnectOptions);
    return db;
}

namespace {
void Trace(const TSqlTraceFn &trace, const QString &sql) {
    if (trace) trace(sql);
}

bool Run(QSqlDatabase &db, const QString &sql, const TSqlTraceFn &trace) {
    Trace(trace, sql);
    QSqlQuery q(db);
    return q.exec(sql);
}

// Whether the session takes a backslash in a string as the plain character it is.
bool QuotingIsSafe(QSqlDatabase &db, const TSqlTraceFn &trace) {
    const QString sql = QStringLiteral("select current_setting('standard_conforming_strings')");
    Trace(trace, sql);
    QSqlQuery q(db);
    return q.exec(sql) && q.next() && q.value(0).toString() == QLatin1String("on");
}
}  // namespace

void OpenConfiguredDatabase(QSqlDatabase &db, const TDriverConfig &cfg, const TSqlTraceFn &trace) {
    if (!cfg.FilePath.isEmpty() && !QFileInfo(cfg.FilePath).isFile())
        throw EDatabaseError(QStringLiteral("数据库文件不存在：%1").arg(cfg.FilePath));
    if (!db.open()) {
        const QString reason = db.lastError().text();
        throw EDatabaseError(QStringLiteral("无法连接数据库（%1）：%2").arg(ProviderText(cfg), reason));
    }
    for (const QString &sql : cfg.SessionStatements) Run(db, sql, trace);
    if (cfg.QtDriver == QLatin1String("QPSQL") && !QuotingIsSafe(db, trace)) {
        db.close();
        throw EDatabaseError(QStringLiteral("无法连接数据库（%1）：会话的standard_conforming_strings不是on，"
                                            "文本中的反斜杠会被当作转义符")
                                 .arg(ProviderText(cfg)));
    }
}

bool BeginTunedStatement(QSqlDatabase &db, const TDriverConfig &cfg, const TSqlTraceFn &trace) {
    if (cfg.StatementSettings.isEmpty()) return false;
    Trace(trace, QStringLiteral("begin"));
    if (!db.transaction()) return false;
    for (const QString &sql : cfg.StatementSettings) Run(db, sql, trace);
    return true;
}

void EndTunedStatement(QSqlDatabase &db, const TSqlTraceFn &trace) {
    Trace(trace, QStringLiteral("commit"));
    // The transaction only read: a failed commit loses nothing, and ending it is what matters.
    if (!db.commit()) db.rollback();
}

void RemoveConfiguredDatabase(const QString &connectionName) {
    if (!QSqlDatabase::contains(connectionName)) return;
    {
        QSqlDatabase db = QSqlDatabase::database(connectionName, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(connectionName);
}
