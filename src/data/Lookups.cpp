#include "data/Lookups.h"

#include "data/DefaultConn.h"
#include "data/SqlQuote.h"

QString LookupSql(const QString &table, const QString &column, const QString &condition) {
    QString sql = QStringLiteral(" select ") + column + QStringLiteral(" from ") + table + QStringLiteral(" where 1=1");
    if (!condition.trimmed().isEmpty()) sql += QStringLiteral(" and ") + condition;
    return sql;
}

bool LookupValue(const QString &table, const QString &column, const QString &condition, QString &value,
                 authpay::Outcome *ran) {
    value.clear();
    IARQueryPtr ref;
    authpay::Outcome opened = TryOpenDefaultQuery(LookupSql(table, column, condition), ref);
    if (!opened.Ok() && opened.message.isEmpty()) opened.message = QStringLiteral("编码查询失败");
    if (ran) *ran = opened;
    if (!opened.Ok()) return false;
    TARQuery *query = ref.Query();
    if (query->IsEmpty()) return false;
    value = query->Fields(0).AsString();
    query->Close();
    return true;
}

bool GetUnitName(const QString &unitCode, QString &name, authpay::Outcome *ran) {
    return LookupValue(QStringLiteral("PubDept"), QStringLiteral("EName"),
                       QStringLiteral(" Eid=") + QuotedStr(unitCode.trimmed()), name, ran);
}

bool GetFundNatureId(const QString &name, QString &code, authpay::Outcome *ran) {
    return LookupValue(QStringLiteral("PubMoneyKind"), QStringLiteral("Mid"),
                       QStringLiteral(" MName=") + QuotedStr(name.trimmed()), code, ran);
}

bool GetExpenditureTypeId(const QString &name, QString &code, authpay::Outcome *ran) {
    return LookupValue(QStringLiteral("PubIncomePay"), QStringLiteral("IPid"),
                       QStringLiteral(" IPName=") + QuotedStr(name.trimmed()), code, ran);
}

bool GetPayKindId(const QString &name, const QString &extra, QString &code, authpay::Outcome *ran) {
    return LookupValue(QStringLiteral("PubPayKind"), QStringLiteral("Pid"),
                       QStringLiteral(" PName=") + QuotedStr(name.trimmed()) + extra, code, ran);
}
