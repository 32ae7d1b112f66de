#include "data/StatementCancel.h"

#include <QSqlDriver>
#include <QVariant>
#include <dlfcn.h>
#include <libpq-fe.h>
#include <sqlite3.h>

namespace {
// The PostgreSQL client library's cancel calls, looked up in the copy the Qt driver loaded: the
// module does not load the library (and the twenty it needs) itself, so a run on a file database
// starts without it.
struct TPqCancelCalls {
    decltype(&PQgetCancel) get = nullptr;
    decltype(&PQfreeCancel) free = nullptr;
    decltype(&PQcancel) send = nullptr;
};

const TPqCancelCalls *PqCancelCalls() {
    static const TPqCancelCalls calls = [] {
        TPqCancelCalls c;
        void *lib = dlopen("libpq.so.5", RTLD_NOW | RTLD_NOLOAD);
        if (!lib) lib = dlopen("libpq.so.5", RTLD_NOW);  // a driver built with the library inside
        if (!lib) return c;
        c.get = reinterpret_cast<decltype(c.get)>(dlsym(lib, "PQgetCancel"));
        c.free = reinterpret_cast<decltype(c.free)>(dlsym(lib, "PQfreeCancel"));
        c.send = reinterpret_cast<decltype(c.send)>(dlsym(lib, "PQcancel"));
        return c;
    }();
    return calls.get && calls.free && calls.send ? &calls : nullptr;
}

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
        if (const TPqCancelCalls *pq = PqCancelCalls()) pgCancel_ = pq->get(static_cast<PGconn *>(handle));
    }
    return sqlite_ || pgCancel_;
}

void TStatementCanceller::Disarm() {
    std::lock_guard lock(mutex_);
    if (pgCancel_) PqCancelCalls()->free(static_cast<PGcancel *>(pgCancel_));
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
        return PqCancelCalls()->send(static_cast<PGcancel *>(pgCancel_), error, int(sizeof error)) == 1;
    }
    return false;
}
