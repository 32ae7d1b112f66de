#include "data/ComboSql.h"

QString FundNatureComboSql(int mode, bool descending, const QString &extra) {
    static const QString base = QStringLiteral("select mid as id,mname as name from pubmoneykind where leafflag='0' ");
    QString sql;
    switch (mode) {
    case 0: sql = base; break;
    case 1: sql = base + QStringLiteral("and mid in ('11','12','31')"); break;
    case 2: sql = base + QStringLiteral("and mid in ('11','21')"); break;
    case 3: sql = base + QStringLiteral("and mid in ('11','12')"); break;
    default: break;
    }
    if (!extra.isEmpty()) sql += extra;
    if (mode == 2 || descending) sql += QStringLiteral("order by mid desc ");
    return sql;
}

QString PayKindComboSql(int mode, bool descending) {
    static const QString head = QStringLiteral("select pid as id,pname as name from pubpaykind where ");
    QString sql;
    switch (mode) {
    case 0: sql = head + QStringLiteral("pid ='10' or pid='20' order by pid "); break;
    case 1: sql = head + QStringLiteral("pid='10'  order by pid "); break;
    case 2: sql = head + QStringLiteral("pid='20'  order by pid "); break;
    case 3: sql = head + QStringLiteral("pid='31'  order by pid "); break;
    case 4: sql = head + QStringLiteral("pid ='10' or pid='20' or pid='31' order by pid "); break;
    case 5: sql = head + QStringLiteral("pid ='10' or pid='31' order by pid "); break;
    default: break;
    }
    if (descending) sql += QStringLiteral(" desc ");
    return sql;
}

QString ExpenditureTypeComboSql(int mode, const QString &extra, bool descending) {
    static const QString base = QStringLiteral("select ipid as id,ipname as name from pubincomepay where leafflag='0' ");
    QString sql;
    switch (mode) {
    case 0: sql = base; break;
    case 1: sql = base + QStringLiteral(" and ipid in ('11','12','22') "); break;
    case 2: sql = base + QStringLiteral(" and ipid  in ('11','12') "); break;
    case 3: sql = base + QStringLiteral(" and ipid  in ('17','18','19') "); break;
    case 4: sql = base + QStringLiteral(" and ipid  in ('11','12','17','18','19') "); break;
    case 5: sql = base + QStringLiteral(" and ipid  in ('11','12','22','17','18','19') "); break;
    default: break;
    }
    if (!extra.isEmpty()) sql += extra;
    sql += QStringLiteral(" order by ipid");
    if (descending) sql += QStringLiteral(" desc ");
    return sql;
}
