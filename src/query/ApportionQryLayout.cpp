// The query window's controls: tool bar, menus, filter panel, grouping boxes, sheet and the
// progress panel.
#include "query/ApportionQry.h"
#include "query/QueryGuide.h"

#include "platform/Panel.h"
#include "query/CodeEdit.h"
#include "query/SheetCommands.h"
#include "query/SummaryFill.h"
#include "query/ToolButtons.h"
#include "report/ReportLayout.h"
#include "report/ReportSheet.h"
#include "report/SheetView.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QStyleOptionComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

namespace {
QComboBox *DropDown(QWidget *parent, const QString &name, int width) {
    auto *box = new QComboBox(parent);
    box->setObjectName(name);
    box->setEditable(false);
    box->setProperty("designWidth", width);
    box->resize(width, 21);
    return box;
}

// The width a drop-down needs to show its longest entry whole.
int EntryWidth(const QComboBox *box) {
    int text = 0;
    for (int i = 0; i < box->count(); ++i) text = std::max(text, box->fontMetrics().horizontalAdvance(box->itemText(i)));
    QStyleOptionComboBox option;
    option.initFrom(box);
    const QSize content(text + 2, box->fontMetrics().height());
    return box->style()->sizeFromContents(QStyle::CT_ComboBox, &option, content, box).width();
}

// A filter control with its label, in one of the panel's three rows.
struct TFilterCell {
    QLabel *label;
    QWidget *box;
    int row;
};

TFilterCell Filter(QWidget *parent, const char *labelName, const QString &text, QWidget *box, int row) {
    auto *l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(labelName));
    l->setBuddy(box);
    return {l, box, row};
}

// Places the filter columns at their usual spots (labels at 16, 200, 382 and 568, boxes at 72,
// 256, 438 and 624, rows at 12, 38 and 64), moving a column's boxes, and the columns after it,
// to the right where a label needs more room in the font at hand. Labels get their full width.
void PlaceFilterColumns(const std::vector<std::vector<TFilterCell>> &columns, QWidget *besideLast) {
    static const int labelX[] = {16, 200, 382, 568}, boxX[] = {72, 256, 438, 624}, rowY[] = {12, 38, 64};
    const int labelGap = 2, columnGap = 13;
    int nextLeft = 0;
    for (size_t c = 0; c < columns.size(); ++c) {
        const int left = std::max(labelX[c], nextLeft);
        int widest = 0;
        for (const TFilterCell &cell : columns[c]) widest = std::max(widest, cell.label->sizeHint().width());
        const int boxLeft = std::max(boxX[c], left + widest + labelGap);
        int right = 0;
        for (const TFilterCell &cell : columns[c]) {
            const QSize hint = cell.label->sizeHint();
            const int height = std::max(16, hint.height());
            cell.label->setGeometry(left, rowY[cell.row] + (21 - height) / 2, hint.width(), height);
            // A drop-down is as wide as its design, or wider when its longest entry needs it.
            if (auto *drop = qobject_cast<QComboBox *>(cell.box))
                drop->resize(std::max(drop->property("designWidth").toInt(), EntryWidth(drop)), 21);
            cell.box->move(boxLeft, rowY[cell.row]);
            right = std::max(right, cell.box->geometry().right());
        }
        nextLeft = right + 1 + columnGap;
    }
    if (besideLast) {
        const QRect unit = columns.back().back().box->geometry();
        besideLast->setGeometry(unit.right() + 7, unit.y(), besideLast->sizeHint().width(), 21);
    }
}

// The panel is at least as wide as its children reach.
void KeepChildrenInside(QWidget *panel) {
    int right = 0;
    for (QWidget *w : panel->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        right = std::max(right, w->geometry().right());
    panel->setMinimumWidth(right + 12);
}

}  // namespace

TReportActions TbfrmApportionQry::ReportActions() {
    return {[this] { RunHandler([this] { tbtnExcelClick(); }); }, [this] { RunHandler([this] { btnPrintViewClick(); }); },
            [this] { RunHandler([this] { tbnPrintClick(); }); }, [this] { RunHandler([this] { tbnExitClick(); }); }};
}

