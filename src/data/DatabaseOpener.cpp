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
// many rows is mostly a sort (SQLite) or a hash of the groups (PostgreSQL):
// - SQLite sorts with helper threads only when the connection allows them (none by default);
// - PostgreSQL hashes the groups in memory only when work_mem holds them, else it sorts them on
//   disk; its default of 4MB is raised for this session to kWorkMem, never lowered.
constexpr const char *kWorkMem = "64MB";

void TuneSession(QSqlDatabase &db, const TDriverConfig &cfg) {
    QSqlQuery q(db);
    if (cfg.QtDriver == QLatin1String("QSQLITE"))
        q.exec(QStringLiteral("PRAGMA threads=%1").arg(SqliteSortThreads()));
    else if (cfg.QtDriver == QLatin1String("QPSQL"))
        q.exec(QStringLiteral("select set_config('work_mem','%1',false) "
                              "where pg_size_bytes(current_setting('work_mem'))<pg_size_bytes('%1')")
                   .arg(QLatin1String(kWorkMem)));
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
