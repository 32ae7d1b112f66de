#pragma once
// Where a writer puts a file, and with which permissions: the same rules for every file the
// module or the host writes. Plain functions of the file system, QtCore and POSIX only (the host
// uses them too).
#include <QString>
#include <sys/types.h>

// The file a writer replaces. A symbolic link is followed to the file it names, links to links
// too: the link stays, and the file it names is replaced through a temporary beside it. Any other
// name is itself.
QString ExportTargetFile(const QString &fileName);

// Empty when every link on the way from `fileName` to its file may be followed; otherwise the
// reason it may not. A link is followed only where the system itself would follow it for this
// user: not a link in a sticky folder that everyone may write to (a shared temporary folder)
// whose owner is neither this user nor the folder's owner. Another user could have planted it
// there to have this user's writer overwrite a file of this user's.
QString PlantedLinkRefusal(const QString &fileName);

// The permissions of a newly made file: read and write for everyone, less the process's umask.
mode_t NewFileMode();
