#include "authpay/Exception.h"
#include "query/QueryBuild.h"

#include <gtest/gtest.h>

namespace {
const QString kAll = QStringLiteral("<全部>");
const QString kUnit = QStringLiteral("预算单位");
const QString kFund = QStringLiteral("资金性质");
const QString kPay = QStringLiteral("支付方式");
const QString kAttack = QStringLiteral("' or '1'='1");

// Codes by kind and name: a name looked up in another kind's list finds nothing.
QString Lookup(TCodeKind kind, const QString &name) {
    if (kind == TCodeKind::FundNature && name == QStringLiteral("一般预算"))
        return QStringLiteral("11");
    if (kind == TCodeKind::FundNature && name == QStringLiteral("坏名")) return kAttack;
    if (kind == TCodeKind::PayKind && name == QStringLiteral("直接支付"))
        return QStringLiteral("10");
    if (kind == TCodeKind::ExpenditureType && name == QStringLiteral("基本支出"))
        return QStringLiteral("12");
    return {};
}

// Data year 2010, 控制数, no subtype, no code box, secrecy, fund nature and expenditure type
// "<全部>", payment method coded 10, on SQL Server.
TQueryConditions Conditions(const QStringList &dimensions, const QString &level = kAll) {
    TQueryConditions c;
    c.Dimensions = dimensions;
    c.UnitLevel = level;
    c.DataYear = 2010;
    c.SubstringFunction = QStringLiteral("SUBSTRING");
    c.Filters.FundNature = c.Filters.ExpenditureType = kAll;
    c.Filters.PayKind = QStringLiteral("直接支付");
    c.LookupCode = Lookup;
    return c;
}

const QString kHead = QStringLiteral(" where datayear=2010 and btype='0' ");
QString Where(const TQueryFilters &filters) { return BuildWhereClause(2010, filters, Lookup); }
}  // namespace

TEST(BuildQuerySql, UnitAtLevelTwoAndFundNature) {
    const TQuerySql q = BuildQuerySql(Conditions({kUnit, kFund}, QStringLiteral("2")));
    EXPECT_EQ(
        q.Sql,
        QStringLiteral(
            " select a.*,b.ename  from ( select SUBSTRING(vwBudgetAdj.eid,1,6) as "
            "aeid,mid,mname,sum(budgmoney) as sumMoney  from  vwBudgetAdj   where datayear=2010 "
            "and btype='0'  and  pid ='10' group by SUBSTRING(vwBudgetAdj.eid,1,6),mid,mname) a  "
            "left join pubdept b on a.aeid=b.eid  order by  a.aeid ,mid,mname"));
    EXPECT_EQ(q.FieldList, QStringLiteral("aeid,ename,mid,mname,"));
    EXPECT_EQ(q.FieldNames(), QStringList({"aeid", "ename", "mid", "mname"}));
    EXPECT_TRUE(q.UnitJoined);
    EXPECT_EQ(
        BuildQuerySql(Conditions({kUnit, kFund})).Sql,
        QStringLiteral(
            " select a.*,b.ename  from ( select eid as aeid,mid,mname,sum(budgmoney) as sumMoney  "
            "from  vwBudgetAdj   where datayear=2010 and btype='0'  and  pid ='10' group by  "
            "eid,mid,mname) a  left join pubdept b on a.aeid=b.eid  order by  a.aeid ,mid,mname"));
}

TEST(BuildQuerySql, FundNatureAndPayKindWithFilters) {
    TQueryConditions c = Conditions({kFund, kPay, QString()});
    TQueryFilters &f = c.Filters;
    f.IndicatorType = 1;
    f.SubtypeVisible = true;
    f.IndicatorSubtype = 1;
    f.UnitText = QStringLiteral("001");
    f.Secrecy = 0;
    f.SubjectText = QStringLiteral("201");
    f.FundNature = QStringLiteral("一般预算");
    f.ExpenditureType = QStringLiteral("基本支出");
    f.PayKind = kAll;
    const TQuerySql q = BuildQuerySql(c);
    EXPECT_EQ(
        q.Sql,
        QStringLiteral(" select mid,mname,pid,pname,sum(budgmoney) as sumMoney  from  vwBudgetAdj  "
                       " where datayear=2010 and btype='1'  and bkid='21' and btypechild='1' and "
                       "eid like '001%' and  issecret ='0'  and bid in ('201') and  mid ='11'and "
                       "ipid ='12' group by mid,mname,pid,pname order by mid,mname,pid,pname"));
    EXPECT_EQ(q.FieldList, QStringLiteral("mid,mname,pid,pname,"));
    EXPECT_FALSE(q.UnitJoined);
}

