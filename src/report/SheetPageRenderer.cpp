#include "report/SheetPageRenderer.h"

#include "report/ExportCells.h"
#include "report/PageText.h"
#include "report/SheetPainter.h"

#include <QFileInfo>
#include <QPdfWriter>
#include <QSaveFile>

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
    in.fitWidth = model_.Page().fitToWidth;
    return ::Paginate(in);
}

TWorkEnd TSheetPageRenderer::Render(QPagedPaintDevice &device, QString *error, const TWorkProgress &progress) {
    cellsPainted_ = 0;
    QPainter painter;
    if (!painter.begin(&device)) {
        pageCount_ = 0;
        *error = QStringLiteral("无法开始打印输出。");
        return TWorkEnd::Failed;
    }
    // The painter starts at the printable area's corner; draw in sheet pixels of 1/96 inch.
    const qreal scale = device.logicalDpiX() / 96.0;
    Paginate(QSizeF(device.width() / scale, device.height() / scale));
    for (int i = 0; i < pageCount_; ++i) {
        if (!KeepWorking(progress, TWorkUnit::Pages, i, pageCount_)) return TWorkEnd::Cancelled;
        if (i > 0 && !device.newPage()) {
            *error = QStringLiteral("无法开始新的一页。");
            return TWorkEnd::Failed;
        }
        painter.save();
        painter.scale(scale, scale);
        PaintPage(painter, i);
        painter.restore();
    }
    if (!KeepWorking(progress, TWorkUnit::Pages, pageCount_, pageCount_)) return TWorkEnd::Cancelled;
    return painter.end() ? TWorkEnd::Done : TWorkEnd::Failed;
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
    PaintPageText(painter, QRectF(0, body.height(), body.width(), kFooterHeight), number);
}

void TSheetPageRenderer::PaintCells(QPainter &painter, const TSheetPage &page, QSizeF body) {
    if (!cells_) cells_ = std::make_unique<TSheetPainter>(model_, geometry_);
    const TSheetPainter &cells = *cells_;
    const int left = geometry_.ColumnLeft(page.columns.first);
    const qreal width = geometry_.ColumnLeft(page.columns.last + 1) - left;
    const qreal x = model_.Page().centreHorizontally ? std::max<qreal>(0, (body.width() - width) / 2) : 0;
    qreal y = 0;
    if (page.repeatRows) {
        const int first = model_.Page().repeatFirstRow, last = model_.Page().repeatLastRow;
        painter.save();
        painter.translate(x, 0);
        cellsPainted_ += cells.Paint(painter, {page.columns.first, first, page.columns.last, last},
                                     QPoint(left, geometry_.RowTop(first)));
        painter.restore();
        y = geometry_.RowTop(last + 1) - geometry_.RowTop(first);
    }
    painter.save();
    painter.translate(x, y);
    // Keep a row taller than the page from running into the page text.
    painter.setClipRect(QRectF(-x, 0, body.width(), body.height() - y));
    cellsPainted_ += cells.Paint(painter, {page.columns.first, page.rows.first, page.columns.last, page.rows.last},
                                 QPoint(left, geometry_.RowTop(page.rows.first)));
    painter.restore();
}

void TSheetPageRenderer::PaintPageText(QPainter &painter, QRectF band, int number) {
    const Qt::Alignment place[3] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight};
    painter.setFont(MakeSheetFont(model_.Fonts()[0]));
    painter.setPen(Qt::black);
    for (int i = 0; i < 3; ++i) {
        const QString text = ExpandPageText(model_.Page().pageText[i], number, pageCount_);
        if (!text.isEmpty()) painter.drawText(band, int(place[i] | Qt::AlignVCenter), text);
    }
}

int SheetPageCount(const TSheetModel &model) {
    const QPageLayout layout = TSheetPageRenderer::PageLayoutFor(model.Page());
    const QRectF points = layout.paintRectPoints();
    return TSheetPageRenderer(model).Paginate(points.size() * (96.0 / 72.0));
}

namespace {
// Passes the PDF writer's bytes on to the file and remembers a write that took fewer bytes than it
// was given: a full disk or the file size limit can cut a write short without an error, and a
// file cut short must not be committed as a whole one.
class TWholeWrites : public QIODevice {
public:
    explicit TWholeWrites(QIODevice *target) : target_(target) { open(QIODevice::WriteOnly); }
    bool Short() const { return short_; }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 len) override {
        const qint64 written = target_->write(data, len);
        if (written != len) short_ = true;
        return written;
    }

private:
    QIODevice *target_;
    bool short_ = false;
};
}  // namespace

bool WriteSheetPdf(const TSheetModel &model, const QString &fileName, QString *error) {
    return WriteSheetPdf(model, fileName, error, {}) == TWorkEnd::Done;
}

TWorkEnd WriteSheetPdf(const TSheetModel &model, const QString &fileName, QString *error,
                       const TWorkProgress &progress) {
    // The same rules as the exports: no folder, pipe or device, and a link is followed.
    if (RefusedExportTarget(fileName)) {
        *error = QStringLiteral("“%1”不能作为PDF文件名。").arg(fileName);
        return TWorkEnd::Failed;
    }
    QSaveFile file(ExportTargetFile(fileName));
    if (!file.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("无法写入文件“%1”：%2").arg(fileName, file.errorString());
        return TWorkEnd::Failed;
    }
    TWholeWrites whole(&file);
    {
        QPdfWriter pdf(&whole);
        pdf.setPageLayout(TSheetPageRenderer::PageLayoutFor(model.Page()));
        pdf.setResolution(300);
        pdf.setCreator(QStringLiteral("Kestrelbay 7.1"));
        pdf.setTitle(model.SheetName);
        TSheetPageRenderer renderer(model);
        if (const TWorkEnd end = renderer.Render(pdf, error, progress); end != TWorkEnd::Done) {
            file.cancelWriting();
            return end;
        }
    }
    if (whole.Short() || !file.flush()) {
        const QString why = whole.Short() ? QStringLiteral("写入不完整（磁盘已满或文件超过大小限制）") : file.errorString();
        *error = QStringLiteral("无法写入文件“%1”：%2").arg(fileName, why);
        file.cancelWriting();
        return TWorkEnd::Failed;
    }
    if (!file.commit()) {
        *error = QStringLiteral("无法写入文件“%1”：%2").arg(fileName, file.errorString());
        return TWorkEnd::Failed;
    }
    return TWorkEnd::Done;
}
