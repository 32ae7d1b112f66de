// Text operations on "@"-separated lists, and the reads of the user context.
#include "frame/ModuleGlobals.h"
#include "frame/TextOps.h"
#include "frame/UserContextOps.h"
#include "frame/TestHost.h"

#include <gtest/gtest.h>

TEST(TextOps, RemoveTextDropsOneListEntryAndKeepsTheSeparators) {
    const QString list = QStringLiteral("预算单位@资金性质@支出类型@支付方式@预算科目@预算项目@");
    EXPECT_EQ(RemoveText(QStringLiteral("支付方式@"), list),
              QStringLiteral("预算单位@资金性质@支出类型@预算科目@预算项目@"));
    // Pattern first: swapping the arguments would search the short text for the long one.
    EXPECT_EQ(RemoveText(QStringLiteral("@"), QStringLiteral("a@b@")), QStringLiteral("ab"));
    EXPECT_EQ(RemoveText(QStringLiteral("x"), QString()), QString());
}

TEST(TextOps, ReplaceTextScansLeftToRightWithoutOverlapsOrRescans) {
    EXPECT_EQ(ReplaceText(QStringLiteral("aaa"), QStringLiteral("aa"), QStringLiteral("b")), QStringLiteral("ba"));
    EXPECT_EQ(ReplaceText(QStringLiteral("aaaa"), QStringLiteral("aa"), QStringLiteral("b")), QStringLiteral("bb"));
    // A replacement holding the pattern is not searched again (no endless growth).
    EXPECT_EQ(ReplaceText(QStringLiteral("a@b"), QStringLiteral("@"), QStringLiteral("@@")), QStringLiteral("a@@b"));
    EXPECT_EQ(ReplaceText(QStringLiteral("x=1 and x=2"), QStringLiteral("x"), QStringLiteral("t.x")),
              QStringLiteral("t.x=1 and t.x=2"));
    // Matches at both ends, and a pattern that is the whole text.
    EXPECT_EQ(ReplaceText(QStringLiteral("@a@"), QStringLiteral("@"), QStringLiteral(",")), QStringLiteral(",a,"));
    EXPECT_EQ(ReplaceText(QStringLiteral("abc"), QStringLiteral("abc"), QString()), QString());
    // Case matters: the search is plain.
    EXPECT_EQ(ReplaceText(QStringLiteral("Ab"), QStringLiteral("a"), QStringLiteral("x")), QStringLiteral("Ab"));
}

TEST(TextOps, ReplaceTextWithEmptyPatternOrSourceChangesNothing) {
    EXPECT_EQ(ReplaceText(QStringLiteral("abc"), QString(), QStringLiteral("x")), QStringLiteral("abc"));
    EXPECT_EQ(ReplaceText(QString(), QStringLiteral("a"), QStringLiteral("x")), QString());
    EXPECT_EQ(ReplaceText(QStringLiteral("ab"), QStringLiteral("abc"), QStringLiteral("x")), QStringLiteral("ab"));
}

TEST(TextOps, TextBeforeChar) {
    EXPECT_EQ(TextBeforeChar(QStringLiteral("abc@def"), u'@', true), QStringLiteral("abc@"));
    EXPECT_EQ(TextBeforeChar(QStringLiteral("abc@def"), u'@', false), QStringLiteral("abc"));
    EXPECT_EQ(TextBeforeChar(QStringLiteral("abc"), u'@', true), QStringLiteral("abc"));
    EXPECT_EQ(TextBeforeChar(QStringLiteral("abc"), u'@', false), QStringLiteral("abc"));
    // The first occurrence counts, also at the very start.
    EXPECT_EQ(TextBeforeChar(QStringLiteral("a@b@c"), u'@', true), QStringLiteral("a@"));
    EXPECT_EQ(TextBeforeChar(QStringLiteral("@b"), u'@', false), QString());
    EXPECT_EQ(TextBeforeChar(QString(), u'@', true), QString());
}

TEST(TextOps, RightTextClampsToWhatExists) {
    EXPECT_EQ(RightText(QStringLiteral("123456"), 3), QStringLiteral("456"));
    EXPECT_EQ(RightText(QStringLiteral("123456"), 6), QStringLiteral("123456"));
    EXPECT_EQ(RightText(QStringLiteral("123456"), 10), QStringLiteral("123456"));
    EXPECT_EQ(RightText(QStringLiteral("123456"), 0), QString());
    EXPECT_EQ(RightText(QStringLiteral("123456"), -2), QString());
    EXPECT_EQ(RightText(QString(), 3), QString());
}

