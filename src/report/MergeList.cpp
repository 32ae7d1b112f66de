#include "report/MergeList.h"

#include <algorithm>

namespace {
bool TopLeftLess(const TCellRect &a, const TCellRect &b) {
    return a.top != b.top ? a.top < b.top : a.left < b.left;
}
}  // namespace

std::pair<size_t, size_t> TMergeList::Candidates(int top, int bottom) const {
    // A merge can reach row `top` only if it starts at most tallest_-1 rows above it.
    const int from = top - tallest_ + 1;
    auto lo = std::lower_bound(merges_.begin(), merges_.end(), from,
                               [](const TCellRect &m, int row) { return m.top < row; });
    auto hi = std::upper_bound(lo, merges_.end(), bottom,
                               [](int row, const TCellRect &m) { return row < m.top; });
    return {size_t(lo - merges_.begin()), size_t(hi - merges_.begin())};
}

void TMergeList::Add(const TCellRect &area) {
    if (area.IsEmpty()) return;
    auto [lo, hi] = Candidates(area.top, area.bottom);
    auto first = merges_.begin() + lo;
    auto last = merges_.begin() + hi;
    last = std::remove_if(first, last, [&](const TCellRect &m) { return m.Intersects(area); });
    merges_.erase(last, merges_.begin() + hi);
    if (area.IsSingleCell()) return;
    merges_.insert(std::upper_bound(merges_.begin(), merges_.end(), area, TopLeftLess), area);
    tallest_ = std::max(tallest_, area.bottom - area.top + 1);
}

const TCellRect *TMergeList::Find(int col, int row) const {
    auto [lo, hi] = Candidates(row, row);
    for (size_t i = lo; i < hi; ++i)
        if (merges_[i].Contains(col, row)) return &merges_[i];
    return nullptr;
}

bool TMergeList::OnRow(int row) const {
    auto [lo, hi] = Candidates(row, row);
    for (size_t i = lo; i < hi; ++i)
        if (merges_[i].top <= row && merges_[i].bottom >= row) return true;
    return false;
}

std::vector<TCellRect> TMergeList::Intersecting(const TCellRect &area) const {
    std::vector<TCellRect> out;
    if (area.IsEmpty()) return out;
    auto [lo, hi] = Candidates(area.top, area.bottom);
    for (size_t i = lo; i < hi; ++i)
        if (merges_[i].Intersects(area)) out.push_back(merges_[i]);
    return out;
}

void TMergeList::RowsDeleted(int first, int count) {
    if (count <= 0 || merges_.empty()) return;
    const int last = first + count - 1;
    std::vector<TCellRect> kept;
    kept.reserve(merges_.size());
    for (TCellRect m : merges_) {
        if (m.bottom < first) {
            kept.push_back(m);
            continue;
        }
        if (m.top > last) {
            m.top -= count;
            m.bottom -= count;
            kept.push_back(m);
            continue;
        }
        // Every deleted row at or above the merge's bottom moves the bottom up; the first row
        // that survives below the deleted ones lands on `first`.
        m.bottom -= std::min(m.bottom, last) - first + 1;
        m.top = std::min(m.top, first);
        if (m.bottom >= m.top && !m.IsSingleCell()) kept.push_back(m);
    }
    Rebuild(std::move(kept));
}

void TMergeList::ClipTo(int columns, int rows) {
    std::vector<TCellRect> kept;
    const TCellRect sheet{1, 1, columns, rows};
    for (const TCellRect &m : merges_) {
        const TCellRect c = m.Intersected(sheet);
        if (!c.IsEmpty() && !c.IsSingleCell()) kept.push_back(c);
    }
    Rebuild(std::move(kept));
}

void TMergeList::Clear() { Rebuild({}); }

void TMergeList::Rebuild(std::vector<TCellRect> merges) {
    std::sort(merges.begin(), merges.end(), TopLeftLess);
    merges_ = std::move(merges);
    tallest_ = 1;
    for (const TCellRect &m : merges_) tallest_ = std::max(tallest_, m.bottom - m.top + 1);
}
