#include "report/SheetCells.h"

#include <QString>
#include <cstring>

namespace {
// A column's texts are tried in the pool this many times before it is judged again; a column
// whose texts are kept in the rows looks one text in this many up in the pool.
constexpr uint32_t kJudgeAfter = 1024;
constexpr uint32_t kProbeEvery = 64;
// Whether a column's texts go to the pool: when at least 7 in 8 are found there. A text that
// seldom repeats costs the pool more than its row (a pair for each style it passes through).
bool WorthPooling(uint32_t hits, uint32_t tries) { return hits * 8 >= tries * 7; }
// The arena is squeezed once more than half of it is garbage (and at least this much).
constexpr uint64_t kMinGarbage = uint64_t(1) << 20;
// The pool is rebuilt from the cells once it has grown by this much and doubled since the last time.
constexpr uint64_t kPoolSlack = uint64_t(1) << 22;

void WriteRef(char16_t *at, uint32_t ref) {
    at[0] = char16_t(ref & 0xFFFF);
    at[1] = char16_t(ref >> 16);
}
// The number in `to` of pair `id` of `from`, added when first asked (remap: UINT32_MAX until then).
uint32_t MapPair(uint32_t id, const TSheetTextPool &from, TSheetTextPool &to, std::vector<uint32_t> &remap) {
    if (remap[id] == UINT32_MAX) remap[id] = to.Intern(from.Text(id), from.Style(id)).id;
    return remap[id];
}
}  // namespace

// Whether the text goes to the pool (then *ref is its pair), judged by how the column's texts
// fared there lately.
bool TSheetCells::PoolsText(int col, QStringView text, uint16_t style, uint32_t *ref) {
    if (text.isEmpty()) {
        *ref = style ? kPooled | InternInColumn(col, {}, style).id : 0;
        return true;
    }
    if (text.size() > kMaxOwnText) {
        *ref = kPooled | pool_.Intern(text, style).id;
        return true;
    }
    if (habits_.size() <= size_t(col)) habits_.resize(size_t(col) + 1);
    THabit &h = habits_[size_t(col)];
    if (h.own && ++h.tries % kProbeEvery != 0) return false;
    const TSheetTextPool::TInterned found = InternInColumn(col, text, style);
    *ref = kPooled | found.id;
    if (h.own) {
        h.hits += found.existed;
        if (h.tries == kProbeEvery * kProbeEvery) {
            h.own = !WorthPooling(h.hits, kProbeEvery);
            h.tries = h.hits = 0;
        }
    } else {
        h.hits += found.existed;
        if (++h.tries == kJudgeAfter) {
            h.own = !WorthPooling(h.hits, h.tries);
            h.tries = h.hits = 0;
        }
    }
    return true;
}

TSheetTextPool::TInterned TSheetCells::InternInColumn(int col, QStringView text, uint16_t style) {
    if (lastPooled_.size() <= size_t(col)) lastPooled_.resize(size_t(col) + 1);
    TLastPooled &last = lastPooled_[size_t(col)];
    if (last.id != UINT32_MAX && last.style == style && pool_.Text(last.id) == text) return {last.id, true};
    const TSheetTextPool::TInterned found = pool_.Intern(text, style);
    last = {found.id, style};
    return found;
}

uint32_t TSheetCells::RestyleInColumn(int col, uint32_t id, uint16_t style) {
    if (lastRestyled_.size() <= size_t(col)) lastRestyled_.resize(size_t(col) + 1);
    TLastRestyled &last = lastRestyled_[size_t(col)];
    if (last.from != id || last.style != style) last = {id, pool_.Restyle(id, style), style};
    return last.to;
}

void TSheetCells::SetText(int row, int col, QStringView text, uint16_t style) {
    // A text of the row being written moves when that row's entries grow or go.
    const char16_t *own = open_.own.data();
    if (!text.isEmpty() && text.utf16() >= own && text.utf16() < own + open_.own.size()) {
        const QString copy = text.toString();
        return SetText(row, col, copy, style);
    }
    uint32_t ref = 0;
    if (PoolsText(col, text, style, &ref)) Put(row, col, ref);
    else PutOwn(row, col, text, style);
    MaybeCompact();
}

bool TSheetCells::RepeatAbove(int row, int col, QStringView text, uint16_t style) {
    if (row < 1 || text.isEmpty() || text.size() > kMaxOwnText || size_t(col) >= habits_.size()) return false;
    const uint32_t above = Ref(row - 1, col);
    if (!(above & kPooled) || pool_.Style(above & ~kPooled) != style) return false;
    THabit &h = habits_[size_t(col)];
    if (h.own) return false;  // a probe pooled the text above; the column keeps its texts in the rows
    // Counted as PoolsText counts a text found in the pool, so that the column is judged alike.
    ++h.hits;
    if (++h.tries == kJudgeAfter) {
        h.own = !WorthPooling(h.hits, h.tries);
        h.tries = h.hits = 0;
    }
    if (lastPooled_.size() <= size_t(col)) lastPooled_.resize(size_t(col) + 1);
    lastPooled_[size_t(col)] = {above & ~kPooled, style};
    Put(row, col, above);
    MaybeCompact();
    return true;
}

