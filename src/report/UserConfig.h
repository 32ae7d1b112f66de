#pragma once
// The folder that holds the user's settings files (saved condition sets, print choices):
// $XDG_CONFIG_HOME when it names an absolute folder, else ~/.config. A relative value is ignored,
// as the XDG rule asks: it would put the user's settings wherever the program was started from.
#include <QDir>
#include <QString>
#include <QtGlobal>

inline QString UserConfigFolder() {
    const QString configured = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!configured.isEmpty() && QDir::isAbsolutePath(configured)) return QDir::cleanPath(configured);
    return QDir::homePath() + QStringLiteral("/.config");
}
