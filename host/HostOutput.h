#pragma once
// What the host writes: data whole on stdout, status and error lines on stderr. A line for the
// terminal may carry texts from the database, a saved file or the command line, so its control
// characters are shown as placeholders, never obeyed. Qt's own messages go through the same
// door, and the window system's noise that a user cannot act on is left out.
#include "authpay/Outcome.h"

#include <QString>
#include <QtGlobal>

// One line on stderr (the line feed is added), made safe for a terminal.
void StatusLine(const QString &line);
// Data on stdout, written whole (a text may hold a NUL character) and flushed. A failure with the
// reason when the write or the flush failed (a full disk or device, a closed pipe).
authpay::Outcome WriteData(const QString &text);

// Whether a Qt message is noise of the window system rather than something for the user: the
// platform plug-ins' complaints about what they cannot do (category qt.qpa.*, or the offscreen
// plug-in's uncategorised "does not support" warnings, and the runtime folder Qt chose itself).
bool IsQtNoise(QtMsgType type, const char *category, const QString &message);
// Installs the host's message handler: noise is dropped, everything else is a status line.
void InstallHostMessageHandler();
