#pragma once
// The report sheet's shared vocabulary: limits, cell rectangles, alignment codes, fonts, cell
// styles and the page set-up. QtCore only, so that the model, the template reader and the .xls
// writer can use it without any widget.
#include "authpay/ResultSheet.h"
#include <QString>
#include <algorithm>
#include <cstdint>

// Limits of one sheet. Rows and columns count from 1. A cell holds at most as many characters as a
// spreadsheet cell does, so that everything the sheet shows can also be exported.
inline constexpr int kSheetMaxRows = 1048576;
inline constexpr int kSheetMaxColumns = 1024;
inline constexpr int kSheetMaxTextLength = 32767;
inline constexpr int kSheetMaxFonts = 64;
// Sizes are in sheet pixels (1/96 inch). The row limit is the tallest row a workbook can store
// (409.5 points); the column limit is generous and only guards against absurd arguments.
inline constexpr int kSheetMaxRowHeight = 546;
inline constexpr int kSheetMaxColumnWidth = 2000;
inline constexpr int kSheetDefaultRowHeight = 22;
inline constexpr int kSheetDefaultColumnWidth = 72;
inline constexpr int kSheetDefaultColumns = 16;
// The light fill of emphasised cells, as 0xRRGGBB (a pale yellow that workbooks have in their
// standard palette).
inline constexpr uint32_t kSheetFillRgb = 0xFFFFCC;

// An inclusive rectangle of cells: columns left..right, rows top..bottom.
// What a row of a report sheet stands for (a result row, a subtotal, the totals, anything else).
using TRowKind = authpay::RowKind;

struct TCellRect {
    int left = 0;
    int top = 0;
    int right = -1;
    int bottom = -1;

    bool IsEmpty() const { return right < left || bottom < top; }
    bool IsSingleCell() const { return left == right && top == bottom; }
    bool Contains(int col, int row) const {
        return col >= left && col <= right && row >= top && row <= bottom;
    }
    bool Intersects(const TCellRect &o) const {
        return !IsEmpty() && !o.IsEmpty() && left <= o.right && o.left <= right && top <= o.bottom &&
               o.top <= bottom;
    }
    TCellRect Intersected(const TCellRect &o) const {
        return {std::max(left, o.left), std::max(top, o.top), std::min(right, o.right),
                std::min(bottom, o.bottom)};
    }
    // The rectangle with its corners put in order (a caller may name them the other way round).
    static TCellRect Normalized(int c1, int r1, int c2, int r2) {
        return {std::min(c1, c2), std::min(r1, r2), std::max(c1, c2), std::max(r1, r2)};
    }
    friend bool operator==(const TCellRect &, const TCellRect &) = default;
};

// Horizontal and vertical placing of a cell's text.
enum class THAlign : uint8_t { Left, Centre, Right };
enum class TVAlign : uint8_t { Top, Centre, Bottom };

// Alignment codes of the sheet's operations: a sum of one horizontal and one vertical flag, so
// 33 is left and vertically centred, 34 right and centred, 36 centred both ways.
namespace AlignCode {
inline constexpr int Left = 1;
inline constexpr int Right = 2;
inline constexpr int HCentre = 4;
inline constexpr int Top = 8;
inline constexpr int Bottom = 16;
inline constexpr int VCentre = 32;
inline constexpr int LeftMiddle = Left | VCentre;      // 33: texts
inline constexpr int RightMiddle = Right | VCentre;    // 34: amounts
inline constexpr int CentreMiddle = HCentre | VCentre; // 36: headings, the totals label
}  // namespace AlignCode

// Cell border sides, as bits.
namespace Border {
inline constexpr uint8_t Left = 1;
inline constexpr uint8_t Top = 2;
inline constexpr uint8_t Right = 4;
inline constexpr uint8_t Bottom = 8;
inline constexpr uint8_t All = 15;
}  // namespace Border

struct TSheetFont {
    QString family = QStringLiteral("宋体");
    double points = 10.0;
    bool bold = false;
    bool italic = false;
    friend bool operator==(const TSheetFont &, const TSheetFont &) = default;
};

// What a cell looks like apart from its text. Cells refer to styles by number; the model keeps
// each distinct style once.
struct TCellStyle {
    uint16_t font = 0;
    THAlign hAlign = THAlign::Left;
    TVAlign vAlign = TVAlign::Centre;
    uint8_t borders = 0;
    bool filled = false;  // the light fill of rows that stand out (kSheetFillRgb)

    uint64_t Key() const {
        return (uint64_t(filled) << 40) | (uint64_t(font) << 24) | (uint64_t(hAlign) << 16) | (uint64_t(vAlign) << 8)
               | borders;
    }
    friend bool operator==(const TCellStyle &, const TCellStyle &) = default;
};

// The style after applying an alignment code. A code that names no horizontal (or no vertical)
// placing leaves that part as it was; codes outside 1..63 change nothing.
TCellStyle ApplyAlignCode(TCellStyle style, int code);

enum class TPageOrientation : uint8_t { Portrait, Landscape };

// How the sheet goes onto paper. Margins in millimetres; repeated rows are printed at the top of
// every page after the one where they first appear, repeated columns at the left of every page
// across after the first (0 = none).
struct TPageSetup {
    QString paper = QStringLiteral("A4");
    TPageOrientation orientation = TPageOrientation::Portrait;
    double marginLeft = 15, marginTop = 15, marginRight = 15, marginBottom = 15;
    int repeatFirstRow = 0;
    int repeatLastRow = 0;
    int repeatFirstColumn = 0;
    int repeatLastColumn = 0;
    bool centreHorizontally = true;
    // The rows above and the columns left of which a workbook written from the sheet keeps in
    // place while the rest scrolls (0, 0: none).
    int frozenRows = 0, frozenColumns = 0;
    // Every column on one page width: the sheet is printed smaller (never larger) so that its
    // columns fit between the side margins, and more rows go on each page. Off: the pages are cut
    // as the sizes fall.
    bool fitToWidth = false;
    // The three parts of the page text (left, centre, right), with &P and &S.
    QString pageText[3];
};
