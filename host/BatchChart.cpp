#include "BatchChart.h"

#include "HostOutput.h"

#include <QApplication>
#include <QFileInfo>
#include <QWidget>

namespace {
const QStringList kChartKinds = {QStringLiteral("bar"), QStringLiteral("pie")};
const QStringList kChartTypes = {QStringLiteral("png"), QStringLiteral("svg"), QStringLiteral("pdf")};

QString ChartKind(const QHash<QString, QString> &values) {
    return values.value(QStringLiteral("chart-kind"), QStringLiteral("bar"));
}

// The query window the chart comes from: the window itself, or the one whose drill-down it is.
QWidget *QueryWindowOf(QWidget *window) {
    if (window->inherits("TbfrmApportionQry")) return window;
    for (QWidget *w : QApplication::allWidgets())
        if (w->inherits("TbfrmApportionQry")) return w;
    return nullptr;
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

bool WriteBatchChart(QWidget *window, const QHash<QString, QString> &values, QStringList &errors) {
    const QString file = QFileInfo(values.value(QStringLiteral("chart"))).absoluteFilePath();
    QWidget *query = window ? QueryWindowOf(window) : nullptr;
    QString failed = QStringLiteral("no query window");
    if (query)
        QMetaObject::invokeMethod(query, "WriteChart", Q_RETURN_ARG(QString, failed),
                                  Q_ARG(QWidget *, window == query ? nullptr : window), Q_ARG(QString, file),
                                  Q_ARG(QString, ChartKind(values)));
    if (!failed.isEmpty()) {
        errors << QStringLiteral("--chart: %1").arg(failed);
        return false;
    }
    StatusLine(QStringLiteral("budget-host: chart written to %1").arg(file));
    return true;
}
