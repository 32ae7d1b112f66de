#include "query/QueryBuild.h"

#include "authpay/Exception.h"
#include "query/QueryDimensions.h"

namespace {
void AppendPart(QString &list, const QString &part) {
    if (!part.isEmpty()) list += part + QLatin1Char(',');
}

void AddDimension(TQuerySql &query, const QString &caption, const TQueryConditions &conditions) {
    const bool unit = IsUnitDimension(caption);
    const QString unitCut = unit ? UnitCodeCut(conditions.UnitLevel, conditions.SubstringFunction,
                                               conditions.SourceView)
                                 : QString();
    const TDimensionParts parts = DimensionParts(caption, unitCut);
    if (parts.Fields.isEmpty()) throw Exception(QStringLiteral("未知的汇总组合条件：") + caption);
    query.Dimensions << caption;
    AppendPart(query.SelectList, parts.Select);
    AppendPart(query.FieldList, parts.Fields);
    AppendPart(query.GroupList, parts.Group);
    AppendPart(query.OrderList, parts.Order);
    AppendPart(query.ColumnList, parts.Column);
    if (unit) {
        query.UnitJoined = true;
        query.UnitCut = unitCut;
    }
}

// The sums of the grouped statement: budgmoney, or with a compared year each year's budgmoney
// apart, both from the one pass over the two years' rows.
QString SumColumns(int dataYear, int compareYear) {
    if (compareYear == 0) return QStringLiteral(",sum(budgmoney) as sumMoney ");
    const QString sum = QStringLiteral("sum(case when datayear=%1 then budgmoney else 0 end) as %2");
    return QLatin1Char(',') + sum.arg(dataYear).arg(QLatin1String("sumMoney")) + QLatin1Char(',') +
           sum.arg(compareYear).arg(QLatin1String("cmpMoney")) + QLatin1Char(' ');
}

QString GroupedSql(const TQuerySql &query, const QString &sourceView, const QString &where, const QString &sums,
                   const QString &groupList) {
    return QStringLiteral(" select ") + query.SelectList + sums + QStringLiteral(" from ") + sourceView +
           QLatin1Char(' ') + where + QStringLiteral(" group by ") + groupList;
}

// On a coordinator: the inner grouping also holds the unit code cut as the partitions are, which
// lets the database sum on each shard (partition-wise aggregation); the outer one adds up those
// sums into the window's groups. Grouped by the whole unit code, or a finer cut, the partitions'
// cut splits no group; grouped coarser or without the unit, the groups of the shards are added up
// on the coordinator. The sum of the sums is exact, as the amounts are decimals.
QString TwoStageSql(const TQuerySql &query, const TQueryConditions &conditions, const QString &where,
                    const QString &sums) {
    const QString partitionCut = UnitCodeCut(QString::number(conditions.ShardUnitLevel),
                                             conditions.SubstringFunction, conditions.SourceView);
    const QString inner = GroupedSql(query, conditions.SourceView, where, sums,
                                     query.UnitCut == partitionCut
                                         ? query.GroupList
                                         : query.GroupList + QLatin1Char(',') + partitionCut);
    const QString outerSums = query.CompareYear ? QStringLiteral(",sum(sumMoney) as sumMoney,sum(cmpMoney) as cmpMoney from (")
                                                : QStringLiteral(",sum(sumMoney) as sumMoney from (");
    return QStringLiteral(" select ") + query.ColumnList + outerSums + inner + QStringLiteral(") s group by ") +
           query.ColumnList;
}

// The unit names are joined outside the grouping, so that a cut unit code finds the name of the
// unit at that level.
QString WithUnitNames(const QString &groupedSql, const QString &orderList) {
    return QStringLiteral(" select a.*,b.ename  from (") + groupedSql + QStringLiteral(") a ") +
           QStringLiteral(" left join pubdept b on a.aeid=b.eid ") + QStringLiteral(" order by ") +
           orderList;
}
}  // namespace

QStringList TQuerySql::FieldNames() const {
    if (FieldList.isEmpty()) return {};
    return FieldList.chopped(1).split(QLatin1Char(','));
}

QStringList TQuerySql::ResultFieldNames() const {
    QStringList names = FieldNames();
    if (!ColumnFields.isEmpty()) names += ColumnFields.chopped(1).split(QLatin1Char(','));
    return names;
}

namespace {
// The column dimension joins the statement's lists after the groupings; its fields are kept apart.
void AddColumnDimension(TQuerySql &query, const TQueryConditions &conditions) {
    const QString caption = conditions.ColumnDimension;
    if (query.Dimensions.contains(caption)) throw Exception(QStringLiteral("列维度不能与汇总组合条件相同：") + caption);
    // A compared year would double every column; the report is one or the other.
    if (conditions.CompareYear != 0 && conditions.CompareYear != conditions.DataYear)
        throw Exception(kColumnsWithCompareYear);
    const qsizetype rowFields = query.FieldList.size();
    AddDimension(query, caption, conditions);
    query.Dimensions.removeLast();
    query.ColumnFields = query.FieldList.mid(rowFields);
    query.FieldList.truncate(rowFields);
    query.ColumnDimension = caption;
}
}  // namespace

TQuerySql BuildQuerySql(const TQueryConditions &conditions) {
    TQuerySql query;
    for (const QString &caption : conditions.Dimensions) {
        if (!caption.isEmpty()) AddDimension(query, caption, conditions);
    }
    if (query.SelectList.isEmpty()) return {};
    if (!conditions.ColumnDimension.isEmpty()) AddColumnDimension(query, conditions);
    query.SelectList.chop(1);
    query.GroupList.chop(1);
    query.OrderList.chop(1);
    query.ColumnList.chop(1);
    const QString filters = FilterConditions(conditions.Filters, conditions.LookupCode);
    query.WhereClause = YearCondition(conditions.DataYear) + filters;
    if (conditions.CompareYear != conditions.DataYear) query.CompareYear = conditions.CompareYear;
    const QString where = YearCondition(conditions.DataYear, query.CompareYear) + filters;
    const QString sums = SumColumns(conditions.DataYear, query.CompareYear);
    const QString grouped = conditions.ShardUnitLevel > 0
                                ? TwoStageSql(query, conditions, where, sums)
                                : GroupedSql(query, conditions.SourceView, where, sums, query.GroupList);
    query.Sql = query.UnitJoined ? WithUnitNames(grouped, query.OrderList)
                                 : grouped + QStringLiteral(" order by ") + query.OrderList;
    return query;
}
