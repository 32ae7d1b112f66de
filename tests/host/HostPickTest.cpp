// The headless host picking codes through the module's own picker dialogs, on the demo database
// of each backend: the report that follows uses exactly the picked codes.
#include "data/DefaultConn.h"
#include "data/DemoDb.h"

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct PickRun {
    int status = -1;
    QString out, err;
    QStringList trace;
};

class HostPickTest : public TBackendTest {
protected:
    PickRun Run(const QStringList &options) {
        const QString trace = tmp_.filePath(QStringLiteral("trace.sql"));
        QFile::remove(trace);
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(AUTHPAY_HOST_DEFAULT),
                QStringList{"--module", QStringLiteral(AUTHPAY_MODULE_DEFAULT), "--db", ReadOnlyConnStr(GetParam()),
                            "--unit", "003001", "--year", "2010", "--sql-trace", trace, "--batch"}
                    + options);
        PickRun r;
        if (!p.waitForFinished(120000)) p.kill();
        r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError());
        QFile f(trace);
        if (f.open(QIODevice::ReadOnly)) r.trace = QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
        return r;
    }
    // The amounts of the report's statement, added up by the database itself.
    double DatabaseTotal(const QString &reportSql) {
        IARQueryPtr q;
        EXPECT_TRUE(OpenDefaultQuery(QStringLiteral("select sum(sumMoney) from (%1) t").arg(reportSql), q));
        return q ? q.Query()->Fields(0).AsFloat() : -1;
    }
    static QString ReportSql(const PickRun &r) {
        for (qsizetype i = r.trace.size() - 1; i >= 0; --i)
            if (r.trace[i].contains(QStringLiteral("sum(budgmoney)"))) return r.trace[i];
        return QString();
    }
    static double PrintedTotal(const PickRun &r) {
        const qsizetype at = r.out.indexOf(QStringLiteral("total "));
        return at < 0 ? -1 : r.out.mid(at + 6).section('\n', 0, 0).remove(',').toDouble();
    }
    QTemporaryDir tmp_;
};

TEST_P(HostPickTest, TickedSubjectsAndItemsAreExactlyWhatTheReportUses) {
    const PickRun r = Run({"--group", "预算科目", "--pick-bid", "2010101,2010104", "--pick-iid", "0101,0203"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QString sql = ReportSql(r);
    EXPECT_TRUE(sql.contains(QStringLiteral("'2010101','2010104'"))) << sql.toStdString();
    EXPECT_TRUE(sql.contains(QStringLiteral("'0101','0203'"))) << sql.toStdString();
    EXPECT_NEAR(PrintedTotal(r), DatabaseTotal(sql), 0.005) << r.out.toStdString();
    EXPECT_GT(PrintedTotal(r), 0);
}

TEST_P(HostPickTest, OneUnitPickedInTheElementDialogWithItsScreenshot) {
    const QString png = tmp_.filePath(QStringLiteral("picker.png"));
    const PickRun r = Run({"--group", "预算单位", "--pick-unit", "003002", "--picker-screenshot", png});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(ReportSql(r).contains(QStringLiteral("'003002%'"))) << ReportSql(r).toStdString();
    EXPECT_NEAR(PrintedTotal(r), DatabaseTotal(ReportSql(r)), 0.005);
    const QImage shot(png);
    EXPECT_GE(shot.width(), 300);
    EXPECT_GE(shot.height(), 300);
}

TEST_P(HostPickTest, UnitListsKeepTheOrderAndUnknownCodesFailClearly) {
    PickRun r = Run({"--group", "预算单位", "--pick-eid", "003002,003001"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(ReportSql(r).contains(QStringLiteral("'003002','003001'"))) << ReportSql(r).toStdString();

    r = Run({"--pick-iid", "0101,0999"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("--pick-iid: code 0999 is not in the tree: the search stopped at")))
        << r.err.toStdString();
    EXPECT_FALSE(r.out.contains(QStringLiteral("refreshed")));
}

AUTHPAY_ON_BOTH_BACKENDS(HostPickTest);

}  // namespace
