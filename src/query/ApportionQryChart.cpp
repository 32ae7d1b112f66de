// "图表" of the query window: the chart window of the result on the sheet, which follows each
// Refresh while it is open and opens a group's drill-down when one of its bars is clicked; and the
// chart files hosts ask for.
#include "query/ApportionQry.h"
#include "query/CrossTab.h"

#include "chart/ChartFile.h"
#include "chart/ChartLayouts.h"
#include "chart/ResultChart.h"
#include "report/AmountText.h"
#include "report/ReportSheet.h"

#include <QAction>
#include <QMenu>
#include <QToolButton>

namespace {
// The size of a chart a host writes to a file.
const QSize kChartFileSize(1024, 768);
}  // namespace

void TbfrmApportionQry::BuildChartCommands() {
    actChart = mitemDataVind->addAction(QStringLiteral("图表"), this, [this] { RunHandler([this] { ChartClick(); }); });
    actChart->setObjectName(QStringLiteral("actChart"));
    if (tbtnChart) {
        tbtnChart->setToolTip(QStringLiteral("图表：按第一个汇总条件画出结果"));
        connect(tbtnChart, &QToolButton::clicked, this, [this] { RunHandler([this] { ChartClick(); }); });
    }
    UpdateChartCommand();
}

TChartLayout TbfrmApportionQry::ResultLayout() const { return cllBudget->Model().Chart.layout; }

TResultChart *TbfrmApportionQry::ChartWindow() const { return chart_; }

// The command is there while the sheet holds a result: after a Refresh that found rows, until the
// sheet is cleared.
void TbfrmApportionQry::UpdateChartCommand() {
    const bool result = drillReady_ && !resultEmpty_ && cllBudget->Model().Chart.enabled && !Busy();
    if (tbtnChart) tbtnChart->setEnabled(result);
    if (actChart) actChart->setEnabled(result);
}

void TbfrmApportionQry::ChartFollowsSheet() {
    UpdateChartCommand();
    if (chart_) chart_->Refresh();
}

void TbfrmApportionQry::ChartClick() {
    UpdateChartCommand();
    if (!tbtnChart->isEnabled() || !OutputAllowed()) return;
    if (!chart_) {
        // A window of its own, not kept above the host's: the drill-down a click on a bar opens
        // must be able to come in front of it. It closes with this window.
        chart_ = new TResultChart(cllBudget, [this] { return ResultLayout(); }, nullptr);
        chart_->OnPick = [this](const TChartPick &pick) { RunHandler([this, pick] { OpenChartPick(pick); }); };
        chart_->OnFailure = [this](const QString &text) { Warn(text); };
    }
    chart_->Refresh();
    chart_->show();
    chart_->raise();
    chart_->activateWindow();
}

void TbfrmApportionQry::OpenChartPick(const TChartPick &pick) {
    if (Busy() || !drillReady_) return;  // the rows on the sheet are not the result yet
    TDrillRequest request{drillBase_, pick.values, ReportAmountText(pick.amount), ReportAmountCents(pick.amount)};
    // A spread result's bars are stacked by its column dimension's codes; the sheet's "其他"
    // column is several codes: its segment opens the whole bar.
    if (spread_.columns > 0 && request.Values.size() == 4) {
        request.Base.Dimensions = request.Base.Dimensions.mid(0, 1) << spread_.dimension;
        if (spread_.folded > 0 && request.Values[2] == kOtherColumnName && request.Values[3].isEmpty())
            request.Values = request.Values.mid(0, 2);
    }
    OpenDrillRequest(request);
    // The drill-down opens in the host's window: that comes to the front, over the chart.
    window()->raise();
    window()->activateWindow();
}

QString TbfrmApportionQry::WriteChart(QWidget *sheetWindow, const QString &file, const QString &kindName) {
    TChartKind kind;
    if (!ChartKindOfName(kindName, &kind)) return QStringLiteral("图表种类只能是 bar 或 pie：%1").arg(kindName);
    TChartFileType type;
    if (!ChartFileTypeOf(file, &type)) return QStringLiteral("图表只能保存为 .png、.svg 或 .pdf 文件：%1").arg(file);
    if (!sheetWindow || sheetWindow == this) {
        UpdateChartCommand();
        if (!tbtnChart->isEnabled()) return QStringLiteral("报表中没有可画图的结果");
        const TChartLayout layout = ResultLayout();
        return WriteChartFile(file, ChartDataOfSheet(cllBudget->Model(), layout), layout, kind, kChartFileSize);
    }
    TbfrmApportionDetail *detail = nullptr;
    for (const QPointer<TbfrmApportionDetail> &d : std::as_const(drills_))
        if (d && d == sheetWindow) detail = d;
    if (!detail) return QStringLiteral("该窗口不是本查询打开的明细");
    // The chart covers every row of the group: the pages not yet read are read first.
    if (!detail->FetchAll()) return detail->LastMessage();
    const TChartLayout layout = DrillChartLayout(detail->cllBudget->Model());
    return WriteChartFile(file, ChartDataOfSheet(detail->cllBudget->Model(), layout), layout, kind, kChartFileSize);
}
