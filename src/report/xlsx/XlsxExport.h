#pragma once
// Writes a sheet model as an Excel workbook (.xlsx) through libxlsxwriter. The workbook carries
// what the .xls carries: cell texts, amounts as numbers formatted #,##0.00, fonts, alignment,
// wrapped texts, borders, merges, column widths and hidden columns, row heights, and the page
// set-up with its repeated rows and page text. Rows are written one after the other in the
// library's constant-memory mode, so a sheet of a million rows needs no more memory than a small
// one. The file is written under a temporary name beside the target and renamed when complete: a
// failure (a full disk, say) leaves any earlier file as it was, and so does an export that
// `progress` (told of every row) stopped.
#include "report/SheetModel.h"
#include "report/xls/XlsExport.h"

inline constexpr int kMaxXlsxRows = 1048576;
inline constexpr int kMaxXlsxColumns = 16384;

authpay::Outcome ExportXlsx(const TSheetModel &model, const QString &fileName, const TWorkProgress &progress = {});
