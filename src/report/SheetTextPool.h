#pragma once
// Storage under the sheet's cells.
//
// TUnitBlocks: 16-bit units in blocks of 64 KiB that never move once allocated, so that a view of
// what was written stays valid as long as the blocks do. Blocks that small come from the C
// library's heap, not from pages mapped for them alone: they take up the room that data freed
// meanwhile (the rows a read held until the sheet took them) gave back to the heap. A piece never
// straddles two blocks.
//
// TSheetTextPool: the texts that repeat across a sheet, each (text, style) pair kept once and
// known by its number. Pairs are only added, never changed: a cell that changes refers to another.
#include <QStringView>
#include <cstdint>
#include <memory>
#include <vector>

class TUnitBlocks {
public:
    // The largest piece Append takes.
    static constexpr uint32_t kMaxPiece = uint32_t(1) << 15;

    TUnitBlocks() = default;
    TUnitBlocks(const TUnitBlocks &other);
    TUnitBlocks &operator=(const TUnitBlocks &other);
    TUnitBlocks(TUnitBlocks &&) noexcept = default;
    TUnitBlocks &operator=(TUnitBlocks &&) noexcept = default;

    // Room for `units` units (at most kMaxPiece) in one block; their address. The units are not
    // initialised.
    uint32_t Append(uint32_t units);
    char16_t *At(uint32_t address) { return blocks_[address >> kShift].get() + (address & (kMaxPiece - 1)); }
    const char16_t *At(uint32_t address) const {
        return blocks_[address >> kShift].get() + (address & (kMaxPiece - 1));
    }
    // Units handed out so far, including the ends of blocks left unused.
    uint64_t Used() const { return end_; }

private:
    static constexpr int kShift = 15;

    std::vector<std::unique_ptr<char16_t[]>> blocks_;
    uint32_t end_ = 0;  // the next free address
};

class TSheetTextPool {
public:
    struct TInterned {
        uint32_t id;
        bool existed;
    };
    // The pair's number, added when it is new. The text may be a view into this pool.
    TInterned Intern(QStringView text, uint16_t style);
    // The number of the pair with the text of `id` and another style.
    uint32_t Restyle(uint32_t id, uint16_t style);
    QStringView Text(uint32_t id) const {
        const TEntry &e = entries_[id];
        return e.length ? QStringView(texts_.At(e.at), e.length) : QStringView();
    }
    uint16_t Style(uint32_t id) const { return entries_[id].style; }
    size_t Count() const { return entries_.size(); }
    // Memory held, in 16-bit units.
    uint64_t Units() const { return texts_.Used() + entries_.capacity() * 6 + table_.capacity() * 2; }

private:
    struct TEntry {
        uint32_t at;
        uint16_t length;
        uint16_t style;
        uint32_t textHash;
    };
    static uint32_t PairHash(uint32_t textHash, uint16_t style);
    uint32_t Find(uint32_t textHash, QStringView text, uint16_t style) const;  // UINT32_MAX: none
    uint32_t Add(uint32_t textHash, QStringView text, uint16_t style);
    void Grow();

    std::vector<TEntry> entries_;
    std::vector<uint32_t> table_;  // open addressing: entry number + 1, 0 free
    TUnitBlocks texts_;
};
