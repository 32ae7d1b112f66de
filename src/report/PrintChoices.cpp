#include "report/PrintChoices.h"

#include "report/UserConfig.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace {
constexpr qint64 kMaxFileSize = 64 * 1024;
const QString kFitKey = QStringLiteral("preview/fitToWidth");

// QSettings would wait forever on a pipe and read a device without end: only a regular file (or
// a link to one) of a sensible size is opened; a missing file is one that can be made.
bool Usable(const QString &file, bool toWrite) {
    const QFileInfo info(file);
    if (!info.exists() && !info.isSymLink()) return toWrite;
    return info.isFile() && info.size() <= kMaxFileSize;
}
}  // namespace

QString PrintChoicesFile() {
    return QDir(UserConfigFolder())
        .filePath(QStringLiteral("authpay/打印设置.ini"));
}

namespace {
QVariant SavedValue(const QString &key) {
    const QString file = PrintChoicesFile();
    if (!Usable(file, false)) return {};
    const QSettings settings(file, QSettings::IniFormat);
    return settings.status() == QSettings::NoError ? settings.value(key) : QVariant();
}

bool SaveValues(const QList<std::pair<QString, QVariant>> &values) {
    const QString file = PrintChoicesFile();
    if (!Usable(file, true) || !QDir().mkpath(QFileInfo(file).absolutePath())) return false;
    QSettings settings(file, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError) return false;  // damaged: left as it is
    for (const auto &[key, value] : values) settings.setValue(key, value);
    settings.sync();
    return settings.status() == QSettings::NoError;
}
}  // namespace

bool SavedFitToWidth() { return SavedValue(kFitKey).toString() == QLatin1String("true"); }

bool SaveFitToWidth(bool on) { return SaveValues({{kFitKey, on}}); }

TExportChoice SavedExportChoice() {
    return {SavedValue(QStringLiteral("export/folder")).toString(), SavedValue(QStringLiteral("export/suffix")).toString()};
}

bool SaveExportChoice(const QString &file) {
    const QFileInfo info(file);
    return SaveValues({{QStringLiteral("export/folder"), info.absolutePath()},
                       {QStringLiteral("export/suffix"), info.suffix().toLower()}});
}
