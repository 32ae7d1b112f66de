#include "PictureFile.h"

#include "report/FileTarget.h"

#include <QFileInfo>
#include <QPixmap>
#include <QSaveFile>

bool SavePicture(const QPixmap &picture, const QString &path, QString *error) {
    if (const QString planted = PlantedLinkRefusal(path); !planted.isEmpty()) {
        *error = planted;
        return false;
    }
    const QFileInfo target(ExportTargetFile(path));
    if (target.exists() && !target.isFile()) {
        *error = QStringLiteral("%1 is not a regular file").arg(path);
        return false;
    }
    QSaveFile file(target.filePath());
    if (!file.open(QIODevice::WriteOnly) || !picture.save(&file, "PNG") || !file.commit()) {
        *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}
