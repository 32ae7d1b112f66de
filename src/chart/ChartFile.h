#pragma once
// A chart written out: a PNG or SVG picture at the chart's size, a PDF page, or printed. Files are
// written through a temporary beside them, so a failed write leaves an old file as it was.
#include "chart/ChartBuild.h"

#include <QRectF>
#include <QSize>
#include <QString>

class QPagedPaintDevice;
class QPainter;

enum class TChartFileType { Png, Svg, Pdf };
// The type the file's extension names (png, svg, pdf, in any case); false for any other.
bool ChartFileTypeOf(const QString &file, TChartFileType *type);

// Draws the figures' chart, laid out at `size`, into `target` on the painter.
void PaintChart(QPainter *painter, const QRectF &target, const TChartData &data, const TChartLayout &layout,
                TChartKind kind, QSize size);
// Draws the chart on one page of the device, as large as the page allows at the chart's shape.
void PaintChartPage(QPagedPaintDevice *device, const TChartData &data, const TChartLayout &layout, TChartKind kind,
                    QSize size);
// Writes the chart, laid out at `size`, to the file in the type its extension names. Answers
// why it failed; empty when the file was written.
QString WriteChartFile(const QString &file, const TChartData &data, const TChartLayout &layout, TChartKind kind,
                       QSize size);
