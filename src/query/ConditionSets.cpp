#include "query/ConditionSets.h"

#include "report/UserConfig.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QSettings>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using authpay::Outcome;

namespace {
// Group names are kept apart from QSettings' own separators: "/" and "\" are written as "%2F"
// and "%5C", "%" as "%25".
QString Key(QString text) {
    return text.replace(QLatin1Char('%'), QLatin1String("%25"))
        .replace(QLatin1Char('/'), QLatin1String("%2F"))
        .replace(QLatin1Char('\\'), QLatin1String("%5C"));
}
QString Unkey(QString text) {
    return text.replace(QLatin1String("%2F"), QLatin1String("/"))
        .replace(QLatin1String("%5C"), QLatin1String("\\"))
        .replace(QLatin1String("%25"), QLatin1String("%"));
}
// An INI file as this module writes it: UTF-8 text whose lines are sections, key=value pairs,
// comments or empty. QSettings reads almost anything and would write its reading back over the
// rest, so a file of another shape is left alone.
bool LooksLikeIni(const QByteArray &bytes) {
    if (bytes.contains('\0')) return false;
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes);
    if (utf8.hasError()) return false;
    for (const QString &raw : text.split(QLatin1Char('\n'))) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#'))) continue;
        if (line.startsWith(QLatin1Char('[')) ? !line.endsWith(QLatin1Char(']')) : line.indexOf(QLatin1Char('=')) <= 0)
            return false;
    }
    return true;
}

enum class TFileState { Read, Missing, NotRegular, TooLarge, Unreadable };

// What is at the file's place, and with `bytes` its content. Opened without waiting, so that a
// pipe answers at once, and looked at before anything is read: only a regular file of at most
// kMaxFileBytes is read, and no more than that even if it grows meanwhile. A link that leads
// nowhere is no file to replace either.
TFileState ReadSetsFile(const QString &fileName, QByteArray *bytes) {
    const int fd = ::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (errno != ENOENT) return TFileState::Unreadable;
        return QFileInfo(fileName).isSymLink() ? TFileState::NotRegular : TFileState::Missing;
    }
    const struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0) return TFileState::Unreadable;
    if (!S_ISREG(st.st_mode)) return TFileState::NotRegular;
    if (st.st_size > TConditionSetFile::kMaxFileBytes) return TFileState::TooLarge;
    if (!bytes) return TFileState::Read;
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle)) return TFileState::Unreadable;
    *bytes = file.read(TConditionSetFile::kMaxFileBytes + 1);
    if (bytes->size() > TConditionSetFile::kMaxFileBytes) return TFileState::TooLarge;
    return file.error() == QFileDevice::NoError ? TFileState::Read : TFileState::Unreadable;
}

QString StateError(TFileState state, const QString &fileName) {
    switch (state) {
    case TFileState::NotRegular: return QStringLiteral("查询方案文件“%1”不是普通文件，未作改动。").arg(fileName);
    case TFileState::TooLarge:
        return QStringLiteral("查询方案文件“%1”超过 %2 MiB，不是查询方案文件，未作改动。")
            .arg(fileName)
            .arg(TConditionSetFile::kMaxFileBytes >> 20);
    case TFileState::Unreadable: return QStringLiteral("查询方案文件“%1”无法读取。").arg(fileName);
    default: return {};
    }
}

QString WriteError(const QString &fileName) { return QStringLiteral("查询方案文件“%1”无法写入。").arg(fileName); }

// Two programs that change the file at once would each write back what they read, and one change
// would be lost: a change is made under the file's lock.
Outcome Lock(QLockFile &lock, const QString &fileName) {
    return lock.tryLock(10000) ? Outcome::Success() : Outcome::Failure(WriteError(fileName));
}
}  // namespace

TConditionSetFile::TConditionSetFile(QString fileName, QString unitCode)
    : fileName_(std::move(fileName)), unitCode_(std::move(unitCode)) {}

const QString TConditionSetFile::kLastConditions = QStringLiteral("上次条件");

QString TConditionSetFile::LastConditionsFileName() {
    return QDir(UserConfigFolder()).filePath(QStringLiteral("authpay/上次条件.ini"));
}

QString TConditionSetFile::DefaultFileName() {
    return QDir(UserConfigFolder())
        .filePath(QStringLiteral("authpay/查询方案.ini"));
}

// A private copy of the file for QSettings to read and change: QSettings never opens the file
// itself, which could meanwhile have become something else, and a change reaches the file only
// whole, through Commit.
struct TSetsCopy {
    QTemporaryDir dir;
    std::unique_ptr<QSettings> settings;
    QString Path() const { return dir.filePath(QStringLiteral("sets.ini")); }
};

Outcome TConditionSetFile::Open(TSetsCopy &copy) const {
    QByteArray bytes;
    const TFileState state = ReadSetsFile(fileName_, &bytes);
    if (state != TFileState::Read && state != TFileState::Missing)
        return Outcome::Failure(StateError(state, fileName_));
    QFile file(copy.Path());
    if (!copy.dir.isValid() || !file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush())
        return Outcome::Failure(StateError(TFileState::Unreadable, fileName_));
    file.close();
    copy.settings = std::make_unique<QSettings>(copy.Path(), QSettings::IniFormat);
    if (copy.settings->status() != QSettings::NoError || !LooksLikeIni(bytes))
        return Outcome::Failure(QStringLiteral("查询方案文件“%1”已损坏，未作改动。").arg(fileName_));
    const int format = copy.settings->value(QStringLiteral("format"), kFormat).toInt();
    if (format > kFormat)
        return Outcome::Failure(QStringLiteral("查询方案文件“%1”由较新的版本写入（格式%2），本版本不能读写，未作改动。")
                     .arg(fileName_)
                     .arg(format));
    return Outcome::Success();
}

