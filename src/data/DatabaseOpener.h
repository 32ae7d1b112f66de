#pragma once
// Registers and opens Qt SQL databases from a resolved connection string. A database opened this
// way belongs to the thread that registered it; a background thread registers its own.
#include "data/DriverConfig.h"

#include <QSqlDatabase>
#include <QString>

// Registers a closed database under the connection name (replacing one of the same name). Throws
// EDatabaseError when the configuration is unusable or its Qt driver is not installed; the
// message names the provider and the driver.
QSqlDatabase AddConfiguredDatabase(const TDriverConfig &cfg, const QString &connectionName);

// Opens a database registered by AddConfiguredDatabase. Throws EDatabaseError naming the provider
// (and the ODBC driver behind it) with the driver's own message. An SQLite file that does not
// exist is refused rather than created. The session is set for grouped sums: an SQLite connection
// may sort with SqliteSortThreads() helper threads; a PostgreSQL session has at least 64MB of
// work_mem, parallel workers that cost nothing to start and no JIT compiling.
void OpenConfiguredDatabase(QSqlDatabase &db, const TDriverConfig &cfg);

// The helper threads an SQLite connection may sort with: one fewer than the processors, at least one.
int SqliteSortThreads();

// Drops the registration of the connection name, if any (the caller holds no copies of it).
void RemoveConfiguredDatabase(const QString &connectionName);
