// The connection registry of the database manager and the statement trace.
#include "data/AdoConn.h"
#include "data/DefaultConn.h"
#include "data/SqlTrace.h"
#include "frame/ObjectStringList.h"
#include "DemoDb.h"
#include "data/DriverConfig.h"

#include <QFile>
#include <csignal>
#include <sys/resource.h>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(DbManagerRegistry, FirstRequestCreatesAndRegistersLaterOnesReturnTheSameConnection) {
    TDbManager manager(QStringLiteral("Provider=SQLite;Data Source=/x.sqlite"));
    manager.LoginPrompt = true;
    EXPECT_EQ(manager.IndexOfConnection(QStringLiteral("Def")), -1);
    TAdoConn *def = manager.GetConnection(QStringLiteral("Def"));
    ASSERT_NE(def, nullptr);
    EXPECT_EQ(manager.GetConnection(QStringLiteral("Def")), def);
    EXPECT_EQ(manager.GetConnection(QStringLiteral("DEF")), def);
    EXPECT_EQ(manager.IndexOfConnection(QStringLiteral("def")), 0);
    EXPECT_EQ(def->ConnectionString, manager.ConnectionString);
    EXPECT_TRUE(def->LoginPrompt);
    EXPECT_FALSE(def->Connected());
    EXPECT_NE(manager.GetConnection(QStringLiteral("Other")), def);
    EXPECT_EQ(manager.Connections().Count(), 2);
}

TEST(DbManagerRegistry, SecondAddWithTheSameNameRaisesTheDuplicateError) {
    TDbManager manager;
    manager.GetConnection(QStringLiteral("Def"));
    TAdoConn other;
    try {
        manager.AddConnection(&other, QStringLiteral("Def"));
        FAIL() << "no exception";
    } catch (const TExceptDbManager &e) {
        EXPECT_EQ(e.Message, QStringLiteral("一个名为Def的TAdoConn对象已经存在！"));
        EXPECT_STREQ(e.ClassName, "TExceptDbManager");
    }
    EXPECT_EQ(manager.Connections().Count(), 1);
}

TEST(DbManagerRegistry, AFreedConnectionLeavesTheRegistry) {
    TDbManager manager;
    auto *conn = manager.CreateConnection();
    EXPECT_EQ(conn->parent(), nullptr);
    manager.AddConnection(conn, QStringLiteral("Temp"));
    EXPECT_EQ(manager.IndexOfConnection(QStringLiteral("Temp")), 0);
    delete conn;
    EXPECT_EQ(manager.IndexOfConnection(QStringLiteral("Temp")), -1);
    // A connection that outlives the manager no longer tells it anything.
    auto *survivor = new TAdoConn;
    {
        TDbManager shortLived;
        shortLived.AddConnection(survivor, QStringLiteral("S"));
    }
    delete survivor;
}

TEST(SqlTrace, EveryStatementOnOneLineWithLineBreaksEscaped) {
    EXPECT_EQ(SqlTraceLine(QStringLiteral(" select 1\nfrom t\r\n")), QStringLiteral(" select 1\\nfrom t\\r\\n"));
    EXPECT_EQ(SqlTraceLine(QStringLiteral("a\\nb")), QStringLiteral("a\\nb"));
}

// The connection's own session statement is traced with the statements it opens.
TEST(SqlTrace, ManagerAppendsWhatItsConnectionsOpenAndStopsWhenSwitchedOff) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("trace.sql"));
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("earlier\n");
    }
    TTestContext ctx(DemoSqliteConnStr());
    ASSERT_TRUE(ctx.Manager.SetSqlTrace(path).Ok());
    IARQueryPtr q;
    EXPECT_TRUE(OpenDefaultQuery(QStringLiteral(" select Eid\n  from pubdept where 1=1 "), q));
    EXPECT_FALSE(OpenDefaultQuery(QStringLiteral("select nothing from nowhere"), q));
    ASSERT_TRUE(ctx.Manager.SetSqlTrace(QString()).Ok());
    EXPECT_TRUE(OpenDefaultQuery(QStringLiteral("select 2"), q));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()),
              QStringLiteral("earlier\nPRAGMA threads=%1\n select Eid\\n  from pubdept where 1=1 \nselect nothing from nowhere\n")
                  .arg(SqliteSortThreads()));
}

TEST(SqlTrace, UnwritableFileIsRefusedWithAReason) {
    TDbManager manager;
    const authpay::Outcome traced = manager.SetSqlTrace(QStringLiteral("/nonexistent-dir/trace.sql"));
    EXPECT_FALSE(traced.Ok());
    EXPECT_TRUE(traced.message.contains(QStringLiteral("/nonexistent-dir/trace.sql")));
}

}  // namespace

// A line the trace cannot write (here a file size limit stands for a full disk) is kept as the
// trace's error, naming the file, instead of being lost without a word.
TEST(SqlTrace, ALineThatCannotBeWrittenIsTheTracesError) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("trace.sql"));
    TSqlTrace trace;
    const authpay::Outcome opened = trace.Open(path);
    ASSERT_TRUE(opened.Ok()) << opened.message.toStdString();
    trace.Write(QStringLiteral("select 1"));
    EXPECT_EQ(trace.Error(), QString());
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small{16, old.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    trace.Write(QStringLiteral("select a statement longer than the limit"));
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    EXPECT_TRUE(trace.Error().contains(path)) << trace.Error().toStdString();
}