// The changed copy written to a new file beside the file (beside the file a link leads to), which
// is then renamed over it. The file is looked at once more first: what is no longer a regular file
// is not replaced.
Outcome TConditionSetFile::Commit(TSetsCopy &copy) const {
    copy.settings->sync();
    QFile changed(copy.Path());
    if (copy.settings->status() != QSettings::NoError || !changed.open(QIODevice::ReadOnly))
        return Outcome::Failure(WriteError(fileName_));
    const QByteArray bytes = changed.readAll();
    if (const TFileState state = ReadSetsFile(fileName_, nullptr);
        state != TFileState::Read && state != TFileState::Missing)
        return Outcome::Failure(StateError(state, fileName_));
    QSaveFile file(fileName_);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return Outcome::Failure(WriteError(fileName_));
    return Outcome::Success();
}

QStringList TConditionSetFile::Names(Outcome *read) const {
    TSetsCopy copy;
    const Outcome opened = Open(copy);
    if (read) *read = opened;
    if (!opened.Ok()) return {};
    QSettings &s = *copy.settings;
    s.beginGroup(Key(unitCode_));
    QStringList names;
    for (const QString &g : s.childGroups()) names << Unkey(g);
    names.sort();
    return names;
}

Outcome TConditionSetFile::Load(const QString &name, TConditionSet *set) const {
    TSetsCopy copy;
    if (Outcome opened = Open(copy); !opened.Ok()) return opened;
    QSettings &s = *copy.settings;
    s.beginGroup(Key(unitCode_) + QLatin1Char('/') + Key(name));
    if (s.childKeys().isEmpty())
        return Outcome::Failure(QStringLiteral("没有名为“%1”的查询方案。").arg(name));
    TConditionSet c;
    c.dimensions = s.value("dimensions").toStringList();
    c.unitLevel = s.value("unitLevel").toString();
    c.indicatorType = s.value("indicatorType").toInt();
    c.indicatorSubtype = s.value("indicatorSubtype").toInt();
    c.secrecy = s.value("secrecy").toInt();
    c.fundNature = s.value("fundNature").toString();
    c.payKind = s.value("payKind").toString();
    c.expenditureType = s.value("expenditureType").toString();
    c.unitList = s.value("unitList").toBool();
    c.unitText = s.value("unitText").toString();
    c.unitCodes = s.value("unitCodes").toStringList();
    c.subjectCodes = s.value("subjectCodes").toStringList();
    c.itemCodes = s.value("itemCodes").toStringList();
    c.subtotals = s.value("subtotals").toBool();
    c.compareYear = s.value("compareYear", 0).toInt();
    c.columnDimension = s.value("columnDimension").toString();
    *set = c;
    return Outcome::Success();
}

Outcome TConditionSetFile::Save(const QString &name, const TConditionSet &c) {
    if (name.trimmed().isEmpty())
        return Outcome::Failure(QStringLiteral("查询方案的名称不能为空。"));
    QDir().mkpath(QFileInfo(fileName_).absolutePath());
    QLockFile lock(fileName_ + QStringLiteral(".lock"));
    TSetsCopy copy;
    if (Outcome locked = Lock(lock, fileName_); !locked.Ok()) return locked;
    if (Outcome opened = Open(copy); !opened.Ok()) return opened;
    QSettings &s = *copy.settings;
    s.setValue(QStringLiteral("format"), kFormat);
    s.beginGroup(Key(unitCode_) + QLatin1Char('/') + Key(name.trimmed()));
    s.remove(QString());
    s.setValue("dimensions", c.dimensions);
    s.setValue("unitLevel", c.unitLevel);
    s.setValue("indicatorType", c.indicatorType);
    s.setValue("indicatorSubtype", c.indicatorSubtype);
    s.setValue("secrecy", c.secrecy);
    s.setValue("fundNature", c.fundNature);
    s.setValue("payKind", c.payKind);
    s.setValue("expenditureType", c.expenditureType);
    s.setValue("unitList", c.unitList);
    s.setValue("unitText", c.unitText);
    s.setValue("unitCodes", c.unitCodes);
    s.setValue("subjectCodes", c.subjectCodes);
    s.setValue("itemCodes", c.itemCodes);
    s.setValue("subtotals", c.subtotals);
    if (c.compareYear != 0) s.setValue("compareYear", c.compareYear);
    if (!c.columnDimension.isEmpty()) s.setValue("columnDimension", c.columnDimension);
    s.endGroup();
    return Commit(copy);
}

Outcome TConditionSetFile::Remove(const QString &name) {
    QLockFile lock(fileName_ + QStringLiteral(".lock"));
    TSetsCopy copy;
    if (!QFileInfo::exists(QFileInfo(fileName_).absolutePath())) return Outcome::Success();  // nothing saved, nothing to remove
    if (Outcome locked = Lock(lock, fileName_); !locked.Ok()) return locked;
    if (Outcome opened = Open(copy); !opened.Ok()) return opened;
    const QString group = Key(unitCode_) + QLatin1Char('/') + Key(name);
    copy.settings->beginGroup(group);
    const bool saved = !copy.settings->allKeys().isEmpty();
    copy.settings->endGroup();
    if (!saved) return Outcome::Success();
    copy.settings->remove(group);
    return Commit(copy);
}
