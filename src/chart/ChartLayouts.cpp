#include "chart/ChartLayouts.h"

TChartLayout DrillChartLayout(const TSheetModel &sheet) {
    if (sheet.Chart.enabled) return sheet.Chart.layout;
    TChartLayout layout;
    layout.secondCode = 4;
    layout.secondName = 5;
    layout.title = QStringLiteral("预算单位金额（按预算科目分段）");
    layout.amountCaption = QStringLiteral("金额");
    return layout;
}
