// The pickers' statements, byte for byte, for each dialect's concatenation operator.
#include "dialogs/PickerSql.h"

#include <gtest/gtest.h>

namespace {

QString UnitSql(const QString &op, const QString &unitCode, bool inUse, const QString &extra = QString()) {
    const auto use = UseElementKind(QStringLiteral("PubDept"), unitCode, 0);
    EXPECT_TRUE(use);
    if (!use) return {};
    EXPECT_EQ(use->Kind, FindElementKind(QStringLiteral("PubDept")));
    return SelectElementSql(*use->Kind, use->Table, SelectElementCondition(use->Condition, inUse, extra), op);
}

TEST(PickerSqlTest, TheElementStatementOfTheUnitTable) {
    EXPECT_EQ(UnitSql("+", "001002003", true),
              " select Eid as id,EName as name,peid as pid,leafflag,Eid+' '+EName as tname from pubdept p where 1=1 "
              " and eid like '001002%' and useflag='0' ");
    const QString oracle = UnitSql("||", "001002003", true), access = UnitSql("&", "001002003", true);
    EXPECT_TRUE(oracle.contains(",Eid||' '||EName as tname from ")) << oracle.toStdString();
    EXPECT_TRUE(access.contains(",Eid&' '&EName as tname from ")) << access.toStdString();
    // Codes not in use, with a condition of the caller's own after them.
    EXPECT_TRUE(UnitSql("+", "001002003", false, "Class='2'")
                    .endsWith(" and eid like '001002%' and useflag='1'  and Class='2'"));
    // A quote in the user's unit code cannot end the literal early.
    EXPECT_TRUE(UnitSql("+", "0'1002003", true).contains(" and eid like '0''1002%' "));
}

TEST(PickerSqlTest, TheDataTreeStatementsByKind) {
    const auto items = DataTreeSql(1, "+", 2010, "001");
    ASSERT_TRUE(items);
    EXPECT_EQ(items->Sql, "select iid as id,piid as pid,leafflag,iname as name,iid+' '+iname as aText,useflag  "
                          "from PubItem  where IType='1' and useflag='0' ");
    EXPECT_EQ(items->Title, "预算项目");
    const auto subjects = DataTreeSql(2, "||", 2011, "001");
    ASSERT_TRUE(subjects);
    EXPECT_EQ(subjects->Sql, "select Bid as id,BName as name,PBid as pid,leafflag,Bid||' '||BName as aText,useflag  "
                             "from pubsubject p  where datayear=2011 and useflag='0' ");
    EXPECT_EQ(subjects->Title, "预算科目");
    const auto units = DataTreeSql(3, "&", 2010, "00'1");
    ASSERT_TRUE(units);
    EXPECT_EQ(units->Sql, "select Eid as id,EName as name,peid as pid,leafflag,Eid&' '&EName as aText,useflag  "
                          "from pubdept p  where useflag='0'  and eid like '00''1%'");
    EXPECT_EQ(units->Title, "预算单位");
    EXPECT_TRUE(DataTreeSql(3, "+", 2010, "0_1", TSqlBackend::SqlServer)->Sql.endsWith(" and eid like '0[_]1%'"));
    EXPECT_FALSE(DataTreeSql(0, "+", 2010, "001"));
    EXPECT_FALSE(DataTreeSql(4, "+", 2010, "001"));
}

}  // namespace
