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
    Intern(TCellStyle{});  // style 0: what every cell starts with
    Touch();
}

void TSheetModel::Touch() { geometryRevision_ = ++gLastRevision; }

void TSheetModel::SetRowCount(int rows) {
    rows = std::clamp(rows, 0, kSheetMaxRows);
    if (rows == RowCount()) return;
    const bool shrinking = rows < RowCount();
    // Rows are filled one after another: the last row is complete when the next one is added,
    // so give back what its text buffer reserved for growing.
    if (!shrinking && !rows_.empty()) rows_.back().texts.squeeze();
    rows_.resize(size_t(rows));
    if (shrinking) merges_.ClipTo(ColumnCount(), rows);
    Touch();
}

void TSheetModel::SetColumnCount(int columns) {
    columns = std::clamp(columns, 1, kSheetMaxColumns);
    if (columns == ColumnCount()) return;
    if (columns < ColumnCount()) {
        for (TSheetRow &row : rows_)
            if (row.cells.size() > size_t(columns)) {
                row.cells.resize(size_t(columns));
                Compact(row);
            }
        merges_.ClipTo(columns, RowCount());
    }
    columnWidths_.resize(size_t(columns), kSheetDefaultColumnWidth);
    Touch();
}

void TSheetModel::DeleteRows(int first, int count) {
    // Work in 64 bits: first + count may overflow for absurd arguments.
    const qint64 from = std::max<qint64>(first, 1);
    const qint64 to = std::min<qint64>(qint64(first) + count - 1, RowCount());
    if (count <= 0 || from > to) return;
    rows_.erase(rows_.begin() + (from - 1), rows_.begin() + to);
    merges_.RowsDeleted(int(from), int(to - from + 1));
    Touch();
}

TSheetModel TSheetModel::SplitOffRows(int keep) {
    keep = std::clamp(keep, 0, RowCount());
    std::vector<TSheetRow> tail(std::make_move_iterator(rows_.begin() + keep), std::make_move_iterator(rows_.end()));
    rows_.resize(size_t(keep));
    TSheetModel whole = *this;  // everything but the rows handed over is small
    whole.rows_.insert(whole.rows_.end(), std::make_move_iterator(tail.begin()), std::make_move_iterator(tail.end()));
    merges_.RowsDeleted(keep + 1, whole.RowCount() - keep);
    Touch();
    whole.Touch();
    return whole;
}

TSheetModel::TCellSlot *TSheetModel::Slot(int col, int row) {
    TSheetRow &r = rows_[size_t(row - 1)];
    if (r.cells.size() < size_t(col)) {
        // Rows are mostly filled from left to right: one allocation for all columns, not one for
        // each time the row grows.
        if (r.cells.capacity() < size_t(ColumnCount())) r.cells.reserve(size_t(ColumnCount()));
        r.cells.resize(size_t(col));
    }
    return &r.cells[size_t(col - 1)];
}

const TSheetModel::TCellSlot *TSheetModel::FindSlot(int col, int row) const {
    if (!Contains(col, row)) return nullptr;
    const TSheetRow &r = rows_[size_t(row - 1)];
    return size_t(col) <= r.cells.size() ? &r.cells[size_t(col - 1)] : nullptr;
}

void TSheetModel::SetText(int col, int row, QStringView text) {
    if (!Contains(col, row)) return;
    text = text.left(kSheetMaxTextLength);
    TSheetRow &r = rows_[size_t(row - 1)];
    TCellSlot *slot = Slot(col, row);
    r.garbage += slot->length;
    slot->offset = uint32_t(r.texts.size());
    slot->length = uint16_t(text.size());
    r.texts.append(text);
    if (r.garbage > 256 && r.garbage * 2 > uint32_t(r.texts.size())) Compact(r);
}

void TSheetModel::Compact(TSheetRow &row) {
    QString packed;
    packed.reserve(row.texts.size() - qsizetype(row.garbage));
    for (TCellSlot &slot : row.cells) {
        const uint32_t offset = uint32_t(packed.size());
        packed.append(QStringView(row.texts).mid(slot.offset, slot.length));
        slot.offset = offset;
    }
    row.texts = std::move(packed);
    row.garbage = 0;
}

QStringView TSheetModel::Text(int col, int row) const {
    const TCellSlot *slot = FindSlot(col, row);
    if (!slot) return {};
    return QStringView(rows_[size_t(row - 1)].texts).mid(slot->offset, slot->length);
}

uint16_t TSheetModel::StyleId(int col, int row) const {
    const TCellSlot *slot = FindSlot(col, row);
    return slot ? slot->style : 0;
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
    Slot(col, row)->style = Intern(style);
}

void TSheetModel::SetAlignment(int col, int row, int code) {
    if (!Contains(col, row)) return;
    TCellSlot *slot = Slot(col, row);
    if (alignMemo_.from != slot->style || alignMemo_.code != code) {
        alignMemo_.from = slot->style;
        alignMemo_.code = code;
        alignMemo_.to = Intern(ApplyAlignCode(styles_[slot->style], code));
    }
    slot->style = alignMemo_.to;
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
            TCellSlot *slot = Slot(col, row);
            TCellStyle style = styles_[slot->style];
            change(col, row, style);
            if (style.Key() != lastKey) {
                lastKey = style.Key();
                lastId = Intern(style);
            }
            slot->style = lastId;
        }
}

void TSheetModel::SetFont(const TCellRect &area, int font) {
    if (font < 0 || font >= int(fonts_.size())) return;
    ForEachCell(area, [font](int, int, TCellStyle &s) { s.font = uint16_t(font); });
}

void TSheetModel::SetGridLines(const TCellRect &area, int kind) {
    if (kind < 0 || kind > 2) return;
    // Cut first, so that the outline of a rectangle reaching past the sheet follows the sheet's edge.
    const TCellRect a = Cut(area);
    ForEachCell(a, [&](int col, int row, TCellStyle &s) {
        if (kind == 0) s.borders = 0;
        else if (kind == 2) s.borders = Border::All;
        else {
            if (col == a.left) s.borders |= Border::Left;
            if (col == a.right) s.borders |= Border::Right;
            if (row == a.top) s.borders |= Border::Top;
            if (row == a.bottom) s.borders |= Border::Bottom;
        }
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
    const int h = rows_[size_t(row - 1)].height;
    return h < 0 ? defaultRowHeight_ : h;
}

void TSheetModel::SetRowHeight(int row, int height) {
    if (row < 1 || row > RowCount() || height < 0) return;
    rows_[size_t(row - 1)].height = int16_t(std::min(height, kSheetMaxRowHeight));
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
    return int(fonts_.size()) - 1;
}
