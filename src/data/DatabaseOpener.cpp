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

int SqliteSortThreads() { return std::clamp(QThread::idealThreadCount() - 1, 1, 8); }

namespace {
// Settings of the session that make grouped sums quicker and change no result. A grouped sum over
// many rows is mostly a sort of the rows into their groups:
// - SQLite sorts with helper threads only when the connection allows them (none by default).
// - PostgreSQL sorts in memory only when work_mem holds the rows; its default of 4MB sent a
//   report of a million budget rows to an on-disk merge. work_mem is raised to kWorkMem for this
//   session, never lowered. With more memory the planner would rather sort ten million rows alone
//   than in parallel workers: for this session parallel workers cost nothing to start or to pass
//   rows on, so that a table large enough to be split (min_parallel_table_scan_size) is. And a
//   report's statement runs once: compiling it (JIT) took a second of a two-second statement.
constexpr const char *kWorkMem = "64MB";

void TuneSession(QSqlDatabase &db, const TDriverConfig &cfg) {
    QSqlQuery q(db);
    if (cfg.QtDriver == QLatin1String("QSQLITE")) {
        q.exec(QStringLiteral("PRAGMA threads=%1").arg(SqliteSortThreads()));
    } else if (cfg.QtDriver == QLatin1String("QPSQL")) {
        q.exec(QStringLiteral("select set_config('work_mem','%1',false) "
                              "where pg_size_bytes(current_setting('work_mem'))<pg_size_bytes('%1')")
                   .arg(QLatin1String(kWorkMem)));
        q.exec(QStringLiteral("select set_config('parallel_setup_cost','0',false),"
                              "set_config('parallel_tuple_cost','0',false),set_config('jit','off',false)"));
    }
}
}  // namespace

void OpenConfiguredDatabase(QSqlDatabase &db, const TDriverConfig &cfg) {
    if (!cfg.FilePath.isEmpty() && !QFileInfo(cfg.FilePath).isFile())
        throw EDatabaseError(QStringLiteral("数据库文件不存在：%1").arg(cfg.FilePath));
    if (db.open()) {
        TuneSession(db, cfg);
        return;
    }
    const QString reason = db.lastError().text();
    throw EDatabaseError(QStringLiteral("无法连接数据库（%1）：%2").arg(ProviderText(cfg), reason));
}

void RemoveConfiguredDatabase(const QString &connectionName) {
    if (!QSqlDatabase::contains(connectionName)) return;
    {
        QSqlDatabase db = QSqlDatabase::database(connectionName, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(connectionName);
}
