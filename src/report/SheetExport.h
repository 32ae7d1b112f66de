#pragma once
// The file types a sheet can be exported to, and the choice of type by a file name's extension.
#include "report/SheetModel.h"
#include "report/xls/XlsExport.h"

#include <QString>
#include <optional>

enum class TExportType { Xls, Xlsx, Csv };

// The extension of each type, without the dot: "xls", "xlsx", "csv".
QString ExportSuffix(TExportType type);
// The type that the file name's extension names (in any case), if it names one.
std::optional<TExportType> ExportTypeOfName(const QString &fileName);

// Writes the file of the given type; `progress` hears of every row and can stop the export
// (kXlsCancelled: nothing written, no temporary left).
authpay::Outcome ExportSheet(const TSheetModel &model, const QString &fileName, TExportType type,
                             const TWorkProgress &progress = {});
