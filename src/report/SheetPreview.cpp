#include "report/SheetPreview.h"
#include "report/PageSetupDialog.h"

#include <QAction>
#include <QActionGroup>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QScrollBar>
#include <QSpinBox>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

namespace {
constexpr int kGap = 16;  // view pixels around and between pages
constexpr double kSheetPixelsPerPoint = 96.0 / 72.0;

QRectF InSheetPixels(const QRectF &points) {
    return {points.x() * kSheetPixelsPerPoint, points.y() * kSheetPixelsPerPoint,
            points.width() * kSheetPixelsPerPoint, points.height() * kSheetPixelsPerPoint};
}
}  // namespace

TSheetPreviewPages::TSheetPreviewPages(const TSheetModel &model, const QPageLayout &layout, QWidget *parent)
    : QAbstractScrollArea(parent), renderer_(model) {
    paper_ = InSheetPixels(layout.fullRectPoints());
    printable_ = InSheetPixels(layout.paintRectPoints());
    pageCount_ = std::max(1, renderer_.Paginate(printable_.size()));
    setFocusPolicy(Qt::StrongFocus);
}

double TSheetPreviewPages::Scale() const {
    const double w = std::max(1, viewport()->width() - 2 * kGap) / paper_.width();
    const double h = std::max(1, viewport()->height() - 2 * kGap) / paper_.height();
    switch (zoom_) {
    case TZoom::FitPage: return std::max(0.05, std::min(w, h));
    case TZoom::FitWidth: return std::max(0.05, w);
    case TZoom::ActualSize: break;
    }
    return 1.0;
}

int TSheetPreviewPages::PageStep() const { return int(std::lround(paper_.height() * Scale())) + kGap; }

QRect TSheetPreviewPages::PageRect(int index) const {
    const QSize size(int(std::lround(paper_.width() * Scale())), int(std::lround(paper_.height() * Scale())));
    const int x = std::max(kGap, (viewport()->width() - size.width()) / 2) - horizontalScrollBar()->value();
    const qint64 y = kGap + qint64(index) * PageStep() - verticalScrollBar()->value();
    return {x, int(y), size.width(), size.height()};
}

const QImage &TSheetPreviewPages::PageImage(int index) {
    if (QImage *cached = images_.object(index)) return *cached;
    const qreal dpr = devicePixelRatioF();
    const QRect rect = PageRect(index);
    auto *image = new QImage(rect.size() * dpr, QImage::Format_RGB32);
    image->setDevicePixelRatio(dpr);
    image->fill(Qt::white);
    QPainter painter(image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.scale(Scale(), Scale());
    painter.translate(printable_.topLeft() - paper_.topLeft());
    renderer_.PaintPage(painter, index);
    painter.end();
    ++pagesDrawn_;
    images_.insert(index, image);
    return *image;
}

void TSheetPreviewPages::paintEvent(QPaintEvent *) {
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), QColor(0x80, 0x80, 0x80));
    const int step = PageStep();
    const int top = verticalScrollBar()->value();
    const int first = std::clamp((top - kGap) / std::max(1, step), 0, pageCount_ - 1);
    for (int i = first; i < pageCount_; ++i) {
        const QRect rect = PageRect(i);
        if (rect.top() > viewport()->height()) break;
        painter.fillRect(rect.translated(3, 3), QColor(0x40, 0x40, 0x40));
        painter.drawImage(rect.topLeft(), PageImage(i));
    }
}

