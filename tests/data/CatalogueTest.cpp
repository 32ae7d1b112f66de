// The element catalogue, lookups and value lists, on both real databases; the SQL texts they
// send are checked byte for byte through the statement trace.
#include "data/ComboFillers.h"
#include "data/ComboSql.h"
#include "data/DefaultConn.h"
#include "data/ElementKinds.h"
#include "data/Lookups.h"
#include "DemoDb.h"

#include <QComboBox>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QStringList Entries(const QComboBox &box) {
    QStringList items;
    for (int i = 0; i < box.count(); ++i) items << box.itemText(i);
    return items;
}

TEST(ElementKinds, KindsMatchByEqualityOrContainmentInTableOrder) {
    EXPECT_EQ(FindElementKind(QStringLiteral("PUBDEPT"))->Caption, QStringLiteral("预算单位"));
    EXPECT_EQ(FindElementKind(QStringLiteral("PubDept"))->CodeColumn, QStringLiteral("Eid"));
    EXPECT_EQ(FindElementKind(QStringLiteral("pubdept2")), nullptr);
    EXPECT_EQ(FindElementKind(QStringLiteral("xpubmoneykind")), nullptr);
    EXPECT_EQ(FindElementKind(QStringLiteral("PubSubject2009"))->NameColumn, QStringLiteral("BName"));
    EXPECT_EQ(FindElementKind(QStringLiteral("pubitem_pubsubject"))->Caption, QStringLiteral("预算科目"));
    EXPECT_EQ(FindElementKind(QStringLiteral("vwBudgetItem"))->ParentColumn, QStringLiteral("PIid"));
    EXPECT_EQ(FindElementKind(QStringLiteral("BusiBudgetBalance"))->Caption, QStringLiteral("结余项目"));
    EXPECT_EQ(FindElementKind(QStringLiteral("pubbureaux"))->CodeColumn, QStringLiteral("BurId"));
    EXPECT_EQ(FindElementKind(QString()), nullptr);
    EXPECT_EQ(ElementKinds().size(), 13);
}

TEST(ElementKinds, OwnConditionsTopIdAndDepth) {
    auto unit = UseElementKind(QStringLiteral("PubDept"), QStringLiteral("001002003"), 2010);
    ASSERT_TRUE(unit);
    EXPECT_EQ(unit->Table, QStringLiteral("pubdept"));
    EXPECT_EQ(unit->Condition, QStringLiteral(" and eid like '001002%'"));
    EXPECT_EQ(unit->TopId, QStringLiteral("001"));
    EXPECT_EQ(unit->Depth, 3);
    unit = UseElementKind(QStringLiteral("pubdept"), QStringLiteral("001"), 0);
    EXPECT_EQ(unit->Condition, QStringLiteral(" and eid like '%'"));
    EXPECT_EQ(unit->TopId, QString());
    EXPECT_EQ(UseElementKind(QStringLiteral("pubdept"), QStringLiteral("001001"), 0)->TopId, QString());
    // A quote in the unit code cannot end the literal.
    EXPECT_EQ(UseElementKind(QStringLiteral("pubdept"), QStringLiteral("0'1002"), 0)->Condition,
              QStringLiteral(" and eid like '0''1%'"));
    EXPECT_EQ(UseElementKind(QStringLiteral("pubdept"), QStringLiteral("0_1002"), 0, TSqlBackend::Oracle)->Condition,
              QStringLiteral(R"( and eid like '0\_1%' escape '\')"));
    auto subject = UseElementKind(QStringLiteral("pubsubject2009"), QStringLiteral("001001"), 2009);
    EXPECT_EQ(subject->Table, QStringLiteral("pubsubject2009"));
    EXPECT_EQ(subject->Condition, QStringLiteral(" and datayear=2009"));
    EXPECT_EQ(subject->Depth, 2);
    EXPECT_EQ(UseElementKind(QStringLiteral("pubsubject"), QString(), 0)->Condition, QString());
    EXPECT_EQ(UseElementKind(QStringLiteral("pubeconomykind"), QString(), 2011)->Condition,
              QStringLiteral(" and datayear=2011"));
    EXPECT_EQ(UseElementKind(QStringLiteral("pubitem"), QStringLiteral("001001002"), 2011)->Condition, QString());
    EXPECT_FALSE(UseElementKind(QStringLiteral("nothing"), QString(), 0));
    EXPECT_EQ(UnitPrefix(QStringLiteral("0010")), QStringLiteral("0"));
}

