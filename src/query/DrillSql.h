#pragma once
// The statement of the drill-down window: the budget rows behind one figure of the summary
// query, with the same filters as the summary and the figure's own group values. A plain
// function of what the summary ran with and the codes of the row that was opened; every code
// enters the statement through the quoting helper.
//
// The rows come in pages ordered by the row id: each page is the same statement with "the rows
// after the last id read", so a page costs the same however far down the group it lies.
#include "data/SqlDialect.h"

#include <QString>
#include <QStringList>

// What the summary was run with, kept when its rows were written.
struct TDrillBase {
    QString SourceView = QStringLiteral(" vwBudgetAdj ");
    QString WhereClause;     // the summary's where clause, " where datayear=..."
    QStringList Dimensions;  // the captions of the dimensions in use, in grouping order
    QString UnitCut;         // the level cut of the unit code the summary grouped by, or empty
    TSqlBackend Backend = TSqlBackend::SQLite;
};

// The columns the drill-down reads: unit, subject and item with codes and names, the names of
// the fund nature, payment method and expenditure type, the row id and the amount.
QStringList DrillColumns();

// The conditions that select a group: for dimension j (1..codes.size()) its code column equals
// codes[j-1]. The budget unit is matched through the same cut as the summary grouped it by, so
// the unit code is a prefix of the rows' unit codes exactly as the summary counted them; an
// empty code (a code that was null or empty) matches both. Raises Exception for more codes
// than dimensions or a caption that is no dimension.
QString DrillGroupCondition(const TDrillBase &base, const QStringList &codes);

// One page of the group's rows: at most pageRows rows after the row id afterId (all rows from
// the first when afterId is empty), in row id order.
QString DrillPageSql(const TDrillBase &base, const QStringList &codes, const QString &afterId,
                     int pageRows);
