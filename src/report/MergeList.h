#pragma once
// The merged areas of a sheet: disjoint rectangles kept in order of their top row, so that the
// merge covering a cell, or those crossing a visible area, are found without scanning them all.
#include "report/SheetTypes.h"

#include <vector>

class TMergeList {
public:
    // Adds the area after removing every earlier merge that overlaps it, so merges never overlap.
    // A single cell adds nothing but still removes the merges it touches (it unmerges).
    void Add(const TCellRect &area);
    // The merge covering the cell, or nullptr.
    const TCellRect *Find(int col, int row) const;
    // Whether any merge covers a cell of the row.
    bool OnRow(int row) const;
    // The merges that intersect the area, in order of their top row.
    std::vector<TCellRect> Intersecting(const TCellRect &area) const;
    // Rows first..first+count-1 were removed from the sheet: merges inside them disappear, merges
    // below move up, merges that reached into them shrink (and vanish when one cell is left).
    void RowsDeleted(int first, int count);
    // The sheet was cut to the given size: merges are clipped to it.
    void ClipTo(int columns, int rows);

    const std::vector<TCellRect> &All() const { return merges_; }
    int Count() const { return int(merges_.size()); }
    void Clear();

private:
    // The range of merges whose top row could still reach the rows top..bottom.
    std::pair<size_t, size_t> Candidates(int top, int bottom) const;
    void Rebuild(std::vector<TCellRect> merges);

    std::vector<TCellRect> merges_;  // sorted by (top, left)
    int tallest_ = 1;                // rows of the tallest merge ever added since the last rebuild
};
