#pragma once
// Lookups on the code tables: a name typed or chosen in a list back to its code, a unit code to
// the unit's name. A value that is not found, and a statement that cannot be run, both answer
// false with an empty result; the failure's text stays readable through LastDbError. A caller
// that must tell the two apart passes `ran`: it receives how the statement ended (done, or the
// failure with its text).
#include "authpay/Outcome.h"

#include <QString>

// " select <column> from <table> where 1=1", then " and <condition>" when the trimmed condition
// is not empty (the condition itself is used untrimmed).
QString LookupSql(const QString &table, const QString &column, const QString &condition);

// The first column of the first row of LookupSql, as text; false when there is no row.
bool LookupValue(const QString &table, const QString &column, const QString &condition, QString &value,
                 authpay::Outcome *ran = nullptr);

bool GetUnitName(const QString &unitCode, QString &name, authpay::Outcome *ran = nullptr);
bool GetFundNatureId(const QString &name, QString &code, authpay::Outcome *ran = nullptr);
bool GetExpenditureTypeId(const QString &name, QString &code, authpay::Outcome *ran = nullptr);
// extra: SQL text appended to the condition unchanged (may be empty).
bool GetPayKindId(const QString &name, const QString &extra, QString &code, authpay::Outcome *ran = nullptr);
