#pragma once
// The six grouping dimensions of the apportion summary query: the result columns each one brings
// (code, then name) and its parts of the select, group and order lists.
#include <QString>

struct TDimensionParts {
    QString Fields;  // the result columns, "code,name"
    QString Select;
    QString Group;
    QString Order;
    QString Column;  // the result column of the grouped statement that holds the code (and name)
};

// "aeid,ename" for "预算单位", "mid,mname" for "资金性质", ...; empty for a text that is no
// dimension.
QString DimensionFields(const QString &caption);

// The budget unit is the one dimension whose name comes from pubdept through a wrapping query.
bool IsUnitDimension(const QString &caption);

// The fund nature, payment method and expenditure type are shown by name only: their code
// columns are hidden.
bool IsNameOnlyDimension(const QString &caption);

// The parts of a dimension. unitCut is the unit code cut to a level (UnitCodeCut), or empty to
// group by the whole code; only the budget unit reads it. All parts are empty for a non-dimension.
TDimensionParts DimensionParts(const QString &caption, const QString &unitCut);

// The unit code of the source view cut to the level shown in the unit-level box, e.g.
// SUBSTRING(vwBudgetAdj.eid,1,6) for level 2 (three characters per level). Empty when the box
// shows "<全部>", nothing, or a text that is no level: the whole code is grouped then. Raises
// Exception when a cut is needed and the substring function is not a plain name.
QString UnitCodeCut(const QString &unitLevel, const QString &substringFunction,
                    const QString &sourceView);