void TbfrmApportionQry::BuildToolBar() {
    QStyle *style = tblChildMain->style();
    const TReportButtons b = AddReportButtons(tblChildMain, ReportActions(), [this, style] {
        tbtnRefresh = AddToolButton(tblChildMain, "tbtnRefresh", QStringLiteral(" 刷新 "), style->standardIcon(QStyle::SP_BrowserReload));
        tbtnPreset = AddToolButton(tblChildMain, "tbtnPreset", QStringLiteral("查询方案"),
                                   style->standardIcon(QStyle::SP_FileDialogDetailedView));
        tbtnChart = AddToolButton(tblChildMain, "tbtnChart", QStringLiteral(" 图表 "), ChartPicture());
    });
    tbtnExcel = b.excel;
    tbnPrintView = b.preview;
    tbnPrint = b.print;
    tbnExit = b.exit;
    connect(tbtnRefresh, &QToolButton::clicked, this, [this] { RunHandler([this] { tbtnRefreshClick(); }); });
    tbtnRefresh->setToolTip(QStringLiteral("刷新 (F5)"));
}

void TbfrmApportionQry::BuildMenus() {
    // "刷新" first in the data menu. F5 and Ctrl+R belong to this window, whichever of its
    // controls has the focus (the sheet too), and to no other window of the host; the entry is
    // disabled while a Refresh runs, as the tool button is.
    actRefresh = mitemDataVind->addAction(QStringLiteral("刷新"), this, [this] { RunHandler([this] { tbtnRefreshClick(); }); });
    actRefresh->setObjectName(QStringLiteral("actRefresh"));
    actRefresh->setShortcuts({QKeySequence(Qt::Key_F5), QKeySequence(QStringLiteral("Ctrl+R"))});
    actRefresh->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(actRefresh);
    mitemDataVind->addSeparator();
    const TReportMenuEntries m = AddReportMenuEntries(mitemOption, mitemDataVind, this, ReportActions());
    N8 = m.exit;
    N4 = m.print;
    N5 = m.preview;
    Excel1 = m.excel;
    BuildChartCommands();
    BuildPresetMenu();
    // F1: the window's short guide, from any of its controls.
    mitemDataVind->addSeparator();
    actGuide = mitemDataVind->addAction(QStringLiteral("使用说明"), this, [this] { ShowGuide(); });
    actGuide->setObjectName(QStringLiteral("actGuide"));
    actGuide->setShortcut(QKeySequence(Qt::Key_F1));
    actGuide->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(actGuide);
}

// Find and find next in the data menu; the sheet's context menu: copy, the current row's
// drill-down, export.
void TbfrmApportionQry::BuildSheetCommands() {
    auto *drill = new QAction(QStringLiteral("查看明细"), this);
    drill->setObjectName(QStringLiteral("actRowDrill"));
    connect(drill, &QAction::triggered, this,
            [this] { RunHandler([this] { OpenDrill(cllBudget->View()->CurrentCell().y()); }); });
    auto *excel = new QAction(QStringLiteral("导出Excel..."), this);
    connect(excel, &QAction::triggered, this, [this] { RunHandler([this] { tbtnExcelClick(); }); });
    AddSheetCommands(this, mitemDataVind, cllBudget, ReportLayout::kFirstDataRow, {drill, excel}, actGuide);
    connect(cllBudget->View(), &TSheetView::CellClicked, this,
            [this](int col, int row) { RunHandler([this, col, row] { SortByHeading(col, row); }); });
}

void TbfrmApportionQry::ShowGuide() { ShowQueryGuide(this); }

