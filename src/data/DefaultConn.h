#pragma once
// The module's road to the database: every statement is opened through a counted query on the
// connection named "Def" of the user context's database manager.
#include "data/ARQuery.h"
#include "data/SqlDialect.h"

#include "authpay/Outcome.h"

#include <QString>

class TAdoConn;

// Opens the statement on the connection (opening the connection first when it is closed) and
// answers a counted reference to the open query. Any failure is thrown as EDatabaseError and the
// query is freed.
IARQueryPtr OpenQuery(TAdoConn *connection, const QString &sql);

// Takes a counted reference to the query and drops it again: frees a query that no reference
// holds, leaves a referenced one alone.
void ReleaseQuery(TARQuery *query);

// The connection named "Def" of the user context's database manager, created and registered
// there on first request. TExceptDbManager when there is no user context or manager.
TAdoConn *GetDefaultConn();

// The backend of the default connection's provider; with no manager, that of no provider (a
// statement made for it then fails to open like any other).
TSqlBackend DefaultSqlBackend();

// Makes the connection the default one of the calling thread (null: the manager's "Def" again),
// and its failures this thread's LastDbError; answers the one it replaces. See TWorkerConnection.
TAdoConn *SetThreadDefaultConn(TAdoConn *connection);

// OpenQuery on GetDefaultConn. True with the reference in query; on any failure false, query
// left as it was, nothing shown, and the failure's text kept for LastDbError.
bool OpenDefaultQuery(const QString &sql, IARQueryPtr &query);
// The same, answering the failure with its text (also kept for LastDbError): the module's own
// callers, which report why, use this one.
authpay::Outcome TryOpenDefaultQuery(const QString &sql, IARQueryPtr &query);

// Records a failure met elsewhere (a worker thread's) as the latest on the default road, where
// LastDbError finds it.
void SetLastDbError(const QString &text);

// The text of the latest failure met on the default connection's manager (also when the manager
// itself was missing); empty when there has been none.
QString LastDbError();
