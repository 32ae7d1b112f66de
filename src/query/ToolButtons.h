#pragma once
// The tool buttons of the query windows: a picture above a caption, every picture at one size,
// never taking the focus from a box.
#include <QIcon>
#include <QString>
#include <functional>

class QAction;
class QMenu;
class QToolBar;
class QToolButton;
class QWidget;

// The size of every tool picture.
QSize ToolPictureSize();
// The style's picture scaled to the tool picture size where the style has only a smaller one.
QIcon ToolPicture(const QIcon &icon);
// A sheet coming out of a printer: the style has no printer picture.
QIcon PrinterPicture();
// Three bars of a chart, for "图表".
QIcon ChartPicture();
QToolButton *AddToolButton(QToolBar *bar, const QString &name, const QString &caption, const QIcon &icon);

// The report commands of the query windows: export, preview, print and exit, on the tool bar and
// in the window's menus. Each runs the window's handler.
struct TReportActions {
    std::function<void()> excel, preview, print, exit;
};
struct TReportButtons {
    QToolButton *excel, *preview, *print, *exit;
};
struct TReportMenuEntries {
    QAction *exit, *print, *preview, *excel;
};
// 导出Excel | 预览, 打印, what afterPrint adds | 退出.
TReportButtons AddReportButtons(QToolBar *bar, const TReportActions &run, const std::function<void()> &afterPrint = {});
// 退出 in the options menu; 打印 (Ctrl+P, also on the window), 打印预览, then 导出Excel in the data menu.
TReportMenuEntries AddReportMenuEntries(QMenu *options, QMenu *data, QWidget *window, const TReportActions &run);
