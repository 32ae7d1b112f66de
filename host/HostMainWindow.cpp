#include "HostMainWindow.h"

#include <QInputDialog>
#include <QMdiArea>
#include <QMenuBar>
#include <QStatusBar>
#include <QStringDecoder>

HostMainWindow::HostMainWindow(QWidget *parent) : QMainWindow(parent), mdi_(new QMdiArea(this)) {
    setWindowTitle(QStringLiteral("预算与支付管理系统"));
    setCentralWidget(mdi_);
    mdi_->setViewMode(QMdiArea::SubWindowView);
    resize(1024, 720);

    QMenu *file = menuBar()->addMenu(QStringLiteral("文件(&F)"));
    file->addAction(QStringLiteral("退出(&X)"), this, &QWidget::close);
    QMenu *modules = menuBar()->addMenu(QStringLiteral("授权支付(&M)"));
    modules->addAction(QStringLiteral("支付范围划分汇总组合查询"), this, [this] {
        if (onOpenClass) onOpenClass(QStringLiteral("TbfrmApportionQry"));
    });
    modules->addAction(QStringLiteral("按类名打开窗口..."), this, [this] {
        bool ok = false;
        const QString name = QInputDialog::getText(this, QStringLiteral("打开窗口"), QStringLiteral("类名:"),
                                                   QLineEdit::Normal, QString(), &ok);
        if (ok && !name.isEmpty() && onOpenClass) onOpenClass(name);
    });
    QMenu *help = menuBar()->addMenu(QStringLiteral("帮助(&H)"));
    help->addAction(QStringLiteral("关于模块(&A)..."), this, [this] {
        if (onAboutModules) onAboutModules();
    });
    statusBar();
}

QString DecodeGbk(const char *bytes) {
    if (!bytes) return QString();
    QStringDecoder decoder("GBK");
    if (!decoder.isValid()) decoder = QStringDecoder("GB18030");
    if (!decoder.isValid()) return QString::fromLatin1(bytes);
    return decoder.decode(QByteArrayView(bytes));
}
