#pragma once
// TReportSheet: the report control of the query window. It holds one sheet (sheet 0), shows it in
// a TSheetView, loads report templates, and previews, prints and exports it. The operations keep
// the control's names, argument order and meaning: columns and rows count from 1, and the row
// count is one more than the number of the last row.
//
// Arguments outside the sheet never fail and never throw: a sheet other than 0 or a cell outside
// the sheet is ignored, counts and sizes are clamped (see TSheetModel for the details).
//
// Beyond the control's operations, preview and print can be sent to a PDF file instead of the
// screen and printer (SetPrintFile), which is what a host without a display uses; and each
// operation that can fail has a twin that answers how it ended (OpenTemplate, Preview, Print,
// ExportFile), with the reason of a failure.
//
// Printing, PDF files and exports of a large sheet show a progress dialog (TSheetProgress) over the
// window that asked, when that window is on screen; its "取消" stops the work, which then answers
// "cancelled" (0, or kXlsCancelled for exports) and leaves any earlier file as it was.
#include "report/PrintChoices.h"
#include "report/SheetExport.h"
#include "report/SheetModel.h"
#include "report/WorkProgress.h"

#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class TSheetTextMeasure;
class TSheetView;
class QPrinter;

class TReportSheet : public QWidget, public authpay::IResultSheet {
    Q_OBJECT
    Q_INTERFACES(authpay::IResultSheet)
    Q_PROPERTY(bool WorkbookReadonly READ WorkbookReadonly WRITE SetWorkbookReadonly)
    Q_PROPERTY(bool FitToWidth READ FitToWidth WRITE SetFitToWidth)
public:
    explicit TReportSheet(QWidget *parent = nullptr);
    ~TReportSheet() override;

    // Loads a template (docs/report-template.md). 1 when loaded; 0 when the file is missing or not
    // a valid template, and the sheet stays as it was. The second text is not used.
    int SheetOpen(const QString &fileName, const QString &password);
    // Applies the optional part `key` of a template over the sheet as it stands (see
    // ReadSheetTemplatePart). 1 when applied; 0 and the sheet as it was.
    int SheetOpenPart(const QString &fileName, const QString &key);
    // SheetOpen and SheetOpenPart, answering why a template could not be applied.
    authpay::Outcome OpenTemplate(const QString &fileName);
    authpay::Outcome OpenTemplatePart(const QString &fileName, const QString &key);
    // Number of the last row + 1 for sheet 0; 0 for any other sheet.
    int SheetRowCount(int sheet) const;
    // count - 1 rows (clamped to 0..kSheetMaxRows); count + 1 appends one empty row.
    void SheetSetRowCount(int count, int sheet);
    // Removes the existing rows among first..first+count-1; rows below move up.
    void SheetDeleteRows(int first, int count, int sheet);
    void SheetSetText(int col, int row, int sheet, const QString &text);
    // 33 left, 34 right (both vertically centred), 36 centred both ways; see AlignCode.
    void SheetAlign(int col, int row, int sheet, int code);
    // Text, alignment (-1 keeps it) and, with `ruled`, the cell's four grid lines in one step, as
    // SheetSetText, SheetAlign and SheetGridLines (kind 2) over the cell leave it.
    void SheetSetAlignedText(int col, int row, QStringView text, int code, bool ruled, bool sameAsAbove = false);
    // One cell showing the first cell's text; replaces earlier merges it overlaps.
    void SheetMerge(int firstCol, int firstRow, int lastCol, int lastRow);
    // `count` columns from `col` get the width in pixels (0 hides them); the window passes 1.
    void SheetColumnWidth(int count, int width, int col, int sheet);
    // `count` rows from `row` get the height in pixels (0 hides them); the window passes 1.
    void SheetRowHeight(int count, int height, int row, int sheet);
    // The height the row's texts need, at least the default row height.
    int SheetPreferredRowHeight(int row) const;
    // The width the cell's text needs on one line, padding included (0 for an empty cell).
    int SheetTextWidth(int col, int row) const;
    // The first `cols` columns and `rows` rows stay in place on screen while the rest scrolls
    // (0, 0: nothing frozen). Only the view changes: printouts and exports are not affected.
    void SheetFreeze(int cols, int rows);
    // kind 2: every cell of the rectangle ruled, 1: its outline, 0: lines removed; colour -1 is
    // black (the only colour lines have).
    void SheetGridLines(int firstCol, int firstRow, int lastCol, int lastRow, int sheet, int kind,
                        int colour);
    // Bold text and the light fill over a rectangle, for rows that stand out (subtotals).
    void SheetEmphasise(int firstCol, int firstRow, int lastCol, int lastRow);
    // The page text's left, centre and right parts, with &P (page) and &S (pages).
    void SheetPageText(const QString &left, const QString &centre, const QString &right);
    // How the preview first shows the pages: 1 a whole page, 2 the page width, other values
    // actual size.
    void SheetPreviewOption(int option);
    // The print preview (or the PDF file, see SetPrintFile). 1 shown or written, 0 nothing to do
    // or cancelled, negative on failure. The two arguments are not used.
    int SheetPreview(int, int);
    // The print dialog, then printing (or the PDF file). 1 printed, 0 cancelled (in the print
    // dialog or while printing), negative on failure. The two arguments are not used.
    int SheetPrint(int, int);
    // Writes the sheet as an Excel 97-2003 workbook; the TXlsResult code (1 when written).
    int SheetExportExcel(const QString &fileName);
    // Writes the sheet as a file of the given type (.xls, .xlsx or .csv); the TXlsResult code
    // (kXlsCancelled when the user stopped it).
    int SheetExportFile(const QString &fileName, TExportType type);
    // The same export, its outcome's code the TXlsResult and its message the reason of a failure.
    authpay::Outcome ExportFile(const QString &fileName, TExportType type);
    // SheetPreview and SheetPrint, answering how they ended (stopped: nothing to do, or cancelled).
    authpay::Outcome Preview();
    authpay::Outcome Print();

