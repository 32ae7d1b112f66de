#pragma once
// The one routine that draws sheet cells — texts in their fonts and alignment, merged areas and
// grid lines — used alike by the view on screen, the print preview, the printer and PDF files.
// It works in sheet pixels; callers scale the painter for devices of other resolutions.
#include "report/SheetGeometry.h"
#include "report/OneLineText.h"
#include "report/SheetModel.h"

#include <QFont>
#include <QPainter>
#include <vector>

// The screen or paper font for a sheet font: sized in pixels of 1/96 inch, with Chinese faces to
// fall back on when the named one is not installed.
QFont MakeSheetFont(const TSheetFont &font);

class TSheetPainter {
public:
    TSheetPainter(const TSheetModel &model, const TSheetGeometry &geometry);

    // Draws the cells of `area` with the sheet point `origin` at the painter's (0, 0), clipped to
    // the area: merges reaching outside it are cut at its edge. Returns how many cells (merged
    // areas counting once) were drawn, which shows that only the requested cells were touched.
    int Paint(QPainter &painter, const TCellRect &area, QPoint origin) const;

    // Space between a cell's edge and its text.
    static constexpr int kPadding = 3;

private:
    void PaintCell(QPainter &painter, const QRect &rect, int col, int row) const;

    const TSheetModel &model_;
    const TSheetGeometry &geometry_;
    std::vector<QFont> fonts_;
    // Texts that stand on one line inside their cell are drawn without clipping them to it (which
    // would cut nothing), so a PDF page does not carry a clip path for every cell, and each distinct
    // text is shaped once for all the cells and pages painted with this painter.
    mutable TOneLineTexts texts_;
    // The font last set on the painter during Paint (-1: none yet), so that it is set only when it
    // changes.
    mutable int currentFont_ = -1;
};
