#include "data/ElementKinds.h"

#include "data/SqlQuote.h"

namespace {

TElementKind Kind(const char *key, bool whole, const char *caption, const char *code, const char *parent,
                  const char *name, TKindCondition condition = TKindCondition::None) {
    return {QString::fromLatin1(key), whole,       QString::fromUtf8(caption), QString::fromLatin1(code),
            QString::fromLatin1(parent), QString::fromLatin1(name), condition};
}

QString KindCondition(const TElementKind &kind, const QString &unitCode, int year, TSqlBackend backend) {
    switch (kind.Condition) {
    case TKindCondition::UnitPrefix:
        return QStringLiteral(" and eid like ") + QuotedLikePrefix(UnitPrefix(unitCode), backend);
    case TKindCondition::DataYear:
        return year != 0 ? QStringLiteral(" and datayear=") + QString::number(year) : QString();
    case TKindCondition::None: break;
    }
    return QString();
}

}  // namespace

const QList<TElementKind> &ElementKinds() {
    static const QList<TElementKind> kinds{
        Kind("pubdept", true, "预算单位", "Eid", "peid", "EName", TKindCondition::UnitPrefix),
        Kind("pubagent", true, "供应商", "AgntId", "PAgntId", "AName"),
        Kind("pubbudgetkind", true, "预算来源", "BKid", "PBKid", "BKName"),
        Kind("pubdatakind", true, "数据分类", "DKid", "PDKid", "DKName"),
        Kind("pubmoneykind", true, "资金性质", "Mid", "PMid", "MName"),
        Kind("pubincomepay", true, "支出类型", "IPid", "PIPid", "IPName"),
        Kind("pubpaykind", true, "支付方式", "Pid", "PPid", "PName"),
        Kind("pubsubject", false, "预算科目", "Bid", "PBid", "BName", TKindCondition::DataYear),
        Kind("pubitem", false, "预算项目", "Iid", "PIid", "IName"),
        Kind("vwbudgetitem", false, "预算项目", "Iid", "PIid", "IName"),
        Kind("busibudgetbalance", false, "结余项目", "Iid", "PIid", "IName"),
        Kind("pubeconomykind", true, "经济分类", "EKid", "PEKid", "EKName", TKindCondition::DataYear),
        Kind("pubbureaux", true, "预算处室", "BurId", "PBurId", "BurName"),
    };
    return kinds;
}

const TElementKind *FindElementKind(const QString &kind) {
    const QString lower = kind.toLower();
    for (const TElementKind &row : ElementKinds())
        if (row.WholeMatch ? lower == row.Key : lower.contains(row.Key)) return &row;
    return nullptr;
}

QString UnitPrefix(const QString &unitCode) { return unitCode.size() > 3 ? unitCode.chopped(3) : QString(); }

std::optional<TElementKindUse> UseElementKind(const QString &kind, const QString &unitCode, int year, TSqlBackend backend) {
    const TElementKind *row = FindElementKind(kind);
    if (!row) return std::nullopt;
    const bool unit = row->Key == QLatin1String("pubdept");
    return TElementKindUse{row, kind.toLower(), KindCondition(*row, unitCode, year, backend),
                           unit && unitCode.size() > 6 ? unitCode.chopped(6) : QString(), unit ? 3 : 2};
}
