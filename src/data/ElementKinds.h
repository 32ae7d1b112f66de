#pragma once
// The element kinds: the budget code tables that the pickers can show, with their code, parent and
// name columns, caption and own condition. A kind is given as a table name; lower-cased, it is
// compared with the keys in table order (whole-text equality or containment, per key) and the
// first match wins; the lower-cased kind itself is the table or view name in the SQL.
#include "data/SqlDialect.h"

#include <QList>
#include <QString>
#include <optional>

enum class TKindCondition {
    None,        // no condition of its own
    UnitPrefix,  // " and eid like '<unit prefix>%'"
    DataYear     // " and datayear=<year>" when the year is not 0
};

struct TElementKind {
    QString Key;
    bool WholeMatch;  // true: the kind must equal the key; false: contain it
    QString Caption;
    QString CodeColumn;
    QString ParentColumn;
    QString NameColumn;
    TKindCondition Condition;
};

const QList<TElementKind> &ElementKinds();
// The kind's row, or null when no row matches.
const TElementKind *FindElementKind(const QString &kind);

// The user's unit code without its last three characters (empty for three characters or fewer).
QString UnitPrefix(const QString &unitCode);

// What a picker needs of a kind, for the user's unit code and a budget year.
struct TElementKindUse {
    const TElementKind *Kind;
    QString Table;      // the lower-cased kind
    QString Condition;  // the kind's own condition, "" when it has none
    QString TopId;      // units: the unit code without its last six characters; else ""
    int Depth;          // initial-selection depth: 3 for units, 2 for every other kind
};
// The unit prefix is matched as it is on the backend, its "_" and "%" no wildcards.
std::optional<TElementKindUse> UseElementKind(const QString &kind, const QString &unitCode, int year,
                                              TSqlBackend backend = TSqlBackend::SQLite);
