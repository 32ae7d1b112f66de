#pragma once
// TSheetModel: the content of one report sheet — cell texts and styles, column widths, row
// heights, merges, fonts and the page set-up — with the rules for arguments outside the sheet.
// No widgets: the view, the printout and the .xls writer all read this one model.
//
// Rules for arguments (the operations never fail and never throw):
// - A cell outside 1..ColumnCount() x 1..RowCount() is not there: writes to it are ignored, reads
//   give an empty text and the default style.
// - Rectangles (merges, borders, fonts) are put in corner order and cut to the sheet; what is left
//   outside is ignored.
// - Counts and sizes are clamped to the limits of SheetTypes.h; negative sizes are ignored.
// - Texts longer than kSheetMaxTextLength characters are cut to that length.
#include "report/ChartLayout.h"
#include "report/MergeList.h"
#include "report/SheetCells.h"
#include "report/SheetNumbers.h"
#include "report/SheetTypes.h"

#include <QHash>
#include <QString>
#include <QStringView>
#include <algorithm>
#include <vector>

class TSheetModel {
public:
    TSheetModel();

    // Size. Rows are numbered 1..RowCount(); a new sheet has no rows and kSheetDefaultColumns
    // columns.
    int RowCount() const { return cells_.Rows(); }
    int ColumnCount() const { return int(columnWidths_.size()); }
    void SetRowCount(int rows);        // clamped to 0..kSheetMaxRows; new rows are empty
    void SetColumnCount(int columns);  // clamped to 1..kSheetMaxColumns
    // Removes the rows first..first+count-1 that exist; rows below move up.
    void DeleteRows(int first, int count);
    // Keeps rows 1..keep and hands over the whole model as it was, its rows moved rather than
    // copied: what DeleteRows(keep + 1, …) leaves, with the deleted rows kept aside at the cost of
    // the kept ones.
    TSheetModel SplitOffRows(int keep);
    bool Contains(int col, int row) const {
        return col >= 1 && row >= 1 && col <= ColumnCount() && row <= RowCount();
    }

    // Cells.
    // A view that Text returns stays valid until the cells change.
    void SetText(int col, int row, QStringView text);
    QStringView Text(int col, int row) const {
        return Contains(col, row) ? cells_.Text(row - 1, col - 1) : QStringView();
    }
    uint16_t StyleId(int col, int row) const { return Contains(col, row) ? cells_.Style(row - 1, col - 1) : 0; }
    const TCellStyle &Style(int col, int row) const { return styles_[StyleId(col, row)]; }
    // Calls f(col, text, style) for the cells of the row that hold a text, left to right.
    template <typename F> void ForEachTextInRow(int row, F &&f) const {
        if (row < 1 || row > RowCount()) return;
        const int columns = ColumnCount();
        cells_.ForEachInRow(row - 1, [&](int col, QStringView text, uint16_t style) {
            if (col < columns && !text.isEmpty()) f(col + 1, text, styles_[style]);
        });
    }
    void SetAlignment(int col, int row, int code);
    // The text in the cell's style aligned by `code` (an AlignCode; -1 keeps the alignment) and,
    // with `ruled`, with all four lines: the cell SetText, SetAlignment and SetGridLines (kind 2)
    // leave, in one change of it. A writer of whole columns meets the same styles row after row.
    // `sameAsAbove`: the writer knows the text is that of the cell above, which then need not be
    // looked for again.
    void SetAlignedText(int col, int row, QStringView text, int code, bool ruled, bool sameAsAbove = false);
    void SetStyle(int col, int row, const TCellStyle &style);
    // Fonts and borders over a rectangle. kind 0 removes the lines, 1 draws the outline, 2 draws
    // every cell's lines; other kinds are ignored.
    void SetFont(const TCellRect &area, int font);
    void SetGridLines(const TCellRect &area, int kind);
    // Emphasis over a rectangle: each cell's font made bold (a bold copy of it is added to the
    // font table when needed) and the light fill switched on.
    void Emphasise(const TCellRect &area);

    // Column widths and row heights in sheet pixels; 0 hides the column or row.
    int ColumnWidth(int col) const;
    void SetColumnWidth(int col, int width);
    int RowHeight(int row) const;
    void SetRowHeight(int row, int height);
    int DefaultRowHeight() const { return defaultRowHeight_; }
    void SetDefaultRowHeight(int height);

    // Merged areas; see TMergeList for overlapping merges.
    void Merge(const TCellRect &area);
    const TMergeList &Merges() const { return merges_; }

