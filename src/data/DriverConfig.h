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
    QString Error;  // not empty: the string cannot be used, and this says why
};

TDriverConfig ResolveConnectionString(const QString &connectionString);

// An ODBC attribute value as it may stand in an ODBC connection string: enclosed in braces (a
// closing brace doubled) when it holds a character that would end or split the entry.
QString OdbcValue(const QString &value);
