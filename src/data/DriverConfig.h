#pragma once
// How an ADO connection string is carried onto a Qt SQL driver: which Qt driver, and the
// database name, host, port, user, password and options to give it.
//
//   Provider                          Qt driver  Data Source
//   SQLite                            QSQLITE    the database file; Mode=Read opens it read-only
//   PostgreSQL, PGNP                  QPSQL      the host (also Server/Host, and Port)
//   SQLOLEDB, SQLNCLI*, MSOLEDBSQL    QODBC      server[\instance][,port] through FreeTDS
//   Microsoft.Jet/ACE.OLEDB           QODBC      the .mdb/.accdb file through MDBTools
//   OraOLEDB.Oracle, MSDAORA          QOCI       the TNS name or //host:port/service
//   MSDASQL or none                   QODBC      the remaining entries form the ODBC string
#include <QString>
#include <QStringList>

enum class TProviderFamily { SQLite, PostgreSQL, SqlServer, Access, Oracle, Odbc, Unknown };

TProviderFamily ProviderFamilyOf(const QString &provider);

struct TDriverConfig {
    QString Provider;    // as written in the connection string
    QString QtDriver;    // "QSQLITE", "QPSQL", "QODBC" or "QOCI"
    QString OdbcDriver;  // the ODBC driver behind QODBC ("FreeTDS", "MDBTools"), else empty
    QString DatabaseName;
    QString FilePath;  // the database file of a file-based provider, else empty
    QString HostName;
    int Port = -1;
    QString UserName;
    QString Password;
    QString ConnectOptions;
    bool ReadOnly = false;
    // Run once when the connection opens (SQLite's sort helper threads).
    QStringList SessionStatements;
    // Run at the start of a long statement's own transaction, each setting local to it, so that
    // nothing outlives the statement on a server session (nor leaks through a transaction pooler).
    QStringList StatementSettings;
    QString Error;  // not empty: the string cannot be used, and this says why
};

TDriverConfig ResolveConnectionString(const QString &connectionString);

// The helper threads an SQLite connection may sort with: one fewer than the processors, at least one.
int SqliteSortThreads();

// An ODBC attribute value as it may stand in an ODBC connection string: enclosed in braces (a
// closing brace doubled) when it holds a character that would end or split the entry.
QString OdbcValue(const QString &value);
