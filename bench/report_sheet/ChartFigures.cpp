#include "ChartFigures.h"

#include "../BenchStats.h"
#include "report/AmountText.h"
#include "report/ChartData.h"
#include "report/xlsx/XlsxExport.h"

#include <QDir>
#include <QTemporaryDir>
#include <cstdio>

namespace {
constexpr int kGroups = 100000;
constexpr int kRepeats = 7;

// A summary sheet of `kGroups` result rows, each its own group of the first dimension, spread over
// 500 groups of the second, with subtotal rows after every 50 and the totals row.
TSheetModel ResultSheet() {
    TSheetModel m;
    m.SetColumnCount(17);
    m.SetRowCount(6 + kGroups + kGroups / 50 + 1);
    m.SetAmountColumns({14, 15});
    int last = 6;
    auto row = [&m, &last](const QString &first) {
        m.SetText(1, ++last, first);
        return last;
    };
    for (int i = 1; i <= kGroups; ++i) {
        const int r = row(QString::number(i));
        m.SetText(2, r, QStringLiteral("%1").arg(i, 7, 10, QLatin1Char('0')));
        m.SetText(3, r, QStringLiteral("预算单位%1").arg(i));
        m.SetText(4, r, QStringLiteral("2%1").arg(i % 500, 4, 10, QLatin1Char('0')));
        m.SetText(5, r, QStringLiteral("科目%1").arg(i % 500));
        m.SetText(14, r, FormatAmountText(double(qint64(i) * 7919 % 100003) * 12.5));
        m.SetText(15, r, FormatAmountText(double(qint64(i) * 104729 % 99991) * 3.25));
        if (i % 50 == 0) m.SetText(14, row(QString(QChar(0x3000)) + QStringLiteral("小计")), u"1.00");
    }
    m.SetText(14, row(QStringLiteral("合  计")), u"0.00");
    return m;
}

double ChartDataMs(const TSheetModel &sheet, const TChartLayout &layout, TChartData *last) {
    std::vector<double> runs;
    for (int i = 0; i < kRepeats; ++i) {
        QElapsedTimer t;
        t.start();
        *last = ChartDataOfSheet(sheet, layout);
        runs.push_back(Ms(t));
    }
    return Median(runs);
}

double ExportMs(const TSheetModel &sheet, const QString &file) {
    QElapsedTimer t;
    t.start();
    const bool ok = ExportXlsx(sheet, file).Ok();
    return ok ? Ms(t) : -1;
}
}  // namespace

int ChartFiguresBench() {
    TSheetModel sheet = ResultSheet();
    TChartLayout plain;
    TChartLayout stacked = plain;
    stacked.secondCode = 4;
    stacked.secondName = 5;
    TChartLayout compared = plain;
    compared.compareColumn = 15;
    TChartData data;
    std::printf("result rows                 : %d (%d sheet rows)\n", kGroups, sheet.RowCount());
    std::printf("chart figures, by one dim   : %.1f ms median of %d (need < 100)\n", ChartDataMs(sheet, plain, &data),
                kRepeats);
    std::printf("  groups %zu, top %s %s\n", data.groups.size(), qPrintable(data.groups.front().label),
                qPrintable(FormatAmountText(data.groups.front().amount)));
    std::printf("chart figures, stacked      : %.1f ms\n", ChartDataMs(sheet, stacked, &data));
    std::printf("chart figures, compared     : %.1f ms\n", ChartDataMs(sheet, compared, &data));
    QTemporaryDir dir(QDir::tempPath() + "/bench-chart-XXXXXX");
    const double without = ExportMs(sheet, dir.filePath("plain.xlsx"));
    sheet.Chart = {true, stacked};
    const double with = ExportMs(sheet, dir.filePath("chart.xlsx"));
    std::printf(".xlsx export without chart  : %.0f ms\n", without);
    std::printf(".xlsx export, stacked chart : %.0f ms\n", with);
    return without < 0 || with < 0 ? 1 : 0;
}
