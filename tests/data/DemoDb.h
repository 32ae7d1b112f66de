#pragma once
// The databases the data tests run on: the demo built into a SQLite file of the build tree (once,
// shared by every test process), and the PostgreSQL cluster that scripts/test starts (its
// connection strings come in AUTHPAY_PG_CONNSTR and AUTHPAY_PG_RO_CONNSTR).
#include "authpay/DbManager.h"
#include "authpay/UserContext.h"

#include <QHash>
#include <gtest/gtest.h>
#include <QString>
#include <QStringList>
#include <memory>

// The demo SQLite file with the default number of budget rows, built when missing.
QString DemoSqliteFile();
QString DemoSqliteConnStr(bool readOnly = true);
// Empty when no PostgreSQL cluster was started for the tests.
QString PgConnStr();
QString PgReadOnlyConnStr();

// The user's unit as the host would give it: column 0 code, 3 name, 17 secrecy flag.
class TTestUnit : public TUnitRecord {
public:
    TUnitField *Field(int index) override { return &fields_[index]; }
    void Set(int index, const QVariant &value) { fields_[index].Value = value; }

private:
    QHash<int, TUnitField> fields_;
};

// A user context with a database manager on the given connection string, installed as the
// module's UserContext for the fixture's lifetime. Year 2010, unit 001001.
class TTestContext {
public:
    explicit TTestContext(const QString &connectionString);
    ~TTestContext();
    TTestContext(const TTestContext &) = delete;
    TTestContext &operator=(const TTestContext &) = delete;

    TDbManager Manager;
    TSettings Settings;
    TTestUnit Unit;
    TUserContext Context;

private:
    TUserContext *previous_;
};

// Traced statements without those a connection sends by itself (its session settings, its quoting
// check, a long statement's tuned transaction): the statements a test asked for.
QStringList WithoutConnectionStatements(QStringList traced);

// The backends a parameterized database test runs on.
enum class TBackend { SQLite, PostgreSQL };
std::string BackendName(TBackend backend);
// The read-only connection string of the backend; empty when it is not available.
QString ReadOnlyConnStr(TBackend backend);

// A test run once per backend, with the module's user context on the backend's read-only demo;
// skipped when the backend is not available.
class TBackendTest : public ::testing::TestWithParam<TBackend> {
protected:
    void SetUp() override;
    std::unique_ptr<TTestContext> ctx_;
};

#define AUTHPAY_ON_BOTH_BACKENDS(Fixture)                                                             \
    INSTANTIATE_TEST_SUITE_P(Backends, Fixture, ::testing::Values(TBackend::SQLite, TBackend::PostgreSQL), \
                             [](const auto &info) { return BackendName(info.param); })
