#include "report/SheetPdf.h"

#include "report/ExportCells.h"
#include "report/PdfJoin.h"
#include "report/SheetPageRenderer.h"
#include "platform/PlatformErrors.h"
#include "platform/WorkThread.h"

#include <QBuffer>
#include <QSaveFile>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

void SetUpSheetPdf(QPdfWriter &pdf, const TSheetModel &model) {
    pdf.setPageLayout(TSheetPageRenderer::PageLayoutFor(model.Page()));
    pdf.setResolution(300);
    pdf.setCreator(QStringLiteral("Kestrelbay 7.1"));
    pdf.setTitle(model.SheetName);
}

std::vector<TSheetPage> SheetPdfPages(const TSheetModel &model) {
    QBuffer none;
    QPdfWriter pdf(&none);
    SetUpSheetPdf(pdf, model);
    const qreal scale = pdf.logicalDpiX() / 96.0;
    TSheetPageRenderer renderer(model);
    renderer.Paginate(QSizeF(pdf.width() / scale, pdf.height() / scale));
    return renderer.LaidOutPages();
}

int SheetPageCount(const TSheetModel &model) { return int(SheetPdfPages(model).size()); }

int SheetPdfRuns(int pages) {
    constexpr int kPagesPerRun = 48;  // fewer are not worth a thread and a join
    const int processors = std::max(1, QThread::idealThreadCount());
    return std::clamp(pages / kPagesPerRun, 1, std::min(processors, 4));
}

namespace {
using authpay::Outcome;

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

Outcome WritePages(const TSheetModel &model, QIODevice &out, int first, int count, const TWorkProgress &progress) {
    QPdfWriter pdf(&out);
    SetUpSheetPdf(pdf, model);
    TSheetPageRenderer renderer(model);
    return renderer.Render(pdf, first, count, progress);
}

Outcome OutOfMemory() { return Outcome::Failure(QStringLiteral("内存不足，无法生成PDF文件。")); }

// One run of pages drawn into a PDF of its own.
struct TPdfRun {
    int first = 0, count = 0;
    QByteArray bytes;
    Outcome end = Outcome::Success();
    std::atomic<int> done{0};
    std::atomic<bool> finished{false};

