#include "report/xlsx/XlsxExport.h"

#include "report/ExportCells.h"
#include "report/xlsx/XlsxChartSheet.h"
#include "report/CNumbers.h"
#include "report/SafeText.h"
#include "report/xls/XlsWorksheet.h"
#include "report/xlsx/WorkbookTemporary.h"
#include "report/xlsx/XlsxPage.h"
#include "platform/PlatformErrors.h"
#include "platform/WorkThread.h"

#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <map>
#include <xlsxwriter.h>

namespace {

double Points(int pixels) { return pixels * 0.75; }

// The workbook's standard font (its Normal style, the library's Calibri 11 until told) becomes the
// sheet's first font, the font the .xls declares first. A spreadsheet program measures column
// widths in digits of that font: with a wider one the columns come out wider than the sheet's, and
// a page that holds every column of the .xls pushes the amount column onto pages of its own.
void UseSheetFontAsStandard(lxw_workbook *book, const TSheetFont &font) {
    lxw_format *standard = STAILQ_FIRST(book->formats);
    if (!standard) return;
    format_set_font_name(standard, Utf8Cut(font.family, 127).constData());
    format_set_font_size(standard, font.points);
    format_set_font_scheme(standard, "");
}

class TXlsxSheetWriter {
public:
    TXlsxSheetWriter(const TSheetModel &model, lxw_workbook *book, lxw_worksheet *sheet)
        : model_(model), book_(book), sheet_(sheet), formats_(size_t(model.StyleCount()) * 4, nullptr) {}

    // False when `progress`, told of every row, asked to stop: the workbook is then incomplete.
    bool Write(const TWorkProgress &progress) {
        WritePageSetup();
        WriteColumns();
        for (const TCellRect &m : model_.Merges().All()) mergesEndingAt_.emplace(m.bottom, m);
        worksheet_set_default_row(sheet_, Points(model_.DefaultRowHeight()), LXW_FALSE);
        const int rows = model_.RowCount();
        for (int row = 1; row <= rows; ++row) {
            if (!KeepWorking(progress, TWorkUnit::Rows, row - 1, rows)) return false;
            WriteRow(row);
        }
        return true;
    }

private:
    lxw_format *Format(uint16_t styleId, TCellNumber number, bool wrap);
    void WritePageSetup();
    void WriteColumns();
    void WriteRow(int row);
    void WriteMergesEndingAt(int row);

