#include "data/SqlTrace.h"

#include <QFileInfo>

QString SqlTraceLine(const QString &sql) {
    QString line = sql;
    line.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    line.replace(QLatin1Char('\r'), QLatin1String("\\r"));
    return line;
}

authpay::Outcome TSqlTrace::Open(const QString &path) {
    // A pipe or device in the trace's place would hold every statement up (a pipe nobody reads
    // never takes a line): only a regular file, or a new one, is written.
    if (const QFileInfo target(path); target.exists() && !target.isFile())
        return authpay::Outcome::Failure(QStringLiteral("%1 is not a regular file").arg(path));
    file_.setFileName(path);
    if (file_.open(QIODevice::WriteOnly | QIODevice::Append)) return authpay::Outcome::Success();
    return authpay::Outcome::Failure(file_.errorString());
}

void TSqlTrace::Write(const QString &sql) {
    std::lock_guard lock(mutex_);
    const QByteArray line = SqlTraceLine(sql).toUtf8() + '\n';
    const bool written = file_.write(line) == line.size() && file_.flush();
    if (!written && error_.isEmpty())
        error_ = QStringLiteral("cannot write the SQL trace %1: %2").arg(file_.fileName(), file_.errorString());
}

QString TSqlTrace::Error() const {
    std::lock_guard lock(mutex_);
    return error_;
}
