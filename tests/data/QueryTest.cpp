// Counted forward-only queries on the default connection, on both real databases, and what a
// failing database leaves behind.
#include "data/AdoConn.h"
#include "data/DatabaseError.h"
#include "data/DatabaseOpener.h"
#include "data/DefaultConn.h"
#include "data/SqlQuote.h"
#include "DemoDb.h"
#include "frame/ModuleGlobals.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <thread>
#include <QTemporaryDir>
#include <atomic>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

// The global deallocation functions of this test program note when one watched block is freed and
// pass every call on to the next definition (the standard library's, or the sanitizer's), so a test
// can see that a query object really went.
namespace {
std::atomic<const void *> watchedBlock{nullptr};
std::atomic<bool> watchedFreed{false};
void NoteFree(const void *p) {
    if (p && p == watchedBlock.load()) watchedFreed = true;
}
}  // namespace

void operator delete(void *p) noexcept {
    static const auto next = reinterpret_cast<void (*)(void *)>(dlsym(RTLD_NEXT, "_ZdlPv"));
    NoteFree(p);
    next(p);
}
void operator delete(void *p, std::size_t size) noexcept {
    static const auto next = reinterpret_cast<void (*)(void *, std::size_t)>(dlsym(RTLD_NEXT, "_ZdlPvm"));
    NoteFree(p);
    next(p, size);
}

