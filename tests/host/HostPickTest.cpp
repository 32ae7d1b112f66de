// The headless host picking codes through the module's own picker dialogs, on the demo database
// of each backend: the report that follows uses exactly the picked codes.
#include "data/DefaultConn.h"
#include "HostReport.h"

#include <QFile>
#include <QImage>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class HostPickTest : public THostReportTest {
protected:
    // The amounts of the report's statement, added up by the database itself.
    double DatabaseTotal(const QString &reportSql) {
        IARQueryPtr q;
        EXPECT_TRUE(OpenDefaultQuery(QStringLiteral("select sum(sumMoney) from (%1) t").arg(reportSql), q));
        return q ? q.Query()->Fields(0).AsFloat() : -1;
    }
    static double PrintedTotal(const TReportRun &r) {
        const qsizetype at = r.err.indexOf(QStringLiteral("refreshed: "));
        const qsizetype total = at < 0 ? -1 : r.err.indexOf(QStringLiteral("total "), at);
        return total < 0 ? -1 : r.err.mid(total + 6).section('\n', 0, 0).remove(',').toDouble();
    }
};

TEST_P(HostPickTest, TickedSubjectsAndItemsAreExactlyWhatTheReportUses) {
    const TReportRun r = Run({"--group", "预算科目", "--pick-bid", "2010101,2010104", "--pick-iid", "0101,0203"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QString sql = ReportSql(r);
    EXPECT_TRUE(sql.contains(QStringLiteral("'2010101','2010104'"))) << sql.toStdString();
    EXPECT_TRUE(sql.contains(QStringLiteral("'0101','0203'"))) << sql.toStdString();
    EXPECT_NEAR(PrintedTotal(r), DatabaseTotal(sql), 0.005) << r.err.toStdString();
    EXPECT_GT(PrintedTotal(r), 0);
}

TEST_P(HostPickTest, OneUnitPickedInTheElementDialogWithItsScreenshot) {
    const QString png = tmp_.filePath(QStringLiteral("picker.png"));
    const TReportRun r = Run({"--group", "预算单位", "--pick-unit", "003002", "--picker-screenshot", png});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(ReportSql(r).contains(QStringLiteral("'003002%'"))) << ReportSql(r).toStdString();
    EXPECT_NEAR(PrintedTotal(r), DatabaseTotal(ReportSql(r)), 0.005);
    const QImage shot(png);
    EXPECT_GE(shot.width(), 300);
    EXPECT_GE(shot.height(), 300);
}

TEST_P(HostPickTest, UnitListsKeepTheOrderAndUnknownCodesFailClearly) {
    TReportRun r = Run({"--group", "预算单位", "--pick-eid", "003002,003001"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(ReportSql(r).contains(QStringLiteral("'003002','003001'"))) << ReportSql(r).toStdString();

    r = Run({"--pick-iid", "0101,0999"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("--pick-iid: code 0999 is not in the tree: the search stopped at")))
        << r.err.toStdString();
    EXPECT_FALSE(r.err.contains(QStringLiteral("refreshed")));
}

// A code the data tree dialog cannot tick is named with the dialog's reason; an empty list is a
// usage error, refused before anything runs.
TEST_P(HostPickTest, CodesThatCannotBeTickedAreNamedWithTheReason) {
    TReportRun r = Run({"--pick-bid", "2010101,2010104,2010101"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("--pick-bid: 2010101 was given twice"))) << r.err.toStdString();
    r = Run({"--pick-bid", "2010101,20101"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("--pick-bid: 20101 is not a bottom-level code"))) << r.err.toStdString();
    for (const char *empty : {"", ","}) {
        r = Run({"--pick-iid", empty});
        EXPECT_EQ(r.status, 2) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("--pick-iid: no code given"))) << r.err.toStdString();
        EXPECT_FALSE(r.err.contains(QStringLiteral("loading")));
    }
}

// A code that holds "@" reaches the box and the report whole.
TEST_P(HostPickTest, ACodeThatHoldsAnAtIsPickedWhole) {
    if (GetParam() != TBackend::SQLite) GTEST_SKIP() << "runs on a copy of the SQLite demo";
    const QString file = tmp_.filePath(QStringLiteral("demo.sqlite"));
    ASSERT_TRUE(QFile::copy(DemoSqliteFile(), file));
    QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("at_code"));
        db.setDatabaseName(file);
        ASSERT_TRUE(db.open());
        ASSERT_TRUE(QSqlQuery(db).exec(QStringLiteral("insert into pubitem values ('0101@2','01','工资@补贴','1','0','0')")));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("at_code"));
    const TReportRun r = Run({"--db", "Provider=SQLite;Data Source=" + file, "--pick-iid", "0101@2,0102"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(ReportSql(r).contains(QStringLiteral("'0101@2','0102'"))) << ReportSql(r).toStdString();
}

AUTHPAY_ON_BOTH_BACKENDS(HostPickTest);

}  // namespace
