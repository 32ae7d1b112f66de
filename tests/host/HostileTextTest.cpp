// Unit names from a database that others write, run through the whole headless host: names that
// hold line feeds, tabs, formula starts and terminal escapes change no count, no total and no
// drill-down, and reach no terminal raw. Files the host writes stay whole when it fails, and a
// statement that runs past --timeout is cancelled.
#include "HostProcess.h"
#include "data/DemoDb.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
const QStringList kHostile = {QStringLiteral("换\n行单位"), QStringLiteral("制表\t单位"), QStringLiteral("=1+1"),
                              QStringLiteral("\x1b]0;x\x07\x1b[31m红字"), QStringLiteral("1,234.56"),
                              QStringLiteral("\u202Eevil")};

class HostileText : public ::testing::Test {
protected:
    void SetUp() override {
        hostile_ = tmp_.filePath("hostile.sqlite");
        ASSERT_TRUE(QFile::copy(DemoSqliteFile(), hostile_));
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("hostile"));
            db.setDatabaseName(hostile_);
            ASSERT_TRUE(db.open());
            for (int k = 0; k < kHostile.size(); ++k) {
                QSqlQuery q(db);
                q.prepare(QStringLiteral("update pubdept set EName=? where Eid=(select eid from (select distinct eid "
                                         "from BusiBudgetAdj) u order by eid limit 1 offset %1)")
                              .arg(k));
                q.addBindValue(kHostile[k]);
                ASSERT_TRUE(q.exec());
            }
        }
        QSqlDatabase::removeDatabase(QStringLiteral("hostile"));
    }
    HostResult Run(const QString &file, QStringList options, const QString &shellPrefix = QString()) {
        const QStringList base = {"--module", qEnvironmentVariable("AUTHPAY_MODULE", QStringLiteral(AUTHPAY_MODULE_DEFAULT)),
                                  "--db", QStringLiteral("Provider=SQLite;Data Source=%1;Mode=Read").arg(file),
                                  "--batch", "--group", QStringLiteral("预算单位"), "--level", QStringLiteral("<全部>")};
        if (shellPrefix.isEmpty()) return RunProgram(QStringLiteral(AUTHPAY_HOST_DEFAULT), base + options);
        return RunProgram(QStringLiteral("/bin/bash"),
                          QStringList{"-c", shellPrefix + "; exec \"$0\" \"$@\"", QStringLiteral(AUTHPAY_HOST_DEFAULT)} + base
                              + options);
    }
    static QJsonArray Rows(const HostResult &r) { return QJsonDocument::fromJson(r.out.toUtf8()).object()["rows"].toArray(); }
    QTemporaryDir tmp_;
    QString hostile_;
};

bool HasTerminalControl(const QString &text) {
    for (QChar c : text)
        if ((c.unicode() < 0x20 && c != '\n' && c != '\t') || (c.unicode() >= 0x80 && c.unicode() < 0xA0)
            || (c.unicode() >= 0x202A && c.unicode() <= 0x202E))
            return true;
    return false;
}
}  // namespace

TEST_F(HostileText, CountsTotalsAndDrillDownsAreThoseOfCleanNames) {
    const HostResult clean = Run(DemoSqliteFile(), {"--format", "json"});
    const HostResult hostile = Run(hostile_, {"--format", "json"});
    ASSERT_EQ(clean.status, 0) << clean.err.toStdString();
    ASSERT_EQ(hostile.status, 0) << hostile.err.toStdString();
    const QJsonArray rows = Rows(hostile);
    ASSERT_EQ(rows.size(), Rows(clean).size());
    const QString summary = clean.err.section(QStringLiteral("refreshed: "), 1).section('\n', 0, 0);
    EXPECT_TRUE(hostile.err.contains(QStringLiteral("refreshed: ") + summary)) << hostile.err.toStdString();
    EXPECT_FALSE(HasTerminalControl(hostile.err));

    // The row of the name with a line feed: its drill-down adds up to that row's figure.
    qsizetype k = 0;
    while (k < rows.size() && !rows[k].toArray()[2].toString().contains('\n')) ++k;
    ASSERT_LT(k, rows.size());
    const double figure = rows[k].toArray().last().toDouble();
    const HostResult drill = Run(hostile_, {"--drill", QString::number(k + 1)});
    ASSERT_EQ(drill.status, 0) << drill.err.toStdString();
    QString total = drill.err.section(QStringLiteral("drill-down: "), 1).section(QStringLiteral("total "), 1).section('\n', 0, 0);
    EXPECT_NEAR(total.remove(',').toDouble(), figure, 0.005) << drill.err.toStdString();

    const HostResult table = Run(hostile_, {"--format", "table", "--max-rows", "0"});
    EXPECT_FALSE(HasTerminalControl(table.out));
    EXPECT_TRUE(table.out.contains(QStringLiteral("␛[31m红字")));
    const HostResult sheet = Run(hostile_, {"--print-sheet"}), cleanSheet = Run(DemoSqliteFile(), {"--print-sheet"});
    EXPECT_EQ(sheet.out.count('\n'), cleanSheet.out.count('\n'));
    EXPECT_TRUE(sheet.out.contains(QStringLiteral("换\\n行单位")));
}

