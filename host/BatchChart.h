#pragma once
// --chart FILE.png|svg|pdf and --chart-kind bar|pie of the batch run: the chart of the query
// window's result, or of the drill-down the run opened, written by the query window.
#include <QHash>
#include <QString>
#include <QStringList>

#include "authpay/ReportWindow.h"

// Checks the options before anything runs: a chart file of another type, or another kind, is
// refused with the reason in errors.
bool CheckChartOptions(const QHash<QString, QString> &values, QStringList &errors);
// Writes the chart of `window`'s sheet (the query window, or a drill-down it opened) as the
// options say; false with the reason in errors.
bool WriteBatchChart(authpay::IQueryWindow &query, authpay::IReportWindow &window, const QHash<QString, QString> &values,
                     QStringList &errors);
