#pragma once
// Where a workbook is written before it takes the target's place.
//
// The workbook is written into a file of the target's folder that has no name yet (the library is
// given the process's own path to it), so that an export that is killed, however it is killed,
// leaves nothing behind, and the final rename neither copies nor crosses file systems. The file is
// named beside the target only once it is complete. A file system that cannot make such files
// gets a named temporary instead, locked while it is written: the lock dies with its process, so a
// temporary that nobody locks was left by an export that was killed, and the next export in the
// folder removes it.
#include "authpay/Outcome.h"

#include <QByteArray>
#include <QString>

class TWorkbookTemporary {
public:
    TWorkbookTemporary() = default;
    TWorkbookTemporary(const TWorkbookTemporary &) = delete;
    TWorkbookTemporary &operator=(const TWorkbookTemporary &) = delete;
    ~TWorkbookTemporary();

    // Makes the file in `folder`; a failure with the system's reason when it cannot.
    authpay::Outcome Make(const QString &folder);
    // The path the library writes the workbook to.
    const QByteArray &WritePath() const { return writePath_; }
    // Takes the old file's permissions, when there is one to replace.
    void KeepPermissionsOf(const QString &target);
    // Puts the complete workbook in the target's place.
    bool Replace(const QString &target);

private:
    bool Name();
    static void RemoveStale(const QString &folder);

    QString folder_;
    QByteArray writePath_, named_;
    int fd_ = -1;
};
