#include "query/ToolButtons.h"

#include <QMenu>
#include <QPainter>
#include <QStyle>
#include <QPixmap>
#include <QToolBar>
#include <QToolButton>

namespace {
// Every tool button shows its picture at this size; a picture the style has only smaller is
// scaled up to it, so that no button looks different from the others.
const QSize kToolPicture(24, 24);
}  // namespace

QSize ToolPictureSize() { return kToolPicture; }

QIcon ToolPicture(const QIcon &icon) {
    const QPixmap source = icon.pixmap(kToolPicture);
    if (source.deviceIndependentSize().toSize() == kToolPicture) return QIcon(source);
    QPixmap picture(kToolPicture);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QSize fitted = source.size().scaled(kToolPicture, Qt::KeepAspectRatio);
    p.drawPixmap(QRect(QPoint((kToolPicture.width() - fitted.width()) / 2, (kToolPicture.height() - fitted.height()) / 2), fitted),
                 source);
    return QIcon(picture);
}

// The style has no printer: a sheet coming out of a printer, drawn at the tool picture size.
QIcon PrinterPicture() {
    QPixmap picture(kToolPicture);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(60, 60, 60), 1.2));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(6.5, 2.5, 11, 7));            // the paper waiting
    p.setBrush(QColor(120, 130, 145));
    p.drawRoundedRect(QRectF(2.5, 9.5, 19, 9), 2, 2);  // the printer
    p.setBrush(Qt::white);
    p.drawRect(QRectF(6.5, 15.5, 11, 7));           // the printed sheet
    p.drawLine(QPointF(8.5, 18.5), QPointF(15.5, 18.5));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(90, 200, 90));
    p.drawEllipse(QPointF(18.5, 12), 1, 1);         // the power light
    return QIcon(picture);
}

// The style has no chart: three horizontal bars of different lengths on an axis.
QIcon ChartPicture() {
    QPixmap picture(kToolPicture);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setPen(QPen(QColor(60, 60, 60), 1.2));
    p.drawLine(QPointF(3.5, 2.5), QPointF(3.5, 21.5));  // the axis
    p.setPen(Qt::NoPen);
    const QColor colours[] = {QColor(65, 120, 200), QColor(230, 140, 40), QColor(90, 170, 90)};
    const double lengths[] = {17, 12, 7};
    for (int i = 0; i < 3; ++i) {
        p.setBrush(colours[i]);
        p.drawRect(QRectF(4, 4 + i * 6, lengths[i], 4));
    }
    return QIcon(picture);
}

QToolButton *AddToolButton(QToolBar *bar, const QString &name, const QString &caption, const QIcon &icon) {
    auto *b = new QToolButton(bar);
    b->setObjectName(name);
    b->setText(caption);
    b->setIcon(ToolPicture(icon));
    b->setIconSize(kToolPicture);
    b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    b->setMinimumSize(61, 35);
    b->setFocusPolicy(Qt::NoFocus);  // tool buttons never take the focus from a box
    bar->addWidget(b);
    return b;
}


TReportButtons AddReportButtons(QToolBar *bar, const TReportActions &run, const std::function<void()> &afterPrint) {
    QStyle *style = bar->style();
    bar->setIconSize(ToolPictureSize());
    TReportButtons b{};
    b.excel = AddToolButton(bar, "tbtnExcel", QStringLiteral("导出Excel"), style->standardIcon(QStyle::SP_DialogSaveButton));
    bar->addSeparator();
    b.preview = AddToolButton(bar, "tbnPrintView", QStringLiteral(" 预览 "), style->standardIcon(QStyle::SP_FileDialogContentsView));
    b.print = AddToolButton(bar, "tbnPrint", QStringLiteral(" 打印 "), PrinterPicture());
    if (afterPrint) afterPrint();
    bar->addSeparator();
    b.exit = AddToolButton(bar, "tbnExit", QStringLiteral(" 退出 "), style->standardIcon(QStyle::SP_DialogCloseButton));
    QObject::connect(b.excel, &QToolButton::clicked, bar, run.excel);
    QObject::connect(b.preview, &QToolButton::clicked, bar, run.preview);
    QObject::connect(b.print, &QToolButton::clicked, bar, run.print);
    QObject::connect(b.exit, &QToolButton::clicked, bar, run.exit);
    return b;
}

TReportMenuEntries AddReportMenuEntries(QMenu *options, QMenu *data, QWidget *window, const TReportActions &run) {
    TReportMenuEntries m{};
    m.exit = options->addAction(QStringLiteral("退出"), window, run.exit);
    m.print = data->addAction(QStringLiteral("打印"), window, run.print);
    m.print->setShortcut(QKeySequence(QStringLiteral("Ctrl+P")));
    m.preview = data->addAction(QStringLiteral("打印预览"), window, run.preview);
    data->addSeparator();
    m.excel = data->addAction(QStringLiteral("导出Excel"), window, run.excel);
    m.exit->setObjectName(QStringLiteral("N8"));
    m.print->setObjectName(QStringLiteral("N4"));
    m.preview->setObjectName(QStringLiteral("N5"));
    m.excel->setObjectName(QStringLiteral("Excel1"));
    window->addAction(m.print);
    return m;
}
