#include "report/xls/XlsWorksheet.h"

#include "report/ExportCells.h"
#include "report/PageText.h"

#include <algorithm>
#include <cmath>

namespace biff {
namespace {
constexpr uint16_t kBof = 0x0809;
constexpr uint16_t kEof = 0x000A;
constexpr uint16_t kDefaultRowHeight = 0x0225;
constexpr uint16_t kWsBool = 0x0081;
constexpr uint16_t kFitToPage = 0x0100;  // WSBOOL's fFitToPage
constexpr uint16_t kHeader = 0x0014;
constexpr uint16_t kFooter = 0x0015;
constexpr uint16_t kHCentre = 0x0083;
constexpr uint16_t kLeftMargin = 0x0026;
constexpr uint16_t kPageSetup = 0x00A1;
constexpr uint16_t kDefColWidth = 0x0055;
constexpr uint16_t kColInfo = 0x007D;
constexpr uint16_t kDimensions = 0x0200;
constexpr uint16_t kRow = 0x0208;
constexpr uint16_t kLabelSst = 0x00FD;
constexpr uint16_t kNumber = 0x0203;
constexpr uint16_t kBlank = 0x0201;
constexpr uint16_t kWindow2 = 0x023E;
constexpr uint16_t kMergedCells = 0x00E5;
constexpr int kMergesPerRecord = 1026;
constexpr int kRowBlock = 32;

void Record(TBiffBuffer &out, uint16_t id, std::initializer_list<uint16_t> words) {
    const size_t h = out.OpenRecord(id);
    for (uint16_t w : words) out.U16(w);
    out.CloseRecord(h);
}

void WritePageSetup(const TSheetModel &model, TBiffBuffer &out) {
    const TPageSetup &page = model.Page();
    // An empty header, written out: a record without its string is taken by some programs as
    // "no header given", and they print their own (the sheet's name) instead.
    size_t h = out.OpenRecord(kHeader);
    out.LongString(QString());
    out.CloseRecord(h);
    h = out.OpenRecord(kFooter);
    const QString footer = FooterText(page.pageText);
    if (!footer.isEmpty()) out.LongString(footer);
    out.CloseRecord(h);
    Record(out, kHCentre, {uint16_t(page.centreHorizontally ? 1 : 0)});
    const double margins[4] = {page.marginLeft, page.marginRight, page.marginTop, page.marginBottom};
    for (int i = 0; i < 4; ++i) {
        h = out.OpenRecord(uint16_t(kLeftMargin + i));
        out.F64(margins[i] / 25.4);  // inches
        out.CloseRecord(h);
    }
    h = out.OpenRecord(kPageSetup);
    out.U16(PaperCode(page.paper));
    out.U16(100);  // scale
    out.U16(1);    // first page number
    // Fit to one page wide; as many pages tall as it takes (0). Used only when the sheet's
    // WSBOOL record switches fitting on.
    out.U16(1);
    out.U16(page.fitToWidth ? 0 : 1);
    // Down, then over; portrait or landscape; paper, scale and orientation are valid.
    out.U16(page.orientation == TPageOrientation::Portrait ? 0x0002 : 0x0000);
    out.U16(600);  // horizontal resolution
    out.U16(600);  // vertical resolution
    out.F64(0.3);  // header margin, inches
    out.F64(0.3);  // footer margin, inches
    out.U16(1);    // copies
    out.CloseRecord(h);
}

void WriteColumns(const TSheetModel &model, TBiffBuffer &out) {
    Record(out, kDefColWidth, {8});
    for (int col = 1; col <= model.ColumnCount(); ++col) {
        const int width = WorkbookColumnWidth(model, col);
        const size_t h = out.OpenRecord(kColInfo);
        out.U16(uint16_t(col - 1));
        out.U16(uint16_t(col - 1));
        out.U16(ColumnWidthUnits(width));
        out.U16(TXlsStyles::kDefaultXf);
        out.U16(width == 0 ? 0x0001 : 0x0000);  // hidden
        out.U16(0);
        out.CloseRecord(h);
    }
}

void WriteRowRecord(const TSheetModel &model, int row, TBiffBuffer &out) {
    const int height = model.RowHeight(row);
    const bool custom = height != model.DefaultRowHeight();
    const size_t h = out.OpenRecord(kRow);
    out.U16(uint16_t(row - 1));
    out.U16(0);
    out.U16(uint16_t(model.ColumnCount()));
    out.U16(height == 0 ? RowHeightTwips(model.DefaultRowHeight()) : RowHeightTwips(height));
    out.U16(0);
    out.U16(0);
    // Bit 8 is always set; bit 6: height set by hand; bit 5: hidden.
    uint32_t flags = 0x0100 | (custom ? 0x0040 : 0) | (height == 0 ? 0x0020 : 0);
    out.U32(flags | (uint32_t(TXlsStyles::kDefaultXf) << 16));
    out.CloseRecord(h);
}

void WriteCells(const TSheetModel &model, int row, TXlsStyles &styles, TSharedStrings &strings,
                TBiffBuffer &out) {
    const int columns = model.ColumnCount();
    const std::vector<TCellRect> merges = model.Merges().Intersecting({1, row, columns, row});
    for (int col = 1; col <= columns; ++col) {
        const uint16_t style = model.StyleId(col, row);
        QStringView text = model.Text(col, row);
        if (!text.isEmpty() && !merges.empty() && CellCoveredByMerge(merges, col, row)) text = {};
        double value = 0;
        if (const TCellNumber number = CellNumber(model, col, row, text, &value); number != TCellNumber::None) {
            const size_t h = out.OpenRecord(kNumber);
            out.U16(uint16_t(row - 1));
            out.U16(uint16_t(col - 1));
            out.U16(styles.CellXf(style, number));
            out.F64(value);
            out.CloseRecord(h);
        } else if (!text.isEmpty()) {
            const size_t h = out.OpenRecord(kLabelSst);
            out.U16(uint16_t(row - 1));
            out.U16(uint16_t(col - 1));
            out.U16(styles.CellXf(style, TCellNumber::None, CellWraps(model, col, row)));
            out.U32(strings.Add(text));
            out.CloseRecord(h);
        } else if (style != 0) {
            Record(out, kBlank, {uint16_t(row - 1), uint16_t(col - 1), styles.CellXf(style, TCellNumber::None)});
        }
    }
}

void WriteMerges(const TSheetModel &model, TBiffBuffer &out) {
    const auto &all = model.Merges().All();
    for (size_t first = 0; first < all.size(); first += kMergesPerRecord) {
        const size_t n = std::min(all.size() - first, size_t(kMergesPerRecord));
        const size_t h = out.OpenRecord(kMergedCells);
        out.U16(uint16_t(n));
        for (size_t i = first; i < first + n; ++i) {
            out.U16(uint16_t(all[i].top - 1));
            out.U16(uint16_t(all[i].bottom - 1));
            out.U16(uint16_t(all[i].left - 1));
            out.U16(uint16_t(all[i].right - 1));
        }
        out.CloseRecord(h);
    }
}
}  // namespace

uint16_t ColumnWidthUnits(int pixels) {
    if (pixels <= 0) return 0;
    return uint16_t(std::min(65535L, std::lround(pixels * 256.0 / 7.0)));
}

uint16_t RowHeightTwips(int pixels) {
    return uint16_t(std::clamp(pixels, 0, kSheetMaxRowHeight) * 15);
}

QString FooterText(const QString (&parts)[3]) {
    static const char *const kSection[3] = {"&L", "&C", "&R"};
    QString out;
    for (int i = 0; i < 3; ++i) {
        if (parts[i].isEmpty()) continue;
        out += QLatin1String(kSection[i]);
        ScanPageText(parts[i], [&out](TPageTextPart kind, QChar c) {
            if (kind == TPageTextPart::PageNumber) out += QLatin1String("&P");
            else if (kind == TPageTextPart::PageCount) out += QLatin1String("&N");
            else if (c == QLatin1Char('&')) out += QLatin1String("&&");
            else out += c;
        });
    }
    return out.left(255);
}

uint16_t PaperCode(const QString &paper) {
    const QString p = paper.trimmed().toUpper();
    if (p == QLatin1String("LETTER")) return 1;
    if (p == QLatin1String("LEGAL")) return 5;
    if (p == QLatin1String("A3")) return 8;
    if (p == QLatin1String("A5")) return 11;
    if (p == QLatin1String("B5")) return 13;
    return 9;  // A4
}

bool WriteWorksheet(const TSheetModel &model, TXlsStyles &styles, TSharedStrings &strings,
                    TBiffBuffer &out, const TWorkProgress &progress) {
    const int rows = model.RowCount();
    const int columns = model.ColumnCount();
    Record(out, kBof, {0x0600, 0x0010, 0x0DBB, 0x07CC, 0, 0, 6, 0});
    Record(out, kDefaultRowHeight, {0, RowHeightTwips(model.DefaultRowHeight())});
    // Outline symbols shown, summary rows below and columns right, page breaks shown; fitting
    // to the page set-up's pages when the sheet fits to the page width.
    Record(out, kWsBool, {uint16_t(0x04C1 | (model.Page().fitToWidth ? kFitToPage : 0))});
    WritePageSetup(model, out);
    WriteColumns(model, out);
    size_t h = out.OpenRecord(kDimensions);
    out.U32(0);
    out.U32(uint32_t(rows));
    out.U16(0);
    out.U16(rows ? uint16_t(columns) : 0);
    out.U16(0);
    out.CloseRecord(h);
    // Rows go in blocks of 32: the row records of a block, then the cells of its rows.
    for (int first = 1; first <= rows; first += kRowBlock) {
        const int last = std::min(rows, first + kRowBlock - 1);
        for (int row = first; row <= last; ++row) WriteRowRecord(model, row, out);
        for (int row = first; row <= last; ++row) {
            if (!KeepWorking(progress, TWorkUnit::Rows, row - 1, rows)) return false;
            WriteCells(model, row, styles, strings, out);
        }
    }
    if (!KeepWorking(progress, TWorkUnit::Rows, rows, rows)) return false;
    // Selected, active sheet; grid lines, headers and zero values shown.
    Record(out, kWindow2, {0x06B6, 0, 0, 0x40, 0, 0, 0, 0, 0});
    WriteMerges(model, out);
    Record(out, kEof, {});
    return true;
}

}  // namespace biff
