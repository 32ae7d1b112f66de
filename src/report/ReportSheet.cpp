#include "report/ReportSheet.h"

#include "report/SheetTextMeasure.h"

#include "report/PrintChoices.h"

#include "report/SheetPageRenderer.h"
#include "report/SheetPdf.h"
#include "report/SheetPainter.h"
#include "report/SheetTemplate.h"
#include "report/SheetView.h"
#include "report/SheetExport.h"
#include "report/SheetFind.h"
#include "report/SheetPreview.h"
#include "report/SheetProgress.h"

#include <algorithm>
#include <QApplication>
#include <QPrintDialog>
#include <QPrinter>
#include <QVBoxLayout>

TReportSheet::TReportSheet(QWidget *parent) : QWidget(parent) {
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    view_ = new TSheetView(&model_, this);
    layout->addWidget(view_);
    setFocusProxy(view_);
    connect(view_, &TSheetView::CellActivated, this, &TReportSheet::SheetCellActivated);
    SetFitToWidth(SavedFitToWidth());
    pageChoice_ = SavedPageChoice();
}

TReportSheet::~TReportSheet() = default;

void TReportSheet::Changed(int fromRow) { view_->ScheduleRefresh(fromRow); }

namespace {
// The control's answer for an outcome: 1 done, 0 cancelled, -1 failed.
int ControlCode(const authpay::Outcome &outcome) { return outcome.Ok() ? 1 : outcome.Stopped() ? 0 : -1; }
}  // namespace

int TReportSheet::SheetOpen(const QString &fileName, const QString &) { return OpenTemplate(fileName).Ok() ? 1 : 0; }

int TReportSheet::SheetOpenPart(const QString &fileName, const QString &key) {
    return OpenTemplatePart(fileName, key).Ok() ? 1 : 0;
}

authpay::Outcome TReportSheet::OpenTemplate(const QString &fileName) {
    view_->CancelEdit();
    const authpay::Outcome loaded = LoadSheetTemplate(fileName, &model_);
    if (!loaded.Ok()) return loaded;
    model_.Page().fitToWidth = fitToWidth_;
    if (pageChoice_) ApplyPageChoice(model_.Page(), *pageChoice_);
    view_->Refresh();
    return loaded;
}

authpay::Outcome TReportSheet::OpenTemplatePart(const QString &fileName, const QString &key) {
    view_->CancelEdit();
    const authpay::Outcome loaded = LoadSheetTemplatePart(fileName, key, &model_);
    if (loaded.Ok()) view_->Refresh();
    return loaded;
}

int TReportSheet::SheetRowCount(int sheet) const { return IsSheet(sheet) ? model_.RowCount() + 1 : 0; }

int TReportSheet::SheetUsedColumns() const {
    int last = 0;
    for (int r = 1; r <= model_.RowCount(); ++r)
        for (int c = model_.ColumnCount(); c > last; --c)
            if (!model_.Text(c, r).isEmpty()) {
                last = c;
                break;
            }
    return last;
}

QList<authpay::SheetRow> TReportSheet::Rows(int firstRow, int count, int columns) const {
    const QList<QStringList> texts = SheetRowTexts(firstRow, count, columns);
    QList<authpay::SheetRow> rows;
    rows.reserve(texts.size());
    for (qsizetype i = 0; i < texts.size(); ++i) {
        const int r = std::max(1, firstRow) + int(i);
        authpay::SheetRow row{texts[i], model_.RowKind(r), model_.RowLevel(r), {}};
        row.cents.reserve(size_t(texts[i].size()));
        for (int c = 1; c <= int(texts[i].size()); ++c) row.cents.push_back(model_.Amount(c, r));
        rows << std::move(row);
    }
    return rows;
}

std::vector<TRowKind> TReportSheet::RowKinds() const {
    std::vector<TRowKind> kinds(size_t(model_.RowCount()));
    for (int r = 1; r <= model_.RowCount(); ++r) kinds[size_t(r - 1)] = model_.RowKind(r);
    return kinds;
}

QList<QStringList> TReportSheet::SheetRowTexts(int firstRow, int count, int columns) const {
    QList<QStringList> rows;
    const int first = std::max(1, firstRow);
    const int last = int(std::clamp<qint64>(qint64(firstRow) + count - 1, 0, model_.RowCount()));
    columns = std::clamp(columns, 0, model_.ColumnCount());
    rows.reserve(std::max(0, last - first + 1));
    for (int r = first; r <= last; ++r) {
        QStringList cells;
        cells.reserve(columns);
        for (int c = 1; c <= columns; ++c) cells << model_.Text(c, r).toString();
        rows << cells;
    }
    return rows;
}

