// The drill-down statement and the rows that open one.
#include "authpay/Exception.h"
#include "query/DrillSql.h"
#include "query/ResultRows.h"

#include <gtest/gtest.h>

namespace {
TDrillBase Base(TSqlBackend backend, const QString &unitCut) {
    TDrillBase b;
    b.WhereClause = QStringLiteral(" where datayear=2010 and btype='0' ");
    b.Dimensions = {QStringLiteral("预算单位"), QStringLiteral("资金性质"), QStringLiteral("预算项目")};
    b.UnitCut = unitCut;
    b.Backend = backend;
    return b;
}
}  // namespace

TEST(DrillSql, GroupCodesPagesAndLimitsPerBackend) {
    const TDrillBase cut = Base(TSqlBackend::SQLite, QStringLiteral("SUBSTR(vwBudgetAdj.eid,1,3)"));
    EXPECT_EQ(DrillPageSql(cut, {QStringLiteral("001"), QStringLiteral("11")}, QString(), 1000),
              QStringLiteral(" select eid,ename,bid,bname,iid,iname,mname,pname,ipname,id,budgmoney from  vwBudgetAdj "
                             " where datayear=2010 and btype='0'  and SUBSTR(vwBudgetAdj.eid,1,3)='001' and mid='11'"
                             " order by id limit 1000"));
    // The unit's whole code without a cut; a null or empty code; the page after a row id.
    const TDrillBase whole = Base(TSqlBackend::PostgreSQL, QString());
    EXPECT_EQ(DrillGroupCondition(whole, {QStringLiteral("001001"), QString(), QString()}),
              QStringLiteral(" and eid='001001' and (mid is null or mid='') and (iid is null or iid='')"));
    EXPECT_TRUE(DrillPageSql(whole, {}, QStringLiteral("4711"), 50).endsWith(
        QStringLiteral(" where datayear=2010 and btype='0'  and id>'4711' order by id limit 50")));
    EXPECT_TRUE(DrillPageSql(Base(TSqlBackend::SqlServer, QString()), {}, QString(), 10).startsWith(
        QStringLiteral(" select top 10 eid,")));
    EXPECT_TRUE(DrillPageSql(Base(TSqlBackend::Oracle, QString()), {}, QString(), 10).endsWith(
        QStringLiteral(" order by id fetch first 10 rows only")));
}

TEST(DrillSql, CodesAreQuotedAndExtraCodesRefused) {
    const TDrillBase b = Base(TSqlBackend::SQLite, QString());
    EXPECT_EQ(DrillGroupCondition(b, {QStringLiteral("0'1' or '1'='1")}),
              QStringLiteral(" and eid='0''1'' or ''1''=''1'"));
    EXPECT_TRUE(DrillPageSql(b, {}, QStringLiteral("1' or '1'='1"), 5).contains(QStringLiteral(" and id>'1'' or ''1''=''1'")));
    EXPECT_THROW(DrillGroupCondition(b, {"a", "b", "c", "d"}), Exception);
}

TEST(DrillSql, RowsThatOpenADrillDown) {
    EXPECT_EQ(DrillLevelOfRow(TRowKind::Result, 0, 3), 3);
    EXPECT_EQ(DrillLevelOfRow(TRowKind::Subtotal, 1, 3), 1);
    EXPECT_EQ(DrillLevelOfRow(TRowKind::Subtotal, 2, 3), 2);
    EXPECT_EQ(DrillLevelOfRow(TRowKind::Subtotal, 3, 3), -1);  // no subtotal at the last level
    EXPECT_EQ(DrillLevelOfRow(TRowKind::Totals, 0, 3), 0);
    EXPECT_EQ(DrillLevelOfRow(TRowKind::Other, 0, 3), -1);
    EXPECT_EQ(DrillLevelOfRow(TRowKind::Subtotal, 0, 3), -1);
}
