// Comparison with another year as plain functions: the one statement that sums both years (on one
// server and on a coordinator), the statement and drill-down clause left as they were without a
// year, the year box's entries and the rate's text.
#include "query/CompareYears.h"
#include "query/QueryBuild.h"
#include "query/ResultRows.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {
TQueryConditions Conditions(int compareYear) {
    TQueryConditions c;
    c.Dimensions = {QStringLiteral("资金性质")};
    c.UnitLevel = QStringLiteral("<全部>");
    c.DataYear = 2010;
    c.CompareYear = compareYear;
    c.SubstringFunction = QStringLiteral("SUBSTR");
    c.LookupCode = [](TCodeKind, const QString &) { return QString(); };
    return c;
}
}  // namespace

TEST(CompareBuild, BothYearsInOneGroupedStatement) {
    const TQuerySql plain = BuildQuerySql(Conditions(0));
    const TQuerySql q = BuildQuerySql(Conditions(2009));
    EXPECT_EQ(q.Sql, QStringLiteral(" select mid,mname,sum(case when datayear=2010 then budgmoney else 0 end) as sumMoney,"
                                    "sum(case when datayear=2009 then budgmoney else 0 end) as cmpMoney  from  vwBudgetAdj  "
                                    " where datayear in (2010,2009) and btype='0'  group by mid,mname order by mid,mname"));
    EXPECT_EQ(q.CompareYear, 2009);
    // The drill-down reads the data year's rows only; the result's columns are those of the plain run.
    EXPECT_EQ(q.WhereClause, plain.WhereClause);
    EXPECT_EQ(q.FieldNames(), plain.FieldNames());
    // No year, or the data year itself: the statement of the plain run, byte for byte.
    EXPECT_EQ(plain.Sql, QStringLiteral(" select mid,mname,sum(budgmoney) as sumMoney  from  vwBudgetAdj   where "
                                        "datayear=2010 and btype='0'  group by mid,mname order by mid,mname"));
    EXPECT_EQ(BuildQuerySql(Conditions(2010)).Sql, plain.Sql);
    EXPECT_EQ(BuildQuerySql(Conditions(2010)).CompareYear, 0);
    TQueryConditions sharded = Conditions(2009);
    sharded.ShardUnitLevel = 2;
    EXPECT_TRUE(BuildQuerySql(sharded).Sql.startsWith(QStringLiteral(
        " select mid,mname,sum(sumMoney) as sumMoney,sum(cmpMoney) as cmpMoney from ( select mid,mname,sum(case when "
        "datayear=2010 then budgmoney else 0 end) as sumMoney,sum(case when datayear=2009 then budgmoney else 0 end) as "
        "cmpMoney  from  vwBudgetAdj   where datayear in (2010,2009)")));
}

TEST(CompareBuild, YearEntriesAndRates) {
    EXPECT_EQ(CompareYearEntries({2009, 2011, 2010, 2009, 0}, 2010), QStringList({"", "2011", "2009"}));
    EXPECT_EQ(CompareYearEntries({}, 2010), QStringList({""}));
    EXPECT_EQ(CompareYearsSql(QStringLiteral(" vwBudgetAdj ")), QStringLiteral("select distinct datayear from vwBudgetAdj"));
    EXPECT_EQ(ChangeRateText(112.34, 100), QStringLiteral("12.34%"));
    EXPECT_EQ(ChangeRateText(0, 250), QStringLiteral("-100.00%"));
    EXPECT_EQ(ChangeRateText(100.0000001, 100), QStringLiteral("0.00%"));
    EXPECT_EQ(ChangeRateText(500, 0), QString());
    EXPECT_EQ(ChangeRateText(500, 0.001), QString());
}

// The rate written digit by digit is the text of the rate as a two-decimal number, at every size
// up to where the general way takes over and past it.
TEST(CompareBuild, RateTextsAsTwoDecimalNumbers) {
    const auto general = [](double amount, double compared) {
        const double rate = std::round((amount - compared) / compared * 10000.0) / 100.0 + 0.0;
        return QString::number(rate, 'f', 2) + QLatin1Char('%');
    };
    std::mt19937_64 random(20261210);
    std::uniform_real_distribution<double> magnitude(-2.0, 14.0), sign(-1.0, 1.0);
    for (int i = 0; i < 200000; ++i) {
        const double compared = std::copysign(std::pow(10.0, magnitude(random)), sign(random));
        const double amount = i % 4 == 0 ? compared * (1 + sign(random) * 1e-7) : std::copysign(std::pow(10.0, magnitude(random)), sign(random));
        if (std::fabs(compared) < 0.005) continue;
        ASSERT_EQ(ChangeRateText(amount, compared), general(amount, compared)) << amount << " " << compared;
    }
    for (double hundredths : {999999999999.0, 1e12, 1e12 + 1, -999999999999.0, 123456789012345.0})
        EXPECT_EQ(ChangeRateText(hundredths + 100.0, 100.0), general(hundredths + 100.0, 100.0));
    EXPECT_EQ(ChangeRateText(-0.00001, 100), QStringLiteral("-100.00%"));
    EXPECT_EQ(ChangeRateText(99.99999, 100), QStringLiteral("0.00%"));
}
