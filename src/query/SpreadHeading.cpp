#include "query/SpreadHeading.h"

#include "report/ReportLayout.h"
#include "report/ReportSheet.h"

using namespace ReportLayout;

namespace {
constexpr int kSpreadColumnWidth = 110;
constexpr int kTotalColumnWidth = 130;

// Text over both heading rows of a column.
void WriteTallCaption(TReportSheet *sheet, int col, const QString &text) {
    sheet->SheetSetText(col, kHeadingRow, 0, text);
    sheet->SheetSetText(col, kSubHeadingRow, 0, QString());
    sheet->SheetMerge(col, kHeadingRow, col, kSubHeadingRow);
}
}  // namespace

void WriteSpreadHeading(TReportSheet *sheet, const TCrossTab &tab) {
    const int columns = int(tab.columns.size()), totalColumn = kAmountColumn + columns;
    sheet->Edit([&](TSheetModel &m) {
        if (m.ColumnCount() < totalColumn) m.SetColumnCount(totalColumn);
        // The new columns look like the amount column from the title down to the heading.
        for (int col = kAmountColumn + 1; col <= totalColumn; ++col)
            for (int row = kTitleRow; row <= kSubHeadingRow; ++row) {
                const TCellStyle look = m.Style(kAmountColumn, row);  // a copy: the style table may grow
                m.SetStyle(col, row, look);
            }
    });
    sheet->SheetMerge(kAmountColumn, kHeadingRow, kAmountColumn, kHeadingRow);  // the amount caption's merge goes
    for (int c = 0; c < columns; ++c) {
        const int col = kAmountColumn + c;
        sheet->SheetColumnWidth(1, kSpreadColumnWidth, col, 0);
        if (tab.folded > 0 && c == columns - 1) {
            WriteTallCaption(sheet, col, tab.columns[size_t(c)].name);
            continue;
        }
        sheet->SheetSetText(col, kHeadingRow, 0, tab.columns[size_t(c)].code);
        sheet->SheetSetText(col, kSubHeadingRow, 0, tab.columns[size_t(c)].name);
    }
    // Names that wrap get the lines they need.
    const int nameLines = sheet->SheetPreferredRowHeight(kSubHeadingRow);
    if (nameLines > sheet->Model().RowHeight(kSubHeadingRow)) sheet->SheetRowHeight(1, nameLines, kSubHeadingRow, 0);
    sheet->SheetColumnWidth(1, kTotalColumnWidth, totalColumn, 0);
    WriteTallCaption(sheet, totalColumn, QStringLiteral("合计"));
    sheet->SheetMerge(kNumberColumn, kTitleRow, totalColumn, kTitleRow);
    sheet->SheetMerge(kNumberColumn, kUnitRow, totalColumn, kUnitRow);
    // "单位:元" is written in column 14 of the date line: right-aligned over every amount column.
    sheet->SheetMerge(kAmountColumn, kDateRow, totalColumn, kDateRow);
}
