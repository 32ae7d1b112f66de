#include "report/SheetPageRenderer.h"

#include "report/ExportCells.h"
#include "report/PageText.h"
#include "report/SheetPainter.h"


#include <algorithm>

namespace {
QPageSize PageSizeFor(const QString &paper) {
    const QString p = paper.trimmed().toUpper();
    if (p == QLatin1String("A3")) return QPageSize(QPageSize::A3);
    if (p == QLatin1String("A5")) return QPageSize(QPageSize::A5);
    if (p == QLatin1String("B5")) return QPageSize(QPageSize::JisB5);
    if (p == QLatin1String("LETTER")) return QPageSize(QPageSize::Letter);
    if (p == QLatin1String("LEGAL")) return QPageSize(QPageSize::Legal);
    return QPageSize(QPageSize::A4);
}
}  // namespace

TSheetPageRenderer::TSheetPageRenderer(const TSheetModel &model) : model_(model) {
    geometry_.Update(model);
}

TSheetPageRenderer::~TSheetPageRenderer() = default;

QPageLayout TSheetPageRenderer::PageLayoutFor(const TPageSetup &page) {
    return QPageLayout(PageSizeFor(page.paper),
                       page.orientation == TPageOrientation::Landscape ? QPageLayout::Landscape
                                                                      : QPageLayout::Portrait,
                       QMarginsF(page.marginLeft, page.marginTop, page.marginRight, page.marginBottom),
                       QPageLayout::Millimeter);
}

TPagination TSheetPageRenderer::Layout(QSizeF body) const {
    TPaginationInput in;
    for (int c = 1; c <= model_.ColumnCount(); ++c) in.columnWidths.push_back(model_.ColumnWidth(c));
    for (int r = 1; r <= model_.RowCount(); ++r) in.rowHeights.push_back(model_.RowHeight(r));
    in.pageWidth = body.width();
    in.pageHeight = body.height();
    in.repeatFirstRow = model_.Page().repeatFirstRow;
    in.repeatLastRow = model_.Page().repeatLastRow;
    in.repeatFirstColumn = model_.Page().repeatFirstColumn;
    in.repeatLastColumn = model_.Page().repeatLastColumn;
    for (const TCellRect &m : model_.Merges().All())
        if (m.top <= in.repeatLastRow && m.bottom >= in.repeatFirstRow)
            for (int c = std::max(m.left, in.repeatFirstColumn); c < m.right && c <= in.repeatLastColumn; ++c)
                in.joinedColumns.push_back(c);
    in.fitWidth = model_.Page().fitToWidth;
    return ::Paginate(in);
}

authpay::Outcome TSheetPageRenderer::Render(QPagedPaintDevice &device, const TWorkProgress &progress) {
    return Render(device, 0, -1, progress);
}

authpay::Outcome TSheetPageRenderer::Render(QPagedPaintDevice &device, int first, int count,
                                            const TWorkProgress &progress) {
    using authpay::Outcome;
    cellsPainted_ = 0;
    QPainter painter;
    if (!painter.begin(&device)) {
        pageCount_ = 0;
        return Outcome::Failure(QStringLiteral("无法开始打印输出。"));
    }
    // The painter starts at the printable area's corner; draw in sheet pixels of 1/96 inch.
    const qreal scale = device.logicalDpiX() / 96.0;
    Paginate(QSizeF(device.width() / scale, device.height() / scale));
    first = std::clamp(first, 0, pageCount_);
    count = count < 0 ? pageCount_ - first : std::min(count, pageCount_ - first);
    for (int i = 0; i < count; ++i) {
        if (!KeepWorking(progress, TWorkUnit::Pages, i, count)) return Outcome::Stop();
        if (i > 0 && !device.newPage()) return Outcome::Failure(QStringLiteral("无法开始新的一页。"));
        painter.save();
        painter.scale(scale, scale);
        PaintPage(painter, first + i);
        painter.restore();
    }
    if (!KeepWorking(progress, TWorkUnit::Pages, count, count)) return Outcome::Stop();
    return painter.end() ? Outcome::Success() : Outcome::Failure(QStringLiteral("无法完成打印输出。"));
}

