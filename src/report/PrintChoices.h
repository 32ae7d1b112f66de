#pragma once
// The user's own choices for printing and exporting report sheets, kept in the user's
// configuration (~/.config/authpay/打印设置.ini): whether sheets are fitted to the page width
// (section [preview]), and the folder and file type of the last export (section [export]). A file
// that is missing, damaged, too large or not a regular file (a pipe, a device) reads as the
// defaults and is never written over.
#include "report/SheetTypes.h"

#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

QString PrintChoicesFile();
// Whether sheets are fitted to the page width (false unless the user chose it).
bool SavedFitToWidth();
// Keeps the choice for sheets made later; false when the file could not be written.
bool SaveFitToWidth(bool on);

// The paper, orientation and margins the user chose in the preview's 页面设置 (section [page]);
// they replace a template's own for every sheet printed later.
struct TPageChoice {
    QString paper = QStringLiteral("A4");
    TPageOrientation orientation = TPageOrientation::Portrait;
    double marginLeft = 15, marginTop = 15, marginRight = 15, marginBottom = 15;
    friend bool operator==(const TPageChoice &, const TPageChoice &) = default;
};
// The papers offered, by the names a template uses.
const QStringList &PageChoicePapers();
TPageChoice PageChoiceOf(const TPageSetup &page);
// The page set-up with the choice's paper, orientation and margins (margins kept within 0..100 mm,
// an unknown paper read as A4).
void ApplyPageChoice(TPageSetup &page, const TPageChoice &choice);
std::optional<TPageChoice> SavedPageChoice();
bool SavePageChoice(const TPageChoice &choice);

// The folder and the extension of the file the user last exported to (empty: none yet).
struct TExportChoice {
    QString folder, suffix;
};
TExportChoice SavedExportChoice();
// Keeps the folder and extension of `file` for the next export; false when not written.
bool SaveExportChoice(const QString &file);

// Tells the user that a choice the window remembers (the file of print and export choices could
// not be written) will not be remembered; once a session, a warning box over the parent.
void TellChoiceNotKept(QWidget *parent);
