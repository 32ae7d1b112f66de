#include "report/SheetTextPool.h"

#include <QHash>
#include <algorithm>
#include <cstring>
#include <new>

namespace {
constexpr uint32_t kNone = UINT32_MAX;
}  // namespace

uint32_t TUnitBlocks::Append(uint32_t units) {
    if (units == 0) return end_;
    if (units > kMaxPiece) throw std::bad_alloc();
    uint64_t at = end_;
    // A piece that does not fit in what is left of a block starts the next one.
    if ((at & (kMaxPiece - 1)) + units > kMaxPiece) at = (at | (kMaxPiece - 1)) + 1;
    if (at + units > UINT32_MAX) throw std::bad_alloc();  // 32-bit addresses used up
    const size_t block = size_t(at >> kShift);
    if (blocks_.size() <= block) blocks_.resize(block + 1);
    if (!blocks_[block]) blocks_[block].reset(new char16_t[kMaxPiece]);
    end_ = uint32_t(at + units);
    return uint32_t(at);
}

TUnitBlocks::TUnitBlocks(const TUnitBlocks &other) : end_(other.end_) {
    blocks_.resize(other.blocks_.size());
    for (size_t b = 0; b < blocks_.size(); ++b) {
        if (!other.blocks_[b]) continue;
        blocks_[b].reset(new char16_t[kMaxPiece]);
        const uint64_t used = std::min<uint64_t>(kMaxPiece, end_ - (uint64_t(b) << kShift));
        std::memcpy(blocks_[b].get(), other.blocks_[b].get(), used * sizeof(char16_t));
    }
}

TUnitBlocks &TUnitBlocks::operator=(const TUnitBlocks &other) {
    if (this != &other) *this = TUnitBlocks(other);
    return *this;
}

uint32_t TSheetTextPool::PairHash(uint32_t textHash, uint16_t style) {
    uint32_t h = textHash ^ (uint32_t(style) * 0x9E3779B1u);
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    return h ^ (h >> 12);
}

uint32_t TSheetTextPool::Find(uint32_t textHash, QStringView text, uint16_t style) const {
    if (table_.empty()) return kNone;
    const size_t mask = table_.size() - 1;
    for (size_t i = PairHash(textHash, style) & mask;; i = (i + 1) & mask) {
        const uint32_t slot = table_[i];
        if (slot == 0) return kNone;
        const TEntry &e = entries_[slot - 1];
        if (e.textHash == textHash && e.style == style && e.length == text.size()
            && (e.length == 0 || std::memcmp(texts_.At(e.at), text.utf16(), size_t(e.length) * 2) == 0))
            return slot - 1;
    }
}

uint32_t TSheetTextPool::Add(uint32_t textHash, QStringView text, uint16_t style) {
    if ((entries_.size() + 1) * 2 > table_.size()) Grow();
    const auto length = uint32_t(text.size());
    const uint32_t at = texts_.Append(length);
    // The text may lie in this pool: its blocks do not move while another is added.
    if (length) std::memcpy(texts_.At(at), text.utf16(), length * 2);
    const auto id = uint32_t(entries_.size());
    entries_.push_back({at, uint16_t(length), style, textHash});
    const size_t mask = table_.size() - 1;
    size_t i = PairHash(textHash, style) & mask;
    while (table_[i] != 0) i = (i + 1) & mask;
    table_[i] = id + 1;
    return id;
}

void TSheetTextPool::Grow() {
    std::vector<uint32_t> table(std::max<size_t>(64, table_.size() * 2), 0);
    const size_t mask = table.size() - 1;
    for (uint32_t id = 0; id < entries_.size(); ++id) {
        size_t i = PairHash(entries_[id].textHash, entries_[id].style) & mask;
        while (table[i] != 0) i = (i + 1) & mask;
        table[i] = id + 1;
    }
    table_ = std::move(table);
}

TSheetTextPool::TInterned TSheetTextPool::Intern(QStringView text, uint16_t style) {
    const auto textHash = uint32_t(qHash(text));
    const uint32_t found = Find(textHash, text, style);
    if (found != kNone) return {found, true};
    return {Add(textHash, text, style), false};
}

uint32_t TSheetTextPool::Restyle(uint32_t id, uint16_t style) {
    if (entries_[id].style == style) return id;
    const uint32_t textHash = entries_[id].textHash;
    const QStringView text = Text(id);
    const uint32_t found = Find(textHash, text, style);
    return found != kNone ? found : Add(textHash, text, style);
}
