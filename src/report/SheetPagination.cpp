#include "report/SheetPagination.h"

#include <numeric>

std::vector<TSheetPage> PaginateSheet(const TPaginationInput &in) {
    const int rows = int(in.rowHeights.size());
    if (rows == 0) return {TSheetPage{{1, 0}, {1, 0}, false}};  // nothing to print: one blank page
    const bool canRepeat = in.repeatFirstRow >= 1 && in.repeatFirstRow <= in.repeatLastRow &&
                           in.repeatLastRow < rows;
    double repeatHeight = 0;
    if (canRepeat)
        repeatHeight = std::accumulate(in.rowHeights.begin() + (in.repeatFirstRow - 1),
                                       in.rowHeights.begin() + in.repeatLastRow, 0.0);
    // Repeating a heading that takes more than half the page would leave too little for the rows.
    const bool repeat = canRepeat && repeatHeight > 0 && repeatHeight <= in.pageHeight / 2;
    const auto startsAfterRepeat = [&](int first) { return repeat && first > in.repeatLastRow; };

    const std::vector<TPageBand> rowBands = SplitIntoBands(in.rowHeights, [&](int first) {
        return startsAfterRepeat(first) ? in.pageHeight - repeatHeight : in.pageHeight;
    });
    const std::vector<TPageBand> columnBands =
        SplitIntoBands(in.columnWidths, [&](int) { return in.pageWidth; });

    std::vector<TSheetPage> pages;
    pages.reserve(rowBands.size() * columnBands.size());
    for (const TPageBand &columns : columnBands)
        for (const TPageBand &band : rowBands) pages.push_back({band, columns, startsAfterRepeat(band.first)});
    return pages;
}
