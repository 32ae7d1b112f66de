#pragma once
// Which backend a provider name stands for, and the two places where the SQL texts of the module
// differ between backends: string concatenation and the substring function.
//
// The provider name is upper-cased and searched for marker strings, in this order (the first
// family that matches wins, so a name that matches two families counts as the earlier one):
//   Oracle      "ORACLE", "ORAOLEDB", "MSDAORA"       ||  SUBSTR
//   Access      "ACCESS", "JET.OLEDB", "ACE.OLEDB"    &   MID
//   SQLite      "SQLITE"                              ||  SUBSTR
//   PostgreSQL  "POSTGRES", "PGNP"                    ||  SUBSTRING
//   SQL Server  every other name, also an empty one   +   SUBSTRING
#include <QString>

enum class TSqlBackend { Oracle, Access, SQLite, PostgreSQL, SqlServer };

bool ProviderIsOracle(const QString &provider);
bool ProviderIsAccess(const QString &provider);
TSqlBackend SqlBackendOf(const QString &provider);

QString ConcatOperatorOf(TSqlBackend backend);
QString SubstringFunctionOf(TSqlBackend backend);
