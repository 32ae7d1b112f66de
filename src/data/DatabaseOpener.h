#pragma once
// Registers and opens Qt SQL databases from a resolved connection string. A database opened this
// way belongs to the thread that registered it; a background thread registers its own.
#include "data/DriverConfig.h"

#include <QSqlDatabase>
#include <QString>
#include <functional>

// Registers a closed database under the connection name (replacing one of the same name). Throws
// EDatabaseError when the configuration is unusable or its Qt driver is not installed; the
// message names the provider and the driver.
QSqlDatabase AddConfiguredDatabase(const TDriverConfig &cfg, const QString &connectionName);

// Where the statements that a connection sends by itself (its session statements, its checks)
// are written, as every statement of the module is: the SQL trace. May be empty.
using TSqlTraceFn = std::function<void(const QString &sql)>;

// Opens a database registered by AddConfiguredDatabase. Throws EDatabaseError naming the provider
// (and the ODBC driver behind it) with the driver's own message. An SQLite file that does not
// exist is refused rather than created. The configuration's session statements run once open; a
// PostgreSQL session that would read backslashes in a string as escapes (a pooler that dropped
// the connection's options) is refused, since values are quoted by doubling quotes alone.
void OpenConfiguredDatabase(QSqlDatabase &db, const TDriverConfig &cfg, const TSqlTraceFn &trace = {});

// Starts a long statement's own transaction with the configuration's statement settings, each
// local to it; EndTunedStatement ends it. Nothing happens without settings. Answers whether a
// transaction was begun.
bool BeginTunedStatement(QSqlDatabase &db, const TDriverConfig &cfg, const TSqlTraceFn &trace = {});
void EndTunedStatement(QSqlDatabase &db, const TSqlTraceFn &trace = {});

// Drops the registration of the connection name, if any (the caller holds no copies of it).
void RemoveConfiguredDatabase(const QString &connectionName);
