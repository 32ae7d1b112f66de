#pragma once
// BuildQuerySql: the one statement of the apportion summary query window, a sum of budgmoney
// over the source view with one row for every combination of the chosen dimensions' codes, the
// names beside the codes. A function of the window's conditions only, read when Refresh is pressed.
#include "query/WhereClause.h"

#include <QString>
#include <QStringList>

struct TQueryConditions {
    QStringList Dimensions;  // texts of cmbNum1…cmbNum6 in box order; empty texts are skipped
    QString UnitLevel;       // text of cobClass: "<全部>" or a level number
    TQueryFilters Filters;
    int DataYear = 0;           // DataYear of the user context
    // Another year whose sums go beside the year's own, per group (cobCompareYear); 0 for none.
    // Both years are summed by the one statement: a group of either year is a result row.
    int CompareYear = 0;
    QString SubstringFunction;  // of the default connection: "SUBSTRING", "MID" or "SUBSTR"
    QString SourceView = QStringLiteral(" vwBudgetAdj ");  // FSourceView
    TCodeLookup LookupCode;
    // The connection is to a coordinator whose source view is partitioned over shard servers by
    // the unit code cut to this level; 0 for one server. On a coordinator the sums are taken in
    // two stages, the inner one grouped by that cut too, so that each shard sums its own rows
    // and only the sums travel.
    int ShardUnitLevel = 0;
    // A seventh grouping whose codes the report spreads across its columns ("列维度"); empty for
    // none. It must not be one of Dimensions.
    QString ColumnDimension;
};

// Why a column dimension and a compared year are not run together.
inline const QString kColumnsWithCompareYear = QStringLiteral("列维度与对比年度不能同时使用，请清空其中之一后再刷新。");

// The statement and the clause lists it was made of, as the window's fields hold them.
struct TQuerySql {
    QString Sql;         // empty when no grouping box has a dimension: nothing is to be run
    QString SelectList;  // the dimensions' select parts (the sum column follows them in Sql)
    QString FieldList;   // the result columns, codes before names, each followed by ","
    QString GroupList;
    QString OrderList;
    QString ColumnList;  // the grouped statement's result columns before the sum, e.g. "aeid,mid,mname"
    QString WhereClause;  // the data year's own rows, as a drill-down reads them
    // The year summed beside it into the column cmpMoney (the statement then reads both years'
    // rows); 0 when the statement sums the data year alone.
    int CompareYear = 0;
    bool UnitJoined = false;  // the budget unit is chosen: its name column ename comes from pubdept
    QStringList Dimensions;   // the captions of the dimensions in use, in grouping order
    QString UnitCut;          // the level cut the unit code is grouped by, empty for the whole code
    QString ColumnDimension;  // the column dimension's caption; empty for none
    QString ColumnFields;     // its result columns, code then name, each followed by ","

    // FieldList without its trailing "," split at ",": the columns the result sheet reads, in
    // its column order; the amount is the column sumMoney (and cmpMoney the compared year's).
    QStringList FieldNames() const;
    // The columns a result row is read from: FieldNames, then the column dimension's code and name.
    QStringList ResultFieldNames() const;
};

// Raises Exception for a dimension text that is no dimension, a missing lookup, a level cut with
// an unusable substring function, or a column dimension that is also a grouping. The column
// dimension is grouped and ordered after the groupings: a group's rows come together.
TQuerySql BuildQuerySql(const TQueryConditions &conditions);