void TSheetCells::SetStyle(int row, int col, uint16_t style) {
    const uint32_t ref = Ref(row, col);
    if (ref == 0) {
        if (style) Put(row, col, kPooled | InternInColumn(col, {}, style).id);
    } else if (ref & kPooled) {
        const uint32_t id = ref & ~kPooled;
        Put(row, col, style == 0 && pool_.Text(id).isEmpty() ? 0 : kPooled | RestyleInColumn(col, id, style));
    } else {
        const_cast<char16_t *>(OwnEntry(row, ref))[0] = char16_t(style);
    }
    MaybeCompact();
}

// The cell's reference replaced: in the row's record when it has room for the cell, else in the
// row being written.
void TSheetCells::Put(int row, int col, uint32_t ref) {
    if (row != open_.row) {
        const uint32_t at = rows_[size_t(row)].at;
        if (at != kNoRecord && col < arena_.At(at)[0]) return WriteRef(arena_.At(at) + 1 + 2 * col, ref);
        if (ref == 0) return;
        Open(row);
    }
    std::vector<uint32_t> &refs = open_.refs;
    if (refs.size() <= size_t(col)) {
        if (ref == 0) return;
        // Room for the reserved cells at once: a row is mostly written left to right.
        refs.resize(std::max(size_t(col) + 1, size_t(reserved_)), 0);
    }
    const uint32_t old = refs[size_t(col)];
    if (old && !(old & kPooled)) open_.ownGarbage += 2 + open_.own[old];
    refs[size_t(col)] = ref;
    if (open_.ownGarbage > 4096 && open_.ownGarbage * 2 > open_.own.size()) PackOwn();
}

void TSheetCells::PutOwn(int row, int col, QStringView text, uint16_t style) {
    Open(row);
    std::vector<char16_t> &own = open_.own;
    if (own.size() + 2 + size_t(text.size()) > kMaxOwnUnits) return Put(row, col, kPooled | pool_.Intern(text, style).id);
    const auto ref = uint32_t(own.size() + 1);
    own.push_back(char16_t(style));
    own.push_back(char16_t(text.size()));
    own.insert(own.end(), text.utf16(), text.utf16() + text.size());
    Put(row, col, ref);
}

// The row's entries without those no cell refers to any more.
void TSheetCells::PackOwn() {
    std::vector<char16_t> packed;
    packed.reserve(open_.own.size() - open_.ownGarbage);
    for (uint32_t &ref : open_.refs) {
        if (ref == 0 || (ref & kPooled)) continue;
        const char16_t *entry = open_.own.data() + (ref - 1);
        ref = uint32_t(packed.size() + 1);
        packed.insert(packed.end(), entry, entry + 2 + entry[1]);
    }
    open_.own = std::move(packed);
    open_.ownGarbage = 0;
}

// Makes `row` the row being written: its record, if any, is read back and becomes garbage.
void TSheetCells::Open(int row) {
    if (open_.row == row) return;
    Flush();
    open_.row = row;
    open_.refs.clear();
    open_.own.clear();
    open_.ownGarbage = 0;
    const uint32_t at = rows_[size_t(row)].at;
    if (at == kNoRecord) return;
    Decode(*this, at, nullptr);
    DropRecord(at);
    rows_[size_t(row)].at = kNoRecord;
}

// Reads the record at `at` of `from` into the row being written. With `remap`, pairs of the other
// storage's pool are added to this one's (remap: their numbers here, UINT32_MAX until known).
void TSheetCells::Decode(const TSheetCells &from, uint32_t at, std::vector<uint32_t> *remap) {
    const char16_t *record = from.arena_.At(at);
    const int n = record[0];
    open_.refs.assign(size_t(n), 0);
    open_.own.clear();
    open_.ownGarbage = 0;
    for (int c = 0; c < n; ++c) {
        uint32_t ref = TSheetCells::ReadRef(record + 1 + 2 * c);
        if (ref & kPooled) {
            if (remap) ref = kPooled | MapPair(ref & ~kPooled, from.pool_, pool_, *remap);
        } else if (ref) {
            const char16_t *entry = record + ref;
            ref = uint32_t(open_.own.size() + 1);
            open_.own.insert(open_.own.end(), entry, entry + 2 + entry[1]);
        }
        open_.refs[size_t(c)] = ref;
    }
}

