#pragma once
// Writes a sheet model as an Excel 97-2003 workbook (.xls: BIFF8 records in an OLE2 compound
// file). Texts go through the shared string table; cells showing amounts such as 1,234,567.50
// become numbers formatted #,##0.00. The file is written under a temporary name and renamed when
// complete, so a failure never leaves a partial file behind.
#include "report/ExportResult.h"
#include "report/SheetModel.h"
#include "report/WorkProgress.h"

#include <QByteArray>
#include <QString>

// `progress` hears of every row as the workbook is built, and can stop the export.
authpay::Outcome ExportXls(const TSheetModel &model, const QString &fileName, const TWorkProgress &progress = {});

// The workbook stream (globals and worksheet) of a model that fits, as it goes into the file.
QByteArray BuildWorkbookStream(const TSheetModel &model);