TEST(BuildQuerySql, UnitDimensionPlacement) {
    TQueryConditions only = Conditions({kUnit});
    only.Filters.PayKind = kAll;
    EXPECT_EQ(
        BuildQuerySql(only).Sql,
        QStringLiteral(" select a.*,b.ename  from ( select eid as aeid,sum(budgmoney) as sumMoney  "
                       "from  vwBudgetAdj   where datayear=2010 and btype='0'  group by  eid) a  "
                       "left join pubdept b on a.aeid=b.eid  order by  a.aeid "));
    const TQuerySql q = BuildQuerySql(Conditions({kFund, kPay, kUnit}));
    EXPECT_EQ(q.SelectList, QStringLiteral("mid,mname,pid,pname,eid as aeid"));
    EXPECT_EQ(q.GroupList, QStringLiteral("mid,mname,pid,pname, eid"));
    EXPECT_EQ(q.OrderList, QStringLiteral("mid,mname,pid,pname, a.aeid "));
    EXPECT_EQ(q.FieldNames(), QStringList({"mid", "mname", "pid", "pname", "aeid", "ename"}));
    const QStringList others = {QStringLiteral("预算项目"), QStringLiteral("预算科目"),
                                QStringLiteral("支出类型")};
    EXPECT_EQ(BuildQuerySql(Conditions(others)).FieldList,
              QStringLiteral("iid,iname,bid,bname,ipid,ipname,"));
}

TEST(BuildQuerySql, UnitLevelCut) {
    const char *cases[][3] = {{"MID", "2", "MID(vwBudgetAdj.eid,1,6)"},
                              {"SUBSTR", "2", "SUBSTR(vwBudgetAdj.eid,1,6)"},
                              {"SUBSTRING", "1", "SUBSTRING(vwBudgetAdj.eid,1,3)"},
                              {"SUBSTRING", "3 ", "SUBSTRING(vwBudgetAdj.eid,1,9)"},
                              // no selection, or no level: the whole code, and no function needed
                              {"", "", "eid"},
                              {"", "abc", "eid"},
                              {"", "0", "eid"},
                              {"", "-1", "eid"},
                              {"", "99999999999", "eid"}};
    for (const auto &[function, level, cut] : cases) {
        TQueryConditions c = Conditions({kUnit}, QString::fromUtf8(level));
        c.SubstringFunction = QString::fromUtf8(function);
        const TQuerySql q = BuildQuerySql(c);
        EXPECT_EQ(q.SelectList, QString::fromUtf8(cut) + " as aeid") << function << level;
        EXPECT_EQ(q.GroupList.trimmed(), QString::fromUtf8(cut)) << function << level;
        // The cut the drill-downs match the unit by is the one grouped by.
        EXPECT_EQ(q.UnitCut, QString::fromUtf8(cut) == QLatin1String("eid") ? QString() : QString::fromUtf8(cut));
    }
    // Only the boxes in use are dimensions; without the unit there is no cut.
    const TQuerySql q = BuildQuerySql(Conditions({kFund, QString(), kPay}, QStringLiteral("2")));
    EXPECT_EQ(q.Dimensions, QStringList({kFund, kPay}));
    EXPECT_TRUE(q.UnitCut.isEmpty());
}

TEST(BuildQuerySql, NothingToBuildOrUnusableInputs) {
    const TQuerySql none = BuildQuerySql(Conditions({QString(), QString()}));
    EXPECT_TRUE(none.Sql.isEmpty());
    EXPECT_TRUE(none.FieldNames().isEmpty());
    EXPECT_THROW(BuildQuerySql(Conditions({kFund, QStringLiteral("预算年度")})), Exception);
    TQueryConditions badFunction = Conditions({kUnit}, QStringLiteral("2"));
    badFunction.SubstringFunction = QStringLiteral("SUBSTR(eid,1,1)--");
    EXPECT_THROW(BuildQuerySql(badFunction), Exception);
    TQueryConditions noLookup = Conditions({kFund});
    noLookup.LookupCode = nullptr;
    EXPECT_THROW(BuildQuerySql(noLookup), Exception);
}

