#include "query/DrillSql.h"

#include "authpay/Exception.h"
#include "data/SqlQuote.h"
#include "query/QueryDimensions.h"

namespace {
// The column of the source view that holds a dimension's code.
QString CodeColumn(const QString &caption) {
    if (IsUnitDimension(caption)) return QStringLiteral("eid");
    const QString fields = DimensionFields(caption);
    if (fields.isEmpty()) throw Exception(QStringLiteral("未知的汇总组合条件：") + caption);
    return fields.section(QLatin1Char(','), 0, 0);
}

QString CodeCondition(const TDrillBase &base, const QString &caption, const QString &code) {
    const QString column = IsUnitDimension(caption) && !base.UnitCut.isEmpty() ? base.UnitCut : CodeColumn(caption);
    if (code.isEmpty())
        return QStringLiteral(" and (") + column + QStringLiteral(" is null or ") + column + QStringLiteral("='')");
    return QStringLiteral(" and ") + column + QLatin1Char('=') + QuotedStr(code);
}

// Where the row limit goes: before the columns on SQL Server and Access, after the order
// elsewhere.
QString LimitHead(TSqlBackend backend, int rows) {
    if (backend == TSqlBackend::SqlServer || backend == TSqlBackend::Access)
        return QStringLiteral("top ") + QString::number(rows) + QLatin1Char(' ');
    return {};
}

QString LimitTail(TSqlBackend backend, int rows) {
    if (backend == TSqlBackend::SqlServer || backend == TSqlBackend::Access) return {};
    if (backend == TSqlBackend::Oracle)
        return QStringLiteral(" fetch first ") + QString::number(rows) + QStringLiteral(" rows only");
    return QStringLiteral(" limit ") + QString::number(rows);
}
}  // namespace

QStringList DrillColumns() {
    return {QStringLiteral("eid"),   QStringLiteral("ename"), QStringLiteral("bid"),    QStringLiteral("bname"),
            QStringLiteral("iid"),   QStringLiteral("iname"), QStringLiteral("mname"),  QStringLiteral("pname"),
            QStringLiteral("ipname"), QStringLiteral("id"),   QStringLiteral("budgmoney")};
}

QString DrillGroupCondition(const TDrillBase &base, const QStringList &codes) {
    if (codes.size() > base.Dimensions.size())
        throw Exception(QStringLiteral("明细的分组多于汇总组合条件。"));
    QString conditions;
    for (qsizetype j = 0; j < codes.size(); ++j) conditions += CodeCondition(base, base.Dimensions[j], codes[j]);
    return conditions;
}

QString DrillPageSql(const TDrillBase &base, const QStringList &codes, const QString &afterId, int pageRows) {
    const int rows = std::max(1, pageRows);
    QString sql = QStringLiteral(" select ") + LimitHead(base.Backend, rows) + DrillColumns().join(QLatin1Char(','))
                  + QStringLiteral(" from ") + base.SourceView + base.WhereClause + DrillGroupCondition(base, codes);
    if (!afterId.isEmpty()) sql += QStringLiteral(" and id>") + QuotedStr(afterId);
    return sql + QStringLiteral(" order by id") + LimitTail(base.Backend, rows);
}
