#pragma once
// TResultChart: the window "图表" of a result sheet. It shows the sheet's figures as horizontal
// bars (largest first from the top, the top groups and "其他"; stacked by the second dimension, or
// paired with the compared year) or, switched to "饼图", as a pie of the first dimension. The
// hover text names a bar's group and amount; a click on a bar or slice asks its owner to open that
// group's rows. The chart can be saved (PNG, SVG, PDF; the note beside the commands then names the
// file), previewed and printed.
#include "chart/ChartBuild.h"

#include "authpay/ReportWindow.h"

#include <QWidget>
#include <functional>

class QChart;
class QChartView;
class QComboBox;
class QLabel;
class QToolButton;
class TReportSheet;

class TResultChart : public QWidget, public authpay::IChartWindow {
    Q_OBJECT
    Q_INTERFACES(authpay::IChartWindow)
public:
    // The sheet is read on every Refresh, laid out as `layout` then says.
    TResultChart(TReportSheet *sheet, std::function<TChartLayout()> layout, QWidget *owner);
    ~TResultChart() override;
    QWidget *Widget() override { return this; }

    // Reads the sheet again and draws its figures.
    void Refresh();
    void SetKind(TChartKind kind);
    TChartKind Kind() const { return kind_; }
    QChart *Chart() const;
    const TChartData &Data() const { return data_; }
    const TChartLayout &Layout() const { return layout_; }
    // Writes the chart as shown (at the view's size) to the file; the reason when it failed.
    QString SaveTo(const QString &file) const;
    // The save dialog, then SaveTo; and the print dialog, then the chart on one page.
    void SaveClick();
    void PrintClick();
    // The chart's page as it prints, in a preview that can print it.
    void PreviewClick();

    // A click on a bar or slice that stands for a group; a failure to tell the user about.
    std::function<void(const TChartPick &)> OnPick;
    std::function<void(const QString &)> OnFailure;

    QComboBox *cobChartKind = nullptr;  // "条形图" / "饼图"
    QLabel *lblChartNote = nullptr;     // what the chart leaves out, or that there is nothing to draw
    QChartView *chvChart = nullptr;
    QToolButton *tbtnChartSave = nullptr, *tbtnChartPreview = nullptr, *tbtnChartPrint = nullptr;
    // The hover text, drawn inside the chart beside the pointer: a window of its own (a tool tip)
    // is not shown by every X window manager set-up, and a chart's hover text must always show.
    QLabel *lblHover = nullptr;

private:
    void Draw();
    void WireBars();
    void WirePie();
    void Pick(const std::optional<TChartPick> &pick);
    void Fail(const QString &text);
    // Shows the text beside the pointer, inside the chart; an empty text hides it.
    void Hover(const QString &text);

    TReportSheet *sheet_;
    std::function<TChartLayout()> layoutOf_;
    TChartLayout layout_;
    TChartData data_;
    TChartKind kind_ = TChartKind::Bar;
};
