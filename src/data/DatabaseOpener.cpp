#include "data/DatabaseOpener.h"

#include "data/DatabaseError.h"

#include <QFileInfo>
#include <QSqlError>

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

void OpenConfiguredDatabase(QSqlDatabase &db, const TDriverConfig &cfg) {
    if (!cfg.FilePath.isEmpty() && !QFileInfo(cfg.FilePath).isFile())
        throw EDatabaseError(QStringLiteral("数据库文件不存在：%1").arg(cfg.FilePath));
    if (db.open()) return;
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
