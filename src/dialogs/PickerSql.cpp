#include "dialogs/PickerSql.h"

#include "data/SqlQuote.h"

QString SelectElementCondition(const QString &kindCondition, bool inUse, const QString &extra) {
    QString condition = kindCondition;
    condition += inUse ? QStringLiteral(" and useflag='0' ") : QStringLiteral(" and useflag='1' ");
    if (!extra.isEmpty()) condition += QStringLiteral(" and ") + extra;
    return condition;
}

QString SelectElementSql(const TElementKind &kind, const QString &table, const QString &condition, const QString &op) {
    return QStringLiteral(" select ") + kind.CodeColumn + QStringLiteral(" as id,") + kind.NameColumn
           + QStringLiteral(" as name,") + kind.ParentColumn + QStringLiteral(" as pid,leafflag,") + kind.CodeColumn + op
           + QStringLiteral("' '") + op + kind.NameColumn + QStringLiteral(" as tname") + QStringLiteral(" from ")
           + table + QStringLiteral(" p where 1=1 ") + condition;
}

std::optional<TDataTreeSql> DataTreeSql(int kind, const QString &op, int year, const QString &unitPrefix,
                                        TSqlBackend backend) {
    const QString space = op + QStringLiteral("' '") + op;
    switch (kind) {
    case 1:
        return TDataTreeSql{QStringLiteral("select iid as id,piid as pid,leafflag,iname as name,iid") + space
                                + QStringLiteral("iname as aText,useflag  from PubItem  where IType='1' and useflag='0' "),
                            QStringLiteral("预算项目")};
    case 2:
        return TDataTreeSql{QStringLiteral("select Bid as id,BName as name,PBid as pid,leafflag,Bid") + space
                                + QStringLiteral("BName as aText,useflag  from pubsubject p  where datayear=")
                                + QString::number(year) + QStringLiteral(" and useflag='0' "),
                            QStringLiteral("预算科目")};
    case 3:
        return TDataTreeSql{QStringLiteral("select Eid as id,EName as name,peid as pid,leafflag,Eid") + space
                                + QStringLiteral("EName as aText,useflag  from pubdept p  where useflag='0'  and eid like ")
                                + QuotedLikePrefix(unitPrefix, backend),
                            QStringLiteral("预算单位")};
    default:
        return std::nullopt;
    }
}
