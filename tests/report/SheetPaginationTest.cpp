// Cutting a sheet into pages, as a table of cases, and the page text's fields.
#include "report/PageText.h"
#include "report/SheetPagination.h"

#include <gtest/gtest.h>

namespace {
std::vector<int> Sizes(std::initializer_list<std::pair<int, int>> runs) {  // {count, size}
    std::vector<int> out;
    for (auto [count, size] : runs) out.insert(out.end(), size_t(count), size);
    return out;
}

std::vector<TPageBand> Bands(const std::vector<int> &sizes, double limit) {
    return SplitIntoBands(sizes, [limit](int) { return limit; });
}
}  // namespace

TEST(SheetPagination, BandsFitTheLimitAndOversizedItemsStandAlone) {
    const struct {
        std::vector<int> sizes;
        double limit;
        std::vector<TPageBand> bands;
    } cases[] = {
        {{}, 100, {{1, 0}}},
        {{10, 20, 30}, 100, {{1, 3}}},
        {{50, 50, 50}, 100, {{1, 2}, {3, 3}}},
        {{150, 10}, 100, {{1, 1}, {2, 2}}},       // taller than a page: a page of its own
        {{60, 0, 0, 60}, 100, {{1, 3}, {4, 4}}},  // hidden rows join the band before
        {{0, 0, 60}, 100, {{1, 3}}},
        {{40, 40, 40, 0}, 80, {{1, 2}, {3, 4}}},
        {Sizes({{10, 10}}), 25, {{1, 2}, {3, 4}, {5, 6}, {7, 8}, {9, 10}}},
    };
    for (const auto &c : cases) EXPECT_EQ(Bands(c.sizes, c.limit), c.bands) << c.sizes.size();
}

TEST(SheetPagination, LongSheetRepeatsItsHeadingRows) {
    // Title 40, heading rows 2..3 of 25 each, then 100 rows of 20 on pages 500 high.
    TPaginationInput in;
    in.columnWidths = {100, 100};
    in.rowHeights = {40, 25, 25};
    in.rowHeights.insert(in.rowHeights.end(), 100, 20);
    in.pageWidth = 300;
    in.pageHeight = 500;
    in.repeatFirstRow = 2;
    in.repeatLastRow = 3;
    const std::vector<TSheetPage> pages = PaginateSheet(in);
    // Page 1: 40 + 50 + 20 rows of 20 = 490; later pages: 500 - 50 = 450 -> 22 rows each.
    ASSERT_EQ(pages.size(), 5u);
    EXPECT_EQ(pages[0].rows, (TPageBand{1, 23}));
    EXPECT_FALSE(pages[0].repeatRows);
    EXPECT_EQ(pages[1].rows, (TPageBand{24, 45}));
    EXPECT_TRUE(pages[1].repeatRows);
    EXPECT_EQ(pages[4].rows, (TPageBand{90, 103}));
    for (const TSheetPage &p : pages) EXPECT_EQ(p.columns, (TPageBand{1, 2}));
}

TEST(SheetPagination, WideSheetGoesDownThenAcross) {
    TPaginationInput in;
    in.columnWidths = {48, 80, 160, 0, 120, 80, 160, 130, 0, 0};
    in.rowHeights = Sizes({{60, 20}});
    in.pageWidth = 400;
    in.pageHeight = 600;
    const std::vector<TSheetPage> pages = PaginateSheet(in);
    ASSERT_EQ(pages.size(), 6u);  // 3 column bands x 2 row bands
    EXPECT_EQ(pages[0].columns, (TPageBand{1, 4}));  // 48+80+160+0+120 = 408 > 400
    EXPECT_EQ(pages[1].columns, pages[0].columns);
    EXPECT_EQ(pages[1].rows, (TPageBand{31, 60}));
    EXPECT_EQ(pages[2].rows, (TPageBand{1, 30}));
    EXPECT_EQ(pages[5].columns, (TPageBand{8, 10}));
}

// The row labels go again at the left of every page across; each page knows its place.
TEST(SheetPagination, WideSheetRepeatsItsLabelColumnsAcross) {
    TPaginationInput in;
    in.columnWidths = {40, 60, 100, 150, 150, 150, 150};
    in.rowHeights = Sizes({{30, 20}});
    in.pageWidth = 400;
    in.pageHeight = 400;
    in.repeatFirstColumn = 1;
    in.repeatLastColumn = 3;  // 200 wide: the pages across keep 200 for the rest
    const std::vector<TSheetPage> pages = PaginateSheet(in);
    ASSERT_EQ(pages.size(), 8u);  // columns 1-4, then 5, 6 and 7 beside the labels; 2 pages down each
    EXPECT_EQ(pages[0].columns, (TPageBand{1, 4}));
    EXPECT_FALSE(pages[0].repeatColumns);
    EXPECT_EQ(pages[2].columns, (TPageBand{5, 5}));
    EXPECT_TRUE(pages[2].repeatColumns);
    EXPECT_EQ(pages[7].columns, (TPageBand{7, 7}));
    EXPECT_EQ(std::vector<int>({pages[3].down, pages[3].downCount, pages[3].across, pages[3].acrossCount}),
              std::vector<int>({2, 2, 2, 4}));
    EXPECT_EQ(pages[2].repeatLastColumn, 3);
    // Labels wider than half the page: as many of the first of them as fit are repeated.
    in.repeatLastColumn = 4;  // 350 wide; 1-3 are 200
    const std::vector<TSheetPage> some = PaginateSheet(in);
    ASSERT_EQ(some.size(), 8u);
    EXPECT_TRUE(some[2].repeatColumns);
    EXPECT_EQ(some[2].repeatLastColumn, 3);
    EXPECT_EQ(some[2].columns, (TPageBand{5, 5}));
    in.joinedColumns = {2, 3};  // a caption over columns 2 to 4: the running number alone
    EXPECT_EQ(PaginateSheet(in)[2].repeatLastColumn, 1);
    in.joinedColumns.clear();
    in.columnWidths[0] = 210;  // not even the first fits
    for (const TSheetPage &p : PaginateSheet(in)) EXPECT_FALSE(p.repeatColumns);
    in.columnWidths[0] = 40;
    in.fitWidth = true;  // every column on one page: nothing to repeat
    for (const TSheetPage &p : PaginateSheet(in)) EXPECT_FALSE(p.repeatColumns);
}

