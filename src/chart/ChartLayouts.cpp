#include "chart/ChartLayouts.h"

QString ColumnHeading(const TSheetModel &sheet, int col) {
    for (int row = 6; row >= 4; --row) {
        if (!sheet.Contains(col, row)) continue;
        const QString text = sheet.Text(col, row).toString().trimmed();
        if (!text.isEmpty()) return text;
    }
    return QString();
}

TChartLayout DrillChartLayout(const TSheetModel &sheet) {
    if (sheet.Chart.enabled) return sheet.Chart.layout;
    TChartLayout layout;
    layout.secondCode = 4;
    layout.secondName = 5;
    const QString unit = ColumnHeading(sheet, layout.firstCode);
    layout.title = (unit.isEmpty() ? QStringLiteral("预算单位") : unit) + QStringLiteral("金额");
    layout.amountCaption = QStringLiteral("金额");
    return layout;
}