    void Write(const TSheetModel &model, const TWorkProgress &progress) {
        try {
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            end = WritePages(model, buffer, first, count, progress);
        } catch (const std::exception &) {
            end = OutOfMemory();
        }
        finished = true;
    }
};

// Joins the runs into `out` on a thread of its own, while this one goes on answering `tell` (the
// join of a large file takes as long as many pages); on this thread when no other can be had.
// `outOfMemory` says when the join failed for want of memory.
template <typename Tell>
Outcome Join(const std::vector<QByteArray> &parts, QIODevice &out, bool *outOfMemory, Tell tell) {
    Outcome joined = Outcome::Failure(QString());
    try {
        TWorkThread joining("pdf");
        joining.Start([&](const std::atomic<bool> &) {
            try {
                joined = JoinPdfParts(parts, out);
            } catch (const std::bad_alloc &) {
                joined = OutOfMemory();
                *outOfMemory = true;
            }
        });
        while (!joining.Wait(10)) tell();
    } catch (const EOutOfMemory &) {
        joined = JoinPdfParts(parts, out);
    }
    if (!joined.Ok()) return joined;
    return tell() ? Outcome::Success() : Outcome::Stop();
}

// Draws the runs side by side, each on a thread of its own, while this thread tells `progress` of
// the pages of every run; then joins them into `out`.
// Where each run starts: the runs take about equal shares of the cells on the pages, since the
// pages of a sheet wider than the paper differ much (names on the first, figures on the rest).
std::vector<int> RunStarts(const std::vector<TSheetPage> &pages, int runCount) {
    std::vector<qint64> upTo{0};
    for (const TSheetPage &p : pages)
        upTo.push_back(upTo.back() + qint64(p.rows.last - p.rows.first + 1) * (p.columns.last - p.columns.first + 1));
    std::vector<int> starts;
    for (int k = 0; k < runCount; ++k) {
        const qint64 share = upTo.back() * k / runCount;
        const int at = int(std::upper_bound(upTo.begin(), upTo.end(), share) - upTo.begin()) - 1;
        starts.push_back(std::max(at, starts.empty() ? 0 : starts.back() + 1));
    }
    starts.push_back(int(pages.size()));
    return starts;
}

Outcome WriteRuns(const TSheetModel &model, QIODevice &out, const std::vector<TSheetPage> &laidOut, int runCount,
                  const TWorkProgress &progress) {
    const int pages = int(laidOut.size());
    const std::vector<int> starts = RunStarts(laidOut, runCount);
    std::vector<std::unique_ptr<TPdfRun>> runs;
    for (int k = 0; k < runCount; ++k) {
        auto run = std::make_unique<TPdfRun>();
        run->first = starts[size_t(k)];
        run->count = starts[size_t(k) + 1] - run->first;
        runs.push_back(std::move(run));
    }
    std::atomic<bool> stop{false};
    const auto tell = [&] {
        int done = 0;
        for (const auto &r : runs) done += r->done;
        if (!stop && !KeepWorking(progress, TWorkUnit::Pages, std::min(done, pages), pages)) stop = true;
        return !stop;
    };
    std::vector<std::unique_ptr<TWorkThread>> threads;
    try {
        for (int k = 0; k < runCount; ++k) {
            TPdfRun *run = runs[size_t(k)].get();
            threads.push_back(std::make_unique<TWorkThread>("pdf"));
            threads.back()->Start([&, run](const std::atomic<bool> &) {
                run->Write(model, [&, run](TWorkUnit, int done, int) {
                    run->done = done;
                    return !stop.load();
                });
            });
        }
    } catch (const std::exception &) {
        // No thread to be had: the runs already started stop, and the file is not written.
        stop = true;
        for (const auto &t : threads) t->Wait(-1);
        return Outcome::Failure(QStringLiteral("无法启动PDF输出线程。"));
    }
    while (!std::all_of(runs.begin(), runs.end(), [](const auto &r) { return r->finished.load(); })) {
        // A run that failed fails the file: the others need not go on.
        if (std::any_of(runs.begin(), runs.end(), [](const auto &r) { return r->finished && r->end.status == Outcome::Failed; }))
            stop = true;
        tell();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    for (const auto &t : threads) t->Wait(-1);
    for (const auto &r : runs)
        if (r->end.status == Outcome::Failed) return r->end;
    if (stop || !tell()) return Outcome::Stop();
    std::vector<QByteArray> parts;
    for (auto &r : runs) parts.push_back(std::move(r->bytes));  // the runs stay: `tell` counts their pages
    bool outOfMemory = false;
    const Outcome joined = Join(parts, out, &outOfMemory, tell);
    if (joined.status != Outcome::Failed || outOfMemory || out.pos() > 0) return joined;
    // Parts that could not be joined (nothing of them written yet): the pages are drawn again, in
    // one run, so the file is still made.
    parts.clear();
    return WritePages(model, out, 0, -1, progress);
}
}  // namespace

Outcome WriteSheetPdf(const TSheetModel &model, const QString &fileName, const TWorkProgress &progress, int runs) {
    // The same rules as the exports: no folder, pipe or device, and a link is followed.
    if (RefusedExportTarget(fileName)) return Outcome::Failure(QStringLiteral("“%1”不能作为PDF文件名。").arg(fileName));
    QSaveFile file(ExportTargetFile(fileName));
    const auto failed = [&](const QString &why) {
        return Outcome::Failure(QStringLiteral("无法写入文件“%1”：%2").arg(fileName, why));
    };
    if (!file.open(QIODevice::WriteOnly)) return failed(file.errorString());
    TWholeWrites whole(&file);
    const std::vector<TSheetPage> pages = SheetPdfPages(model);
    if (runs <= 0) runs = SheetPdfRuns(int(pages.size()));
    runs = std::min(runs, int(pages.size()));
    const Outcome end = runs > 1 ? WriteRuns(model, whole, pages, runs, progress)
                                 : WritePages(model, whole, 0, -1, progress);
    if (!end.Ok()) {
        file.cancelWriting();
        return end;
    }
    if (whole.Short() || !file.flush()) {
        const QString why = whole.Short() ? QStringLiteral("写入不完整（磁盘已满或文件超过大小限制）") : file.errorString();
        file.cancelWriting();
        return failed(why);
    }
    if (!file.commit()) return failed(file.errorString());
    return Outcome::Success();
}
