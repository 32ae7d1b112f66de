#include "report/SheetModel.h"

#include <algorithm>
#include <atomic>

namespace {
std::atomic<quint64> gLastRevision{0};
}

TCellStyle ApplyAlignCode(TCellStyle style, int code) {
    if (code <= 0 || code > 63) return style;
    if (code & AlignCode::HCentre) style.hAlign = THAlign::Centre;
    else if (code & AlignCode::Right) style.hAlign = THAlign::Right;
    else if (code & AlignCode::Left) style.hAlign = THAlign::Left;
    if (code & AlignCode::VCentre) style.vAlign = TVAlign::Centre;
    else if (code & AlignCode::Bottom) style.vAlign = TVAlign::Bottom;
    else if (code & AlignCode::Top) style.vAlign = TVAlign::Top;
    return style;
}

TSheetModel::TSheetModel() : columnWidths_(kSheetDefaultColumns, kSheetDefaultColumnWidth) {
    fonts_.push_back(TSheetFont{});
    fontsRevision_ = ++gLastRevision;
    Intern(TCellStyle{});  // style 0: what every cell starts with
    Touch();
}

void TSheetModel::SetDefaultFont(const TSheetFont &font) {
    fonts_[0] = font;
    fontsRevision_ = ++gLastRevision;
}

void TSheetModel::Touch() { geometryRevision_ = ++gLastRevision; }

void TSheetModel::SetRowCount(int rows) {
    rows = std::clamp(rows, 0, kSheetMaxRows);
    if (rows == RowCount()) return;
    const bool shrinking = rows < RowCount();
    cells_.Resize(rows);
    if (shrinking) {
        merges_.ClipTo(ColumnCount(), rows);
        numbers_.Cut(rows, ColumnCount());
    }
    Touch();
}

void TSheetModel::SetColumnCount(int columns) {
    columns = std::clamp(columns, 1, kSheetMaxColumns);
    if (columns == ColumnCount()) return;
    if (columns < ColumnCount()) {
        cells_.TruncateColumns(columns);
        merges_.ClipTo(columns, RowCount());
        numbers_.Cut(RowCount(), columns);
    }
    columnWidths_.resize(size_t(columns), kSheetDefaultColumnWidth);
    cells_.SetReservedColumns(columns);
    Touch();
}

void TSheetModel::DeleteRows(int first, int count) {
    // Work in 64 bits: first + count may overflow for absurd arguments.
    const qint64 from = std::max<qint64>(first, 1);
    const qint64 to = std::min<qint64>(qint64(first) + count - 1, RowCount());
    if (count <= 0 || from > to) return;
    cells_.Erase(int(from - 1), int(to - from + 1));
    merges_.RowsDeleted(int(from), int(to - from + 1));
    numbers_.Erase(int(from), int(to - from + 1));
    Touch();
}

TSheetModel TSheetModel::SplitOffRows(int keep) {
    keep = std::clamp(keep, 0, RowCount());
    TSheetCells all = std::move(cells_);
    TSheetNumbers numbers = std::move(numbers_);
    cells_ = TSheetCells();
    numbers_ = TSheetNumbers();
    TSheetModel whole = *this;  // everything but the cells and their amounts is small
    whole.cells_ = std::move(all);
    numbers_ = numbers.FirstRows(keep);
    whole.numbers_ = std::move(numbers);
    cells_ = whole.cells_.FirstRows(keep);
    merges_.RowsDeleted(keep + 1, whole.RowCount() - keep);
    Touch();
    whole.Touch();
    return whole;
}

namespace {
// Cut to what a cell holds, never between the two halves of a character.
QStringView CellText(QStringView text) {
    qsizetype keep = std::min<qsizetype>(text.size(), kSheetMaxTextLength);
    if (keep < text.size() && text[keep - 1].isHighSurrogate()) --keep;
    return text.left(keep);
}
}  // namespace

