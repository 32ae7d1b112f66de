#include "chart/ChartFile.h"

#include "report/ExportCells.h"

#include <QBuffer>
#include <QChart>
#include <QFileInfo>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QImage>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QSvgGenerator>
#include <memory>

namespace {
// Draws on the device the painter is opened on; false when it could not be opened.
template <typename Device> bool PaintOn(Device *device, const TChartData &data, const TChartLayout &layout,
                                        TChartKind kind, QSize size) {
    QPainter painter;
    if (!painter.begin(device)) return false;
    PaintChart(&painter, QRectF(QPointF(0, 0), size), data, layout, kind, size);
    return painter.end();
}

bool WritePicture(QIODevice *out, TChartFileType type, const TChartData &data, const TChartLayout &layout,
                  TChartKind kind, QSize size) {
    if (type == TChartFileType::Png) {
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        return PaintOn(&image, data, layout, kind, size) && image.save(out, "PNG");
    }
    if (type == TChartFileType::Svg) {
        // At the resolution of the picture the chart is laid out for (a PNG's), so that its texts
        // take the sizes they were measured at: the generator's own 72 dpi makes them smaller.
        QSvgGenerator svg;
        svg.setResolution(QImage(1, 1, QImage::Format_ARGB32_Premultiplied).logicalDpiX());
        svg.setOutputDevice(out);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setTitle(layout.title);
        return PaintOn(&svg, data, layout, kind, size);
    }
    QPdfWriter pdf(out);
    pdf.setTitle(layout.title);
    pdf.setCreator(QStringLiteral("authpay"));
    pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(10, 10, 10, 10),
                                  QPageLayout::Millimeter));
    PaintChartPage(&pdf, data, layout, kind, size);
    return true;
}
}  // namespace

bool ChartFileTypeOf(const QString &file, TChartFileType *type) {
    const QString suffix = QFileInfo(file).suffix().toLower();
    if (suffix == QLatin1String("png")) *type = TChartFileType::Png;
    else if (suffix == QLatin1String("svg")) *type = TChartFileType::Svg;
    else if (suffix == QLatin1String("pdf")) *type = TChartFileType::Pdf;
    else return false;
    return true;
}

void PaintChart(QPainter *painter, const QRectF &target, const TChartData &data, const TChartLayout &layout,
                TChartKind kind, QSize size) {
    QGraphicsScene scene;
    QChart *chart = BuildChart(data, layout, kind);
    scene.addItem(chart);  // the scene owns it
    chart->setGeometry(QRectF(QPointF(0, 0), size));
    if (chart->layout()) chart->layout()->activate();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::TextAntialiasing);
    scene.render(painter, target, QRectF(QPointF(0, 0), size), Qt::KeepAspectRatio);
}

void PaintChartPage(QPagedPaintDevice *device, const TChartData &data, const TChartLayout &layout, TChartKind kind,
                    QSize size) {
    QPainter painter;
    if (!painter.begin(device)) return;
    const QRect page = device->pageLayout().paintRectPixels(device->logicalDpiX());
    PaintChart(&painter, QRectF(QPointF(0, 0), page.size()), data, layout, kind, size);
    painter.end();
}

QString WriteChartFile(const QString &file, const TChartData &data, const TChartLayout &layout, TChartKind kind,
                       QSize size) {
    TChartFileType type;
    if (!ChartFileTypeOf(file, &type))
        return QStringLiteral("图表只能保存为 PNG、SVG 或 PDF 文件：%1").arg(QFileInfo(file).fileName());
    if (const auto refused = RefusedExportTarget(file)) return refused->message;
    // The picture is drawn into memory first: the SVG and PDF writers buffer their own output and
    // do not pass a failed write on, so a disk that fills up half way would leave a cut picture
    // in place of the old one. The file then gets the bytes in one write that is checked.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!WritePicture(&buffer, type, data, layout, kind, size))
        return QStringLiteral("图表未能写入 %1：无法绘制图表").arg(file);
    buffer.close();
    QSaveFile out(ExportTargetFile(file));
    // Unbuffered, so that a short write is this call's answer rather than a later flush's, which
    // the save file's commit does not always pass on.
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return QStringLiteral("无法写入文件 %1：%2").arg(file, out.errorString());
    const qint64 written = out.write(bytes);
    if (written != bytes.size() || !out.commit()) {
        const QString reason = written >= 0 && written < bytes.size() && out.error() == QFileDevice::NoError
                                   ? QStringLiteral("只写入了%1字节，共%2字节").arg(written).arg(bytes.size())
                                   : out.errorString();
        out.cancelWriting();
        return QStringLiteral("图表未能写入 %1：%2").arg(file, reason);
    }
    return QString();
}
