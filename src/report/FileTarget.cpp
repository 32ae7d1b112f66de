#include "report/FileTarget.h"

#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// As many links as the system itself follows before it gives up on a loop.
const int kMaxLinks = 40;

// True when the system would follow the link `path` for this user (fs.protected_symlinks).
bool FollowedBySystem(const QString &path) {
    struct stat link{}, folder{};
    if (::lstat(QFile::encodeName(path).constData(), &link) != 0
        || ::stat(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), &folder) != 0)
        return true;  // nothing there to judge: the writer's own open says what is wrong
    const bool shared = (folder.st_mode & S_ISVTX) && (folder.st_mode & S_IWOTH);
    return !shared || link.st_uid == ::geteuid() || link.st_uid == folder.st_uid;
}
}  // namespace

QString ExportTargetFile(const QString &fileName) {
    QFileInfo info(fileName);
    for (int depth = 0; depth < kMaxLinks && info.isSymLink(); ++depth) info.setFile(info.symLinkTarget());
    return info.isSymLink() ? fileName : info.filePath();
}

QString PlantedLinkRefusal(const QString &fileName) {
    QFileInfo info(fileName);
    for (int depth = 0; depth < kMaxLinks && info.isSymLink(); ++depth) {
        if (!FollowedBySystem(info.filePath()))
            return QStringLiteral("“%1”是其他用户放在公共文件夹中的符号链接，不能经由它写入文件。").arg(fileName);
        info.setFile(info.symLinkTarget());
    }
    return QString();
}

mode_t NewFileMode() {
    // The umask is read where the system shows it, since setting it to read it back would change
    // it meanwhile for every other thread.
    QFile status(QStringLiteral("/proc/self/status"));
    mode_t mask = 022;
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray &line : status.readAll().split('\n'))
            if (line.startsWith("Umask:")) mask = mode_t(line.mid(6).trimmed().toUInt(nullptr, 8));
    return 0666 & ~mask;
}