// A PDF that cannot be written whole (the file size limit stops it) fails the run and leaves the
// old file as it was; an export name without a known extension is written with ".xls" and the
// run says so and succeeds.
TEST_F(HostileText, FailedWritesKeepTheOldFileAndSuccessIsReportedForTheNameWritten) {
    const QString pdf = tmp_.filePath("report.pdf");
    QFile old(pdf);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old report");
    old.close();
    const HostResult failed = Run(DemoSqliteFile(), {"--pdf", pdf}, QStringLiteral("trap '' XFSZ; ulimit -f 16"));
    EXPECT_EQ(failed.status, 1) << failed.err.toStdString();
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), "old report");

    const QString bare = tmp_.filePath("report");
    const HostResult exported = Run(DemoSqliteFile(), {"--export", bare});
    EXPECT_EQ(exported.status, 0) << exported.err.toStdString();
    EXPECT_TRUE(QFile::exists(bare + ".xls"));
    EXPECT_TRUE(exported.err.contains(QStringLiteral("exported to %1.xls").arg(bare)));
}

// A statement that runs past --timeout is cancelled through the window's own button: the run ends
// soon after, with status 1 and the reason. So is a drill-down's first page (only the row id,
// which the summary does not read, waits).
TEST_F(HostileText, TimeoutCancelsALongStatement) {
    const QString slow = QStringLiteral("(with recursive c(x) as (select 1 union all select x+1 from c where x<2000000000) "
                                        "select count(*) from c)");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("slow"));
        db.setDatabaseName(hostile_);
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(QStringLiteral("select sql from sqlite_master where name='vwBudgetAdj'")) && q.next());
        const QString ddl = q.value(0).toString().replace(QStringLiteral("vwBudgetAdj"), QStringLiteral("vwFastBudget"));
        for (const QString &sql :
             {QStringLiteral("drop view vwBudgetAdj"), ddl,
              "create view vwBudgetAdj as select * from vwFastBudget where " + slow + " > 0",
              "create view vwSlowId as select id + 0*" + slow
                  + " as id, datayear, eid, ename, bkid, btype, btypechild, issecret, mid, mname, ipid, ipname, pid, "
                    "pname, bid, bname, iid, iname, budgmoney from vwFastBudget"})
            ASSERT_TRUE(QSqlQuery(db).exec(sql)) << sql.toStdString();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("slow"));
    const HostResult r = Run(hostile_, {"--timeout", "1", "--print-sheet"});
    EXPECT_EQ(r.status, 1) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("--timeout"))) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());

    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("slow"));
        db.setDatabaseName(hostile_);
        ASSERT_TRUE(db.open());
        for (const char *sql : {"drop view vwBudgetAdj", "create view vwBudgetAdj as select * from vwSlowId"})
            ASSERT_TRUE(QSqlQuery(db).exec(QString::fromLatin1(sql))) << sql;
    }
    QSqlDatabase::removeDatabase(QStringLiteral("slow"));
    const HostResult drill = Run(hostile_, {"--timeout", "3", "--drill", "1", "--print-sheet"});
    EXPECT_EQ(drill.status, 1) << drill.err.toStdString();
    EXPECT_TRUE(drill.err.contains(QStringLiteral("--timeout: the drill-down ran past 3 s and was cancelled")))
        << drill.err.toStdString();
    EXPECT_TRUE(drill.out.isEmpty());
}
