#include "report/SheetPagination.h"

#include <algorithm>
#include <numeric>

double FitWidthScale(double columnsWidth, double pageWidth) {
    if (columnsWidth <= pageWidth || columnsWidth <= 0 || pageWidth <= 0) return 1;
    return pageWidth / columnsWidth;
}

TPagination Paginate(const TPaginationInput &in) {
    const int rows = int(in.rowHeights.size());
    if (rows == 0) return {{TSheetPage{{1, 0}, {1, 0}, false}}, 1};  // nothing to print: one blank page
    double scale = 1, pageWidth = in.pageWidth, pageHeight = in.pageHeight;
    if (in.fitWidth) {
        const double total = std::accumulate(in.columnWidths.begin(), in.columnWidths.end(), 0.0);
        scale = FitWidthScale(total, in.pageWidth);
        // The page seen at the sheet's own size; every column goes across it.
        pageHeight /= scale;
        pageWidth = std::max(pageWidth / scale, total);
    }
    const bool canRepeat = in.repeatFirstRow >= 1 && in.repeatFirstRow <= in.repeatLastRow &&
                           in.repeatLastRow < rows;
    double repeatHeight = 0;
    if (canRepeat)
        repeatHeight = std::accumulate(in.rowHeights.begin() + (in.repeatFirstRow - 1),
                                       in.rowHeights.begin() + in.repeatLastRow, 0.0);
    // Repeating a heading that takes more than half the page would leave too little for the rows.
    const bool repeat = canRepeat && repeatHeight > 0 && repeatHeight <= pageHeight / 2;
    const auto startsAfterRepeat = [&](int first) { return repeat && first > in.repeatLastRow; };

    const std::vector<TPageBand> rowBands = SplitIntoBands(in.rowHeights, [&](int first) {
        return startsAfterRepeat(first) ? pageHeight - repeatHeight : pageHeight;
    });
    const std::vector<TPageBand> columnBands =
        SplitIntoBands(in.columnWidths, [&](int) { return pageWidth; });

    TPagination out;
    out.scale = scale;
    out.pages.reserve(rowBands.size() * columnBands.size());
    for (const TPageBand &columns : columnBands)
        for (const TPageBand &band : rowBands) out.pages.push_back({band, columns, startsAfterRepeat(band.first)});
    return out;
}
