#pragma once
// The progress dialog of long output work (printing, PDF files, exports of large sheets): a
// window-modal dialog over the window that asked, with the work's caption ("正在打印…"), how far it
// has come ("第 N 页，共 M 页" or "已完成 N%") and a "取消" button. The work hears the button through
// its progress callback. Small work never gets a dialog, and the window's events are processed only
// while the work is large, at most every kEventIntervalMs of work; a dialog appears once the work has
// run for kShowAfterMs. Hosts find the dialog by its object name "authpayProgress" and the button by
// "btnProgressCancel".
#include "report/WorkProgress.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QString>

class QProgressDialog;
class QWidget;

// True when work of `total` units is long enough for a progress dialog: more than 2,000 rows or
// 40 pages.
bool WorkNeedsProgress(TWorkUnit unit, int total);
// "第 N 页，共 M 页" for pages, "已完成 N%" for rows, "正在压缩…" while a workbook is packed.
QString WorkProgressText(TWorkUnit unit, int done, int total);

class TSheetProgress {
public:
    static constexpr int kEventIntervalMs = 40;
    static constexpr int kShowAfterMs = 300;

    // No window: no dialog, and an empty callback.
    TSheetProgress(QWidget *window, const QString &caption);
    ~TSheetProgress();
    TSheetProgress(const TSheetProgress &) = delete;
    TSheetProgress &operator=(const TSheetProgress &) = delete;

    // The callback for the work. It answers false once the user pressed "取消" (or the window went
    // away), and keeps the events flowing while the work finishes what it cannot stop.
    TWorkProgress Callback();
    bool Cancelled() const { return cancelled_; }

private:
    bool Step(TWorkUnit unit, int done, int total);
    void Update(TWorkUnit unit, int done, int total);

    QPointer<QWidget> window_;
    QString caption_;
    QPointer<QProgressDialog> dialog_;
    QElapsedTimer sinceEvents_;
    QElapsedTimer shownAfter_;  // since the dialog was made
    bool cancelled_ = false;
};
