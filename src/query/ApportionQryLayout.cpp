// The query window's controls: tool bar, menus, filter panel, grouping boxes, sheet and the
// progress panel.
#include "query/ApportionQry.h"

#include "platform/Panel.h"
#include "query/CodeEdit.h"
#include "report/ReportSheet.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QSplitter>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QToolButton *AddButton(QToolBar *bar, const QString &name, const QString &caption, QStyle::StandardPixmap icon) {
    auto *b = new QToolButton(bar);
    b->setObjectName(name);
    b->setText(caption);
    b->setIcon(bar->style()->standardIcon(icon));
    b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    b->setMinimumSize(61, 35);
    b->setFocusPolicy(Qt::NoFocus);  // tool buttons never take the focus from a box
    bar->addWidget(b);
    return b;
}

QComboBox *DropDown(QWidget *parent, const QString &name, int x, int y, int width) {
    auto *box = new QComboBox(parent);
    box->setObjectName(name);
    box->setEditable(false);
    box->setGeometry(x, y, width, 21);
    return box;
}

QLabel *Label(QWidget *parent, const QString &name, const QString &text, int x, int y) {
    auto *l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setGeometry(x, y + 3, 56, 16);
    return l;
}

}  // namespace

void TbfrmApportionQry::BuildToolBar() {
    tbtnExcel = AddButton(tblChildMain, "tbtnExcel", QStringLiteral("导出Excel"), QStyle::SP_DialogSaveButton);
    tblChildMain->addSeparator();
    tbnPrintView = AddButton(tblChildMain, "tbnPrintView", QStringLiteral(" 预览 "), QStyle::SP_FileDialogContentsView);
    tbnPrint = AddButton(tblChildMain, "tbnPrint", QStringLiteral(" 打印 "), QStyle::SP_DriveFDIcon);
    tbtnRefresh = AddButton(tblChildMain, "tbtnRefresh", QStringLiteral(" 刷新 "), QStyle::SP_BrowserReload);
    tblChildMain->addSeparator();
    tbnExit = AddButton(tblChildMain, "tbnExit", QStringLiteral(" 退出 "), QStyle::SP_DialogCloseButton);
    connect(tbtnExcel, &QToolButton::clicked, this, [this] { RunHandler([this] { tbtnExcelClick(); }); });
    connect(tbnPrintView, &QToolButton::clicked, this, [this] { RunHandler([this] { btnPrintViewClick(); }); });
    connect(tbnPrint, &QToolButton::clicked, this, [this] { RunHandler([this] { tbnPrintClick(); }); });
    connect(tbtnRefresh, &QToolButton::clicked, this, [this] { RunHandler([this] { tbtnRefreshClick(); }); });
    connect(tbnExit, &QToolButton::clicked, this, [this] { RunHandler([this] { tbnExitClick(); }); });
}

void TbfrmApportionQry::BuildMenus() {
    N8 = mitemOption->addAction(QStringLiteral("退出"), this, [this] { RunHandler([this] { tbnExitClick(); }); });
    N4 = mitemDataVind->addAction(QStringLiteral("打印"), this, [this] { RunHandler([this] { tbnPrintClick(); }); });
    N4->setShortcut(QKeySequence(QStringLiteral("Ctrl+P")));
    N5 = mitemDataVind->addAction(QStringLiteral("打印预览"), this, [this] { RunHandler([this] { btnPrintViewClick(); }); });
    mitemDataVind->addSeparator();
    Excel1 = mitemDataVind->addAction(QStringLiteral("导出Excel"), this, [this] { RunHandler([this] { tbtnExcelClick(); }); });
    for (QAction *a : {N8, N4, N5, Excel1}) a->setObjectName(a == N8 ? "N8" : a == N4 ? "N4" : a == N5 ? "N5" : "Excel1");
    addActions({N4});
}

void TbfrmApportionQry::BuildFilterPanel() {
    QWidget *p = pnlTopMessage;
    const int rows[3] = {12, 38, 64};
    Label(p, "LabType", QStringLiteral("指标类型："), 16, rows[0]);
    cobType = DropDown(p, "cobType", 72, rows[0], 113);
    lblChild = Label(p, "lblChild", QStringLiteral("指标子类型："), 16, rows[1]);
    cobTypeChild = DropDown(p, "cobTypeChild", 72, rows[1], 113);
    cobTypeChild->addItems({QStringLiteral("<全部>"), QStringLiteral("当年预算"), QStringLiteral("结余预算"), QStringLiteral("追加预算")});
    lblChild->hide();
    cobTypeChild->hide();
    Label(p, "LabMid", QStringLiteral("资金性质："), 200, rows[0]);
    cobMid = DropDown(p, "cobMid", 256, rows[0], 113);
    Label(p, "LabPid", QStringLiteral("支付方式："), 200, rows[1]);
    cobPid = DropDown(p, "cobPid", 256, rows[1], 113);
    Label(p, "LabIPid", QStringLiteral("支出类型："), 382, rows[0]);
    cobIPid = DropDown(p, "cobIPid", 438, rows[0], 113);
    Label(p, "Label4", QStringLiteral("涉密标识："), 382, rows[1]);
    cobSecret = DropDown(p, "cobSecret", 438, rows[1], 113);
    Label(p, "LabClass", QStringLiteral("单位级次："), 382, rows[2]);
    cobClass = DropDown(p, "cobClass", 438, rows[2], 115);
    Label(p, "LabIid", QStringLiteral("预算项目："), 568, rows[0]);
    edtIid = new TCodeEdit("edtIid", p);
    edtIid->setGeometry(624, rows[0], 227, 21);
    edtIid->setReadOnly(true);
    Label(p, "LabBid", QStringLiteral("预算科目："), 568, rows[1]);
    edtBid = new TCodeEdit("edtBid", p);
    edtBid->setGeometry(624, rows[1], 227, 21);
    edtBid->setReadOnly(true);
    LabEid = Label(p, "LabEid", QStringLiteral("预算单位："), 568, rows[2]);
    edtEid = new TCodeEdit("edtEid", p);
    edtEid->setGeometry(624, rows[2], 145, 21);
    chbEidType = new QCheckBox(QStringLiteral("单位到基层"), p);
    chbEidType->setObjectName("chbEidType");
    chbEidType->setGeometry(775, rows[2], 90, 21);
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
    auto backspaceClears = [](TCodeEdit *box, std::function<bool()> active) {
        box->OnKeyPress = [box, active](QChar &key) {
            if (key == QChar(8) && active()) {
                box->ClearCodes();
                key = QChar();
            }
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
    grid->setColumnStretch(6, 1);
}

void TbfrmApportionQry::BuildSheetAndProgress() {
    auto *l = new QVBoxLayout(pnlRightBottom);
    l->setContentsMargins(0, 0, 0, 0);
    cllBudget = new TReportSheet(pnlRightBottom);
    cllBudget->setObjectName("cllBudget");
    l->addWidget(cllBudget);
    pnlBottonMessage->hide();

    pnprocess = new TPanel(QStringLiteral("pnprocess"), this);
    static_cast<TPanel *>(pnprocess)->SetCaption(QString());
    pnprocess->setGeometry(0, 0, 381, 81);
    auto *t = new QLabel(QStringLiteral("正在提取数据："), pnprocess);
    t->setGeometry(15, 10, 200, 18);
    auto *p = new QLabel(QStringLiteral("进度："), pnprocess);
    p->setGeometry(15, 36, 60, 18);
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
}