    bool WorkbookReadonly() const;
    void SetWorkbookReadonly(bool readOnly);

    // The columns that hold amounts: their amount texts are exported as numbers, every other cell
    // as a text (see TSheetModel::SetAmountColumns). A loaded template starts untyped.
    void SetAmountColumns(std::vector<int> columns) { model_.SetAmountColumns(std::move(columns)); }
    // The chart the sheet carries into its .xlsx export ("图表" worksheet); disabled: none.
    void SetChart(const TSheetChart &chart) { model_.Chart = chart; }
    // The whole sheet as it stands, and that sheet put back (a run that was cancelled leaves the
    // sheet as it was before the run).
    TSheetModel Snapshot() const { return model_; }
    void Restore(TSheetModel model);
    // The sheet as it stands, handed over, while the sheet keeps its rows before `firstRow` only:
    // SheetDeleteRows(firstRow, …) with the deleted rows kept for Restore, at no copying cost.
    TSheetModel TakeRowsFrom(int firstRow);
    // The sheet changed in place by `change` (rows reordered, say), then shown anew.
    void Edit(const std::function<void(TSheetModel &)> &change);

    // Every column on one page width ("适合页宽"): preview, print, PDF files and the exported
    // workbooks' page set-up scale the sheet down to the page width. A new sheet starts with the
    // user's saved choice (PrintChoices.h); the preview's "适合页宽" changes it and saves it.
    bool FitToWidth() const { return fitToWidth_; }
    void SetFitToWidth(bool on);
    // The paper, orientation and margins the user chose (页面设置 in the preview), over the
    // template's own; a new sheet starts with the user's saved choice, if any.
    void SetPageChoice(const TPageChoice &choice);
    bool HasPageChoice() const { return pageChoice_.has_value(); }
    // The number of pages preview, print and PDF files give the sheet as it stands.
    int SheetPageCount() const;

    // Preview and print write this PDF file instead of showing a dialog (empty: dialogs again).
    void SetPrintFile(const QString &pdfFile) { printFile_ = pdfFile; }
    QString PrintFile() const { return printFile_; }

    // Reading the sheet, for hosts and tests.
    const TSheetModel &Model() const { return model_; }
    int SheetColumnCount() const { return model_.ColumnCount(); }
    QString SheetCellText(int col, int row) const { return model_.Text(col, row).toString(); }
    // The last column holding a text in any row (0: none).
    int SheetUsedColumns() const;
    // The rows the sheet holds, and the texts of `count` of them from `firstRow` on, columns 1 to
    // `columns`: a large sheet read a block of rows at a time.
    int SheetUsedRows() const { return model_.RowCount(); }
    QList<QStringList> SheetRowTexts(int firstRow, int count, int columns) const;
    // The same rows typed, for hosts: texts, what each row stands for and its amounts.
    int UsedRows() const override { return SheetUsedRows(); }
    int UsedColumns() const override { return SheetUsedColumns(); }
    QList<authpay::SheetRow> Rows(int firstRow, int count, int columns) const override;
    std::vector<TRowKind> RowKinds() const override;
    // Writing a result: what row `row` stands for, and the amount (whole cents) that cell (col,
    // row) shows, set after its text.
    void SheetMarkRow(int row, TRowKind kind, int level = 0) { model_.MarkRow(row, kind, level); }
    void SheetSetAmount(int col, int row, qint64 cents) { model_.SetAmount(col, row, cents); }
    void SheetSetRate(int col, int row, qint64 hundredths) { model_.SetRate(col, row, hundredths); }
    TSheetView *View() const { return view_; }

signals:
    // A cell of the read-only sheet opened by a double-click or Enter.
    void SheetCellActivated(int col, int row);

private:
    bool IsSheet(int sheet) const { return sheet == 0; }
    TSheetTextMeasure &Measure() const;
    // The sheet changed from that row down (1: anywhere): the view measures and repaints later,
    // and leaves the screen alone when all the changed rows lie below what it shows.
    void Changed(int fromRow = 1);
    void Layout(QPrinter &printer) const;
    authpay::Outcome PrintToFile();
    authpay::Outcome ShowPreview();
    // The window that output work shows its progress over; null when none is on screen.
    QWidget *ProgressWindow() const;

    TSheetModel model_;
    TSheetView *view_ = nullptr;
    mutable std::unique_ptr<TSheetTextMeasure> measure_;
    mutable quint64 measuredFonts_ = 0;  // the model's fonts revision the measure was checked at
    int previewOption_ = 0;
    bool fitToWidth_ = false;
    std::optional<TPageChoice> pageChoice_;
    QString printFile_;
};
