#include "BatchChart.h"

#include "HostOutput.h"

#include <QFileInfo>

namespace {
const QStringList kChartKinds = {QStringLiteral("bar"), QStringLiteral("pie")};
const QStringList kChartTypes = {QStringLiteral("png"), QStringLiteral("svg"), QStringLiteral("pdf")};

QString ChartKind(const QHash<QString, QString> &values) {
    return values.value(QStringLiteral("chart-kind"), QStringLiteral("bar"));
}

}  // namespace

bool CheckChartOptions(const QHash<QString, QString> &values, QStringList &errors) {
    if (!kChartKinds.contains(ChartKind(values))) {
        errors << QStringLiteral("--chart-kind: no kind \"%1\"; valid: %2").arg(ChartKind(values), kChartKinds.join(", "));
        return false;
    }
    const QString file = values.value(QStringLiteral("chart"));
    if (values.contains(QStringLiteral("chart")) && !kChartTypes.contains(QFileInfo(file).suffix().toLower())) {
        errors << QStringLiteral("--chart: %1 is no .png, .svg or .pdf file").arg(file);
        return false;
    }
    return true;
}

bool WriteBatchChart(authpay::IQueryWindow &query, authpay::IReportWindow &window, const QHash<QString, QString> &values,
                     QStringList &errors) {
    const QString file = QFileInfo(values.value(QStringLiteral("chart"))).absoluteFilePath();
    authpay::IReportWindow *drill = &window == static_cast<authpay::IReportWindow *>(&query) ? nullptr : &window;
    const authpay::Outcome written = query.WriteChart(drill, file, ChartKind(values));
    const QString failed = written.Ok() ? QString() : written.message;
    if (!failed.isEmpty()) {
        errors << QStringLiteral("--chart: %1").arg(failed);
        return false;
    }
    StatusLine(QStringLiteral("budget-host: chart written to %1").arg(file));
    return true;
}
