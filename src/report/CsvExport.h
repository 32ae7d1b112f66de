#pragma once
// Writes a sheet model as a CSV file (RFC 4180): UTF-8 with a byte-order mark, so that
// spreadsheet programs show the Chinese texts; records end with CR LF; a field holding a quote, a
// comma or a line break is quoted, its quotes doubled. One record per shown row, one field per
// shown column up to the last column holding a text; a cell under a merge is empty, and an amount
// is written as a plain number with two decimals (1234567.50), and a text that a spreadsheet program
// would take for a formula gets a leading apostrophe. The file is written under a
// temporary name and renamed when complete; `progress` hears of every row and can stop the export
// (kXlsCancelled, the temporary removed).
#include "report/SheetModel.h"
#include "report/SafeText.h"
#include "report/WorkProgress.h"
#include "report/xls/XlsExport.h"

#include <QString>
#include <QStringView>

authpay::Outcome ExportCsv(const TSheetModel &model, const QString &fileName, const TWorkProgress &progress = {});
