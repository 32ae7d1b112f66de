#pragma once
// The statements behind the drop-down value lists, by mode. A mode without a statement gives the
// empty text (the list then stays empty). Each statement yields the columns id and name.
#include <QString>

// Modes 0 all bottom-level fund natures, 1 codes 11/12/31, 2 codes 11/21, 3 codes 11/12. extra is
// appended unchanged; mode 2 and descending order by code descending.
QString FundNatureComboSql(int mode, bool descending, const QString &extra);

// Modes 0 codes 10/20, 1 code 10, 2 code 20, 3 code 31, 4 codes 10/20/31, 5 codes 10/31.
QString PayKindComboSql(int mode, bool descending);

// Modes 0 all bottom-level types, 1 codes 11/12/22, 2 codes 11/12, 3 codes 17/18/19,
// 4 codes 11/12/17/18/19, 5 codes 11/12/22/17/18/19. extra is appended unchanged.
QString ExpenditureTypeComboSql(int mode, const QString &extra, bool descending);
