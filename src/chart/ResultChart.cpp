#include "chart/ResultChart.h"

#include "chart/ChartFile.h"
#include "report/ReportSheet.h"

#include <QAbstractBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QCursor>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPieSeries>
#include <QPieSlice>
#include <QDir>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
QToolButton *CommandButton(QWidget *parent, const char *name, const QString &caption, QStyle::StandardPixmap picture) {
    auto *b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setText(caption);
    b->setIcon(parent->style()->standardIcon(picture));
    b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    return b;
}
}  // namespace

TResultChart::TResultChart(TReportSheet *sheet, std::function<TChartLayout()> layout, QWidget *owner)
    : QWidget(owner, Qt::Window), sheet_(sheet), layoutOf_(std::move(layout)) {
    setObjectName(QStringLiteral("frmResultChart"));
    setWindowTitle(QStringLiteral("图表"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    auto *bar = new QHBoxLayout;
    cobChartKind = new QComboBox(this);
    cobChartKind->setObjectName(QStringLiteral("cobChartKind"));
    cobChartKind->addItems({QStringLiteral("条形图"), QStringLiteral("饼图")});
    tbtnChartSave = CommandButton(this, "tbtnChartSave", QStringLiteral("保存..."), QStyle::SP_DialogSaveButton);
    tbtnChartPreview = CommandButton(this, "tbtnChartPreview", QStringLiteral("预览..."), QStyle::SP_FileDialogInfoView);
    tbtnChartPrint = CommandButton(this, "tbtnChartPrint", QStringLiteral("打印..."), QStyle::SP_FileDialogContentsView);
    lblChartNote = new QLabel(this);
    lblChartNote->setObjectName(QStringLiteral("lblChartNote"));
    lblChartNote->setTextFormat(Qt::PlainText);
    bar->addWidget(cobChartKind);
    bar->addWidget(tbtnChartSave);
    bar->addWidget(tbtnChartPreview);
    bar->addWidget(tbtnChartPrint);
    bar->addWidget(lblChartNote, 1);
    chvChart = new QChartView(this);
    chvChart->setObjectName(QStringLiteral("chvChart"));
    chvChart->setRenderHint(QPainter::Antialiasing);
    lblHover = new QLabel(chvChart);
    lblHover->setObjectName(QStringLiteral("lblChartHover"));
    lblHover->setTextFormat(Qt::PlainText);
    lblHover->setForegroundRole(QPalette::ToolTipText);
    lblHover->setBackgroundRole(QPalette::ToolTipBase);
    lblHover->setAutoFillBackground(true);
    lblHover->setFrameShape(QFrame::Box);
    lblHover->setMargin(4);
    lblHover->setAttribute(Qt::WA_TransparentForMouseEvents);
    lblHover->hide();
    auto *l = new QVBoxLayout(this);
    l->addLayout(bar);
    l->addWidget(chvChart, 1);
    connect(cobChartKind, &QComboBox::activated, this,
            [this](int index) { SetKind(index == 1 ? TChartKind::Pie : TChartKind::Bar); });
    connect(tbtnChartSave, &QToolButton::clicked, this, [this] { SaveClick(); });
    connect(tbtnChartPreview, &QToolButton::clicked, this, [this] { PreviewClick(); });
    connect(tbtnChartPrint, &QToolButton::clicked, this, [this] { PrintClick(); });
    resize(900, 640);
    Refresh();
}

TResultChart::~TResultChart() = default;

QChart *TResultChart::Chart() const { return chvChart->chart(); }

void TResultChart::Refresh() {
    layout_ = layoutOf_();
    data_ = ChartDataOfSheet(sheet_->Model(), layout_);
    Draw();
}

void TResultChart::SetKind(TChartKind kind) {
    kind_ = kind;
    cobChartKind->setCurrentIndex(kind == TChartKind::Pie ? 1 : 0);
    Draw();
}

void TResultChart::Draw() {
    lblHover->hide();
    QChart *old = chvChart->chart();
    chvChart->setChart(BuildChart(data_, layout_, kind_));
    delete old;  // the view lets go of the chart it showed without deleting it
    QString note;
    if (data_.groups.empty()) note = QStringLiteral("没有可画的数据");
    else if (kind_ == TChartKind::Pie && PieLeftOut(data_) > 0)
        note = QStringLiteral("饼图不画合计不大于零的组：%1 组未画入").arg(PieLeftOut(data_));
    lblChartNote->setText(note);
    if (kind_ == TChartKind::Pie) WirePie();
    else WireBars();
}

void TResultChart::WireBars() {
    for (QAbstractSeries *s : Chart()->series()) {
        auto *series = qobject_cast<QAbstractBarSeries *>(s);
        if (!series) continue;
        connect(series, &QAbstractBarSeries::hovered, this, [this](bool on, int index, QBarSet *set) {
            Hover(on ? BarHoverText(data_, layout_, set->property("chartSet").toInt(), index) : QString());
        });
        connect(series, &QAbstractBarSeries::clicked, this,
                [this](int index, QBarSet *set) { Pick(BarPick(data_, set->property("chartSet").toInt(), index)); });
    }
}

void TResultChart::WirePie() {
    for (QAbstractSeries *s : Chart()->series()) {
        auto *series = qobject_cast<QPieSeries *>(s);
        if (!series) continue;
        connect(series, &QPieSeries::hovered, this, [this](QPieSlice *slice, bool on) {
            slice->setExploded(on);
            Hover(on ? SliceHoverText(data_, slice->property("chartGroup").toInt()) : QString());
        });
        connect(series, &QPieSeries::clicked, this,
                [this](QPieSlice *slice) { Pick(SlicePick(data_, slice->property("chartGroup").toInt())); });
    }
}

void TResultChart::Hover(const QString &text) {
    if (text.isEmpty()) {
        lblHover->hide();
        return;
    }
    lblHover->setText(text);
    lblHover->adjustSize();
    // Below and right of the pointer, kept inside the chart.
    const QPoint at = chvChart->mapFromGlobal(QCursor::pos()) + QPoint(12, 16);
    const QSize room = chvChart->size() - lblHover->size();
    lblHover->move(std::clamp(at.x(), 0, std::max(0, room.width())), std::clamp(at.y(), 0, std::max(0, room.height())));
    lblHover->show();
    lblHover->raise();
}

void TResultChart::Pick(const std::optional<TChartPick> &pick) {
    if (pick && OnPick) OnPick(*pick);
}

void TResultChart::Fail(const QString &text) {
    if (OnFailure) OnFailure(text);
    else QMessageBox::warning(this, windowTitle(), text);
}

QString TResultChart::SaveTo(const QString &file) const {
    return WriteChartFile(file, data_, layout_, kind_, chvChart->size());
}

void TResultChart::SaveClick() {
    const QString file = QFileDialog::getSaveFileName(
        this, QStringLiteral("保存图表"), QStringLiteral("图表.png"),
        QStringLiteral("PNG 图片 (*.png);;SVG 图形 (*.svg);;PDF 文件 (*.pdf)"));
    if (file.isEmpty()) return;
    if (const QString failed = SaveTo(file); !failed.isEmpty()) Fail(failed);
    else lblChartNote->setText(QStringLiteral("图表已保存：%1").arg(QDir::toNativeSeparators(file)));
}

void TResultChart::PreviewClick() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    QPrintPreviewDialog preview(&printer, this);
    preview.setWindowTitle(QStringLiteral("图表预览"));
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter *target) { PaintChartPage(target, data_, layout_, kind_, chvChart->size()); });
    preview.exec();
}

void TResultChart::PrintClick() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(QStringLiteral("打印图表"));
    if (dialog.exec() != QDialog::Accepted) return;
    PaintChartPage(&printer, data_, layout_, kind_, chvChart->size());
    if (printer.printerState() == QPrinter::Error) Fail(QStringLiteral("图表未能打印"));
}
