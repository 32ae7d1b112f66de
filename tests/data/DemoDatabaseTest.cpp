// The demo budget database: the statements that the windows build run on it, on both backends,
// with the same answers, and its content looks like a city's budget.
#include "data/AdoConn.h"
#include "data/DefaultConn.h"
#include "data/ElementKinds.h"
#include "DemoDb.h"

#include <gtest/gtest.h>

namespace {

// Every row of the statement, columns joined by "|".
QStringList Rows(const QString &sql) {
    IARQueryPtr ref;
    if (!OpenDefaultQuery(sql, ref)) {
        ADD_FAILURE() << sql.toStdString() << "\n" << LastDbError().toStdString();
        return {};
    }
    QStringList rows;
    TARQuery *q = ref.Query();
    for (; !q->Eof(); q->Next()) {
        QStringList columns;
        for (int i = 0; i < q->FieldCount(); ++i) columns << q->Fields(i).AsString();
        rows << columns.join(QLatin1Char('|'));
    }
    return rows;
}

// The statements of the windows, pickers and trees, in this backend's dialect.
QStringList WindowStatements() {
    TAdoConn *conn = GetDefaultConn();
    const QString op = conn->GetConcatOperator();
    const QString fn = conn->GetSubstringFunction();
    QStringList sql;
    // The grouped sums over the budget view, by unit level and by codes.
    sql << QStringLiteral(" select a.*,b.ename  from ( select %1(vwBudgetAdj.eid,1,6) as aeid,mid,mname,sum(budgmoney) as "
                          "sumMoney  from  vwBudgetAdj   where datayear=2010 and btype='0'  and  pid ='10' group by "
                          "%1(vwBudgetAdj.eid,1,6),mid,mname) a  left join pubdept b on a.aeid=b.eid  order by  a.aeid ,mid,mname")
               .arg(fn);
    sql << QStringLiteral(" select a.*,b.ename  from ( select eid as aeid,mid,mname,sum(budgmoney) as sumMoney  from  "
                          "vwBudgetAdj   where datayear=2010 and btype='0'  and  pid ='10' group by  eid,mid,mname) a  left "
                          "join pubdept b on a.aeid=b.eid  order by  a.aeid ,mid,mname");
    sql << QStringLiteral(" select mid,mname,pid,pname,sum(budgmoney) as sumMoney  from  vwBudgetAdj   where datayear=2010 "
                          "and btype='1'  and bkid='21' and btypechild='1' and eid like '001%' and  issecret ='1'  and bid "
                          "in ('2050201','2050202','2050203','2050204','2050101') and  mid ='11'and ipid ='12' group by mid,mname,pid,pname order by mid,mname,pid,pname");
    sql << QStringLiteral(" select ipid,ipname,bid,bname,iid,iname,sum(budgmoney) as sumMoney  from  vwBudgetAdj   where "
                          "datayear=2011 and btype='2'  and bkid='22'  and btypechild='2'  and Iid in ('030101','0101') "
                          "group by ipid,ipname,bid,bname,iid,iname order by ipid,ipname,bid,bname,iid,iname");
    // The unit levels under the user's parent unit.
    sql << QStringLiteral("select distinct Class  as id from pubdept where eid like '001%' order by id");
    // The data tree pickers: items, subjects, units.
    sql << QStringLiteral("select iid as id,piid as pid,leafflag,iname as name,iid%1' '%1iname as aText,useflag  from PubItem "
                          "  where IType='1' and useflag='0' order by id").arg(op);
    sql << QStringLiteral("select Bid as id,BName as name,PBid as pid,leafflag,Bid%1' '%1BName as aText,useflag  from "
                          "pubsubject p  where datayear=2010 and useflag='0'  order by id").arg(op);
    sql << QStringLiteral("select Eid as id,EName as name,peid as pid,leafflag,Eid%1' '%1EName as aText,useflag  from "
                          "pubdept p  where useflag='0'  and eid like '001%' order by id").arg(op);
    // The single-code picker over every element kind.
    for (const TElementKind &kind : ElementKinds()) {
        const auto use = UseElementKind(kind.Key, QStringLiteral("001001"), 2010);
        sql << QStringLiteral(" select %1 as id,%2 as name,%3 as pid,leafflag,%1%4' '%4%2 as tname from %5 p where 1=1 %6 "
                              "and useflag='0' order by id")
                   .arg(kind.CodeColumn, kind.NameColumn, kind.ParentColumn, op, use->Table, use->Condition);
    }
    return sql;
}

class DemoDatabaseTest : public TBackendTest {};

TEST_P(DemoDatabaseTest, EveryStatementOfTheWindowsRunsAndFindsRows) {
    for (const QString &sql : WindowStatements()) EXPECT_FALSE(Rows(sql).isEmpty()) << sql.toStdString();
}

TEST_P(DemoDatabaseTest, GroupedSumsCarryTheColumnsTheSheetReads) {
    IARQueryPtr ref;
    ASSERT_TRUE(OpenDefaultQuery(WindowStatements().at(0), ref));
    TARQuery *q = ref.Query();
    for (const char *field : {"aeid", "ename", "mid", "mname", "sumMoney"})
        EXPECT_FALSE(q->FieldByName(QLatin1String(field)).AsString().isEmpty()) << field;
    EXPECT_EQ(q->FieldByName(QStringLiteral("aeid")).AsString().size(), 6);
}

TEST_P(DemoDatabaseTest, UnitsFormThreeLevelsOfThreeCharactersWithSomeOutOfUse) {
    EXPECT_EQ(Rows(QStringLiteral("select Class, count(*) from pubdept group by Class order by Class")),
              (QStringList{"1|12", "2|60", "3|23"}));
    EXPECT_EQ(Rows(QStringLiteral("select count(*) from pubdept where useflag='1'")), QStringList{"4"});
    // Every unit's code begins with its parent's, and parents are not bottom-level codes.
    EXPECT_EQ(Rows(QStringLiteral("select count(*) from pubdept c join pubdept p on p.Eid=c.peid "
                                  "where c.Eid like p.Eid %1 '%' and p.leafflag='1'")
                       .arg(GetDefaultConn()->GetConcatOperator())),
              QStringList{"83"});
    EXPECT_EQ(Rows(QStringLiteral("select count(*) from pubdept where peid=''")), QStringList{"12"});
}

TEST_P(DemoDatabaseTest, CodeTablesHoldTheCodesTheListsAsk) {
    EXPECT_EQ(Rows(QStringLiteral("select Mid from pubmoneykind where Mid in ('11','12','21','31') order by Mid")),
              (QStringList{"11", "12", "21", "31"}));
    EXPECT_EQ(Rows(QStringLiteral("select Pid from pubpaykind where leafflag='0' and useflag='0' order by Pid")),
              (QStringList{"10", "20", "31"}));
    EXPECT_EQ(Rows(QStringLiteral("select IPid from pubincomepay where IPid in ('11','12','17','18','19','22') order by IPid")),
              (QStringList{"11", "12", "17", "18", "19", "22"}));
    EXPECT_EQ(Rows(QStringLiteral("select BName from pubsubject where datayear=2010 and Bid in ('201','20101','2010101') "
                                  "order by Bid")),
              (QStringList{"一般公共服务", "人大事务", "行政运行"}));
}

TEST_P(DemoDatabaseTest, BudgetRowsSpanYearsIndicatorsSubtypesAndSecrecy) {
    EXPECT_EQ(Rows(QStringLiteral("select distinct datayear from vwBudgetAdj order by datayear")),
              (QStringList{"2009", "2010", "2011"}));
    EXPECT_EQ(Rows(QStringLiteral("select distinct btype from vwBudgetAdj order by btype")), (QStringList{"0", "1", "2"}));
    EXPECT_EQ(Rows(QStringLiteral("select distinct bkid, btypechild from vwBudgetAdj where bkid in ('21','22') "
                                  "order by bkid, btypechild")),
              (QStringList{"21|1", "21|2", "22|1", "22|2"}));
    EXPECT_EQ(Rows(QStringLiteral("select distinct issecret from vwBudgetAdj order by issecret")), (QStringList{"0", "1"}));
    // Every row's codes have names, in the year of the row.
    EXPECT_EQ(Rows(QStringLiteral("select count(*) from vwBudgetAdj where ename is null or mname is null or ipname is null "
                                  "or pname is null or bname is null or iname is null")),
              QStringList{"0"});
}

AUTHPAY_ON_BOTH_BACKENDS(DemoDatabaseTest);

TEST(DemoDatabaseAgreement, BothBackendsAnswerEveryStatementAlike) {
    if (PgReadOnlyConnStr().isEmpty()) GTEST_SKIP() << "no PostgreSQL cluster (AUTHPAY_PG_RO_CONNSTR)";
    QList<QStringList> answers[2];
    for (int side = 0; side < 2; ++side) {
        TTestContext ctx(ReadOnlyConnStr(side == 0 ? TBackend::SQLite : TBackend::PostgreSQL));
        for (const QString &sql : WindowStatements()) answers[side] << Rows(sql);
    }
    ASSERT_EQ(answers[0].size(), answers[1].size());
    for (int i = 0; i < answers[0].size(); ++i) EXPECT_EQ(answers[0][i], answers[1][i]) << "statement " << i;
}

}  // namespace