void TSheetPreviewPages::UpdateScrollBars() {
    const int width = int(std::lround(paper_.width() * Scale())) + 2 * kGap;
    horizontalScrollBar()->setRange(0, std::max(0, width - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    const qint64 height = qint64(pageCount_) * PageStep() + kGap;
    verticalScrollBar()->setRange(0, int(std::clamp<qint64>(height - viewport()->height(), 0, INT_MAX)));
    verticalScrollBar()->setPageStep(viewport()->height());
    verticalScrollBar()->setSingleStep(std::max(20, PageStep() / 20));
}

void TSheetPreviewPages::resizeEvent(QResizeEvent *event) {
    const int page = CurrentPage();
    QAbstractScrollArea::resizeEvent(event);
    if (zoom_ != TZoom::ActualSize) images_.clear();  // the page size follows the window's
    UpdateScrollBars();
    GoToPage(page);
}

int TSheetPreviewPages::CurrentPage() const {
    const int middle = verticalScrollBar()->value() + viewport()->height() / 2;
    return std::clamp(middle / std::max(1, PageStep()) + 1, 1, pageCount_);
}

void TSheetPreviewPages::GoToPage(int page) {
    page = std::clamp(page, 1, pageCount_);
    verticalScrollBar()->setValue(int(std::min<qint64>(qint64(page - 1) * PageStep(), INT_MAX)));
    viewport()->update();
}

void TSheetPreviewPages::SetZoom(TZoom zoom) {
    const int page = CurrentPage();
    zoom_ = zoom;
    images_.clear();
    UpdateScrollBars();
    GoToPage(page);
}

void TSheetPreviewPages::Relayout() {
    // The share of the pages scrolled through stays: the rows shown before are near the middle.
    const double through = pageCount_ > 1 ? double(CurrentPage() - 1) / (pageCount_ - 1) : 0;
    pageCount_ = std::max(1, renderer_.Paginate(printable_.size()));
    images_.clear();
    UpdateScrollBars();
    lastReported_ = 0;
    GoToPage(1 + int(std::lround(through * (pageCount_ - 1))));
    emit PageCountChanged(pageCount_);
}

void TSheetPreviewPages::SetPageLayout(const QPageLayout &layout) {
    paper_ = InSheetPixels(layout.fullRectPoints());
    printable_ = InSheetPixels(layout.paintRectPoints());
    Relayout();
    viewport()->update();
}

void TSheetPreviewPages::keyPressEvent(QKeyEvent *event) {
    switch (event->key()) {
    case Qt::Key_Home: GoToPage(1); return;
    case Qt::Key_End: GoToPage(pageCount_); return;
    case Qt::Key_PageDown: GoToPage(CurrentPage() + 1); return;
    case Qt::Key_PageUp: GoToPage(CurrentPage() - 1); return;
    default: QAbstractScrollArea::keyPressEvent(event);
    }
}

void TSheetPreviewPages::scrollContentsBy(int, int) {
    viewport()->update();
    const int page = CurrentPage();
    if (page != lastReported_) {
        lastReported_ = page;
        emit CurrentPageChanged(page);
    }
}

TSheetPreviewDialog::TSheetPreviewDialog(const TSheetModel &model, const QPageLayout &layout,
                                         std::function<void()> print, std::function<void(bool)> fitToWidth,
                                         QWidget *parent, std::function<void(const TPageChoice &)> pageSetup)
    : QDialog(parent), model_(model), pages_(new TSheetPreviewPages(model, layout, this)), pageBox_(new QSpinBox(this)),
      countLabel_(new QLabel(this)) {
    setWindowTitle(QStringLiteral("打印预览"));
    auto *bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("previewBar"));
    AddPageCommands(bar);
    bar->addSeparator();
    AddZoomCommands(bar);
    bar->addSeparator();
    AddPrintChoices(bar, std::move(fitToWidth), std::move(pageSetup));
    bar->addSeparator();
    QAction *printNow = bar->addAction(QStringLiteral("打印"), this, [print] {
        if (print) print();
    });
    printNow->setObjectName(QStringLiteral("actPrint"));
    printNow->setShortcut(QKeySequence::Print);
    printNow->setToolTip(QStringLiteral("打印 (Ctrl+P)"));
    QAction *close = bar->addAction(QStringLiteral("关闭"), this, &QDialog::reject);
    close->setToolTip(QStringLiteral("关闭 (Esc)"));
    // The tool bar is reached with Tab as well as with the mouse.
    for (QToolButton *button : bar->findChildren<QToolButton *>()) button->setFocusPolicy(Qt::TabFocus);
    auto *layoutBox = new QVBoxLayout(this);
    layoutBox->setContentsMargins(0, 0, 0, 0);
    layoutBox->setSpacing(0);
    layoutBox->addWidget(bar);
    layoutBox->addWidget(pages_, 1);
    pages_->setFocus();
}

void TSheetPreviewDialog::AddPageCommands(QToolBar *bar) {
    bar->addAction(QStringLiteral("首页"), this, [this] { pages_->GoToPage(1); });
    bar->addAction(QStringLiteral("上一页"), this, [this] { pages_->GoToPage(pages_->CurrentPage() - 1); });
    pageBox_->setObjectName(QStringLiteral("pageBox"));
    pageBox_->setKeyboardTracking(false);
    bar->addWidget(pageBox_);
    countLabel_->setObjectName(QStringLiteral("pageCountLabel"));
    bar->addWidget(countLabel_);
    ShowPageCount(pages_->PageCount());
    bar->addAction(QStringLiteral("下一页"), this, [this] { pages_->GoToPage(pages_->CurrentPage() + 1); });
    bar->addAction(QStringLiteral("末页"), this, [this] { pages_->GoToPage(pages_->PageCount()); });
    connect(pageBox_, &QSpinBox::valueChanged, pages_, &TSheetPreviewPages::GoToPage);
    connect(pages_, &TSheetPreviewPages::PageCountChanged, this, &TSheetPreviewDialog::ShowPageCount);
    connect(pages_, &TSheetPreviewPages::CurrentPageChanged, pageBox_, [this](int page) {
        const QSignalBlocker quiet(pageBox_);
        pageBox_->setValue(page);
    });
}

// How the pages are shown, one of three: apart from what changes the printout.
void TSheetPreviewDialog::AddZoomCommands(QToolBar *bar) {
    using Z = TSheetPreviewPages::TZoom;
    auto *label = new QLabel(QStringLiteral(" 显示："), this);
    bar->addWidget(label);
    auto *zoom = new QActionGroup(this);
    const std::pair<const char *, Z> choices[] = {{"整页", Z::FitPage}, {"页宽", Z::FitWidth}, {"实际大小", Z::ActualSize}};
    for (const auto &[text, z] : choices) {
        QAction *a = bar->addAction(QString::fromUtf8(text), this, [this, z = z] { pages_->SetZoom(z); });
        a->setCheckable(true);
        a->setChecked(pages_->Zoom() == z);
        a->setActionGroup(zoom);
        zoomActions_[int(z)] = a;
    }
}

// What changes the printout itself: the page set-up and 适合页宽, both kept for the user.
void TSheetPreviewDialog::AddPrintChoices(QToolBar *bar, std::function<void(bool)> fitToWidth,
                                          std::function<void(const TPageChoice &)> pageSetup) {
    bar->addWidget(new QLabel(QStringLiteral(" 打印："), this));
    QAction *setup = bar->addAction(QStringLiteral("页面设置..."), this, [this, pageSetup] {
        TPageSetupDialog dialog(PageChoiceOf(model_.Page()), this);
        if (dialog.exec() != QDialog::Accepted || !pageSetup) return;
        pageSetup(dialog.Choice());
        pages_->SetPageLayout(TSheetPageRenderer::PageLayoutFor(model_.Page()));
    });
    setup->setObjectName(QStringLiteral("actPageSetup"));
    setup->setEnabled(bool(pageSetup));
    setup->setToolTip(QStringLiteral("纸张、方向和页边距"));
    fitAction_ = bar->addAction(QStringLiteral("适合页宽"));
    fitAction_->setObjectName(QStringLiteral("actFitWidth"));
    fitAction_->setCheckable(true);
    fitAction_->setChecked(model_.Page().fitToWidth);
    fitAction_->setEnabled(bool(fitToWidth));
    fitAction_->setToolTip(QStringLiteral("缩小打印，使所有列排在一页宽内"));
    connect(fitAction_, &QAction::toggled, this, [this, fitToWidth](bool on) {
        if (!fitToWidth) return;
        fitToWidth(on);
        pages_->Relayout();
    });
}

void TSheetPreviewDialog::showEvent(QShowEvent *event) {
    // The zoom the window asked for before showing the dialog is the one marked.
    if (QAction *shown = zoomActions_[int(pages_->Zoom())]) shown->setChecked(true);
    QDialog::showEvent(event);
    pages_->setFocus();  // the keys turn the pages; Tab reaches the tool bar
}

void TSheetPreviewDialog::ShowPageCount(int pages) {
    const QSignalBlocker quiet(pageBox_);
    pageBox_->setRange(1, pages);
    pageBox_->setValue(pages_->CurrentPage());
    countLabel_->setText(QStringLiteral(" / 共%1页 ").arg(pages));
}