TEST(ComboSql, ModesGiveTheirStatements) {
    EXPECT_EQ(FundNatureComboSql(1, false, QString()),
              QStringLiteral("select mid as id,mname as name from pubmoneykind where leafflag='0' and mid in ('11','12','31')"));
    EXPECT_EQ(FundNatureComboSql(2, false, QString()),
              QStringLiteral("select mid as id,mname as name from pubmoneykind where leafflag='0' and mid in "
                             "('11','21')order by mid desc "));
    EXPECT_EQ(FundNatureComboSql(0, true, QStringLiteral("and mid<>'13' ")),
              QStringLiteral("select mid as id,mname as name from pubmoneykind where leafflag='0' and mid<>'13' order by mid desc "));
    EXPECT_EQ(FundNatureComboSql(4, false, QString()), QString());
    EXPECT_EQ(PayKindComboSql(4, true),
              QStringLiteral("select pid as id,pname as name from pubpaykind where pid ='10' or pid='20' or pid='31' order by pid  desc "));
    EXPECT_EQ(PayKindComboSql(3, false),
              QStringLiteral("select pid as id,pname as name from pubpaykind where pid='31'  order by pid "));
    EXPECT_EQ(PayKindComboSql(6, false), QString());
    EXPECT_EQ(ExpenditureTypeComboSql(3, QString(), false),
              QStringLiteral("select ipid as id,ipname as name from pubincomepay where leafflag='0'  and ipid  in "
                             "('17','18','19')  order by ipid"));
    EXPECT_EQ(ExpenditureTypeComboSql(1, QStringLiteral(" and 1=1"), true),
              QStringLiteral("select ipid as id,ipname as name from pubincomepay where leafflag='0'  and ipid in "
                             "('11','12','22')  and 1=1 order by ipid desc "));
}

class CatalogueTest : public TBackendTest {
protected:
    void SetUp() override {
        TBackendTest::SetUp();
        if (IsSkipped()) return;
        ASSERT_TRUE(ctx_->Manager.SetSqlTrace(dir_.filePath(QStringLiteral("trace.sql"))).Ok());
    }
    // The statements sent since the last call.
    QStringList Sent() {
        QFile file(dir_.filePath(QStringLiteral("trace.sql")));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        const QStringList fresh = lines.mid(seen_);
        seen_ = static_cast<int>(lines.size());
        return WithoutConnectionStatements(fresh);
    }
    QTemporaryDir dir_;
    int seen_ = 0;
};

TEST_P(CatalogueTest, LookupsFindCodesAndNames) {
    QString value = QStringLiteral("stale");
    EXPECT_TRUE(GetUnitName(QStringLiteral(" 001001 "), value));
    EXPECT_EQ(value, QStringLiteral("市教育局机关"));
    EXPECT_TRUE(GetFundNatureId(QStringLiteral("一般公共预算资金"), value));
    EXPECT_EQ(value, QStringLiteral("11"));
    EXPECT_TRUE(GetExpenditureTypeId(QStringLiteral("自有资金项目经费 "), value));
    EXPECT_EQ(value, QStringLiteral("19"));
    EXPECT_TRUE(GetPayKindId(QStringLiteral("单位自行支付"), QString(), value));
    EXPECT_EQ(value, QStringLiteral("31"));
    EXPECT_FALSE(GetPayKindId(QStringLiteral("单位自行支付"), QStringLiteral(" and Pid='10'"), value));
    EXPECT_EQ(value, QString());
    EXPECT_EQ(Sent(), (QStringList{
                          " select EName from PubDept where 1=1 and  Eid='001001'",
                          " select Mid from PubMoneyKind where 1=1 and  MName='一般公共预算资金'",
                          " select IPid from PubIncomePay where 1=1 and  IPName='自有资金项目经费'",
                          " select Pid from PubPayKind where 1=1 and  PName='单位自行支付'",
                          " select Pid from PubPayKind where 1=1 and  PName='单位自行支付' and Pid='10'",
                      }));
}

TEST_P(CatalogueTest, UnknownAllEmptyAndQuotedNamesAnswerNotFoundWithoutSqlErrors) {
    const QString before = ctx_->Manager.LastError();
    QString value = QStringLiteral("stale");
    for (const QString &name : {QStringLiteral("<全部>"), QString(), QStringLiteral("no such"),
                                QStringLiteral("O'Brien"), QStringLiteral("x' or '1'='1")}) {
        EXPECT_FALSE(GetFundNatureId(name, value)) << name.toStdString();
        EXPECT_EQ(value, QString());
        EXPECT_FALSE(GetUnitName(name, value)) << name.toStdString();
        EXPECT_FALSE(GetPayKindId(name, QString(), value)) << name.toStdString();
        EXPECT_FALSE(GetExpenditureTypeId(name, value)) << name.toStdString();
    }
    EXPECT_EQ(ctx_->Manager.LastError(), before);
    EXPECT_TRUE(Sent().contains(QStringLiteral(" select Mid from PubMoneyKind where 1=1 and  MName='x'' or ''1''=''1'")));
}