TEST(BuildWhereClause, IndicatorSubtypeAndSecrecy) {
    TQueryFilters f;
    f.IndicatorSubtype = 3;  // chosen, then the box was hidden
    EXPECT_EQ(Where(f), kHead);
    f.SubtypeVisible = true;
    const char *subtypes[] = {"", " and bkid='21' and btypechild='1'", " and bkid='22' ",
                              " and btypechild='2' "};
    for (int i = 0; i < 4; ++i) {
        f.IndicatorSubtype = i;
        EXPECT_EQ(Where(f), kHead + QString::fromUtf8(subtypes[i])) << i;
    }
    f.IndicatorSubtype = 0;
    f.Secrecy = 1;
    EXPECT_EQ(Where(f), kHead + " and  issecret ='1' ");
}

TEST(BuildWhereClause, CodeBoxesAndLookups) {
    TQueryFilters f;
    f.UnitText = QStringLiteral(" 001 ");
    f.PayKind = QStringLiteral("直接支付");
    f.ExpenditureType = QStringLiteral("基本支出");
    EXPECT_EQ(Where(f), kHead + " and eid like '001%' and  pid ='10'and ipid ='12'");
    f.UnitList = true;
    f.UnitText = QStringLiteral("101,102");
    f.ItemText = QStringLiteral("9");
    f.PayKind = kAll;
    EXPECT_EQ(Where(f), kHead + " and eid in ('101','102') and Iid in ('9')and ipid ='12'");
    // Picked codes make the list as they are: one that holds a comma or a quote stays one code.
    f.UnitText = QStringLiteral("1,01,102");
    f.UnitCodes = {QStringLiteral("1,01"), QStringLiteral("102")};
    f.ItemCodes = {QStringLiteral("9'9")};
    f.ItemText = QStringLiteral("9'9");
    EXPECT_EQ(Where(f), kHead + " and eid in ('1,01','102') and Iid in ('9''9')and ipid ='12'");
}

// A typed unit code is a prefix: its "_" and "%" are no wildcards, on the backend's terms.
TEST(BuildWhereClause, WildcardsInATypedUnitCodeMatchOnlyThemselves) {
    TQueryFilters f;
    f.UnitText = QStringLiteral("00_1%");
    f.Backend = TSqlBackend::PostgreSQL;
    EXPECT_EQ(Where(f), kHead + R"( and eid like '00\_1\%%' escape '\')");
    f.Backend = TSqlBackend::SqlServer;
    EXPECT_EQ(Where(f), kHead + " and eid like '00[_]1[%]%'");
    // A backslash is the escape character's own: doubled, it stands for itself on PostgreSQL; the
    // older Access wildcards stand for themselves in brackets.
    f.UnitText = QStringLiteral("0\\1");
    f.Backend = TSqlBackend::PostgreSQL;
    EXPECT_EQ(Where(f), kHead + R"( and eid like '0\\1%' escape '\')");
    f.UnitText = QStringLiteral("0*1?#");
    f.Backend = TSqlBackend::Access;
    EXPECT_EQ(Where(f), kHead + " and eid like '0[*]1[?][#]%'");
}

TEST(BuildWhereClause, EveryValueIsQuoted) {
    TQueryFilters f;
    f.UnitText = kAttack;
    EXPECT_EQ(Where(f), kHead + " and eid like ''' or ''1''=''1%'");
    f.UnitList = true;
    f.UnitText = QStringLiteral("101,") + kAttack;
    f.SubjectText = kAttack;
    f.FundNature = QStringLiteral("坏名");
    EXPECT_EQ(Where(f), kHead +
                            " and eid in ('101',''' or ''1''=''1') and bid in (''' or ''1''=''1') "
                            "and  mid =''' or ''1''=''1'");
}

// The host's "scope=unit" keeps every statement inside the user's unit: the prefix comes last,
// quoted and with its wildcards matching themselves; a user without a unit code sees nothing.
TEST(BuildWhereClause, AReportScopeComesAfterEveryOtherCondition) {
    TQueryFilters f;
    f.UnitText = QStringLiteral("001");
    f.Backend = TSqlBackend::PostgreSQL;
    const QString unscoped = Where(f);
    f.ScopeUnit = QStringLiteral("002'_1");
    EXPECT_EQ(Where(f), unscoped + R"( and eid like '002''\_1%' escape '\')");
    f.ScopeUnit = QString();
    EXPECT_EQ(Where(f), unscoped + " and 1=0");
}

