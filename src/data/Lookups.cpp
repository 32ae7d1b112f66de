#include "data/Lookups.h"

#include "data/DefaultConn.h"
#include "data/SqlQuote.h"

QString LookupSql(const QString &table, const QString &column, const QString &condition) {
    QString sql = QStringLiteral(" select ") + column + QStringLiteral(" from ") + table + QStringLiteral(" where 1=1");
    if (!condition.trimmed().isEmpty()) sql += QStringLiteral(" and ") + condition;
    return sql;
}

bool LookupValue(const QString &table, const QString &column, const QString &condition, QString &value) {
    value.clear();
    IARQueryPtr ref;
    if (!OpenDefaultQuery(LookupSql(table, column, condition), ref)) return false;
    TARQuery *query = ref.Query();
    if (query->IsEmpty()) return false;
    value = query->Fields(0).AsString();
    query->Close();
    return true;
}

bool GetUnitName(const QString &unitCode, QString &name) {
    return LookupValue(QStringLiteral("PubDept"), QStringLiteral("EName"),
                       QStringLiteral(" Eid=") + QuotedStr(unitCode.trimmed()), name);
}

bool GetFundNatureId(const QString &name, QString &code) {
    return LookupValue(QStringLiteral("PubMoneyKind"), QStringLiteral("Mid"),
                       QStringLiteral(" MName=") + QuotedStr(name.trimmed()), code);
}

bool GetExpenditureTypeId(const QString &name, QString &code) {
    return LookupValue(QStringLiteral("PubIncomePay"), QStringLiteral("IPid"),
                       QStringLiteral(" IPName=") + QuotedStr(name.trimmed()), code);
}

bool GetPayKindId(const QString &name, const QString &extra, QString &code) {
    return LookupValue(QStringLiteral("PubPayKind"), QStringLiteral("Pid"),
                       QStringLiteral(" PName=") + QuotedStr(name.trimmed()) + extra, code);
}