TEST_P(CatalogueTest, LookupValueAddsTheConditionOnlyWhenThereIsOne) {
    QString value;
    EXPECT_TRUE(LookupValue(QStringLiteral("pubpaykind"), QStringLiteral("count(*)"), QStringLiteral("   "), value));
    EXPECT_EQ(value, QStringLiteral("5"));
    EXPECT_TRUE(LookupValue(QStringLiteral("pubpaykind"), QStringLiteral("PName"), QStringLiteral("Pid='20' "), value));
    EXPECT_EQ(value, QStringLiteral("财政授权支付"));
    EXPECT_FALSE(LookupValue(QStringLiteral("no_table"), QStringLiteral("x"), QString(), value));
    EXPECT_FALSE(LastDbError().isEmpty());
    EXPECT_EQ(Sent(), (QStringList{" select count(*) from pubpaykind where 1=1",
                                   " select PName from pubpaykind where 1=1 and Pid='20' ",
                                   " select x from no_table where 1=1"}));
}

TEST_P(CatalogueTest, FundNatureListsByMode) {
    QComboBox box;
    EXPECT_EQ(FillFundNatureCombo(&box, true, 0, false, QString()), 7);
    EXPECT_EQ(Entries(box), (QStringList{"<全部>", "一般公共预算资金", "政府性基金预算资金", "国有资本经营预算资金",
                                         "教育收费", "其他财政专户管理资金", "单位自有资金", "上级补助收入"}));
    EXPECT_EQ(box.currentIndex(), 0);
    EXPECT_EQ(FillFundNatureCombo(&box, false, 1, false, QString()), 3);
    EXPECT_EQ(Entries(box), (QStringList{"一般公共预算资金", "政府性基金预算资金", "单位自有资金"}));
    EXPECT_EQ(FillFundNatureCombo(&box, false, 2, false, QString()), 2);  // mode 2 is always descending
    EXPECT_EQ(Entries(box), (QStringList{"教育收费", "一般公共预算资金"}));
    EXPECT_EQ(FillFundNatureCombo(&box, true, 3, true, QString()), 2);
    EXPECT_EQ(Entries(box), (QStringList{"<全部>", "政府性基金预算资金", "一般公共预算资金"}));
    EXPECT_EQ(FillFundNatureCombo(&box, true, 7, false, QString()), 0);
    EXPECT_EQ(box.count(), 0);
    const QStringList sent = Sent();  // the empty statement of mode 7 leaves an empty line
    ASSERT_EQ(sent.size(), 4);
    EXPECT_EQ(sent[0], QStringLiteral("select mid as id,mname as name from pubmoneykind where leafflag='0' "));
    EXPECT_EQ(sent[2], QStringLiteral("select mid as id,mname as name from pubmoneykind where leafflag='0' and mid in ('11','21')order by mid desc "));
}

TEST_P(CatalogueTest, PayKindAndExpenditureTypeListsByMode) {
    QComboBox box;
    EXPECT_EQ(FillPayKindCombo(&box, true, 4, false), 3);
    EXPECT_EQ(Entries(box), (QStringList{"<全部>", "财政直接支付", "财政授权支付", "单位自行支付"}));
    EXPECT_EQ(FillPayKindCombo(&box, false, 0, true), 2);
    EXPECT_EQ(Entries(box), (QStringList{"财政授权支付", "财政直接支付"}));
    EXPECT_EQ(FillExpenditureTypeCombo(&box, true, 5, QString(), false), 6);
    EXPECT_EQ(Entries(box), (QStringList{"<全部>", "人员经费", "日常公用经费", "自有资金人员经费", "自有资金公用经费",
                                         "自有资金项目经费", "一般项目支出"}));
    EXPECT_EQ(FillExpenditureTypeCombo(&box, true, 3, QStringLiteral(" and ipid<>'18'"), true), 2);
    EXPECT_EQ(Entries(box), (QStringList{"<全部>", "自有资金项目经费", "自有资金人员经费"}));
    EXPECT_EQ(FillExpenditureTypeCombo(&box, false, 1, QString(), false), 3);
    EXPECT_EQ(Entries(box), (QStringList{"人员经费", "日常公用经费", "一般项目支出"}));
    EXPECT_EQ(Sent().at(0), QStringLiteral("select pid as id,pname as name from pubpaykind where pid ='10' or pid='20' or pid='31' order by pid "));
}

