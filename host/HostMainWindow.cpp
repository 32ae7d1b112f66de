#include "HostMainWindow.h"

#include "MdiWindowMenu.h"

#include <QInputDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QStringDecoder>

HostMainWindow::HostMainWindow(bool debugMenu, QWidget *parent) : QMainWindow(parent), mdi_(new QMdiArea(this)) {
    setWindowTitle(kTitle.toString());
    setCentralWidget(mdi_);
    connect(mdi_, &QMdiArea::subWindowActivated, this, &HostMainWindow::ShowCurrentInTitle);
    mdi_->setViewMode(QMdiArea::SubWindowView);
    // A child window larger than the area, or moved partly out of it, stays reachable.
    mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    resize(1024, 720);

    QMenu *file = menuBar()->addMenu(QStringLiteral("文件(&F)"));
    file->addAction(QStringLiteral("退出(&X)"), this, &QWidget::close);
    QMenu *modules = menuBar()->addMenu(QStringLiteral("授权支付(&M)"));
    modules->addAction(QStringLiteral("支付范围划分汇总组合查询"), this, [this] {
        if (onOpenClass) onOpenClass(QStringLiteral("TbfrmApportionQry"));
    });
    windowMenu_ = menuBar()->addMenu(QStringLiteral("窗口(&W)"));
    new MdiWindowMenu(mdi_, windowMenu_);
    if (debugMenu) {
        QMenu *debug = menuBar()->addMenu(QStringLiteral("调试(&D)"));
        debug->addAction(QStringLiteral("按类名打开窗口..."), this, &HostMainWindow::OpenByClassName);
    }
    QMenu *help = menuBar()->addMenu(QStringLiteral("帮助(&H)"));
    // The guide of the query window in front (else of the first one open); none open: disabled.
    QAction *guide = help->addAction(QStringLiteral("使用说明(&G)\tF1"), this, [this] {
        if (authpay::IQueryWindow *query = GuideWindow()) query->ShowGuide();
    });
    guide->setObjectName(QStringLiteral("actHostGuide"));
    connect(help, &QMenu::aboutToShow, guide, [this, guide] { guide->setEnabled(GuideWindow() != nullptr); });
    help->addAction(QStringLiteral("关于模块(&A)..."), this, [this] {
        if (onAboutModules) onAboutModules();
    });
    statusBar();
}

// The work area and its windows go after this part of the window: what they say as they go is no
// longer for it.
HostMainWindow::~HostMainWindow() {
    mdi_->disconnect(this);
    for (QMdiSubWindow *window : mdi_->subWindowList()) window->disconnect(this);
}

// "预算与支付管理系统 - [明细 - 合计]": the window in front names itself in the title, as it does in
// the task bar, and the title goes back to the system's name when the last window closes.
void HostMainWindow::ShowCurrentInTitle() {
    QMdiSubWindow *current = mdi_->currentSubWindow();
    if (current) connect(current, &QWidget::windowTitleChanged, this, &HostMainWindow::ShowCurrentInTitle, Qt::UniqueConnection);
    setWindowTitle(current && !current->windowTitle().isEmpty()
                       ? QStringLiteral("%1 - [%2]").arg(kTitle, current->windowTitle())
                       : kTitle.toString());
}

authpay::IQueryWindow *HostMainWindow::GuideWindow() const {
    if (QMdiSubWindow *current = mdi_->currentSubWindow())
        if (auto *query = qobject_cast<authpay::IQueryWindow *>(current->widget())) return query;
    for (QMdiSubWindow *window : mdi_->subWindowList())
        if (auto *query = qobject_cast<authpay::IQueryWindow *>(window->widget())) return query;
    return nullptr;
}

void HostMainWindow::OpenByClassName() {
    bool ok = false;
    const QString name = QInputDialog::getText(this, QStringLiteral("打开窗口"), QStringLiteral("类名:"),
                                               QLineEdit::Normal, QString(), &ok);
    if (ok && !name.isEmpty() && onOpenClass) onOpenClass(name);
}

void HostMainWindow::ShowFitted(const QRect &available) {
    const int border = 2 * mdi_->frameWidth();
    const QSize chrome(border, border + menuBar()->sizeHint().height() + statusBar()->sizeHint().height());
    const std::optional<QSize> size = FittedHostSize(kModuleArea, chrome, available.size(), kFrameAllowance);
    if (!size) {
        showMaximized();
        return;
    }
    resize(*size);
    move(available.x() + (available.width() - size->width()) / 2, available.y() + (available.height() - size->height()) / 2);
    show();
}

std::optional<QSize> FittedHostSize(const QSize &area, const QSize &chrome, const QSize &available,
                                    const QMargins &frame) {
    const QSize size = area + chrome;
    const QSize framed = size + QSize(frame.left() + frame.right(), frame.top() + frame.bottom());
    if (framed.width() > available.width() || framed.height() > available.height()) return std::nullopt;
    return size;
}

QString DecodeGbk(const char *bytes) {
    if (!bytes) return QString();
    QStringDecoder decoder("GBK");
    if (!decoder.isValid()) decoder = QStringDecoder("GB18030");
    if (!decoder.isValid()) return QString::fromLatin1(bytes);
    return decoder.decode(QByteArrayView(bytes));
}
