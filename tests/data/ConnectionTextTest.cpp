// Connection strings, provider families and the SQL dialect: plain functions of their text.
#include "data/AdoConn.h"
#include "data/ConnectionString.h"
#include "data/DriverConfig.h"
#include "data/SqlDialect.h"
#include "data/SqlQuote.h"

#include <gtest/gtest.h>

namespace {

TEST(ConnectionString, ReadsEntriesWithoutRegardToCaseAndBlanks) {
    const auto cs = TConnectionString::Parse(
        QStringLiteral(" provider = SQLOLEDB.1 ;Data Source=srv\\office; user id=sa;PASSWORD=x;"));
    EXPECT_EQ(cs.Value({"Provider"}), QStringLiteral("SQLOLEDB.1"));
    EXPECT_EQ(cs.Value({"DATA SOURCE"}), QStringLiteral("srv\\office"));
    EXPECT_EQ(cs.Value({"User ID"}), QStringLiteral("sa"));
    EXPECT_EQ(cs.Value({"Password"}), QStringLiteral("x"));
    EXPECT_FALSE(cs.Has({"Initial Catalog"}));
    EXPECT_EQ(cs.Value({"Initial Catalog", "Database"}), QString());
}

TEST(ConnectionString, QuotedValuesKeepSemicolonsEqualsAndDoubledQuotes) {
    const auto cs = TConnectionString::Parse(
        QStringLiteral("Password=\"a;b=c\"\"d\";Data Source='/srv/o''brien.sqlite';Mode=Read"));
    EXPECT_EQ(cs.Value({"Password"}), QStringLiteral("a;b=c\"d"));
    EXPECT_EQ(cs.Value({"Data Source"}), QStringLiteral("/srv/o'brien.sqlite"));
    EXPECT_EQ(cs.Value({"Mode"}), QStringLiteral("Read"));
}

TEST(ConnectionString, LaterEntryWinsAndJunkIsSkipped) {
    const auto cs = TConnectionString::Parse(QStringLiteral("junk;Port=1;;=x;port=2"));
    EXPECT_EQ(cs.Value({"Port"}), QStringLiteral("2"));
    EXPECT_EQ(cs.Entries().size(), 1);
}

TEST(ConnectionString, ShardUnitLevelIsAPositiveNumberOrNone) {
    const QString pg = QStringLiteral("Provider=PostgreSQL;Host=h;");
    EXPECT_EQ(ShardUnitLevelOf(pg + QStringLiteral(" shard unit level = 2 ")), 2);
    for (const char *junk : {"", "Shard Unit Level=", "Shard Unit Level=0", "Shard Unit Level=-2",
                             "Shard Unit Level=2x", "Shard Unit Level=99999999999",
                             "Shard Unit Level=1) or (1"})
        EXPECT_EQ(ShardUnitLevelOf(pg + QString::fromUtf8(junk)), 0) << junk;
    // The key is the module's own: it is not handed to an ODBC driver.
    const TDriverConfig odbc =
        ResolveConnectionString(QStringLiteral("Provider=MSDASQL;DSN=x;Shard Unit Level=2"));
    EXPECT_FALSE(odbc.DatabaseName.contains(QStringLiteral("Shard"), Qt::CaseInsensitive));
}

TEST(SqlDialect, ProviderFamiliesGiveTheirOperatorAndSubstringFunction) {
    struct Case {
        const char *provider, *concat, *substring;
    } cases[] = {
        {"SQLOLEDB.1", "+", "SUBSTRING"},
        {"SQLNCLI11", "+", "SUBSTRING"},
        {"MSOLEDBSQL", "+", "SUBSTRING"},
        {"Microsoft.Jet.OLEDB.4.0", "&", "MID"},
        {"Microsoft.ACE.OLEDB.12.0", "&", "MID"},
        {"MS Access Database", "&", "MID"},
        {"OraOLEDB.Oracle", "||", "SUBSTR"},
        {"MSDAORA.1", "||", "SUBSTR"},
        {"Oracle in OraClient11g", "||", "SUBSTR"},
        {"SQLite", "||", "SUBSTR"},
        {"PostgreSQL", "||", "SUBSTRING"},
        {"PGNP.1", "||", "SUBSTRING"},
        {"", "+", "SUBSTRING"},
        {"sqloledb", "+", "SUBSTRING"},
        {"oraoledb.oracle", "||", "SUBSTR"},
        {"microsoft.jet.oledb.4.0", "&", "MID"},
        {"sqlite", "||", "SUBSTR"},
        {"postgresql", "||", "SUBSTRING"},
        // Oracle is tested first: a name of both families counts as Oracle.
        {"Oracle Access Bridge", "||", "SUBSTR"},
    };
    for (const Case &c : cases) {
        const TSqlBackend backend = SqlBackendOf(QString::fromLatin1(c.provider));
        EXPECT_EQ(ConcatOperatorOf(backend), QLatin1String(c.concat)) << c.provider;
        EXPECT_EQ(SubstringFunctionOf(backend), QLatin1String(c.substring)) << c.provider;
    }
}

// A prefix matched by "like": a plain one as it always was; wildcard characters in it match only
// themselves, by an escape clause or, on SQL Server and Access, in brackets.
TEST(SqlDialect, LikePrefixesMatchTheirWildcardCharactersAsThemselves) {
    using B = TSqlBackend;
    for (B backend : {B::Oracle, B::Access, B::SQLite, B::PostgreSQL, B::SqlServer})
        EXPECT_EQ(QuotedLikePrefix(QStringLiteral("0'01"), backend), QStringLiteral("'0''01%'"));
    const struct { B backend; const char *pattern; } cases[] = {
        {B::SQLite, R"('0''0\_1\%[*\\%' escape '\')"},     {B::PostgreSQL, R"('0''0\_1\%[*\\%' escape '\')"},
        {B::Oracle, R"('0''0\_1\%[*\\%' escape '\')"},     {B::SqlServer, R"('0''0[_]1[%][[]*\%')"},
        {B::Access, R"('0''0[_]1[%][[][*]\%')"}};
    for (const auto &c : cases)
        EXPECT_EQ(QuotedLikePrefix(QStringLiteral("0'0_1%[*\\"), c.backend), QString::fromLatin1(c.pattern)) << c.pattern;
}

TEST(SqlDialect, ConnectionAsksItsProviderAfreshEachTime) {
    TAdoConn conn;
    conn.ConnectionString = QStringLiteral("Provider=msdaora.1;Data Source=orcl");
    EXPECT_TRUE(conn.IsOracle());
    EXPECT_EQ(conn.ProviderUpper, QStringLiteral("MSDAORA.1"));
    EXPECT_FALSE(conn.IsAccess());
    conn.ConnectionString = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=c:\\b.mdb");
    EXPECT_EQ(conn.GetConcatOperator(), QStringLiteral("&"));
    EXPECT_EQ(conn.ProviderUpper, QStringLiteral("MICROSOFT.JET.OLEDB.4.0"));
    EXPECT_TRUE(conn.IsAccess());
    conn.ConnectionString = QStringLiteral("Data Source=srv");
    EXPECT_EQ(conn.GetSubstringFunction(), QStringLiteral("SUBSTRING"));
    EXPECT_EQ(conn.ProviderUpper, QString());
}

TEST(DriverConfig, SQLiteUsesTheFileAndModeReadOpensReadOnly) {
    auto cfg = ResolveConnectionString(QStringLiteral("Provider=SQLite;Data Source=/srv/b.sqlite;Mode=Read"));
    EXPECT_EQ(cfg.QtDriver, QStringLiteral("QSQLITE"));
    EXPECT_EQ(cfg.DatabaseName, QStringLiteral("/srv/b.sqlite"));
    EXPECT_EQ(cfg.FilePath, QStringLiteral("/srv/b.sqlite"));
    EXPECT_TRUE(cfg.ReadOnly);
    EXPECT_EQ(cfg.ConnectOptions, QStringLiteral("QSQLITE_OPEN_READONLY"));
    cfg = ResolveConnectionString(QStringLiteral("Provider=SQLite;Data Source=/srv/b.sqlite"));
    EXPECT_FALSE(cfg.ReadOnly);
    EXPECT_TRUE(cfg.ConnectOptions.isEmpty());
    EXPECT_FALSE(ResolveConnectionString(QStringLiteral("Provider=SQLite")).Error.isEmpty());
}

TEST(DriverConfig, PostgreSQLTakesHostPortDatabaseAndCredentials) {
    auto cfg = ResolveConnectionString(QStringLiteral(
        "Provider=PostgreSQL;Data Source=db.local:5433;Initial Catalog=budget;User ID=u;Password=p;Mode=Read"));
    EXPECT_EQ(cfg.QtDriver, QStringLiteral("QPSQL"));
    EXPECT_EQ(cfg.HostName, QStringLiteral("db.local"));
    EXPECT_EQ(cfg.Port, 5433);
    EXPECT_EQ(cfg.DatabaseName, QStringLiteral("budget"));
    EXPECT_EQ(cfg.UserName, QStringLiteral("u"));
    EXPECT_EQ(cfg.Password, QStringLiteral("p"));
    EXPECT_TRUE(cfg.ConnectOptions.contains(QStringLiteral("default_transaction_read_only=on")));
    // Server/Host and Port entries take precedence; a socket folder is a host too.
    cfg = ResolveConnectionString(
        QStringLiteral("Provider=PostgreSQL;Data Source=ignored;Host=/tmp/pg sock;Port=6001;Database=b"));
    EXPECT_EQ(cfg.HostName, QStringLiteral("/tmp/pg sock"));
    EXPECT_EQ(cfg.Port, 6001);
    EXPECT_EQ(cfg.DatabaseName, QStringLiteral("b"));
    EXPECT_FALSE(ResolveConnectionString(QStringLiteral("Provider=PostgreSQL;Port=70000")).Error.isEmpty());
}

// A PostgreSQL session is read-only and quotes safely whatever the string says; TLS keys reach
// libpq quoted; tuning is a choice; an entry the provider does not know is refused by name.
TEST(DriverConfig, PostgreSQLSessionsTlsTuningAndUnknownEntries) {
    auto cfg = ResolveConnectionString(QStringLiteral(
        "Provider=PostgreSQL;Host=h;SSL Mode=Verify-Full;SSL Root Cert=/etc/ca o'k.crt;SSL Cert=/c;SSL Key=/k;Work Mem=32MB"));
    ASSERT_EQ(cfg.Error, QString());
    EXPECT_TRUE(cfg.ReadOnly);
    EXPECT_EQ(cfg.ConnectOptions, QStringLiteral("connect_timeout=15;options='-c default_transaction_read_only=on "
                                                 "-c standard_conforming_strings=on';sslmode=verify-full;"
                                                 "sslrootcert='/etc/ca o\\'k.crt';sslcert='/c';sslkey='/k'"));
    EXPECT_EQ(cfg.StatementSettings.first(), QStringLiteral("select set_config('work_mem','32MB',true)"));
    EXPECT_EQ(cfg.StatementSettings.size(), 2);
    EXPECT_TRUE(ResolveConnectionString(QStringLiteral("Provider=PostgreSQL;Session Tuning=none")).StatementSettings.isEmpty());
    EXPECT_TRUE(ResolveConnectionString(QStringLiteral("Provider=SQLite;Data Source=a;Session Tuning=None")).SessionStatements.isEmpty());
    const struct { const char *text, *error; } refused[] = {
        {"Provider=PostgreSQL;ssl_mode=require", "不认识的项：ssl_mode"},
        {"Provider=PostgreSQL;sslmode=require", ""},  // libpq's own spelling
        {"Provider=PostgreSQL;SSL Mode=required", "SSL Mode无效：required"},
        {"Provider=PostgreSQL;Work Mem=64MB;drop", ""},  // an entry without "=" carries nothing
        {"Provider=PostgreSQL;Work Mem=64MB'", "Work Mem无效"},
        {"Provider=PostgreSQL;Session Tuning=fast", "Session Tuning无效：fast"},
        {"Provider=SQLite;Data Source=a;Password=x", "不认识的项：Password"},
    };
    for (const auto &c : refused) {
        const QString error = ResolveConnectionString(QString::fromUtf8(c.text)).Error;
        if (*c.error) EXPECT_TRUE(error.contains(QString::fromUtf8(c.error))) << c.text << ": " << error.toStdString();
        else EXPECT_EQ(error, QString()) << c.text;
    }
}

TEST(DriverConfig, SqlServerGoesThroughFreeTdsWithBracedValues) {
    const auto cfg = ResolveConnectionString(QStringLiteral(
        "Provider=SQLOLEDB.1;Data Source=srv,1500;Initial Catalog=budget;User ID=sa;Password=\"p;w}d\""));
    EXPECT_EQ(cfg.QtDriver, QStringLiteral("QODBC"));
    EXPECT_EQ(cfg.OdbcDriver, QStringLiteral("FreeTDS"));
    EXPECT_EQ(cfg.DatabaseName, QStringLiteral("DRIVER={FreeTDS};SERVER=srv;PORT=1500;DATABASE=budget;UID=sa;"
                                               "PWD={p;w}}d};TDS_Version=7.3;ClientCharset=UTF-8;"));
    for (const char *provider : {"SQLNCLI10", "sqlncli11", "MSOLEDBSQL.1"})
        EXPECT_EQ(ResolveConnectionString(QStringLiteral("Provider=%1;Data Source=s").arg(QLatin1String(provider)))
                      .OdbcDriver,
                  QStringLiteral("FreeTDS"))
            << provider;
}

TEST(DriverConfig, AccessGoesThroughMdbToolsAndOracleThroughQoci) {
    auto cfg = ResolveConnectionString(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/srv/b.mdb"));
    EXPECT_EQ(cfg.QtDriver, QStringLiteral("QODBC"));
    EXPECT_EQ(cfg.DatabaseName, QStringLiteral("DRIVER={MDBTools};DBQ=/srv/b.mdb;"));
    EXPECT_EQ(cfg.FilePath, QStringLiteral("/srv/b.mdb"));
    cfg = ResolveConnectionString(QStringLiteral("Provider=Microsoft.ACE.OLEDB.12.0;Data Source=/srv/b.accdb"));
    EXPECT_EQ(cfg.OdbcDriver, QStringLiteral("MDBTools"));
    cfg = ResolveConnectionString(QStringLiteral("Provider=OraOLEDB.Oracle.1;Data Source=//h:1521/orcl;User ID=u"));
    EXPECT_EQ(cfg.QtDriver, QStringLiteral("QOCI"));
    EXPECT_EQ(cfg.DatabaseName, QStringLiteral("//h:1521/orcl"));
    EXPECT_EQ(ResolveConnectionString(QStringLiteral("Provider=MSDAORA;Data Source=x")).QtDriver, QStringLiteral("QOCI"));
}

TEST(DriverConfig, OdbcPassThroughUnknownAndEmptyProviders) {
    auto cfg = ResolveConnectionString(QStringLiteral("Provider=MSDASQL.1;DSN=budget;UID=u"));
    EXPECT_EQ(cfg.QtDriver, QStringLiteral("QODBC"));
    EXPECT_EQ(cfg.DatabaseName, QStringLiteral("DSN=budget;UID=u;"));
    EXPECT_EQ(ResolveConnectionString(QStringLiteral("DSN=budget")).QtDriver, QStringLiteral("QODBC"));
    EXPECT_TRUE(ResolveConnectionString(QStringLiteral("Data Source=x")).Error.contains(QStringLiteral("Provider")));
    cfg = ResolveConnectionString(QStringLiteral("Provider=IBMDADB2;Data Source=x"));
    EXPECT_TRUE(cfg.Error.contains(QStringLiteral("IBMDADB2"))) << cfg.Error.toStdString();
    EXPECT_FALSE(ResolveConnectionString(QStringLiteral("  ")).Error.isEmpty());
}

}  // namespace