    // Fonts: font 0 is the default font of every new cell.
    int AddFont(const TSheetFont &font);  // the font's number, or -1 when the table is full
    void SetDefaultFont(const TSheetFont &font);
    const std::vector<TSheetFont> &Fonts() const { return fonts_; }
    const TCellStyle &StyleById(uint16_t id) const { return styles_[id]; }
    int StyleCount() const { return int(styles_.size()); }

    // The columns whose cells are amounts. A sheet that names none is typed by how its texts look
    // (an amount text is a number); once some are named, only their cells can be numbers and every
    // other cell is a text, whatever it reads like (a name "1,234.56" stays a name).
    void SetAmountColumns(std::vector<int> columns) { amountColumns_ = std::move(columns); }
    bool HasAmountColumns() const { return !amountColumns_.empty(); }
    bool IsAmountColumn(int col) const {
        return std::find(amountColumns_.begin(), amountColumns_.end(), col) != amountColumns_.end();
    }

    // What a row of a result stands for, as its writer marked it; rows of headings, captions and
    // any other text are TRowKind::Other. `level` is a subtotal's (1 for the first dimension).
    void MarkRow(int row, TRowKind kind, int level = 0);
    TRowKind RowKind(int row) const {
        return row >= 1 && row <= RowCount() ? TRowKind(cells_.Mark(row - 1) & 3) : TRowKind::Other;
    }
    int RowLevel(int row) const { return row >= 1 && row <= RowCount() ? cells_.Mark(row - 1) >> 2 : 0; }

    // The amount a cell shows, in whole cents, as its writer gave it; none for a text, and none
    // once the cell's text is set again. A sheet with no amount anywhere (a bare template) has
    // only its texts to tell its numbers by.
    void SetAmount(int col, int row, qint64 cents) {
        if (Contains(col, row)) numbers_.Set(col, row, cents);
    }
    std::optional<qint64> Amount(int col, int row) const {
        return IsRateColumn(col) ? std::nullopt : numbers_.Get(col, row);
    }
    bool HasAmounts() const { return numbers_.Any(); }
    // A rate a cell shows ("4.00%"), in hundredths of a percent (400), as its writer gave it; the
    // column then holds rates only (no amounts). None once the cell's text is set again.
    void SetRate(int col, int row, qint64 hundredths) {
        if (!Contains(col, row)) return;
        if (!IsRateColumn(col)) rateColumns_.push_back(col);
        numbers_.Set(col, row, hundredths);
    }
    std::optional<qint64> Rate(int col, int row) const {
        return IsRateColumn(col) ? numbers_.Get(col, row) : std::nullopt;
    }
    bool IsRateColumn(int col) const {
        return std::find(rateColumns_.begin(), rateColumns_.end(), col) != rateColumns_.end();
    }

    TPageSetup &Page() { return page_; }
    const TPageSetup &Page() const { return page_; }
    QString SheetName = QStringLiteral("Sheet1");
    // The chart the sheet carries into its .xlsx export (none unless its window sets one).
    TSheetChart Chart;

    // Changes whenever a row, column, width or height changes, so that a view knows when to
    // measure again. Numbers are never reused, also not by another model.
    quint64 GeometryRevision() const { return geometryRevision_; }
    // Changes whenever the font table does (a copy of the model keeps it, with the same fonts).
    quint64 FontsRevision() const { return fontsRevision_; }

private:
    uint16_t Intern(const TCellStyle &style);
    // The rectangle with its corners in order, cut to the sheet (empty when nothing is left).
    TCellRect Cut(const TCellRect &area) const;
    template <typename F> void ForEachCell(const TCellRect &area, F &&change);
    template <typename F> void ForEachStyle(const TCellRect &area, F &&change);
    void Touch();

    TSheetCells cells_;
    TSheetNumbers numbers_;
    std::vector<int> columnWidths_;
    std::vector<TSheetFont> fonts_;
    std::vector<TCellStyle> styles_;
    QHash<uint64_t, uint16_t> styleIndex_;
    // The last alignment applied, which the window repeats for whole columns of result rows.
    struct {
        uint16_t from = 0xFFFF;
        int code = 0;
        uint16_t to = 0;
    } alignMemo_;
    // SetAlignedText's last style per column: from, how, and the style it made.
    struct TDerivedStyle {
        uint16_t from = 0xFFFF;
        int code = 0;
        bool ruled = false;
        uint16_t to = 0;
    };
    std::vector<TDerivedStyle> derivedMemo_;
    TMergeList merges_;
    TPageSetup page_;
    std::vector<int> amountColumns_;
    std::vector<int> rateColumns_;  // the columns whose numbers are rates
    int defaultRowHeight_ = kSheetDefaultRowHeight;
    quint64 geometryRevision_ = 0;
    quint64 fontsRevision_ = 0;
};
