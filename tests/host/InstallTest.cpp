// budget-host installed with cmake --install and run from the root folder: it finds its module and
// its report template in the installed tree, not in the build or source tree.
#include "HostProcess.h"
#include "data/DemoDb.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// From "/", and without the test's module path: the installed host finds its own files.
HostResult RunFromRoot(const QString &program, const QStringList &args) { return RunProgram(program, args, "/", true); }

TEST(Install, TheInstalledHostRunsTheReportFromAnyFolder) {
    QTemporaryDir prefix;
    ASSERT_TRUE(prefix.isValid());
    const QString build = qEnvironmentVariable("AUTHPAY_BINARY_DIR", QStringLiteral(AUTHPAY_BINARY_DIR_DEFAULT));
    const HostResult install = RunFromRoot(QStringLiteral(AUTHPAY_CMAKE_COMMAND), {"--install", build, "--prefix", prefix.path()});
    ASSERT_EQ(install.status, 0) << install.out.toStdString() << install.err.toStdString();

    const QString host = prefix.filePath(QStringLiteral("bin/budget-host"));
    const QStringList report{"--batch", "--db", "Provider=SQLite;Data Source=" + DemoSqliteFile() + ";Mode=Read",
                             "--print-sheet"};
    HostResult r = RunFromRoot(host, report);
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    // The sheet's lines: the template's title and column heading, then the rows and the totals.
    const QString lines = QLatin1Char('\n') + r.out;
    EXPECT_TRUE(lines.contains(QStringLiteral("\n支付范围划分汇总组合查询表\t"))) << r.out.toStdString();
    EXPECT_TRUE(lines.contains(QStringLiteral("\n序号\t"))) << r.out.toStdString();
    EXPECT_TRUE(lines.contains(QStringLiteral("\n合  计\t"))) << r.out.toStdString();

    // A template folder without the template: the run fails and names the file it looked for.
    const QString none = prefix.filePath(QStringLiteral("none")) + QLatin1Char('/');
    r = RunFromRoot(host, report + QStringList{"--templates", none});
    EXPECT_EQ(r.status, 1) << r.out.toStdString();
    EXPECT_TRUE(r.err.contains(none + QStringLiteral("查询_支付范围汇总组合查询表cll5.cll"))) << r.err.toStdString();
    EXPECT_FALSE(r.out.contains(QStringLiteral("合  计"))) << r.out.toStdString();
}

}  // namespace
