#pragma once
// The filters of the apportion summary query window and the where clause they make. Every
// value from a box, a code box or a lookup enters the clause quoted (data/SqlQuote.h).
#include "data/SqlDialect.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <functional>

// The code lists whose names the window's drop-down boxes show.
enum class TCodeKind { FundNature, PayKind, ExpenditureType };

// Turns a name shown in a list into its code (GetFundNatureId, GetPayKindId with no extra
// condition, GetExpenditureTypeId); empty when the name has none, as "<全部>" has none.
using TCodeLookup = std::function<QString(TCodeKind kind, const QString &name)>;

struct TQueryFilters {
    int IndicatorType = 0;        // index of cobType: 0 控制数, 1 预算数, 2 临时指标
    bool SubtypeVisible = false;  // cobTypeChild is shown
    int IndicatorSubtype =
        0;  // index of cobTypeChild: 0 <全部>, 1 当年预算, 2 结余预算, 3 追加预算
    // The visible texts of the code boxes: codes joined by ",", or for edtEid in single-unit
    // mode one typed code. The quoted list a code box also keeps is not read: the in-lists are
    // quoted afresh from these codes.
    QString UnitText;         // edtEid
    bool UnitList = false;    // chbEidType checked: UnitText is a list of units, not a prefix
    QString SubjectText;      // edtBid
    QString ItemText;         // edtIid
    // The codes picked into each box while its text still shows exactly them: they make the
    // in-list as they are, so that a code holding a comma stays one code. Empty: the text is
    // split at its commas.
    QStringList UnitCodes, SubjectCodes, ItemCodes;
    int Secrecy = 2;          // index of cobSecret: 0 密, 1 非密, 2 <全部>
    QString FundNature;       // text of cobMid
    QString PayKind;          // text of cobPid
    QString ExpenditureType;  // text of cobIPid
    // The backend the clause is for: a typed unit code is matched as a prefix, and how "like"
    // is told that a "_" or "%" in it is no wildcard differs between backends.
    TSqlBackend Backend = TSqlBackend::SQLite;
    // The unit every report is kept to (ReportScopeUnit), after every other condition; none:
    // the statement as it always was.
    std::optional<QString> ScopeUnit;
};

// The filters' conditions alone, each beginning with "and". Raises Exception without a lookup.
QString FilterConditions(const TQueryFilters &filters, const TCodeLookup &lookupCode);
// " where datayear=" + the year; with another year to compare with (compareYear not 0 and not
// dataYear), " where datayear in (" + the year + "," + that year + ")".
QString YearCondition(int dataYear, int compareYear = 0);
// YearCondition + the conditions of the filters. Raises Exception without a lookup.
QString BuildWhereClause(int dataYear, const TQueryFilters &filters, const TCodeLookup &lookupCode,
                         int compareYear = 0);