namespace {

class QueryTest : public TBackendTest {};

TEST_P(QueryTest, ReferencesCountTheQueryAndReleaseQueryLeavesAHeldOneUsable) {
    IARQueryPtr ref;
    ASSERT_TRUE(OpenDefaultQuery(QStringLiteral("select Mid, MName from pubmoneykind order by Mid"), ref));
    TARQuery *query = ref.Query();
    EXPECT_EQ(query->RefCount(), 1);
    {
        IARQueryPtr second = ref;
        EXPECT_EQ(query->RefCount(), 2);
    }
    EXPECT_EQ(query->RefCount(), 1);
    ReleaseQuery(query);
    ASSERT_EQ(query->RefCount(), 1);
    EXPECT_EQ(query->FieldByName(QStringLiteral("mid")).AsString(), QStringLiteral("1"));

    void *obj = nullptr;
    EXPECT_EQ(query->QueryInterface(IID_IARQuery, &obj), 0);
    EXPECT_EQ(obj, static_cast<IARQuery *>(query));
    EXPECT_EQ(query->RefCount(), 2);
    static_cast<IARQuery *>(obj)->Release();
    constexpr TGuid other{1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
    EXPECT_EQ(query->QueryInterface(other, &obj), static_cast<long>(0x80004002u - 0x100000000LL));
    EXPECT_EQ(obj, nullptr);
}

TEST_P(QueryTest, ReleaseQueryFreesAQueryThatNoReferenceHolds) {
    auto *query = new TARQuery;
    query->Connection = GetDefaultConn();
    query->SQL = QStringLiteral("select 1");
    query->Open();
    watchedFreed = false;
    watchedBlock = query;
    {
        IARQueryPtr held(query);
        ReleaseQuery(query);
        EXPECT_FALSE(watchedFreed);  // a reference still holds it
    }
    EXPECT_TRUE(watchedFreed);
    watchedFreed = false;
    query = new TARQuery;
    watchedBlock = query;
    ReleaseQuery(query);  // never referenced: freed at once
    EXPECT_TRUE(watchedFreed);
    watchedBlock = nullptr;
}

TEST_P(QueryTest, ForwardOnlyReadingByNameCountAndFirst) {
    IARQueryPtr ref;
    ASSERT_TRUE(OpenDefaultQuery(
        QStringLiteral("select Pid as id,\nPName as Name\nfrom pubpaykind\nwhere leafflag='0' order by Pid"), ref));
    TARQuery *q = ref.Query();
    EXPECT_FALSE(q->IsEmpty());
    EXPECT_EQ(q->FieldCount(), 2);
    EXPECT_EQ(q->FieldByName(QStringLiteral("ID")).AsString(), QStringLiteral("10"));
    EXPECT_EQ(q->RecordCount(), 4);
    EXPECT_EQ(q->Fields(0).AsString(), QStringLiteral("10"));  // counting did not move the row
    QStringList names;
    for (; !q->Eof(); q->Next()) names << q->FieldByName(QStringLiteral("name")).AsString();
    EXPECT_EQ(names, (QStringList{"财政直接支付", "财政授权支付", "单位自行支付", "实拨资金"}));
    EXPECT_FALSE(q->IsEmpty());
    EXPECT_EQ(q->RecordCount(), 4);
    q->First();
    EXPECT_EQ(q->Fields(1).AsString(), QStringLiteral("财政直接支付"));
    EXPECT_THROW(q->FieldByName(QStringLiteral("pname")), EDatabaseError);
    EXPECT_TRUE(q->FindField(QStringLiteral("pname")).IsNull());
    q->Close();
    EXPECT_TRUE(q->IsEmpty());
    EXPECT_FALSE(q->Active());
}

TEST_P(QueryTest, NumbersAndNullsReadAlikeOnBothBackends) {
    IARQueryPtr ref;
    ASSERT_TRUE(OpenDefaultQuery(QStringLiteral("select sum(budgmoney) as sumMoney, count(*) as n, cast(null as varchar(1)) as emptytext "
                                                "from vwBudgetAdj where datayear=2010 and eid='001001'"),
                                 ref));
    TARQuery *q = ref.Query();
    EXPECT_GT(q->FieldByName(QStringLiteral("summoney")).AsCurrency(), 0.0);
    EXPECT_EQ(q->FieldByName(QStringLiteral("sumMoney")).AsString(),
              QString::number(q->FieldByName(QStringLiteral("sumMoney")).AsFloat(), 'g', 17));
    EXPECT_GT(q->FieldByName(QStringLiteral("n")).AsInteger(), 0);
    EXPECT_TRUE(q->FieldByName(QStringLiteral("emptytext")).IsNull());
    EXPECT_EQ(q->FieldByName(QStringLiteral("emptytext")).AsString(), QString());
}

TEST_P(QueryTest, AnEmptyResultIsEmptyAndAtItsEnd) {
    IARQueryPtr ref;
    ASSERT_TRUE(OpenDefaultQuery(QStringLiteral("select Eid from pubdept where Eid='none'"), ref));
    EXPECT_TRUE(ref.Query()->IsEmpty());
    EXPECT_TRUE(ref.Query()->Eof());
    EXPECT_EQ(ref.Query()->RecordCount(), 0);
    EXPECT_THROW(ref.Query()->Fields(0), EDatabaseError);
}

TEST_P(QueryTest, InvalidSqlAnswersFalseKeepsTheReferenceAndTheErrorText) {
    IARQueryPtr ref;
    ASSERT_TRUE(OpenDefaultQuery(QStringLiteral("select 1 as one"), ref));
    TARQuery *before = ref.Query();
    EXPECT_FALSE(OpenDefaultQuery(QStringLiteral("select from where"), ref));
    EXPECT_EQ(ref.Query(), before);
    EXPECT_EQ(before->RefCount(), 1);
    EXPECT_FALSE(LastDbError().isEmpty());
    EXPECT_THROW(OpenQuery(GetDefaultConn(), QStringLiteral("select * from no_such_table")), EDatabaseError);
    EXPECT_TRUE(LastDbError().contains(QStringLiteral("no_such_table"))) << LastDbError().toStdString();
    // The connection stays usable after a failed statement.
    EXPECT_TRUE(OpenDefaultQuery(QStringLiteral("select 2 as two"), ref));
}

TEST_P(QueryTest, TheReadOnlyConnectionRefusesToWrite) {
    IARQueryPtr ref;
    EXPECT_FALSE(OpenDefaultQuery(QStringLiteral("update pubdept set EName='x' where Eid='001'"), ref));
    EXPECT_FALSE(OpenDefaultQuery(QStringLiteral("create table scratch (a integer)"), ref));
    ASSERT_TRUE(OpenDefaultQuery(QStringLiteral("select EName from pubdept where Eid='001'"), ref));
    EXPECT_EQ(ref.Query()->Fields(0).AsString(), QStringLiteral("市教育局"));
}

TEST_P(QueryTest, ABackgroundThreadReadsThroughItsOwnCopyOfTheConnection) {
    TAdoConn *def = GetDefaultConn();
    QString name;
    std::thread worker([&] {
        const QString copy = QStringLiteral("worker-copy");
        {
            QSqlDatabase db = def->OpenThreadCopy(copy);
            QSqlQuery q(db);
            if (q.exec(QStringLiteral("select EName from pubdept where Eid='002'")) && q.next()) name = q.value(0).toString();
        }
        RemoveConfiguredDatabase(copy);
    });
    worker.join();
    EXPECT_EQ(name, QStringLiteral("市卫生健康委员会"));
}

// Sessions carry nothing that outlives a statement: SQLite connections (the default one and a
// thread's copy) may sort with helper threads; a PostgreSQL session is read-only, takes backslashes
// as plain characters, and keeps the server's own settings, while a long statement's transaction
// sorts in 64MB of work memory, plans parallel workers at no cost and compiles nothing, each
// setting local to it and traced.
TEST_P(QueryTest, SessionsAreReadOnlyAndTunedOnlyInsideALongStatement) {
    const bool sqlite = DefaultSqlBackend() == TSqlBackend::SQLite;
    const QString ask = sqlite ? QStringLiteral("PRAGMA threads")
                               : QStringLiteral("select current_setting('work_mem')||' '||current_setting('jit')||' '||"
                                                "current_setting('parallel_setup_cost')||' '||current_setting('parallel_tuple_cost')");
    auto read = [&](QSqlDatabase db) {
        QSqlQuery q(db);
        return q.exec(ask) && q.next() ? q.value(0).toString() : QStringLiteral("(failed)");
    };
    TAdoConn *conn = GetDefaultConn();
    const QString session = read(conn->Database());
    QString copied;
    std::thread worker([&] {
        copied = read(conn->OpenThreadCopy(QStringLiteral("tuned-copy")));
        RemoveConfiguredDatabase(QStringLiteral("tuned-copy"));
    });
    worker.join();
    EXPECT_EQ(copied, session);
    if (sqlite) {
        EXPECT_EQ(session, QString::number(SqliteSortThreads()));
        EXPECT_FALSE(conn->BeginTuned());
        return;
    }
    EXPECT_EQ(session, QStringLiteral("4MB on 1000 0.1"));
    QSqlQuery q(conn->Database());
    ASSERT_TRUE(q.exec(QStringLiteral("select current_setting('default_transaction_read_only')||"
                                      "current_setting('standard_conforming_strings')")) && q.next());
    EXPECT_EQ(q.value(0).toString(), QStringLiteral("onon"));
    q.finish();
    QTemporaryDir dir;
    const QString tracePath = dir.filePath(QStringLiteral("trace.sql"));
    ASSERT_TRUE(ctx_->Manager.SetSqlTrace(tracePath).Ok());
    ASSERT_TRUE(conn->BeginTuned());
    EXPECT_EQ(read(conn->Database()), QStringLiteral("64MB off 0 0"));
    conn->EndTuned();
    EXPECT_EQ(read(conn->Database()), QStringLiteral("4MB on 1000 0.1"));
    QFile file(tracePath);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList traced = QString::fromUtf8(file.readAll()).trimmed().split(QLatin1Char('\n'));
    ASSERT_GE(traced.size(), 4);
    EXPECT_EQ(traced.first(), QStringLiteral("begin"));
    EXPECT_TRUE(traced[1].contains(QStringLiteral("set_config('work_mem','64MB',true)")));
    EXPECT_EQ(traced.last(), QStringLiteral("commit"));
}

// The database itself matches "_", "%" and "\" of a like prefix as those characters only.
TEST_P(QueryTest, ALikePrefixMatchesItsWildcardCharactersAsThemselves) {
    const QString pattern = QuotedLikePrefix(QStringLiteral("a_b%c\\"), DefaultSqlBackend());
    const struct { const char *value; int matches; } cases[] = {{"a_b%c\\d", 1}, {"axb%c\\d", 0}, {"a_bzc\\d", 0}, {"a_b%cd", 0}};
    for (const auto &c : cases) {
        IARQueryPtr q;
        const QString value = QuotedStr(QString::fromLatin1(c.value));
        ASSERT_TRUE(OpenDefaultQuery("select count(*) from pubmoneykind where Mid='1' and " + value + " like " + pattern, q))
            << LastDbError().toStdString();
        EXPECT_EQ(q.Query()->Fields(0).AsInteger(), c.matches) << c.value << " like " << pattern.toStdString();
    }
}

AUTHPAY_ON_BOTH_BACKENDS(QueryTest);

// A loopback port that nothing listens on: one the system just handed out and took back.
int ClosedLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    int port = -1;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr *>(&addr), &len) == 0)
        port = ntohs(addr.sin_port);
    ::close(fd);
    return port;
}