void TbfrmApportionQry::BuildFilterPanel() {
    QWidget *p = pnlTopMessage;
    cobType = DropDown(p, "cobType", 113);
    cobTypeChild = DropDown(p, "cobTypeChild", 113);
    cobTypeChild->addItems({QStringLiteral("<全部>"), QStringLiteral("当年预算"), QStringLiteral("结余预算"), QStringLiteral("追加预算")});
    cobMid = DropDown(p, "cobMid", 113);
    cobPid = DropDown(p, "cobPid", 113);
    cobIPid = DropDown(p, "cobIPid", 113);
    cobSecret = DropDown(p, "cobSecret", 113);
    cobClass = DropDown(p, "cobClass", 115);
    edtIid = new TCodeEdit("edtIid", p);
    edtIid->resize(227, 21);
    edtIid->setReadOnly(true);
    edtBid = new TCodeEdit("edtBid", p);
    edtBid->resize(227, 21);
    edtBid->setReadOnly(true);
    edtEid = new TCodeEdit("edtEid", p);
    edtEid->resize(145, 21);
    chbEidType = new QCheckBox(QStringLiteral("单位到基层"), p);
    chbEidType->setObjectName("chbEidType");
    const TFilterCell child = Filter(p, "lblChild", QStringLiteral("指标子类型："), cobTypeChild, 1);
    const TFilterCell unit = Filter(p, "LabEid", QStringLiteral("预算单位："), edtEid, 2);
    lblChild = child.label;
    LabEid = unit.label;
    const std::vector<std::vector<TFilterCell>> columns{{Filter(p, "LabType", QStringLiteral("指标类型："), cobType, 0), child},
                        {Filter(p, "LabMid", QStringLiteral("资金性质："), cobMid, 0),
                         Filter(p, "LabPid", QStringLiteral("支付方式："), cobPid, 1)},
                        {Filter(p, "LabIPid", QStringLiteral("支出类型："), cobIPid, 0),
                         Filter(p, "Label4", QStringLiteral("涉密标识："), cobSecret, 1),
                         Filter(p, "LabClass", QStringLiteral("单位级次："), cobClass, 2)},
                        {Filter(p, "LabIid", QStringLiteral("预算项目："), edtIid, 0),
                         Filter(p, "LabBid", QStringLiteral("预算科目："), edtBid, 1), unit}};
    PlaceFilters = [columns, beside = chbEidType, p] {
        PlaceFilterColumns(columns, beside);
        KeepChildrenInside(p);
    };
    PlaceFilters();
    lblChild->hide();
    cobTypeChild->hide();
    for (QComboBox *box : {cobType, cobTypeChild, cobMid, cobPid, cobIPid, cobSecret, cobClass}) box->setProperty("Tag", 0);
    // Change handlers run on the user's choices only ("activated"), never on fills from code.
    connect(cobType, &QComboBox::activated, this, [this] { RunHandler([this] { cobTypeChange(); }); });
    connect(cobMid, &QComboBox::activated, this, [this] { RunHandler([this] { cobMidChange(); }); });
    connect(cobSecret, &QComboBox::activated, this, [this] { RunHandler([this] { cobMidChange(); }); });
    connect(chbEidType, &QCheckBox::clicked, this, [this] { RunHandler([this] { chbEidTypeClick(); }); });
    WireCodeBoxes();
}

void TbfrmApportionQry::WireCodeBoxes() {
    edtEid->OnDblClick = [this] { RunHandler([this] { edtEidDblClick(); }); };
    edtBid->OnDblClick = [this] { RunHandler([this] { edtBidDblClick(); }); };
    edtIid->OnDblClick = [this] { RunHandler([this] { edtIidDblClick(); }); };
    edtEid->OnExit = [this] { RunHandler([this] { edtEidExit(); }); };
    // Backspace empties the two picked-only boxes, and the unit box while it holds a picked list.
    auto backspaceClears = [this](TCodeEdit *box, std::function<bool()> active) {
        box->OnKeyPress = [this, box, active](QChar &key) {
            RunHandler([&] {
                if (key == QChar(8) && active()) {
                    box->ClearCodes();
                    key = QChar();
                }
            });
        };
    };
    backspaceClears(edtBid, [] { return true; });
    backspaceClears(edtIid, [] { return true; });
    backspaceClears(edtEid, [this] { return chbEidType->isChecked(); });
}

