#include "CompareRefresh.h"

#include "BenchHost.h"
#include "BenchStats.h"
#include "query/ApportionQry.h"

#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>

int CompareRefreshBench(TbfrmApportionQry *w, const TGrouping &grouping, int compareYear, int reps) {
    QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);  // the box reads its years when first used
    QApplication::sendEvent(w->cobCompareYear, &in);
    WaitWhile([w] { return w->CompareYearsPending(); });
    const QString year = QString::number(compareYear);
    if (!ChooseGrouping(w, grouping) || !Choose(w->cobCompareYear, year)) return 1;
    Refresh(w);  // warm-up of both
    const int comparedRows = ResultRows(w);
    Choose(w->cobCompareYear, QString());
    Refresh(w);
    const int plainRows = ResultRows(w);
    std::vector<double> plain, compared;
    for (int i = 0; i < reps; ++i) {
        // Alternating which goes first, so that neither always meets a warmer cache.
        for (int k = 0; k < 2; ++k) {
            const bool withYear = (i + k) % 2 == 1;
            Choose(w->cobCompareYear, withYear ? year : QString());
            (withYear ? compared : plain).push_back(Refresh(w).shown);
        }
    }
    const double p = Median(plain), c = Median(compared);
    Print(QStringLiteral("\n== Refresh with 对比年度 %1 against without, grouping %2 ==").arg(year, grouping.key));
    Print(QStringLiteral("plain, %1 rows, ms:     %2   median %3").arg(plainRows).arg(ListMs(plain)).arg(p, 0, 'f', 1));
    Print(QStringLiteral("compared, %1 rows, ms:  %2   median %3").arg(comparedRows).arg(ListMs(compared)).arg(c, 0, 'f', 1));
    Print(QStringLiteral("ratio compared/plain: %1; target 1.2: %2")
              .arg(c / p, 0, 'f', 3)
              .arg(c / p <= 1.2 ? QStringLiteral("met") : QStringLiteral("MISSED")));
    return 0;
}
