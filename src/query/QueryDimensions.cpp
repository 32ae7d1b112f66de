#include "query/QueryDimensions.h"

#include "authpay/Exception.h"

#include <QHash>

namespace {
const QString kUnitCaption = QStringLiteral("预算单位");

// The level the unit-level box shows, or 0 for "<全部>", an empty box or any other text.
qint64 LevelOf(const QString &text) {
    bool ok = false;
    const int level = text.trimmed().toInt(&ok);
    return ok && level > 0 ? level : 0;
}

// The substring function is written into the statement as it is, so it must be a bare name.
bool IsPlainName(const QString &name) {
    if (name.isEmpty()) return false;
    for (QChar c : name) {
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != QLatin1Char('_')) return false;
    }
    return true;
}
}  // namespace

QString DimensionFields(const QString &caption) {
    static const QHash<QString, QString> fields = {
        {kUnitCaption, QStringLiteral("aeid,ename")},
        {QStringLiteral("资金性质"), QStringLiteral("mid,mname")},
        {QStringLiteral("支出类型"), QStringLiteral("ipid,ipname")},
        {QStringLiteral("支付方式"), QStringLiteral("pid,pname")},
        {QStringLiteral("预算科目"), QStringLiteral("bid,bname")},
        {QStringLiteral("预算项目"), QStringLiteral("iid,iname")},
    };
    return fields.value(caption);
}

bool IsUnitDimension(const QString &caption) { return caption == kUnitCaption; }

bool IsNameOnlyDimension(const QString &caption) {
    return caption == QStringLiteral("资金性质") || caption == QStringLiteral("支付方式") || caption == QStringLiteral("支出类型");
}

TDimensionParts DimensionParts(const QString &caption, const QString &unitCut) {
    const QString fields = DimensionFields(caption);
    if (fields.isEmpty()) return {};
    if (!IsUnitDimension(caption)) return {fields, fields, fields, fields, fields};
    const QString order = QStringLiteral(" a.aeid ");
    const QString column = QStringLiteral("aeid");
    if (unitCut.isEmpty())
        return {fields, QStringLiteral("eid as aeid"), QStringLiteral(" eid"), order, column};
    return {fields, unitCut + QStringLiteral(" as aeid"), unitCut, order, column};
}

QString UnitCodeCut(const QString &unitLevel, const QString &substringFunction,
                    const QString &sourceView) {
    const qint64 level = LevelOf(unitLevel);
    if (level == 0) return {};
    if (!IsPlainName(substringFunction))
        throw Exception(QStringLiteral("数据库的取子串函数无效：") + substringFunction);
    return substringFunction + QLatin1Char('(') + sourceView.trimmed() + QStringLiteral(".eid,1,") +
           QString::number(3 * level) + QLatin1Char(')');
}
