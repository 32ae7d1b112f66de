#include "demo/DemoSchema.h"

#include "demo/DemoCodes.h"

namespace {

const char *const kViews[] = {"vwBudgetAdj", "vwbudgetitem"};

QString CodeTableDdl(const TCodeTable &t) {
    QString ddl = QStringLiteral("create table %1 (").arg(t.Table);
    if (t.Yearly) ddl += QStringLiteral("datayear integer not null, ");
    ddl += QStringLiteral("%1 varchar(30) not null, %2 varchar(30) not null, %3 varchar(100) not null, ")
               .arg(t.CodeColumn, t.ParentColumn, t.NameColumn);
    if (t.ExtraColumn == QLatin1String("Class")) ddl += QStringLiteral("Class integer not null, ");
    else if (!t.ExtraColumn.isEmpty() && !t.Yearly) ddl += t.ExtraColumn + QStringLiteral(" varchar(10) not null, ");
    ddl += QStringLiteral("leafflag varchar(1) not null, useflag varchar(1) not null, ");
    ddl += t.Yearly ? QStringLiteral("primary key (datayear, %1))").arg(t.CodeColumn)
                    : QStringLiteral("primary key (%1))").arg(t.CodeColumn);
    return ddl;
}

}  // namespace

QStringList DemoTableNames() {
    QStringList names;
    for (const TCodeTable &t : DemoCodeTables()) names << t.Table;
    names << QStringLiteral("BusiBudgetAdj");
    for (const char *view : kViews) names << QString::fromLatin1(view);
    return names;
}

QStringList DemoDropStatements() {
    QStringList sql;
    for (const char *view : kViews) sql << QStringLiteral("drop view if exists %1").arg(QLatin1String(view));
    for (const TCodeTable &t : DemoCodeTables()) sql << QStringLiteral("drop table if exists %1").arg(t.Table);
    sql << QStringLiteral("drop table if exists BusiBudgetAdj") << QStringLiteral("drop table if exists DemoInfo");
    return sql;
}

QStringList DemoCreateStatements() {
    QStringList sql;
    for (const TCodeTable &t : DemoCodeTables()) sql << CodeTableDdl(t);
    sql << QStringLiteral("create table DemoInfo (name varchar(30) primary key, value varchar(100) not null)");
    // One row per budget adjustment: who, which year, which indicator, which codes, how much.
    sql << QStringLiteral(
        "create table BusiBudgetAdj (id integer primary key, datayear integer not null, eid varchar(30) not null, "
        "bkid varchar(10) not null, btype varchar(1) not null, btypechild varchar(1) not null, "
        "issecret varchar(1) not null, mid varchar(10) not null, ipid varchar(10) not null, "
        "pid varchar(10) not null, bid varchar(30) not null, iid varchar(30) not null, "
        "budgmoney numeric(18,2) not null)");
    // The budget adjustments with the names of their codes.
    sql << QStringLiteral(
        "create view vwBudgetAdj as select a.id, a.datayear, a.eid, d.EName as ename, a.bkid, a.btype, "
        "a.btypechild, a.issecret, a.mid, m.MName as mname, a.ipid, ip.IPName as ipname, a.pid, "
        "p.PName as pname, a.bid, s.BName as bname, a.iid, i.IName as iname, a.budgmoney "
        "from BusiBudgetAdj a "
        "left join pubdept d on d.Eid=a.eid "
        "left join pubmoneykind m on m.Mid=a.mid "
        "left join pubincomepay ip on ip.IPid=a.ipid "
        "left join pubpaykind p on p.Pid=a.pid "
        "left join pubsubject s on s.datayear=a.datayear and s.Bid=a.bid "
        "left join pubitem i on i.Iid=a.iid");
    // The budget items that budgets are drawn up for.
    sql << QStringLiteral(
        "create view vwbudgetitem as select Iid, PIid, IName, leafflag, useflag, IType from pubitem where IType='1'");
    return sql;
}

QStringList DemoIndexStatements() {
    return {QStringLiteral("create index ix_budgetadj_year on BusiBudgetAdj (datayear, btype)"),
            QStringLiteral("create index ix_budgetadj_eid on BusiBudgetAdj (eid)")};
}
