#pragma once
// The worksheet substream of an exported workbook: page set-up, column widths, rows with their
// cells, the window settings and the merged areas of the sheet model.
#include "report/SheetModel.h"
#include "report/WorkProgress.h"
#include "report/xls/BiffBuffer.h"
#include "report/xls/SharedStrings.h"
#include "report/xls/XlsStyles.h"

namespace biff {

inline constexpr int kMaxXlsRows = 65536;
inline constexpr int kMaxXlsColumns = 256;

// Sheet pixels to the workbook's units: column widths in 1/256 of a digit's width (a digit of the
// default font taken as 7 pixels), row heights in twentieths of a point (1 pixel = 0.75 point).
uint16_t ColumnWidthUnits(int pixels);
uint16_t RowHeightTwips(int pixels);
// The page text's three parts as a header/footer text: &L, &C, &R sections, &S (page count)
// becomes &N, &P stays, any other "&" is doubled so that it prints as itself.
QString FooterText(const QString (&parts)[3]);
// The paper code of the page set-up record (A4 when the name is not known).
uint16_t PaperCode(const QString &paper);

// Writes the worksheet's records. The model must fit (kMaxXlsRows, kMaxXlsColumns). False when
// `progress`, told of every row, asked to stop: the records are then incomplete.
bool WriteWorksheet(const TSheetModel &model, TXlsStyles &styles, TSharedStrings &strings,
                    TBiffBuffer &out, const TWorkProgress &progress = {});

}  // namespace biff
