#include "report/SheetPagination.h"

#include <algorithm>
#include <numeric>

double FitWidthScale(double columnsWidth, double pageWidth) {
    if (columnsWidth <= pageWidth || columnsWidth <= 0 || pageWidth <= 0) return 1;
    return pageWidth / columnsWidth;
}

namespace {
// The size of the repeated items first..last (1-based) when they can be repeated: named, ending
// before the last item, and taking at most half the room; 0 when they cannot.
double RepeatSize(const std::vector<int> &sizes, int first, int last, double room) {
    if (first < 1 || first > last || last >= int(sizes.size())) return 0;
    const double size = std::accumulate(sizes.begin() + (first - 1), sizes.begin() + last, 0.0);
    // Repeating a heading that takes more than half the page would leave too little for the rest.
    return size <= room / 2 ? size : 0;
}
// The last of the repeated columns first..last that are repeated: all of them when they fit in half
// the room, else as many of the first as do (the row labels on the left are the ones that tell a
// row); 0 when not even the first fits.
int LastRepeatedColumn(const TPaginationInput &in, double room) {
    const std::vector<int> &sizes = in.columnWidths;
    const int first = in.repeatFirstColumn, last = in.repeatLastColumn;
    if (first < 1 || first > last || last >= int(sizes.size())) return 0;
    double size = 0;
    int fits = 0;
    for (int c = first; c <= last && (size += sizes[size_t(c - 1)]) <= room / 2; ++c)
        if (c == last || std::find(in.joinedColumns.begin(), in.joinedColumns.end(), c) == in.joinedColumns.end()) fits = c;
    return fits;
}
}  // namespace

TPagination Paginate(const TPaginationInput &in) {
    const int rows = int(in.rowHeights.size());
    if (rows == 0) return {{TSheetPage{{1, 0}, {1, 0}}}, 1};  // nothing to print: one blank page
    double scale = 1, pageWidth = in.pageWidth, pageHeight = in.pageHeight;
    if (in.fitWidth) {
        const double total = std::accumulate(in.columnWidths.begin(), in.columnWidths.end(), 0.0);
        scale = FitWidthScale(total, in.pageWidth);
        // The page seen at the sheet's own size; every column goes across it.
        pageHeight /= scale;
        pageWidth = std::max(pageWidth / scale, total);
    }
    const double repeatHeight = RepeatSize(in.rowHeights, in.repeatFirstRow, in.repeatLastRow, pageHeight);
    const int lastRepeated =
        in.fitWidth ? 0 : LastRepeatedColumn(in, pageWidth);
    const double repeatWidth = RepeatSize(in.columnWidths, in.repeatFirstColumn, lastRepeated, pageWidth);
    const auto startsAfterRepeat = [&](int first) { return repeatHeight > 0 && first > in.repeatLastRow; };
    const auto startsRightOfRepeat = [&](int first) { return repeatWidth > 0 && first > lastRepeated; };

    const std::vector<TPageBand> rowBands = SplitIntoBands(in.rowHeights, [&](int first) {
        return startsAfterRepeat(first) ? pageHeight - repeatHeight : pageHeight;
    });
    const std::vector<TPageBand> columnBands = SplitIntoBands(in.columnWidths, [&](int first) {
        return startsRightOfRepeat(first) ? pageWidth - repeatWidth : pageWidth;
    });

    TPagination out;
    out.scale = scale;
    out.pages.reserve(rowBands.size() * columnBands.size());
    const int across = int(columnBands.size()), down = int(rowBands.size());
    for (int c = 0; c < across; ++c)
        for (int r = 0; r < down; ++r) {
            const TPageBand &columns = columnBands[size_t(c)], &band = rowBands[size_t(r)];
            out.pages.push_back({band, columns, startsAfterRepeat(band.first), startsRightOfRepeat(columns.first),
                                 lastRepeated, c + 1, across, r + 1, down});
        }
    return out;
}
