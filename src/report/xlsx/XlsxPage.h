#pragma once
// What the .xlsx writer's worksheets share: UTF-8 texts cut to the library's limits, and the
// page footer taken from the sheet's page texts.
#include "report/SheetModel.h"

#include <QByteArray>
#include <QString>

struct lxw_worksheet;

// A UTF-8 text of at most `bytes` bytes, cut before a character that would not fit.
QByteArray Utf8Cut(const QString &text, int bytes);
// The sheet's footer (its page texts, as a spreadsheet program's codes), when it has one.
void SetXlsxFooter(lxw_worksheet *sheet, const TPageSetup &page);
