#pragma once
// The statements of the pickers' trees: one code table of the element kinds for the element
// selection dialog, and the item, subject and unit tables for the data tree dialog. Plain
// functions of their inputs; op is the connection's concatenation operator.
#include "data/ElementKinds.h"

#include <QString>

// The condition of SelectElement: the kind's own condition, the in-use test, then the extra
// condition: " and eid like '001%'" + " and useflag='0' " [+ " and " + extra].
QString SelectElementCondition(const QString &kindCondition, bool inUse, const QString &extra);

// " select Eid as id,EName as name,peid as pid,leafflag,Eid+' '+EName as tname from pubdept p where 1=1 " + condition
QString SelectElementSql(const TElementKind &kind, const QString &table, const QString &condition, const QString &op);

// The data tree dialog's kinds.
struct TDataTreeSql {
    QString Sql;
    QString Title;
};
// Kind 1 budget items, 2 budget subjects of the year, 3 budget units under the unit prefix; no
// value for any other kind. The unit prefix is matched as it is on the backend.
std::optional<TDataTreeSql> DataTreeSql(int kind, const QString &op, int year, const QString &unitPrefix,
                                        TSqlBackend backend = TSqlBackend::SQLite);
