#include "ChartDraw.h"

#include "BenchHost.h"
#include "BenchStats.h"
#include "chart/ResultChart.h"
#include "report/AmountText.h"
#include "report/ReportSheet.h"

#include <QApplication>
#include <QChartView>
#include <QElapsedTimer>
#include <QPixmap>

namespace {
constexpr int kGroups = 100000;

// Result rows from row 7: running number, first dimension (one group a row), second dimension
// (50 groups), the amount; then the totals row.
void FillResult(TReportSheet *sheet) {
    sheet->SheetSetRowCount(7 + kGroups + 1, 0);
    double total = 0;
    for (int i = 0; i < kGroups; ++i) {
        const int row = 7 + i;
        const double amount = double((i * 7919) % 1000003) + 0.25;
        total += amount;
        sheet->SheetSetText(1, row, 0, QString::number(i + 1));
        sheet->SheetSetText(2, row, 0, QStringLiteral("%1").arg(100000 + i));
        sheet->SheetSetText(3, row, 0, QStringLiteral("单位%1").arg(i));
        sheet->SheetSetText(4, row, 0, QStringLiteral("20%1").arg(i % 50, 3, 10, QLatin1Char('0')));
        sheet->SheetSetText(5, row, 0, QStringLiteral("科目%1").arg(i % 50));
        sheet->SheetSetText(14, row, 0, FormatAmountText(amount));
    }
    sheet->SheetSetText(1, 7 + kGroups, 0, QStringLiteral("合  计"));
    sheet->SheetSetText(14, 7 + kGroups, 0, FormatAmountText(total));
}

// Figures read, chart built and the view grabbed, in ms, `reps` times.
std::vector<double> Draws(TResultChart *chart, int reps) {
    std::vector<double> ms;
    for (int i = 0; i < reps; ++i) {
        QElapsedTimer t;
        t.start();
        chart->Refresh();
        const QPixmap picture = chart->chvChart->grab();
        ms.push_back(Ms(t));
        if (picture.isNull()) Print(QStringLiteral("the chart drew nothing"));
    }
    return ms;
}
}  // namespace

int ChartDrawBench(int reps) {
    TReportSheet sheet;
    FillResult(&sheet);
    bool stacked = false;
    TResultChart chart(&sheet, [&stacked] {
        TChartLayout layout;
        layout.title = QStringLiteral("预算单位金额");
        layout.amountCaption = QStringLiteral("2010年");
        if (stacked) layout.secondCode = 4, layout.secondName = 5;
        return layout;
    }, nullptr);
    chart.resize(1024, 768);
    chart.show();
    QApplication::processEvents();
    Print(QStringLiteral("\n== Chart window: %1 result rows, figures read, chart built and drawn ==").arg(kGroups));
    int rc = 0;
    for (bool s : {false, true}) {
        stacked = s;
        Draws(&chart, 1);  // warm-up
        const std::vector<double> ms = Draws(&chart, reps);
        const double m = Median(ms);
        rc |= m < 100.0 ? 0 : 1;
        Print(QStringLiteral("%1 bars, ms: %2   median %3  (target 100 ms: %4)")
                  .arg(s ? QStringLiteral("stacked") : QStringLiteral("plain"), ListMs(ms))
                  .arg(m, 0, 'f', 1)
                  .arg(m < 100.0 ? QStringLiteral("met") : QStringLiteral("MISSED")));
    }
    return rc;
}
