#pragma once
// Lookups on the code tables: a name typed or chosen in a list back to its code, a unit code to
// the unit's name. A value that is not found, and a statement that cannot be run, both answer
// false with an empty result; the failure's text stays readable through LastDbError. A caller
// that must tell the two apart passes error: it receives the failure's text, and is emptied when
// the statement ran.
#include <QString>

// " select <column> from <table> where 1=1", then " and <condition>" when the trimmed condition
// is not empty (the condition itself is used untrimmed).
QString LookupSql(const QString &table, const QString &column, const QString &condition);

// The first column of the first row of LookupSql, as text; false when there is no row.
bool LookupValue(const QString &table, const QString &column, const QString &condition, QString &value,
                 QString *error = nullptr);

bool GetUnitName(const QString &unitCode, QString &name, QString *error = nullptr);
bool GetFundNatureId(const QString &name, QString &code, QString *error = nullptr);
bool GetExpenditureTypeId(const QString &name, QString &code, QString *error = nullptr);
// extra: SQL text appended to the condition unchanged (may be empty).
bool GetPayKindId(const QString &name, const QString &extra, QString &code, QString *error = nullptr);