void TSheetModel::SetText(int col, int row, QStringView text) {
    if (!Contains(col, row)) return;
    cells_.SetText(row - 1, col - 1, CellText(text));
    numbers_.Clear(col, row);
}

void TSheetModel::SetAlignedText(int col, int row, QStringView text, int code, bool ruled, bool sameAsAbove) {
    if (!Contains(col, row)) return;
    const uint16_t from = cells_.Style(row - 1, col - 1);
    if (derivedMemo_.size() < size_t(col)) derivedMemo_.resize(size_t(col));
    TDerivedStyle &memo = derivedMemo_[size_t(col - 1)];
    if (memo.from != from || memo.code != code || memo.ruled != ruled) {
        TCellStyle style = code < 0 ? styles_[from] : ApplyAlignCode(styles_[from], code);
        if (ruled) style.borders = Border::All;
        memo = {from, code, ruled, Intern(style)};
    }
    if (!sameAsAbove || !cells_.RepeatAbove(row - 1, col - 1, text, memo.to)) cells_.SetText(row - 1, col - 1, CellText(text), memo.to);
    numbers_.Clear(col, row);
}

void TSheetModel::MarkRow(int row, TRowKind kind, int level) {
    if (row >= 1 && row <= RowCount()) cells_.SetMark(row - 1, uint8_t(uint8_t(kind) | std::clamp(level, 0, 63) << 2));
}

uint16_t TSheetModel::Intern(const TCellStyle &style) {
    const uint64_t key = style.Key();
    auto it = styleIndex_.constFind(key);
    if (it != styleIndex_.cend()) return it.value();
    // Fonts, alignments and border sides are bounded, so the table stays far below 65,536 styles.
    const auto id = uint16_t(styles_.size());
    styles_.push_back(style);
    styleIndex_.insert(key, id);
    return id;
}

void TSheetModel::SetStyle(int col, int row, const TCellStyle &style) {
    if (!Contains(col, row) || style.font >= fonts_.size()) return;
    cells_.SetStyle(row - 1, col - 1, Intern(style));
}

void TSheetModel::SetAlignment(int col, int row, int code) {
    if (!Contains(col, row)) return;
    const uint16_t from = cells_.Style(row - 1, col - 1);
    if (alignMemo_.from != from || alignMemo_.code != code) {
        alignMemo_.from = from;
        alignMemo_.code = code;
        alignMemo_.to = Intern(ApplyAlignCode(styles_[from], code));
    }
    if (alignMemo_.to != from) cells_.SetStyle(row - 1, col - 1, alignMemo_.to);
}

TCellRect TSheetModel::Cut(const TCellRect &area) const {
    return TCellRect::Normalized(area.left, area.top, area.right, area.bottom)
        .Intersected({1, 1, ColumnCount(), RowCount()});
}

template <typename F> void TSheetModel::ForEachCell(const TCellRect &area, F &&change) {
    const TCellRect cut = Cut(area);
    if (cut.IsEmpty()) return;
    // Neighbouring cells mostly end up with the same style: look it up once for a run of them.
    uint64_t lastKey = ~uint64_t(0);
    uint16_t lastId = 0;
    for (int row = cut.top; row <= cut.bottom; ++row)
        for (int col = cut.left; col <= cut.right; ++col) {
            const uint16_t from = cells_.Style(row - 1, col - 1);
            TCellStyle style = styles_[from];
            change(col, row, style);
            if (style.Key() != lastKey) {
                lastKey = style.Key();
                lastId = Intern(style);
            }
            if (lastId != from) cells_.SetStyle(row - 1, col - 1, lastId);
        }
}

