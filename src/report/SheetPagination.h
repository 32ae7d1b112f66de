#pragma once
// How a sheet is cut into pages: rows into bands that fit the page height, columns into bands that
// fit its width, pages taken down the rows first and then across. Rows named for repeating are
// printed again at the top of every page whose rows start after them, and columns named for
// repeating (the row labels) at the left of every page whose columns start after them. A sheet fitted to the page
// width is printed smaller so that all its columns go across one page, and its rows are cut for the
// page height at that scale. A pure function of sizes.
#include <cstddef>
#include <vector>

// Inclusive range of rows or columns; empty when last < first.
struct TPageBand {
    int first = 1;
    int last = 0;
    friend bool operator==(const TPageBand &, const TPageBand &) = default;
};

struct TSheetPage {
    TPageBand rows;
    TPageBand columns;
    bool repeatRows = false;     // the repeated rows go above `rows` on this page
    bool repeatColumns = false;  // the repeated columns go left of `columns` on this page
    int repeatLastColumn = 0;    // the last of them: those that fit in half the page width
    int across = 1, acrossCount = 1;  // the page's place across the sheet, of how many
    int down = 1, downCount = 1;      // and down it
};

struct TPaginationInput {
    std::vector<int> columnWidths;  // columns 1..n
    std::vector<int> rowHeights;    // rows 1..n
    double pageWidth = 0;           // the printable body, in the same units as the sizes
    double pageHeight = 0;
    int repeatFirstRow = 0;  // 0: no repeated rows
    int repeatLastRow = 0;
    int repeatFirstColumn = 0;  // 0: no repeated columns
    int repeatLastColumn = 0;
    // Repeated columns that a merged heading joins to the next: a part of the repeated columns
    // does not end there (it would cut a caption in two).
    std::vector<int> joinedColumns;
    bool fitWidth = false;  // every column on one page width, the sheet scaled down to fit
};

struct TPagination {
    std::vector<TSheetPage> pages;
    // Page units per sheet unit: 1, or below 1 for a sheet fitted to a page width it exceeds. The
    // pages' rows and columns are cut for the page's size divided by it.
    double scale = 1;
};

// The scale that brings columns of the given total width into the page width: never above 1.
double FitWidthScale(double columnsWidth, double pageWidth);

// Splits sizes (index 0 = item 1) into consecutive bands, each at most `limit(first)` long; an
// item longer than the limit gets a band of its own, and items of size 0 join the band before.
// Always at least one band (empty when there are no items).
template <typename Limit>
std::vector<TPageBand> SplitIntoBands(const std::vector<int> &sizes, Limit limit) {
    std::vector<TPageBand> bands;
    const int n = int(sizes.size());
    for (int first = 1; first <= n;) {
        const double room = limit(first);
        double used = 0;
        int next = first;
        while (next <= n && used + sizes[size_t(next - 1)] <= room) used += sizes[size_t(next++ - 1)];
        if (next == first) ++next;  // too long for any page: alone, and cut
        bands.push_back({first, next - 1});
        first = next;
    }
    if (bands.empty()) bands.push_back({1, 0});
    return bands;
}

TPagination Paginate(const TPaginationInput &input);
// The pages alone.
inline std::vector<TSheetPage> PaginateSheet(const TPaginationInput &input) { return Paginate(input).pages; }
