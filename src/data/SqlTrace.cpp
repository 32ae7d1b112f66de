#include "data/SqlTrace.h"

#include <QFileInfo>

QString SqlTraceLine(const QString &sql) {
    QString line = sql;
    line.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    line.replace(QLatin1Char('\r'), QLatin1String("\\r"));
    return line;
}

bool TSqlTrace::Open(const QString &path, QString *error) {
    // A pipe or device in the trace's place would hold every statement up (a pipe nobody reads
    // never takes a line): only a regular file, or a new one, is written.
    if (const QFileInfo target(path); target.exists() && !target.isFile()) {
        if (error) *error = QStringLiteral("%1 is not a regular file").arg(path);
        return false;
    }
    file_.setFileName(path);
    if (file_.open(QIODevice::WriteOnly | QIODevice::Append)) return true;
    if (error) *error = file_.errorString();
    return false;
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
