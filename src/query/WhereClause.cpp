#include "query/WhereClause.h"

#include "authpay/Exception.h"
#include "data/SqlQuote.h"

#include <QStringList>

namespace {
QString SubtypeCondition(const TQueryFilters &filters) {
    if (!filters.SubtypeVisible) return {};  // a choice made while the box was hidden is void
    switch (filters.IndicatorSubtype) {
    case 1:
        return QStringLiteral(" and bkid='21' and btypechild='1'");
    case 2:
        return QStringLiteral(" and bkid='22' ");
    case 3:
        return QStringLiteral(" and btypechild='2' ");
    default:
        return {};
    }
}

QString InList(const QString &codesText, const QStringList &picked) {
    const QStringList codes = picked.isEmpty() ? codesText.split(QLatin1Char(',')) : picked;
    return QLatin1Char('(') + QuotedList(codes) + QLatin1Char(')');
}

QString UnitCondition(const TQueryFilters &filters) {
    if (filters.UnitText.isEmpty()) return {};
    if (filters.UnitList) return QStringLiteral(" and eid in ") + InList(filters.UnitText, filters.UnitCodes);
    // A typed code selects every unit below it: the code is a prefix.
    return QStringLiteral(" and eid like ") + QuotedLikePrefix(filters.UnitText.trimmed(), filters.Backend);
}

QString CodeCondition(const QString &head, const TCodeLookup &lookupCode, TCodeKind kind,
                      const QString &name) {
    const QString code = lookupCode(kind, name);
    return code.isEmpty() ? QString() : head + QuotedStr(code);
}
}  // namespace

QString YearCondition(int dataYear, int compareYear) {
    if (compareYear == 0 || compareYear == dataYear) return QStringLiteral(" where datayear=") + QString::number(dataYear);
    return QStringLiteral(" where datayear in (%1,%2)").arg(dataYear).arg(compareYear);
}

QString BuildWhereClause(int dataYear, const TQueryFilters &filters, const TCodeLookup &lookupCode,
                         int compareYear) {
    return YearCondition(dataYear, compareYear) + FilterConditions(filters, lookupCode);
}

QString FilterConditions(const TQueryFilters &filters, const TCodeLookup &lookupCode) {
    if (!lookupCode) throw Exception(QStringLiteral("查询条件无法取得编码：缺少编码查找。"));
    QString w = QStringLiteral(" and btype=") + QuotedStr(QString::number(filters.IndicatorType)) +
                QLatin1Char(' ');
    w += SubtypeCondition(filters);
    w += UnitCondition(filters);
    if (filters.Secrecy != 2)
        w += QStringLiteral(" and  issecret =") + QuotedStr(QString::number(filters.Secrecy)) +
             QLatin1Char(' ');
    if (!filters.SubjectText.isEmpty())
        w += QStringLiteral(" and bid in ") + InList(filters.SubjectText, filters.SubjectCodes);
    if (!filters.ItemText.isEmpty()) w += QStringLiteral(" and Iid in ") + InList(filters.ItemText, filters.ItemCodes);
    w += CodeCondition(QStringLiteral(" and  mid ="), lookupCode, TCodeKind::FundNature,
                       filters.FundNature);
    w += CodeCondition(QStringLiteral(" and  pid ="), lookupCode, TCodeKind::PayKind,
                       filters.PayKind);
    // Without a blank before "and", as the statement has always read; it still parses, since
    // every condition before it ends in a quote, a parenthesis or a blank.
    w += CodeCondition(QStringLiteral("and ipid ="), lookupCode, TCodeKind::ExpenditureType,
                       filters.ExpenditureType);
    if (filters.ScopeUnit)
        w += filters.ScopeUnit->isEmpty() ? QStringLiteral(" and 1=0")
                                          : QStringLiteral(" and eid like ") + QuotedLikePrefix(*filters.ScopeUnit, filters.Backend);
    return w;
}
