#include "data/Lookups.h"

#include "data/DefaultConn.h"
#include "data/SqlQuote.h"

QString LookupSql(const QString &table, const QString &column, const QString &condition) {
    QString sql = QStringLiteral(" select ") + column + QStringLiteral(" from ") + table + QStringLiteral(" where 1=1");
    if (!condition.trimmed().isEmpty()) sql += QStringLiteral(" and ") + condition;
    return sql;
}

bool LookupValue(const QString &table, const QString &column, const QString &condition, QString &value,
                 QString *error) {
    value.clear();
    if (error) error->clear();
    IARQueryPtr ref;
    if (!OpenDefaultQuery(LookupSql(table, column, condition), ref)) {
        if (error) *error = LastDbError().isEmpty() ? QStringLiteral("编码查询失败") : LastDbError();
        return false;
    }
    TARQuery *query = ref.Query();
    if (query->IsEmpty()) return false;
    value = query->Fields(0).AsString();
    query->Close();
    return true;
}

bool GetUnitName(const QString &unitCode, QString &name, QString *error) {
    return LookupValue(QStringLiteral("PubDept"), QStringLiteral("EName"),
                       QStringLiteral(" Eid=") + QuotedStr(unitCode.trimmed()), name, error);
}

bool GetFundNatureId(const QString &name, QString &code, QString *error) {
    return LookupValue(QStringLiteral("PubMoneyKind"), QStringLiteral("Mid"),
                       QStringLiteral(" MName=") + QuotedStr(name.trimmed()), code, error);
}

bool GetExpenditureTypeId(const QString &name, QString &code, QString *error) {
    return LookupValue(QStringLiteral("PubIncomePay"), QStringLiteral("IPid"),
                       QStringLiteral(" IPName=") + QuotedStr(name.trimmed()), code, error);
}

bool GetPayKindId(const QString &name, const QString &extra, QString &code, QString *error) {
    return LookupValue(QStringLiteral("PubPayKind"), QStringLiteral("Pid"),
                       QStringLiteral(" PName=") + QuotedStr(name.trimmed()) + extra, code, error);
}