TEST(UserContextOps, SysParamIsFoundByItsWholeNumber) {
    TSysParams params;
    params.Lines << QStringLiteral("110=wrong") << QStringLiteral("1=one") << QStringLiteral("11=/srv/tpl/")
                 << QStringLiteral("12=a=b") << QStringLiteral("13=") << QStringLiteral("11=second");
    EXPECT_EQ(GetSysParamValue(&params, 11), QStringLiteral("/srv/tpl/"));
    EXPECT_EQ(GetSysParamValue(&params, 1), QStringLiteral("one"));
    EXPECT_EQ(GetSysParamValue(&params, 12), QStringLiteral("a=b"));  // only the first "=" separates
    EXPECT_EQ(GetSysParamValue(&params, 13), QString());
    EXPECT_EQ(GetSysParamValue(&params, 2), QString());
    EXPECT_EQ(GetSysParamValue(nullptr, 11), QString());
}

TEST(UserContextOps, TodayTextHasFourDigitYearAndTwoDigitMonthAndDay) {
    EXPECT_EQ(GetTodayText(QDate(2026, 12, 6)), QStringLiteral("2026-12-06"));
    EXPECT_EQ(GetTodayText(QDate(2009, 3, 4)), QStringLiteral("2009-03-04"));
    EXPECT_EQ(GetTodayText().size(), 10);
}

class UnitReads : public ::testing::Test {
protected:
    void SetUp() override { authpay::UserContext = &host.context; }
    void TearDown() override { authpay::UserContext = nullptr; }
    void SetUnit(const QVariant &code, const QString &deptMode) {
        host.unit.fields[0].Value = code;
        host.settings.DeptModeFlag = deptMode;
    }
    testhost::Host host;
};

TEST_F(UnitReads, UnitValueIsTextAndEmptyForNull) {
    host.unit.fields[0].Value = QStringLiteral("110001");
    host.unit.fields[3].Value = QStringLiteral("市财政局");
    host.unit.fields[17].Value = 1;
    EXPECT_EQ(GetUnitValue(0), QStringLiteral("110001"));
    EXPECT_EQ(GetUnitValue(3), QStringLiteral("市财政局"));
    EXPECT_EQ(GetUnitValue(17), QStringLiteral("1"));
    EXPECT_EQ(GetUnitValue(5), QString());  // a null variant
    host.unit.fields[4].Value = QVariant(QMetaType::fromType<QString>());
    EXPECT_EQ(GetUnitValue(4), QString());
}

TEST_F(UnitReads, DeptUserNeedsSixCharacterCodeEndingIn001AndFlagExactly1) {
    SetUnit(QStringLiteral("110001"), QStringLiteral("1"));
    EXPECT_TRUE(IsDeptUser(&host.unit));
    SetUnit(110001, QStringLiteral("1"));  // a numeric code reads the same
    EXPECT_TRUE(IsDeptUser(&host.unit));
    SetUnit(QStringLiteral("1100010"), QStringLiteral("1"));
    EXPECT_FALSE(IsDeptUser(&host.unit));
    SetUnit(QStringLiteral("110002"), QStringLiteral("1"));
    EXPECT_FALSE(IsDeptUser(&host.unit));
    SetUnit(QStringLiteral("001110"), QStringLiteral("1"));  // "001" at the start does not count
    EXPECT_FALSE(IsDeptUser(&host.unit));
    for (const char *flag : {"0", "", " 1", "1 ", "11", "true"}) {
        SetUnit(QStringLiteral("110001"), QString::fromLatin1(flag));
        EXPECT_FALSE(IsDeptUser(&host.unit)) << flag;
    }
    SetUnit(QVariant(), QStringLiteral("1"));
    EXPECT_FALSE(IsDeptUser(&host.unit));
}

TEST_F(UnitReads, NoUnitMeansNoDepartmentAndNoValues) {
    SetUnit(QStringLiteral("110001"), QStringLiteral("1"));
    host.context.CurrentUnit = nullptr;
    EXPECT_FALSE(IsDeptUser(&host.unit));
    EXPECT_EQ(GetUnitValue(0), QString());
}
