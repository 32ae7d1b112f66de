#pragma once
// budget-host --batch run on the demo database of the backend under test, for the user of unit
// 003001 in 2010, with the statements it ran traced.
#include "HostProcess.h"
#include "data/DemoDb.h"

#include <QFile>
#include <QTemporaryDir>

struct TReportRun : HostResult {
    QStringList trace;
};

class THostReportTest : public TBackendTest {
protected:
    TReportRun Run(const QStringList &options) {
        const QString trace = tmp_.filePath(QStringLiteral("trace.sql"));
        QFile::remove(trace);
        const QString binaryDir = qEnvironmentVariable("AUTHPAY_BINARY_DIR");
        const QString host = binaryDir.isEmpty() ? QStringLiteral(AUTHPAY_HOST_DEFAULT) : binaryDir + "/host/budget-host";
        TReportRun r;
        static_cast<HostResult &>(r) = RunProgram(
            host, QStringList{"--module", qEnvironmentVariable("AUTHPAY_MODULE", QStringLiteral(AUTHPAY_MODULE_DEFAULT)),
                              "--db", ReadOnlyConnStr(GetParam()), "--unit", "003001", "--year", "2010",
                              "--sql-trace", trace, "--batch"}
                      + options);
        QFile f(trace);
        if (f.open(QIODevice::ReadOnly)) r.trace = QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
        EXPECT_FALSE(r.err.contains(QStringLiteral("Sanitizer")) || r.err.contains(QStringLiteral("runtime error:")))
            << r.err.toStdString();
        return r;
    }
    // The report's grouped sum statement, the last one traced.
    static QString ReportSql(const TReportRun &r) {
        for (qsizetype i = r.trace.size() - 1; i >= 0; --i)
            if (r.trace[i].contains(QStringLiteral("sum(budgmoney)"))) return r.trace[i];
        return QString();
    }
    QTemporaryDir tmp_;
};