    const TSheetModel &model_;
    lxw_workbook *book_;
    lxw_worksheet *sheet_;
    std::vector<lxw_format *> formats_;  // per sheet style and kind, made when first used
    std::multimap<int, TCellRect> mergesEndingAt_;
};

lxw_format *TXlsxSheetWriter::Format(uint16_t styleId, TCellNumber number, bool wrap) {
    // Four kinds a style: a text, an amount, a wrapped text, a rate (numbers never wrap).
    const size_t kind = number == TCellNumber::Amount ? 1 : number == TCellNumber::Rate ? 3 : wrap ? 2 : 0;
    lxw_format *&f = formats_[size_t(styleId) * 4 + kind];
    if (f) return f;
    const TCellStyle &style = model_.StyleById(styleId);
    const TSheetFont &font = model_.Fonts()[style.font < model_.Fonts().size() ? style.font : 0];
    f = workbook_add_format(book_);
    format_set_font_name(f, Utf8Cut(font.family, 127).constData());
    format_set_font_size(f, font.points);
    if (font.bold) format_set_bold(f);
    if (font.italic) format_set_italic(f);
    format_set_align(f, style.hAlign == THAlign::Left     ? LXW_ALIGN_LEFT
                        : style.hAlign == THAlign::Centre ? LXW_ALIGN_CENTER
                                                          : LXW_ALIGN_RIGHT);
    format_set_align(f, style.vAlign == TVAlign::Top      ? LXW_ALIGN_VERTICAL_TOP
                        : style.vAlign == TVAlign::Centre ? LXW_ALIGN_VERTICAL_CENTER
                                                          : LXW_ALIGN_VERTICAL_BOTTOM);
    if (style.borders & Border::Left) format_set_left(f, LXW_BORDER_THIN);
    if (style.borders & Border::Top) format_set_top(f, LXW_BORDER_THIN);
    if (style.borders & Border::Right) format_set_right(f, LXW_BORDER_THIN);
    if (style.borders & Border::Bottom) format_set_bottom(f, LXW_BORDER_THIN);
    if (style.filled) {
        format_set_pattern(f, LXW_PATTERN_SOLID);
        format_set_bg_color(f, kSheetFillRgb);
    }
    if (number == TCellNumber::Amount) format_set_num_format(f, "#,##0.00");
    if (number == TCellNumber::Rate) format_set_num_format(f, "0.00%");
    if (kind == 2) format_set_text_wrap(f);
    return f;
}

void TXlsxSheetWriter::WritePageSetup() {
    const TPageSetup &page = model_.Page();
    if (page.orientation == TPageOrientation::Landscape) worksheet_set_landscape(sheet_);
    else worksheet_set_portrait(sheet_);
    worksheet_set_paper(sheet_, uint8_t(biff::PaperCode(page.paper)));
    worksheet_set_margins(sheet_, page.marginLeft / 25.4, page.marginRight / 25.4, page.marginTop / 25.4,
                          page.marginBottom / 25.4);
    if (page.centreHorizontally) worksheet_center_horizontally(sheet_);
    if (page.fitToWidth) worksheet_fit_to_pages(sheet_, 1, 0);  // one page wide, as tall as it takes
    SetXlsxFooter(sheet_, page);
    if (page.repeatFirstRow >= 1 && page.repeatFirstRow <= page.repeatLastRow
        && page.repeatLastRow <= model_.RowCount())
        worksheet_repeat_rows(sheet_, lxw_row_t(page.repeatFirstRow - 1), lxw_row_t(page.repeatLastRow - 1));
    if (RepeatsColumns(page, model_.ColumnCount()))
        worksheet_repeat_columns(sheet_, lxw_col_t(page.repeatFirstColumn - 1), lxw_col_t(page.repeatLastColumn - 1));
    if (page.frozenRows > 0 || page.frozenColumns > 0)
        worksheet_freeze_panes(sheet_, lxw_row_t(std::max(page.frozenRows, 0)), lxw_col_t(std::max(page.frozenColumns, 0)));
}

void TXlsxSheetWriter::WriteColumns() {
    for (int col = 1; col <= model_.ColumnCount(); ++col) {
        const int width = WorkbookColumnWidth(model_, col);
        const auto c = lxw_col_t(col - 1);
        if (width > 0) {
            worksheet_set_column_pixels(sheet_, c, c, uint32_t(width), nullptr);
        } else {
            lxw_row_col_options hidden{};
            hidden.hidden = 1;
            worksheet_set_column_pixels_opt(sheet_, c, c, uint32_t(kSheetDefaultColumnWidth), nullptr, &hidden);
        }
    }
}

// Rows go out one after the other and a written row cannot be changed any more, so a merged area
// is declared when its last row comes: the cells of its earlier rows are already written, and the
// library's own filling of the area only reaches the last row, which is written next.
void TXlsxSheetWriter::WriteMergesEndingAt(int row) {
    const auto [first, last] = mergesEndingAt_.equal_range(row);
    for (auto it = first; it != last; ++it) {
        const TCellRect &m = it->second;
        if (m.IsSingleCell()) continue;
        const uint16_t style = model_.StyleId(m.left, m.top);
        worksheet_merge_range(sheet_, lxw_row_t(m.top - 1), lxw_col_t(m.left - 1), lxw_row_t(m.bottom - 1),
                              lxw_col_t(m.right - 1), "", Format(style, TCellNumber::None, false));
    }
}

void TXlsxSheetWriter::WriteRow(int row) {
    const auto r = lxw_row_t(row - 1);
    const int height = model_.RowHeight(row);
    if (height == 0) {
        lxw_row_col_options hidden{};
        hidden.hidden = 1;
        worksheet_set_row_pixels_opt(sheet_, r, uint32_t(model_.DefaultRowHeight()), nullptr, &hidden);
    } else if (height != model_.DefaultRowHeight()) {
        worksheet_set_row_pixels(sheet_, r, uint32_t(height), nullptr);
    }
    WriteMergesEndingAt(row);
    const int columns = model_.ColumnCount();
    const std::vector<TCellRect> merges = model_.Merges().Intersecting({1, row, columns, row});
    for (int col = 1; col <= columns; ++col) {
        const auto c = lxw_col_t(col - 1);
        const uint16_t style = model_.StyleId(col, row);
        QStringView text = model_.Text(col, row);
        if (!text.isEmpty() && !merges.empty() && CellCoveredByMerge(merges, col, row)) text = {};
        double value = 0;
        if (const TCellNumber number = CellNumber(model_, col, row, text, &value); number != TCellNumber::None) {
            worksheet_write_number(sheet_, r, c, value, Format(style, number, false));
        } else if (!text.isEmpty()) {
            worksheet_write_string(sheet_, r, c, XmlSafe(text).toUtf8().constData(),
                                   Format(style, TCellNumber::None, CellWraps(model_, col, row)));
        } else if (style != 0) {
            worksheet_write_blank(sheet_, r, c, Format(style, TCellNumber::None, false));
        }
    }
}

// The workbook's worksheets: the sheet's own and the chart's, when there is one.
struct TWorkbookSheets {
    lxw_worksheet *data = nullptr, *chart = nullptr;
};

bool RowsLost(lxw_worksheet *sheet) {
    return sheet && sheet->optimize_tmpfile
           && (std::fflush(sheet->optimize_tmpfile) != 0 || std::ferror(sheet->optimize_tmpfile));
}

// Closes the workbook, which assembles the file. Rows written in constant-memory mode went to a
// temporary file whose write errors the library does not check: they are checked here first.
lxw_error CloseWorkbook(lxw_workbook *book, TWorkbookSheets sheets) {
    const bool rowsLost = RowsLost(sheets.data) || RowsLost(sheets.chart);
    const lxw_error closed = workbook_close(book);
    return rowsLost ? LXW_ERROR_CREATING_TMPFILE : closed;
}

// Closing a large workbook (its parts packed into the file) takes a while and cannot be
// interrupted: it runs on a thread of its own while `progress` hears that the rows are in and the
// file is being packed, so that the window stays alive and says so. A stop asked meanwhile counts
// when the close is over.
lxw_error CloseWorkbookWatched(lxw_workbook *book, TWorkbookSheets sheets, int rows, const TWorkProgress &progress,
                               bool *cancelled) {
    lxw_error closed = LXW_NO_ERROR;
    TWorkThread closing("xlsx-close");
    try {
        closing.Start([&closed, book, sheets](const std::atomic<bool> &) {
            const TCNumbersScope numbers;
            closed = CloseWorkbook(book, sheets);
        });
    } catch (const EOutOfMemory &) {
        const TCNumbersScope numbers;  // no thread to be had: closed here, the window waiting
        return CloseWorkbook(book, sheets);
    }
    // Once asked to stop, it is not asked again: the close only has to end.
    do *cancelled = *cancelled || !KeepWorking(progress, TWorkUnit::Packing, rows, rows);
    while (!closing.Wait(10));
    return closed;
}

// Frees a workbook that is not to be written: the rows it has put aside go with it.
void DiscardWorkbook(lxw_workbook *book, lxw_worksheet *sheet) {
    if (sheet->optimize_tmpfile) {
        std::fclose(sheet->optimize_tmpfile);
        sheet->optimize_tmpfile = nullptr;
    }
    lxw_workbook_free(book);
}

QString CloseErrorText(lxw_error error) {
    if (error == LXW_ERROR_CREATING_TMPFILE || error == LXW_ERROR_ZIP_FILE_ADD || error == LXW_ERROR_ZIP_CLOSE
        || error == LXW_ERROR_ZIP_FILE_OPERATION || error == LXW_ERROR_CREATING_XLSX_FILE)
        return QStringLiteral("磁盘已满或无法写入（%1）").arg(QString::fromUtf8(lxw_strerror(error)));
    return QString::fromUtf8(lxw_strerror(error));
}

}  // namespace

