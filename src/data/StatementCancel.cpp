#include "data/StatementCancel.h"

#include <QSqlDriver>
#include <QVariant>
#include <libpq-fe.h>
#include <sqlite3.h>

namespace {
// The connection handle of the Qt driver: the client library's own (sqlite3*, PGconn*), from the
// same shared library the driver loaded.
void *DriverHandle(const QSqlDatabase &db) {
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    return handle.isValid() ? *static_cast<void *const *>(handle.constData()) : nullptr;
}
}  // namespace

bool TStatementCanceller::Arm(const QSqlDatabase &db) {
    Disarm();
    void *handle = DriverHandle(db);
    if (!handle) return false;
    std::lock_guard lock(mutex_);
    if (db.driverName() == QLatin1String("QSQLITE")) {
        sqlite_ = handle;
    } else if (db.driverName() == QLatin1String("QPSQL")) {
        // The cancel object is made here, on the connection's own thread; sending it is safe from
        // any thread.
        pgCancel_ = PQgetCancel(static_cast<PGconn *>(handle));
    }
    return sqlite_ || pgCancel_;
}

void TStatementCanceller::Disarm() {
    std::lock_guard lock(mutex_);
    if (pgCancel_) PQfreeCancel(static_cast<PGcancel *>(pgCancel_));
    pgCancel_ = nullptr;
    sqlite_ = nullptr;
}

bool TStatementCanceller::Cancel() {
    std::lock_guard lock(mutex_);
    if (sqlite_) {
        sqlite3_interrupt(static_cast<sqlite3 *>(sqlite_));
        return true;
    }
    if (pgCancel_) {
        char error[256] = {};
        return PQcancel(static_cast<PGcancel *>(pgCancel_), error, int(sizeof error)) == 1;
    }
    return false;
}
