#include "frame/UserContextOps.h"

#include "frame/ModuleGlobals.h"

QString GetSysParamValue(const TSysParams *params, int n) {
    if (!params) return QString();
    const QString name = QString::number(n);
    for (const QString &line : params->Lines) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq >= 0 && QStringView(line).left(eq) == name) return line.mid(eq + 1);
    }
    return QString();
}

QString GetUnitValue(int n) {
    TUserContext *ctx = authpay::UserContext;
    if (!ctx || !ctx->CurrentUnit) return QString();
    TUnitField *field = ctx->CurrentUnit->Field(n);
    if (!field || field->Value.isNull() || !field->Value.isValid()) return QString();
    return field->Value.toString();
}

std::optional<QString> ReportScopeUnit() {
    TUserContext *ctx = authpay::UserContext;
    if (!ctx || GetSysParamValue(ctx->SysParams, kReportScopeParam) != QLatin1String("unit")) return std::nullopt;
    return GetUnitValue(0).trimmed();
}

QString GetTodayText(const QDate &today) { return today.toString(QStringLiteral("yyyy-MM-dd")); }

bool IsDeptUser(TUnitRecord *unit) {
    TUserContext *ctx = authpay::UserContext;
    if (!ctx || !ctx->CurrentUnit || !unit) return false;
    TUnitField *field = unit->Field(0);
    const QString code = field && !field->Value.isNull() ? field->Value.toString() : QString();
    if (code.size() != 6 || code.mid(3, 3) != QLatin1String("001")) return false;
    return ctx->Settings && ctx->Settings->DeptModeFlag == QLatin1String("1");
}
