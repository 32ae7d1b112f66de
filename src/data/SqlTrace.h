#pragma once
// The statement trace of a database manager: an append-only text file with one statement per
// line, so that an administrator can see exactly what a report ran.
#include "authpay/Outcome.h"

#include <QFile>
#include <QString>
#include <mutex>

// The trace line of a statement: the text unchanged except that a line feed is written as \n and
// a carriage return as \r, so that every statement stays on one line.
QString SqlTraceLine(const QString &sql);

class TSqlTrace {
public:
    // Opens the file for appending (creating it); a failure with the reason when it cannot.
    authpay::Outcome Open(const QString &path);
    // Appends the statement's trace line and flushes it, so the trace survives a crash.
    void Write(const QString &sql);
    // Why a line could not be written (the first failure); empty while every line was.
    QString Error() const;

private:
    mutable std::mutex mutex_;
    QFile file_;
    QString error_;
};
