#include "frame/windows/FrmBsCld.h"

#include "authpay/Application.h"
#include "frame/ModuleGlobals.h"
#include "frame/windows/MdiPlacement.h"

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

// A cascaded child keeps the place it was given; any other is centred on the screen as designed,
// then brought back inside the area the user sees.
void TfrmBsCld::FormShow() {
    if (!OpensCascaded) TfrmBase::FormShow();
    QMdiArea *area = subWindow_ ? subWindow_->mdiArea() : nullptr;
    if (!area || !area->isVisible() || subWindow_->isMaximized() || subWindow_->isMinimized()) return;
    subWindow_->setGeometry(FitIntoArea(subWindow_->geometry(), area->viewport()->size()));
}

// The window a cascaded child opens after: the newest open one of its own class, else the one
// active when it opens (the window it was opened from).
QMdiSubWindow *TfrmBsCld::CascadeBase(QMdiArea *area) const {
    const QList<QMdiSubWindow *> windows = area->subWindowList(QMdiArea::CreationOrder);
    for (qsizetype i = windows.size() - 1; i >= 0; --i) {
        QMdiSubWindow *w = windows[i];
        if (w->widget() && w->widget() != this && w->widget()->metaObject() == metaObject() && w->isVisible()
            && !w->isMinimized())
            return w;
    }
    QMdiSubWindow *active = area->activeSubWindow();
    return active && active->isVisible() && !active->isMinimized() ? active : nullptr;
}

// The designed rectangle, kept inside the area the user sees (a larger window is sized down, so
// its close box stays in view); a cascaded child opens right of and below the window before it.
void TfrmBsCld::PlaceSubWindow() {
    QMdiArea *area = authpay::Application ? authpay::Application->MdiArea() : nullptr;
    if (!area || subWindow_) return;
    const QRect designed = geometry();
    QMdiSubWindow *after = OpensCascaded ? CascadeBase(area) : nullptr;
    const QPoint afterPos = after ? after->pos() : QPoint();
    // An area not shown yet has no size of its own: the window keeps its design.
    const QSize room = area->isVisible() ? area->viewport()->size() : QSize();
    QRect placed = FitIntoArea(designed, room);
    if (after && !room.isEmpty()) placed = CascadeAfter(afterPos, placed.size(), room, kCascadeStep);
    subWindow_ = area->addSubWindow(this);
    subWindow_->setAttribute(Qt::WA_DeleteOnClose, false);
    subWindow_->setWindowTitle(windowTitle());
    subWindow_->setGeometry(placed);
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