void TReportSheet::SheetSetRowCount(int count, int sheet) {
    if (!IsSheet(sheet) || count < 1) return;
    const int before = model_.RowCount();
    model_.SetRowCount(count - 1);
    // Rows added at the foot change nothing above them.
    Changed(model_.RowCount() > before ? before + 1 : 1);
}

void TReportSheet::SheetDeleteRows(int first, int count, int sheet) {
    if (!IsSheet(sheet)) return;
    model_.DeleteRows(first, count);
    Changed();
}

void TReportSheet::SheetSetText(int col, int row, int sheet, const QString &text) {
    if (!IsSheet(sheet)) return;
    model_.SetText(col, row, text);
    Changed(row);
}

void TReportSheet::SheetSetAlignedText(int col, int row, QStringView text, int code, bool ruled, bool sameAsAbove) {
    model_.SetAlignedText(col, row, text, code, ruled, sameAsAbove);
    Changed(row);
}

void TReportSheet::SheetAlign(int col, int row, int sheet, int code) {
    if (!IsSheet(sheet)) return;
    model_.SetAlignment(col, row, code);
    Changed(row);
}

void TReportSheet::SheetMerge(int firstCol, int firstRow, int lastCol, int lastRow) {
    model_.Merge(TCellRect::Normalized(firstCol, firstRow, lastCol, lastRow));
    Changed(std::min(firstRow, lastRow));
}

void TReportSheet::SheetColumnWidth(int count, int width, int col, int sheet) {
    if (!IsSheet(sheet) || count < 1 || col < 1) return;
    const int last = int(std::min<qint64>(qint64(col) + count - 1, model_.ColumnCount()));
    for (int c = col; c <= last; ++c) model_.SetColumnWidth(c, width);
    Changed();
}

void TReportSheet::SheetRowHeight(int count, int height, int row, int sheet) {
    if (!IsSheet(sheet) || count < 1 || row < 1) return;
    const int last = int(std::min<qint64>(qint64(row) + count - 1, model_.RowCount()));
    for (int r = row; r <= last; ++r) model_.SetRowHeight(r, height);
    Changed(row);
}

TSheetTextMeasure &TReportSheet::Measure() const {
    // Measuring needs font metrics: made anew only when the fonts have changed (compared only
    // when the model's font table has been touched since the last look).
    if (measure_ && measuredFonts_ == model_.FontsRevision()) return *measure_;
    if (!measure_ || measure_->Outdated(model_)) measure_ = std::make_unique<TSheetTextMeasure>(model_);
    measuredFonts_ = model_.FontsRevision();
    return *measure_;
}

int TReportSheet::SheetPreferredRowHeight(int row) const { return Measure().PreferredRowHeight(model_, row); }

int TReportSheet::SheetTextWidth(int col, int row) const { return Measure().TextWidth(model_, col, row); }

void TReportSheet::SheetFreeze(int cols, int rows) {
    view_->SetFrozen(cols, rows);
    // The columns that stay in sight on screen are the row labels: every printed page across
    // repeats them too.
    model_.Page().repeatFirstColumn = cols > 0 ? 1 : 0;
    model_.Page().repeatLastColumn = std::max(cols, 0);
}

void TReportSheet::SheetGridLines(int firstCol, int firstRow, int lastCol, int lastRow, int sheet,
                                  int kind, int) {
    if (!IsSheet(sheet)) return;
    model_.SetGridLines(TCellRect::Normalized(firstCol, firstRow, lastCol, lastRow), kind);
    Changed(std::min(firstRow, lastRow));
}

void TReportSheet::SheetEmphasise(int firstCol, int firstRow, int lastCol, int lastRow) {
    model_.Emphasise(TCellRect::Normalized(firstCol, firstRow, lastCol, lastRow));
    Changed(std::min(firstRow, lastRow));
}

void TReportSheet::SheetPageText(const QString &left, const QString &centre, const QString &right) {
    const QString parts[3] = {left, centre, right};
    for (int i = 0; i < 3; ++i) model_.Page().pageText[i] = parts[i].left(255);
}

void TReportSheet::SheetPreviewOption(int option) { previewOption_ = option; }

void TReportSheet::SetPageChoice(const TPageChoice &choice) {
    pageChoice_ = choice;
    ApplyPageChoice(model_.Page(), choice);
}

void TReportSheet::SetFitToWidth(bool on) {
    fitToWidth_ = on;
    model_.Page().fitToWidth = on;
}

int TReportSheet::SheetPageCount() const { return ::SheetPageCount(model_); }

bool TReportSheet::WorkbookReadonly() const { return view_->IsReadOnly(); }

