#pragma once
// Puts a sheet onto paper: the page layout from the sheet's page set-up, the pages from the
// pagination, each page drawn with the sheet painter (repeated heading rows first), and the page
// text at its foot. The same code serves the print preview, the printer and PDF files.
#include "authpay/Outcome.h"
#include "report/SheetGeometry.h"
#include "report/SheetModel.h"
#include "report/SheetPagination.h"
#include "report/WorkProgress.h"

#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QString>
#include <memory>

class TSheetPainter;

class TSheetPageRenderer {
public:
    explicit TSheetPageRenderer(const TSheetModel &model);
    ~TSheetPageRenderer();

    // Height of the band at the foot of each page that carries the page text, in sheet pixels.
    static constexpr int kFooterHeight = 28;

    static QPageLayout PageLayoutFor(const TPageSetup &page);
    // The pages for a printable body of the given size in sheet pixels (footer excluded), fitted to
    // its width when the sheet's page set-up asks for it.
    TPagination Layout(QSizeF body) const;
    std::vector<TSheetPage> Pages(QSizeF body) const { return Layout(body).pages; }
    // Paints all pages onto the device, which already has its page layout, telling `progress` of
    // each page before it is painted. A failure (with a reason) when the device cannot be painted on;
    // stopped when `progress` asked to stop (the pages so far stay on the device).
    authpay::Outcome Render(QPagedPaintDevice &device, const TWorkProgress &progress = {});
    // The same for `count` pages from page `first` (from 0; all the rest when count < 0): the
    // device gets only those, numbered in their page text as in the whole. `progress` counts them.
    authpay::Outcome Render(QPagedPaintDevice &device, int first, int count, const TWorkProgress &progress = {});
    // Lays the pages out for a printable area of the given size in sheet pixels (the band of the
    // page text included); the number of pages. Render does this itself.
    int Paginate(QSizeF printable);
    // Paints one page of the last Paginate (from 0), the painter at the printable area's corner
    // and drawing in sheet pixels: what Render puts on that page, for a preview that draws only
    // the pages it shows.
    void PaintPage(QPainter &painter, int index);
    // The pages of the last Paginate.
    const std::vector<TSheetPage> &LaidOutPages() const { return pages_; }
    // Pages painted by the last Render.
    int PageCount() const { return pageCount_; }
    // The scale of the cells on the pages of the last Paginate (1 unless fitted to the width); the
    // page text keeps its size.
    double Scale() const { return scale_; }
    // Cells drawn by the last Render, all pages together.
    int CellsPainted() const { return cellsPainted_; }

private:
    void PaintPage(QPainter &painter, const TSheetPage &page, int number, QSizeF body);
    void PaintCells(QPainter &painter, const TSheetPage &page, QSizeF body);
    std::vector<TSheetPage> pages_;
    QSizeF body_;
    double scale_ = 1;
    void PaintPageText(QPainter &painter, QRectF band, int number, const TSheetPage &page);

    const TSheetModel &model_;
    TSheetGeometry geometry_;
    // One painter for all pages, so that a text recurring on many pages is laid out once.
    std::unique_ptr<TSheetPainter> cells_;
    int pageCount_ = 0;
    int cellsPainted_ = 0;
};