// On a coordinator the sums come in two stages whose inner grouping holds the partitions' unit
// cut; the outer one gives the same columns, groups and order as on one server.
TEST(BuildQuerySql, CoordinatorSumsInTwoStagesGroupedByThePartitionCut) {
    const QString subject = QStringLiteral("预算科目");
    TQueryConditions whole = Conditions({kUnit, subject});
    whole.ShardUnitLevel = 2;
    const TQuerySql q = BuildQuerySql(whole);
    EXPECT_EQ(
        q.Sql,
        QStringLiteral(
            " select a.*,b.ename  from ( select aeid,bid,bname,sum(sumMoney) as sumMoney from ( "
            "select eid as aeid,bid,bname,sum(budgmoney) as sumMoney  from  vwBudgetAdj   where "
            "datayear=2010 and btype='0'  and  pid ='10' group by  "
            "eid,bid,bname,SUBSTRING(vwBudgetAdj.eid,1,6)) s group by aeid,bid,bname) a  left "
            "join pubdept b on a.aeid=b.eid  order by  a.aeid ,bid,bname"));
    EXPECT_EQ(q.FieldNames(), BuildQuerySql(Conditions({kUnit, subject})).FieldNames());
    // Grouped by the partitions' own cut: nothing is added to the inner grouping.
    TQueryConditions cut = Conditions({kUnit}, QStringLiteral("2"));
    cut.ShardUnitLevel = 2;
    EXPECT_TRUE(BuildQuerySql(cut).Sql.contains(
        QStringLiteral("group by SUBSTRING(vwBudgetAdj.eid,1,6)) s group by aeid)")));
    // Without the unit, or cut coarser, the inner grouping still holds the partitions' cut.
    TQueryConditions coarse = Conditions({kFund, kUnit}, QStringLiteral("1"));
    coarse.ShardUnitLevel = 2;
    EXPECT_TRUE(BuildQuerySql(coarse).Sql.contains(QStringLiteral(
        "group by mid,mname,SUBSTRING(vwBudgetAdj.eid,1,3),SUBSTRING(vwBudgetAdj.eid,1,6)) s "
        "group by mid,mname,aeid)")));
    TQueryConditions none = Conditions({kFund});
    none.ShardUnitLevel = 3;
    EXPECT_TRUE(BuildQuerySql(none).Sql.endsWith(QStringLiteral(
        "group by mid,mname,SUBSTRING(vwBudgetAdj.eid,1,9)) s group by mid,mname order by mid,mname")));
}

// The column dimension is grouped and ordered after the groupings; its fields are read after
// theirs, and a grouping cannot be the column dimension too.
TEST(BuildQuerySql, ColumnDimensionAfterTheGroupings) {
    TQueryConditions c = Conditions({kUnit}, QStringLiteral("2"));
    c.ColumnDimension = kFund;
    const TQuerySql q = BuildQuerySql(c);
    EXPECT_EQ(q.Sql, BuildQuerySql(Conditions({kUnit, kFund}, QStringLiteral("2"))).Sql);
    EXPECT_EQ(q.Dimensions, QStringList({kUnit}));
    EXPECT_EQ(q.FieldNames(), QStringList({"aeid", "ename"}));
    EXPECT_EQ(q.ResultFieldNames(), QStringList({"aeid", "ename", "mid", "mname"}));
    EXPECT_EQ(q.ColumnDimension, kFund);
    c.ColumnDimension = kUnit;
    EXPECT_THROW(BuildQuerySql(c), Exception);
    c.ColumnDimension = kAttack;
    EXPECT_THROW(BuildQuerySql(c), Exception);
    c.ColumnDimension = kFund;
    c.CompareYear = c.DataYear;  // the year itself is no comparison
    EXPECT_EQ(BuildQuerySql(c).Sql, q.Sql);
    c.CompareYear = c.DataYear - 1;
    EXPECT_THROW(BuildQuerySql(c), Exception);
    c.Dimensions = QStringList();
    c.ColumnDimension = kFund;
    EXPECT_TRUE(BuildQuerySql(c).Sql.isEmpty());
}
