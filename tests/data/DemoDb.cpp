#include "DemoDb.h"

#include "demo/DemoGenerator.h"
#include "frame/ModuleGlobals.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QRegularExpression>

QString DemoSqliteFile() {
    const QString dir = qEnvironmentVariable("AUTHPAY_BINARY_DIR", QDir::tempPath()) + QStringLiteral("/tests/data");
    const QString file = dir + QStringLiteral("/demo-v%1-%2.sqlite").arg(QLatin1String(kDemoVersion)).arg(kDemoDefaultRows);
    if (QFileInfo::exists(file)) return file;
    QDir().mkpath(dir);
    QLockFile lock(file + QStringLiteral(".lock"));
    lock.setStaleLockTime(0);
    lock.lock();
    if (!QFileInfo::exists(file)) GenerateDemo({TDemoTarget::SQLite, file}, kDemoDefaultRows);
    return file;
}

QString DemoSqliteConnStr(bool readOnly) {
    return QStringLiteral("Provider=SQLite;Data Source=%1%2")
        .arg(DemoSqliteFile(), readOnly ? QStringLiteral(";Mode=Read") : QString());
}

QString PgConnStr() { return qEnvironmentVariable("AUTHPAY_PG_CONNSTR"); }
QString PgReadOnlyConnStr() { return qEnvironmentVariable("AUTHPAY_PG_RO_CONNSTR"); }

TTestContext::TTestContext(const QString &connectionString)
    : Manager(connectionString), previous_(authpay::UserContext) {
    Unit.Set(0, QStringLiteral("001001"));
    Unit.Set(3, QStringLiteral("市教育局机关"));
    Unit.Set(17, QStringLiteral("0"));
    Context.DataYear = 2010;
    Context.DbManager = &Manager;
    Context.Settings = &Settings;
    Context.CurrentUnit = &Unit;
    authpay::UserContext = &Context;
}

TTestContext::~TTestContext() { authpay::UserContext = previous_; }

std::string BackendName(TBackend backend) { return backend == TBackend::SQLite ? "SQLite" : "PostgreSQL"; }

QString ReadOnlyConnStr(TBackend backend) {
    return backend == TBackend::SQLite ? DemoSqliteConnStr(true) : PgReadOnlyConnStr();
}

void TBackendTest::SetUp() {
    const QString connStr = ReadOnlyConnStr(GetParam());
    if (connStr.isEmpty()) GTEST_SKIP() << "no PostgreSQL cluster (AUTHPAY_PG_RO_CONNSTR)";
    ctx_ = std::make_unique<TTestContext>(connStr);
}

QStringList WithoutConnectionStatements(QStringList traced) {
    static const QRegularExpression own(QStringLiteral(
        "^(PRAGMA threads=\\d+|begin|commit|rollback|select current_setting\\('standard_conforming_strings'\\)|"
        "select set_config\\(.*)$"));
    traced.removeIf([](const QString &line) { return own.match(line).hasMatch(); });
    return traced;
}