// The same, for a change that depends on the style alone: each style met is changed and looked up
// once, however the styles alternate along the rows.
template <typename F> void TSheetModel::ForEachStyle(const TCellRect &area, F &&change) {
    const TCellRect cut = Cut(area);
    if (cut.IsEmpty()) return;
    std::vector<int32_t> changed;  // by the style a cell had: the style it gets, -1 not yet known
    for (int row = cut.top; row <= cut.bottom; ++row)
        for (int col = cut.left; col <= cut.right; ++col) {
            const uint16_t from = cells_.Style(row - 1, col - 1);
            if (from >= changed.size()) changed.resize(size_t(from) + 1, -1);
            if (changed[from] < 0) {
                TCellStyle style = styles_[from];
                change(style);
                changed[from] = Intern(style);
            }
            if (changed[from] != from) cells_.SetStyle(row - 1, col - 1, uint16_t(changed[from]));
        }
}

void TSheetModel::SetFont(const TCellRect &area, int font) {
    if (font < 0 || font >= int(fonts_.size())) return;
    ForEachStyle(area, [font](TCellStyle &s) { s.font = uint16_t(font); });
}

void TSheetModel::SetGridLines(const TCellRect &area, int kind) {
    if (kind < 0 || kind > 2) return;
    // Cut first, so that the outline of a rectangle reaching past the sheet follows the sheet's edge.
    const TCellRect a = Cut(area);
    if (kind != 1) {
        const uint8_t borders = kind == 0 ? 0 : Border::All;
        ForEachStyle(a, [borders](TCellStyle &s) { s.borders = borders; });
        return;
    }
    ForEachCell(a, [&](int col, int row, TCellStyle &s) {
        if (col == a.left) s.borders |= Border::Left;
        if (col == a.right) s.borders |= Border::Right;
        if (row == a.top) s.borders |= Border::Top;
        if (row == a.bottom) s.borders |= Border::Bottom;
    });
}

void TSheetModel::Emphasise(const TCellRect &area) {
    std::vector<int> boldOf(fonts_.size(), -1);
    ForEachCell(area, [&](int, int, TCellStyle &s) {
        s.filled = true;
        if (fonts_[s.font].bold) return;
        if (boldOf[s.font] < 0) {
            TSheetFont bold = fonts_[s.font];
            bold.bold = true;
            const auto found = std::find(fonts_.begin(), fonts_.end(), bold);
            boldOf[s.font] = found != fonts_.end() ? int(found - fonts_.begin()) : AddFont(bold);
        }
        if (boldOf[s.font] >= 0) s.font = uint16_t(boldOf[s.font]);
    });
}

int TSheetModel::ColumnWidth(int col) const {
    return col >= 1 && col <= ColumnCount() ? columnWidths_[size_t(col - 1)] : 0;
}

void TSheetModel::SetColumnWidth(int col, int width) {
    if (col < 1 || col > ColumnCount() || width < 0) return;
    columnWidths_[size_t(col - 1)] = std::min(width, kSheetMaxColumnWidth);
    Touch();
}

int TSheetModel::RowHeight(int row) const {
    if (row < 1 || row > RowCount()) return 0;
    const int h = cells_.Height(row - 1);
    return h < 0 ? defaultRowHeight_ : h;
}

void TSheetModel::SetRowHeight(int row, int height) {
    if (row < 1 || row > RowCount() || height < 0) return;
    cells_.SetHeight(row - 1, int16_t(std::min(height, kSheetMaxRowHeight)));
    Touch();
}

void TSheetModel::SetDefaultRowHeight(int height) {
    if (height < 0) return;
    defaultRowHeight_ = std::min(height, kSheetMaxRowHeight);
    Touch();
}

void TSheetModel::Merge(const TCellRect &area) {
    const TCellRect cut = Cut(area);
    if (cut.IsEmpty()) return;
    merges_.Add(cut);
}

int TSheetModel::AddFont(const TSheetFont &font) {
    if (fonts_.size() >= size_t(kSheetMaxFonts)) return -1;
    fonts_.push_back(font);
    fontsRevision_ = ++gLastRevision;
    return int(fonts_.size()) - 1;
}