TEST_P(CatalogueTest, FillComboBySqlListsRowsOrNothingAtAll) {
    QComboBox box;
    box.addItems({QStringLiteral("old"), QStringLiteral("entries")});
    EXPECT_EQ(FillComboBySql(&box, QStringLiteral("select Pid as id, PName as name from pubpaykind where Pid='none'"), true), 0);
    EXPECT_EQ(box.count(), 0);
    EXPECT_EQ(FillComboBySql(&box, QStringLiteral("select Pid as id, PName as name from pubpaykind where Pid='20'"), true), 1);
    EXPECT_EQ(Entries(box), (QStringList{"<全部>", "财政授权支付"}));
    EXPECT_EQ(box.currentIndex(), 0);
    EXPECT_EQ(FillComboBySql(&box, QStringLiteral("select nonsense"), true), 0);
    EXPECT_EQ(box.count(), 0);
    EXPECT_EQ(FillComboBySql(&box, QStringLiteral("select Pid as id from pubpaykind"), false), 0);
    EXPECT_EQ(box.count(), 0);
}

TEST_P(CatalogueTest, FillersRunNoChangeHandler) {
    QComboBox box;
    QSignalSpy changed(&box, &QComboBox::currentIndexChanged);
    FillPayKindCombo(&box, true, 4, false);
    FillSecretCombo(&box, true);
    FillBudgetTypeCombo(&box, false, true);
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(box.currentIndex(), 0);
}

AUTHPAY_ON_BOTH_BACKENDS(CatalogueTest);

TEST(BrokenDatabase, ListsStayEmptyAndLookupsFindNothing) {
    QTemporaryDir dir;
    TTestContext ctx(QStringLiteral("Provider=SQLite;Data Source=") + dir.filePath(QStringLiteral("gone.sqlite")));
    QComboBox box;
    box.addItem(QStringLiteral("stale"));
    EXPECT_EQ(FillFundNatureCombo(&box, true, 0, false, QString()), 0);
    EXPECT_EQ(box.count(), 0);
    EXPECT_EQ(FillPayKindCombo(&box, true, 4, false), 0);
    EXPECT_EQ(FillExpenditureTypeCombo(&box, true, 5, QString(), false), 0);
    EXPECT_EQ(box.count(), 0);
    QString code = QStringLiteral("stale");
    EXPECT_FALSE(GetFundNatureId(QStringLiteral("一般公共预算资金"), code));
    EXPECT_EQ(code, QString());
    EXPECT_TRUE(LastDbError().contains(QStringLiteral("gone.sqlite")));
    // The fixed lists need no database.
    FillSecretCombo(&box, true);
    EXPECT_EQ(box.count(), 3);
}

TEST(FixedLists, SecrecySelectsNotSecretOnlyForAFlagOfExactlyOne) {
    TTestContext ctx{QString()};
    QComboBox box;
    ctx.Unit.Set(17, QStringLiteral("1"));
    FillSecretCombo(&box, true);
    EXPECT_EQ(Entries(box), (QStringList{"密", "非密", "<全部>"}));
    EXPECT_EQ(box.currentText(), QStringLiteral("非密"));
    ctx.Unit.Set(17, 1);
    FillSecretCombo(&box, false);
    EXPECT_EQ(Entries(box), (QStringList{"密", "非密"}));
    EXPECT_EQ(box.currentIndex(), 1);
    for (const QVariant &flag : {QVariant(QStringLiteral(" 1")), QVariant(QString()), QVariant(), QVariant(0)}) {
        ctx.Unit.Set(17, flag);
        FillSecretCombo(&box, true);
        EXPECT_EQ(box.currentText(), QStringLiteral("密")) << flag.toString().toStdString();
    }
}

TEST(FixedLists, BudgetTypeSelectsTheDefaultIndicatorKindUnshifted) {
    TTestContext ctx{QString()};
    QComboBox box;
    struct Case {
        bool withAll, withTemporary;
        int kind;
        QStringList entries;
        int selected;
    } cases[] = {
        {false, true, 2, {"控制数", "预算数", "临时指标"}, 2},
        {false, true, 0, {"控制数", "预算数", "临时指标"}, 0},
        {false, false, 2, {"控制数", "预算数"}, 0},
        {false, false, 1, {"控制数", "预算数"}, 1},
        {true, true, 1, {"<全部>", "控制数", "预算数", "临时指标"}, 1},
        {true, false, 2, {"<全部>", "控制数", "预算数"}, 0},
    };
    for (const Case &c : cases) {
        ctx.Settings.DefaultIndicatorKind = c.kind;
        FillBudgetTypeCombo(&box, c.withAll, c.withTemporary);
        EXPECT_EQ(Entries(box), c.entries);
        EXPECT_EQ(box.currentIndex(), c.selected) << c.withAll << c.withTemporary << c.kind;
    }
}

}  // namespace
