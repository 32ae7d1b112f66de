#include "report/xlsx/WorkbookTemporary.h"

#include "report/FileTarget.h"

#include <QDir>
#include <QFile>
#include <QTemporaryFile>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const QString kTemporaryPattern = QStringLiteral(".authpay-XXXXXX.xlsx");
}  // namespace

TWorkbookTemporary::~TWorkbookTemporary() {
    if (fd_ >= 0) ::close(fd_);
    if (!named_.isEmpty()) ::unlink(named_.constData());
}

authpay::Outcome TWorkbookTemporary::Make(const QString &folder) {
    RemoveStale(folder);
    folder_ = folder;
    // Made with the permissions a new file gets, the umask applied by the system.
    fd_ = ::open(QFile::encodeName(folder).constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (fd_ >= 0) {
        writePath_ = "/proc/self/fd/" + QByteArray::number(fd_);
        return authpay::Outcome::Success();
    }
    QTemporaryFile file(folder + QLatin1Char('/') + kTemporaryPattern);
    file.setAutoRemove(false);
    if (!file.open()) return authpay::Outcome::Failure(file.errorString());
    named_ = writePath_ = QFile::encodeName(file.fileName());
    fd_ = ::dup(file.handle());
    ::flock(fd_, LOCK_EX | LOCK_NB);
    ::fchmod(fd_, NewFileMode());
    return authpay::Outcome::Success();
}

void TWorkbookTemporary::KeepPermissionsOf(const QString &target) {
    struct stat old{};
    if (::stat(QFile::encodeName(target).constData(), &old) == 0) ::fchmod(fd_, old.st_mode & 07777);
}

bool TWorkbookTemporary::Replace(const QString &target) {
    if (named_.isEmpty() && !Name()) return false;
    if (std::rename(named_.constData(), QFile::encodeName(target).constData()) != 0) return false;
    named_.clear();
    return true;
}

// A name in the folder for the unnamed file; names that are taken are tried again.
bool TWorkbookTemporary::Name() {
    for (int attempt = 0; attempt < 100; ++attempt) {
        QTemporaryFile probe(folder_ + QLatin1Char('/') + kTemporaryPattern);
        if (!probe.open()) return false;
        const QByteArray name = QFile::encodeName(probe.fileName());
        probe.remove();
        if (::linkat(AT_FDCWD, writePath_.constData(), AT_FDCWD, name.constData(), AT_SYMLINK_FOLLOW) == 0) {
            named_ = name;
            return true;
        }
        if (errno != EEXIST) return false;
    }
    return false;
}

// Temporaries of exports that were killed: this user's regular files that nobody locks.
void TWorkbookTemporary::RemoveStale(const QString &folder) {
    const QDir dir(folder);
    const QString glob = QString(kTemporaryPattern).replace(QLatin1Char('X'), QLatin1Char('?'));
    for (const QString &name : dir.entryList({glob}, QDir::Files | QDir::Hidden | QDir::System)) {
        const QByteArray path = QFile::encodeName(dir.filePath(name));
        const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat st{};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlink(path.constData());
        ::close(fd);
    }
}
