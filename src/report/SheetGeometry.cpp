#include "report/SheetGeometry.h"

#include <algorithm>

void TSheetGeometry::Update(const TSheetModel &model) {
    if (revision_ == model.GeometryRevision()) return;
    revision_ = model.GeometryRevision();
    x_.resize(size_t(model.ColumnCount()) + 1);
    for (int c = 1; c <= model.ColumnCount(); ++c) x_[size_t(c)] = x_[size_t(c - 1)] + model.ColumnWidth(c);
    y_.resize(size_t(model.RowCount()) + 1);
    for (int r = 1; r <= model.RowCount(); ++r) y_[size_t(r)] = y_[size_t(r - 1)] + model.RowHeight(r);
}

int TSheetGeometry::IndexAt(const std::vector<int> &edges, int position) {
    if (edges.back() <= 0) return 0;  // nothing visible
    position = std::clamp(position, 0, edges.back() - 1);
    // Index i spans [edges[i-1], edges[i]); the first edge beyond the position closes a visible
    // one, because a hidden index shares its edge with the one before it.
    return int(std::upper_bound(edges.begin() + 1, edges.end(), position) - edges.begin());
}

QRect TSheetGeometry::Rect(const TCellRect &cells) const {
    const int left = ColumnLeft(cells.left), top = RowTop(cells.top);
    return QRect(left, top, ColumnLeft(cells.right + 1) - left, RowTop(cells.bottom + 1) - top);
}