TEST(SheetPagination, RepeatIsDroppedWhenItWouldCrowdThePage) {
    TPaginationInput in;
    in.columnWidths = {100};
    in.rowHeights = {300, 300, 20, 20};
    in.pageWidth = 200;
    in.pageHeight = 500;
    in.repeatFirstRow = 1;
    in.repeatLastRow = 2;  // 600 high: more than the page
    for (const TSheetPage &p : PaginateSheet(in)) EXPECT_FALSE(p.repeatRows);
    in.repeatLastRow = 9;  // beyond the sheet
    for (const TSheetPage &p : PaginateSheet(in)) EXPECT_FALSE(p.repeatRows);
    // At the bound: a heading of exactly half the page repeats, one unit more does not.
    in.rowHeights = {250, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20};
    in.repeatLastRow = 1;
    std::vector<TSheetPage> pages = PaginateSheet(in);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_TRUE(pages[1].repeatRows);
    EXPECT_EQ(pages[1].rows, (TPageBand{14, 14}));  // 250 + 12 rows of 20 fill page 1
    in.rowHeights[0] = 251;
    pages = PaginateSheet(in);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_FALSE(pages[1].repeatRows);
}

TEST(SheetPagination, EmptySheetIsOneBlankPage) {
    TPaginationInput in;
    in.pageWidth = in.pageHeight = 100;
    const std::vector<TSheetPage> pages = PaginateSheet(in);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_GT(pages[0].rows.first, pages[0].rows.last);
}

// Fitted to the page width: the wide sheet above at half size, every column on one page and the
// rows cut for a page twice as high; a narrow sheet is never enlarged.
TEST(SheetPagination, FitToWidthScalesDownAndTakesMoreRowsPerPage) {
    TPaginationInput in;
    in.columnWidths = {48, 80, 160, 0, 120, 80, 160, 130, 0, 22};  // 800 wide
    in.rowHeights = Sizes({{100, 20}});
    in.pageWidth = 400;
    in.pageHeight = 600;
    in.repeatFirstRow = 1;
    in.repeatLastRow = 2;
    in.fitWidth = true;
    const TPagination fitted = Paginate(in);
    EXPECT_DOUBLE_EQ(fitted.scale, 0.5);
    ASSERT_EQ(fitted.pages.size(), 2u);  // 1200 high at this scale: 60 rows, then 40 under the heading
    EXPECT_EQ(fitted.pages[0].rows, (TPageBand{1, 60}));
    EXPECT_EQ(fitted.pages[1].rows, (TPageBand{61, 100}));
    EXPECT_TRUE(fitted.pages[1].repeatRows);
    for (const TSheetPage &p : fitted.pages) EXPECT_EQ(p.columns, (TPageBand{1, 10}));
    in.fitWidth = false;
    EXPECT_EQ(Paginate(in).scale, 1);
    EXPECT_EQ(Paginate(in).pages.size(), 3u * 4u);

    // Widths that already fit, or an awkward ratio, stay on one band at a scale of at most 1.
    in.fitWidth = true;
    in.columnWidths = {100, 100};
    EXPECT_EQ(Paginate(in).scale, 1);
    EXPECT_EQ(Paginate(in).pages.size(), 4u);
    in.columnWidths = Sizes({{7, 137}});
    in.pageWidth = 333.3;
    const TPagination odd = Paginate(in);
    EXPECT_NEAR(odd.scale, 333.3 / 959, 1e-12);
    for (const TSheetPage &p : odd.pages) EXPECT_EQ(p.columns, (TPageBand{1, 7}));
}

TEST(PageText, FieldsAreReplaced) {
    EXPECT_EQ(ExpandPageText(QStringLiteral("共&S页第&P页"), 3, 12), QStringLiteral("共12页第3页"));
    EXPECT_EQ(ExpandPageText("R&&D &X & &", 1, 1), "R&D &X & &");
    EXPECT_EQ(ExpandPageText("&P&P&S", 2, 5), "225");
    EXPECT_EQ(ExpandPageText("", 1, 1), "");
}
