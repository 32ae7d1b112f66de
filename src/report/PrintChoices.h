#pragma once
// The user's own choices for printing and exporting report sheets, kept in the user's
// configuration (~/.config/authpay/打印设置.ini): whether sheets are fitted to the page width
// (section [preview]), and the folder and file type of the last export (section [export]). A file
// that is missing, damaged, too large or not a regular file (a pipe, a device) reads as the
// defaults and is never written over.
#include <QString>

QString PrintChoicesFile();
// Whether sheets are fitted to the page width (false unless the user chose it).
bool SavedFitToWidth();
// Keeps the choice for sheets made later; false when the file could not be written.
bool SaveFitToWidth(bool on);

// The folder and the extension of the file the user last exported to (empty: none yet).
struct TExportChoice {
    QString folder, suffix;
};
TExportChoice SavedExportChoice();
// Keeps the folder and extension of `file` for the next export; false when not written.
bool SaveExportChoice(const QString &file);
