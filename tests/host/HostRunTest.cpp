// budget-host run as a separate process: exit statuses and messages for good and bad input.
#include "HostProcess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString HostPath();

HostResult RunHost(const QStringList &args) { return RunProgram(HostPath(), args); }

QString HostPath() {
    const QString binaryDir = qEnvironmentVariable("AUTHPAY_BINARY_DIR");
    return binaryDir.isEmpty() ? QStringLiteral(AUTHPAY_HOST_DEFAULT) : binaryDir + QStringLiteral("/host/budget-host");
}

// A demo database of the test's own in `dir`, made by the build tree's generator beside the host.
QString MakeDemo(const QTemporaryDir &dir) {
    const QString db = dir.filePath(QStringLiteral("demo.sqlite"));
    return QProcess::execute(QFileInfo(HostPath()).absolutePath() + QStringLiteral("/../demo-gen"), {"--quiet", "--sqlite", db}) == 0
               ? db
               : QString();
}

QString Module() { return qEnvironmentVariable("AUTHPAY_MODULE", QStringLiteral(AUTHPAY_MODULE_DEFAULT)); }

}  // namespace

TEST(HostRun, BadOptionsExitWithTwo) {
    for (const QStringList &args : {QStringList{"--batch", "--frobnicate"}, QStringList{"--batch", "--year", "abc"},
                                    QStringList{"--batch", "--indicator-kind", "5"}, QStringList{"--batch", "--unit"}}) {
        const HostResult r = RunHost(args);
        EXPECT_EQ(r.status, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("usage: budget-host"))) << r.err.toStdString();
    }
    EXPECT_EQ(RunHost({"--help"}).status, 0);
}

TEST(HostRun, ModuleProblemsExitWithOneAndSayWhy) {
    HostResult r = RunHost({"--batch", "--module", "/nonexistent/libauthpay.so"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("module file not found: /nonexistent/libauthpay.so"))) << r.err.toStdString();

    const QString libz = QStringLiteral("/usr/lib/x86_64-linux-gnu/libz.so.1");
    if (QFile::exists(libz)) {
        r = RunHost({"--batch", "--module", libz});
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(r.err.contains(QStringLiteral("has no export ShowPlugInWindow"))) << r.err.toStdString();
    }
}

TEST(HostRun, ConfigFileIsReadAndOptionsBesideItWin) {
    QTemporaryDir dir;
    EXPECT_EQ(RunHost({"--batch", "--config", dir.filePath(QStringLiteral("none.ini"))}).status, 2);

    const QString ini = dir.filePath(QStringLiteral("host.ini"));
    QFile f(ini);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QStringLiteral("[host]\nmodule=%1\nyear=2026\n").arg(dir.filePath(QStringLiteral("gone.so"))).toUtf8());
    f.close();
    HostResult r = RunHost({"--batch", "--config", ini});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(dir.filePath(QStringLiteral("gone.so")))) << r.err.toStdString();

    r = RunHost({"--batch", "--config", ini, "--module", Module(), "--open", "TNoSuchWindow"});
    EXPECT_TRUE(r.err.contains(QStringLiteral("budget-host: module 授权支出模块 / 支付管理子系统"))) << r.err.toStdString();
    EXPECT_EQ(r.out, QString());  // status lines are not data
    EXPECT_TRUE(r.err.contains(QStringLiteral("类TNoSuchWindow没有进行注册或不存在！"))) << r.err.toStdString();
    EXPECT_EQ(r.status, 1);  // what the exception hook showed is a failure of the run
}

// Output that cannot be written fails the run: the usage or a report into a full device says so,
// with status 1, rather than ending well with its data lost.
TEST(HostRun, OutputIntoAFullDeviceFailsTheRun) {
    if (!QFile::exists(QStringLiteral("/dev/full"))) GTEST_SKIP() << "no /dev/full";
    const QString host = HostPath();
    QTemporaryDir dir;
    const QString db = MakeDemo(dir);
    ASSERT_FALSE(db.isEmpty());
    const QString connStr = QStringLiteral("Provider=SQLite;Data Source=%1;Mode=Read").arg(db);
    for (const QStringList &args : {QStringList{"--help"}, QStringList{"--batch", "--module", Module(), "--db", connStr, "--format", "tsv"},
                                    QStringList{"--batch", "--module", Module(), "--db", connStr, "--print-sheet"}}) {
        QProcess p;
        p.setStandardOutputFile(QStringLiteral("/dev/full"));
        p.start(host, args);
        ASSERT_TRUE(p.waitForFinished(120000)) << args.join(' ').toStdString();
        const QString err = QString::fromUtf8(p.readAllStandardError());
        EXPECT_EQ(p.exitCode(), 1) << args.join(' ').toStdString() << ": " << err.toStdString();
        EXPECT_TRUE(err.contains(QStringLiteral("cannot write to standard output: No space left on device")))
            << err.toStdString();
    }
}

// A report on a file database starts without the PostgreSQL client library and the twenty
// libraries it needs: the loader's own list of what it mapped names the module, never libpq.
TEST(HostRun, AFileDatabaseRunLoadsNoServerClientLibrary) {
    const QString host = HostPath();
    QTemporaryDir dir;
    const QString db = MakeDemo(dir);
    ASSERT_FALSE(db.isEmpty());
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("LD_DEBUG"), QStringLiteral("files"));
    p.setProcessEnvironment(env);
    p.start(host, {"--batch", "--module", Module(), "--db", QStringLiteral("Provider=SQLite;Data Source=%1;Mode=Read").arg(db),
                   "--group", QStringLiteral("预算单位,预算科目"), "--timeout", "60"});
    ASSERT_TRUE(p.waitForFinished(120000));
    const QString err = QString::fromUtf8(p.readAllStandardError());
    EXPECT_EQ(p.exitCode(), 0) << err.right(2000).toStdString();
    EXPECT_TRUE(err.contains(QStringLiteral("libauthpay.so"))) << "the loader said nothing";
    EXPECT_TRUE(err.contains(QStringLiteral("refreshed: ")));
    EXPECT_FALSE(err.contains(QStringLiteral("libpq"))) << "the server's client library was loaded";
}