authpay::Outcome ExportXlsx(const TSheetModel &model, const QString &fileName, const TWorkProgress &progress) {
    if (const auto refused = RefusedExportTarget(fileName)) return *refused;
    const QString target = ExportTargetFile(fileName);
    // The library writes numbers (amounts, widths, heights, margins) with the C library's printf.
    const TCNumbersScope numbers;
    TWorkbookTemporary temporary;
    if (const authpay::Outcome made = temporary.Make(QFileInfo(target).absolutePath()); !made.Ok())
        return ExportWriteFailed(fileName, made.message);

    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    // The library's scratch files (the rows put aside, the parts it packs) go to the system's
    // temporary folder: it names each before it unlinks it, and a kill between the two must not
    // leave one among the user's files.
    options.use_zip64 = LXW_TRUE;
    lxw_workbook *book = workbook_new_opt(temporary.WritePath().constData(), &options);
    const QString sheetName = WorkbookSheetName(model.SheetName);
    lxw_worksheet *sheet = book ? workbook_add_worksheet(book, sheetName.toUtf8().constData()) : nullptr;
    if (book) UseSheetFontAsStandard(book, model.Fonts()[0]);
    if (!sheet) {
        if (book) workbook_close(book);
        return ExportWriteFailed(fileName, QStringLiteral("无法创建工作簿"));
    }
    if (!TXlsxSheetWriter(model, book, sheet).Write(progress)) {
        DiscardWorkbook(book, sheet);
        return ExportCancelled();
    }
    const TWorkbookSheets sheets{sheet, AddChartWorksheet(book, model, sheetName)};
    bool cancelled = false;
    const lxw_error closed = progress ? CloseWorkbookWatched(book, sheets, model.RowCount(), progress, &cancelled)
                                      : CloseWorkbook(book, sheets);
    if (cancelled) return ExportCancelled();
    if (closed != LXW_NO_ERROR) return ExportWriteFailed(fileName, CloseErrorText(closed));
    temporary.KeepPermissionsOf(target);
    if (!temporary.Replace(target)) return ExportWriteFailed(fileName, QStringLiteral("无法替换原文件"));
    return ExportOutcome(kXlsWritten);
}