// A connection string that cannot be served: OpenDefaultQuery answers false and keeps the reason.
QString FailureOf(const QString &connectionString) {
    TTestContext ctx(connectionString);
    IARQueryPtr ref;
    EXPECT_FALSE(OpenDefaultQuery(QStringLiteral("select 1"), ref)) << connectionString.toStdString();
    EXPECT_FALSE(ref);
    return LastDbError();
}

TEST(QueryFailure, MissingSQLiteFileIsReportedAndNotCreated) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("missing.sqlite"));
    const QString error = FailureOf(QStringLiteral("Provider=SQLite;Data Source=") + file);
    EXPECT_TRUE(error.contains(file)) << error.toStdString();
    EXPECT_FALSE(QFileInfo::exists(file));
}

TEST(QueryFailure, UnknownProviderAndMissingDriversAreNamed) {
    EXPECT_TRUE(FailureOf(QStringLiteral("Provider=Foo.1;Data Source=x")).contains(QStringLiteral("Foo.1")));
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QOCI"))) {
        const QString error = FailureOf(QStringLiteral("Provider=OraOLEDB.Oracle;Data Source=orcl;User ID=u"));
        EXPECT_TRUE(error.contains(QStringLiteral("QOCI"))) << error.toStdString();
        EXPECT_TRUE(error.contains(QStringLiteral("OraOLEDB.Oracle"))) << error.toStdString();
    }
    EXPECT_FALSE(FailureOf(QString()).isEmpty());
}

