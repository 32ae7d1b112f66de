#include "frame/windows/FrmBsCld.h"

#include "authpay/Application.h"
#include "frame/ModuleGlobals.h"

#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QVBoxLayout>

const TClassInfo TfrmBsCld::ClassInfo{"TfrmBsCld", &TfrmBase::ClassInfo, &ConstructComponent<TfrmBsCld>};

TfrmBsCld::TfrmBsCld(const TComponentOwner &owner) : TfrmBase(owner) {
    FormStyle = fsMDIChild;
    Position = poDefault;
    WindowState = wsMaximized;
    setWindowTitle(QStringLiteral("frmBsCld"));
    SetBounds(395, 451, width(), height());

    mitemOption = new QMenu(QStringLiteral("辅助功能(&S)"), this);
    mitemDataVind = new QMenu(QStringLiteral("数据操作(&P)"), this);
    mnuChildMain = {mitemOption, mitemDataVind};

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    ctblChild = new QWidget(this);
    ctblChild->setObjectName(QStringLiteral("ctblChild"));
    auto *band = new QHBoxLayout(ctblChild);
    band->setContentsMargins(9, 2, 2, 2);
    tblChildMain = new QToolBar(ctblChild);
    tblChildMain->setObjectName(QStringLiteral("tblChildMain"));
    tblChildMain->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    tblChildMain->setMinimumHeight(35);
    band->addWidget(tblChildMain);
    outer->addWidget(ctblChild);
    clientLayout_ = new QVBoxLayout();
    clientLayout_->setContentsMargins(0, 0, 0, 0);
    clientLayout_->setSpacing(0);
    outer->addLayout(clientLayout_, 1);
}

TfrmBsCld::~TfrmBsCld() {
    // The menus are children of this window: their entries leave the host's menu bar with them.
    // The sub-window that frames this window goes with it. It is reached as a plain widget: when
    // the sub-window is the one being destroyed (it frees its children first) it is no longer a
    // QMdiSubWindow, and a typed access would be undefined; a dying object drops posted events.
    if (QWidget *frame = parentWidget(); frame && !subWindow_.isNull()) frame->deleteLater();
}

void TfrmBsCld::FormCreate() {
    if (FormState & fsCreatedMDIChild) FormState &= ~fsVisible;
    TfrmBase::FormCreate();
    *FShowModal() = 0;
}

void TfrmBsCld::FormClose(TCloseAction &action) { action = caFree; }

void TfrmBsCld::PlaceSubWindow() {
    QMdiArea *area = authpay::Application ? authpay::Application->MdiArea() : nullptr;
    if (!area || subWindow_) return;
    const QRect designed = geometry();
    subWindow_ = area->addSubWindow(this);
    subWindow_->setAttribute(Qt::WA_DeleteOnClose, false);
    subWindow_->setWindowTitle(windowTitle());
    subWindow_->setGeometry(designed.x(), designed.y(), designed.width(), designed.height());
    FormState |= fsCreatedMDIChild;
    connect(area, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow *w) { MergeMenu(w && w == subWindow_); });
    connect(this, &QWidget::windowTitleChanged, subWindow_, &QWidget::setWindowTitle);
}

void TfrmBsCld::Show() {
    const bool first = !subWindow_;
    PlaceSubWindow();
    if (!subWindow_) {
        TForm::Show();
        return;
    }
    // The designed window state applies when the child first appears; showing it again only
    // brings it to the front in whatever state the user left it.
    if (!first || subWindow_->isVisible()) subWindow_->show();
    else if (WindowState == wsMaximized) subWindow_->showMaximized();
    else if (WindowState == wsMinimized) subWindow_->showMinimized();
    else subWindow_->show();
    show();
    subWindow_->raise();
    if (QMdiArea *area = subWindow_->mdiArea()) area->setActiveSubWindow(subWindow_);
    MergeMenu(true);
}

void TfrmBsCld::MergeMenu(bool merge) {
    QMainWindow *main = authpay::Application ? authpay::Application->MainForm : nullptr;
    if (!main || merge == menuMerged_) return;
    QMenuBar *bar = main->menuBar();
    for (QMenu *m : mnuChildMain) {
        if (merge) bar->addAction(m->menuAction());
        else bar->removeAction(m->menuAction());
    }
    menuMerged_ = merge;
}