int TSheetPageRenderer::Paginate(QSizeF printable) {
    body_ = QSizeF(printable.width(), printable.height() - kFooterHeight);
    TPagination laid = Layout(body_);
    pages_ = std::move(laid.pages);
    scale_ = laid.scale;
    pageCount_ = int(pages_.size());
    return pageCount_;
}

void TSheetPageRenderer::PaintPage(QPainter &painter, int index) {
    if (index >= 0 && index < pageCount_) PaintPage(painter, pages_[size_t(index)], index + 1, body_);
}

void TSheetPageRenderer::PaintPage(QPainter &painter, const TSheetPage &page, int number, QSizeF body) {
    // The cells at the page's scale, on a body that is as much larger; the page text as it is.
    painter.save();
    if (scale_ != 1) painter.scale(scale_, scale_);
    PaintCells(painter, page, body / scale_);
    painter.restore();
    PaintPageText(painter, QRectF(0, body.height(), body.width(), kFooterHeight), number, page);
}

void TSheetPageRenderer::PaintCells(QPainter &painter, const TSheetPage &page, QSizeF body) {
    if (!cells_) cells_ = std::make_unique<TSheetPainter>(model_, geometry_);
    const TPageSetup &setup = model_.Page();
    // The page's blocks: the repeated rows (if any) above its rows, the repeated columns (if any)
    // left of its columns.
    std::vector<TPageBand> columns, rows;
    if (page.repeatColumns) columns.push_back({setup.repeatFirstColumn, page.repeatLastColumn});
    columns.push_back(page.columns);
    if (page.repeatRows) rows.push_back({setup.repeatFirstRow, setup.repeatLastRow});
    rows.push_back(page.rows);
    const auto width = [this](const TPageBand &b) { return geometry_.ColumnLeft(b.last + 1) - geometry_.ColumnLeft(b.first); };
    const auto height = [this](const TPageBand &b) { return geometry_.RowTop(b.last + 1) - geometry_.RowTop(b.first); };
    qreal total = 0;
    for (const TPageBand &b : columns) total += width(b);
    const qreal x0 = setup.centreHorizontally ? std::max<qreal>(0, (body.width() - total) / 2) : 0;
    qreal y = 0;
    for (const TPageBand &r : rows) {
        const bool last = &r == &rows.back();
        qreal x = x0;
        for (const TPageBand &c : columns) {
            painter.save();
            painter.translate(x, y);
            // Keep a row taller than the page from running into the page text.
            if (last) painter.setClipRect(QRectF(-x, 0, body.width(), body.height() - y));
            cellsPainted_ += cells_->Paint(painter, {c.first, r.first, c.last, r.last},
                                           QPoint(geometry_.ColumnLeft(c.first), geometry_.RowTop(r.first)));
            painter.restore();
            x += width(c);
        }
        y += height(r);
    }
}

void TSheetPageRenderer::PaintPageText(QPainter &painter, QRectF band, int number, const TSheetPage &page) {
    const Qt::Alignment place[3] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight};
    painter.setFont(MakeSheetFont(model_.Fonts()[0]));
    painter.setPen(Qt::black);
    // A sheet wider than a page also says where the page lies: after the part that numbers the
    // pages, or on the right when none does.
    const QString where = PagePlaceText(page.down, page.downCount, page.across, page.acrossCount);
    int numbered = 2;
    for (int i = 0; i < 3; ++i)
        if (model_.Page().pageText[i].contains(QLatin1String("&P"))) numbered = i;
    for (int i = 0; i < 3; ++i) {
        QString text = ExpandPageText(model_.Page().pageText[i], number, pageCount_);
        if (i == numbered) text += where;
        if (!text.isEmpty()) painter.drawText(band, int(place[i] | Qt::AlignVCenter), text);
    }
}
