#include "authpay/DbManager.h"

#include "data/AdoConn.h"
#include "data/ManagerSink.h"
#include "data/SqlTrace.h"
#include "frame/ObjectStringList.h"

#include <QPointer>

TDbManager::TDbManager(QString connectionString, QObject *owner)
    : QObject(owner), ConnectionString(std::move(connectionString)),
      connections_(std::make_unique<TObjectStringList>()) {}

TDbManager::~TDbManager() {
    // Connections outlive the registry only if someone else owns them; stop listening to them
    // first, then free the ones the manager created (its children) while the registry still exists.
    for (int i = Connections().Count() - 1; i >= 0; --i) disconnect(Connections().Objects(i), nullptr, this, nullptr);
    const QObjectList owned = children();
    qDeleteAll(owned);
}

int TDbManager::IndexOfConnection(const QString &name) const { return connections_->IndexOf(name); }

void TDbManager::AddConnection(TAdoConn *connection, const QString &name) {
    connections_->Lock();
    struct Unlock {
        TObjectStringList &list;
        ~Unlock() { list.Unlock(); }
    } unlock{*connections_};
    if (IndexOfConnection(name) >= 0)
        throw TExceptDbManager(QStringLiteral("一个名为%1的TAdoConn对象已经存在！").arg(name));
    connect(connection, &QObject::destroyed, this, [this](QObject *obj) { ConnectionFreed(obj); });
    if (!connection->HasSink()) AttachToManager(connection, this);
    connections_->AddObject(name, connection);
}

TAdoConn *TDbManager::CreateConnection(QObject *owner) {
    auto *connection = new TAdoConn(owner);
    connection->LoginPrompt = LoginPrompt;
    connection->ConnectionString = ConnectionString;
    AttachToManager(connection, this);
    return connection;
}

TAdoConn *TDbManager::GetConnection(const QString &name) {
    const int index = IndexOfConnection(name);
    if (index >= 0) return static_cast<TAdoConn *>(connections_->Objects(index));
    TAdoConn *connection = CreateConnection(this);
    AddConnection(connection, name);
    return connection;
}

void TDbManager::ConnectionFreed(QObject *connection) {
    connections_->Lock();
    for (int i = connections_->Count() - 1; i >= 0; --i)
        if (connections_->Objects(i) == connection) connections_->Delete(i);
    connections_->Unlock();
}

authpay::Outcome TDbManager::SetSqlTrace(const QString &path) {
    trace_.reset();
    if (path.isEmpty()) return authpay::Outcome::Success();
    auto trace = std::make_unique<TSqlTrace>();
    if (const authpay::Outcome opened = trace->Open(path); !opened.Ok())
        return authpay::Outcome::Failure(QStringLiteral("无法打开SQL跟踪文件%1：%2").arg(path, opened.message));
    trace_ = std::move(trace);
    return authpay::Outcome::Success();
}

void TDbManager::TraceSql(const QString &sql) {
    if (trace_) trace_->Write(sql);
}

QString TDbManager::TraceError() const { return trace_ ? trace_->Error() : QString(); }

void AttachToManager(TAdoConn *connection, TDbManager *manager) {
    if (!manager) return;
    QPointer<TDbManager> m(manager);
    connection->SetSink(
        [m](const QString &sql) {
            if (m) m->TraceSql(sql);
        },
        [m](const QString &message) {
            if (m) m->SetLastError(message);
        });
}
