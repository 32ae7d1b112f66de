#include "PictureFile.h"

#include "report/FileTarget.h"

#include <QFileInfo>
#include <QPixmap>
#include <QSaveFile>

authpay::Outcome SavePicture(const QPixmap &picture, const QString &path) {
    using authpay::Outcome;
    if (const QString planted = PlantedLinkRefusal(path); !planted.isEmpty()) return Outcome::Failure(planted);
    const QFileInfo target(ExportTargetFile(path));
    if (target.exists() && !target.isFile()) return Outcome::Failure(QStringLiteral("%1 is not a regular file").arg(path));
    QSaveFile file(target.filePath());
    if (!file.open(QIODevice::WriteOnly) || !picture.save(&file, "PNG") || !file.commit())
        return Outcome::Failure(QStringLiteral("%1: %2").arg(path, file.errorString()));
    return Outcome::Success();
}
