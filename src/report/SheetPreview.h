#pragma once
// The print preview of a report sheet. The pages are laid out as the printer lays them out, but
// each page is drawn only when it comes into view (and kept while it stays near), so a report of
// ten thousand pages opens at once and needs no more memory than one of ten.
#include "authpay/ReportWindow.h"
#include "report/PrintChoices.h"
#include "report/SheetPageRenderer.h"

#include <QAbstractScrollArea>
#include <QCache>
#include <QDialog>
#include <QImage>
#include <QPageLayout>
#include <functional>

class QAction;
class QLabel;
class QToolBar;
class QSpinBox;

class TSheetPreviewPages : public QAbstractScrollArea {
    Q_OBJECT
public:
    enum class TZoom { FitPage, FitWidth, ActualSize };

    TSheetPreviewPages(const TSheetModel &model, const QPageLayout &layout, QWidget *parent = nullptr);

    int PageCount() const { return pageCount_; }
    // The page (from 1) at the middle of the view.
    int CurrentPage() const;
    void GoToPage(int page);
    TZoom Zoom() const { return zoom_; }
    void SetZoom(TZoom zoom);
    // Pages drawn so far, for those who check that the preview draws only what it shows.
    int PagesDrawn() const { return pagesDrawn_; }
    // Lays the pages out again after the sheet's page set-up changed (fitting to the page width),
    // staying on the page that holds the rows shown before as far as the pages allow.
    void Relayout();
    // The same on another paper (size, orientation or margins).
    void SetPageLayout(const QPageLayout &layout);

signals:
    void CurrentPageChanged(int page);
    void PageCountChanged(int pages);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    double Scale() const;  // view pixels per sheet pixel
    int PageStep() const;  // height of a page and the gap below it, in view pixels
    QRect PageRect(int index) const;
    const QImage &PageImage(int index);
    void UpdateScrollBars();

    TSheetPageRenderer renderer_;
    QRectF paper_;      // the sheet of paper, in sheet pixels
    QRectF printable_;  // the printable area on it
    int pageCount_ = 0;
    TZoom zoom_ = TZoom::FitPage;
    QCache<int, QImage> images_{24};
    int pagesDrawn_ = 0;
    int lastReported_ = 0;
};

class TSheetPreviewDialog : public QDialog, public authpay::IPrintPreview {
    Q_OBJECT
    Q_INTERFACES(authpay::IPrintPreview)
public:
    // `print` prints the sheet (with its own print dialog) when the user asks from the preview.
    // `fitToWidth`, when given, is told of the user's choice of "适合页宽" and sets the sheet's page
    // set-up accordingly; the pages are then laid out again.
    // `pageSetup`, when given, is told of the paper, orientation and margins chosen in 页面设置 and
    // sets the sheet's page set-up accordingly; the pages are then laid out on the new paper.
    TSheetPreviewDialog(const TSheetModel &model, const QPageLayout &layout, std::function<void()> print,
                        std::function<void(bool)> fitToWidth = {}, QWidget *parent = nullptr,
                        std::function<void(const TPageChoice &)> pageSetup = {});
    TSheetPreviewPages *Pages() const { return pages_; }
    QAction *FitWidthAction() const { return fitAction_; }
    QDialog *Dialog() override { return this; }

private:
    void AddPageCommands(QToolBar *bar);
    void AddZoomCommands(QToolBar *bar);
    void AddPrintChoices(QToolBar *bar, std::function<void(bool)> fitToWidth,
                         std::function<void(const TPageChoice &)> pageSetup);
    void ShowPageCount(int pages);
    void showEvent(QShowEvent *event) override;

    const TSheetModel &model_;
    TSheetPreviewPages *pages_;
    QSpinBox *pageBox_;
    QLabel *countLabel_;
    QAction *fitAction_ = nullptr;
    QAction *zoomActions_[3] = {};
};
