#pragma once
// Runs budget-host (or any program) as a separate process on the offscreen platform and collects
// its exit status and both output streams.
#include <QProcess>
#include <QString>
#include <QStringList>

struct HostResult {
    int status = -1;  // -1: crashed or did not finish
    QString out, err;
};

// workDir empty: the test's own; unsetModule: the child does not inherit AUTHPAY_MODULE.
inline HostResult RunProgram(const QString &program, const QStringList &args, const QString &workDir = QString(),
                             bool unsetModule = false) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    if (unsetModule) env.remove(QStringLiteral("AUTHPAY_MODULE"));
    p.setProcessEnvironment(env);
    if (!workDir.isEmpty()) p.setWorkingDirectory(workDir);
    p.start(program, args);
    HostResult r;
    if (!p.waitForFinished(120000)) {
        r.err = p.errorString();
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError()) + (r.status < 0 ? p.errorString() : QString());
    return r;
}