// Writes the row being written into the arena as one record: the count of cells, their
// references, the row's own entries.
void TSheetCells::Flush() {
    if (open_.row < 0) return;
    const int row = open_.row;
    open_.row = -1;
    rows_[size_t(row)].at = kNoRecord;
    const std::vector<uint32_t> &refs = open_.refs;
    size_t used = refs.size();
    while (used && refs[used - 1] == 0) --used;
    if (used == 0) return;
    const size_t n = std::max<size_t>(used, reserved_);
    size_t units = 1 + 2 * n;
    for (size_t c = 0; c < used; ++c)
        if (refs[c] && !(refs[c] & kPooled)) units += 2 + open_.own[refs[c]];
    const uint32_t at = arena_.Append(uint32_t(units));
    char16_t *record = arena_.At(at);
    record[0] = char16_t(n);
    size_t next = 1 + 2 * n;
    for (size_t c = 0; c < n; ++c) {
        uint32_t ref = c < used ? refs[c] : 0;
        if (ref && !(ref & kPooled)) {
            const char16_t *entry = open_.own.data() + (ref - 1);
            const size_t size = 2 + size_t(entry[1]);
            std::memcpy(record + next, entry, size * sizeof(char16_t));
            ref = uint32_t(next);
            next += size;
        }
        WriteRef(record + 1 + 2 * c, ref);
    }
    rows_[size_t(row)].at = at;
}

uint32_t TSheetCells::RecordUnits(uint32_t at) const {
    const char16_t *record = arena_.At(at);
    uint32_t end = 1 + 2 * uint32_t(record[0]);
    for (int c = 0; c < record[0]; ++c) {
        const uint32_t ref = TSheetCells::ReadRef(record + 1 + 2 * c);
        if (ref && !(ref & kPooled)) end = std::max(end, ref + 2 + record[ref + 1]);
    }
    return end;
}

void TSheetCells::DropRecord(uint32_t at) { garbage_ += RecordUnits(at); }

void TSheetCells::Resize(int rows) {
    if (rows >= Rows()) {
        rows_.resize(size_t(rows));
        return;
    }
    if (open_.row >= rows) open_.row = -1;  // its record went when it was opened
    if (rows == 0) {
        const std::vector<THabit> habits = std::move(habits_);
        const uint16_t reserved = reserved_;
        *this = TSheetCells();
        habits_ = habits;
        reserved_ = reserved;
        return;
    }
    for (size_t r = size_t(rows); r < rows_.size(); ++r)
        if (rows_[r].at != kNoRecord) DropRecord(rows_[r].at);
    rows_.resize(size_t(rows));
    MaybeCompact();
}

void TSheetCells::Erase(int first, int count) {
    Flush();
    for (int r = first; r < first + count; ++r)
        if (rows_[size_t(r)].at != kNoRecord) DropRecord(rows_[size_t(r)].at);
    rows_.erase(rows_.begin() + first, rows_.begin() + first + count);
    MaybeCompact();
}

void TSheetCells::TruncateColumns(int columns) {
    if (open_.refs.size() > size_t(columns)) open_.refs.resize(size_t(columns));
    // A record keeps its place: only its count of cells shrinks.
    for (const TRowRef &r : rows_)
        if (r.at != kNoRecord) {
            char16_t *record = arena_.At(r.at);
            record[0] = std::min<char16_t>(record[0], char16_t(columns));
        }
}

TSheetCells TSheetCells::FirstRows(int rows) {
    Flush();
    TSheetCells copy;
    copy.habits_ = habits_;
    copy.reserved_ = reserved_;
    copy.rows_.assign(rows_.begin(), rows_.begin() + rows);
    std::vector<uint32_t> remap(pool_.Count(), UINT32_MAX);
    for (int r = 0; r < rows; ++r) {
        if (copy.rows_[size_t(r)].at == kNoRecord) continue;
        copy.Decode(*this, rows_[size_t(r)].at, &remap);
        copy.open_.row = r;
        copy.Flush();
    }
    copy.poolAfter_ = copy.pool_.Units();
    return copy;
}

void TSheetCells::MaybeCompact() {
    if (garbage_ > kMinGarbage && garbage_ * 2 > arena_.Used()) Compact();
    else if (pool_.Units() > 2 * poolAfter_ + kPoolSlack) CompactPool();
}

// The live records copied into a new arena and the pairs they use into a new pool.
void TSheetCells::Compact() { *this = FirstRows(Rows()); }

// The pairs the cells use copied into a new pool, the records changed where they lie.
void TSheetCells::CompactPool() {
    Flush();
    TSheetTextPool pool;
    std::vector<uint32_t> remap(pool_.Count(), UINT32_MAX);
    for (const TRowRef &r : rows_) {
        if (r.at == kNoRecord) continue;
        char16_t *record = arena_.At(r.at);
        for (int c = 0; c < record[0]; ++c) {
            const uint32_t ref = ReadRef(record + 1 + 2 * c);
            if (ref & kPooled) WriteRef(record + 1 + 2 * c, kPooled | MapPair(ref & ~kPooled, pool_, pool, remap));
        }
    }
    pool_ = std::move(pool);
    lastPooled_.clear();  // their ids were the old pool's
    lastRestyled_.clear();
    poolAfter_ = pool_.Units();
}
