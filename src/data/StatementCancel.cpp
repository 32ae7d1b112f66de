#include "data/StatementCancel.h"

#include <QSqlDriver>
#include <QVariant>
#include <dlfcn.h>

namespace {
// The client libraries are loaded by Qt's database drivers, privately (a driver plug-in's own
// libraries are not in the process's global scope): their functions are looked up in the library
// the driver loaded, so the module needs neither's headers nor links either library itself.
template <typename F> F Symbol(const char *name) {
    void *found = nullptr;
    if (void *library = ::dlopen(name[0] == 's' ? "libsqlite3.so.0" : "libpq.so.5", RTLD_NOW | RTLD_NOLOAD)) {
        found = ::dlsym(library, name);
        ::dlclose(library);  // the driver keeps it loaded
    }
    return reinterpret_cast<F>(found ? found : ::dlsym(RTLD_DEFAULT, name));
}

using SqliteInterrupt = void (*)(void *);
using PgGetCancel = void *(*)(void *);
using PgFreeCancel = void (*)(void *);
using PgCancel = int (*)(void *, char *, int);

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
    if (db.driverName() == QLatin1String("QSQLITE") && Symbol<SqliteInterrupt>("sqlite3_interrupt")) {
        sqlite_ = handle;
    } else if (db.driverName() == QLatin1String("QPSQL")) {
        // The cancel object is made here, on the connection's own thread; sending it is safe from
        // any thread.
        if (auto getCancel = Symbol<PgGetCancel>("PQgetCancel")) pgCancel_ = getCancel(handle);
    }
    return sqlite_ || pgCancel_;
}

void TStatementCanceller::Disarm() {
    std::lock_guard lock(mutex_);
    if (pgCancel_)
        if (auto freeCancel = Symbol<PgFreeCancel>("PQfreeCancel")) freeCancel(pgCancel_);
    pgCancel_ = nullptr;
    sqlite_ = nullptr;
}

bool TStatementCanceller::Cancel() {
    std::lock_guard lock(mutex_);
    if (sqlite_) {
        Symbol<SqliteInterrupt>("sqlite3_interrupt")(sqlite_);
        return true;
    }
    if (pgCancel_) {
        char error[256] = {};
        auto cancel = Symbol<PgCancel>("PQcancel");
        return cancel && cancel(pgCancel_, error, int(sizeof error)) == 1;
    }
    return false;
}
