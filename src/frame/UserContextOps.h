#pragma once
// Reads of the logged-in user's context that the windows use.
#include "authpay/UserContext.h"

#include <QDate>
#include <QString>
#include <optional>

// The text after "=" in the line of Params named N (in decimal); empty when there is none.
QString GetSysParamValue(const TSysParams *params, int n);
// Column N of the user's unit as text; empty for a null value or when there is no unit.
QString GetUnitValue(int n);
// Today's local date as yyyy-mm-dd (the date can be given for tests).
QString GetTodayText(const QDate &today = QDate::currentDate());
// System parameter 901: "unit" keeps every report inside the user's unit (the host's setting
// "scope=unit"), as a second barrier behind the database's own row scope.
inline constexpr int kReportScopeParam = 901;
// The unit code prefix every report is kept to: none when the host does not ask for it; an empty
// code (a user without a unit) then keeps the reports empty rather than open.
std::optional<QString> ReportScopeUnit();
// True when the user works at department level: a six-character unit code ending in "001"
// while the settings' department mode flag is exactly "1".
bool IsDeptUser(TUnitRecord *unit);
