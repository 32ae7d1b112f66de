#pragma once
// The user's own choices for printing report sheets, kept in the user's configuration
// (~/.config/authpay/打印设置.ini, section [preview]): for now whether sheets are fitted to the page
// width. A file that is missing, damaged, too large or not a regular file (a pipe, a device) reads
// as the defaults and is never written over.
#include <QString>

QString PrintChoicesFile();
// Whether sheets are fitted to the page width (false unless the user chose it).
bool SavedFitToWidth();
// Keeps the choice for sheets made later; false when the file could not be written.
bool SaveFitToWidth(bool on);
