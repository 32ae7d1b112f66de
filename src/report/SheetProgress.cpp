#include "report/SheetProgress.h"

#include <QCoreApplication>
#include <QProgressDialog>
#include <QPushButton>

bool WorkNeedsProgress(TWorkUnit unit, int total) { return total > (unit == TWorkUnit::Pages ? 40 : 2000); }

QString WorkProgressText(TWorkUnit unit, int done, int total) {
    if (unit == TWorkUnit::Pages) return QStringLiteral("第 %1 页，共 %2 页").arg(std::min(done + 1, total)).arg(total);
    if (unit == TWorkUnit::Packing) return QStringLiteral("正在压缩…");
    // Rows of the sheet (title, headings and subtotal rows among them) are not the result's numbered
    // rows the window counts: the share done says how far the work is without a second count.
    return QStringLiteral("已完成 %1%").arg(total > 0 ? int(qint64(done) * 100 / total) : 100);
}

TSheetProgress::TSheetProgress(QWidget *window, const QString &caption) : window_(window), caption_(caption) {}

TSheetProgress::~TSheetProgress() { delete dialog_.data(); }

TWorkProgress TSheetProgress::Callback() {
    if (!window_) return {};
    return [this](TWorkUnit unit, int done, int total) { return Step(unit, done, total); };
}

bool TSheetProgress::Step(TWorkUnit unit, int done, int total) {
    if (!WorkNeedsProgress(unit, total)) return !cancelled_;
    if (sinceEvents_.isValid() && sinceEvents_.elapsed() < kEventIntervalMs) return !cancelled_;
    Update(unit, done, total);
    QCoreApplication::processEvents();
    sinceEvents_.start();
    // A window closed meanwhile takes its dialog along: nobody is left to wait for the work.
    cancelled_ = cancelled_ || !dialog_ || dialog_->wasCanceled();
    return !cancelled_;
}

void TSheetProgress::Update(TWorkUnit unit, int done, int total) {
    if (!dialog_ && window_) {
        auto *dialog = new QProgressDialog(window_);
        dialog->setObjectName(QStringLiteral("authpayProgress"));
        dialog->setWindowModality(Qt::WindowModal);
        dialog->setWindowTitle(caption_);
        auto *cancel = new QPushButton(QStringLiteral("取消"), dialog);
        cancel->setObjectName(QStringLiteral("btnProgressCancel"));
        dialog->setCancelButton(cancel);
        // The work ends the dialog, not its last step: ranges change between rows and pages.
        dialog->setAutoReset(false);
        dialog->setAutoClose(false);
        dialog->setMinimumDuration(kShowAfterMs);
        dialog_ = dialog;
        shownAfter_.start();
    }
    if (!dialog_ || dialog_->wasCanceled()) return;
    dialog_->setMaximum(total);
    dialog_->setLabelText(caption_ + QLatin1Char('\n') + WorkProgressText(unit, done, total));
    dialog_->setValue(done);
    if (!dialog_->isVisible() && shownAfter_.elapsed() >= kShowAfterMs) dialog_->show();
}
