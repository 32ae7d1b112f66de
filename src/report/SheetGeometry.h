#pragma once
// Where columns and rows of a sheet lie, in sheet pixels: running sums of the widths and heights,
// measured again only when the model's size revision changes. Finding the row under a point is a
// binary search, so a view of 65,536 rows looks at the few it shows.
#include "report/SheetModel.h"

#include <QRect>
#include <vector>

class TSheetGeometry {
public:
    // Measures the model again if it changed since the last call (or is another model).
    void Update(const TSheetModel &model);

    int ColumnCount() const { return int(x_.size()) - 1; }
    int RowCount() const { return int(y_.size()) - 1; }
    // Left edge of a column and top edge of a row; ColumnLeft(ColumnCount() + 1) is the right edge
    // of the sheet. Arguments are clamped to 1..count + 1.
    int ColumnLeft(int col) const { return x_[size_t(std::clamp(col, 1, ColumnCount() + 1) - 1)]; }
    int RowTop(int row) const { return y_[size_t(std::clamp(row, 1, RowCount() + 1) - 1)]; }
    int Width() const { return x_.back(); }
    int Height() const { return y_.back(); }
    // The visible column or row that contains the coordinate, clamped to the sheet (0 when the
    // sheet has none). Hidden columns and rows (size 0) are never returned.
    int ColumnAt(int x) const { return IndexAt(x_, x); }
    int RowAt(int y) const { return IndexAt(y_, y); }
    // The rectangle a range of cells covers.
    QRect Rect(const TCellRect &cells) const;

private:
    static int IndexAt(const std::vector<int> &edges, int position);

    std::vector<int> x_{0};
    std::vector<int> y_{0};
    quint64 revision_ = 0;
};