void TbfrmApportionQry::BuildGroupBox() {
    gbxNum = new QGroupBox(QStringLiteral("请选择汇总组合查询条件"), pnlRightTop);
    gbxNum->setObjectName("gbxNum");
    auto *outer = new QVBoxLayout(pnlRightTop);
    outer->setContentsMargins(4, 0, 4, 2);
    outer->addWidget(gbxNum);
    auto *grid = new QGridLayout(gbxNum);
    const QString captions[6] = {QStringLiteral("组合一："), QStringLiteral("二："), QStringLiteral("三："),
                                 QStringLiteral("四："), QStringLiteral("五："), QStringLiteral("六：")};
    for (int i = 0; i < 6; ++i) {
        auto *label = new QLabel(captions[i], gbxNum);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        cmbNum[i] = new QComboBox(gbxNum);
        cmbNum[i]->setObjectName(QStringLiteral("cmbNum%1").arg(i + 1));
        cmbNum[i]->setProperty("Tag", 99);
        cmbNum[i]->setMinimumWidth(150);
        cmbNum[i]->setEnabled(i == 0);
        grid->addWidget(label, i / 3, (i % 3) * 2);
        grid->addWidget(cmbNum[i], i / 3, (i % 3) * 2 + 1);
        connect(cmbNum[i], &QComboBox::activated, this, [this, i] { RunHandler([this, i] { cmbNum1Change(i + 1); }); });
    }
    chbSubtotal = new QCheckBox(QStringLiteral("显示小计"), gbxNum);
    chbSubtotal->setObjectName(QStringLiteral("chbSubtotal"));
    grid->addWidget(chbSubtotal, 0, 6);
    BuildCompareYearBox(grid);
    BuildColumnDimensionBox(grid);
    grid->setColumnStretch(8, 1);
}

void TbfrmApportionQry::BuildSheetAndProgress() {
    auto *l = new QVBoxLayout(pnlRightBottom);
    l->setContentsMargins(0, 0, 0, 0);
    cllBudget = new TReportSheet(pnlRightBottom);
    cllBudget->setObjectName("cllBudget");
    l->addWidget(cllBudget);
    connect(cllBudget, &TReportSheet::SheetCellActivated, this,
            [this](int col, int row) { RunHandler([this, col, row] { OpenDrill(row, col); }); });
    pnlBottonMessage->hide();

    pnprocess = new TPanel(QStringLiteral("pnprocess"), this);
    static_cast<TPanel *>(pnprocess)->SetCaption(QString());
    pnprocess->setGeometry(0, 0, 381, 81);
    auto *t = new QLabel(QStringLiteral("正在提取数据："), pnprocess);
    t->move(15, 10);
    t->adjustSize();
    auto *p = new QLabel(QStringLiteral("进度："), pnprocess);
    p->move(15, 36);
    p->adjustSize();
    ProgressBar1 = new QProgressBar(pnprocess);
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->setGeometry(15, 54, 350, 16);
    pnprocess->hide();
}

TbfrmApportionQry::TbfrmApportionQry(const TComponentOwner &owner) : TfrmBsTrvTC(owner) {
    setWindowTitle(QStringLiteral("支付范围划分汇总组合查询"));
    // At the top left of the host's work area, where the user sees all of it.
    SetBounds(0, 0, 1060, 613);
    BuildToolBar();
    BuildMenus();
    // The tree panel plays no part: collapsed to 2 pixels. The filter panel (the top message
    // strip) moves above the grouping box.
    pnlLeft->setMinimumWidth(0);
    trvList->setFixedWidth(0);
    Splitter1->setSizes({2, 1058});
    auto *top = static_cast<QVBoxLayout *>(pnlBTop->layout());
    top->removeWidget(pnlTopMessage);
    top->insertWidget(0, pnlTopMessage);
    pnlTopMessage->setFixedHeight(97);
    pnlRightTop->setFixedHeight(83);
    pnlBTop->setFixedHeight(180);
    pnlBTop->SetCaption(QString());
    BuildFilterPanel();
    BuildGroupBox();
    BuildSheetAndProgress();
    BuildSheetCommands();
    BuildRunControls();
    BuildSheetStateLine();
    ScrollConditions();
}

// The filter panel and the grouping box keep their design width: in a window narrower than that
// they scroll sideways instead of being cut off, and the window itself can be made as narrow as
// the host's work area.
void TbfrmApportionQry::ScrollConditions() {
    KeepChildrenInside(pnlTopMessage);
    auto *scroll = new QScrollArea;
    scroll->setObjectName(QStringLiteral("scrConditions"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const int height = pnlBTop->maximumHeight();
    Splitter2->replaceWidget(Splitter2->indexOf(pnlBTop), scroll);
    scroll->setWidget(pnlBTop);
    pnlBTop->show();  // the splitter hid it when it let it go
    scroll->setFixedHeight(height);
    // Room for the scroll bar below the conditions while it is shown.
    QScrollBar *bar = scroll->horizontalScrollBar();
    connect(bar, &QScrollBar::rangeChanged, scroll, [scroll, bar, height](int, int max) {
        scroll->setFixedHeight(height + (max > 0 ? bar->sizeHint().height() : 0));
    });
}