TEST(QueryFailure, ServerThatDoesNotAnswerFailsThroughTheOdbcBridge) {
    const int port = ClosedLoopbackPort();
    ASSERT_GT(port, 0);
    const QString sqlServer = FailureOf(
        QStringLiteral("Provider=SQLOLEDB.1;Data Source=127.0.0.1,%1;User ID=sa;Password=x;Connect Timeout=3").arg(port));
    EXPECT_TRUE(sqlServer.contains(QStringLiteral("FreeTDS"))) << sqlServer.toStdString();
    const QString access = FailureOf(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/nonexistent/b.mdb"));
    EXPECT_TRUE(access.contains(QStringLiteral("/nonexistent/b.mdb"))) << access.toStdString();
    const QString pg = FailureOf(
        QStringLiteral("Provider=PostgreSQL;Host=127.0.0.1;Port=%1;Initial Catalog=x;User ID=u;Password=p").arg(port));
    EXPECT_TRUE(pg.contains(QStringLiteral("PostgreSQL"))) << pg.toStdString();
}

TEST(QueryFailure, WrongPostgreSQLPasswordIsRefused) {
    QString connStr = PgReadOnlyConnStr();
    if (connStr.isEmpty()) GTEST_SKIP() << "no PostgreSQL cluster (AUTHPAY_PG_RO_CONNSTR)";
    connStr += QStringLiteral(";Password=wrong-password");
    EXPECT_FALSE(FailureOf(connStr).isEmpty());
}

TEST(QueryFailure, NoDatabaseManagerAnswersFalse) {
    TUserContext *saved = authpay::UserContext;
    authpay::UserContext = nullptr;
    IARQueryPtr ref;
    EXPECT_FALSE(OpenDefaultQuery(QStringLiteral("select 1"), ref));
    EXPECT_FALSE(LastDbError().isEmpty());
    EXPECT_THROW(GetDefaultConn(), TExceptDbManager);
    authpay::UserContext = saved;
}

}  // namespace

// A role whose server settings read a backslash in a string as an escape (as older installations
// keep it): a value that ends the string early there is plain text in the module's session, which
// answers exactly as usual, while a connection without the module's settings widens the statement.
TEST(SessionQuoting, ABackslashBeforeAQuoteStaysInsideTheString) {
    const QString legacy = qEnvironmentVariable("AUTHPAY_PG_LEGACY_CONNSTR");
    if (legacy.isEmpty()) GTEST_SKIP() << "no PostgreSQL cluster (AUTHPAY_PG_LEGACY_CONNSTR)";
    const QString sql = QStringLiteral("select count(*) from vwBudgetAdj where datayear=2010 and bid in (%1)")
                            .arg(QuotedStr(QStringLiteral("2050803\\') or 1=1 --")));
    TDriverConfig plain = ResolveConnectionString(legacy);
    plain.ConnectOptions.clear();
    {
        QSqlDatabase raw = AddConfiguredDatabase(plain, QStringLiteral("legacy-raw"));
        ASSERT_TRUE(raw.open());
        QSqlQuery q(raw);
        ASSERT_TRUE(q.exec(QStringLiteral("show standard_conforming_strings")) && q.next());
        EXPECT_EQ(q.value(0).toString(), QStringLiteral("off"));
        ASSERT_TRUE(q.exec(sql) && q.next());
        EXPECT_GT(q.value(0).toInt(), 1000);  // what the module's settings prevent
    }
    RemoveConfiguredDatabase(QStringLiteral("legacy-raw"));
    TTestContext ctx(legacy);
    IARQueryPtr q;
    ASSERT_TRUE(OpenDefaultQuery(sql, q)) << LastDbError().toStdString();
    EXPECT_EQ(q.Query()->Fields(0).AsInteger(), 0);
}
