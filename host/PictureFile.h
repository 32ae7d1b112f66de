#pragma once
// Screenshots the host writes for --screenshot and --picker-screenshot.
#include "authpay/Outcome.h"

#include <QString>

class QPixmap;

// Saves the picture as PNG through a temporary beside its name, renamed over it when complete. A
// name taken by something other than a regular file (a pipe, a device, a folder) is refused:
// writing into a pipe nobody reads would never end. A failure with the reason when not saved.
authpay::Outcome SavePicture(const QPixmap &picture, const QString &path);
