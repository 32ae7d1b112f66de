#include "data/WorkerConnection.h"

#include "data/AdoConn.h"
#include "data/DefaultConn.h"
#include "data/ManagerSink.h"

TWorkerConnection::TWorkerConnection(const QString &connectionString, TDbManager *manager)
    : connection_(std::make_unique<TAdoConn>()) {
    connection_->ConnectionString = connectionString;
    AttachToManager(connection_.get(), manager);
    connection_->SetKeepsLastError(false);
    previous_ = SetThreadDefaultConn(connection_.get());
    try {
        connection_->Open();
    } catch (...) {
        SetThreadDefaultConn(previous_);
        throw;
    }
}

TWorkerConnection::~TWorkerConnection() { SetThreadDefaultConn(previous_); }

QSqlDatabase TWorkerConnection::Database() { return connection_->Database(); }