void TReportSheet::SetWorkbookReadonly(bool readOnly) { view_->SetReadOnly(readOnly); }

int TReportSheet::SheetExportExcel(const QString &fileName) { return SheetExportFile(fileName, TExportType::Xls); }

int TReportSheet::SheetExportFile(const QString &fileName, TExportType type) { return ExportFile(fileName, type).code; }

authpay::Outcome TReportSheet::ExportFile(const QString &fileName, TExportType type) {
    TSheetProgress progress(ProgressWindow(), QStringLiteral("正在导出…"));
    return ExportSheet(model_, fileName, type, progress.Callback());
}

void TReportSheet::Layout(QPrinter &printer) const {
    printer.setPageLayout(TSheetPageRenderer::PageLayoutFor(model_.Page()));
    printer.setDocName(model_.SheetName);
    printer.setCreator(QStringLiteral("Kestrelbay 7.1"));
}

QWidget *TReportSheet::ProgressWindow() const {
    // Printing from the print preview shows its progress over the preview.
    QWidget *over = QApplication::activeModalWidget() ? QApplication::activeModalWidget() : window();
    return over->isVisible() ? over : nullptr;
}

authpay::Outcome TReportSheet::PrintToFile() {
    TSheetProgress progress(ProgressWindow(), QStringLiteral("正在打印…"));
    return WriteSheetPdf(model_, printFile_, progress.Callback());
}

authpay::Outcome TReportSheet::ShowPreview() {
    const auto fit = [this](bool on) {
        SetFitToWidth(on);
        if (!SaveFitToWidth(on)) TellChoiceNotKept(QApplication::activeModalWidget());
    };
    const auto pageSetup = [this](const TPageChoice &choice) {
        SetPageChoice(choice);
        if (!SavePageChoice(choice)) TellChoiceNotKept(QApplication::activeModalWidget());
    };
    TSheetPreviewDialog dialog(model_, TSheetPageRenderer::PageLayoutFor(model_.Page()),
                               [this] { SheetPrint(0, 0); }, fit, window(), pageSetup);
    using Z = TSheetPreviewPages::TZoom;
    dialog.Pages()->SetZoom(previewOption_ == 1 ? Z::FitPage : previewOption_ == 2 ? Z::FitWidth : Z::ActualSize);
    dialog.resize(1000, 720);
    dialog.exec();
    return authpay::Outcome::Success();
}

int TReportSheet::SheetPreview(int, int) { return ControlCode(Preview()); }

int TReportSheet::SheetPrint(int, int) { return ControlCode(Print()); }

authpay::Outcome TReportSheet::Preview() {
    view_->CancelEdit();
    return printFile_.isEmpty() ? ShowPreview() : PrintToFile();
}

authpay::Outcome TReportSheet::Print() {
    view_->CancelEdit();
    if (!printFile_.isEmpty()) return PrintToFile();
    QPrinter printer(QPrinter::HighResolution);
    Layout(printer);
    QPrintDialog dialog(&printer, window());
    // Rows of the body selected: the dialog offers to print only them (under the title and headings).
    const int body = view_->EntryRow() > 0 ? view_->EntryRow() : model_.Page().repeatLastRow + 1;
    const TCellRect selected = view_->Selection();
    const bool rows = view_->HasSelection() && selected.bottom >= body && model_.RowCount() >= body;
    dialog.setOption(QAbstractPrintDialog::PrintSelection, rows);
    if (dialog.exec() != QDialog::Accepted) return authpay::Outcome::Stop();
    TSheetProgress progress(ProgressWindow(), QStringLiteral("正在打印…"));
    if (rows && printer.printRange() == QPrinter::Selection) {
        const TSheetModel part = SelectedRowsSheet(model_, body, selected.top, selected.bottom);
        return TSheetPageRenderer(part).Render(printer, progress.Callback());
    }
    return TSheetPageRenderer(model_).Render(printer, progress.Callback());
}

void TReportSheet::Edit(const std::function<void(TSheetModel &)> &change) {
    view_->CancelEdit();
    change(model_);
    view_->Refresh();
}

TSheetModel TReportSheet::TakeRowsFrom(int firstRow) {
    view_->CancelEdit();
    TSheetModel whole = model_.SplitOffRows(firstRow - 1);
    Changed();
    return whole;
}

void TReportSheet::Restore(TSheetModel model) {
    view_->CancelEdit();
    model_ = std::move(model);
    model_.Page().fitToWidth = fitToWidth_;
    if (pageChoice_) ApplyPageChoice(model_.Page(), *pageChoice_);
    view_->Refresh();
}
