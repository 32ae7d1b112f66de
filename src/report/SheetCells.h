#pragma once
// TSheetCells: the texts and style numbers of a sheet's cells and its row heights, kept compactly
// for sheets of a million rows. Rows and columns are counted from 0 here; the model checks them.
//
// A cell is a 32-bit reference: 0 (no text, style 0), a (text, style) pair of the sheet-wide pool
// (the codes and names a result repeats on every row), or an entry of its own row (style, length,
// text) for texts that seldom repeat (running numbers, amounts, ids). Whether a column's texts go
// to the pool is learnt from how often they are found there. A row's references and own entries
// lie back to back in one record of a sheet-wide arena; the row written last is held apart until
// another row is written, so that a row filled cell by cell is stored once.
//
// A view that Text returns stays valid until the next change of the cells.
#include "report/SheetTextPool.h"

#include <QStringView>
#include <algorithm>
#include <cstdint>
#include <deque>
#include <vector>

class TSheetCells {
public:
    int Rows() const { return int(rows_.size()); }
    void Resize(int rows);
    void Erase(int first, int count);  // the rows must exist
    // A storage with copies of the first `rows` rows.
    TSheetCells FirstRows(int rows);
    // Cells beyond `columns` are dropped.
    void TruncateColumns(int columns);
    // How many cells a row's record makes room for at least, so that later styles of a row's
    // further cells (its grid lines) need not move it.
    void SetReservedColumns(int columns) { reserved_ = uint16_t(std::min(columns, 64)); }

    QStringView Text(int row, int col) const { return TextOf(row, Ref(row, col)); }
    uint16_t Style(int row, int col) const { return StyleOf(row, Ref(row, col)); }
    void SetText(int row, int col, QStringView text) { SetText(row, col, text, Style(row, col)); }  // the cell keeps its style
    void SetText(int row, int col, QStringView text, uint16_t style);
    // SetText for a text the caller knows to be the text of the cell above (row - 1): the cell
    // takes that cell's pair when it is a pooled one in the same style, as SetText would find it,
    // without comparing or hashing the text. False, with nothing changed, otherwise.
    bool RepeatAbove(int row, int col, QStringView text, uint16_t style);
    // Calls f(col, text, style) for the row's cells that hold a text or a style, left to right;
    // f must not change the cells.
    template <typename F> void ForEachInRow(int row, F &&f) const {
        if (row == open_.row) {
            for (size_t c = 0; c < open_.refs.size(); ++c)
                if (const uint32_t ref = open_.refs[c]) f(int(c), TextOf(row, ref), StyleOf(row, ref));
            return;
        }
        const uint32_t at = rows_[size_t(row)].at;
        if (at == kNoRecord) return;
        const char16_t *record = arena_.At(at);
        for (int c = 0; c < record[0]; ++c)
            if (const uint32_t ref = ReadRef(record + 1 + 2 * c)) f(c, TextOf(row, ref), StyleOf(row, ref));
    }
    void SetStyle(int row, int col, uint16_t style);
    int16_t Height(int row) const { return rows_[size_t(row)].height; }
    void SetHeight(int row, int16_t height) { rows_[size_t(row)].height = height; }
    // What the row stands for, as its writer marked it (0: nothing); kept with the row.
    uint8_t Mark(int row) const { return rows_[size_t(row)].mark; }
    void SetMark(int row, uint8_t mark) { rows_[size_t(row)].mark = mark; }

private:
    static constexpr uint32_t kNoRecord = UINT32_MAX;
    static constexpr uint32_t kPooled = 0x80000000u;
    // Texts longer than this go to the pool, and so do texts that would make a row's own entries
    // longer than kMaxOwnUnits: a row's record must fit in an arena block.
    static constexpr int kMaxOwnText = 256;
    static constexpr size_t kMaxOwnUnits = TUnitBlocks::kMaxPiece / 2;

    struct TRowRef {
        uint32_t at = kNoRecord;  // the record in the arena
        int16_t height = -1;  // -1: the sheet's default height
        uint8_t mark = 0;
    };
    // The row being written: references as in a record, own entries in `own` (reference = index in
    // `own` + 1).
    struct TOpenRow {
        int row = -1;
        std::vector<uint32_t> refs;
        std::vector<char16_t> own;
        uint32_t ownGarbage = 0;
    };
    // How a column's texts have fared in the pool lately.
    struct THabit {
        uint32_t tries = 0;
        uint32_t hits = 0;
        bool own = false;  // texts kept in the row
    };

    static uint32_t ReadRef(const char16_t *at) { return uint32_t(at[0]) | uint32_t(at[1]) << 16; }
    uint32_t Ref(int row, int col) const {
        if (row == open_.row) return size_t(col) < open_.refs.size() ? open_.refs[size_t(col)] : 0;
        const uint32_t at = rows_[size_t(row)].at;
        if (at == kNoRecord) return 0;
        const char16_t *record = arena_.At(at);
        return col < record[0] ? ReadRef(record + 1 + 2 * col) : 0;
    }
    // An entry of the row's own: style, length, text.
    const char16_t *OwnEntry(int row, uint32_t ref) const {
        return row == open_.row ? open_.own.data() + (ref - 1) : arena_.At(rows_[size_t(row)].at) + ref;
    }
    QStringView TextOf(int row, uint32_t ref) const {
        if (ref == 0) return {};
        if (ref & kPooled) return pool_.Text(ref & ~kPooled);
        const char16_t *entry = OwnEntry(row, ref);
        return QStringView(entry + 2, entry[1]);
    }
    uint16_t StyleOf(int row, uint32_t ref) const {
        if (ref == 0) return 0;
        return ref & kPooled ? pool_.Style(ref & ~kPooled) : uint16_t(OwnEntry(row, ref)[0]);
    }
    bool PoolsText(int col, QStringView text, uint16_t style, uint32_t *ref);
    void Put(int row, int col, uint32_t ref);
    void PutOwn(int row, int col, QStringView text, uint16_t style);
    void Open(int row);
    void Flush();
    void Decode(const TSheetCells &from, uint32_t at, std::vector<uint32_t> *remap);
    uint32_t RecordUnits(uint32_t at) const;
    void DropRecord(uint32_t at);
    void PackOwn();
    void MaybeCompact();
    void Compact();
    void CompactPool();
    // The pool's pair of the text and style, through the column's last pair.
    TSheetTextPool::TInterned InternInColumn(int col, QStringView text, uint16_t style);
    // The pool's pair of the text of `id` in the style, through the column's last restyling.
    uint32_t RestyleInColumn(int col, uint32_t id, uint16_t style);

    std::deque<TRowRef> rows_;
    TUnitBlocks arena_;
    TSheetTextPool pool_;
    TOpenRow open_;
    std::vector<THabit> habits_;
    // The pair each column pooled last: sorted results repeat a column's text row after row, and
    // the same text in the same style is that pair again, found without hashing. Ids of pool_.
    struct TLastPooled {
        uint32_t id = UINT32_MAX;
        uint16_t style = 0;
    };
    std::vector<TLastPooled> lastPooled_;
    // The pair each column was last restyled from, to which style, and the pair it became: a style
    // laid over a column meets its repeated texts row after row. Ids of pool_.
    struct TLastRestyled {
        uint32_t from = UINT32_MAX, to = 0;
        uint16_t style = 0;
    };
    std::vector<TLastRestyled> lastRestyled_;
    uint64_t garbage_ = 0;     // arena units no row refers to any more
    uint64_t poolAfter_ = 0;   // the pool's size after the last compaction
    uint16_t reserved_ = 16;
};
